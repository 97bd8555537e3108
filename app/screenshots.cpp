#include "screenshots.h"

#include <QApplication>
#include <QTabWidget>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <iostream>

#include "capture/virtualcamera.h"
#include "dialogs/formcard.h"
#include "dialogs/helpwindow.h"
#include "dialogs/qualitydialog.h"
#include "base/paths.h"
#include "mainwindow.h"
#include "pages/camerapage.h"
#include "pages/exampage.h"
#include "pages/outputpage.h"
#include "roster/studentfile.h"

namespace tarvel::app {
namespace {

inline constexpr const char* kDemoLayout = "DY标准85题自动AB卷.dat";

struct DemoLayoutChooser : CardChooser {
    std::string choose(const std::string&, const std::string&) override { return kDemoLayout; }
};

// Runs the event loop for `ms`: the windows lay themselves out and paint.
void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}


// The exam the pictures show: the demo exam of the demo cards.
void setDemoExam(GradingRun& run) {
    tarvel::ExamPage exam;
    exam.examName = "期中考试";
    const std::vector<std::string> subjects = subjectItems(run.layout.current);
    for (size_t i = 0; i < subjects.size(); ++i)
        if (subjects[i] == "数学") exam.subjectIndex = int(i);
    exam.subjectiveIndex = 0;
    exam.sections = {{"1", "70", "1", kSingleChoiceText}, {"71", "85", "2", kMultipleChoiceText}};
    exam.rules = {{"71-85", "0.5/"}};
    exam.cardName = run.layout.chosenCardName;
    ValidateExamPage(exam, run.layout.current, run.settings);
}

// Page 6 with a group chosen in both boxes, every report item and every
// statistic, over the run of `runFile` or, without one, over the sample
// roster with nothing graded yet.
bool outputPage(MainWindow& window, Services& services, const std::string& runFile, const QString& folder) {
    GradingRun& run = window.run();
    if (!runFile.empty()) {
        struct : FileDialogs {
            std::string path;
            std::optional<std::string> openFile(const FileDialogRequest&) override { return path; }
            std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
        } answer;
        answer.path = runFile;
        if (!BtnOpenYJFile1Click(run, services.prompter, answer)) return false;
    } else {
        std::string error;
        const std::string sample = installedPath(std::string(installed::kStudentFiles) + installed::kSampleRoster);
        if (!readStudentFile(sample, run.students.roster, error)) {
            std::cerr << "tarvel: " << error << "\n";
            return false;
        }
    }
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(kPageCount - 1);
    window.page(kPageCount)->prepare();
    const int klass = run.students.roster.classesEnabled ? 1 : -1;
    for (auto [grade, cls] : {std::pair{"NJSC", "BJSC"}, {"NJTJ", "BJTJ"}}) {
        window.findChild<QComboBox*>(grade)->setCurrentIndex(0);
        window.findChild<QComboBox*>(cls)->setCurrentIndex(klass);
    }
    window.findChild<QPushButton*>("BtnAddAll")->click();
    for (const char* box : {"TJAverage", "TJXiaoTiRate", "TJDaTiRate", "TJXiaoTiWrong", "TJXiaoTiRight"})
        window.findChild<QCheckBox*>(box)->setChecked(true);
    window.findChild<QLineEdit*>("TJWrongRange")->setText("1-5,11");
    window.findChild<QLineEdit*>("TJRightRange")->setText("71-85");
    settle(200);
    return saveWindowPicture(window, folder, "page6.png");
}

}  // namespace

bool saveWindowPicture(QWidget& widget, const QString& folder, const char* name) {
    const QString path = QDir(folder).filePath(name);
    // 256 colours keep the pictures small enough to ship in the README.
    const QImage picture =
        widget.grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ColorOnly | Qt::OrderedDither);
    if (picture.save(path, "PNG", 0)) return true;
    std::cerr << "tarvel: cannot write " << path.toStdString() << "\n";
    return false;
}

int takeScreenshots(const QString& folder, const std::string& runFile) {
    if (!QDir().mkpath(folder)) {
        std::cerr << "tarvel: cannot create " << folder.toStdString() << "\n";
        return 1;
    }
    DecliningPrompter prompter(&std::cerr);
    QtDesktop desktop;
    struct : FileDialogs {
        std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
        std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    } noFiles;
    DemoLayoutChooser layout;
    SteadyClock clock;
    NoSound silence;
    Services services{prompter,
                      noFiles,
                      layout,
                      firstCamera,
                      [] { return onlyDemoCamera(); },
                      desktop,
                      clock,
                      silence,
                      noVoice};
    MainWindow window(services);
    window.show();
    settle(200);

    window.findChild<QPushButton*>("BtnNewYJ")->click();
    settle(100);
    bool ok = saveWindowPicture(window, folder, "page1.png");

    FormCard chooser(prompter, desktop);
    chooser.prepare(kDemoLayout, kNewRunCaption);
    chooser.resize(1100, 720);
    chooser.show();
    settle(200);
    ok = saveWindowPicture(chooser, folder, "chooser.png") && ok;
    chooser.hide();

    window.findChild<QPushButton*>("BtnNext1")->click();
    window.findChild<QPushButton*>("BtnConn")->click();
    if (!window.capture().connection().running()) {
        std::cerr << "tarvel: the demo camera did not start (演示答题卡 missing?)\n";
        return 1;
    }
    settle(1500);  // the demo camera's standard answer lies under it by now
    ok = saveWindowPicture(window, folder, "page2.png") && ok;

    QualityDialog quality(*window.capture().connection().camera(), &window);
    quality.show();
    settle(200);
    ok = saveWindowPicture(quality, folder, "quality.png") && ok;
    quality.hide();

    window.showHelp(2);
    settle(300);
    HelpWindow* help = window.helpWindow();
    if (help && help->isVisible()) {
        ok = saveWindowPicture(*help, folder, "help.png") && ok;
    } else {
        std::cerr << "tarvel: no help pages beside the program\n";
        ok = false;
    }

    window.findChild<QPushButton*>("BtnNext2")->click();
    settle(200);
    ok = saveWindowPicture(window, folder, "page3.png") && ok;
    setDemoExam(window.run());
    window.findChild<QPushButton*>("BtnNext3")->click();
    settle(200);
    ok = saveWindowPicture(window, folder, "page4.png") && ok;
    window.capture().stop();
    if (help) help->hide();
    ok = outputPage(window, services, runFile, folder) && ok;
    return ok ? 0 : 1;
}

}  // namespace tarvel::app
