#include "recognition/image.h"

#include <algorithm>

namespace tarvel {

Bitmap::Bitmap(int width, int height, int bytesPerPixel)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      bpp_(bytesPerPixel),
      data_(static_cast<size_t>(width_) * height_ * bytesPerPixel, 255) {}

Bitmap Bitmap::clone() const {
    Bitmap copy;
    copy.copyFrom(*this);
    return copy;
}

void Bitmap::copyFrom(const Bitmap& other) {
    width_ = other.width_;
    height_ = other.height_;
    bpp_ = other.bpp_;
    data_.assign(other.data_.begin(), other.data_.end());
}

void Bitmap::fill(uint8_t blue, uint8_t green, uint8_t red) {
    for (size_t i = 0; i + 2 < data_.size(); i += bpp_) {
        data_[i] = blue;
        data_[i + 1] = green;
        data_[i + 2] = red;
    }
}

void Bitmap::setPixel(int x, int y, uint8_t blue, uint8_t green, uint8_t red) {
    if (!contains(x, y)) return;
    uint8_t* p = pixel(x, y);
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

void ImageSet::create(int bytesPerPixel) {
    frame = Bitmap(kFrameWidth, kFrameHeight, bytesPerPixel);
    previous = Bitmap(kFrameWidth, kFrameHeight, bytesPerPixel);
    color = Bitmap(kFrameWidth, kFrameHeight, bytesPerPixel);
    binary = Bitmap(kFrameWidth, kFrameHeight, bytesPerPixel);
    rotation = Bitmap(kCanvasSize, kCanvasSize, bytesPerPixel);
    normalized = Bitmap(kCanvasSize, kCanvasSize, bytesPerPixel);
}

Region Region::clippedTo(const Bitmap& image) const {
    Region r;
    int c0 = std::max(firstColumn, 0);
    int r0 = std::max(firstRow, 0);
    int c1 = std::min<long long>(static_cast<long long>(firstColumn) + std::max(columns, 0), image.width());
    int r1 = std::min<long long>(static_cast<long long>(firstRow) + std::max(rows, 0), image.height());
    r.firstColumn = c0;
    r.firstRow = r0;
    r.columns = std::max(c1 - c0, 0);
    r.rows = std::max(r1 - r0, 0);
    return r;
}

}  // namespace tarvel
