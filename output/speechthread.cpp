#include "output/speechthread.h"

#include "base/affinity.h"

namespace tarvel {

SpeechThread::SpeechThread(Clock& clock, std::function<void()> spoken)
    : clock_(clock), spoken_(std::move(spoken)), worker_([this] { run(); }) {}

SpeechThread::~SpeechThread() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        ending_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void SpeechThread::start(std::shared_ptr<Speaker> voice, std::string markedUpText, int pauseMs) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        jobs_.push_back({std::move(voice), std::move(markedUpText), pauseMs});
    }
    wake_.notify_all();
}

bool SpeechThread::busy() const {
    std::lock_guard<std::mutex> hold(lock_);
    return working_ || !jobs_.empty();
}

void SpeechThread::wait() {
    std::unique_lock<std::mutex> hold(lock_);
    idle_.wait(hold, [this] { return !working_ && jobs_.empty(); });
}

void SpeechThread::run() {
    takeProcessAffinity();  // not the user-interface thread's single processor
    std::unique_lock<std::mutex> hold(lock_);
    while (true) {
        wake_.wait(hold, [this] { return ending_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // ending, with everything spoken
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        working_ = true;
        hold.unlock();
        clock_.sleepMs(job.pauseMs);
        if (job.voice) job.voice->speak(job.text);
        job.voice.reset();  // released here when the option was switched off meanwhile
        if (spoken_) spoken_();
        hold.lock();
        working_ = false;
        if (jobs_.empty()) idle_.notify_all();
    }
}

}  // namespace tarvel
