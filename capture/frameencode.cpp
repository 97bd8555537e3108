#include "capture/frameencode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "recognition/imagefile.h"

namespace tarvel {
namespace {

struct Yuv {
    int y, u, v;
};

Yuv toYuv(const uint8_t* bgr) {
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    return {((66 * r + 129 * g + 25 * b + 128) >> 8) + 16, ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128,
            ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128};
}

}  // namespace

std::vector<uint8_t> encodeYuy2(const Bitmap& picture) {
    const int w = picture.width() & ~1, h = picture.height();
    std::vector<uint8_t> out(size_t(w) * h * 2);
    uint8_t* d = out.data();
    for (int r = 0; r < h; ++r) {
        const uint8_t* s = picture.rowFromTop(r);
        const int bpp = picture.bytesPerPixel();
        for (int x = 0; x < w; x += 2, d += 4) {
            Yuv a = toYuv(s + x * bpp), b = toYuv(s + (x + 1) * bpp);
            d[0] = uint8_t(a.y);
            d[1] = uint8_t((a.u + b.u + 1) / 2);
            d[2] = uint8_t(b.y);
            d[3] = uint8_t((a.v + b.v + 1) / 2);
        }
    }
    return out;
}

std::vector<uint8_t> encodeI420(const Bitmap& picture) {
    const int w = picture.width() & ~1, h = picture.height() & ~1;
    const int bpp = picture.bytesPerPixel();
    std::vector<uint8_t> out(size_t(w) * h * 3 / 2);
    uint8_t* yPlane = out.data();
    uint8_t* uPlane = yPlane + size_t(w) * h;
    uint8_t* vPlane = uPlane + size_t(w / 2) * (h / 2);
    for (int r = 0; r < h; r += 2) {
        const uint8_t* s0 = picture.rowFromTop(r);
        const uint8_t* s1 = picture.rowFromTop(r + 1);
        for (int x = 0; x < w; x += 2) {
            Yuv q[4] = {toYuv(s0 + x * bpp), toYuv(s0 + (x + 1) * bpp), toYuv(s1 + x * bpp), toYuv(s1 + (x + 1) * bpp)};
            yPlane[size_t(r) * w + x] = uint8_t(q[0].y);
            yPlane[size_t(r) * w + x + 1] = uint8_t(q[1].y);
            yPlane[size_t(r + 1) * w + x] = uint8_t(q[2].y);
            yPlane[size_t(r + 1) * w + x + 1] = uint8_t(q[3].y);
            const size_t c = size_t(r / 2) * (w / 2) + x / 2;
            uPlane[c] = uint8_t((q[0].u + q[1].u + q[2].u + q[3].u + 2) / 4);
            vPlane[c] = uint8_t((q[0].v + q[1].v + q[2].v + q[3].v + 2) / 4);
        }
    }
    return out;
}

std::vector<uint8_t> encodeJpeg(const Bitmap& picture, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);  // our own pictures: a failure here is a program fault
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width());
    info.image_height = static_cast<JDIMENSION>(picture.height());
    info.input_components = 3;
    info.in_color_space = picture.bytesPerPixel() == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    if (picture.bytesPerPixel() == 4) info.input_components = 4;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(picture.rowFromTop(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return out;
}

std::vector<uint8_t> encodeFrame(const Bitmap& picture, FrameFormat format) {
    switch (format) {
        case FrameFormat::Yuy2: return encodeYuy2(picture);
        case FrameFormat::I420: return encodeI420(picture);
        case FrameFormat::Mjpg: return encodeJpeg(picture);
        default: return std::vector<uint8_t>(picture.data(), picture.data() + picture.byteSize());
    }
}

bool loadPicture(const std::string& path, Bitmap& out) {
    std::string message;
    return readImageFile(path, out, message);
}

Bitmap fitToFrame(const Bitmap& picture) {
    Bitmap frame(kFrameWidth, kFrameHeight, 3);
    const int rows = std::min(picture.height(), kFrameHeight);
    const int columns = std::min(picture.width(), kFrameWidth);
    for (int r = 0; r < rows; ++r) {
        const uint8_t* s = picture.rowFromTop(r);
        uint8_t* d = frame.rowFromTop(r);
        for (int x = 0; x < columns; ++x) std::memcpy(d + x * 3, s + x * picture.bytesPerPixel(), 3);
    }
    return frame;
}

}  // namespace tarvel
