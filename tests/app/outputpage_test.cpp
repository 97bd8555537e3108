// Page 6 "成绩输出": the selectors and what enables them, the summary memo,
// the report items, the checks before "输出", the range boxes' key filter,
// and both outputs run on the worker while their progress windows show,
// including the CSV route and the file shown on the desktop.
#include <signal.h>
#include <sys/resource.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "apptest.h"
#include "base/gbk.h"
#include "dialogs/formprogress.h"
#include "dialogs/formtjprogress.h"
#include "output/outputpage.h"
#include "output/scorereport.h"
#include "pages/outputpage.h"
#include "qt/text.h"
#include "tests/output/smallrun.h"

Q_DECLARE_METATYPE(tarvel::OutputFile)

namespace tarvel::app::test {

namespace fs = std::filesystem;

// A window whose run is the small run of the output tests, on page 6 as
// "下一步 >" of the grading page enters it.
struct OutputRig : WindowRig {
    explicit OutputRig(const std::string& name, const RunSnapshot& run = testing::smallRun()) : WindowRig(name) {
        GradingRun& r = window.run();
        r.students.roster = run.roster;
        r.settings = run.settings;
        r.records = run.records;
        enter();
    }
    void enter() {
        find<QTabWidget>("PageControl1")->setCurrentIndex(4);
        click("BtnNext5");
    }
    OutputPage* page() { return static_cast<OutputPage*>(window.page(6)); }
    QComboBox* combo(const char* name) { return find<QComboBox>(name); }
    QStringList items(const char* name) {
        QStringList texts;
        if (auto* c = window.findChild<QComboBox*>(name)) {
            for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
        } else {
            auto* list = find<QListWidget>(name);
            for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        }
        return texts;
    }
    QString summary() { return find<QPlainTextEdit>("MNoReadName")->toPlainText(); }
    void chooseGroup(const char* grade, int g, const char* cls, int c) {
        combo(grade)->setCurrentIndex(g);
        combo(cls)->setCurrentIndex(c);
    }
    // Presses an "输出" that passes its checks and waits for the file shown.
    OutputFile press(const char* button) {
        QSignalSpy shown(page(), &OutputPage::outputShown);
        click(button);
        if (shown.isEmpty() && !shown.wait(20000)) qFatal("%s: no output within 20 s", button);
        return shown.at(0).at(0).value<OutputFile>();
    }
    std::vector<std::string> outputFiles() {
        std::vector<std::string> names;
        std::error_code none;  // no folder yet: nothing written
        for (const auto& e : fs::directory_iterator(folder.path("成绩输出"), none))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Typing as a keyboard does, full-width characters included.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const int key = c.unicode() < 0x80 ? c.toUpper().unicode() : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Files larger than `bytes` cannot be written while it lives (a disk that
// takes only small files); root is held to it too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldSignal_);
    }

private:
    rlimit old_{};
    sighandler_t oldSignal_;
};

class OutputPageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<OutputFile>(); }

    void enteringFillsTheSelectorsAndEmptiesTheChosenItems() {
        OutputRig rig("op-enter");
        QCOMPARE(rig.window.currentPage(), 6);
        for (const char* grade : {"NJSC", "NJTJ"}) {
            QCOMPARE(rig.items(grade), QStringList({"2024级", "2023级"}));
            QCOMPARE(rig.combo(grade)->currentIndex(), -1);
        }
        for (const char* cls : {"BJSC", "BJTJ"}) {
            QCOMPARE(rig.items(cls), QStringList({"所有班级", "01", "02"}));
            QCOMPARE(rig.combo(cls)->currentIndex(), -1);
        }
        for (const char* name : {"LblNJ5", "NJSC", "LblNJ6", "NJTJ", "LblBJ6", "BJSC", "LblBJ7", "BJTJ"})
            QVERIFY2(rig.find<QWidget>(name)->isEnabled(), name);
        QCOMPARE(rig.items("LBAll").size(), 12);
        QCOMPARE(rig.items("LBAll").at(5), QString("大题得分情况"));
        QVERIFY(rig.find<QRadioButton>("RBSCSort1")->isChecked());
        QVERIFY(rig.find<QCheckBox>("CBQueKao")->isChecked());
        for (const char* box : {"TJAverage", "TJXiaoTiRate", "TJDaTiRate", "TJXiaoTiWrong", "TJXiaoTiRight"})
            QVERIFY2(!rig.find<QCheckBox>(box)->isChecked(), box);
        const QString notes = rig.find<QPlainTextEdit>("Memo3")->toPlainText();
        QCOMPARE(notes.split('\n').size(), int(outputNotes().size()));
        QVERIFY(notes.contains(QString(kFreeSpreadsheetSite) + "可以下载）"));
        QCOMPARE(rig.find<QPlainTextEdit>("Memo4")->toPlainText().split('\n').first(), QString(kRangeNotes[0]));

        // Back to the grading page and in again: the items chosen and the
        // groups are emptied; the summary keeps its text until it runs again.
        rig.click("BtnAddAll");
        rig.chooseGroup("NJSC", 0, "BJSC", 1);
        const QString summary = rig.summary();
        QVERIFY(!summary.isEmpty());
        rig.click("BtnBack6");
        rig.click("BtnNext5");
        QVERIFY(rig.items("LBSelected").isEmpty());
        QCOMPARE(rig.combo("NJSC")->currentIndex(), -1);
        QCOMPARE(rig.combo("BJSC")->currentIndex(), -1);
        QCOMPARE(rig.summary(), summary);
    }

    void gradesAndClassesOffDisableTheirSelectors() {
        RunSnapshot run = testing::smallRun();
        run.roster.gradesEnabled = run.roster.classesEnabled = false;
        OutputRig rig("op-off", run);
        for (const char* name : {"LblNJ5", "NJSC", "LblNJ6", "NJTJ", "LblBJ6", "BJSC", "LblBJ7", "BJTJ"})
            QVERIFY2(!rig.find<QWidget>(name)->isEnabled(), name);
        QVERIFY(rig.summary().isEmpty());
        // Every roster student is in the report.
        rig.click("BtnAddAll");
        rig.press("BtnSC");
        QVERIFY(rig.prompter.shown().empty());
        QCOMPARE(rig.page()->reportRequest().group.gradeChosen, false);
    }

    void theSelectorsFillTheSummary() {
        OutputRig rig("op-summary");
        // A class without a grade: there is no group yet and the memo stays empty.
        rig.combo("BJSC")->setCurrentIndex(1);
        QVERIFY(rig.summary().isEmpty());
        rig.combo("NJSC")->setCurrentIndex(0);
        QCOMPARE(rig.summary(), QString("学生人数：3\n未阅卷学生人数：1\n未阅卷学生名单：赵梦瑶"));
        rig.combo("BJSC")->setCurrentIndex(0);  // 所有班级
        QCOMPARE(rig.summary(), QString("学生人数：4\n未阅卷学生人数：1\n未阅卷学生名单：赵梦瑶"));
        rig.combo("NJSC")->setCurrentIndex(1);
        QCOMPARE(rig.summary(), QString("学生人数：1\n未阅卷学生人数：0"));

        // With classes in use a grade alone waits for the class.
        rig.enter();
        rig.combo("NJSC")->setCurrentIndex(0);
        QCOMPARE(rig.summary(), QString("学生人数：1\n未阅卷学生人数：0"));
        // The statistics' selectors leave the memo alone.
        rig.chooseGroup("NJTJ", 0, "BJTJ", 2);
        QCOMPARE(rig.summary(), QString("学生人数：1\n未阅卷学生人数：0"));
    }

    void theItemButtonsBuildTheColumns() {
        OutputRig rig("op-items");
        auto* all = rig.find<QListWidget>("LBAll");
        auto* chosen = rig.find<QListWidget>("LBSelected");
        rig.click("BtnAddOne");  // nothing selected in LBAll
        QVERIFY(rig.items("LBSelected").isEmpty());
        all->setCurrentRow(2);
        rig.click("BtnAddOne");
        rig.click("BtnAddOne");  // once only
        all->setCurrentRow(0);
        rig.click("BtnAddOne");
        QCOMPARE(rig.items("LBSelected"), QStringList({"总得分", "准考证号"}));
        rig.click("BtnDeleteSelected");  // nothing selected in LBSelected
        QCOMPARE(rig.items("LBSelected").size(), 2);
        chosen->setCurrentRow(0);
        rig.click("BtnDeleteSelected");
        QCOMPARE(rig.items("LBSelected"), QStringList({"准考证号"}));

        rig.click("BtnAddAll");
        QCOMPARE(rig.items("LBSelected"), rig.items("LBAll"));
        rig.find<QRadioButton>("RBSCSort2")->click();
        rig.find<QCheckBox>("CBQueKao")->click();
        const ReportRequest request = rig.page()->reportRequest();
        QCOMPARE(request.items, allReportItems());
        QCOMPARE(request.order, ReportOrder::ByTotal);
        QVERIFY(!request.includeAbsent);
        rig.click("BtnClearSelected");
        QVERIFY(rig.items("LBSelected").isEmpty());
    }

    void theReportChecksItsChoicesFirst() {
        OutputRig rig("op-checks");
        rig.click("BtnSC");
        rig.combo("NJSC")->setCurrentIndex(0);
        rig.click("BtnSC");
        QCOMPARE(rig.window.focusWidget(), rig.combo("BJSC"));
        rig.combo("BJSC")->setCurrentIndex(0);
        rig.click("BtnSC");
        QCOMPARE(rig.prompter.texts(),
                 (std::vector<std::string>{kChooseGradeMessage, kChooseClassMessage, kChooseItemsMessage}));
        QVERIFY(!rig.find<FormProgress>("FormProgress")->isVisible());
        QVERIFY(rig.outputFiles().empty());
    }

    void theReportIsWrittenOnTheWorkerWhileFormProgressShows() {
        OutputRig rig("op-report");
        rig.chooseGroup("NJSC", 0, "BJSC", 0);
        rig.click("BtnAddAll");
        auto* progress = rig.find<FormProgress>("FormProgress");
        QSignalSpy positions(progress->findChild<QProgressBar*>("ProgressBar1"), &QProgressBar::valueChanged);
        QSignalSpy shown(rig.page(), &OutputPage::outputShown);
        rig.find("BtnSC")->click();  // no events handled before the checks below
        // The press returned at once: the work goes on behind the progress
        // window, which keeps the window below from clicks; a second press
        // while it runs starts nothing.
        QVERIFY(rig.page()->outputRunning());
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->windowTitle(), QString(kReportProgressCaption));
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        rig.find("BtnSC")->click();
        QVERIFY(shown.wait(20000));
        QCOMPARE(shown.size(), 1);
        const OutputFile file = shown.at(0).at(0).value<OutputFile>();

        QVERIFY(!progress->isVisible());
        // 4 students taken of 5 records (the standard answer is one of them).
        QCOMPARE(positions.last().at(0).toInt(), 80);
        QCOMPARE(file.kind, OutputFile::Workbook);
        const std::vector<std::string> files = rig.outputFiles();
        QCOMPARE(files.size(), size_t(1));
        QVERIFY2(files[0].rfind("期中数学_2024级_所有班级_", 0) == 0 && fs::path(files[0]).extension() == ".xlsx",
                 files[0].c_str());
        QCOMPARE(file.path, rig.folder.path("成绩输出/" + files[0]));
        QVERIFY(readFile(file.path).rfind("PK", 0) == 0);
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{file.path});
        QVERIFY(rig.prompter.shown().empty());

        // No program takes the workbook: the user is told where it is.
        rig.desktop.works = false;
        const OutputFile second = rig.press("BtnSC");
        QVERIFY(second.path != file.path);
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kInstallSpreadsheetMessage + "\n已输出到：" + second.path});
        QVERIFY(rig.desktop.edited.empty());
    }

    void aWorkbookThatCannotBeWrittenGivesResultCsv() {
        OutputRig rig("op-csv");
        rig.chooseGroup("NJSC", 0, "BJSC", 1);
        rig.click("BtnAddAll");
        rig.desktop.works = false;
        OutputFile file;
        {
            // The CSV of this report is a few hundred bytes, its workbook several kilobytes.
            FileSizeLimit smallFilesOnly(2048);
            QSignalSpy shown(rig.page(), &OutputPage::outputShown);
            rig.click("BtnSC");
            // The worker reads its own copy of the run.
            rig.window.run().records.resize(1);
            QVERIFY(shown.wait(20000));
            file = shown.at(0).at(0).value<OutputFile>();
        }
        QCOMPARE(file.kind, OutputFile::Csv);
        QCOMPARE(file.path, rig.folder.path("成绩输出/Result.csv"));
        QCOMPARE(rig.outputFiles(), std::vector<std::string>{"Result.csv"});  // the broken workbook is gone
        const std::string utf8 = gbkToUtf8(readFile(file.path)).value_or("");
        QVERIFY2(utf8.rfind("准考证号,姓名,总得分,主观题分,选择题分,1到2题,3到4题,", 0) == 0, utf8.c_str());
        QVERIFY2(utf8.find("\r\n'202410101,王浩然,6.5,") != std::string::npos, utf8.c_str());
        QVERIFY(utf8.find("\r\n'202410102,赵梦瑶\r\n") != std::string::npos);
        // No program for the CSV: the message, then the text editor.
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{file.path});
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kInstallSpreadsheetMessage});
        QCOMPARE(rig.desktop.edited, std::vector<std::string>{file.path});
    }

    void aFolderThatCannotBeWrittenIsTold() {
        OutputRig rig("op-blocked");
        // A file where the output folder should be: nothing can go there.
        fs::remove_all(rig.folder.path("成绩输出"));
        std::ofstream(rig.folder.path("成绩输出")) << "x";
        rig.chooseGroup("NJSC", 0, "BJSC", 0);
        rig.click("BtnAddAll");
        const OutputFile file = rig.press("BtnSC");
        QCOMPARE(file.kind, OutputFile::None);
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kCsvReportFailed});
        QVERIFY(rig.desktop.opened.empty());
        QVERIFY(!rig.find<FormProgress>("FormProgress")->isVisible());
    }

    void rangeBoxesTakeOnlyDigitsCommasAndDashes() {
        OutputRig rig("op-range");
        for (const char* name : {"TJWrongRange", "TJRightRange"}) {
            auto* box = rig.find<QLineEdit>(name);
            QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
            typeText(box, "1a-5， ,11x");
            QCOMPARE(box->text(), QString("1-5,11"));
            QTest::keyClick(box, Qt::Key_Backspace);
            QCOMPARE(box->text(), QString("1-5,1"));
            box->insert("2;3");  // pasted text passes the same filter
            QCOMPARE(box->text(), QString("1-5,1"));
        }
    }

    void statisticsChecksItsChoicesAndRanges() {
        OutputRig rig("op-tjchecks");
        rig.click("BtnTJ");
        rig.combo("NJTJ")->setCurrentIndex(0);
        rig.click("BtnTJ");
        rig.combo("BJTJ")->setCurrentIndex(0);
        rig.click("BtnTJ");
        rig.find<QCheckBox>("TJXiaoTiWrong")->click();
        rig.click("BtnTJ");
        QTest::keyClicks(rig.find<QLineEdit>("TJWrongRange"), "1-9");
        rig.click("BtnTJ");
        rig.find<QLineEdit>("TJWrongRange")->setText("1-4");
        rig.find<QCheckBox>("TJXiaoTiRight")->click();
        QTest::keyClicks(rig.find<QLineEdit>("TJRightRange"), "2,5");
        rig.click("BtnTJ");
        const std::vector<std::string> texts = rig.prompter.texts();
        QCOMPARE(texts.size(), size_t(6));
        QCOMPARE(texts[0], std::string(kChooseGradeMessage));
        QCOMPARE(texts[1], std::string(kChooseClassMessage));
        QCOMPARE(texts[2], std::string(kChooseStatisticsMessage));
        QCOMPARE(texts[3], std::string("请输入小题做错名单的小题范围"));
        QVERIFY2(texts[4].find("小题做错名单的小题范围“1-9”") != std::string::npos, texts[4].c_str());
        QCOMPARE(texts[5], std::string("小题做对名单的小题范围“2,5”中的题号5超出了题号范围1-4。"));
        QVERIFY(!rig.find<FormTJProgress>("FormTJProgress")->isVisible());
        QVERIFY(rig.outputFiles().empty());
    }

    void statisticsAreWrittenWhileFormTJProgressAnimates() {
        OutputRig rig("op-stats");
        rig.chooseGroup("NJTJ", 0, "BJTJ", 0);
        for (const char* box : {"TJAverage", "TJXiaoTiRate", "TJDaTiRate", "TJXiaoTiWrong", "TJXiaoTiRight"})
            rig.find<QCheckBox>(box)->click();
        QTest::keyClicks(rig.find<QLineEdit>("TJWrongRange"), "1-4");
        QTest::keyClicks(rig.find<QLineEdit>("TJRightRange"), "2,4");
        auto* busy = rig.find<FormTJProgress>("FormTJProgress");
        QSignalSpy shown(rig.page(), &OutputPage::outputShown);
        rig.find("BtnTJ")->click();
        QVERIFY(busy->isVisible());
        QCOMPARE(busy->windowModality(), Qt::WindowModal);
        QVERIFY(busy->timer()->isActive());
        QVERIFY(shown.wait(20000));
        const OutputFile file = shown.at(0).at(0).value<OutputFile>();
        QVERIFY(!busy->isVisible());
        QVERIFY(!busy->timer()->isActive());
        QCOMPARE(file.kind, OutputFile::Workbook);
        const std::vector<std::string> files = rig.outputFiles();
        QCOMPARE(files.size(), size_t(1));
        QVERIFY2(files[0].rfind("期中数学_2024级_所有班级_统计_", 0) == 0, files[0].c_str());
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{file.path});
        QVERIFY(rig.prompter.shown().empty());

        // A group without a graded student is told, and nothing is written.
        rig.chooseGroup("NJTJ", 1, "BJTJ", 2);
        const OutputFile none = rig.press("BtnTJ");
        QCOMPARE(none.kind, OutputFile::None);
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kNoGradedStudentMessage});
        QCOMPARE(rig.outputFiles().size(), size_t(1));
    }

    // The demo class graded by tarvel-grade, opened with "打开阅卷原始文件",
    // written by both "输出" and read back with openpyxl against the totals
    // tarvel-scores reads from the same file.
    void theGradedDemoClassGoesOutWithItsTotals() {
        OutputRig rig("op-demo");
        const std::string program = TARVEL_PROGRAM_DIR "/";
        const std::string layout = "模板文件/DY标准85题自动AB卷.dat";
        fs::copy_file(program + layout, rig.folder.path(layout));
        const std::string runFile = rig.folder.path("阅卷原始文件/demo.yj");
        QStringList arguments{"--layout", qs(program + layout), "--roster", qs(program + "学生信息文件/测试.xs"),
                              "--exam", TARVEL_DEMO_EXAM, "--grade", "20241", "--class", "01", "--yes", "--out",
                              qs(runFile)};
        for (const QFileInfo& picture : QDir(TARVEL_DEMO_GRADE).entryInfoList({"*.jpg"}, QDir::Files, QDir::Name))
            arguments << picture.filePath();
        QProcess grade;
        grade.start(qs(program + "tarvel-grade"), arguments);
        QVERIFY(grade.waitForFinished(60000));
        QVERIFY2(fs::exists(runFile), grade.readAllStandardError().constData());

        std::ofstream(rig.folder.path(installed::kSavedMarker)) << "";
        rig.window.page(1)->refresh();
        rig.files.pick(runFile);
        rig.click("BtnOpenYJFile1");
        QVERIFY(rig.window.run().records.size() > 1);
        rig.enter();

        auto* grades = rig.find<QComboBox>("NJSC");
        grades->setCurrentIndex(grades->findText("2024级"));
        auto* classes = rig.find<QComboBox>("BJSC");
        classes->setCurrentIndex(classes->findText("01"));
        rig.click("BtnAddAll");
        QSignalSpy shown(rig.page(), &OutputPage::outputShown);
        rig.click("BtnSC");
        QVERIFY(shown.wait(20000));
        const OutputFile report = shown.takeFirst().at(0).value<OutputFile>();

        auto* statGrades = rig.find<QComboBox>("NJTJ");
        statGrades->setCurrentIndex(statGrades->findText("2024级"));
        auto* statClasses = rig.find<QComboBox>("BJTJ");
        statClasses->setCurrentIndex(statClasses->findText("01"));
        for (const char* box : {"TJAverage", "TJXiaoTiRate", "TJDaTiRate", "TJXiaoTiWrong", "TJXiaoTiRight"})
            rig.find<QCheckBox>(box)->click();
        QTest::keyClicks(rig.find<QLineEdit>("TJWrongRange"), "1-85");
        QTest::keyClicks(rig.find<QLineEdit>("TJRightRange"), "71-85");
        rig.click("BtnTJ");
        QVERIFY(shown.wait(20000));
        const OutputFile statistics = shown.takeFirst().at(0).value<OutputFile>();
        QVERIFY(rig.prompter.shown().empty());
        QCOMPARE(report.kind, OutputFile::Workbook);
        QCOMPARE(statistics.kind, OutputFile::Workbook);
        QCOMPARE(rig.desktop.opened, (std::vector<std::string>{report.path, statistics.path}));

        QProcess check;
        check.start("/usr/bin/python3", {TARVEL_TEST_DIR "/demo_workbooks.py", qs(runFile), qs(report.path),
                                         qs(statistics.path), qs(program + "tarvel-scores")});
        QVERIFY(check.waitForFinished(60000));
        qInfo().noquote() << check.readAllStandardOutput().trimmed();
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0,
                 check.readAllStandardError().constData());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::OutputPageTest)
#include "outputpage_test.moc"
