// The grading page reading the demo sequence as a teacher's afternoon goes:
// the virtual camera plays every frame once, a clock moves 100 ms per frame,
// automatic grading is on. Every card is read once; each student's row
// appears with the total scored by hand and becomes current; memo and caption
// show the result; the cut-off and the upside-down card give their texts.
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
int expectedTotal(const std::vector<std::string>& key, const std::vector<std::string>& answers) {
    int total = 0;
    for (size_t q = 0; q < key.size(); ++q) total += answers[q] == key[q] ? (q < 70 ? 1 : 2) : 0;
    return total;
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
        QVERIFY(cards.size() >= 33);

        WindowRig rig("gp-demo");
        namespace fs = std::filesystem;
        fs::copy_file(kProgram + "/模板文件/" + kLayout, rig.folder.path(std::string("模板文件/") + kLayout));
        fs::create_directories(rig.folder.path("学生信息文件"));
        fs::copy_file(kProgram + "/学生信息文件/测试.xs", rig.folder.path("学生信息文件/测试.xs"));
        size_t frameCount = 0;
        rig.frames = [&frameCount] {
            auto folder = std::make_unique<PictureFolder>(kSequence);
            frameCount = folder->size();
            return folder;
        };
        rig.cards.answers.push_back(kLayout);
        rig.click("BtnNewYJ");
        rig.click("BtnNext1");
        rig.cameraNames = {kVirtualCameraName};
        rig.click("BtnConn");
        rig.window.capture().timer().stop();  // one tick per frame, from the test
        GradingRun& run = rig.window.run();
        QVERIFY(!run.students.roster.students.empty());  // the sample roster came with "新阅卷"
        QCOMPARE(demo::loadExam(TARVEL_DEMO_EXAM, run.layout.current, kLayout, run.settings), std::string());
        run.filter = {"20241", "01"};
        rig.enterGradingPage();
        auto* page = static_cast<GradingPage*>(rig.window.page(5));
        QAbstractItemModelTester tester(&page->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.click("BtnAutoAnswerCard");

        long frame = 0;
        std::vector<Heard> heard;
        auto* memo = rig.find<QPlainTextEdit>("MemoTiShi");
        rig.sounds.onPlay = [&](const std::string& wave) {
            heard.push_back({frame, wave, ss(memo->toPlainText()), ss(rig.window.windowTitle()),
                             rig.window.capture().loop().promptText()});
        };
        FrameLoop& loop = rig.window.capture().loop();
        for (frame = 0; frame < long(frameCount); ++frame) {
            rig.deliver();
            rig.clock.advance(kTickMs);
            loop.Timer1Timer();
            if (frame % 50 == 0) QCoreApplication::processEvents();  // the window paints as it goes
        }

        // Each sound belongs to the card lying still at its frame.
        std::vector<std::vector<Heard>> byCard(cards.size());
        for (const Heard& h : heard) {
            size_t c = 0;
            while (c + 1 < cards.size() && std::stol(cards[c + 1].file) <= h.frame) ++c;
            byCard[c].push_back(h);
        }
        const std::vector<std::string>& key = cards[0].answers;
        const GradingGridModel& grid = page->gridModel();
        size_t students = 0;
        for (size_t c = 0; c < cards.size(); ++c) {
            const demo::DemoCard& card = cards[c];
            const std::string where = card.kind + " " + card.admission + " " + card.file;
            QVERIFY2(byCard[c].size() == 1, where.c_str());
            const Heard& h = byCard[c][0];
            QVERIFY2(h.frame >= std::stol(card.file) + 20 && h.frame < std::stol(card.file) + 30, where.c_str());
            if (card.kind == "standard") {
                QCOMPARE(h.wave, std::string("success.wav"));
                QCOMPARE(h.prompt, std::string("标准答案已经读入"));
                QCOMPARE(h.memo, std::string("标准答案已经读入，请稍微改变位置多读几次进行校对，确保无误。"));
            } else if (card.kind == "student") {
                const std::string prompt = card.name + std::to_string(expectedTotal(key, card.answers)) + "分";
                QCOMPARE(h.wave, std::string("success.wav"));
                QCOMPARE(h.prompt, prompt);
                QCOMPARE(h.memo, std::string("该答题卡第一次阅读！"));
                QCOMPARE(h.caption, std::string(kAppTitle) + " " + prompt);
                const int row = grid.rowOf(card.admission);
                QVERIFY2(row >= 1, where.c_str());
                QCOMPARE(ss(grid.data(grid.index(row, 7)).toString()),
                         std::to_string(expectedTotal(key, card.answers)));
                QCOMPARE(ss(grid.data(grid.index(row, 1)).toString()), std::string("已阅1次"));
                ++students;
            } else if (card.kind == "cutoff") {
                QCOMPARE(h.wave, std::string("wrong.wav"));
                QVERIFY2(h.prompt.find("越界") != std::string::npos, h.prompt.c_str());
                QCOMPARE(h.memo, h.prompt + kMoveCardSuffix);
            } else {
                QCOMPARE(card.kind, std::string("turned"));
                QCOMPARE(h.wave, std::string("wrong.wav"));
                QCOMPARE(h.prompt, std::string("图像倒立"));
                QCOMPARE(h.memo, std::string("图像倒立") + kMoveCardSuffix);
            }
        }
        QVERIFY(students >= 30);
        QCOMPARE(grid.rowCount(), int(students) + 1);
        // The last card accepted is the current row, and the run is unsaved.
        const demo::DemoCard* last = nullptr;
        for (const demo::DemoCard& card : cards)
            if (card.kind == "student") last = &card;
        QCOMPARE(page->grid()->currentIndex().row(), grid.rowOf(last->admission));
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        QVERIFY(rig.prompter.shown().empty());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::GradingDemoTest)
#include "gradingdemo_test.moc"
