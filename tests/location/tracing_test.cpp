// Tracing, pairing and the choice of the pair, and the end walks.
#include <gtest/gtest.h>

#include <cmath>

#include "recognition/locationsteps.h"
#include "recognition/pixelops.h"

namespace tarvel {
namespace {

std::vector<DetectedLine> traceAll(const BlackMask& m) {
    std::vector<IntPoint> ends;
    FindEndpoints(m, ends);
    std::vector<DetectedLine> lines;
    LineTracer tracer;
    tracer.trace(m, ends, lines);
    return lines;
}

BlackMask horizontalStroke(int from, int length, int y) {
    BlackMask m(640, 100);
    for (int x = from; x < from + length; ++x) m.set(x, y, true);
    return m;
}

TEST(Tracing, StrokesNeedMoreThan200PathPoints) {
    // The path leaves out the endpoint and its neighbour: 203 pixels give 201 points.
    EXPECT_TRUE(traceAll(horizontalStroke(10, 202, 50)).empty());
    std::vector<DetectedLine> lines = traceAll(horizontalStroke(10, 203, 50));
    ASSERT_EQ(lines.size(), 1u);  // the far end is the line's last point and is skipped
    const DetectedLine& l = lines[0];
    EXPECT_EQ(l.startPoint, (IntPoint{10, 50}));
    EXPECT_EQ(l.lastPoint, (IntPoint{212, 50}));
    EXPECT_EQ(l.pointA, (IntPoint{22, 50}));   // path[10]; path[0] is x = 12
    EXPECT_EQ(l.pointB, (IntPoint{203, 50}));  // path[201 - 10]
    EXPECT_DOUBLE_EQ(l.length, 181);
    EXPECT_DOUBLE_EQ(l.angle, 0);
}

TEST(Tracing, VerticalStrokesAndStrokesAtTheBorderAreNotLines) {
    BlackMask vertical(640, 480);
    for (int y = 20; y < 400; ++y) vertical.set(100, y, true);
    EXPECT_TRUE(traceAll(vertical).empty());
    // Slanted by one pixel, the same stroke is a line of angle near pi/2.
    for (int y = 200; y < 400; ++y) {
        vertical.set(100, y, false);
        vertical.set(101, y, true);
    }
    std::vector<DetectedLine> lines = traceAll(vertical);
    ASSERT_FALSE(lines.empty());
    EXPECT_GT(std::fabs(lines[0].angle), 1.5);
    // An endpoint in column 1 is never traced from.
    BlackMask border(640, 100);
    for (int x = 1; x < 400; ++x) border.set(x, 50, true);
    lines = traceAll(border);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].startPoint, (IntPoint{399, 50}));
}

TEST(Tracing, PathStopsAtItsCapacity) {
    // A serpentine of 4254 pixels whose turns touch only their neighbours.
    BlackMask m(640, 480);
    for (int row = 0; row < 7; ++row) {
        const int y = 20 + row * 10;
        for (int x = 10; x < 610; ++x) m.set(x, y, true);
        if (row < 6) {
            for (int dy = 1; dy < 10; ++dy) m.set(row % 2 ? 9 : 610, y + dy, true);
        }
    }
    LineTracer tracer;
    tracer.tracePath(m, {10, 20});
    EXPECT_EQ(tracer.lastPath().size(), static_cast<size_t>(kMaxPathPoints));
    std::vector<DetectedLine> lines = traceAll(m);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].lastPoint, tracer.lastPath().back());
    EXPECT_EQ(lines[0].pointB, tracer.lastPath()[kMaxPathPoints - 10]);
}

TEST(Tracing, LineListStopsAtItsCapacity) {
    // 1100 long strokes in a tall picture; 1024 are kept.
    BlackMask m(640, 2300);
    for (int k = 0; k < 1100; ++k) {
        for (int x = 10; x < 310; ++x) m.set(x, 10 + 2 * k, true);
    }
    std::vector<IntPoint> ends;
    FindEndpoints(m, ends);  // the endpoint list holds only 1024 of 2200
    std::vector<IntPoint> all;
    for (int k = 0; k < 1100; ++k) all.push_back({10, 10 + 2 * k});
    std::vector<DetectedLine> lines;
    LineTracer tracer;
    tracer.trace(m, all, lines);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kMaxLines));
    EXPECT_EQ(lines.back().startPoint, (IntPoint{10, 10 + 2 * 1023}));
}

DetectedLine lineAt(int y, double length, double angle = 0) {
    DetectedLine l;
    l.pointA = {100, y};
    l.pointB = {100 + static_cast<int>(length), y};
    l.length = length;
    l.angle = angle;
    l.pathPoints = static_cast<int>(length) + 20;
    return l;
}

TEST(Pairing, AnglesWithinPointOneAndLengthsWithinTwentyPair) {
    std::vector<DetectedLine> lines = {lineAt(0, 300, 0.0), lineAt(100, 320, 0.1), lineAt(200, 321, 0.1),
                                       lineAt(300, 300, 0.2001)};
    std::vector<LinePair> pairs;
    PairLines(lines, pairs);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].lower, 0);
    EXPECT_EQ(pairs[0].upper, 1);
    EXPECT_EQ(pairs[1].lower, 1);
    EXPECT_EQ(pairs[1].upper, 2);
}

TEST(Pairing, PairedLinesRunLeftToRightAndPairsStopAtTen) {
    std::vector<DetectedLine> lines;
    for (int k = 0; k < 6; ++k) lines.push_back(lineAt(50 * k, 300));
    std::swap(lines[3].pointA, lines[3].pointB);
    std::vector<LinePair> pairs;
    PairLines(lines, pairs);
    ASSERT_EQ(pairs.size(), static_cast<size_t>(kMaxPairs));  // 15 would pair
    EXPECT_EQ(pairs.back().lower, 2);
    EXPECT_EQ(pairs.back().upper, 3);
    EXPECT_LT(lines[3].pointA.x, lines[3].pointB.x);
}

TEST(BestPair, SmallestSpacingErrorWinsAndTheEarlierPairOnTies) {
    CardTemplate layout;
    layout.lowerLineLength = 300;
    layout.lineSpacing = 100;  // 300 pixels long: 100 apart expected
    std::vector<DetectedLine> lines = {lineAt(0, 300), lineAt(100, 300), lineAt(200, 300)};
    std::vector<LinePair> pairs = {{0, 1}, {1, 2}, {0, 2}};
    EXPECT_EQ(ChooseBestPair(lines, pairs, layout), 0);
    pairs = {{0, 2}, {1, 2}, {0, 1}};
    EXPECT_EQ(ChooseBestPair(lines, pairs, layout), 1);
    lines[1].pointA.y = 97;  // (0, 1) 3 short, (1, 2) 3 long: a tie
    pairs = {{0, 1}, {1, 2}};
    EXPECT_EQ(ChooseBestPair(lines, pairs, layout), 0);
    lines[2].pointA.y = 199;  // now (1, 2) is only 2 off
    EXPECT_EQ(ChooseBestPair(lines, pairs, layout), 1);
    EXPECT_EQ(ChooseBestPair(lines, {}, layout), -1);
}

TEST(PairCheck, LinesMustRunStraightAndLieNearTheExpectedSpacing) {
    // An L-shaped stroke: 150 pixels along, 100 up.
    BlackMask bent(640, 480);
    for (int x = 100; x < 250; ++x) bent.set(x, 100, true);
    for (int y = 101; y < 200; ++y) bent.set(249, y, true);
    std::vector<DetectedLine> lines = traceAll(bent);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_FALSE(isStraight(lines[0]));
    std::vector<DetectedLine> straight = traceAll(horizontalStroke(10, 300, 50));
    ASSERT_EQ(straight.size(), 1u);
    EXPECT_TRUE(isStraight(straight[0]));

    CardTemplate layout;
    layout.lowerLineLength = 300;
    layout.lineSpacing = 100;  // 300 pixels long: 100 apart expected
    const DetectedLine lower = lineAt(0, 300);
    // Only too near is refused: a line cut off by the picture's edge makes
    // the expected spacing small, and that card must reach its end walk.
    for (int y : {50, 150, 151, 300}) EXPECT_TRUE(pairFitsLayout(lower, lineAt(y, 300), layout)) << y;
    for (int y : {10, 49}) EXPECT_FALSE(pairFitsLayout(lower, lineAt(y, 300), layout)) << y;
    // End to end: far apart, but along the line rather than across it.
    DetectedLine following = lineAt(5, 300);
    following.pointA.x += 320;
    following.pointB.x += 320;
    EXPECT_FALSE(pairFitsLayout(lower, following, layout));
}

Bitmap whiteFrame() { return Bitmap(kFrameWidth, kFrameHeight, 3); }

void blackRect(Bitmap& b, int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) b.setPixel(x, y, 0, 0, 0);
    }
}

TEST(EndWalk, FindsTheStrokeEndsAlongTheLine) {
    Bitmap binary = whiteFrame();
    blackRect(binary, 100, 198, 500, 202);
    DetectedLine line;
    line.pointA = {150, 200};
    line.pointB = {450, 200};
    IntPoint end;
    ASSERT_TRUE(WalkLineEnd(binary, line, true, end));
    EXPECT_EQ(end, (IntPoint{100, 200}));
    ASSERT_TRUE(WalkLineEnd(binary, line, false, end));
    EXPECT_EQ(end, (IntPoint{450 + 50, 200}));
    // Only 100 steps are walked.
    blackRect(binary, 500, 198, 620, 202);
    ASSERT_TRUE(WalkLineEnd(binary, line, false, end));
    EXPECT_EQ(end, (IntPoint{550, 200}));
}

TEST(EndWalk, BendingStrokeIsFollowedAlongItsEdge) {
    Bitmap binary = whiteFrame();
    blackRect(binary, 100, 200, 300, 200);
    for (int k = 1; k <= 20; ++k) binary.setPixel(300 + k, 200 + (k + 1) / 2, 0, 0, 0);  // rises, 1 in 2
    DetectedLine line;
    line.pointA = {120, 200};
    line.pointB = {280, 200};
    IntPoint end;
    ASSERT_TRUE(WalkLineEnd(binary, line, false, end));
    EXPECT_EQ(end, (IntPoint{320, 210}));
}

TEST(EndWalk, RunningOutOfThePictureFails) {
    Bitmap binary = whiteFrame();
    blackRect(binary, 0, 98, 300, 102);
    DetectedLine line;
    line.pointA = {20, 100};
    line.pointB = {280, 100};
    IntPoint end;
    EXPECT_FALSE(WalkLineEnd(binary, line, true, end));
    // A slope that leaves through the bottom row.
    line.pointA = {20, 3};
    line.pointB = {280, 60};
    Bitmap sloped = whiteFrame();
    for (int x = 0; x < 300; ++x) {
        const int y = 3 + (x - 20) * 57 / 260;
        if (y >= 0) blackRect(sloped, x, std::max(0, y - 1), x, y + 1);
    }
    EXPECT_FALSE(WalkLineEnd(sloped, line, true, end));
}

TEST(EndWalk, EdgeFollowStopsAtThePictureBorder) {
    Bitmap binary = whiteFrame();
    for (int k = 0; k < 40; ++k) binary.setPixel(600 + k, 440 + k, 0, 0, 0);  // into the top right corner
    const IntPoint end = FollowEdge(binary, {600, 440}, 1);
    EXPECT_EQ(end, (IntPoint{638, 478}));
    Bitmap flat = whiteFrame();
    blackRect(flat, 0, 10, 100, 10);
    EXPECT_EQ(FollowEdge(flat, {50, 10}, -1), (IntPoint{1, 10}));
}

}  // namespace
}  // namespace tarvel

namespace tarvel {
namespace {

// A printed line three pixels thick photographed out of focus: its gray at
// every pixel centre from the exact coverage of the blurred stroke. Ends in
// pixel units (pixel centres at whole numbers).
struct BlurredLine {
    double x0, y0, length, angle, sigma;
    Bitmap color{640, 480, 3};
    Bitmap binary{640, 480, 3};

    BlurredLine(double x0_, double y0_, double length_, double angle_, double sigma_)
        : x0(x0_), y0(y0_), length(length_), angle(angle_), sigma(sigma_) {
        auto phi = [&](double t) { return 0.5 * std::erfc(-t / (sigma * std::sqrt(2.0))); };
        const double c = std::cos(angle), s = std::sin(angle);
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const double u = (x - x0) * c + (y - y0) * s, v = -(x - x0) * s + (y - y0) * c;
                const bool near = std::fabs(v) < 8 && u > -8 && u < length + 8;
                const double cover = near ? (phi(u) - phi(u - length)) * (phi(v + 1.5) - phi(v - 1.5)) : 0;
                const auto g = static_cast<uint8_t>(205 - 180 * cover + 0.5);
                color.setPixel(x, y, g, g, g);
                binary.setPixel(x, y, g, g, g);
            }
        }
        BinarizeFixed(binary, 100);
    }
    PointD end(bool left) const {
        return left ? PointD{x0, y0} : PointD{x0 + length * std::cos(angle), y0 + length * std::sin(angle)};
    }
    DetectedLine traced() const {
        auto at = [&](double u) {
            return IntPoint{static_cast<int>(std::lround(x0 + u * std::cos(angle))),
                            static_cast<int>(std::lround(y0 + u * std::sin(angle)))};
        };
        DetectedLine l;
        l.pointA = at(15);
        l.pointB = at(length - 15);
        return l;
    }
};

TEST(LineEnds, BlurredEndsAreMeasuredToHalfAPixel) {
    // Along-line error of the walked and of the refined ends.
    double worstWalked = 0, worstRefined = 0;
    for (double sigma : {0.7, 1.5}) {
        for (double angle : {0.0, 0.06, -0.09}) {
            for (double start : {100.0, 100.3, 100.7}) {
                const BlurredLine line(start, 200.4, 380.6, angle, sigma);
                const DetectedLine traced = line.traced();
                for (bool left : {true, false}) {
                    IntPoint walked;
                    ASSERT_TRUE(WalkLineEnd(line.binary, traced, left, walked));
                    const PointD refined = RefineLineEnd(line.color, 100, traced, walked, left);
                    const PointD truth = line.end(left);
                    const double dir = left ? -1 : 1;
                    auto along = [&](double x, double y) {
                        return dir * ((x - truth.x) * std::cos(angle) + (y - truth.y) * std::sin(angle));
                    };
                    worstWalked = std::min(worstWalked, along(walked.x, walked.y));
                    const double error = along(refined.x, refined.y);
                    worstRefined = std::max(worstRefined, std::fabs(error));
                    EXPECT_LT(std::fabs(error), 0.5) << "sigma " << sigma << " angle " << angle << " start " << start
                                                     << (left ? " left" : " right");
                }
            }
        }
    }
    EXPECT_LT(worstWalked, -1.0) << "the walk alone stops inside soft ends";
    EXPECT_LT(worstRefined, 0.5);
}

TEST(LineEnds, WithoutAClearEndTheWalkedEndStays) {
    // A line so faint against its paper that no halfway level is trustworthy.
    Bitmap color(640, 480, 3);
    Bitmap binary(640, 480, 3);
    for (int x = 100; x < 500; ++x) {
        for (int y = 199; y <= 201; ++y) {
            color.setPixel(x, y, 230, 230, 230);
            binary.setPixel(x, y, 0, 0, 0);
        }
    }
    DetectedLine l;
    l.pointA = {115, 200};
    l.pointB = {485, 200};
    IntPoint walked;
    ASSERT_TRUE(WalkLineEnd(binary, l, false, walked));
    const PointD refined = RefineLineEnd(color, 100, l, walked, false);
    EXPECT_EQ(refined.x, walked.x);
    EXPECT_EQ(refined.y, walked.y);
}

// The profile must explain the walk: it rises through the walk's threshold
// within about a pixel of the walked end, on the stroke. Otherwise it looked
// at something else, and the walked end stands.
TEST(LineEnds, ARefinementTheWalkDoesNotBearOutIsNotUsed) {
    const BlurredLine line(100.3, 200.4, 380.6, 0.0, 1.0);
    const DetectedLine traced = line.traced();
    IntPoint walked;
    ASSERT_TRUE(WalkLineEnd(line.binary, traced, false, walked));
    const PointD good = RefineLineEnd(line.color, 100, traced, walked, false);
    EXPECT_NEAR(good.x, line.end(false).x, 0.5);
    // The same end as if the walk had stopped three pixels short (a gap in a
    // worn line), or had gone on three pixels (onto a mark beyond the end).
    for (int off : {-3, 3}) {
        const IntPoint moved{walked.x + off, walked.y};
        const PointD refined = RefineLineEnd(line.color, 100, traced, moved, false);
        EXPECT_EQ(refined.x, moved.x) << off;
    }
    // A walked end beside the stroke (the edge follow bent away from it).
    const IntPoint beside{walked.x, walked.y + 4};
    const PointD refined = RefineLineEnd(line.color, 100, traced, beside, false);
    EXPECT_EQ(refined.x, beside.x);
    EXPECT_EQ(refined.y, beside.y);
}

}  // namespace
}  // namespace tarvel
