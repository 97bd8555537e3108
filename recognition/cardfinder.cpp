#include "recognition/cardfinder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "recognition/pixelops.h"

namespace tarvel {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Ink: at most 72 % of the mean gray of the 25 x 25 pixels around it.
constexpr int kMeanRadius = 12;
constexpr int kInkPercent = 72;
// A bar is at least this long in the overview; shorter lines cannot be told
// from print.
constexpr double kShortestBar = 30;
// Bars kept for pairing, longest first.
constexpr size_t kMostBars = 40;

struct Bar {
    double cx = 0, cy = 0;  // centre
    double length = 0, width = 0;
    double angle = 0;       // of the long axis, radians, y downward
};

class InkMap {
public:
    explicit InkMap(const Bitmap& picture) : w_(picture.width()), h_(picture.height()) {
        std::vector<uint8_t> gray(size_t(w_) * h_);
        for (int r = 0; r < h_; ++r) {
            const uint8_t* p = picture.rowFromTop(r);
            for (int x = 0; x < w_; ++x, p += picture.bytesPerPixel()) gray[size_t(r) * w_ + x] = uint8_t(grayOfPixel(p));
        }
        // Sums over every rectangle from the integral image.
        std::vector<uint32_t> sum(size_t(w_ + 1) * (h_ + 1), 0);
        for (int r = 0; r < h_; ++r) {
            uint32_t row = 0;
            for (int x = 0; x < w_; ++x) {
                row += gray[size_t(r) * w_ + x];
                sum[size_t(r + 1) * (w_ + 1) + x + 1] = sum[size_t(r) * (w_ + 1) + x + 1] + row;
            }
        }
        ink_.assign(size_t(w_) * h_, 0);
        for (int r = 0; r < h_; ++r) {
            const int r0 = std::max(0, r - kMeanRadius), r1 = std::min(h_, r + kMeanRadius + 1);
            for (int x = 0; x < w_; ++x) {
                const int x0 = std::max(0, x - kMeanRadius), x1 = std::min(w_, x + kMeanRadius + 1);
                const uint64_t total = uint64_t(sum[size_t(r1) * (w_ + 1) + x1]) - sum[size_t(r0) * (w_ + 1) + x1] -
                                       sum[size_t(r1) * (w_ + 1) + x0] + sum[size_t(r0) * (w_ + 1) + x0];
                const uint64_t area = uint64_t(r1 - r0) * (x1 - x0);
                ink_[size_t(r) * w_ + x] = uint64_t(gray[size_t(r) * w_ + x]) * area * 100 < total * kInkPercent;
            }
        }
    }

    int width() const { return w_; }
    int height() const { return h_; }
    bool ink(int x, int r) const { return x >= 0 && r >= 0 && x < w_ && r < h_ && ink_[size_t(r) * w_ + x]; }

    // Every 8-connected patch of ink that is shaped like a bar.
    std::vector<Bar> bars() const {
        std::vector<uint8_t> seen(ink_.size(), 0);
        std::vector<int> stack;
        std::vector<Bar> out;
        for (int start = 0; start < w_ * h_; ++start) {
            if (!ink_[size_t(start)] || seen[size_t(start)]) continue;
            int64_t n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
            seen[size_t(start)] = 1;
            stack.assign(1, start);
            while (!stack.empty()) {
                const int i = stack.back();
                stack.pop_back();
                const int x = i % w_, y = i / w_;
                ++n, sx += x, sy += y, sxx += int64_t(x) * x, syy += int64_t(y) * y, sxy += int64_t(x) * y;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w_ || ny >= h_) continue;
                        const size_t j = size_t(ny) * w_ + nx;
                        if (ink_[j] && !seen[j]) {
                            seen[j] = 1;
                            stack.push_back(int(j));
                        }
                    }
                }
            }
            Bar bar;
            if (describe(n, sx, sy, sxx, syy, sxy, bar)) out.push_back(bar);
        }
        std::sort(out.begin(), out.end(), [](const Bar& a, const Bar& b) { return a.length > b.length; });
        if (out.size() > kMostBars) out.resize(kMostBars);
        return out;
    }

private:
    // A patch is a bar when its moments are those of a long, thin, solid
    // rectangle: a uniform bar of length l has variance (l^2 - 1) / 12 along
    // it, of width w (w^2 - 1) / 12 across.
    static bool describe(int64_t n, int64_t sx, int64_t sy, int64_t sxx, int64_t syy, int64_t sxy, Bar& bar) {
        if (n < 20) return false;
        const double mx = double(sx) / n, my = double(sy) / n;
        const double vxx = double(sxx) / n - mx * mx, vyy = double(syy) / n - my * my, vxy = double(sxy) / n - mx * my;
        const double mid = (vxx + vyy) / 2, spread = std::sqrt((vxx - vyy) * (vxx - vyy) / 4 + vxy * vxy);
        bar.length = std::sqrt(12 * (mid + spread) + 1);
        bar.width = std::sqrt(std::max(0.0, 12 * (mid - spread)) + 1);
        if (bar.length < kShortestBar) return false;
        // A detection line is about 1/70 of its length thick; the overview's
        // averaging widens it by a pixel or two.
        if (bar.width > 0.04 * bar.length + 3) return false;
        if (double(n) < 0.5 * bar.length * bar.width) return false;
        bar.cx = mx;
        bar.cy = my;
        bar.angle = 0.5 * std::atan2(2 * vxy, vxx - vyy);
        return true;
    }

    int w_, h_;
    std::vector<uint8_t> ink_;
};

struct Pair {
    const Bar* a;
    const Bar* b;
    double error;
};

// Ink beyond the upper line of a sighting: a band of the card 2 to 10 cells
// above it, over the line's length.
int inkAbove(const InkMap& map, const CardSighting& s, const CardTemplate& t) {
    int count = 0;
    for (int i = 0; i < 48; ++i) {
        for (int j = 0; j < 16; ++j) {
            double x, y;
            s.at(t.lowerLineLength * (i + 0.5) / 48, t.cellHeight * (2 + 8 * (j + 0.5) / 16), x, y);
            count += map.ink(int(std::lround(x)), int(std::lround(y)));
        }
    }
    return count;
}

// The card whose lower line is `lower` and upper line `upper`.
CardSighting sightingOf(const Bar& lower, const Bar& upper, double length, const CardTemplate& t, double error) {
    CardSighting s;
    s.error = error;
    s.unitPixels = length / t.lowerLineLength;
    // Across the lines, from the lower one toward the upper one.
    double ux = -std::sin(lower.angle), uy = std::cos(lower.angle);
    if ((upper.cx - lower.cx) * ux + (upper.cy - lower.cy) * uy < 0) ux = -ux, uy = -uy;
    s.upX = ux, s.upY = uy;
    // The card's right is its up turned a quarter clockwise on screen.
    s.rightX = -uy, s.rightY = ux;
    s.upperLeftX = upper.cx - s.rightX * length / 2;
    s.upperLeftY = upper.cy - s.rightY * length / 2;
    return s;
}

}  // namespace

std::vector<CardSighting> findCards(const Bitmap& overview, const CardTemplate& t, int most) {
    std::vector<CardSighting> out;
    if (overview.empty() || !(t.lowerLineLength > 0) || !(t.lineSpacing > 0)) return out;
    const InkMap map(overview);
    const std::vector<Bar> bars = map.bars();
    const double spacingShare = double(t.lineSpacing) / t.lowerLineLength;
    std::vector<Pair> pairs;
    for (size_t i = 0; i < bars.size(); ++i) {
        for (size_t j = i + 1; j < bars.size(); ++j) {
            const Bar& a = bars[i];
            const Bar& b = bars[j];
            double turn = std::fabs(a.angle - b.angle);
            turn = std::min(turn, kPi - turn);
            const double length = (a.length + b.length) / 2;
            // Parallel, about as long (a tilted camera shortens the far
            // line, the orientation mark may lengthen the upper one), side
            // by side, as far apart as the layout puts them.
            if (turn > 0.1 || std::fabs(a.length - b.length) > 0.2 * length) continue;
            const double dx = b.cx - a.cx, dy = b.cy - a.cy;
            const double along = std::fabs(dx * std::cos(a.angle) + dy * std::sin(a.angle));
            const double across = std::fabs(-dx * std::sin(a.angle) + dy * std::cos(a.angle));
            const double expected = length * spacingShare;
            const double spacingError = std::fabs(across - expected) / expected;
            if (along > 0.15 * length || spacingError > 0.15) continue;
            pairs.push_back({&a, &b, spacingError + along / length + std::fabs(a.length - b.length) / length});
        }
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair& p, const Pair& q) { return p.error < q.error; });
    for (size_t k = 0; k < pairs.size() && int(k) < most; ++k) {
        const Pair& p = pairs[k];
        const double length = (p.a->length + p.b->length) / 2;
        CardSighting first = sightingOf(*p.a, *p.b, length, t, p.error);
        CardSighting second = sightingOf(*p.b, *p.a, length, t, p.error);
        if (inkAbove(map, second, t) > inkAbove(map, first, t)) std::swap(first, second);
        out.push_back(first);
        out.push_back(second);
    }
    return out;
}

}  // namespace tarvel
