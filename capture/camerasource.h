#pragma once
// The camera as the program sees it: a device with a friendly name that opens
// at 640 x 480 and ten frames per second, reports the format it negotiated,
// and calls a frame callback on its own streaming thread for every frame.
// Calls that can fail return 0 or -errno; the caller, who knows the context,
// tells the user.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvel {

inline constexpr int kCaptureWidth = 640;
inline constexpr int kCaptureHeight = 480;
inline constexpr int kCaptureFps = 10;

// Uncompressed frames are delivered as 24-bit bottom-up B-G-R rows.
enum class FrameFormat { Rgb24, Mjpg, Yuy2, I420, Other };

inline constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
// The 32-bit compression code of a format: 0 for uncompressed, else the FourCC.
uint32_t subtypeOf(FrameFormat format);
// Bytes per pixel of the frame bitmap for a format; 0 for Other.
int frameBytesPerPixel(FrameFormat format);
const char* formatName(FrameFormat format);  // "RGB", "MJPG", "YUY2", "I420", "?"

// (data, length, width, height) of one frame; data is valid only during the call.
using FrameCallback = std::function<void(const uint8_t*, size_t, int, int)>;
// Called once, on the streaming thread, when the device stops delivering for
// good (unplugged, an I/O error), with -errno; the thread ends right after.
using StreamEndCallback = std::function<void(int error)>;

// One adjustable setting of the device ("画质调节").
struct CameraControl {
    enum class Kind { Integer, Boolean, Menu, Button };
    uint32_t id = 0;
    std::string name;
    Kind kind = Kind::Integer;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int defaultValue = 0;
    int value = 0;
    std::vector<std::pair<int, std::string>> menu;  // value and label, for Menu
};

class CameraSource {
public:
    virtual ~CameraSource() = default;
    virtual std::string friendlyName() const = 0;
    // Negotiates 640 x 480 at 10 fps where the device allows it.
    virtual int open() = 0;
    virtual FrameFormat format() const = 0;
    virtual int start(FrameCallback onFrame, StreamEndCallback onEnd = nullptr) = 0;
    // Returns once no callback runs any more (also after the stream ended).
    virtual void stop() = 0;
    virtual std::vector<CameraControl> controls() { return {}; }
    virtual int setControl(uint32_t /*id*/, int /*value*/) { return -95; }  // EOPNOTSUPP
};

using CameraList = std::vector<std::unique_ptr<CameraSource>>;

}  // namespace tarvel
