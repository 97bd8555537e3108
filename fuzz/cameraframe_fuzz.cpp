// Any bytes a camera may send. As an MJPG sample they are drawn or refused
// without reading outside them, taking memory for a picture of another size
// or leaking decoder state. As a V4L2 frame with padded rows (the first four
// bytes choose format, width, height and padding) they are packed within
// their buffer, and the frame loop converts what comes out within its frame.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <linux/videodev2.h>

#include "capture/frameloop.h"
#include "capture/mjpg.h"
#include "capture/v4l2camera.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel;
    static Bitmap rgbFrame(kFrameWidth, kFrameHeight, 3);
    static Bitmap yuvFrame(kFrameWidth, kFrameHeight, 4);
    static MjpgDecoder decoder;
    static FrameConverter converter;
    decoder.decodeInto(data, size, rgbFrame);

    if (size < 4) return 0;
    constexpr uint32_t kFormats[] = {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_RGB24,
                                     V4L2_PIX_FMT_BGR24};
    constexpr FrameFormat kFrameFormats[] = {FrameFormat::Yuy2, FrameFormat::I420, FrameFormat::Rgb24,
                                             FrameFormat::Rgb24};
    const int kind = data[0] % 4;
    V4l2FrameLayout layout{kFormats[kind], 4 * (1 + data[1] % 32), 2 * (1 + data[2] % 32), 0};
    const size_t tight = size_t(layout.width) * (kind == 0 ? 2 : kind == 1 ? 1 : 3);
    layout.bytesPerLine = tight + data[3] % 64;
    static std::vector<uint8_t> packed;
    const int rows = packV4l2Frame(layout, data + 4, size - 4, packed);
    if (rows <= 0) return 0;
    Sample sample;
    sample.bytes = packed;
    sample.width = layout.width;
    sample.height = rows;
    sample.number = 1;
    converter.convert(kFrameFormats[kind], sample, kind < 2 ? yuvFrame : rgbFrame);
    return 0;
}
