// Thinning, junction removal and endpoints on small known shapes.
#include <gtest/gtest.h>

#include "recognition/locationsteps.h"

namespace tarvel {
namespace {

BlackMask maskWith(int width, int height, std::initializer_list<std::array<int, 4>> rects) {
    BlackMask m(width, height);
    for (const auto& r : rects) {  // x0, y0, x1, y1 inclusive
        for (int y = r[1]; y <= r[3]; ++y) {
            for (int x = r[0]; x <= r[2]; ++x) m.set(x, y, true);
        }
    }
    return m;
}

int blackCount(const BlackMask& m) {
    int n = 0;
    for (int y = 0; y < m.height(); ++y) {
        for (int x = 0; x < m.width(); ++x) n += m.black(x, y);
    }
    return n;
}

bool sameMask(const BlackMask& a, const BlackMask& b) {
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.black(x, y) != b.black(x, y)) return false;
        }
    }
    return true;
}

TEST(Thinning, ThickBarBecomesOneConnectedStroke) {
    BlackMask m = maskWith(200, 60, {{20, 20, 139, 26}});
    EXPECT_GT(ThinMask(m), 1);
    for (int x = 26; x <= 133; ++x) {
        int inColumn = 0;
        for (int y = 0; y < m.height(); ++y) inColumn += m.black(x, y);
        EXPECT_EQ(inColumn, 1) << "column " << x;
    }
    for (int y = 0; y < m.height(); ++y) {
        for (int x = 0; x < m.width(); ++x) {
            if (m.black(x, y)) {
                EXPECT_TRUE(x >= 20 && x <= 139 && y >= 20 && y <= 26) << x << "," << y;
            }
        }
    }
    RemoveJunctions(m);
    std::vector<IntPoint> ends;
    FindEndpoints(m, ends);
    EXPECT_EQ(ends.size(), 2u);
}

TEST(Thinning, ThinStrokesStayAndTheResultIsStable) {
    BlackMask m = maskWith(100, 100, {{10, 10, 80, 10}});
    for (int i = 0; i < 50; ++i) m.set(20 + i, 30 + i, true);  // a diagonal
    const BlackMask before = m;
    EXPECT_EQ(ThinMask(m), 1);
    EXPECT_TRUE(sameMask(m, before));

    BlackMask square = maskWith(60, 60, {{20, 20, 39, 39}});
    ThinMask(square);
    const BlackMask thinned = square;
    EXPECT_EQ(ThinMask(square), 1);
    EXPECT_TRUE(sameMask(square, thinned));
    EXPECT_GT(blackCount(square), 0);
    EXPECT_LT(blackCount(square), 40);
}

TEST(Thinning, MaskReadsBlackFromTheBlueByte) {
    Bitmap image(8, 4, 4);
    image.setPixel(1, 1, 0, 255, 255);
    image.setPixel(2, 1, 1, 0, 0);
    BlackMask m;
    m.readFrom(image);
    EXPECT_TRUE(m.black(1, 1));
    EXPECT_FALSE(m.black(2, 1));
    EXPECT_EQ(m.width(), 8);
}

TEST(Junctions, CrossingStrokesFallApartIntoArms) {
    // A plus sign of one-pixel strokes: four arms with two ends each.
    BlackMask plus = maskWith(60, 60, {{10, 30, 50, 30}, {30, 10, 30, 50}});
    RemoveJunctions(plus);
    std::vector<IntPoint> ends;
    FindEndpoints(plus, ends);
    EXPECT_EQ(ends.size(), 8u);
    EXPECT_FALSE(plus.black(30, 30));
}

TEST(Endpoints, ListStopsAtItsCapacityInScanOrder) {
    // 2000 two-pixel dashes: 4000 endpoints, of which the first 1024 are kept.
    BlackMask m(640, 480);
    int dashes = 0;
    for (int y = 2; y < 478 && dashes < 2000; y += 3) {
        for (int x = 2; x < 636 && dashes < 2000; x += 4, ++dashes) {
            m.set(x, y, true);
            m.set(x + 1, y, true);
        }
    }
    std::vector<IntPoint> ends;
    FindEndpoints(m, ends);
    ASSERT_EQ(ends.size(), static_cast<size_t>(kMaxEndpoints));
    EXPECT_EQ(ends.front(), (IntPoint{2, 2}));
    for (size_t i = 1; i < ends.size(); ++i) {
        const bool ordered = ends[i].y > ends[i - 1].y || (ends[i].y == ends[i - 1].y && ends[i].x > ends[i - 1].x);
        EXPECT_TRUE(ordered) << i;
    }
}

}  // namespace
}  // namespace tarvel
