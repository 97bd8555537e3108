#pragma once
// What the window timing programs share: figures from samples, the thread's
// processor time, waiting in the event loop, and the demo's choices answered
// without dialogs.
#include <time.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "qt/desktop.h"
#include "gradingfile/gradingrun.h"

namespace tarvel::timing {

// A desktop that notes what it was asked to show instead of opening it.
struct RecordingDesktop : app::Desktop {
    std::vector<std::string> opened;
    bool open(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    bool openInTextEditor(const std::string&) override { return false; }
};

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline double percentile95(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() * 95 / 100];
}

// Resident memory of this process (/proc/self/statm), in kB.
inline long residentKb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Processor time of the calling thread.
inline double threadCpuMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Runs the event loop for `ms` (waiting, not spinning).
inline void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The calling (user-interface) thread's share of a processor, in per cent,
// while the event loop runs for `ms` after a second to settle.
inline double threadShareWhileRunning(int ms) {
    settle(1000);
    const double cpu0 = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    settle(ms);
    return (threadCpuMs() - cpu0) / double(wall.elapsed()) * 100;
}

inline constexpr const char* kDemoLayout = "DY标准85题自动AB卷.dat";

// "新阅卷" chooses the demo's layout.
struct DemoLayoutChooser : CardChooser {
    std::string choose(const std::string&, const std::string&) override { return kDemoLayout; }
};

// Every file dialog is cancelled.
struct NoFiles : FileDialogs {
    std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

}  // namespace tarvel::timing
