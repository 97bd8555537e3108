#include "dialogs/formprogress.h"

#include <QVBoxLayout>

namespace tarvel::app {

FormProgress::FormProgress(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint) {
    setObjectName("FormProgress");
    setWindowTitle("进度");
    setWindowModality(Qt::WindowModal);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("ProgressBar1");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->addWidget(bar_);
    setFixedSize(461, 38);
}

void FormProgress::setPosition(int percent) { bar_->setValue(percent); }

int FormProgress::position() const { return bar_->value(); }

}  // namespace tarvel::app
