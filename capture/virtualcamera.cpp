#include "capture/virtualcamera.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "base/paths.h"
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

PictureFolder::PictureFolder(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (entry.is_regular_file(error) && (ext == ".bmp" || ext == ".jpg" || ext == ".jpeg")) {
            files_.push_back(entry.path().string());
        }
    }
    std::sort(files_.begin(), files_.end());
}

bool PictureFolder::picture(size_t index, Bitmap& out) {
    return index < files_.size() && loadPicture(files_[index], out);
}

VirtualCamera::VirtualCamera(std::string name, std::unique_ptr<FrameSequence> frames, FrameFormat format,
                             int framesPerSecond)
    : name_(std::move(name)), frames_(std::move(frames)), format_(format), framesPerSecond_(framesPerSecond) {}

VirtualCamera::~VirtualCamera() { stop(); }

int VirtualCamera::open() { return frames_ && frames_->size() > 0 ? 0 : -19; }  // ENODEV

int VirtualCamera::start(FrameCallback onFrame) {
    stop();
    onFrame_ = std::move(onFrame);
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

bool VirtualCamera::deliverNext() {
    if (!frames_ || frames_->size() == 0 || !onFrame_) return false;
    const size_t index = next_;
    next_ = (next_ + 1) % frames_->size();
    if (!frames_->picture(index, picture_)) return false;
    if (picture_.width() != kCaptureWidth || picture_.height() != kCaptureHeight || picture_.bytesPerPixel() != 3) {
        picture_ = fitToFrame(picture_);
    }
    const std::vector<uint8_t> bytes = encodeFrame(picture_, format_);
    onFrame_(bytes.data(), bytes.size(), kCaptureWidth, kCaptureHeight);
    ++delivered_;
    return true;
}

void VirtualCamera::run() {
    const auto period = std::chrono::microseconds(1000000 / framesPerSecond_);
    auto due = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> hold(waitLock_);
    while (!stopping_) {
        hold.unlock();
        deliverNext();
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
