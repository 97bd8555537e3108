// Page 6 "成绩输出": what enables the selectors, the summary memo, the report
// items and the checks before "输出", the range boxes' key filter, both
// outputs on the worker behind their progress windows, the CSV route, the
// file shown on the desktop, and the graded demo class read back.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
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
#include "output/scorereport.h"
#include "pages/outputpage.h"
#include "qt/text.h"
#include "tests/output/smallrun.h"

Q_DECLARE_METATYPE(tarvel::OutputFile)

namespace tarvel::app::test {

namespace fs = std::filesystem;

// The small run of the output tests (grade 2024级: classes 01 and 02, one
// student unread), on page 6 as "下一步 >" of the grading page enters it.
struct OutputRig : WindowRig {
    explicit OutputRig(const std::string& name, const RunSnapshot& run = testing::smallRun()) : WindowRig(name) {
        window.run().students.roster = run.roster;
        window.run().settings = run.settings;
        window.run().records = run.records;
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
        for (int i = 0; i < combo(name)->count(); ++i) texts << combo(name)->itemText(i);
        return texts;
    }
    QStringList chosen() {
        QStringList texts;
        for (auto* list = find<QListWidget>("LBSelected"); texts.size() < list->count();)
            texts << list->item(texts.size())->text();
        return texts;
    }
    QString summary() { return find<QPlainTextEdit>("MNoReadName")->toPlainText(); }
    void group(const char* grade, int g, const char* cls, int c) {
        combo(grade)->setCurrentIndex(g);
        combo(cls)->setCurrentIndex(c);
    }
    void everyStatistic(const char* wrong, const char* right) {
        for (const char* box : {"TJAverage", "TJXiaoTiRate", "TJDaTiRate", "TJXiaoTiWrong", "TJXiaoTiRight"})
            find<QCheckBox>(box)->setChecked(true);
        find<QLineEdit>("TJWrongRange")->setText(wrong);
        find<QLineEdit>("TJRightRange")->setText(right);
    }
    // Presses an "输出" that passes its checks and waits for the file shown.
    OutputFile press(const char* button) {
        QSignalSpy shown(page(), &OutputPage::outputShown);
        find(button)->click();
        if (!shown.wait(20000)) qFatal("%s: no output within 20 s", button);
        return shown.at(0).at(0).value<OutputFile>();
    }
    std::vector<std::string> outputFiles() {
        std::vector<std::string> names;
        std::error_code none;  // no folder yet: nothing written
        for (const auto& e : fs::directory_iterator(folder.path("成绩输出"), none))
            names.push_back(e.path().filename().string());
        return names;
    }
};

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

const char* const kGroupControls[] = {"LblNJ5", "NJSC", "LblNJ6", "NJTJ", "LblBJ6", "BJSC", "LblBJ7", "BJTJ"};

class OutputPageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<OutputFile>(); }

    void enteringFillsTheSelectorsAndTheyFillTheSummary() {
        OutputRig rig("op-enter");
        for (const char* name : kGroupControls) QVERIFY2(rig.find<QWidget>(name)->isEnabled(), name);
        for (const char* grade : {"NJSC", "NJTJ"}) QCOMPARE(rig.items(grade), QStringList({"2024级", "2023级"}));
        for (const char* cls : {"BJSC", "BJTJ"}) QCOMPARE(rig.items(cls), QStringList({"所有班级", "01", "02"}));

        // A class without a grade: no group yet, the memo stays empty.
        rig.combo("BJSC")->setCurrentIndex(1);
        QVERIFY(rig.summary().isEmpty());
        rig.combo("NJSC")->setCurrentIndex(0);
        QCOMPARE(rig.summary(), QString("学生人数：3\n未阅卷学生人数：1\n未阅卷学生名单：赵梦瑶"));
        rig.combo("BJSC")->setCurrentIndex(0);  // 所有班级
        QCOMPARE(rig.summary(), QString("学生人数：4\n未阅卷学生人数：1\n未阅卷学生名单：赵梦瑶"));
        rig.combo("NJSC")->setCurrentIndex(1);
        const QString summary("学生人数：1\n未阅卷学生人数：0");
        QCOMPARE(rig.summary(), summary);
        rig.click("BtnAddAll");

        // Entered again: groups and items emptied, the summary kept; with
        // classes in use a grade alone waits for the class, and the
        // statistics' selectors never touch the memo.
        rig.click("BtnBack6");
        rig.click("BtnNext5");
        for (const char* name : {"NJSC", "BJSC", "NJTJ", "BJTJ"}) QCOMPARE(rig.combo(name)->currentIndex(), -1);
        QVERIFY(rig.chosen().isEmpty());
        rig.combo("NJSC")->setCurrentIndex(0);
        rig.group("NJTJ", 0, "BJTJ", 2);
        QCOMPARE(rig.summary(), summary);

        RunSnapshot off = testing::smallRun();
        off.roster.gradesEnabled = off.roster.classesEnabled = false;
        OutputRig plain("op-off", off);
        for (const char* name : kGroupControls) QVERIFY2(!plain.find<QWidget>(name)->isEnabled(), name);
    }

    void theItemButtonsAndTheChecksBeforeOutput() {
        OutputRig rig("op-items");
        auto* all = rig.find<QListWidget>("LBAll");
        rig.click("BtnAddOne");  // nothing selected in LBAll
        all->setCurrentRow(2);
        rig.click("BtnAddOne");
        rig.click("BtnAddOne");  // once only
        all->setCurrentRow(0);
        rig.click("BtnAddOne");
        rig.click("BtnDeleteSelected");  // nothing selected in LBSelected
        QCOMPARE(rig.chosen(), QStringList({"总得分", "准考证号"}));
        rig.click("BtnClearSelected");

        rig.click("BtnSC");
        rig.combo("NJSC")->setCurrentIndex(0);
        rig.click("BtnSC");
        QCOMPARE(rig.window.focusWidget(), rig.combo("BJSC"));
        rig.combo("BJSC")->setCurrentIndex(0);
        rig.click("BtnSC");
        QCOMPARE(rig.prompter.texts(),
                 (std::vector<std::string>{kChooseGradeMessage, kChooseClassMessage, kChooseItemsMessage}));
        QVERIFY(rig.outputFiles().empty());

        rig.click("BtnAddAll");
        rig.find<QRadioButton>("RBSCSort2")->click();
        rig.find<QCheckBox>("CBQueKao")->click();
        const ReportRequest request = rig.page()->reportRequest();
        QCOMPARE(request.items, allReportItems());
        QCOMPARE(request.order, ReportOrder::ByTotal);
        QVERIFY(!request.includeAbsent);
    }

    void theReportIsWrittenOnTheWorkerWhileFormProgressShows() {
        OutputRig rig("op-report");
        rig.group("NJSC", 0, "BJSC", 0);
        rig.click("BtnAddAll");
        auto* progress = rig.find<QDialog>("FormProgress");
        QSignalSpy positions(progress->findChild<QProgressBar*>("ProgressBar1"), &QProgressBar::valueChanged);
        QSignalSpy shown(rig.page(), &OutputPage::outputShown);
        rig.find("BtnSC")->click();  // no events handled before the checks below
        // The press returns at once; the progress window keeps the window
        // below from clicks, and a second press meanwhile starts nothing.
        QVERIFY(rig.page()->outputRunning());
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->windowTitle(), QString(kReportProgressCaption));
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        rig.find("BtnSC")->click();
        QVERIFY(shown.wait(20000));
        QCOMPARE(shown.size(), 1);
        const OutputFile file = shown.at(0).at(0).value<OutputFile>();
        QVERIFY(!progress->isVisible());
        QCOMPARE(positions.last().at(0).toInt(), 80);  // 4 students taken of 5 records, the standard answer one

        const std::vector<std::string> files = rig.outputFiles();
        QCOMPARE(files.size(), size_t(1));
        QVERIFY2(files[0].rfind("期中数学_2024级_所有班级_", 0) == 0 && fs::path(files[0]).extension() == ".xlsx",
                 files[0].c_str());
        QCOMPARE(file.path, rig.folder.path("成绩输出/" + files[0]));
        QVERIFY(readFile(file.path).rfind("PK", 0) == 0);
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{file.path});
        QVERIFY(rig.prompter.shown().empty());
    }

    void aWorkbookThatCannotBeWrittenGivesResultCsv() {
        OutputRig rig("op-csv");
        rig.group("NJSC", 0, "BJSC", 1);
        rig.click("BtnAddAll");
        rig.desktop.works = false;
        OutputFile file;
        {
            // The CSV of this report is a few hundred bytes, its workbook several kilobytes.
            FileSizeLimit smallFilesOnly(2048);
            QSignalSpy shown(rig.page(), &OutputPage::outputShown);
            rig.click("BtnSC");
            rig.window.run().records.resize(1);  // the worker reads its own copy
            QVERIFY(shown.wait(20000));
            file = shown.at(0).at(0).value<OutputFile>();
        }
        QCOMPARE(file.path, rig.folder.path("成绩输出/Result.csv"));
        QCOMPARE(rig.outputFiles(), std::vector<std::string>{"Result.csv"});  // the broken workbook is gone
        const std::string text = gbkToUtf8(readFile(file.path)).value_or("");
        QVERIFY2(text.rfind("准考证号,姓名,总得分,主观题分,选择题分,1到2题,3到4题,", 0) == 0, text.c_str());
        QVERIFY(text.find("\r\n'202410101,王浩然,6.5,") != std::string::npos);
        QVERIFY(text.find("\r\n'202410102,赵梦瑶\r\n") != std::string::npos);
        // No program for the CSV: the message, then the text editor.
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{file.path});
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kInstallSpreadsheetMessage});
        QCOMPARE(rig.desktop.edited, std::vector<std::string>{file.path});
    }

    void rangeBoxesAndTheStatisticsChecks() {
        OutputRig rig("op-range");
        for (const char* name : {"TJWrongRange", "TJRightRange"}) {
            auto* box = rig.find<QLineEdit>(name);
            QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
            QTest::keyClicks(box, "1a-5 ,11x");
            QCOMPARE(box->text(), QString("1-5,11"));
            QTest::keyClick(box, Qt::Key_Backspace);
            box->insert("，2");  // a full-width comma, typed or pasted, passes no more than a letter
            QCOMPARE(box->text(), QString("1-5,1"));
        }
        rig.click("BtnTJ");
        rig.group("NJTJ", 0, "BJTJ", 0);
        rig.click("BtnTJ");
        rig.find<QLineEdit>("TJWrongRange")->clear();
        rig.find<QCheckBox>("TJXiaoTiWrong")->click();
        rig.click("BtnTJ");
        rig.everyStatistic("1-4", "2,5");
        rig.click("BtnTJ");
        QCOMPARE(rig.prompter.texts(), (std::vector<std::string>{
                                           kChooseGradeMessage, kChooseStatisticsMessage, "请输入小题做错名单的小题范围",
                                           "小题做对名单的小题范围“2,5”中的题号5超出了题号范围1-4。"}));
        QVERIFY(rig.outputFiles().empty());
    }

    void statisticsAreWrittenWhileFormTJProgressAnimates() {
        OutputRig rig("op-stats");
        rig.group("NJTJ", 0, "BJTJ", 0);
        rig.everyStatistic("1-4", "2,4");
        auto* busy = rig.find<QDialog>("FormTJProgress");
        QSignalSpy shown(rig.page(), &OutputPage::outputShown);
        rig.find("BtnTJ")->click();
        QVERIFY(busy->isVisible());
        QCOMPARE(busy->windowModality(), Qt::WindowModal);
        QVERIFY(busy->findChild<QTimer*>("Timer1")->isActive());
        QVERIFY(shown.wait(20000));
        QVERIFY(!busy->isVisible());
        const OutputFile file = shown.at(0).at(0).value<OutputFile>();
        QVERIFY2(fs::path(file.path).filename().string().rfind("期中数学_2024级_所有班级_统计_", 0) == 0,
                 file.path.c_str());
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{file.path});
        QVERIFY(rig.prompter.shown().empty());
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
        rig.enter();
        const int grade2024 = rig.combo("NJSC")->findText("2024级"), class01 = rig.combo("BJSC")->findText("01");
        rig.group("NJSC", grade2024, "BJSC", class01);
        rig.click("BtnAddAll");
        const OutputFile report = rig.press("BtnSC");
        rig.group("NJTJ", grade2024, "BJTJ", class01);
        rig.everyStatistic("1-85", "71-85");
        const OutputFile statistics = rig.press("BtnTJ");
        QVERIFY(rig.prompter.shown().empty());
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
