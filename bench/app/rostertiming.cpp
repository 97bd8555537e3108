// Timing program of the students page (not a test): a class list of 5000
// students pasted from the clipboard into the student grid, merged into the
// roster by the next group change and drawn; switching the shown group of a
// 5000-student roster; scrolling the grid by a page. Every step is measured
// from the click or key to the end of the repaint. Runs offscreen unless a
// display is set.
//   build/bench/tarvel_roster_timing
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "mainwindow.h"
#include "widgets/gridview.h"

using namespace tarvel;
using namespace tarvel::app;

namespace {

struct Yes : Prompter {
    void message(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    void notice(const std::string& text) override { message(text); }
    Answer askYesNo(const std::string&) override { return Answer::Yes; }
    Answer askYesNoCancel(const std::string&) override { return Answer::No; }
    Answer askOkCancel(const std::string&) override { return Answer::Ok; }
};
struct Nothing : FileDialogs, CardChooser, SoundPlayer, Desktop {
    std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::string choose(const std::string&, const std::string&) override { return {}; }
    void play(const std::string&) override {}
    bool open(const std::string&) override { return false; }
    bool openInTextEditor(const std::string&) override { return false; }
};

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds of `step` followed by a repaint of the grid, median of `runs`
// (each run prepared by `setUp`, which is not timed).
double timed(int runs, const std::function<void()>& setUp, const std::function<void()>& step, GridView* grid) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        setUp();
        settle(20);
        QElapsedTimer t;
        t.start();
        step();
        grid->viewport()->repaint();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

const char* const kSurnames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄"};
const char* const kGivenNames[] = {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军"};
std::string nameOf(int i) { return std::string(kSurnames[i % 8]) + kGivenNames[(i / 8) % 10] + kGivenNames[i % 10]; }

// Grade 2024 (code 20241) and classes with two-digit codes; the page shows class 01.
Roster settings() {
    Roster r;
    r.gradesEnabled = r.classesEnabled = true;
    r.grades = {{"2024级", "20241"}};
    r.selectedGrade = r.grades[0];
    r.selectedClassCode = "01";
    r.admissionPrefix = "2024101";
    return r;
}

Roster fullRoster(int classes) {
    Roster r = settings();
    for (int i = 0; i < kMaxStudents; ++i) {
        const int c = i % classes + 1;
        const std::string code = (c < 10 ? "0" : "") + std::to_string(c);
        r.students.push_back({"20241" + code + std::to_string(100 + i / classes), nameOf(i), "20241", code});
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("DISPLAY") && !getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    Yes prompter;
    Nothing nothing;
    SteadyClock clock;
    Services services{prompter,
                      nothing,
                      nothing,
                      [](const std::vector<std::string>&, int) { return std::nullopt; },
                      [] { return CameraList{}; },
                      nothing,
                      clock,
                      nothing,
                      [] { return std::unique_ptr<Speaker>(); }};
    MainWindow window(services);
    window.show();
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(2);
    settle(200);
    auto* grid = window.findChild<GridView*>("SGridXS");
    auto* classBox = window.findChild<QLineEdit*>("EdtBJSelected");
    auto* paste = window.findChild<QPushButton*>("BtnXueShengPasteFrom");
    Roster& roster = window.run().students.roster;
    auto show = [&](const Roster& r) {
        roster = r;
        window.page(3)->prepare();
    };

    // A class list copied from a spreadsheet: admission number and name.
    std::string list;
    for (int i = 0; i < kMaxStudents; ++i) list += std::to_string(202410000 + i) + "\t" + nameOf(i) + "\r\n";
    QGuiApplication::clipboard()->setText(QString::fromStdString(list));
    const double pasted = timed(
        9, [&] { show(settings()); }, [&] { paste->click(); }, grid);
    const double pastedAndMerged = timed(
        9, [&] { show(settings()); },
        [&] {
            paste->click();
            grid->viewport()->repaint();
            classBox->setText("02");  // the group change merges the 5000 rows into the roster
        },
        grid);
    if (roster.students.size() != size_t(kMaxStudents)) {
        std::fprintf(stderr, "the paste did not reach the roster (%zu students)\n", roster.students.size());
        return 1;
    }
    std::printf(
        "paste 5000 rows (click to repaint): median %.1f ms; with the merge of the next group change and "
        "its repaint: median %.1f ms\n",
        pasted, pastedAndMerged);

    for (int classes : {2, 50}) {
        show(fullRoster(classes));
        int shown = 1;
        const double switched = timed(
            9, [] {},
            [&] {
                shown = shown == 1 ? 2 : 1;
                classBox->setText(shown == 1 ? "01" : "02");
            },
            grid);
        if (grid->model()->rowCount() != kMaxStudents / classes) {
            std::fprintf(stderr, "the grid shows %d rows, not a class\n", grid->model()->rowCount());
            return 1;
        }
        std::printf("switch the shown class of 5000 students in %d classes (%d rows each): median %.1f ms\n", classes,
                    kMaxStudents / classes, switched);
    }

    show(settings());
    paste->click();
    if (grid->model()->rowCount() != kMaxStudents) {
        std::fprintf(stderr, "the paste left %d rows\n", grid->model()->rowCount());
        return 1;
    }
    QScrollBar* bar = grid->verticalScrollBar();
    const double scrolled = timed(
        20, [] {},
        [&] { bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep()); },
        grid);
    std::printf("scroll a page of the 5000-row grid: median %.2f ms\n", scrolled);
    return 0;
}
