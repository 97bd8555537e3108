#pragma once
// A camera without hardware: plays a sequence of 640 x 480 pictures in a loop
// in any of the four formats, at 10 frames per second on its own thread. It
// lets a machine without a webcam grade the demo cards, and lets the tests
// drive the frame loop with known pictures.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/camerasource.h"
#include "recognition/image.h"

namespace tarvel {

inline constexpr const char* kVirtualCameraName = "虚拟摄像头（演示答题卡）";

// The pictures a virtual camera plays.
class FrameSequence {
public:
    virtual ~FrameSequence() = default;
    virtual size_t size() const = 0;
    // The picture at `index` as a 24-bit bitmap; false if it cannot be had.
    virtual bool picture(size_t index, Bitmap& out) = 0;
};

// Pictures held in memory; a still scene repeats one shared picture.
class PictureList : public FrameSequence {
public:
    void add(std::shared_ptr<const Bitmap> picture, size_t times = 1);
    size_t size() const override { return frames_.size(); }
    bool picture(size_t index, Bitmap& out) override;

private:
    std::vector<std::shared_ptr<const Bitmap>> frames_;
};

// The .bmp/.jpg pictures of a folder in file-name order, read one at a time
// as they are played (a demo sequence is too large to hold in memory).
class PictureFolder : public FrameSequence {
public:
    explicit PictureFolder(const std::string& folder);
    size_t size() const override { return files_.size(); }
    bool picture(size_t index, Bitmap& out) override;

private:
    std::vector<std::string> files_;
};

class VirtualCamera : public CameraSource {
public:
    // framesPerSecond 0: no thread; frames come only from deliverNext().
    VirtualCamera(std::string name, std::unique_ptr<FrameSequence> frames, FrameFormat format,
                  int framesPerSecond = kCaptureFps);
    ~VirtualCamera() override;

    std::string friendlyName() const override { return name_; }
    int open() override;
    FrameFormat format() const override { return format_; }
    int start(FrameCallback onFrame) override;
    void stop() override;

    // Encodes the next picture of the loop and calls the frame callback on the
    // calling thread. False when nothing could be delivered.
    bool deliverNext();
    size_t delivered() const { return delivered_; }

private:
    void run();

    std::string name_;
    std::unique_ptr<FrameSequence> frames_;
    FrameFormat format_;
    int framesPerSecond_;
    FrameCallback onFrame_;
    size_t next_ = 0;
    std::atomic<size_t> delivered_{0};
    Bitmap picture_;

    std::mutex waitLock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread worker_;
};

// The demo camera for the folder "演示答题卡/" beside the program, in the
// given format; null when that folder holds no pictures.
std::unique_ptr<CameraSource> demoCamera(FrameFormat format = FrameFormat::Yuy2);

}  // namespace tarvel
