#include "capture/mjpg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace tarvel {
namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void failDecode(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->escape, 1);
}

// Level -1 is a warning (corrupt data, premature end); traces (>= 0) are fine.
void onMessage(j_common_ptr info, int level) {
    if (level < 0) failDecode(info);
}

void silent(j_common_ptr) {}

bool hasJpegMarkers(const uint8_t* p, size_t n) {
    return p && n >= 4 && p[0] == 0xFF && p[1] == 0xD8 && p[n - 2] == 0xFF && p[n - 1] == 0xD9;
}

}  // namespace

bool MjpgDecoder::decodeInto(const uint8_t* sample, size_t length, Bitmap& frame) {
    if (!hasJpegMarkers(sample, length) || frame.bytesPerPixel() != 3) return false;

    jpeg_decompress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = failDecode;
    trap.manager.emit_message = onMessage;
    trap.manager.output_message = silent;
    // Everything touched after setjmp that must survive the jump lives in
    // members or is volatile.
    volatile bool created = false;
    if (setjmp(trap.escape)) {
        if (created) jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    created = true;
    jpeg_mem_src(&info, sample, static_cast<unsigned long>(length));
    jpeg_read_header(&info, TRUE);
    // The camera was asked for 640 x 480. A picture of another size is no
    // frame of ours, and a header may claim 65500 x 65500: refused before
    // any memory is taken for it.
    if (info.image_width != JDIMENSION(kFrameWidth) || info.image_height != JDIMENSION(kFrameHeight)) {
        failDecode(reinterpret_cast<j_common_ptr>(&info));
    }
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);

    const size_t rowBytes = size_t(info.output_width) * 3;
    const int rows = static_cast<int>(info.output_height);
    picture_.resize(rowBytes * rows);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture_.data() + rowBytes * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    created = false;

    // Only a cleanly decoded picture reaches the frame.
    const size_t copyBytes = std::min(rowBytes, size_t(frame.stride()));
    for (int r = 0; r < rows && kMjpgTopRow + r < frame.height(); ++r) {
        std::memcpy(frame.rowFromTop(kMjpgTopRow + r), picture_.data() + rowBytes * r, copyBytes);
    }
    return true;
}

}  // namespace tarvel
