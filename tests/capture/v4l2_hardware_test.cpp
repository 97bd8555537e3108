// Streams a few frames from the first real camera. Exits 77 (skipped) when
// the machine has no video capture device.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "capture/v4l2camera.h"

using namespace tarvel;

int main() {
    CameraList cameras = listV4l2Cameras();
    if (cameras.empty()) {
        std::puts("no V4L2 capture device: skipped");
        return 77;
    }
    auto& camera = *cameras.front();
    std::printf("camera: %s\n", camera.friendlyName().c_str());
    if (camera.friendlyName().empty()) return 1;
    if (int r = camera.open(); r != 0) {
        std::printf("open failed: %d\n", r);
        return 1;
    }
    std::printf("format: %s\n", formatName(camera.format()));
    std::atomic<int> frames{0};
    std::atomic<size_t> bytes{0};
    if (camera.start([&](const uint8_t*, size_t n, int, int) {
            bytes = n;
            ++frames;
        }, nullptr) != 0) {
        return 1;
    }
    for (int i = 0; i < 50 && frames < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    camera.stop();
    const int seen = frames;
    std::printf("frames: %d, last %zu bytes, %zu controls\n", seen, size_t(bytes), camera.controls().size());
    return seen >= 3 && bytes > 0 ? 0 : 1;
}
