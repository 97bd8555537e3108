// Timing of "批量阅卷…" in the real window (not a test): a folder of pictures
// (a corpus set such as "photos") graded through the grading page as a
// teacher starts it, over the demo exam with the students of the set's
// truth.jsonl on the roster (without one: the sample roster's class 01, for
// frames of the demo cards). Prints the time from the menu to the list,
// pictures per second, the longest the user-interface thread went without
// turning its event loop meanwhile (the largest gap of a 10 ms timer), and
// the time to show each picture of the list when its row is clicked (drawn on
// the user-interface thread). --shot writes a picture of the list.
//   build/bench/tarvel_batch_timing FOLDER [--shot FILE.png]
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/paths.h"
#include "bench/app/windowtiming.h"
#include "demofiles.h"
#include "dialogs/batchresults.h"
#include "mainwindow.h"
#include "pages/gradingpage.h"
#include "qt/desktop.h"

using namespace tarvel;
using namespace tarvel::app;
using namespace tarvel::timing;

namespace {

struct FolderDialog : NoFiles {
    std::string folder;
    std::optional<std::string> chooseFolder(const FileDialogRequest&) override { return folder; }
};

// The students of the set (numbers from truth.jsonl, named 学生1, 学生2, ...)
// and the subject of its first card for the standard answer (the exam's).
std::string rosterFromTruth(const std::string& folder, Roster& roster) {
    std::ifstream truth(folder + "/truth.jsonl");
    const std::regex admission("\"admission\": \"([^\"]*)\""), subject("\"subject\": \"([^\"]*)\"");
    std::string line, standardSubject;
    std::smatch m;
    while (std::getline(truth, line)) {
        if (!std::regex_search(line, m, admission)) continue;
        const std::string number = m[1];
        if (number.find_first_not_of(' ') == std::string::npos) {
            if (standardSubject.empty() && std::regex_search(line, m, subject)) standardSubject = m[1];
            continue;
        }
        if (findStudent(roster, number)) continue;
        roster.admissionLength = int(number.size());
        roster.students.push_back({number, "学生" + std::to_string(roster.students.size() + 1), "", ""});
    }
    return standardSubject;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarvel_batch_timing FOLDER [--shot FILE.png]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const QString shotFile = argc > 3 && std::string(argv[2]) == "--shot" ? QString(argv[3]) : QString();
    setProgramFolder(TARVEL_PROGRAM_DIR);

    DecliningPrompter prompter;
    FolderDialog files;
    files.folder = folder;
    DemoLayoutChooser layout;
    QtDesktop desktop;
    SteadyClock clock;
    NoSound silence;
    Services services{prompter, files, layout, [](const std::vector<std::string>&, int) { return std::optional<int>(); },
                      [] { return CameraList(); }, desktop, clock, silence, [] { return std::unique_ptr<Speaker>(); }};
    MainWindow window(services);
    window.resize(1000, 760);
    window.show();
    window.findChild<QPushButton*>("BtnNewYJ")->click();
    GradingRun& run = window.run();
    const std::string problem = demo::loadExam(TARVEL_DEMO_EXAM, run.layout.current, kDemoLayout, run.settings);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    if (std::ifstream(folder + "/truth.jsonl")) {
        run.students.roster = Roster{};
        const std::string subject = rosterFromTruth(folder, run.students.roster);
        if (!subject.empty()) run.settings.subjectCode = subject;
        run.filter = {};
    } else {
        run.filter = {"20241", "01"};  // demo cards: the class of the sample roster "新阅卷" loaded
    }
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(4);
    window.page(5)->prepare();
    settle(300);

    // The largest gap between turns of the event loop while the batch runs.
    QElapsedTimer sinceTurn;
    double longestGap = 0;
    QTimer beat;
    beat.setInterval(10);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, double(sinceTurn.nsecsElapsed()) / 1e6);
        sinceTurn.restart();
    });
    QElapsedTimer wall;
    wall.start();
    sinceTurn.start();
    beat.start();
    window.findChild<QAction*>("NBatchFolder")->trigger();
    const double menuMs = double(wall.nsecsElapsed()) / 1e6;
    BatchResults* results = nullptr;
    while (!(results = window.findChild<BatchResults*>("FormBatchResults")) || !results->isVisible() ||
           results->job().busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double batchMs = double(wall.nsecsElapsed()) / 1e6;
    beat.stop();

    const auto& outcomes = results->job().batch().outcomes();
    size_t stored = 0;
    for (const BatchOutcome& o : outcomes) stored += o.stored();
    std::printf("batch grading of %zu pictures through the window: %.0f ms (%.1f pictures/s), %zu stored\n",
                outcomes.size(), batchMs, outcomes.size() / (batchMs / 1000), stored);
    std::printf("the menu command returned after %.1f ms; longest gap of the 10 ms timer meanwhile: %.1f ms\n",
                menuMs, longestGap);

    // Each row clicked: the click on the user-interface thread, then the
    // picture drawn as the read framed it (on a thread of its own).
    auto* list = results->findChild<QTableView*>("BatchList");
    int pictureShown = -1;
    QObject::connect(results, &BatchResults::pictureShown, [&](int row) { pictureShown = row; });
    std::map<std::string, std::vector<double>> clicks, shown;
    for (int row = 0; row < int(outcomes.size()); ++row) {
        list->setCurrentIndex({});  // the row is chosen anew even when it is the current one
        pictureShown = -1;
        QElapsedTimer t;
        t.start();
        list->selectRow(row);
        const std::string& path = outcomes[size_t(row)].path;
        const std::string kind = path.substr(path.rfind('.') + 1);
        clicks[kind].push_back(double(t.nsecsElapsed()) / 1e6);
        while (pictureShown != row) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        shown[kind].push_back(double(t.nsecsElapsed()) / 1e6);
    }
    for (const auto& [kind, times] : shown)
        std::printf(".%s pictures of the list (%zu): click on the UI thread slowest %.1f ms; picture shown after "
                    "median %.1f ms, slowest %.1f ms\n",
                    kind.c_str(), times.size(), *std::max_element(clicks[kind].begin(), clicks[kind].end()),
                    median(times), *std::max_element(times.begin(), times.end()));

    if (!shotFile.isEmpty()) {
        list->selectRow(std::min(1, int(outcomes.size()) - 1));
        settle(200);
        const QImage picture =
            results->grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ColorOnly | Qt::OrderedDither);
        if (!picture.save(shotFile, "PNG", 0)) std::fprintf(stderr, "cannot write %s\n", qPrintable(shotFile));
    }
    results->close();
    window.run().unsaved = false;
    return 0;
}
