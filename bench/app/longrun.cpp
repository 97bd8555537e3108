// Timing program of a long grading run in the real window (not a test): a
// generated run of 5000 records (200 questions, 5000 students in 100
// classes) saved, opened again to a filled grid, shown class by class,
// scored again and written out (score report and statistics), and the
// resident memory with those records and the demo camera running on the
// grading page. Saving is compared with a plain write and flush of the same
// bytes to the same disk, alternately, in the same run.
// Files go to a scratch program folder beside the build's layouts and demo
// cards; the desktop only records what it would open. Offscreen unless a
// display is set.
//   build/bench/tarvel_longrun_timing [rounds]
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/affinity.h"
#include "base/paths.h"
#include "bench/app/windowtiming.h"
#include "bench/fullrun.h"
#include "capture/virtualcamera.h"
#include "mainwindow.h"
#include "pages/gradingpage.h"
#include "pages/outputpage.h"

using namespace tarvel;
using namespace tarvel::app;
using namespace tarvel::timing;
namespace fs = std::filesystem;

namespace {

struct RunFileDialog : FileDialogs {
    std::string path;
    std::optional<std::string> openFile(const FileDialogRequest&) override { return path; }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

// The same bytes written plainly: one write, flushed to the disk. Over the
// same bytes of an earlier write (as a save replaces a file of its size),
// or into a new file.
double plainWriteMs(const std::string& path, const std::vector<uint8_t>& bytes, bool over) {
    if (over) plainWriteMs(path, bytes, false);
    ::usleep(50000);
    QElapsedTimer t;
    t.start();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    ::fsync(fd);
    ::close(fd);
    const double ms = t.nsecsElapsed() / 1e6;
    if (!over) ::unlink(path.c_str());
    return ms;
}

template <class F>
double timed(F f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// For the disk: whatever the previous step left to it (a replaced file freed
// after a save) is done before the next is timed.
template <class F>
double timedOnDisk(F f) {
    ::usleep(50000);
    return timed(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("DISPLAY") && !getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
    QApplication app(argc, argv);
    bindToFirstProcessor();
    const fs::path folder = fs::temp_directory_path() / ("tarvel-longrun-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const char* shared : {"模板文件", "演示答题卡"})
        fs::create_directory_symlink(fs::path(TARVEL_PROGRAM_DIR) / shared, folder / shared);
    setProgramFolder(folder.string());

    ScriptedPrompter prompter;
    RunFileDialog files;
    DemoLayoutChooser layouts;
    RecordingDesktop desktop;
    SteadyClock clock;
    NoSound silence;
    Services services{prompter,
                      files,
                      layouts,
                      firstCamera,
                      [] { return onlyDemoCamera(); },
                      desktop,
                      clock,
                      silence,
                      noVoice};

    // The generated run, as a window holds it after grading; dropped before
    // the window opens it.
    std::string runFile;
    size_t recordCount = 0;
    {
        GradingRun generated;
        {
            const RunSnapshot& full = fullRun();
            generated.students.roster = full.roster;
            generated.settings = full.settings;
            generated.settings.cardName = "JD标准100题.dat";
            generated.records = full.records;
            // Every record of a student of the roster, as a read stores it.
            for (size_t i = 1; i < generated.records.size(); ++i) {
                const StudentEntry& student = full.roster.students[i - 1];
                GradingRecord& r = generated.records[i];
                r.gradeCode = student.gradeCode;
                r.gradeName = "2024级";
                r.classCode = student.classCode;
                r.readCount = 1;
            }
            generated.filter = {"20241", "ALL"};
        }
        runFile = rawFilePath(generated.settings);
        recordCount = generated.records.size();
        files.path = runFile;

        // Saving: a run's first save (every record encoded, nothing to compare
        // with), a save after one change as the window repeats it, and the
        // first save after the run was opened (every block compared with the
        // opened file's bytes), each followed by the plain write and flush of
        // the same bytes; then a save's parts: the encoding alone and the
        // atomic write with its flush alone.
        std::vector<double> firstSave, resave, reopened, plain, plainOver, encode, atomic;
        std::string error;
        GradingRun steady = generated;
        for (int i = 0; i < 2; ++i) writeRawFile(steady, runFile);
        std::vector<uint8_t> image, written;
        auto savedBytes = [&]() -> const std::vector<uint8_t>& {
            readWholeFile(runFile, written, kMaxRawFileSize);
            return written;
        };
        auto check = [&] {
            if (error.empty()) return true;
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        };
        for (int i = 0; i < rounds; ++i) {
            GradingRun fresh = generated;
            firstSave.push_back(timedOnDisk([&] { error = writeRawFile(fresh, runFile); }));
            if (!check()) return 1;
            plain.push_back(plainWriteMs((folder / "plain.bin").string(), savedBytes(), false));
            steady.records[1].readCount += 1;
            resave.push_back(timedOnDisk([&] { error = writeRawFile(steady, runFile); }));
            if (!check()) return 1;
            plainOver.push_back(plainWriteMs((folder / "over.bin").string(), savedBytes(), true));
            GradingRun opened = steady;
            opened.fileBytes = savedBytes();
            opened.records[1].readCount += 1;
            reopened.push_back(timedOnDisk([&] { error = writeRawFile(opened, runFile); }));
            if (!check()) return 1;
            encode.push_back(timedOnDisk([&] {
                encodeRawFile(steady.students.roster, steady.settings, steady.filter, steady.records, {},
                              [](const uint8_t*, size_t) { return true; });
            }));
            image = savedBytes();
            atomic.push_back(timedOnDisk([&] { saveFileAtomically(runFile, image, error); }));
        }
        const double bytes = double(fs::file_size(runFile));
        std::printf("save of %zu records (%.1f MB), median of %d (goal: <= 1.5 x the plain write and flush)\n",
                    generated.records.size(), bytes / 1e6, rounds);
        std::printf("  plain write + flush into a new file: %.1f ms; over the file's old bytes: %.1f ms\n",
                    median(plain), median(plainOver));
        std::printf("  first save (every record encoded): %.1f ms = %.2f x the new file's\n", median(firstSave),
                    median(firstSave) / median(plain));
        std::printf("  save after one change:             %.1f ms = %.2f x the new file's, %.2f x the overwrite's\n",
                    median(resave), median(resave) / median(plain), median(resave) / median(plainOver));
        std::printf("  first save after opening the file: %.1f ms = %.2f x the new file's, %.2f x the overwrite's\n",
                    median(reopened), median(reopened) / median(plain), median(reopened) / median(plainOver));
        std::printf("  of which: encoding %.1f ms, atomic write and flush %.1f ms\n", median(encode), median(atomic));
    }

    // "打开阅卷原始文件" to the filled grid on the grading page, painted (the
    // marker a save by the window leaves enables the button).
    std::string error;
    saveFileAtomically(installedPath(installed::kSavedMarker), {0x01}, error);
    MainWindow window(services);
    window.resize(1024, 768);
    window.show();
    settle(300);
    auto* page = static_cast<GradingPage*>(window.page(5));
    auto enterGrading = [&] {
        window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(4);
        window.capture().setPage(FrameLoop::Page::Grading);
        page->prepare();
        page->grid()->viewport()->repaint();
    };
    std::vector<double> open;
    for (int i = 0; i < rounds; ++i) {
        window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
        settle(50);
        open.push_back(timed([&] {
            window.findChild<QPushButton*>("BtnOpenYJFile1")->click();
            enterGrading();
        }));
        if (window.run().records.size() != recordCount) {
            std::fprintf(stderr, "the run did not open\n");
            return 1;
        }
    }
    std::printf(
        "open the run to the filled grid (read, decode, page 5 prepared, grid painted; goal <= 100 ms):"
        " median %.1f ms, max %.1f ms, %d rows\n",
        median(open), *std::max_element(open.begin(), open.end()), page->gridModel().rowCount());

    // Another class shown; all classes; scored again.
    auto* classes = window.findChild<QComboBox*>("BJYJ");
    std::vector<double> filter, rescore;
    for (int i = 0; i < rounds; ++i) {
        const int index = 1 + (i * 7) % (classes->count() - 1);
        filter.push_back(timed([&] {
            classes->setCurrentIndex(index);
            emit classes->activated(index);
            page->grid()->viewport()->repaint();
        }));
    }
    const int all = classes->findText("所有班级");
    if (all >= 0) {
        classes->setCurrentIndex(all);
        emit classes->activated(all);
    }
    QAction* refresh = window.findChild<QAction*>("NRefresh");
    for (int i = 0; i < rounds; ++i)
        rescore.push_back(timed([&] {
            refresh->trigger();
            page->grid()->viewport()->repaint();
        }));
    std::printf("another class shown (grid refilled and painted): median %.1f ms\n", median(filter));
    std::printf("重新算分 over %d rows, painted: median %.1f ms\n", page->gridModel().rowCount(), median(rescore));

    // Written out: the report of the whole grade and its statistics.
    window.findChild<QPushButton*>("BtnNext5")->click();
    auto* output = static_cast<OutputPage*>(window.page(6));
    auto pressOutput = [&](const char* button) {
        bool shown = false;
        QEventLoop wait;
        auto c = QObject::connect(output, &OutputPage::outputShown, &wait, [&] {
            shown = true;
            wait.quit();
        });
        const double ms = timed([&] {
            window.findChild<QPushButton*>(button)->click();
            if (!shown) {
                QTimer::singleShot(120000, &wait, &QEventLoop::quit);
                wait.exec();
            }
        });
        QObject::disconnect(c);
        return shown ? ms : -1;
    };
    for (auto [grade, cls] : {std::pair{"NJSC", "BJSC"}, {"NJTJ", "BJTJ"}}) {
        window.findChild<QComboBox*>(grade)->setCurrentIndex(0);
        window.findChild<QComboBox*>(cls)->setCurrentIndex(0);
    }
    window.findChild<QPushButton*>("BtnAddAll")->click();
    window.findChild<QCheckBox*>("TJAverage")->setChecked(true);
    window.findChild<QCheckBox*>("TJXiaoTiRate")->setChecked(true);
    window.findChild<QCheckBox*>("TJDaTiRate")->setChecked(true);
    const double report = pressOutput("BtnSC"), statistics = pressOutput("BtnTJ");
    std::printf("written out, press to file shown: score report %.0f ms, statistics %.0f ms (%zu files)\n", report,
                statistics, desktop.opened.size());

    // Resident memory with the 5000 records and the demo camera at 10 fps on the grading page.
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    window.findChild<QPushButton*>("BtnConn")->click();
    if (!window.capture().connection().running()) {
        std::fprintf(stderr, "the demo camera did not start\n");
        return 1;
    }
    enterGrading();
    window.findChild<QPushButton*>("BtnAutoAnswerCard")->click();
    settle(5000);
    std::printf("resident memory, %zu records, demo camera running on the grading page (goal <= 150 MB): %.1f MB\n",
                window.run().records.size(), residentKb() / 1024.0);
    std::printf("message boxes: %zu\n", prompter.shown().size());
    for (const auto& shown : prompter.shown()) std::printf("  %s\n", shown.text.c_str());
    window.capture().stop();
    setProgramFolder("");
    fs::remove_all(folder);
    return 0;
}
