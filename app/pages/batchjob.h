#pragma once
// "批量阅卷…" off the user-interface thread. The pictures are graded into a
// working copy of the run on a thread of their own, so the window keeps
// painting its grid from the run while a folder of photos is read; when the
// thread has ended, the copy's records go back into the run. The teacher's
// choices in the list (a question answered, a suggested student clicked) read
// the picture again, so they run on the thread too.
#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <optional>

#include "capture/batchgrading.h"

namespace tarvel::app {

class BatchJob : public QObject {
    Q_OBJECT
public:
    // The files are graded into a copy of `run`, which must outlive the job.
    BatchJob(GradingRun& run, std::vector<std::string> files, QObject* parent = nullptr);
    // Stops between pictures and waits for the thread.
    ~BatchJob() override;

    // Once finished() has come, and only while the thread does not run: it
    // writes them.
    const BatchGrading& batch() const { return *batch_; }
    bool busy() const { return thread_ != nullptr; }

    // Grades every picture; progress() once the pictures are counted (a PDF
    // file is opened for its pages on the thread too) and after each one,
    // finished() at the end or after stop().
    void start();
    // The grading stops before the next picture.
    void stop() { stop_ = true; }
    // BatchGrading::choose and storeForStudent on the thread; finished()
    // follows. Ignored while the thread runs.
    void choose(size_t index, bool store);
    void storeForStudent(size_t index, int student);

signals:
    void progress(int done, int total);
    // The work has ended and the run holds what it stored; `stored` when
    // that changed the run.
    void finished(bool stored);

private:
    void runOff(std::function<void()> work);
    void done();

    GradingRun& run_;
    GradingRun work_;
    std::vector<std::string> files_;
    std::optional<BatchGrading> batch_;
    QThread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
};

}  // namespace tarvel::app
