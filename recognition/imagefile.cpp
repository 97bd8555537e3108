#include "recognition/imagefile.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "base/bytes.h"
#include "base/savefile.h"

namespace tarvel {
namespace {


bool readPng(const uint8_t* bytes, size_t size, Bitmap& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, size)) return false;
    if (static_cast<long long>(image.width) * image.height > kMaxPixels) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_BGR;
    out = Bitmap(static_cast<int>(image.width), static_cast<int>(image.height), 3);
    const png_color white = {255, 255, 255};
    // A negative row stride writes the rows bottom-up.
    const png_int_32 stride = -static_cast<png_int_32>(out.stride());
    if (!png_image_finish_read(&image, &white, out.data(), stride, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void jpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->back, 1); }

void jpegMessage(j_common_ptr info, int level) {
    if (level < 0) jpegFail(info);  // a warning means damaged data
}

bool readJpeg(const uint8_t* bytes, size_t size, Bitmap& out, int eighths = 8) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFail;
    errors.manager.emit_message = jpegMessage;
    std::vector<uint8_t> row;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (eighths != 8) {
        // The decoder's own reduction: the inverse DCT runs on 1 to 4 of
        // each block's 8 x 8 coefficients, much cheaper than decoding whole.
        info.scale_num = static_cast<unsigned>(eighths);
        info.scale_denom = 8;
    }
    jpeg_calc_output_dimensions(&info);
    if (static_cast<long long>(info.output_width) * info.output_height > kMaxPixels) jpegFail(reinterpret_cast<j_common_ptr>(&info));
    // A reduced picture is decoded straight into the bitmap's rows.
    const bool direct = eighths != 8;
    info.out_color_space = direct ? JCS_EXT_BGR : JCS_RGB;
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width), height = static_cast<int>(info.output_height);
    if (out.width() != width || out.height() != height || out.bytesPerPixel() != 3) out = Bitmap(width, height, 3);
    while (direct && info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {out.rowFromTop(static_cast<int>(info.output_scanline))};
        jpeg_read_scanlines(&info, rows, 1);
    }
    row.resize(static_cast<size_t>(info.output_width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        const int r = static_cast<int>(info.output_scanline);
        jpeg_read_scanlines(&info, rows, 1);
        uint8_t* p = out.rowFromTop(r);
        for (size_t x = 0; x < info.output_width; ++x) {
            p[3 * x] = row[3 * x + 2];
            p[3 * x + 1] = row[3 * x + 1];
            p[3 * x + 2] = row[3 * x];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// Uncompressed 24- and 32-bit bitmaps, bottom-up or top-down.
bool readBmp(const uint8_t* b, size_t size, Bitmap& out) {
    if (size < 54) return false;
    const uint32_t offset = static_cast<uint32_t>(readI32(b + 10));
    const int32_t width = readI32(b + 18);
    const int32_t rawHeight = readI32(b + 22);
    const int bits = b[28] | (b[29] << 8);
    const int32_t compression = readI32(b + 30);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || (bits != 24 && bits != 32)) return false;
    if (compression != 0 && !(compression == 3 && bits == 32)) return false;
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (static_cast<long long>(width) * height > kMaxPixels) return false;
    const size_t bpp = static_cast<size_t>(bits / 8);
    const size_t stride = (static_cast<size_t>(width) * bpp + 3) / 4 * 4;
    if (offset > size || (size - offset) / stride < static_cast<size_t>(height)) return false;
    out = Bitmap(width, height, 3);
    for (int r = 0; r < height; ++r) {
        // Stored rows run bottom-up unless the height is negative.
        const int y = rawHeight > 0 ? r : height - 1 - r;
        const uint8_t* src = b + offset + static_cast<size_t>(r) * stride;
        uint8_t* dst = out.row(y);
        for (int x = 0; x < width; ++x) std::memcpy(dst + 3 * x, src + bpp * x, 3);
    }
    return true;
}

}  // namespace

bool decodeImage(const uint8_t* bytes, size_t size, Bitmap& out) {
    if (size >= 8 && png_sig_cmp(bytes, 0, 8) == 0) return readPng(bytes, size, out);
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return readJpeg(bytes, size, out);
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return readBmp(bytes, size, out);
    return false;
}

bool decodeJpegScaled(const uint8_t* bytes, size_t size, int eighths, Bitmap& out) {
    if (eighths < 1 || eighths > 8) return false;
    return readJpeg(bytes, size, out, eighths);
}

bool readImageFile(const std::string& path, Bitmap& out, std::string& message) {
    std::vector<uint8_t> bytes;
    switch (readWholeFile(path, bytes, kMaxPictureFileSize)) {
        case FileRead::Ok: break;
        case FileRead::Unreadable: message = "无法打开图像文件：" + path; return false;
        case FileRead::TooLarge: message = "图像文件过大：" + path; return false;
    }
    if (!decodeImage(bytes.data(), bytes.size(), out)) {
        message = "不是可读的PNG、JPEG或BMP图像：" + path;
        return false;
    }
    return true;
}

bool writePngFile(const std::string& path, const Bitmap& image) {
    // Packed 3-byte copy: the bitmap may have 4-byte pixels.
    Bitmap packed(image.width(), image.height(), 3);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) std::memcpy(packed.pixel(x, y), image.pixel(x, y), 3);
    }
    png_image out;
    std::memset(&out, 0, sizeof out);
    out.version = PNG_IMAGE_VERSION;
    out.width = static_cast<png_uint_32>(image.width());
    out.height = static_cast<png_uint_32>(image.height());
    out.format = PNG_FORMAT_BGR;
    const png_int_32 stride = -static_cast<png_int_32>(packed.stride());
    const bool ok = png_image_write_to_file(&out, path.c_str(), 0, packed.data(), stride, nullptr) != 0;
    png_image_free(&out);
    return ok;
}

Bitmap resized(const Bitmap& image, int width, int height) {
    Bitmap out(width, height, 3);
    const int sw = image.width();
    const int sh = image.height();
    if (sw <= 0 || sh <= 0) return out;
    const int bpp = image.bytesPerPixel();
    for (int y = 0; y < height; ++y) {
        const int y0 = static_cast<int>(static_cast<long long>(y) * sh / height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * sh / height));
        for (int x = 0; x < width; ++x) {
            const int x0 = static_cast<int>(static_cast<long long>(x) * sw / width);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * sw / width));
            long long sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                const uint8_t* p = image.pixel(x0, sy);
                for (int sx = x0; sx < x1; ++sx, p += bpp) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const long long n = static_cast<long long>(y1 - y0) * (x1 - x0);
            out.setPixel(x, y, static_cast<uint8_t>(sum[0] / n), static_cast<uint8_t>(sum[1] / n),
                         static_cast<uint8_t>(sum[2] / n));
        }
    }
    return out;
}

}  // namespace tarvel
