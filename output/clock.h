#pragma once
// Milliseconds and pauses, injected so that the frame loop and the voice
// prompts can be tested without waiting.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tarvel {

class Clock {
public:
    virtual ~Clock() = default;
    // A tick count in milliseconds that wraps like a 32-bit counter.
    virtual uint32_t nowMs() = 0;
    virtual void sleepMs(int ms) = 0;
};

class SteadyClock : public Clock {
public:
    uint32_t nowMs() override;
    void sleepMs(int ms) override;
};

// Time moves only when told; pauses advance it and are remembered. Safe to
// use from the speech thread while the test's thread reads it.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start = 0) : now_(start) {}
    uint32_t nowMs() override { return now_; }
    void sleepMs(int ms) override {
        std::lock_guard<std::mutex> hold(lock_);
        pauses_.push_back(ms);
        now_ += static_cast<uint32_t>(ms);
    }
    void advance(uint32_t ms) { now_ += ms; }
    std::vector<int> pauses() const {
        std::lock_guard<std::mutex> hold(lock_);
        return pauses_;
    }

private:
    std::atomic<uint32_t> now_;
    mutable std::mutex lock_;
    std::vector<int> pauses_;
};

}  // namespace tarvel
