// Thinning of the binarized frame to one-pixel strokes, junction removal and
// the endpoints the line tracer starts from.
#include <algorithm>

#include "recognition/locationsteps.h"

namespace tarvel {

const std::array<uint8_t, 256> kThinningTable = {
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  //
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,  //
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  //
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,  //
    1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 1, 0, 1,  //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  //
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,  //
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  //
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0,  //
    1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0,  //
    1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 1, 0, 0,  //
    1, 1, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 0,  //
};

void BlackMask::readFrom(const Bitmap& image) {
    width_ = image.width();
    height_ = image.height();
    bits_.resize(static_cast<size_t>(width_) * height_);
    const int bpp = image.bytesPerPixel();
    for (int y = 0; y < height_; ++y) {
        const uint8_t* p = image.row(y);
        uint8_t* out = bits_.data() + static_cast<size_t>(y) * width_;
        for (int x = 0; x < width_; ++x, p += bpp) out[x] = p[0] == 0;
    }
}

void BlackMask::writeTo(Bitmap& image) const {
    const int bpp = image.bytesPerPixel();
    const int w = std::min(width_, image.width());
    const int h = std::min(height_, image.height());
    for (int y = 0; y < h; ++y) {
        uint8_t* p = image.row(y);
        const uint8_t* in = bits_.data() + static_cast<size_t>(y) * width_;
        for (int x = 0; x < w; ++x, p += bpp) {
            const uint8_t v = in[x] ? 0 : 255;
            p[0] = v;
            p[1] = v;
            p[2] = v;
        }
    }
}

int BlackMask::blackNeighbours(int x, int y) const {
    const uint8_t* below = bits_.data() + static_cast<size_t>(y - 1) * width_ + x;
    const uint8_t* here = below + width_;
    const uint8_t* above = here + width_;
    return below[-1] + below[0] + below[1] + here[-1] + here[1] + above[-1] + above[0] + above[1];
}

int neighbourhoodCode(const BlackMask& m, int x, int y) {
    int code = 0;
    if (!m.black(x - 1, y - 1)) code += 1;
    if (!m.black(x, y - 1)) code += 2;
    if (!m.black(x + 1, y - 1)) code += 4;
    if (!m.black(x - 1, y)) code += 8;
    if (!m.black(x + 1, y)) code += 16;
    if (!m.black(x - 1, y + 1)) code += 32;
    if (!m.black(x, y + 1)) code += 64;
    if (!m.black(x + 1, y + 1)) code += 128;
    return code;
}

namespace {

// One row pass: a removed pixel protects its right neighbour for this pass.
bool thinRows(BlackMask& m) {
    bool changed = false;
    const int w = m.width();
    const int h = m.height();
    for (int y = 1; y <= h - 2; ++y) {
        for (int x = 1; x <= w - 2; ++x) {
            if (!m.black(x, y) || (m.black(x - 1, y) && m.black(x + 1, y))) continue;
            if (kThinningTable[neighbourhoodCode(m, x, y)]) {
                m.set(x, y, false);
                changed = true;
                ++x;
            }
        }
    }
    return changed;
}

// One column pass: a removed pixel protects the pixel above it.
bool thinColumns(BlackMask& m) {
    bool changed = false;
    const int w = m.width();
    const int h = m.height();
    for (int x = 1; x <= w - 2; ++x) {
        for (int y = 1; y <= h - 2; ++y) {
            if (!m.black(x, y) || (m.black(x, y - 1) && m.black(x, y + 1))) continue;
            if (kThinningTable[neighbourhoodCode(m, x, y)]) {
                m.set(x, y, false);
                changed = true;
                ++y;
            }
        }
    }
    return changed;
}

}  // namespace

int ThinMask(BlackMask& mask) {
    int iterations = 0;
    bool changed = true;
    while (changed) {
        ++iterations;
        changed = thinRows(mask);
        changed = thinColumns(mask) || changed;
    }
    return iterations;
}

void RemoveJunctions(BlackMask& m) {
    for (int y = 1; y <= m.height() - 2; ++y) {
        for (int x = 1; x <= m.width() - 2; ++x) {
            if (!m.black(x, y) || m.blackNeighbours(x, y) < 3) continue;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) m.set(x + dx, y + dy, false);
            }
        }
    }
}

void FindEndpoints(const BlackMask& m, std::vector<IntPoint>& endpoints) {
    endpoints.clear();
    for (int y = 1; y <= m.height() - 2; ++y) {
        for (int x = 1; x <= m.width() - 2; ++x) {
            if (!m.black(x, y) || m.blackNeighbours(x, y) != 1) continue;
            if (static_cast<int>(endpoints.size()) == kMaxEndpoints) return;
            endpoints.push_back({x, y});
        }
    }
}

}  // namespace tarvel
