#pragma once
// A picture the frame loop draws on (ImageCheShi on the camera page,
// ImageView on the grading page). It keeps a picture of its own size, carries
// out the drawing commands on that picture and only paints it; the frame
// handed to a command is copied during the call, as the frame loop requires.
#include <QImage>
#include <QWidget>

#include "capture/drawing.h"

namespace tarvel::app {

class LiveView : public QWidget, public DrawingSink {
    Q_OBJECT
public:
    explicit LiveView(QWidget* parent = nullptr);

    void draw(const DrawCommand& command, const Bitmap* frame) override;

    // Fills the whole picture (a still picture is removed).
    void clear(const QColor& colour);
    // A still picture scaled into the view, keeping its proportions, on
    // `background`; it stays (at every size) until clear().
    void showStill(const QImage& still, const QColor& background);
    const QImage& picture() const { return picture_; }

signals:
    void resized(int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The frame top-down as a 32-bit picture (for stretching).
    const QImage& frameImage(const Bitmap& frame);
    void copyFrame(const Bitmap& frame, int left, int top);
    void paintStill();
    void ensurePicture();

    QImage picture_;
    QImage scratch_;
    QImage still_;
    QColor stillBackground_;
};

// A frame top-down as a 32-bit picture; `image` is reused when it has the size.
void copyToImage(const Bitmap& frame, QImage& image);

// The frame loop's drawing commands, each to the view of its surface.
class SurfaceRouter : public DrawingSink {
public:
    void attach(Surface surface, DrawingSink* view);
    void draw(const DrawCommand& command, const Bitmap* frame) override;

private:
    DrawingSink* connectPicture_ = nullptr;
    DrawingSink* gradingView_ = nullptr;
};

}  // namespace tarvel::app
