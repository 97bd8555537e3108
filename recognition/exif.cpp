#include "recognition/exif.h"

#include <algorithm>
#include <cstring>

namespace tarvel {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

// The TIFF structure inside the EXIF block, in its own byte order. Every read
// is checked against the block's end: the block comes from any file.
class Tiff {
public:
    Tiff(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool header(uint32_t& firstDirectory) {
        if (size_ < 8) return false;
        if (data_[0] == 'I' && data_[1] == 'I') {
            little_ = true;
        } else if (data_[0] == 'M' && data_[1] == 'M') {
            little_ = false;
        } else {
            return false;
        }
        uint16_t magic = 0;
        return read16(2, magic) && magic == 42 && read32(4, firstDirectory);
    }

    bool read16(size_t at, uint16_t& out) const {
        if (at > size_ || size_ - at < 2) return false;
        const uint8_t* p = data_ + at;
        out = little_ ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]);
        return true;
    }

    bool read32(size_t at, uint32_t& out) const {
        if (at > size_ || size_ - at < 4) return false;
        const uint8_t* p = data_ + at;
        out = little_ ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                      : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    bool little_ = true;
};

// The orientation entry of the first directory (the main picture's).
int orientationOf(const uint8_t* tiffData, size_t size) {
    Tiff tiff(tiffData, size);
    uint32_t directory = 0;
    uint16_t entries = 0;
    if (!tiff.header(directory) || !tiff.read16(directory, entries)) return kOrientationAsStored;
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t entry = size_t(directory) + 2 + size_t(i) * 12;
        uint16_t tag = 0, type = 0, value = 0;
        uint32_t count = 0;
        if (!tiff.read16(entry, tag) || !tiff.read16(entry + 2, type) || !tiff.read32(entry + 4, count)) break;
        if (tag != kOrientationTag) continue;
        // One SHORT, held in the first two bytes of the value field.
        if (type != kShortType || count != 1 || !tiff.read16(entry + 8, value)) break;
        return value >= 1 && value <= 8 ? value : kOrientationAsStored;
    }
    return kOrientationAsStored;
}

}  // namespace

bool readJpegHeader(const uint8_t* bytes, size_t size, JpegHeader& out) {
    out = JpegHeader{};
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
    size_t at = 2;
    bool sized = false;
    // The marker segments before the picture data: EXIF and the frame header
    // sit among them.
    while (at + 4 <= size) {
        if (bytes[at] != 0xFF) break;
        const uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // start of scan, end of picture
        const size_t length = size_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length < 2 || length > size - at - 2) break;
        const uint8_t* body = bytes + at + 4;
        const size_t bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            out.orientation = orientationOf(body + 6, bodySize - 6);
        }
        // Frame headers SOF0-SOF15, except DHT (C4), JPG (C8) and DAC (CC).
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && bodySize >= 5 && !sized) {
            out.height = body[1] << 8 | body[2];
            out.width = body[3] << 8 | body[4];
            sized = true;
        }
        at += 2 + length;
    }
    return sized && out.width > 0 && out.height > 0;
}

bool swapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

void upright(const Bitmap& stored, int orientation, Bitmap& out) {
    if (orientation < 2 || orientation > 8) {
        out.copyFrom(stored);
        return;
    }
    const int w = stored.width(), h = stored.height(), bpp = stored.bytesPerPixel();
    const bool swap = swapsSides(orientation);
    const int outW = swap ? h : w, outH = swap ? w : h;
    if (out.width() != outW || out.height() != outH || out.bytesPerPixel() != bpp) out = Bitmap(outW, outH, bpp);
    // Upright pixel (x, r), r counted from the top, comes from stored column
    // sx and stored row sr from the top; both move linearly along a row.
    auto source = [&](int x, int r) -> const uint8_t* {
        int sx = x, sr = r;
        switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sr = h - 1 - r; break;
            case 4: sr = h - 1 - r; break;
            case 5: sx = r, sr = x; break;
            case 6: sx = r, sr = h - 1 - x; break;
            case 7: sx = w - 1 - r, sr = h - 1 - x; break;
            case 8: sx = w - 1 - r, sr = x; break;
        }
        return stored.rowFromTop(sr) + ptrdiff_t(sx) * bpp;
    };
    const ptrdiff_t step = outW > 1 ? source(1, 0) - source(0, 0) : 0;
    // In tiles: a quarter turn reads the stored picture down its columns,
    // which a tile keeps in the cache.
    constexpr int kTile = 64;
    for (int r0 = 0; r0 < outH; r0 += kTile) {
        for (int x0 = 0; x0 < outW; x0 += kTile) {
            for (int r = r0; r < std::min(r0 + kTile, outH); ++r) {
                const uint8_t* src = source(x0, r);
                uint8_t* dst = out.rowFromTop(r) + ptrdiff_t(x0) * bpp;
                for (int x = x0; x < std::min(x0 + kTile, outW); ++x, dst += bpp, src += step) std::memcpy(dst, src, size_t(bpp));
            }
        }
    }
}

}  // namespace tarvel
