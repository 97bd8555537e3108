#include "pages/batchjob.h"

#include "base/affinity.h"

namespace tarvel::app {
namespace {

// What a card read uses of the run; the file's bytes stay with the run.
GradingRun workingCopy(const GradingRun& run) {
    GradingRun copy;
    copy.students = run.students;
    copy.settings = run.settings;
    copy.layout = run.layout;
    copy.filter = run.filter;
    copy.records = run.records;
    copy.lastAdmissionNumber = run.lastAdmissionNumber;
    return copy;
}

}  // namespace

BatchJob::BatchJob(GradingRun& run, std::vector<std::string> files, QObject* parent)
    : QObject(parent), run_(run), work_(workingCopy(run)), files_(std::move(files)) {}

BatchJob::~BatchJob() {
    if (!thread_) return;
    stop_ = true;
    thread_->wait();
    delete thread_;
}

void BatchJob::start() {
    stop_ = false;
    runOff([this] {
        batch_.emplace(work_, std::move(files_));
        emit progress(0, int(batch_->total()));
        batch_->run(stop_, [this](size_t done, size_t total) { emit progress(int(done), int(total)); });
    });
}

void BatchJob::choose(size_t index, bool store) {
    runOff([this, index, store] { batch_->choose(index, store); });
}

void BatchJob::storeForStudent(size_t index, int student) {
    runOff([this, index, student] { batch_->storeForStudent(index, student); });
}

void BatchJob::runOff(std::function<void()> work) {
    if (thread_) return;
    thread_ = QThread::create([work = std::move(work)] {
        takeProcessAffinity();  // not the user-interface thread's single processor
        work();
    });
    // QThread::finished comes from the ending thread: queued to this one.
    connect(thread_, &QThread::finished, this, &BatchJob::done);
    thread_->start();
}

void BatchJob::done() {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    // The grid shows the run: it takes what the pictures stored, and the
    // save button follows.
    const bool stored = work_.unsaved;
    if (stored) {
        run_.records = work_.records;
        run_.lastAdmissionNumber = work_.lastAdmissionNumber;
        run_.unsaved = true;
        work_.unsaved = false;
    }
    emit finished(stored);
}

}  // namespace tarvel::app
