#include "capture/virtualcamera.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>

#include "base/affinity.h"
#include "base/paths.h"
#include "base/savefile.h"
#include "capture/frameencode.h"

namespace tarvel {

void PictureList::add(std::shared_ptr<const Bitmap> picture, size_t times) {
    frames_.insert(frames_.end(), times, std::move(picture));
}

bool PictureList::picture(size_t index, Bitmap& out) {
    if (index >= frames_.size() || !frames_[index]) return false;
    out.copyFrom(*frames_[index]);
    return true;
}

namespace {

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

FrameFormat recordedFormat(const std::string& ext) {
    if (ext == ".bgr24") return FrameFormat::Rgb24;
    if (ext == ".yuy2") return FrameFormat::Yuy2;
    if (ext == ".i420") return FrameFormat::I420;
    if (ext == ".mjpg") return FrameFormat::Mjpg;
    return FrameFormat::Other;
}

}  // namespace

PictureFolder::PictureFolder(const std::string& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> pictures, recorded;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::string ext = lowerExtension(entry.path());
        if (ext == ".bmp" || ext == ".jpg" || ext == ".jpeg") pictures.push_back(entry.path());
        if (recordedFormat(ext) != FrameFormat::Other) recorded.push_back(entry.path());
    }
    std::sort(pictures.begin(), pictures.end());
    std::sort(recorded.begin(), recorded.end());
    if (!recorded.empty()) {
        raw_ = recordedFormat(lowerExtension(recorded.front()));
        for (const auto& path : recorded)
            if (recordedFormat(lowerExtension(path)) == raw_) files_.push_back(path.string());
    } else {
        for (const auto& path : pictures) files_.push_back(path.string());
    }
}

bool PictureFolder::picture(size_t index, Bitmap& out) {
    return raw_ == FrameFormat::Other && index < files_.size() && loadPicture(files_[index], out);
}

bool PictureFolder::rawFrame(size_t index, std::vector<uint8_t>& out) {
    if (raw_ == FrameFormat::Other || index >= files_.size()) return false;
    // No camera frame of 640 x 480 is larger than its 32-bit picture.
    constexpr size_t kMaxRecordedFrame = size_t(kCaptureWidth) * kCaptureHeight * 4;
    return readWholeFile(files_[index], out, kMaxRecordedFrame) == FileRead::Ok && !out.empty();
}

VirtualCamera::VirtualCamera(std::string name, std::unique_ptr<FrameSequence> frames, FrameFormat format,
                             int framesPerSecond)
    : name_(std::move(name)), frames_(std::move(frames)), format_(format), framesPerSecond_(framesPerSecond) {
    if (frames_ && frames_->rawFormat() != FrameFormat::Other) format_ = frames_->rawFormat();
    for (int i = 0; i < 256; ++i) levels_[i] = uint8_t(i);
}

namespace {

constexpr int kBrightnessRange = 100;
constexpr int kContrastMaximum = 200;

}  // namespace

std::vector<CameraControl> VirtualCamera::controls() {
    if (!frames_ || frames_->rawFormat() != FrameFormat::Other) return {};
    CameraControl brightness;
    brightness.id = kBrightnessControl;
    brightness.name = "亮度";
    brightness.minimum = -kBrightnessRange;
    brightness.maximum = kBrightnessRange;
    brightness.defaultValue = 0;
    brightness.value = brightness_;
    CameraControl contrast;
    contrast.id = kContrastControl;
    contrast.name = "对比度";
    contrast.minimum = 0;
    contrast.maximum = kContrastMaximum;
    contrast.defaultValue = 100;
    contrast.value = contrast_;
    return {brightness, contrast};
}

int VirtualCamera::setControl(uint32_t id, int value) {
    if (!frames_ || frames_->rawFormat() != FrameFormat::Other) return -95;  // EOPNOTSUPP
    if (id == kBrightnessControl && value >= -kBrightnessRange && value <= kBrightnessRange) {
        brightness_ = value;
        return 0;
    }
    if (id == kContrastControl && value >= 0 && value <= kContrastMaximum) {
        contrast_ = value;
        return 0;
    }
    return -22;  // EINVAL, as a driver answers an unknown control or a value out of range
}

void VirtualCamera::adjustPicture() {
    const int brightness = brightness_, contrast = contrast_;
    if (brightness == 0 && contrast == 100) return;
    if (brightness != levelsBrightness_ || contrast != levelsContrast_) {
        for (int i = 0; i < 256; ++i) {
            const int v = (i - 128) * contrast / 100 + 128 + brightness;
            levels_[i] = uint8_t(std::clamp(v, 0, 255));
        }
        levelsBrightness_ = brightness;
        levelsContrast_ = contrast;
    }
    uint8_t* p = picture_.data();
    for (size_t i = 0, n = picture_.byteSize(); i < n; ++i) p[i] = levels_[p[i]];
}

VirtualCamera::~VirtualCamera() { stop(); }

int VirtualCamera::open() { return frames_ && frames_->size() > 0 ? 0 : -19; }  // ENODEV

int VirtualCamera::start(FrameCallback onFrame, StreamEndCallback onEnd) {
    stop();
    onFrame_ = std::move(onFrame);
    onEnd_ = std::move(onEnd);
    ended_ = false;
    if (framesPerSecond_ <= 0) return 0;
    stopping_ = false;
    worker_ = std::thread(&VirtualCamera::run, this);
    return 0;
}

void VirtualCamera::stop() {
    {
        std::lock_guard<std::mutex> hold(waitLock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

bool VirtualCamera::endStream() {
    // A sequence that cannot give its next picture is a camera gone.
    ended_ = true;
    if (onEnd_) onEnd_(-EIO);
    return false;
}

bool VirtualCamera::deliverNext() {
    if (ended_ || !frames_ || frames_->size() == 0 || !onFrame_) return false;
    const size_t index = next_;
    next_ = (next_ + 1) % frames_->size();
    if (frames_->rawFormat() != FrameFormat::Other) {
        // Recorded camera bytes go out as they are; a short file is the
        // frame loop's business, as with a real camera.
        if (!frames_->rawFrame(index, raw_)) return endStream();
        onFrame_(raw_.data(), raw_.size(), kCaptureWidth, kCaptureHeight);
        ++delivered_;
        return true;
    }
    if (!frames_->picture(index, picture_)) return endStream();
    if (picture_.width() != kCaptureWidth || picture_.height() != kCaptureHeight || picture_.bytesPerPixel() != 3) {
        picture_ = fitToFrame(picture_);
    }
    adjustPicture();
    const std::vector<uint8_t> bytes = encodeFrame(picture_, format_);
    onFrame_(bytes.data(), bytes.size(), kCaptureWidth, kCaptureHeight);
    ++delivered_;
    return true;
}

void VirtualCamera::run() {
    takeProcessAffinity();  // not the user-interface thread's single processor
    const auto period = std::chrono::microseconds(1000000 / framesPerSecond_);
    auto due = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> hold(waitLock_);
    while (!stopping_) {
        hold.unlock();
        if (!deliverNext()) return;  // the stream has ended
        hold.lock();
        due += period;
        wake_.wait_until(hold, due, [this] { return stopping_; });
    }
}

std::unique_ptr<CameraSource> demoCamera(FrameFormat format) {
    auto folder = std::make_unique<PictureFolder>(installedPath(installed::kDemoCards));
    if (folder->size() == 0) return nullptr;
    return std::make_unique<VirtualCamera>(kVirtualCameraName, std::move(folder), format);
}

}  // namespace tarvel
