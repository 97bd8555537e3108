// Tracing the thin strokes into lines, pairing them into detection-line
// candidates and choosing the pair that fits the layout.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "recognition/locationsteps.h"
#include "recognition/pixelops.h"

namespace tarvel {
namespace {

// Neighbour order of the tracer: the row below, the same row, the row above.
constexpr int kStepX[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
constexpr int kStepY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};

// A and B lie this many points in from the ends, away from the bends that
// thinning leaves at stroke ends.
constexpr int kEndInset = 10;

bool insideTraceArea(IntPoint p, int w, int h) { return p.x >= 2 && p.x <= w - 2 && p.y >= 1 && p.y <= h - 2; }

}  // namespace

void LineTracer::tracePath(const BlackMask& m, IntPoint e) {
    path_.clear();
    const int w = m.width();
    const int h = m.height();
    const size_t pixels = static_cast<size_t>(w) * h;
    if (visited_.size() != pixels) {
        visited_.assign(pixels, 0);
        traceNumber_ = 0;
    }
    if (++traceNumber_ == 0) {  // wrapped: old marks could be mistaken for new ones
        std::fill(visited_.begin(), visited_.end(), 0);
        traceNumber_ = 1;
    }

    IntPoint first{};
    bool found = false;
    for (int k = 0; k < 8 && !found; ++k) {
        if (m.black(e.x + kStepX[k], e.y + kStepY[k])) {
            first = {e.x + kStepX[k], e.y + kStepY[k]};
            found = true;
        }
    }
    if (!found) return;

    IntPoint prev = e;
    IntPoint cur = first;
    while (path_.size() < static_cast<size_t>(kMaxPathPoints) && insideTraceArea(cur, w, h)) {
        IntPoint next{};
        bool any = false;
        for (int k = 0; k < 8; ++k) {
            IntPoint n{cur.x + kStepX[k], cur.y + kStepY[k]};
            if (m.black(n.x, n.y) && !(n == prev)) {
                next = n;
                any = true;
                break;
            }
        }
        if (!any) break;
        uint32_t& mark = visited_[static_cast<size_t>(next.y) * w + next.x];
        if (mark == traceNumber_) break;  // the stroke closes on itself
        mark = traceNumber_;
        path_.push_back(next);
        prev = cur;
        cur = next;
    }
}

void LineTracer::trace(const BlackMask& m, const std::vector<IntPoint>& endpoints, std::vector<DetectedLine>& lines) {
    lines.clear();
    const int w = m.width();
    const int h = m.height();
    for (const IntPoint& e : endpoints) {
        if (static_cast<int>(lines.size()) == kMaxLines) return;
        // The far end of a recorded line would only trace it again.
        bool known = std::any_of(lines.begin(), lines.end(),
                                 [&](const DetectedLine& l) { return l.startPoint == e || l.lastPoint == e; });
        if (known || !insideTraceArea(e, w, h)) continue;
        tracePath(m, e);
        const size_t n = path_.size();
        if (n <= kMinPathPoints) continue;
        DetectedLine line;
        line.startPoint = e;
        line.lastPoint = path_[n - 1];
        line.pointA = path_[kEndInset];
        line.pointB = path_[n - kEndInset];
        line.pathPoints = static_cast<int>(n);
        const double dx = line.pointB.x - line.pointA.x;
        const double dy = line.pointB.y - line.pointA.y;
        if (dx == 0) continue;  // vertical strokes are never detection lines
        line.angle = std::atan(dy / dx);
        line.length = std::sqrt(dx * dx + dy * dy);
        lines.push_back(line);
    }
}

void PairLines(std::vector<DetectedLine>& lines, std::vector<LinePair>& pairs) {
    pairs.clear();
    auto orderLeftToRight = [](DetectedLine& l) {
        if (l.pointB.x < l.pointA.x) std::swap(l.pointA, l.pointB);
    };
    const int n = static_cast<int>(lines.size());
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (std::fabs(lines[i].angle - lines[j].angle) > 0.1) continue;
            if (std::fabs(lines[i].length - lines[j].length) > 20) continue;
            if (static_cast<int>(pairs.size()) == kMaxPairs) return;
            orderLeftToRight(lines[i]);
            orderLeftToRight(lines[j]);
            pairs.push_back({i, j});
        }
    }
}

double expectedSpacing(const DetectedLine& lower, const CardTemplate& layout) {
    return static_cast<float>(lower.length / layout.lowerLineLength * layout.lineSpacing);
}

double measuredSpacing(const DetectedLine& lower, const DetectedLine& upper) {
    const int dx = upper.pointA.x - lower.pointA.x;
    const int dy = upper.pointA.y - lower.pointA.y;
    return std::sqrt(static_cast<double>(dx * dx + dy * dy));
}

int ChooseBestPair(const std::vector<DetectedLine>& lines, const std::vector<LinePair>& pairs,
                   const CardTemplate& layout) {
    double bound = 10000.0;
    int best = -1;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const DetectedLine& lower = lines[pairs[k].lower];
        const DetectedLine& upper = lines[pairs[k].upper];
        const double error = std::fabs(expectedSpacing(lower, layout) - measuredSpacing(lower, upper));
        if (error < bound) {  // strictly smaller: the earlier pair wins ties
            bound = error;
            best = static_cast<int>(k);
        }
    }
    return best;
}

bool isStraight(const DetectedLine& line) {
    // An 8-connected straight stroke takes one step per pixel of its longer
    // extent; a stroke that turns corners takes many more.
    const int steps = line.pathPoints - 2 * kEndInset;
    const int extent = std::max(std::abs(line.pointB.x - line.pointA.x), std::abs(line.pointB.y - line.pointA.y));
    return steps <= kStraightnessTolerance * extent;
}

bool pairFitsLayout(const DetectedLine& lower, const DetectedLine& upper, const CardTemplate& layout) {
    // The upper line must lie at least half the expected spacing away from
    // the lower one, measured across the lower line: strokes a few pixels
    // apart and strokes end to end are no card. No upper bound: a line cut
    // off by the picture's edge is short, so its expected spacing is too
    // small, and that card must reach its end walk to get its own code.
    const double dx = lower.pointB.x - lower.pointA.x;
    const double dy = lower.pointB.y - lower.pointA.y;
    const double across = std::fabs(dx * (upper.pointA.y - lower.pointA.y) - dy * (upper.pointA.x - lower.pointA.x)) /
                          std::hypot(dx, dy);
    return across >= (1 - kSpacingTolerance) * expectedSpacing(lower, layout) && isStraight(lower) &&
           isStraight(upper);
}

IntPoint FollowEdge(const Bitmap& binary, IntPoint from, int dir) {
    const int w = binary.width();
    const int h = binary.height();
    int x = from.x;
    int y = from.y;
    int steps = 0;
    while (x + dir >= 1 && x + dir <= w - 2 && y >= 1 && y <= h - 2) {
        const int nx = x + dir;
        int ny = y;
        if (binary.isBlack(nx, y + 1)) {
            ny = y + 1;
        } else if (binary.isBlack(nx, y)) {
            ny = y;
        } else if (binary.isBlack(nx, y - 1)) {
            ny = y - 1;
        } else {
            break;
        }
        if (ny < 1 || ny > h - 2) break;  // the picture border ends the follow
        x = nx;
        y = ny;
        ++steps;
    }
    return steps > 1 ? IntPoint{x, y} : from;
}

bool WalkLineEnd(const Bitmap& binary, const DetectedLine& line, bool leftEnd, IntPoint& end) {
    constexpr int kMaxSteps = 100;
    const int w = binary.width();
    const int h = binary.height();
    const IntPoint a = line.pointA;
    const IntPoint b = line.pointB;
    const int dir = leftEnd ? -1 : 1;
    end = leftEnd ? a : b;
    int x = end.x;
    int misses = 0;
    for (int steps = 0; steps < kMaxSteps; ++steps) {
        x += dir;
        const double along = static_cast<double>(b.y - a.y) * (x - a.x) / (b.x - a.x) + a.y;
        if (x <= 0 || x >= w - 1 || !(along > 0 && along < h - 1)) return false;
        const int y = static_cast<int>(along);
        if (y <= 0 || y >= h - 1) return false;
        if (binary.isBlack(x, y)) {
            end = {x, y};
            misses = 0;
        } else if (!binary.isBlack(x, y - 1) && !binary.isBlack(x, y + 1)) {
            break;
        } else if (++misses == 2) {
            // The stroke bends away from the straight line: follow its edge.
            end = FollowEdge(binary, end, dir);
            break;
        }
    }
    return true;
}

PointD RefineLineEnd(const Bitmap& color, const DetectedLine& line, IntPoint end, bool leftEnd) {
    const PointD walked{static_cast<double>(end.x), static_cast<double>(end.y)};
    const double dx = line.pointB.x - line.pointA.x;
    const double dy = line.pointB.y - line.pointA.y;
    const double n = std::hypot(dx, dy);
    if (dx == 0 || n == 0) return walked;
    // The walked end on the straight line; an end the edge follow moved off
    // that line keeps its walked place.
    const double onLine = line.pointA.y + dy * (end.x - line.pointA.x) / dx;
    if (std::fabs(onLine - end.y) > 1.5) return walked;
    const double dir = leftEnd ? -1 : 1;
    const double ux = dir * dx / n, uy = dir * dy / n;  // outward along the line
    const double nx = -uy, ny = ux;                     // across it

    // Gray at a point between pixel centres (bilinear); -1 outside the picture.
    auto gray = [&](double x, double y) {
        const int x0 = static_cast<int>(std::floor(x));
        const int y0 = static_cast<int>(std::floor(y));
        if (x0 < 0 || y0 < 0 || x0 + 1 >= color.width() || y0 + 1 >= color.height()) return -1.0;
        const double fx = x - x0, fy = y - y0;
        const double g00 = grayOfPixel(color.pixel(x0, y0)), g10 = grayOfPixel(color.pixel(x0 + 1, y0));
        const double g01 = grayOfPixel(color.pixel(x0, y0 + 1)), g11 = grayOfPixel(color.pixel(x0 + 1, y0 + 1));
        return (g00 * (1 - fx) + g10 * fx) * (1 - fy) + (g01 * (1 - fx) + g11 * fx) * fy;
    };
    // Profile along the line, each sample the darkest across it, so that a
    // centre line a pixel off the stroke's middle still sees its ink.
    constexpr double kStep = 0.25;
    constexpr int kFirst = -32, kLast = 32;  // -8 .. +8 pixels
    double profile[kLast - kFirst + 1];
    for (int i = kFirst; i <= kLast; ++i) {
        const double t = i * kStep;
        double darkest = 256;
        for (int k = -3; k <= 3; ++k) {
            const double g = gray(end.x + t * ux + 0.5 * k * nx, onLine + t * uy + 0.5 * k * ny);
            if (g < 0) return walked;
            darkest = std::min(darkest, g);
        }
        profile[i - kFirst] = darkest;
    }
    auto at = [&](int i) { return profile[i - kFirst]; };
    // Ink well inside the line, paper just beyond its end (not farther: the
    // orientation mark may follow the upper line a few pixels on).
    double ink = 0;
    for (int i = -32; i <= -16; ++i) ink += at(i);
    ink /= 17;
    double paper = 0;
    for (int i = 10; i <= 24; ++i) paper = std::max(paper, at(i));
    if (paper - ink < 40) return walked;
    const double half = (ink + paper) / 2;
    for (int i = -16; i <= 16; ++i) {
        if (at(i) < half) continue;
        if (i == -16) return walked;  // the line is lighter than half inside the walked end
        const double g0 = at(i - 1), g1 = at(i);
        const double t = (i - 1 + (half - g0) / (g1 - g0)) * kStep;
        return {end.x + t * ux, onLine + t * uy};
    }
    return walked;
}

}  // namespace tarvel
