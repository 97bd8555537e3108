#pragma once
// The camera connection of the camera page: the four-slot device table, the
// choice of a device, opening it and handing its frames to Csamplegrabbercb.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "capture/camerasource.h"
#include "capture/samplegrabber.h"
#include "recognition/image.h"

namespace tarvel {

inline constexpr int kDeviceSlots = 4;
inline constexpr const char* kNoCameraMessage = "没有发现可以使用的摄像头,请检查摄像头是否已经连接好了。";
inline constexpr const char* kCameraStartFailed = "摄像头无法启动，请检查摄像头是否被其他程序占用，然后重新连接。";
inline constexpr const char* kChooseCameraFirst = "请先选择一个摄像头设备！";
inline constexpr const char* kCameraLost = "摄像头已断开，请检查连接后重新点连接摄像头按钮。";
// Shown by the camera page after a connect, and by its Next button without a camera.
inline constexpr const char* kConnectedHint = "说明：要求答题卡在屏幕上显示正放 调整摄像头的距离使答题卡显示的大小合适";
inline constexpr const char* kConnectFirst = "请点连接摄像头按钮！";
inline constexpr const char* kDeviceListCaption = "摄像头设备列表";
inline constexpr const char* kPropertyCaption = "摄像头设备";

struct CaptureDevice {
    std::unique_ptr<CameraSource> source;
    std::string friendlyName;
};

// Every camera the machine offers: V4L2 devices, then the demo camera when
// the demo folder holds pictures.
CameraList listCameras();

class CameraConnection {
public:
    using DeviceLister = std::function<CameraList()>;
    // The device list window: shown with the names (row n is slot n - 1) and
    // the previous choice; returns the chosen slot, or nothing when the
    // window was closed without "确定".
    using DeviceChooser = std::function<std::optional<int>(const std::vector<std::string>& names, int previous)>;

    explicit CameraConnection(DeviceLister lister = listCameras);
    ~CameraConnection();

    enum class Result { Connected, NoDevice, StartFailed };
    // The connect button. Images are recreated in the frame's pixel format.
    Result connect(Prompter& prompter, const DeviceChooser& chooser, ImageSet& images);
    // Stops the camera (at shutdown).
    void disconnect();
    // True, once, when the running camera has stopped delivering for good
    // (unplugged, an I/O error); it is then stopped, and running() stays
    // false until the next connect.
    bool takeLostCamera();

    int deviceCount() const { return deviceCount_; }
    const std::array<CaptureDevice, kDeviceSlots>& devices() const { return devices_; }
    int chosenSlot() const { return chosenSlot_; }

    // The "media control": true while a camera is connected and streaming.
    bool running() const { return active_ != nullptr; }
    CameraSource* camera() { return active_; }  // for "画质调节"
    FrameFormat format() const { return format_; }
    uint32_t subtype() const { return subtypeOf(format_); }
    int bytesPerPixel() const { return bytesPerPixel_; }
    Csamplegrabbercb& grabber() { return grabber_; }

private:
    DeviceLister lister_;
    std::array<CaptureDevice, kDeviceSlots> devices_;
    int deviceCount_ = 0;
    int chosenSlot_ = 0;
    CameraSource* active_ = nullptr;
    FrameFormat format_ = FrameFormat::Other;
    int bytesPerPixel_ = 3;
    Csamplegrabbercb grabber_;
};

}  // namespace tarvel
