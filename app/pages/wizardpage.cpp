#include "pages/wizardpage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tarvel::app {

QPushButton* makeButton(const char* objectName, const QString& text, QWidget* parent, QSize size) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setFixedSize(size);
    return button;
}

WizardPage::WizardPage(int number, const QString& caption, AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), number_(number), caption_(caption) {
    setObjectName(QString("TabSheet%1").arg(number));
    body_ = new QWidget(this);
    const QString n = QString::number(number);
    back_ = makeButton(qPrintable("BtnBack" + n), "< 上一步", this);
    next_ = number == 6 ? makeButton("BtnGoToFirst", "返回第一步", this)
                        : makeButton(qPrintable("BtnNext" + n), "下一步 >", this);
    help_ = makeButton(qPrintable("BtnHelp" + n), "帮助", this);

    auto* foot = new QHBoxLayout;
    foot->addStretch();
    foot->addWidget(back_);
    foot->addWidget(next_);
    foot->addSpacing(24);
    foot->addWidget(help_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 6);
    column->addWidget(body_, 1);
    column->addLayout(foot);
}

}  // namespace tarvel::app
