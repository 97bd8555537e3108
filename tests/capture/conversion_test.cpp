#include <gtest/gtest.h>

#include <algorithm>
#include <linux/videodev2.h>
#include <vector>

#include "capture/frameencode.h"
#include "capture/frameloop.h"
#include "capture/mjpg.h"
#include "capture/v4l2camera.h"
#include "capture/yuv.h"
#include "tests/corpus.h"

namespace tarvel {
namespace {

// B, G, R of a YUY2 sample whose two pixels share Y, U and V.
std::array<int, 3> yuy2Pixel(uint8_t y, uint8_t u, uint8_t v) {
    const std::vector<uint8_t> in = {y, u, y, v, y, u, y, v};  // four pixels: the smallest valid width
    std::vector<uint8_t> out(16, 0);
    convertYuy2(4, 1, in.data(), out.data());
    return {out[0], out[1], out[2]};
}

// The BT.601 formula in plain integer arithmetic with the same coefficients.
std::array<int, 3> reference(int y, int u, int v) {
    auto c = [](long long fixed) { return int(std::clamp<long long>(fixed >> 16, 0, 255)); };
    const long long yy = 76309LL * (y - 16);
    return {c(yy + 132201LL * (u - 128)), c(yy - 25674LL * (u - 128) - 53278LL * (v - 128)),
            c(yy + 104597LL * (v - 128))};
}

TEST(YuvConversion, VideoRangeEndsAndClamping) {
    EXPECT_EQ(yuy2Pixel(16, 128, 128), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(yuy2Pixel(235, 128, 128), (std::array<int, 3>{254, 254, 254}));  // the shift truncates
    for (int y = 236; y <= 255; ++y) EXPECT_EQ(yuy2Pixel(uint8_t(y), 128, 128), (std::array<int, 3>{255, 255, 255}));
    // Full-range extremes run past both ends of 0..255 and must clamp.
    EXPECT_EQ(yuy2Pixel(0, 0, 0)[0], 0);
    EXPECT_EQ(yuy2Pixel(0, 0, 0)[2], 0);
    EXPECT_EQ(yuy2Pixel(255, 255, 255)[0], 255);
    EXPECT_EQ(yuy2Pixel(255, 255, 255)[2], 255);
    EXPECT_EQ(yuy2Pixel(0, 255, 255)[1], 0);
    EXPECT_EQ(yuy2Pixel(255, 0, 0)[1], 255);
}

TEST(YuvConversion, EveryInputMatchesTheFormula) {
    // All 2^24 combinations, 64 pixels per call.
    std::vector<uint8_t> in(64 * 2), out(64 * 4);
    for (int y = 0; y < 256; ++y) {
        for (int u = 0; u < 256; ++u) {
            for (int v0 = 0; v0 < 256; v0 += 32) {
                for (int k = 0; k < 32; ++k) {
                    uint8_t* s = &in[k * 4];
                    s[0] = s[2] = uint8_t(y);
                    s[1] = uint8_t(u);
                    s[3] = uint8_t(v0 + k);
                }
                convertYuy2(64, 1, in.data(), out.data());
                for (int k = 0; k < 32; ++k) {
                    const auto want = reference(y, u, v0 + k);
                    const uint8_t* d = &out[k * 8];
                    ASSERT_EQ((std::array<int, 3>{d[0], d[1], d[2]}), want) << y << " " << u << " " << v0 + k;
                }
            }
        }
    }
}

TEST(YuvConversion, RowsLandBottomUpAndTheFourthByteIsKept) {
    const int w = 4, h = 3;
    std::vector<uint8_t> yuy2(w * h * 2);
    for (int r = 0; r < h; ++r) {
        for (int i = 0; i < w * 2; i += 4) {
            const uint8_t y = uint8_t(16 + 100 * r);  // rows get brighter downward
            yuy2[r * w * 2 + i] = yuy2[r * w * 2 + i + 2] = y;
            yuy2[r * w * 2 + i + 1] = yuy2[r * w * 2 + i + 3] = 128;
        }
    }
    std::vector<uint8_t> out(w * h * 4, 0x77);
    convertYuy2(w, h, yuy2.data(), out.data());
    EXPECT_EQ(out[(h - 1) * w * 4], 0);                      // source top row, memory last row
    EXPECT_EQ(out[0], reference(16 + 200, 128, 128)[0]);     // source bottom row, memory first row
    for (size_t i = 3; i < out.size(); i += 4) EXPECT_EQ(out[i], 0x77);
}

TEST(YuvConversion, I420ChromaRowServesTwoLumaRows) {
    const int w = 4, h = 4;
    std::vector<uint8_t> i420(w * h * 3 / 2, 128);
    std::fill(i420.begin(), i420.begin() + w * h, uint8_t(120));
    uint8_t* u = i420.data() + w * h;
    uint8_t* v = u + (w / 2) * (h / 2);
    u[0] = 200;  // top-left 2 x 2 block only
    v[3] = 40;   // bottom-right 2 x 2 block only
    std::vector<uint8_t> out(w * h * 4, 0);
    convertI420(w, h, i420.data(), out.data());
    auto px = [&](int x, int rowFromTop) { return &out[((h - 1 - rowFromTop) * w + x) * 4]; };
    const auto topLeft = reference(120, 200, 128);
    const auto bottomRight = reference(120, 128, 40);
    const auto plain = reference(120, 128, 128);
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            const auto& want = (r < 2 && x < 2) ? topLeft : (r >= 2 && x >= 2) ? bottomRight : plain;
            EXPECT_EQ((std::array<int, 3>{px(x, r)[0], px(x, r)[1], px(x, r)[2]}), want) << x << "," << r;
        }
    }
}

TEST(YuvConversion, WidthNotAMultipleOfFourWritesNothing) {
    for (int w : {642, 6, 2}) {
        std::vector<uint8_t> src(size_t(w) * 4 * 2, 16);
        std::vector<uint8_t> out(size_t(w) * 4 * 4, 0x55);
        convertYuy2(w, 4, src.data(), out.data());
        convertI420(w, 4, src.data(), out.data());
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0x55; })) << w;
    }
}

Bitmap testPicture(int width, int height) {
    Bitmap b(width, height, 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b.setPixel(x, y, uint8_t(x), uint8_t(y), uint8_t((x + y) / 2));
    return b;
}

TEST(MjpgDecoder, DrawsThePictureTenRowsDownAndCutsItAtTheBitmapEnd) {
    Bitmap picture(kFrameWidth, kFrameHeight, 3);
    picture.fill(0, 0, 0);
    for (int x = 0; x < kFrameWidth; ++x) picture.setPixel(x, kFrameHeight - 1, 255, 255, 255);  // top row white
    const std::vector<uint8_t> jpeg = encodeJpeg(picture, 95);
    Bitmap frame(kFrameWidth, kFrameHeight, 3);
    frame.fill(10, 20, 30);
    MjpgDecoder decoder;
    ASSERT_TRUE(decoder.decodeInto(jpeg.data(), jpeg.size(), frame));
    testing::addToCorpus("cameraframe_fuzz", "frame.mjpg", jpeg);
    EXPECT_EQ(frame.rowFromTop(kMjpgTopRow - 1)[0], 10);  // above the picture: untouched
    EXPECT_GT(frame.rowFromTop(kMjpgTopRow)[0], 200);     // the picture's white top row
    EXPECT_LT(frame.rowFromTop(kMjpgTopRow + 5)[0], 40);
    EXPECT_LT(frame.rowFromTop(kFrameHeight - 1)[3 * (kFrameWidth - 1)], 40);  // its row 469, the last that fits
}

// The JPEG with its frame header claiming another size.
std::vector<uint8_t> claimingSize(std::vector<uint8_t> jpeg, int width, int height) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // baseline frame header: length, precision, height, width
            jpeg[i + 5] = uint8_t(height >> 8), jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8), jpeg[i + 8] = uint8_t(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

TEST(MjpgDecoder, DamagedSamplesSkipTheTickAndKeepThePicture) {
    const std::vector<uint8_t> good = encodeJpeg(testPicture(kFrameWidth, kFrameHeight));
    std::vector<std::pair<const char*, std::vector<uint8_t>>> damaged;
    damaged.push_back({"no start marker", std::vector<uint8_t>(good.begin() + 2, good.end())});
    damaged.push_back({"no end marker", std::vector<uint8_t>(good.begin(), good.end() - 2)});
    // Truncated in the middle but closed with FF D9: libjpeg only warns.
    std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    truncated.push_back(0xFF);
    truncated.push_back(0xD9);
    damaged.push_back({"truncated", truncated});
    std::vector<uint8_t> garbage(1000, 0x42);
    garbage[0] = 0xFF, garbage[1] = 0xD8, garbage[998] = 0xFF, garbage[999] = 0xD9;
    damaged.push_back({"garbage", garbage});
    damaged.push_back({"empty", {}});
    // The camera was asked for 640 x 480; no other size is drawn, and a
    // header's claim is refused before a byte is taken for the picture.
    damaged.push_back({"64 x 32", encodeJpeg(testPicture(64, 32))});
    damaged.push_back({"800 x 600", encodeJpeg(testPicture(800, 600))});
    damaged.push_back({"claims 65500 x 65500", claimingSize(good, 65500, 65500)});

    MjpgDecoder decoder;
    for (const auto& [what, bytes] : damaged) {
        Bitmap frame(kFrameWidth, kFrameHeight, 3);
        frame.fill(1, 2, 3);
        EXPECT_FALSE(decoder.decodeInto(bytes.data(), bytes.size(), frame)) << what;
        for (int r = 0; r < kFrameHeight; r += 7) ASSERT_EQ(frame.rowFromTop(r)[0], 1) << what;
    }
}

}  // namespace
}  // namespace tarvel

namespace tarvel {
namespace {

Sample sampleOf(std::vector<uint8_t> bytes, int width, int height) {
    Sample s;
    s.bytes = std::move(bytes);
    s.width = width;
    s.height = height;
    s.number = 1;
    return s;
}

TEST(FrameConverter, FramesOfAnotherSizeNeverWritePastTheBitmap) {
    FrameConverter converter;
    Bitmap black(kFrameWidth * 2, kFrameHeight * 2, 3);
    black.fill(0, 0, 0);
    Bitmap small(320, 240, 3);
    small.fill(0, 0, 0);

    // YUY2 larger than the frame: cut to its top-left part.
    Bitmap frame(kFrameWidth, kFrameHeight, 4);
    EXPECT_TRUE(converter.convert(FrameFormat::Yuy2, sampleOf(encodeYuy2(black), 1280, 960), frame));
    EXPECT_EQ(frame.rowFromTop(kFrameHeight - 1)[(kFrameWidth - 1) * 4], 0);

    // I420 smaller than the frame: top-left part converted, the rest kept.
    frame = Bitmap(kFrameWidth, kFrameHeight, 4);
    EXPECT_TRUE(converter.convert(FrameFormat::I420, sampleOf(encodeI420(small), 320, 240), frame));
    EXPECT_EQ(frame.rowFromTop(0)[0], 0);
    EXPECT_EQ(frame.rowFromTop(239)[319 * 4], 0);
    EXPECT_EQ(frame.rowFromTop(240)[0], 255);
    EXPECT_EQ(frame.rowFromTop(0)[320 * 4], 255);

    // A sample shorter than its size says is not converted at all.
    frame = Bitmap(kFrameWidth, kFrameHeight, 4);
    std::vector<uint8_t> cut = encodeYuy2(small);
    cut.resize(cut.size() / 2);
    EXPECT_TRUE(converter.convert(FrameFormat::Yuy2, sampleOf(cut, 320, 240), frame));
    EXPECT_EQ(frame.rowFromTop(0)[0], 255);

    // Uncompressed bytes beyond the bitmap are dropped.
    frame = Bitmap(kFrameWidth, kFrameHeight, 3);
    std::vector<uint8_t> big(black.data(), black.data() + black.byteSize());
    EXPECT_TRUE(converter.convert(FrameFormat::Rgb24, sampleOf(big, 1280, 960), frame));
    EXPECT_EQ(frame.row(kFrameHeight - 1)[0], 0);

    // A format without conversion keeps the picture and goes on.
    frame = Bitmap(kFrameWidth, kFrameHeight, 3);
    EXPECT_TRUE(converter.convert(FrameFormat::Other, sampleOf(big, 1280, 960), frame));
    EXPECT_EQ(frame.row(0)[0], 255);
}

// Rows of `width` bytes copied `stride` apart, the gaps filled with 0xEE, as
// a driver pads them.
std::vector<uint8_t> padRows(const uint8_t* rows, size_t count, size_t width, size_t stride) {
    std::vector<uint8_t> out(count * stride, 0xEE);
    for (size_t r = 0; r < count; ++r) std::copy_n(rows + width * r, width, out.begin() + long(stride * r));
    return out;
}

TEST(V4l2Frames, PaddedRowsArePackedBeforeTheFrameLoopSeesThem) {
    const Bitmap picture = testPicture(kFrameWidth, kFrameHeight);
    const size_t w = kFrameWidth, h = kFrameHeight;
    std::vector<uint8_t> out;

    const std::vector<uint8_t> yuy2 = encodeYuy2(picture);
    std::vector<uint8_t> padded = padRows(yuy2.data(), h, 2 * w, 2 * w + 128);
    V4l2FrameLayout layout{V4L2_PIX_FMT_YUYV, kFrameWidth, kFrameHeight, 2 * w + 128};
    EXPECT_EQ(packV4l2Frame(layout, padded.data(), padded.size(), out), kFrameHeight);
    EXPECT_EQ(out, yuy2);
    padded.resize(padded.size() - 200);  // the last row cut short
    EXPECT_EQ(packV4l2Frame(layout, padded.data(), padded.size(), out), 0);
    // For the fuzzer: format YUYV, 8 x 4 pixels, rows padded by 16 bytes.
    std::vector<uint8_t> start = {0, 1, 1, 16};
    start.resize(4 + 32 * 4, 0x80);
    testing::addToCorpus("cameraframe_fuzz", "padded.yuyv", start);

    // YUV420: the luma rows padded to 704 bytes, the chroma rows to 352.
    const std::vector<uint8_t> i420 = encodeI420(picture);
    std::vector<uint8_t> planes = padRows(i420.data(), h, w, 704);
    for (size_t plane = 0; plane < 2; ++plane) {
        const auto chroma = padRows(i420.data() + w * h + plane * (w / 2) * (h / 2), h / 2, w / 2, 352);
        planes.insert(planes.end(), chroma.begin(), chroma.end());
    }
    layout = {V4L2_PIX_FMT_YUV420, kFrameWidth, kFrameHeight, 704};
    EXPECT_EQ(packV4l2Frame(layout, planes.data(), planes.size(), out), kFrameHeight);
    EXPECT_EQ(out, i420);

    // Uncompressed RGB: top-down R-G-B rows become the bitmap's bottom-up B-G-R.
    std::vector<uint8_t> rgb(w * 3 * h);
    for (size_t r = 0; r < h; ++r) {
        const uint8_t* src = picture.rowFromTop(int(r));
        for (size_t x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) rgb[(r * w + x) * 3 + c] = src[3 * x + 2 - c];
        }
    }
    padded = padRows(rgb.data(), h, 3 * w, 3 * w + 64);
    layout = {V4L2_PIX_FMT_RGB24, kFrameWidth, kFrameHeight, 3 * w + 64};
    EXPECT_EQ(packV4l2Frame(layout, padded.data(), padded.size(), out), kFrameHeight);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), picture.data(), picture.data() + picture.byteSize()));
}

}  // namespace
}  // namespace tarvel
