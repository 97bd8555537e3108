#include <gtest/gtest.h>

#include "recognition/pixelops.h"
#include "tests/samplecard/samplecard.h"

using namespace tarvel;
using tarvel::sample::fillRect;

TEST(GrayOf, MatchesTheWeightedFormulaForEveryColour) {
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b) {
                int expected = (30 * r + 59 * g + 11 * b) / 100;
                const uint8_t bgr[3] = {uint8_t(b), uint8_t(g), uint8_t(r)};
                if (GrayOf(r, g, b) != expected || grayOfPixel(bgr) != expected) {
                    FAIL() << r << "," << g << "," << b << " gives " << GrayOf(r, g, b) << " / " << grayOfPixel(bgr)
                           << " not " << expected;
                }
            }
        }
    }
}

TEST(BinarizeFixed, RegionRowsCountFromTheTopAndStayInside) {
    Bitmap image(10, 10, 4);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = p[1] = p[2] = 150;
            p[3] = 77;
        }
    }
    BinarizeFixed(image, 200, /*rows*/ 2, /*columns*/ 3, /*firstRow*/ 0, /*firstColumn*/ 1);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            bool inside = (y == 9 || y == 8) && x >= 1 && x <= 3;  // top two rows in picture coordinates
            EXPECT_EQ(image.pixel(x, y)[0], inside ? 0 : 150) << x << "," << y;
            EXPECT_EQ(image.pixel(x, y)[3], 77) << "the fourth byte is never touched";
        }
    }
    // A region reaching far outside is clipped, not followed.
    BinarizeFixed(image, 100, 1000, 1000, -50, -50);
    EXPECT_EQ(image.pixel(0, 0)[0], 255);
    EXPECT_EQ(image.pixel(9, 9)[0], 255);
    EXPECT_EQ(image.pixel(1, 9)[0], 0);  // black stays black: 0 < 100
    BinarizeFixed(image, 0);
    EXPECT_EQ(BlackPercent(image), 0) << "threshold 0 turns everything white";
}

TEST(Isodata, ThresholdsOfPlainAndTwoLevelRegions) {
    Bitmap white(20, 20, 3);
    EXPECT_EQ(IsodataThreshold(white, 0, 0, 20, 20), 128);
    Bitmap black(20, 20, 3);
    black.fill(0, 0, 0);
    EXPECT_EQ(IsodataThreshold(black, 0, 0, 20, 20), 128);

    Bitmap two(20, 20, 3);
    two.fill(180, 180, 180);
    fillRect(two, 0, 0, 19, 4, 60);  // bottom five rows dark
    EXPECT_EQ(IsodataThreshold(two, 0, 0, 20, 20), 120);
    // Regions count rows from the top: the dark rows are the bottom ones.
    EXPECT_EQ(IsodataThreshold(two, 0, 10, 20, 10), 120);
    EXPECT_NE(IsodataThreshold(two, 0, 0, 20, 10), 120);

    int t = BinarizeAdaptive(two, 0, 20, 20, 0);
    EXPECT_EQ(t, 120);
    EXPECT_EQ(BlackPercent(two), 25);
}

TEST(BlackPercent, IsTheIntegerShareOfBlackPixels) {
    Bitmap image(10, 10, 3);
    fillRect(image, 0, 0, 9, 1, 0);  // 20 of 100
    EXPECT_EQ(BlackPercent(image), 20);
    image.setPixel(5, 5, 0, 0, 0);
    EXPECT_EQ(BlackPercent(image), 21);
}

TEST(MotionMeasure, CountsEverySecondRowFromTheTopAndEverySecondColumn) {
    Bitmap a(kFrameWidth, kFrameHeight, 3);
    Bitmap b(kFrameWidth, kFrameHeight, 3);
    EXPECT_EQ(MotionMeasure(a, b), -1);

    // 40 changed samples on the top row (top-down row 0 = picture y 479).
    for (int i = 0; i < 40; ++i) b.setPixel(2 * i, kFrameHeight - 1, 0, 0, 0);
    EXPECT_EQ(MotionMeasure(a, b), 1);  // 40 * 255 / 10000
    b.setPixel(0, kFrameHeight - 1, 255, 255, 255);
    EXPECT_EQ(MotionMeasure(a, b), -1) << "39 samples are below one unit";

    // Odd columns and odd top-down rows are never sampled; the bottom row of
    // the picture is top-down row 479, which is odd.
    Bitmap c(kFrameWidth, kFrameHeight, 3);
    fillRect(c, 0, 0, kFrameWidth - 1, 0, 0);
    for (int y = 0; y < kFrameHeight; ++y) c.setPixel(1, y, 0, 0, 0);
    EXPECT_EQ(MotionMeasure(a, c), -1);

    Bitmap d(kFrameWidth, kFrameHeight, 3);
    fillRect(d, 0, 0, kFrameWidth - 1, kFrameHeight - 1, 0);
    EXPECT_EQ(MotionMeasure(a, d), 76800 * 255 / 10000);
}
