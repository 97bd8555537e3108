#include "capture/samplegrabber.h"

namespace tarvel {

void Csamplegrabbercb::BufferCB(const uint8_t* data, size_t length, int width, int height) {
    std::lock_guard<std::mutex> hold(lock_);
    shared_.bytes.assign(data, data + length);
    shared_.width = width;
    shared_.height = height;
    shared_.number = ++counter_;
    fresh_ = true;
}

void Csamplegrabbercb::StreamEnded(int) {
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
}

bool Csamplegrabbercb::streamEnded() {
    std::lock_guard<std::mutex> hold(lock_);
    return ended_;
}

bool Csamplegrabbercb::takeNewest() {
    std::lock_guard<std::mutex> hold(lock_);
    if (fresh_) {
        std::swap(shared_, taken_);
        fresh_ = false;
    }
    return taken_.number != 0;
}

void Csamplegrabbercb::reset() {
    std::lock_guard<std::mutex> hold(lock_);
    shared_ = Sample{};
    taken_ = Sample{};
    fresh_ = false;
    counter_ = 0;
    ended_ = false;
}

}  // namespace tarvel
