#pragma once
// Cameras of the Linux video capture API (V4L2) with memory-mapped streaming.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "capture/camerasource.h"

namespace tarvel {

// A frame as the driver filled it: each row may be padded to bytesPerLine
// (the chroma rows of YUV420 to half of it).
struct V4l2FrameLayout {
    uint32_t pixelFormat = 0;  // V4L2_PIX_FMT_*
    int width = 0;
    int height = 0;
    size_t bytesPerLine = 0;  // 0: rows are not padded
};

class V4l2Camera : public CameraSource {
public:
    V4l2Camera(std::string devicePath, std::string cardName);
    ~V4l2Camera() override;

    std::string friendlyName() const override { return cardName_; }
    const std::string& devicePath() const { return path_; }
    int open() override;
    FrameFormat format() const override { return format_; }
    int start(FrameCallback onFrame, StreamEndCallback onEnd = nullptr) override;
    void stop() override;
    std::vector<CameraControl> controls() override;
    int setControl(uint32_t id, int value) override;

    // Size the device agreed to (640 x 480 unless it refused).
    int width() const { return layout_.width; }
    int height() const { return layout_.height; }

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };
    void run();
    void deliver(const uint8_t* data, size_t used);
    void release();

    std::string path_;
    std::string cardName_;
    int fd_ = -1;
    int wakeFd_ = -1;  // eventfd that ends the streaming thread
    FrameFormat format_ = FrameFormat::Other;
    V4l2FrameLayout layout_;
    std::vector<Buffer> buffers_;
    std::vector<uint8_t> converted_;  // padded or RGB frames, as the frame loop takes them
    FrameCallback onFrame_;
    StreamEndCallback onEnd_;
    std::thread worker_;
    std::atomic<bool> streaming_{false};
};

// The frame as the frame loop takes it: YUYV and YUV420 rows packed tight,
// uncompressed RGB turned into 24-bit bottom-up B-G-R rows, like a bitmap.
// Returns the rows written to `out`: 0 for a YUV buffer shorter than a whole
// frame; an RGB buffer gives the rows it holds.
int packV4l2Frame(const V4l2FrameLayout& layout, const uint8_t* data, size_t used, std::vector<uint8_t>& out);

// Every /dev/video* node that captures video, with the driver's card name.
CameraList listV4l2Cameras();

}  // namespace tarvel
