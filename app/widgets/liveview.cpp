#include "widgets/liveview.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "qt/text.h"

namespace tarvel::app {
namespace {

// Font sizes are points at 96 dots per inch, as on the system the texts were
// placed for; the picture carries that resolution whatever the screen has.
constexpr int kDotsPerMetre = 3780;

QColor qcolour(Colour c) { return QColor(c.red, c.green, c.blue); }
QRect qrect(const Rect& r) { return QRect(r.x, r.y, r.width, r.height); }

// One top-down row of the frame as 32-bit pixels.
void convertRow(const uint8_t* source, int bytesPerPixel, int columns, uint32_t* target) {
    if (bytesPerPixel == 4) {
        // Blue, green, red and an unused byte: the layout of QImage::Format_RGB32.
        for (int x = 0; x < columns; ++x) target[x] = 0xff000000u | (uint32_t(source[4 * x + 2]) << 16) |
                                                      (uint32_t(source[4 * x + 1]) << 8) | source[4 * x];
    } else {
        for (int x = 0; x < columns; ++x) target[x] = 0xff000000u | (uint32_t(source[3 * x + 2]) << 16) |
                                                      (uint32_t(source[3 * x + 1]) << 8) | source[3 * x];
    }
}

}  // namespace

LiveView::LiveView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LiveView::ensurePicture() {
    if (picture_.size() == size()) return;
    if (size().isEmpty()) {
        picture_ = QImage();
        return;
    }
    // A picture of the view's own size; what was drawn stays where it fits.
    QImage resized(size(), QImage::Format_RGB32);
    resized.setDotsPerMeterX(kDotsPerMetre);
    resized.setDotsPerMeterY(kDotsPerMetre);
    resized.fill(Qt::white);
    if (!picture_.isNull()) {
        QPainter p(&resized);
        p.drawImage(0, 0, picture_);
    }
    picture_ = std::move(resized);
    if (!still_.isNull()) paintStill();
}

void LiveView::resizeEvent(QResizeEvent*) {
    ensurePicture();
    emit resized(width(), height());
}

void LiveView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), picture_, event->rect());
}

void LiveView::clear(const QColor& colour) {
    still_ = QImage();
    ensurePicture();
    if (picture_.isNull()) return;
    picture_.fill(colour);
    update();
}

void LiveView::showStill(const QImage& still, const QColor& background) {
    still_ = still;
    stillBackground_ = background;
    paintStill();
}

void LiveView::paintStill() {
    ensurePicture();
    if (picture_.isNull()) return;
    picture_.fill(stillBackground_);
    QPainter p(&picture_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = still_.size().scaled(picture_.size(), Qt::KeepAspectRatio);
    p.drawImage(QRect(QPoint((picture_.width() - size.width()) / 2, (picture_.height() - size.height()) / 2), size),
                still_);
    update();
}

void LiveView::copyFrame(const Bitmap& frame, int left, int top) {
    // Clipped to the picture on every side.
    const int x0 = std::max(0, left), y0 = std::max(0, top);
    const int x1 = std::min(picture_.width(), left + frame.width());
    const int y1 = std::min(picture_.height(), top + frame.height());
    if (x0 >= x1 || y0 >= y1) return;
    const int bpp = frame.bytesPerPixel();
    for (int y = y0; y < y1; ++y) {
        const uint8_t* source = frame.rowFromTop(y - top) + size_t(x0 - left) * bpp;
        auto* target = reinterpret_cast<uint32_t*>(picture_.scanLine(y)) + x0;
        convertRow(source, bpp, x1 - x0, target);
    }
}

void copyToImage(const Bitmap& frame, QImage& image) {
    if (image.width() != frame.width() || image.height() != frame.height() || image.format() != QImage::Format_RGB32)
        image = QImage(frame.width(), frame.height(), QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        convertRow(frame.rowFromTop(y), frame.bytesPerPixel(), frame.width(),
                   reinterpret_cast<uint32_t*>(image.scanLine(y)));
}

const QImage& LiveView::frameImage(const Bitmap& frame) {
    copyToImage(frame, scratch_);
    return scratch_;
}

void LiveView::draw(const DrawCommand& c, const Bitmap* frame) {
    ensurePicture();
    if (picture_.isNull()) return;
    const QRect area = qrect(c.area);
    QRect changed = area;
    switch (c.kind) {
        case DrawCommand::Kind::Frame:
            if (!frame || frame->empty()) return;
            copyFrame(*frame, c.area.x, c.area.y);
            changed = QRect(c.area.x, c.area.y, frame->width(), frame->height());
            break;
        case DrawCommand::Kind::StretchFrame: {
            if (!frame || frame->empty()) return;
            QPainter p(&picture_);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(area, frameImage(*frame));
            break;
        }
        case DrawCommand::Kind::Fill: {
            QPainter p(&picture_);
            p.fillRect(area, qcolour(c.colour));
            break;
        }
        case DrawCommand::Kind::Outline: {
            QPainter p(&picture_);
            p.setPen(qcolour(c.colour));
            p.drawRect(area.adjusted(0, 0, -1, -1));
            break;
        }
        case DrawCommand::Kind::Text:
        case DrawCommand::Kind::CentredText: {
            QPainter p(&picture_);
            QFont font = p.font();
            font.setPointSize(c.fontSize);
            p.setFont(font);
            p.setPen(qcolour(c.colour));
            const QString text = qs(c.text);
            if (c.kind == DrawCommand::Kind::CentredText) {
                p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text);
            } else {
                const QRect bounds = p.fontMetrics().boundingRect(text);
                changed = QRect(c.area.x, c.area.y, bounds.width() + 2, p.fontMetrics().height() + 2);
                p.drawText(changed, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
            }
            break;
        }
    }
    update(changed.intersected(rect()));
}

void SurfaceRouter::attach(Surface surface, DrawingSink* view) {
    (surface == Surface::ConnectPicture ? connectPicture_ : gradingView_) = view;
}

void SurfaceRouter::draw(const DrawCommand& command, const Bitmap* frame) {
    DrawingSink* view = command.surface == Surface::ConnectPicture ? connectPicture_ : gradingView_;
    if (view) view->draw(command, frame);
}

}  // namespace tarvel::app
