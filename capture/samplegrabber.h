#pragma once
// Csamplegrabbercb: hands the newest camera sample from the source's streaming
// thread to the frame loop on the user-interface thread.
//
// The streaming thread calls BufferCB for every frame; it copies the sample
// into the shared slot under a short lock. The tick swaps the shared slot with
// its own buffer under the same lock, so it converts one whole sample that no
// other thread touches while it works. The copy keeps the sample valid after
// the source reuses its buffer.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tarvel {

// One complete sample as the tick sees it.
struct Sample {
    std::vector<uint8_t> bytes;
    int width = 0;   // what the source delivered (normally 640 x 480)
    int height = 0;
    uint64_t number = 0;  // counts samples since the last reset, from 1
};

class Csamplegrabbercb {
public:
    // Streaming thread: records the newest sample.
    void BufferCB(const uint8_t* data, size_t length, int width, int height);
    // Streaming thread: the source stopped delivering for good.
    void StreamEnded(int error);

    // User-interface thread: makes `latest()` the newest complete sample.
    // Returns false while no sample has arrived since the last reset; with no
    // newer sample the previous one stays (the tick converts it again).
    bool takeNewest();
    const Sample& latest() const { return taken_; }

    // User-interface thread: whether the stream has ended since the last reset.
    bool streamEnded();

    // Forgets every sample and the end of the stream (at each connect).
    void reset();

private:
    std::mutex lock_;
    Sample shared_;        // guarded by lock_
    bool fresh_ = false;   // guarded by lock_
    uint64_t counter_ = 0; // guarded by lock_
    bool ended_ = false;   // guarded by lock_
    Sample taken_;         // user-interface thread only
};

}  // namespace tarvel
