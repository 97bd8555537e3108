#include "capture/connection.h"

#include "capture/v4l2camera.h"
#include "capture/virtualcamera.h"

namespace tarvel {

CameraList listCameras() {
    CameraList cameras = listV4l2Cameras();
    if (auto demo = demoCamera()) cameras.push_back(std::move(demo));
    return cameras;
}

CameraConnection::CameraConnection(DeviceLister lister) : lister_(std::move(lister)) {}

CameraConnection::~CameraConnection() { disconnect(); }

void CameraConnection::disconnect() {
    if (active_) active_->stop();
    active_ = nullptr;
}

bool CameraConnection::takeLostCamera() {
    if (!active_ || !grabber_.streamEnded()) return false;
    disconnect();
    return true;
}

CameraConnection::Result CameraConnection::connect(Prompter& prompter, const DeviceChooser& chooser,
                                                   ImageSet& images) {
    // The previous camera must stop calling back before its object goes.
    disconnect();
    grabber_.reset();
    for (CaptureDevice& d : devices_) d = CaptureDevice{};
    deviceCount_ = 0;

    CameraList found = lister_ ? lister_() : CameraList{};
    // A fifth device and beyond are not listed.
    for (auto& source : found) {
        if (deviceCount_ == kDeviceSlots) break;
        devices_[deviceCount_].friendlyName = source->friendlyName();
        devices_[deviceCount_].source = std::move(source);
        ++deviceCount_;
    }
    if (deviceCount_ == 0) {
        prompter.notice(kNoCameraMessage);
        return Result::NoDevice;
    }

    if (deviceCount_ == 1) {
        chosenSlot_ = 0;
    } else {
        std::vector<std::string> names;
        for (int i = 0; i < deviceCount_; ++i) names.push_back(devices_[i].friendlyName);
        std::optional<int> choice = chooser ? chooser(names, chosenSlot_) : std::nullopt;
        if (choice && *choice >= 0 && *choice < deviceCount_) chosenSlot_ = *choice;
        // A previous choice beyond the new list falls back to the first camera.
        if (chosenSlot_ >= deviceCount_) chosenSlot_ = 0;
    }

    CameraSource* source = devices_[chosenSlot_].source.get();
    if (source->open() != 0) {
        prompter.notice(kCameraStartFailed);
        return Result::StartFailed;
    }
    format_ = source->format();
    // An unknown format keeps the previous pixel size; its frames are not converted.
    if (int bpp = frameBytesPerPixel(format_)) bytesPerPixel_ = bpp;
    images.create(bytesPerPixel_);

    auto onFrame = [this](const uint8_t* data, size_t length, int width, int height) {
        grabber_.BufferCB(data, length, width, height);
    };
    if (source->start(onFrame, [this](int error) { grabber_.StreamEnded(error); }) != 0) {
        prompter.notice(kCameraStartFailed);
        return Result::StartFailed;
    }
    active_ = source;
    return Result::Connected;
}

}  // namespace tarvel
