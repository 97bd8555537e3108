#include "pages/camerapage.h"

#include <QPainter>
#include <QVBoxLayout>

#include "capturestate.h"
#include "dialogs/qualitydialog.h"
#include "qt/text.h"

namespace tarvel::app {
namespace {

// What ImageCheShi shows until a camera is connected.
QImage stillPicture() {
    QImage still(kCaptureWidth, kCaptureHeight, QImage::Format_RGB32);
    still.fill(QColor(173, 190, 214));
    QPainter p(&still);
    QFont font = p.font();
    font.setPointSize(16);
    p.setFont(font);
    p.setPen(QColor(70, 80, 100));
    p.drawText(still.rect(), Qt::AlignCenter, "请点“连接摄像头”\n连接后这里显示摄像头的画面");
    return still;
}

}  // namespace

CameraPage::CameraPage(AppContext& context, QWidget* parent) : WizardPage(2, "连接摄像头", context, parent) {
    picture_ = new LiveView(body());
    picture_->setObjectName("ImageCheShi");
    picture_->setFixedSize(kCaptureWidth, kCaptureHeight);
    hint_ = new QLabel(body());
    hint_->setObjectName("LblLianJie");
    hint_->setWordWrap(true);
    connect_ = makeButton("BtnConn", "连接摄像头", body(), QSize(150, 33));
    quality_ = makeButton("BtnViewCapProperty", "画质调节", body(), QSize(150, 33));
    quality_->setEnabled(false);
    auto* note = new QLabel(
        "把答题卡放在摄像头下面的白纸上，调整摄像头的高度和焦距，使整张答题卡清楚地显示在画面中。", body());
    note->setWordWrap(true);

    auto* left = new QVBoxLayout;
    left->addWidget(picture_);
    left->addWidget(hint_);
    left->addStretch();
    auto* side = new QVBoxLayout;
    side->addWidget(connect_);
    side->addWidget(quality_);
    side->addSpacing(16);
    side->addWidget(note);
    side->addStretch();
    auto* row = new QHBoxLayout(body());
    row->setContentsMargins(0, 0, 0, 0);
    row->addLayout(left);
    row->addLayout(side, 1);

    picture_->showStill(stillPicture(), QColor(173, 190, 214));
    context.capture.views().attach(Surface::ConnectPicture, picture_);
    connect(connect_, &QPushButton::clicked, this, &CameraPage::connectCamera);
    connect(quality_, &QPushButton::clicked, this, &CameraPage::adjustPicture);
}

void CameraPage::connectCamera() {
    const auto result = context_.capture.connect();
    quality_->setEnabled(context_.capture.connection().running());
    if (result != CameraConnection::Result::Connected) return;
    picture_->clear(Qt::white);
    hint_->setText(kConnectedHint);
}

void CameraPage::adjustPicture() {
    CameraSource* camera = context_.capture.connection().camera();
    if (!camera) return;
    QualityDialog dialog(*camera, this);
    dialog.move(100, 50);
    dialog.exec();
}

bool CameraPage::checkNext() {
    if (context_.capture.connection().deviceCount() > 0) return true;
    context_.services.prompter.message(kConnectFirst);
    connect_->setFocus();
    return false;
}

}  // namespace tarvel::app
