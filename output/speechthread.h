#pragma once
// The pause and the voice of an announcement on a thread of their own, so
// that the window keeps painting while a prompt is spoken. The order stays
// that of the synchronous announcement: sound, pause, speech, and only then
// the caller's frame timer again (`spoken` tells it the end).
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "output/clock.h"
#include "output/voiceprompts.h"

namespace tarvel {

class SpeechThread {
public:
    // `spoken` runs on the speech thread after each announcement.
    SpeechThread(Clock& clock, std::function<void()> spoken);
    // Lets the announcements already started finish, then ends the thread.
    ~SpeechThread();
    SpeechThread(const SpeechThread&) = delete;
    SpeechThread& operator=(const SpeechThread&) = delete;

    // Pauses `pauseMs`, speaks `markedUpText` with `voice` (none: only the
    // pause), then reports. The voice is kept alive until it has spoken, even
    // when the speech option is switched off meanwhile.
    void start(std::shared_ptr<Speaker> voice, std::string markedUpText, int pauseMs);
    bool busy() const;
    // Returns once every announcement started has been spoken.
    void wait();

private:
    struct Job {
        std::shared_ptr<Speaker> voice;
        std::string text;
        int pauseMs = 0;
    };
    void run();

    Clock& clock_;
    std::function<void()> spoken_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool working_ = false;
    bool ending_ = false;
    std::thread worker_;
};

}  // namespace tarvel
