#pragma once
// Cameras of the Linux video capture API (V4L2) with memory-mapped streaming.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "capture/camerasource.h"

namespace tarvel {

class V4l2Camera : public CameraSource {
public:
    V4l2Camera(std::string devicePath, std::string cardName);
    ~V4l2Camera() override;

    std::string friendlyName() const override { return cardName_; }
    const std::string& devicePath() const { return path_; }
    int open() override;
    FrameFormat format() const override { return format_; }
    int start(FrameCallback onFrame) override;
    void stop() override;
    std::vector<CameraControl> controls() override;
    int setControl(uint32_t id, int value) override;

    // Size the device agreed to (640 x 480 unless it refused).
    int width() const { return width_; }
    int height() const { return height_; }

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
    uint32_t pixelFormat_ = 0;
    int width_ = 0;
    int height_ = 0;
    size_t bytesPerLine_ = 0;
    std::vector<Buffer> buffers_;
    std::vector<uint8_t> converted_;  // RGB frames turned bottom-up B-G-R
    FrameCallback onFrame_;
    std::thread worker_;
    std::atomic<bool> streaming_{false};
};

// Every /dev/video* node that captures video, with the driver's card name.
CameraList listV4l2Cameras();

}  // namespace tarvel
