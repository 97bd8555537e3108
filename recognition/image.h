#pragma once
// Device-independent bitmaps as the recogniser uses them: B-G-R(-x) pixels of
// 3 or 4 bytes, rows stored bottom-up without padding.
//
// Two row numberings exist and must not be mixed up:
//  - picture coordinates: y = 0 is the bottom row, y grows upward;
//    pixel (x, y) lives at data + y * stride + x * bytesPerPixel;
//  - top-down rows: r = 0 is the top row, r = height - 1 - y.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvel {

inline constexpr int kFrameWidth = 640;
inline constexpr int kFrameHeight = 480;
inline constexpr int kCanvasSize = 800;

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, int bytesPerPixel);  // all pixels white

    // Copies are expensive and must be explicit.
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Bitmap(Bitmap&&) = default;
    Bitmap& operator=(Bitmap&&) = default;

    Bitmap clone() const;
    // Takes the other bitmap's geometry and pixels, reusing memory when the
    // sizes agree.
    void copyFrom(const Bitmap& other);

    int width() const { return width_; }
    int height() const { return height_; }
    int bytesPerPixel() const { return bpp_; }
    int stride() const { return width_ * bpp_; }
    bool empty() const { return data_.empty(); }
    size_t byteSize() const { return data_.size(); }

    uint8_t* data() { return data_.data(); }
    const uint8_t* data() const { return data_.data(); }

    // Picture coordinates (bottom-up).
    uint8_t* row(int y) { return data_.data() + static_cast<size_t>(y) * stride(); }
    const uint8_t* row(int y) const { return data_.data() + static_cast<size_t>(y) * stride(); }
    uint8_t* pixel(int x, int y) { return row(y) + x * bpp_; }
    const uint8_t* pixel(int x, int y) const { return row(y) + x * bpp_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // Black means blue byte 0 (after binarization all three colours agree).
    bool isBlack(int x, int y) const { return pixel(x, y)[0] == 0; }

    // Top-down row access.
    uint8_t* rowFromTop(int r) { return row(height_ - 1 - r); }
    const uint8_t* rowFromTop(int r) const { return row(height_ - 1 - r); }

    void fill(uint8_t blue, uint8_t green, uint8_t red);
    void setPixel(int x, int y, uint8_t blue, uint8_t green, uint8_t red);

private:
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 3;
    std::vector<uint8_t> data_;
};

// The working images of one grading station.
struct ImageSet {
    Bitmap frame;       // newest frame; binarized and thinned in place
    Bitmap previous;    // binarized frame of the previous tick
    Bitmap color;       // colour copy of the newest frame
    Bitmap binary;      // frame binarized at 100
    Bitmap rotation;    // 800 x 800: rotated frame, later the confirmation image
    Bitmap normalized;  // 800 x 800: the rectified card
    int frameThreshold = 100;  // the threshold `frame` is binarized at (120 on the darker retry)

    void create(int bytesPerPixel);
};

// A region in top-down rows and columns, clipped to an image.
struct Region {
    int firstColumn = 0;
    int firstRow = 0;
    int columns = 0;
    int rows = 0;

    Region clippedTo(const Bitmap& image) const;
    bool empty() const { return columns <= 0 || rows <= 0; }
};

}  // namespace tarvel
