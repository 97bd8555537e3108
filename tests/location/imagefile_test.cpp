// Picture files: PNG written and read back, hand-built BMP files, damaged
// and foreign data refused, and the stretching to frame size.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/bytes.h"
#include "tests/corpus.h"
#include "tests/hugefile.h"
#include "recognition/imagefile.h"

namespace tarvel {
namespace {

std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("tarvel-imagefile-" + name)).string();
}

// A BMP of width x |height| pixels with the given bits per pixel; pixel (x, r)
// of stored row r has blue x, green r, red 7.
std::vector<uint8_t> bmpBytes(int width, int height, int bits) {
    const int bpp = bits / 8;
    const int stride = (width * bpp + 3) / 4 * 4;
    const int rows = height < 0 ? -height : height;
    std::vector<uint8_t> b(54 + static_cast<size_t>(stride) * rows, 0);
    b[0] = 'B';
    b[1] = 'M';
    writeI32(&b[2], static_cast<int32_t>(b.size()));
    writeI32(&b[10], 54);
    writeI32(&b[14], 40);
    writeI32(&b[18], width);
    writeI32(&b[22], height);
    b[26] = 1;
    b[28] = static_cast<uint8_t>(bits);
    for (int r = 0; r < rows; ++r) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &b[54 + static_cast<size_t>(r) * stride + x * bpp];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(r);
            p[2] = 7;
        }
    }
    return b;
}

TEST(ImageFile, PngRoundTripKeepsEveryPixelAndRowOrder) {
    Bitmap image(5, 3, 4);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) image.setPixel(x, y, static_cast<uint8_t>(x * 40), static_cast<uint8_t>(y * 80), 9);
    }
    const std::string path = tempPath("roundtrip.png");
    ASSERT_TRUE(writePngFile(path, image));
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    testing::addToCorpus("image_fuzz", "small.png", bytes);
    Bitmap back;
    std::string message;
    ASSERT_TRUE(readImageFile(path, back, message)) << message;
    ASSERT_EQ(back.width(), 5);
    ASSERT_EQ(back.height(), 3);
    EXPECT_EQ(back.bytesPerPixel(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(back.pixel(x, y)[0], x * 40);
            EXPECT_EQ(back.pixel(x, y)[1], y * 80);
            EXPECT_EQ(back.pixel(x, y)[2], 9);
        }
    }
    std::remove(path.c_str());
}

TEST(ImageFile, BmpRowsAreStoredBottomUpUnlessTheHeightIsNegative) {
    Bitmap image;
    const std::vector<uint8_t> bottomUp = bmpBytes(3, 2, 24);
    testing::addToCorpus("image_fuzz", "bottom-up.bmp", bottomUp);
    ASSERT_TRUE(decodeImage(bottomUp.data(), bottomUp.size(), image));
    EXPECT_EQ(image.pixel(2, 1)[0], 2);  // stored row 1 is picture row 1 (bottom-up)
    EXPECT_EQ(image.pixel(2, 1)[1], 1);
    EXPECT_EQ(image.pixel(2, 1)[2], 7);
    const std::vector<uint8_t> topDown = bmpBytes(3, -2, 32);
    testing::addToCorpus("image_fuzz", "top-down.bmp", topDown);
    ASSERT_TRUE(decodeImage(topDown.data(), topDown.size(), image));
    EXPECT_EQ(image.pixel(1, 1)[1], 0);  // stored row 0 is the top row
    EXPECT_EQ(image.pixel(1, 0)[1], 1);
}

TEST(ImageFile, DamagedOrForeignDataIsRefused) {
    std::vector<uint8_t> bmp = bmpBytes(4, 4, 24);
    bmp.resize(bmp.size() - 1);  // one byte short of the last row
    Bitmap image;
    EXPECT_FALSE(decodeImage(bmp.data(), bmp.size(), image));
    std::vector<uint8_t> eightBit = bmpBytes(4, 4, 24);
    eightBit[28] = 8;
    EXPECT_FALSE(decodeImage(eightBit.data(), eightBit.size(), image));
    const std::vector<uint8_t> jpegStart = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
    EXPECT_FALSE(decodeImage(jpegStart.data(), jpegStart.size(), image));
    const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(decodeImage(text.data(), text.size(), image));

    std::string message;
    const std::string path = tempPath("truncated.png");
    Bitmap picture(40, 30, 3);
    ASSERT_TRUE(writePngFile(path, picture));
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    EXPECT_FALSE(readImageFile(path, image, message));
    EXPECT_NE(message.find(path), std::string::npos);
    std::remove(path.c_str());
    EXPECT_FALSE(readImageFile(tempPath("missing.png"), image, message));
    EXPECT_EQ(message.rfind("无法打开图像文件：", 0), 0u);
}

// The start of a PNG whose header claims width x height pixels.
std::vector<uint8_t> pngClaiming(uint32_t width, uint32_t height) {
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, std::vector<uint8_t> data) {
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        uint32_t crc = 0xFFFFFFFF;
        for (uint8_t byte : body) {
            crc ^= byte;
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
        }
        crc ^= 0xFFFFFFFF;
        auto bigEndian = [&](uint32_t v) {
            for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
        };
        bigEndian(uint32_t(data.size()));
        b.insert(b.end(), body.begin(), body.end());
        bigEndian(crc);
    };
    chunk("IHDR", {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                   uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height), 8, 2, 0, 0,
                   0});
    chunk("IDAT", {});
    chunk("IEND", {});
    return b;
}

TEST(ImageFile, OversizedPicturesAreRefusedBeforeAnyMemoryIsTakenForThem) {
    // Headers claiming 65500 x 65500 pixels (12 GB as a bitmap).
    const std::vector<uint8_t> png = pngClaiming(65500, 65500);
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8,                                            // start
                                       0xFF, 0xC0, 0, 17, 8, 0xFF, 0xDC, 0xFF, 0xDC, 3,        // frame header
                                       1,    0x22, 0, 2,  0x11, 1, 3, 0x11, 1,
                                       0xFF, 0xDA, 0, 12, 3,    1, 0, 2, 0x11, 3, 0x11, 0, 63, 0,  // scan
                                       0xFF, 0xD9};
    // And a file of 4 GB.
    const std::string path = tempPath("huge.png");
    const testing::HugeFile huge(path);
    ASSERT_TRUE(huge.ok());
    Bitmap image;
    std::string message;
    const long grewMb = testing::peakMemoryGrowthMb([&] {
        EXPECT_FALSE(decodeImage(png.data(), png.size(), image));
        EXPECT_FALSE(decodeImage(jpeg.data(), jpeg.size(), image));
        EXPECT_FALSE(readImageFile(path, image, message));
    });
    EXPECT_LT(grewMb, 100);
    EXPECT_EQ(message, "图像文件过大：" + path);
}

TEST(ImageFile, ResizingAveragesTheCoveredPixels) {
    Bitmap image(4, 2, 3);
    image.setPixel(0, 0, 0, 0, 0);
    image.setPixel(1, 0, 100, 100, 100);
    const Bitmap half = resized(image, 2, 1);
    EXPECT_EQ(half.pixel(0, 0)[0], (0 + 100 + 255 + 255) / 4);
    EXPECT_EQ(half.pixel(1, 0)[0], 255);
    const Bitmap big = resized(image, 8, 4);
    EXPECT_EQ(big.pixel(3, 1)[0], 100);
    EXPECT_EQ(big.pixel(0, 0)[0], 0);
}

}  // namespace
}  // namespace tarvel
