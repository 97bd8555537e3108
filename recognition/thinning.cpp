// Thinning of the binarized frame to one-pixel strokes, junction removal and
// the endpoints the line tracer starts from.
#include <algorithm>
#include <cstring>

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

int nextNonZero(const uint8_t* bytes, int from, int to) {
    int i = from;
    // Eight bytes at a time through the long white runs.
    while (i + 8 <= to) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (word != 0) break;
        i += 8;
    }
    while (i < to && bytes[i] == 0) ++i;
    return i;
}

namespace {

// The row-major mask and its column-major copy, changed together.
struct ThinningState {
    BlackMask& mask;
    std::vector<uint8_t>& columns;
    int w;
    int h;

    explicit ThinningState(BlackMask& m) : mask(m), columns(m.columnScratch()), w(m.width()), h(m.height()) {
        columns.assign(static_cast<size_t>(w) * h, 0);
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = mask.row(y);
            for (int x = nextNonZero(row, 0, w); x < w; x = nextNonZero(row, x + 1, w)) {
                columns[static_cast<size_t>(x) * h + y] = 1;
            }
        }
    }
    void whiten(int x, int y) {
        mask.set(x, y, false);
        columns[static_cast<size_t>(x) * h + y] = 0;
    }

    // One row pass: a removed pixel protects its right neighbour for this pass.
    bool thinRows() {
        bool changed = false;
        for (int y = 1; y <= h - 2; ++y) {
            const uint8_t* row = mask.row(y);
            for (int x = nextNonZero(row, 1, w - 1); x <= w - 2; x = nextNonZero(row, x + 1, w - 1)) {
                if (row[x - 1] && row[x + 1]) continue;
                if (kThinningTable[neighbourhoodCode(mask, x, y)]) {
                    whiten(x, y);
                    changed = true;
                    ++x;
                }
            }
        }
        return changed;
    }

    // One column pass: a removed pixel protects the pixel above it.
    bool thinColumns() {
        bool changed = false;
        for (int x = 1; x <= w - 2; ++x) {
            const uint8_t* column = columns.data() + static_cast<size_t>(x) * h;
            for (int y = nextNonZero(column, 1, h - 1); y <= h - 2; y = nextNonZero(column, y + 1, h - 1)) {
                if (column[y - 1] && column[y + 1]) continue;
                if (kThinningTable[neighbourhoodCode(mask, x, y)]) {
                    whiten(x, y);
                    changed = true;
                    ++y;
                }
            }
        }
        return changed;
    }
};

}  // namespace

int ThinMask(BlackMask& mask) {
    if (mask.width() < 3 || mask.height() < 3) return 1;
    ThinningState state(mask);
    int iterations = 0;
    bool changed = true;
    while (changed) {
        ++iterations;
        changed = state.thinRows();
        changed = state.thinColumns() || changed;
    }
    return iterations;
}

void RemoveJunctions(BlackMask& m) {
    const int w = m.width();
    for (int y = 1; y <= m.height() - 2; ++y) {
        const uint8_t* row = m.row(y);
        for (int x = nextNonZero(row, 1, w - 1); x <= w - 2; x = nextNonZero(row, x + 1, w - 1)) {
            if (!row[x] || m.blackNeighbours(x, y) < 3) continue;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) m.set(x + dx, y + dy, false);
            }
        }
    }
}

void FindEndpoints(const BlackMask& m, std::vector<IntPoint>& endpoints, size_t limit) {
    endpoints.clear();
    const int w = m.width();
    for (int y = 1; y <= m.height() - 2; ++y) {
        const uint8_t* row = m.row(y);
        for (int x = nextNonZero(row, 1, w - 1); x <= w - 2; x = nextNonZero(row, x + 1, w - 1)) {
            if (m.blackNeighbours(x, y) != 1) continue;
            if (endpoints.size() == limit) return;
            endpoints.push_back({x, y});
        }
    }
}

}  // namespace tarvel
