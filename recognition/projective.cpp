// Rotation of the frame into the canvas, the projective transform between
// the canvas and the layout's geometry, and the field-of-view polygon test.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "recognition/locationsteps.h"

namespace tarvel {
namespace {

constexpr double kFixedOne = 65536.0;
// Frame centre and where it lands on the canvas.
constexpr double kCentreX = kFrameWidth / 2;
constexpr double kCentreY = kFrameHeight / 2;
constexpr double kOffsetX = (kCanvasSize - kFrameWidth) / 2;
constexpr double kOffsetY = (kCanvasSize - kFrameHeight) / 2;

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

// The integers X with lo <= a X + b <= hi, intersected with [first, last].
void clampLinear(int64_t a, int64_t b, int64_t lo, int64_t hi, int64_t& first, int64_t& last) {
    if (a > 0) {
        first = std::max(first, ceilDiv(lo - b, a));
        last = std::min(last, floorDiv(hi - b, a));
    } else if (a < 0) {
        first = std::max(first, ceilDiv(hi - b, a));
        last = std::min(last, floorDiv(lo - b, a));
    } else if (b < lo || b > hi) {
        last = first - 1;
    }
}

}  // namespace

int truncToInt(double v) {
    constexpr double kLimit = 1 << 30;
    if (!(v > -kLimit)) return -(1 << 30);
    if (v > kLimit) return 1 << 30;
    return static_cast<int>(v);
}

CanvasRotation::CanvasRotation(double theta) : cosine(std::cos(theta)), sine(std::sin(theta)) {
    const double c = cosine;
    const double s = sine;
    C = static_cast<int64_t>(c * kFixedOne);
    S = static_cast<int64_t>(s * kFixedOne);
    K1 = static_cast<int64_t>((kCentreX - (kCentreX + kOffsetX) * c + (kCentreY + kOffsetY) * s) * kFixedOne);
    K2 = static_cast<int64_t>((kCentreY - (kCentreX + kOffsetX) * s - (kCentreY + kOffsetY) * c) * kFixedOne);
}

PointD CanvasRotation::canvasPosition(double gx, double gy) const {
    // The copy reads frame pixel floor(M X + K) for canvas pixel X, with M
    // and K the 16.16 constants; the frame point's content (centre at
    // gx + 0.5) is shown around M^-1 (f - K), half a pixel on.
    const double fx = gx + 0.5 - K1 / kFixedOne, fy = gy + 0.5 - K2 / kFixedOne;
    const double c = C / kFixedOne, s = S / kFixedOne, det = c * c + s * s;
    return {(c * fx + s * fy) / det + 0.5, (-s * fx + c * fy) / det + 0.5};
}

IntPoint CanvasRotation::toCanvas(double gx, double gy) const {
    const double c = cosine;
    const double s = sine;
    return {truncToInt(kCentreX + (gx - kCentreX) * c + (gy - kCentreY) * s + kOffsetX + 1),
            truncToInt(kCentreY - (gx - kCentreX) * s + (gy - kCentreY) * c + kOffsetY + 1)};
}

void RotateIntoCanvas(const Bitmap& color, const CanvasRotation& r, Bitmap& canvas) {
    const int fw = color.width();
    const int fh = color.height();
    const int cw = canvas.width();
    const int ch = canvas.height();
    const int cbpp = canvas.bytesPerPixel();
    const int fbpp = color.bytesPerPixel();
    const int fstride = color.stride();
    // White for the pixels without a source; 4-byte pixels keep their fourth byte.
    auto whiten = [&](int Y, int64_t from, int64_t to) {
        uint8_t* p = canvas.row(Y) + from * cbpp;
        if (cbpp == 3) {
            std::memset(p, 255, static_cast<size_t>(to - from) * 3);
            return;
        }
        for (int64_t X = from; X < to; ++X, p += cbpp) p[0] = p[1] = p[2] = 255;
    };
    // The source pixels of one canvas row are those X whose (sx, sy) lies in
    // the frame: two linear conditions on the 16.16 sums, so one span, found
    // here directly instead of by stepping from the previous row's span.
    auto copyRow = [&](int Y) {
        int64_t first = 0;
        int64_t last = cw - 1;
        const int64_t bx = -Y * r.S + r.K1;
        const int64_t by = Y * r.C + r.K2;
        clampLinear(r.C, bx, 0, (static_cast<int64_t>(fw) << 16) - 1, first, last);
        clampLinear(r.S, by, 0, (static_cast<int64_t>(fh) << 16) - 1, first, last);
        if (first > last) return false;
        whiten(Y, 0, first);
        whiten(Y, last + 1, cw);
        uint8_t* out = canvas.row(Y) + first * cbpp;
        const uint8_t* source = color.data();
        int64_t sx = first * r.C + bx;  // 16.16 sums, stepped along the row
        int64_t sy = first * r.S + by;
        for (int64_t X = first; X <= last; ++X, out += cbpp, sx += r.C, sy += r.S) {
            const uint8_t* in = source + (sy >> 16) * fstride + (sx >> 16) * fbpp;
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
        return true;
    };
    const int centre = ch / 2;
    int Y = centre;
    while (Y < ch && copyRow(Y)) ++Y;
    for (; Y < ch; ++Y) whiten(Y, 0, cw);
    Y = centre - 1;
    while (Y >= 0 && copyRow(Y)) --Y;
    for (; Y >= 0; --Y) whiten(Y, 0, cw);
}

bool SolveLinear8(std::array<std::array<float, 9>, 8> a, std::array<float, 8>& x) {
    for (int k = 0; k < 8; ++k) {
        int pivot = k;
        for (int i = k + 1; i < 8; ++i) {
            if (std::fabs(a[i][k]) > std::fabs(a[pivot][k])) pivot = i;
        }
        if (!(a[pivot][k] != 0.0f) || !std::isfinite(a[pivot][k])) return false;
        if (pivot != k) {
            for (int j = k; j < 9; ++j) std::swap(a[k][j], a[pivot][j]);
        }
        for (int i = k + 1; i < 8; ++i) {
            const float f = a[i][k] / a[k][k];
            for (int j = k; j < 9; ++j) a[i][j] -= f * a[k][j];
        }
    }
    for (int i = 7; i >= 0; --i) {
        float sum = a[i][8];
        for (int j = i + 1; j < 8; ++j) sum -= a[i][j] * x[j];
        x[i] = sum / a[i][i];
        if (!std::isfinite(x[i])) return false;
    }
    return true;
}

bool SolveProjective(const std::array<IntPoint, 4>& from, const std::array<IntPoint, 4>& to, Projective& h) {
    std::array<PointD, 4> f, t;
    for (int k = 0; k < 4; ++k) {
        f[k] = {static_cast<double>(from[k].x), static_cast<double>(from[k].y)};
        t[k] = {static_cast<double>(to[k].x), static_cast<double>(to[k].y)};
    }
    return SolveProjective(f, t, h);
}

bool SolveProjective(const std::array<PointD, 4>& from, const std::array<PointD, 4>& to, Projective& h) {
    std::array<std::array<float, 9>, 8> a{};
    for (int k = 0; k < 4; ++k) {
        const float u = static_cast<float>(from[k].x);
        const float v = static_cast<float>(from[k].y);
        const float x = static_cast<float>(to[k].x);
        const float y = static_cast<float>(to[k].y);
        a[k] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
        a[k + 4] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
    }
    return SolveLinear8(a, h);
}

bool applyProjective(const Projective& h, float u, float v, float& x, float& y) {
    const float w = h[6] * u + h[7] * v + 1;
    x = (h[0] * u + h[1] * v + h[2]) / w;
    y = (h[3] * u + h[4] * v + h[5]) / w;
    return std::isfinite(x) && std::isfinite(y);
}

void WarpIntoCard(const Bitmap& canvas, const Projective& h, Bitmap& card) {
    const int size = card.width();
    const int bpp = card.bytesPerPixel();
    const int cbpp = canvas.bytesPerPixel();
    const int cstride = canvas.stride();
    const unsigned right = static_cast<unsigned>(std::min(canvas.width(), size));
    const unsigned top = static_cast<unsigned>(std::min(canvas.height(), card.height()));
    const uint8_t* source = canvas.data();
    std::vector<int> xs(size);
    std::vector<int> ys(size);
    // Values are limited to [-2, 1000] before truncation: the truncated value
    // then lies in 0 .. size-1 exactly when the exact one does, and NaN or
    // infinities never reach a conversion.
    auto limited = [](float v) { return v > -2.0f ? (v < 1000.0f ? v : 1000.0f) : -2.0f; };
    for (int l = 0; l < card.height(); ++l) {
        const float v = static_cast<float>(l);
        // The same sums as applyProjective, in a loop the compiler can vectorize.
        const float nx = h[1] * v;
        const float ny = h[4] * v;
        const float nw = h[7] * v;
        for (int m = 0; m < size; ++m) {
            const float u = static_cast<float>(m);
            const float w = h[6] * u + nw + 1;
            xs[m] = static_cast<int>(limited((h[0] * u + nx + h[2]) / w));
            ys[m] = static_cast<int>(limited((h[3] * u + ny + h[5]) / w));
        }
        uint8_t* out = card.row(l);
        for (int m = 0; m < size; ++m, out += bpp) {
            const unsigned x = static_cast<unsigned>(xs[m]);
            const unsigned y = static_cast<unsigned>(ys[m]);
            if (x < right && y < top) {
                const uint8_t* in = source + static_cast<size_t>(y) * cstride + static_cast<size_t>(x) * cbpp;
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
}

bool PointInPolygon(const std::array<IntPoint, 4>& polygon, IntPoint p) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const IntPoint& a = polygon[i];
        const IntPoint& b = polygon[j];
        // Half-open in y: an edge covers its lower end, not its upper one.
        if ((a.y > p.y) == (b.y > p.y)) continue;
        const double cross =
            a.x + static_cast<double>(p.y - a.y) * (static_cast<double>(b.x) - a.x) / (static_cast<double>(b.y) - a.y);
        if (p.x < cross) inside = !inside;
    }
    return inside;
}

}  // namespace tarvel
