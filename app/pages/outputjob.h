#pragma once
// One "输出" of the output page off the user-interface thread: the work runs
// on a thread of its own (over a copy of the run it holds) and reports its
// progress and its end back through queued signals, so the window keeps
// painting while a large workbook is written.
#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>

#include "output/outputfile.h"

namespace tarvel::app {

class OutputJob : public QObject {
    Q_OBJECT
public:
    using Work = std::function<OutputFile(const ProgressFn&)>;

    explicit OutputJob(QObject* parent = nullptr) : QObject(parent) {}
    // Asks running work to stop at its next progress report and waits for it.
    ~OutputJob() override;

    bool running() const { return thread_ != nullptr; }
    // Starts `work` unless one runs (false then). progress() follows each new
    // position, finished() comes once at the end, both on this object's thread.
    bool start(Work work);

signals:
    void progress(int percent);
    void finished(const tarvel::OutputFile& file);

private:
    void done();

    QThread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
    OutputFile result_;  // written by the work's thread before it ends
};

}  // namespace tarvel::app
