#include "capture/camerasource.h"

namespace tarvel {

uint32_t subtypeOf(FrameFormat format) {
    switch (format) {
        case FrameFormat::Rgb24: return 0;
        case FrameFormat::Mjpg: return fourcc('M', 'J', 'P', 'G');
        case FrameFormat::Yuy2: return fourcc('Y', 'U', 'Y', '2');
        case FrameFormat::I420: return fourcc('I', '4', '2', '0');
        case FrameFormat::Other: break;
    }
    return 0xFFFFFFFFu;
}

int frameBytesPerPixel(FrameFormat format) {
    switch (format) {
        case FrameFormat::Rgb24:
        case FrameFormat::Mjpg: return 3;
        case FrameFormat::Yuy2:
        case FrameFormat::I420: return 4;
        case FrameFormat::Other: break;
    }
    return 0;
}

const char* formatName(FrameFormat format) {
    switch (format) {
        case FrameFormat::Rgb24: return "RGB";
        case FrameFormat::Mjpg: return "MJPG";
        case FrameFormat::Yuy2: return "YUY2";
        case FrameFormat::I420: return "I420";
        case FrameFormat::Other: break;
    }
    return "?";
}

}  // namespace tarvel
