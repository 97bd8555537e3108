#include "pages/outputjob.h"

#include <exception>
#include <new>

#include "base/affinity.h"

namespace tarvel::app {

OutputJob::~OutputJob() {
    if (!thread_) return;
    stop_ = true;
    thread_->wait();
    delete thread_;
}

bool OutputJob::start(Work work) {
    if (thread_) return false;
    stop_ = false;
    result_ = {};
    thread_ = QThread::create([this, work = std::move(work)] {
        takeProcessAffinity();  // not the user-interface thread's single processor
        int last = -1;
        // Emitted on this thread; the window's receivers get it queued.
        const ProgressFn report = [this, &last](int percent) {
            if (percent != last) {
                last = percent;
                emit progress(percent);
            }
            return !stop_.load();
        };
        try {
            result_ = work(report);
        } catch (const std::bad_alloc&) {
            result_ = {};
            result_.message = "内存不足，无法输出";
        } catch (const std::exception& e) {
            result_ = {};
            result_.message = std::string("输出出错：") + e.what();
        }
    });
    // QThread::finished comes from the ending thread: queued to this one.
    connect(thread_, &QThread::finished, this, &OutputJob::done);
    thread_->start();
    return true;
}

void OutputJob::done() {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    emit finished(result_);
}

}  // namespace tarvel::app
