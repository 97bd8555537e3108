#include "dialogs/formtjprogress.h"

#include <QPainter>

#include "output/outputpage.h"

namespace tarvel::app {
namespace {

// ImageProgress: paints the bar picture the window keeps.
class BarImage : public QWidget {
public:
    BarImage(const QImage& bar, QWidget* parent) : QWidget(parent), bar_(bar) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, bar_); }

private:
    const QImage& bar_;
};

QColor rgb(unsigned colour) { return QColor::fromRgb(QRgb(colour)); }

}  // namespace

FormTJProgress::FormTJProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint), bar_(300, 20, QImage::Format_RGB32) {
    setObjectName("FormTJProgress");
    setWindowTitle("正在输出。。。");
    setWindowModality(Qt::WindowModal);
    setFixedSize(315, 47);
    image_ = new BarImage(bar_, this);
    image_->setObjectName("ImageProgress");
    image_->setGeometry(8, 16, 300, 20);
    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    timer_->setInterval(kBusyTimerMs);
    connect(timer_, &QTimer::timeout, this, &FormTJProgress::step);
    drawEmptyBar();
}

void FormTJProgress::drawEmptyBar() {
    // The image's default pen and brush: a black frame, white inside.
    QPainter painter(&bar_);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, 299, 19);
}

void FormTJProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    drawEmptyBar();
    block_ = QImage(60, 18, QImage::Format_RGB32);
    QPainter painter(&block_);
    // Each band starts on the last column of the one before.
    painter.fillRect(QRect(0, 0, 20, 18), rgb(kBusyBandColours[0]));
    painter.fillRect(QRect(19, 0, 21, 18), rgb(kBusyBandColours[1]));
    painter.fillRect(QRect(39, 0, 21, 18), rgb(kBusyBandColours[2]));
    position_ = 0;
    image_->update();
    timer_->start();
}

void FormTJProgress::hideEvent(QHideEvent* event) {
    timer_->stop();
    block_ = QImage();
    QDialog::hideEvent(event);
}

void FormTJProgress::step() {
    if (block_.isNull()) return;
    position_ = nextBusyPosition(position_);
    drawEmptyBar();
    QPainter(&bar_).drawImage(position_, 1, block_);
    image_->update();
}

}  // namespace tarvel::app
