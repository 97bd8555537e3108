// The grading page reading the demo sequence as a teacher's afternoon goes:
// the virtual camera plays every frame once, a clock moves 100 ms per frame,
// automatic grading is on. Each card gives one sound; each student's row
// appears with the total scored by hand; memo and caption show the result;
// the cut-off and the upside-down card give their texts. (When each card is
// read is the frame loop's test.)
#include <QAbstractItemModelTester>
#include <QPlainTextEdit>
#include <filesystem>

#include "apptest.h"
#include "demofiles.h"
#include "pages/gradingpage.h"
#include "qt/text.h"

namespace tarvel::app::test {
namespace {

const std::string kProgram = TARVEL_PROGRAM_DIR;
const std::string kSequence = kProgram + "/演示答题卡/";
constexpr const char* kLayout = "DY标准85题自动AB卷.dat";

// The demo exam scored by hand: questions 1-70 worth 1, 71-85 worth 2.
std::string expectedTotal(const std::vector<std::string>& key, const std::vector<std::string>& answers) {
    int total = 0;
    for (size_t q = 0; q < key.size(); ++q) total += answers[q] == key[q] ? (q < 70 ? 1 : 2) : 0;
    return std::to_string(total);
}

// What the window showed when a sound started.
struct Heard {
    long frame;
    std::string wave, memo, caption, prompt;
};

}  // namespace

class GradingDemoTest : public QObject {
    Q_OBJECT

private slots:
    void theDemoSequenceIsGradedThroughThePage() {
        std::vector<demo::DemoCard> cards;
        QCOMPARE(demo::readCards(kSequence + "cards.tsv", cards), std::string());
        WindowRig rig("gp-demo");
        namespace fs = std::filesystem;
        fs::copy_file(kProgram + "/模板文件/" + kLayout, rig.folder.path(std::string("模板文件/") + kLayout));
        fs::create_directories(rig.folder.path("学生信息文件"));
        fs::copy_file(kProgram + "/学生信息文件/测试.xs", rig.folder.path("学生信息文件/测试.xs"));
        rig.frames = [] { return std::make_unique<PictureFolder>(kSequence); };
        rig.cards.answers.push_back(kLayout);
        rig.click("BtnNewYJ");
        rig.click("BtnNext1");
        rig.cameraNames = {kVirtualCameraName};
        rig.click("BtnConn");
        rig.window.capture().timer().stop();  // one tick per frame, from the test
        GradingRun& run = rig.window.run();
        QCOMPARE(demo::loadExam(TARVEL_DEMO_EXAM, run.layout.current, kLayout, run.settings), std::string());
        run.filter = {"20241", "01"};  // the sample roster came with "新阅卷"
        rig.enterGradingPage();
        GradingGridModel& grid = static_cast<GradingPage*>(rig.window.page(5))->gridModel();
        QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.click("BtnAutoAnswerCard");

        long frame = 0;
        std::vector<Heard> heard;
        auto* memo = rig.find<QPlainTextEdit>("MemoTiShi");
        rig.sounds.onPlay = [&](const std::string& wave) {
            heard.push_back({frame, wave, ss(memo->toPlainText()), ss(rig.window.windowTitle()),
                             rig.window.capture().loop().promptText()});
        };
        const long frames = long(PictureFolder(kSequence).size());
        for (frame = 0; frame < frames; ++frame) {
            rig.deliver();
            rig.clock.advance(kTickMs);
            rig.window.capture().loop().Timer1Timer();
            if (frame % 50 == 0) QCoreApplication::processEvents();  // the window paints as it goes
        }

        // One sound per card, in the order of the cards.
        QCOMPARE(heard.size(), cards.size());
        size_t students = 0;
        for (size_t c = 0; c < cards.size(); ++c) {
            const demo::DemoCard& card = cards[c];
            const Heard& h = heard[c];
            QVERIFY2(h.frame >= std::stol(card.file), (card.kind + " " + card.file).c_str());
            if (card.kind == "standard") {
                QCOMPARE(h.prompt, std::string("标准答案已经读入"));
            } else if (card.kind == "student") {
                const std::string total = expectedTotal(cards[0].answers, card.answers);
                QCOMPARE(h.wave, std::string("success.wav"));
                QCOMPARE(h.memo, std::string("该答题卡第一次阅读！"));
                QCOMPARE(h.caption, std::string(kAppTitle) + " " + card.name + total + "分");
                const int row = grid.rowOf(card.admission);
                QCOMPARE(grid.data(grid.index(row, 7)).toString(), qs(total));
                QCOMPARE(grid.data(grid.index(row, 1)).toString(), QString("已阅1次"));
                ++students;
            } else {
                QCOMPARE(h.wave, std::string("wrong.wav"));
                QCOMPARE(h.memo, h.prompt + kMoveCardSuffix);
                QVERIFY2(h.prompt.find(card.kind == "turned" ? "图像倒立" : "越界") != std::string::npos,
                         h.prompt.c_str());
            }
        }
        QVERIFY(students >= 30);
        QCOMPARE(grid.rowCount(), int(students) + 1);
        // The last card accepted is the current row; the run is unsaved; nothing was asked.
        QCOMPARE(static_cast<GradingPage*>(rig.window.page(5))->grid()->currentIndex().row(),
                 grid.rowOf(cards.back().admission));
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        QVERIFY(rig.prompter.shown().empty());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::GradingDemoTest)
#include "gradingdemo_test.moc"
