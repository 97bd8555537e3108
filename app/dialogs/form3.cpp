#include "dialogs/form3.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "qt/text.h"
#include "widgets/boxes.h"

namespace tarvel::app {

Form3::Form3(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    setObjectName("Form3");
    setWindowTitle("请输入班级人数");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    edit_ = makeNumberBox("Edit1", 4, digitBoxAccepts, this);
    auto* ok = new QPushButton("确定", this);
    ok->setObjectName("BtnOK");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* row = new QHBoxLayout(this);
    row->addWidget(new QLabel("班级人数：", this));
    row->addWidget(edit_);
    row->addWidget(ok);
    setFixedSize(sizeHint());
    connect(ok, &QPushButton::clicked, this, &Form3::confirm);
}

void Form3::prepare() {
    size_ = 0;
    edit_->clear();
    edit_->setFocus();
}

int Form3::askClassSize() {
    prepare();
    return exec() == Accepted ? size_ : 0;
}

void Form3::confirm() {
    const ClassSizeEntry entry = checkClassSize(ss(edit_->text()));
    if (!entry.close) {
        prompter_.message(entry.message);
        edit_->clear();
        edit_->setFocus();
        return;
    }
    size_ = entry.size;
    accept();
}

}  // namespace tarvel::app
