#include "pages/cardpage.h"

#include <QGridLayout>
#include <QPixmap>
#include <QVBoxLayout>

#include "base/paths.h"
#include "qt/text.h"

namespace tarvel::app {

CardPage::CardPage(AppContext& context, QWidget* parent) : WizardPage(1, "准备答题卡", context, parent) {
    picture_ = new QLabel(body());
    picture_->setObjectName("Image2");
    picture_->setFixedSize(640, 480);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setStyleSheet("background: rgb(173, 190, 214);");
    QPixmap still(qs(installedPath(kWelcomePicture)));
    if (!still.isNull()) picture_->setPixmap(still.scaled(picture_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    auto* heading = new QLabel("本次阅卷使用的答题卡：", body());
    cardName_ = new QLabel(body());
    cardName_->setObjectName("LCardName");
    cardName_->setWordWrap(true);
    cardName_->setStyleSheet("color: blue;");
    newRun_ = makeButton("BtnNewYJ", "新阅卷", body(), QSize(150, 33));
    openRun_ = makeButton("BtnOpenYJFile1", "打开阅卷原始文件", body(), QSize(150, 33));
    auto* hint = new QLabel(
        "开始一次新的阅卷，请点“新阅卷”并选择答题卡；继续以前保存的阅卷，请点“打开阅卷原始文件”。", body());
    hint->setWordWrap(true);

    auto* side = new QVBoxLayout;
    side->addWidget(heading);
    side->addWidget(cardName_);
    side->addSpacing(16);
    side->addWidget(newRun_);
    side->addWidget(openRun_);
    side->addSpacing(16);
    side->addWidget(hint);
    side->addStretch();
    auto* row = new QHBoxLayout(body());
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(picture_, 0, Qt::AlignTop);
    row->addLayout(side, 1);

    backButton()->setEnabled(false);  // the first page has nothing before it
    connect(newRun_, &QPushButton::clicked, this, &CardPage::newRun);
    connect(openRun_, &QPushButton::clicked, this, &CardPage::openRun);
    refresh();
}

void CardPage::refresh() {
    cardName_->setText(qs(context_.run.layout.chosenCardName));
    nextButton()->setEnabled(context_.run.next1Enabled);
    // Opening a raw grading file makes sense once one has been saved here
    // (at start, and after the first save of this session).
    openRun_->setEnabled(savedMarkerExists());
}

void CardPage::newRun() {
    Services& s = context_.services;
    BtnNewYJClick(context_.run, s.prompter, s.cards, s.files);
    refresh();
    emit runChanged();
}

void CardPage::openRun() {
    Services& s = context_.services;
    BtnOpenYJFile1Click(context_.run, s.prompter, s.files);
    refresh();
    emit runChanged();
}

bool CardPage::checkNext() {
    if (!context_.run.layout.chosenCardName.empty()) return true;
    context_.services.prompter.message(kChooseRunFirst);
    newRun_->setFocus();
    return false;
}

}  // namespace tarvel::app
