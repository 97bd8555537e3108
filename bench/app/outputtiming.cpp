// Timing program of the output page (not a test): both "输出" presses over
// the largest run (5000 students, 200 questions), driven through the real
// page. For each: how long the press itself holds the user-interface thread
// (the checks and the copy of the run), the longest gap between the ticks of
// a 10 ms timer on that thread until the file is shown, and the whole time
// from the press to the file shown. Files go to a scratch program folder;
// the desktop only records what it would open. The user-interface thread is
// bound to the first processor as in the program. Offscreen unless a display
// is set.
//   build/bench/tarvel_output_timing
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/affinity.h"
#include "base/paths.h"
#include "bench/app/windowtiming.h"
#include "bench/fullrun.h"
#include "dialogs/formtjprogress.h"
#include "mainwindow.h"
#include "pages/outputpage.h"

using namespace tarvel;
using namespace tarvel::app;

namespace {

struct NoCards : CardChooser {
    std::string choose(const std::string&, const std::string&) override { return {}; }
};
struct NoFiles : FileDialogs {
    std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

double threadCpuMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Press {
    double pressMs = 0;    // the click handler
    double longestGapMs = 0;  // between two ticks of the 10 ms timer
    double totalMs = 0;    // press to file shown
    double uiCpuMs = 0;    // processor time of the user-interface thread meanwhile
    int busySteps = 0;     // FormTJProgress animation steps
};

Press press(MainWindow& window, const char* button) {
    auto* page = static_cast<OutputPage*>(window.page(6));
    auto* busy = window.findChild<FormTJProgress*>("FormTJProgress");
    Press p;
    QElapsedTimer clock, sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        p.longestGapMs = std::max(p.longestGapMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    int steps = 0;
    auto counting = QObject::connect(busy->timer(), &QTimer::timeout, [&] { ++steps; });
    QEventLoop loop;
    auto done = QObject::connect(page, &OutputPage::outputShown, &loop, &QEventLoop::quit);
    ticker.start();
    sinceTick.start();
    const double cpu0 = threadCpuMs();
    clock.start();
    window.findChild<QPushButton*>(button)->click();
    p.pressMs = clock.nsecsElapsed() / 1e6;
    p.longestGapMs = std::max(p.longestGapMs, sinceTick.nsecsElapsed() / 1e6);
    sinceTick.restart();
    loop.exec();
    p.totalMs = clock.nsecsElapsed() / 1e6;
    p.uiCpuMs = threadCpuMs() - cpu0;
    p.longestGapMs = std::max(p.longestGapMs, sinceTick.nsecsElapsed() / 1e6);
    QObject::disconnect(done);
    QObject::disconnect(counting);
    p.busySteps = steps;
    return p;
}

void report(const char* what, std::vector<Press> presses) {
    auto median = [&](double Press::*field) {
        std::vector<double> v;
        for (const Press& p : presses) v.push_back(p.*field);
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    auto most = [&](double Press::*field) {
        double m = 0;
        for (const Press& p : presses) m = std::max(m, p.*field);
        return m;
    };
    std::printf("%s (%zu presses): press holds the UI thread median %.1f ms (max %.1f); longest UI gap median %.1f ms "
                "(max %.1f); press to file shown median %.0f ms (max %.0f), of it UI thread CPU median %.0f ms",
                what, presses.size(), median(&Press::pressMs), most(&Press::pressMs), median(&Press::longestGapMs),
                most(&Press::longestGapMs), median(&Press::totalMs), most(&Press::totalMs), median(&Press::uiCpuMs));
    if (presses[0].busySteps > 0) std::printf("; busy window steps %d", presses[0].busySteps);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("DISPLAY") && !getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    bindToFirstProcessor();  // as the program does
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("tarvel-output-timing-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    setProgramFolder(scratch.string());

    ScriptedPrompter prompter;
    NoFiles files;
    NoCards cards;
    timing::RecordingDesktop desktop;
    SteadyClock clock;
    NoSound silence;
    Services services{prompter,
                      files,
                      cards,
                      [](const std::vector<std::string>&, int) { return std::optional<int>(); },
                      [] { return CameraList(); },
                      desktop,
                      clock,
                      silence,
                      [] { return std::unique_ptr<Speaker>(); }};
    MainWindow window(services);
    window.show();
    const RunSnapshot& full = fullRun();
    window.run().students.roster = full.roster;
    window.run().settings = full.settings;
    window.run().records = full.records;
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(4);
    window.findChild<QPushButton*>("BtnNext5")->click();
    for (const char* name : {"NJSC", "BJSC", "NJTJ", "BJTJ"}) window.findChild<QComboBox*>(name)->setCurrentIndex(0);
    window.findChild<QPushButton*>("BtnAddAll")->click();
    for (const char* box : {"TJAverage", "TJXiaoTiRate", "TJDaTiRate", "TJXiaoTiWrong", "TJXiaoTiRight"})
        window.findChild<QCheckBox*>(box)->setChecked(true);
    window.findChild<QLineEdit*>("TJWrongRange")->setText("1-5");
    window.findChild<QLineEdit*>("TJRightRange")->setText("1-5");

    std::vector<Press> reports, statistics;
    for (int i = 0; i < 5; ++i) reports.push_back(press(window, "BtnSC"));
    for (int i = 0; i < 5; ++i) statistics.push_back(press(window, "BtnTJ"));
    report("score report, 5000 students x 12 items, xlsx", reports);
    report("statistics, 5000 x 200, every box, both charts", statistics);
    window.findChild<QLineEdit*>("TJWrongRange")->setText("1-200");
    window.findChild<QLineEdit*>("TJRightRange")->setText("1-200");
    report("statistics with the lists of all 200 questions both ways", {press(window, "BtnTJ")});

    const bool ok = desktop.opened.size() == 11 && prompter.shown().empty();
    if (!ok) std::fprintf(stderr, "not every press showed a file (%zu)\n", desktop.opened.size());
    std::filesystem::remove_all(scratch);
    return ok ? 0 : 1;
}
