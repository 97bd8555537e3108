// Rotation in fixed point, the single-precision 8 x 8 solve, the warp and the
// field-of-view polygon test.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "recognition/locationsteps.h"

namespace tarvel {
namespace {

const double kAngles[] = {0, 0.05, -0.1, 0.3, -0.8, 1.2, -1.5};

TEST(Rotation, FixedPointFollowsTheExactRotation) {
    for (double theta : kAngles) {
        const CanvasRotation r(theta);
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        for (int Y = 0; Y < kCanvasSize; Y += 7) {
            for (int X = 0; X < kCanvasSize; X += 3) {
                // The canvas pixel shows the frame point turned back by theta about the centre.
                const double fx = 320 + (X - 400) * c - (Y - 400) * s;
                const double fy = 240 + (X - 400) * s + (Y - 400) * c;
                ASSERT_NEAR(r.sourceX(X, Y), std::floor(fx), 1) << theta << " " << X << "," << Y;
                ASSERT_NEAR(r.sourceY(X, Y), std::floor(fy), 1) << theta << " " << X << "," << Y;
            }
        }
        // A frame point taken to the canvas comes back to itself.
        const IntPoint p = r.toCanvas(100, 50);
        EXPECT_NEAR(r.sourceX(p.x, p.y), 100, 2);
        EXPECT_NEAR(r.sourceY(p.x, p.y), 50, 2);
    }
}

// The canvas pixels that show one frame pixel lie, on average, where
// canvasPosition puts that pixel's content: the mended warp builds on it.
TEST(Rotation, AFramePixelShowsWhereCanvasPositionPutsIt) {
    Bitmap color(kFrameWidth, kFrameHeight, 3);
    Bitmap canvas(kCanvasSize, kCanvasSize, 3);
    for (double theta : {0.0, 0.03, -0.07, 0.2}) {
        const CanvasRotation r(theta);
        for (const IntPoint p : {IntPoint{100, 50}, IntPoint{333, 201}, IntPoint{600, 430}}) {
            color.fill(255, 255, 255);
            color.setPixel(p.x, p.y, 0, 0, 0);
            RotateIntoCanvas(color, r, canvas);
            double sx = 0, sy = 0;
            int n = 0;
            for (int Y = 0; Y < kCanvasSize; ++Y) {
                for (int X = 0; X < kCanvasSize; ++X) {
                    if (!canvas.isBlack(X, Y)) continue;
                    sx += X + 0.5, sy += Y + 0.5, ++n;
                }
            }
            ASSERT_GT(n, 0);
            const PointD at = r.canvasPosition(p.x, p.y);
            EXPECT_NEAR(sx / n, at.x, 0.75) << theta << " " << p.x << "," << p.y;
            EXPECT_NEAR(sy / n, at.y, 0.75) << theta << " " << p.x << "," << p.y;
        }
    }
}

TEST(Rotation, RowSpansCopyExactlyThePixelsThatHaveASource) {
    std::mt19937 random(5);
    Bitmap color(kFrameWidth, kFrameHeight, 3);
    for (size_t i = 0; i < color.byteSize(); ++i) color.data()[i] = static_cast<uint8_t>(random() % 255);
    Bitmap canvas(kCanvasSize, kCanvasSize, 4);
    for (double theta : kAngles) {
        const CanvasRotation r(theta);
        RotateIntoCanvas(color, r, canvas);
        int copied = 0;
        for (int Y = 0; Y < kCanvasSize; ++Y) {
            for (int X = 0; X < kCanvasSize; ++X) {
                const int sx = r.sourceX(X, Y);
                const int sy = r.sourceY(X, Y);
                const uint8_t* got = canvas.pixel(X, Y);
                if (sx >= 0 && sx < kFrameWidth && sy >= 0 && sy < kFrameHeight) {
                    const uint8_t* want = color.pixel(sx, sy);
                    ASSERT_TRUE(got[0] == want[0] && got[1] == want[1] && got[2] == want[2])
                        << theta << " " << X << "," << Y;
                    ++copied;
                } else {
                    ASSERT_TRUE(got[0] == 255 && got[1] == 255 && got[2] == 255) << theta << " " << X << "," << Y;
                }
            }
        }
        EXPECT_NEAR(copied, kFrameWidth * kFrameHeight, kFrameWidth * kFrameHeight / 50);
    }
}

// The same elimination in double precision, as the reference.
std::array<double, 8> solveDouble(const std::array<IntPoint, 4>& from, const std::array<IntPoint, 4>& to) {
    double a[8][9] = {};
    for (int k = 0; k < 4; ++k) {
        const double u = from[k].x, v = from[k].y, x = to[k].x, y = to[k].y;
        const double r0[9] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
        const double r1[9] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
        std::copy(r0, r0 + 9, a[k]);
        std::copy(r1, r1 + 9, a[k + 4]);
    }
    for (int k = 0; k < 8; ++k) {
        int p = k;
        for (int i = k + 1; i < 8; ++i) {
            if (std::fabs(a[i][k]) > std::fabs(a[p][k])) p = i;
        }
        std::swap(a[k], a[p]);
        for (int i = k + 1; i < 8; ++i) {
            const double f = a[i][k] / a[k][k];
            for (int j = k; j < 9; ++j) a[i][j] -= f * a[k][j];
        }
    }
    std::array<double, 8> x{};
    for (int i = 7; i >= 0; --i) {
        double sum = a[i][8];
        for (int j = i + 1; j < 8; ++j) sum -= a[i][j] * x[j];
        x[i] = sum / a[i][i];
    }
    return x;
}

TEST(Projective, SinglePrecisionSolveAgreesWithDoublePrecision) {
    std::mt19937 random(9);
    std::uniform_int_distribution<int> jitter(-30, 30);
    for (int trial = 0; trial < 200; ++trial) {
        // Template corners and line ends as location produces them.
        const int x1 = 150 + jitter(random), y1 = 250 + jitter(random);
        const int x2 = x1 + 440 + jitter(random);
        const int rise = 175 + jitter(random) / 3;
        const std::array<IntPoint, 4> q = {{{x1, y1}, {x2, y1}, {x1, y1 + rise}, {x2, y1 + rise}}};
        std::array<IntPoint, 4> p = q;
        for (int k = 2; k < 4; ++k) p[k] = {q[k].x + jitter(random), q[k].y + jitter(random) / 2};
        Projective h;
        ASSERT_TRUE(SolveProjective(q, p, h));
        const std::array<double, 8> ref = solveDouble(q, p);
        for (int k = 0; k < 4; ++k) {
            float x, y;
            ASSERT_TRUE(applyProjective(h, q[k].x, q[k].y, x, y));
            EXPECT_NEAR(x, p[k].x, 0.05) << trial;
            EXPECT_NEAR(y, p[k].y, 0.05) << trial;
        }
        // Over the whole card the two solutions place pixels alike.
        for (int m = 0; m < 800; m += 50) {
            for (int l = 0; l < 800; l += 50) {
                float x, y;
                applyProjective(h, m, l, x, y);
                const double w = ref[6] * m + ref[7] * l + 1;
                EXPECT_NEAR(x, (ref[0] * m + ref[1] * l + ref[2]) / w, 0.05);
                EXPECT_NEAR(y, (ref[3] * m + ref[4] * l + ref[5]) / w, 0.05);
            }
        }
    }
}

TEST(Projective, DegenerateCornersHaveNoTransform) {
    Projective h;
    const std::array<IntPoint, 4> q = {{{100, 100}, {500, 100}, {100, 300}, {500, 300}}};
    const std::array<IntPoint, 4> same = {{{100, 100}, {100, 100}, {100, 300}, {500, 300}}};
    EXPECT_FALSE(SolveProjective(same, q, h));
    const std::array<IntPoint, 4> collinear = {{{100, 100}, {200, 100}, {300, 100}, {400, 100}}};
    EXPECT_FALSE(SolveProjective(collinear, q, h));
    std::array<std::array<float, 9>, 8> a{};
    for (int i = 0; i < 8; ++i) a[i][i] = 1;
    a[3][3] = NAN;
    EXPECT_FALSE(SolveLinear8(a, h));
}

TEST(Projective, WarpCopiesWhatTheTransformReachesAndKeepsTheRest) {
    Bitmap canvas(kCanvasSize, kCanvasSize, 3);
    canvas.setPixel(10, 20, 1, 2, 3);
    canvas.setPixel(799, 799, 4, 5, 6);
    Bitmap card(kCanvasSize, kCanvasSize, 3);
    card.fill(9, 9, 9);
    // A shift by (+10, +20): card pixel (m, l) shows canvas pixel (m + 10, l + 20).
    const Projective shift = {1, 0, 10, 0, 1, 20, 0, 0};
    WarpIntoCard(canvas, shift, card);
    EXPECT_EQ(card.pixel(0, 0)[2], 3);
    EXPECT_EQ(card.pixel(789, 779)[0], 4);
    EXPECT_EQ(card.pixel(790, 779)[0], 9);  // beyond the canvas: untouched
    EXPECT_EQ(card.pixel(789, 780)[0], 9);
    EXPECT_EQ(card.pixel(5, 5)[0], 255);
    // A transform that sends everything to infinity leaves the card alone.
    card.fill(9, 9, 9);
    WarpIntoCard(canvas, {1, 0, 0, 0, 1, 0, 0, -1}, card);  // w = 1 - v: zero on row 1
    EXPECT_EQ(card.pixel(3, 1)[0], 9);
}

TEST(FieldOfView, LeftAndBottomEdgesAreInsideRightAndTopOutside) {
    const std::array<IntPoint, 4> square = {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
    EXPECT_TRUE(PointInPolygon(square, {0, 0}));
    EXPECT_TRUE(PointInPolygon(square, {9, 9}));
    EXPECT_TRUE(PointInPolygon(square, {0, 5}));
    EXPECT_TRUE(PointInPolygon(square, {5, 0}));
    EXPECT_FALSE(PointInPolygon(square, {10, 5}));
    EXPECT_FALSE(PointInPolygon(square, {5, 10}));
    EXPECT_FALSE(PointInPolygon(square, {-1, 5}));
    EXPECT_FALSE(PointInPolygon(square, {5, -1}));
    // A slanted quadrilateral: the right edge runs from (20, 0) to (30, 20).
    const std::array<IntPoint, 4> slanted = {{{0, 0}, {20, 0}, {30, 20}, {5, 20}}};
    EXPECT_TRUE(PointInPolygon(slanted, {24, 10}));
    EXPECT_FALSE(PointInPolygon(slanted, {25, 10}));  // on the right edge
    EXPECT_TRUE(PointInPolygon(slanted, {3, 10}));    // the left edge passes x = 2.5
    EXPECT_FALSE(PointInPolygon(slanted, {2, 10}));
    // Even-odd rule on a crossed outline: the two triangles are inside.
    const std::array<IntPoint, 4> bowTie = {{{0, 0}, {10, 10}, {10, 0}, {0, 10}}};
    EXPECT_TRUE(PointInPolygon(bowTie, {1, 5}));
    EXPECT_FALSE(PointInPolygon(bowTie, {5, 2}));
}

TEST(FieldOfView, FarOffValuesAreLimitedNotUndefined) {
    EXPECT_EQ(truncToInt(-2.7), -2);
    EXPECT_EQ(truncToInt(1e20), 1 << 30);
    EXPECT_EQ(truncToInt(-1e20), -(1 << 30));
    EXPECT_EQ(truncToInt(NAN), -(1 << 30));
}

}  // namespace
}  // namespace tarvel
