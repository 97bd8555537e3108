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
// The picture controls of a virtual camera ("画质调节"): brightness is added
// to every colour, contrast (in per cent) stretches the colours around
// middle gray, as a webcam's image processor does.
inline constexpr uint32_t kBrightnessControl = 1;
inline constexpr uint32_t kContrastControl = 2;

// The pictures a virtual camera plays.
class FrameSequence {
public:
    virtual ~FrameSequence() = default;
    virtual size_t size() const = 0;
    // The picture at `index` as a 24-bit bitmap; false if it cannot be had.
    virtual bool picture(size_t index, Bitmap& out) = 0;
    // Sequences of recorded camera bytes name their format and hand the bytes
    // over unchanged; picture sequences answer Other.
    virtual FrameFormat rawFormat() const { return FrameFormat::Other; }
    virtual bool rawFrame(size_t /*index*/, std::vector<uint8_t>& /*out*/) { return false; }
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

// The frames of a folder in file-name order, read one at a time as they are
// played (a demo sequence is too large to hold in memory): either pictures
// (.bmp, .jpg) or recorded camera frames of 640 x 480 (.bgr24 bottom-up,
// .yuy2, .i420, .mjpg), as the card simulator writes them. A folder holding
// camera frames plays those of the first such kind in name order.
class PictureFolder : public FrameSequence {
public:
    explicit PictureFolder(const std::string& folder);
    size_t size() const override { return files_.size(); }
    bool picture(size_t index, Bitmap& out) override;
    FrameFormat rawFormat() const override { return raw_; }
    bool rawFrame(size_t index, std::vector<uint8_t>& out) override;

private:
    std::vector<std::string> files_;
    FrameFormat raw_ = FrameFormat::Other;
};

class VirtualCamera : public CameraSource {
public:
    // framesPerSecond 0: no thread; frames come only from deliverNext().
    // A sequence of recorded camera frames plays in its own format.
    VirtualCamera(std::string name, std::unique_ptr<FrameSequence> frames, FrameFormat format,
                  int framesPerSecond = kCaptureFps);
    ~VirtualCamera() override;

    std::string friendlyName() const override { return name_; }
    int open() override;
    FrameFormat format() const override { return format_; }
    int start(FrameCallback onFrame, StreamEndCallback onEnd = nullptr) override;
    void stop() override;
    // Brightness and contrast for picture sequences; recorded camera bytes
    // are sent as recorded and offer none.
    std::vector<CameraControl> controls() override;
    int setControl(uint32_t id, int value) override;

    // Encodes the next picture of the loop and calls the frame callback on the
    // calling thread. False when nothing could be delivered. A picture the
    // sequence cannot give ends the stream, as an unplugged camera does: the
    // end callback is called and nothing more is delivered until a new start.
    bool deliverNext();
    size_t delivered() const { return delivered_; }

private:
    void run();
    bool endStream();
    void adjustPicture();

    std::string name_;
    std::unique_ptr<FrameSequence> frames_;
    FrameFormat format_;
    int framesPerSecond_;
    FrameCallback onFrame_;
    StreamEndCallback onEnd_;
    size_t next_ = 0;
    bool ended_ = false;  // streaming thread (or the caller of deliverNext) only
    std::atomic<size_t> delivered_{0};
    Bitmap picture_;
    std::vector<uint8_t> raw_;
    // Set by the user-interface thread, read by the streaming thread.
    std::atomic<int> brightness_{0};
    std::atomic<int> contrast_{100};
    // The streaming thread's colour table for the values it last saw.
    uint8_t levels_[256];
    int levelsBrightness_ = 0;
    int levelsContrast_ = 100;

    std::mutex waitLock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread worker_;
};

// The demo camera for the folder "演示答题卡/" beside the program, in the
// given format; null when that folder holds no pictures.
std::unique_ptr<CameraSource> demoCamera(FrameFormat format = FrameFormat::Yuy2);

}  // namespace tarvel
