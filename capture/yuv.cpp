#include "capture/yuv.h"

#include <algorithm>

namespace tarvel {
namespace {

// Fixed-point BT.601 coefficients (x 65536): 1.164 (luma), 2.017 (U->B),
// -0.392 (U->G), -0.813 (V->G), 1.596 (V->R).
struct YuvTables {
    int32_t y[256];
    int32_t ub[256];
    int32_t ug[256];
    int32_t vg[256];
    int32_t vr[256];
    // Entry k holds k - kClampOffset limited to 0..255. The widest reach of
    // the formulas (full-range input) is about -300..560, so the table is
    // made wide enough that every result clamps through it.
    static constexpr int kClampOffset = 512;
    uint8_t clampStore[kClampOffset * 3];

    YuvTables() {
        for (int i = 0; i < 256; ++i) {
            y[i] = 76309 * (i - 16);
            ub[i] = 132201 * (i - 128);
            ug[i] = -25674 * (i - 128);
            vg[i] = -53278 * (i - 128);
            vr[i] = 104597 * (i - 128);
        }
        for (int k = 0; k < kClampOffset * 3; ++k) {
            clampStore[k] = static_cast<uint8_t>(std::clamp(k - kClampOffset, 0, 255));
        }
    }
    uint8_t clamp(int32_t fixed) const { return clampStore[(fixed >> 16) + kClampOffset]; }

    // One output pixel from luma and the pair's chroma.
    void pixel(uint8_t* out, int luma, int u, int v) const {
        int32_t yy = y[luma];
        out[0] = clamp(yy + ub[u]);
        out[1] = clamp(yy + ug[u] + vg[v]);
        out[2] = clamp(yy + vr[v]);
    }
};

const YuvTables& tables() {
    static const YuvTables t;
    return t;
}

}  // namespace

void convertYuy2(int width, int height, const uint8_t* source, uint8_t* destination) {
    if (width <= 0 || height <= 0 || width % 4 != 0) return;
    const YuvTables& t = tables();
    const size_t rowOut = size_t(width) * 4;
    for (int i = 0; i < height; ++i) {
        const uint8_t* s = source + size_t(i) * width * 2;
        uint8_t* d = destination + size_t(height - 1 - i) * rowOut;
        for (int x = 0; x < width; x += 2, s += 4, d += 8) {
            t.pixel(d, s[0], s[1], s[3]);
            t.pixel(d + 4, s[2], s[1], s[3]);
        }
    }
}

void convertI420(int width, int height, const uint8_t* source, uint8_t* destination) {
    if (width <= 0 || height <= 0 || width % 4 != 0) return;
    const YuvTables& t = tables();
    const size_t rowOut = size_t(width) * 4;
    const size_t chromaWidth = size_t(width) / 2;
    const uint8_t* uPlane = source + size_t(width) * height;
    const uint8_t* vPlane = source + size_t(width) * height * 5 / 4;
    for (int i = 0; i < height; ++i) {
        const uint8_t* ys = source + size_t(i) * width;
        const uint8_t* us = uPlane + size_t(i / 2) * chromaWidth;
        const uint8_t* vs = vPlane + size_t(i / 2) * chromaWidth;
        uint8_t* d = destination + size_t(height - 1 - i) * rowOut;
        for (int x = 0; x < width; x += 2, d += 8) {
            const int u = us[x / 2];
            const int v = vs[x / 2];
            t.pixel(d, ys[x], u, v);
            t.pixel(d + 4, ys[x + 1], u, v);
        }
    }
}

}  // namespace tarvel
