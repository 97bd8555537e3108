// A teacher's whole grading run through the real window, as the guided demo
// plays it (offscreen, the clock moving a tick per frame, the demo camera
// delivering on each tick): new run, camera, the sample roster's 2024级 01,
// the demo exam with its partial-credit rule, the demo sequence graded
// automatically and saved half way, closing with both questions, the
// program started again and the run opened, the standard answer corrected
// and the cards scored again, the score report (workbook and CSV) and the
// statistics. Every box the run shows is answered here and listed; totals
// are worked out from the demo cards, not taken from the program.
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "apptest.h"
#include "base/floattext.h"
#include "base/gbk.h"
#include "base/paths.h"
#include "demo/demotour.h"
#include "demofiles.h"
#include "pages/gradingpage.h"
#include "pages/outputpage.h"
#include "qt/text.h"

Q_DECLARE_METATYPE(tarvel::OutputFile)

namespace tarvel::app::test {
namespace {

namespace fs = std::filesystem;
const std::string kProgram = TARVEL_PROGRAM_DIR "/";
const std::string kSequence = kProgram + "演示答题卡/";

// The demo exam by hand: 1-70 single choice worth 1; 71-85 multiple choice
// worth 2, an answer of correct options only paying 0.5 for each.
float handTotal(const std::vector<std::string>& key, const std::vector<std::string>& answers) {
    float total = 0;
    for (size_t q = 0; q < key.size(); ++q) {
        const std::string& a = answers[q];
        if (a == key[q]) {
            total += q < 70 ? 1 : 2;
        } else if (q >= 70 && !a.empty() && a.find_first_not_of(key[q]) == std::string::npos) {
            total += 0.5f * float(a.size());
        }
    }
    return total;
}

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// What is compared of a record after the run was saved and opened again.
std::string summary(const GradingRecord& r) {
    std::string s = r.admissionNumber + " " + r.name + " " + std::to_string(r.readCount) + " " +
                    std::to_string(r.total) + ":";
    for (int q = 1; q <= 85; ++q) s += r.answer(q).str() + ",";
    return s;
}

}  // namespace

class AcceptanceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<OutputFile>(); }

    void aTeachersWholeRun() {
        std::vector<demo::DemoCard> cards;
        QCOMPARE(demo::readCards(kSequence + "cards.tsv", cards), std::string());
        std::vector<std::string> key = cards[0].answers;
        QCOMPARE(cards[0].kind, std::string("standard"));

        Rig rig("acceptance");
        fs::copy_file(kProgram + "模板文件/" + kDemoLayoutName,
                      rig.folder.path(std::string("模板文件/") + kDemoLayoutName));
        fs::create_directories(rig.folder.path("学生信息文件"));
        const std::string roster = rig.folder.path("学生信息文件/测试.xs");
        fs::copy_file(kProgram + "学生信息文件/测试.xs", roster);
        fs::create_directory_symlink(kSequence, rig.folder.path("演示答题卡"));
        rig.cameraNames = {kVirtualCameraName};
        rig.frames = [] { return std::make_unique<PictureFolder>(kSequence); };

        // The teacher's answers, in the order the run asks.
        rig.cards.answers.push_back(kDemoLayoutName);
        rig.files.pick(roster);
        rig.files.pick(demoRunFile());
        rig.prompter.answerNext(Answer::No);   // the sample roster's file stays as it is
        rig.prompter.answerNext(Answer::Yes);  // save before closing
        rig.prompter.answerNext(Answer::Yes);  // close
        const std::vector<std::pair<PromptKind, std::string>> expectedBoxes = {
            {PromptKind::YesNoCancel,
             "是否保存对当前学生信息文件的更改？（学生信息文件可以被用于以后的其他阅卷中，不需要重复输入）"
             "不管选是或否,本次阅卷都是使用修改后学生信息，修改后的学生信息将自动保存到原始阅卷文件中。"},
            {PromptKind::YesNo, kSaveBeforeClosing},
            {PromptKind::YesNo, kConfirmClose}};

        std::map<std::string, float> graded, rescored;  // by hand, per admission number
        std::vector<std::string> beforeClosing, afterOpening;
        bool fileSavedHalfWay = false;
        FastPace pace(rig.clock);
        DemoTour tour(rig.services, pace);
        QCOMPARE(tour.sequenceFrames(), PictureFolder(kSequence).size());
        tour.noteMs = 0;
        const std::string problem = tour.run([&](DemoTour::Step step, MainWindow& window) {
            GradingRun& run = window.run();
            switch (step) {
                case DemoTour::Step::Exam:
                    QCOMPARE(run.students.currentPath, roster);
                    break;
                case DemoTour::Step::Graded: {
                    fileSavedHalfWay = fs::exists(demoRunFile());
                    QCOMPARE(run.filter.gradeCode + run.filter.classCode, std::string("2024101"));
                    // Every card read once: one sound each, in order.
                    QCOMPARE(rig.sounds.played.size(), cards.size());
                    size_t students = 0;
                    for (size_t c = 0; c < cards.size(); ++c) {
                        const demo::DemoCard& card = cards[c];
                        if (card.kind == "cutoff" || card.kind == "turned")
                            QCOMPARE(rig.sounds.played[c], std::string("wrong.wav"));
                        if (card.kind != "student") continue;
                        QCOMPARE(rig.sounds.played[c], std::string("success.wav"));
                        const int r = findRecord(run.records, card.admission);
                        QVERIFY2(r > 0, card.admission.c_str());
                        const GradingRecord& record = run.records[size_t(r)];
                        QCOMPARE(record.name, card.name);
                        QCOMPARE(record.readCount, 1);
                        graded[card.admission] = handTotal(key, card.answers);
                        QCOMPARE(record.total, graded[card.admission]);
                        ++students;
                    }
                    QCOMPARE(students, size_t(30));
                    QCOMPARE(run.records.size(), students + 1);
                    QCOMPARE(static_cast<GradingPage*>(window.page(5))->gridModel().rowCount(), int(students) + 1);
                    break;
                }
                case DemoTour::Step::Closed:
                    for (const GradingRecord& r : run.records) beforeClosing.push_back(summary(r));
                    break;
                case DemoTour::Step::Reopened:
                    for (const GradingRecord& r : run.records) afterOpening.push_back(summary(r));
                    QCOMPARE(run.filePath, demoRunFile());
                    break;
                case DemoTour::Step::Rescored: {
                    key[kDemoCorrectedQuestion - 1] = kDemoCorrectedAnswer;
                    QCOMPARE(run.records[0].answer(kDemoCorrectedQuestion).str(), std::string(kDemoCorrectedAnswer));
                    for (const demo::DemoCard& card : cards) {
                        if (card.kind != "student") continue;
                        rescored[card.admission] = handTotal(key, card.answers);
                        QCOMPARE(run.records[size_t(findRecord(run.records, card.admission))].total,
                                 rescored[card.admission]);
                    }
                    QVERIFY(!run.unsaved);  // saved after scoring again
                    break;
                }
                default: break;
            }
        });
        QCOMPARE(problem, std::string());
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(fileSavedHalfWay);
        QCOMPARE(afterOpening, beforeClosing);
        QVERIFY(rescored != graded);  // question 1's correction changed every total

        std::vector<std::pair<PromptKind, std::string>> boxes;
        for (const auto& shown : rig.prompter.shown()) boxes.emplace_back(shown.kind, shown.text);
        QCOMPARE(boxes, expectedBoxes);
        QCOMPARE(rig.cards.shown.size(), size_t(1));

        // The workbooks the tour wrote, and the same report as the CSV a
        // computer without room for the workbook gets.
        QCOMPARE(rig.desktop.opened.size(), size_t(2));
        const std::string report = rig.desktop.opened[0], statistics = rig.desktop.opened[1];
        MainWindow& window = *tour.window();
        auto* page = static_cast<OutputPage*>(window.page(kPageCount));
        {
            FileSizeLimit smallFilesOnly(4096);
            QSignalSpy shown(page, &OutputPage::outputShown);
            window.findChild<QPushButton*>("BtnSC")->click();
            QVERIFY(shown.wait(20000));
        }
        QCOMPARE(rig.desktop.opened.back(), rig.folder.path("成绩输出/Result.csv"));
        const std::string csv = gbkToUtf8(readFile(rig.desktop.opened.back())).value_or("");
        QVERIFY2(csv.rfind("准考证号,姓名,总得分,", 0) == 0, csv.c_str());
        std::string expected;
        for (const demo::DemoCard& card : cards) {
            if (card.kind != "student") continue;
            const std::string total = floatToText(rescored[card.admission]);
            const std::string line = "\r\n'" + card.admission + "," + card.name + "," + total + ",";
            QVERIFY2(csv.find(line) != std::string::npos, line.c_str());
            expected += card.admission + "\t" + total + "\n";
        }
        QCOMPARE(rig.prompter.shown().size(), expectedBoxes.size());  // nothing more was asked

        const std::string expectedFile = rig.folder.path("expected.tsv");
        std::ofstream(expectedFile) << expected;
        QProcess check;
        check.start("/usr/bin/python3", {TARVEL_TEST_DIR "/demo_workbooks.py", qs(demoRunFile()), qs(report),
                                         qs(statistics), qs(kProgram + "tarvel-scores"), qs(expectedFile)});
        QVERIFY(check.waitForFinished(60000));
        qInfo().noquote() << check.readAllStandardOutput().trimmed();
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0,
                 check.readAllStandardError().constData());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::AcceptanceTest)
#include "acceptance_test.moc"
