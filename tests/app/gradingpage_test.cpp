// Page 5: the splitter cap, the grade and class selectors with the checks
// before a read, the pop-up menu's rules and actions, editing the standard
// answer with "重新算分", the grid's drawing without the focus, the voice on
// its own thread with a slow speaker, a lost camera, and the watch when the
// page is left. The grid core's rules themselves are tested with the core.
#include <QAbstractItemModelTester>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <atomic>
#include <chrono>
#include <thread>

#include "apptest.h"
#include "base/floattext.h"
#include "grading/scoring.h"
#include "pages/gradingpage.h"
#include "qt/text.h"
#include "tests/grading/tenandtwo.h"

namespace tarvel::app::test {
namespace {

Roster twoGrades() {
    Roster r;
    r.gradesEnabled = r.classesEnabled = true;
    r.grades = {{"初一", "11111"}, {"初二", "22222"}};
    r.students = {{"1", "甲", "11111", "01"}, {"2", "乙", "22222", "02"}, {"4", "丁", "11111", "01"},
                  {"5", "戊", "11111", "03"}};
    return r;
}

GradingRecord card(const std::string& number, const Roster& roster, const std::vector<std::string>& answers) {
    GradingRecord r;
    r.readCount = 1;
    r.admissionNumber = number;
    if (const StudentEntry* s = findStudent(roster, number)) {
        r.name = s->name;
        r.gradeCode = s->gradeCode;
        r.classCode = s->classCode;
    }
    for (size_t q = 0; q < answers.size(); ++q) r.answers[q].answer = AnswerText(answers[q]);
    return r;
}

// What the camera shows: a block lying still and a small square that
// flickers like sensor noise (a motion of 2 each tick); nothing once unplugged.
struct StillScene : FrameSequence {
    std::shared_ptr<std::atomic<bool>> unplugged = std::make_shared<std::atomic<bool>>(false);
    size_t size() const override { return 2; }
    bool picture(size_t index, Bitmap& out) override {
        if (*unplugged) return false;
        out.copyFrom(*scene(100));
        for (int y = 20; y < 42 && index == 1; ++y)
            for (int x = 578; x < 600; ++x) out.setPixel(x, y, 0, 0, 0);
        return true;
    }
};

// A voice that speaks until released, or for `ms` when that is set.
struct SlowSpeaker : Speaker {
    std::atomic<bool> release{false}, speaking{false};
    std::atomic<int> spoken{0}, ms{0};
    std::string text;
    void speak(const std::string& markedUp) override {
        speaking = true;
        text = markedUp;
        const auto start = std::chrono::steady_clock::now();
        while (!release && (ms == 0 || std::chrono::steady_clock::now() - start < std::chrono::milliseconds(ms)))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++spoken;
        speaking = false;
    }
};

}  // namespace

struct GradingRig : WindowRig {
    explicit GradingRig(const std::string& name, std::shared_ptr<std::atomic<bool>> unplugged = nullptr)
        : WindowRig(name) {
        window.resize(840, 900);
        cards.answers.push_back("DY测试卡.dat");
        click("BtnNewYJ");
        click("BtnNext1");
        cameraNames = {"camera"};
        frames = [unplugged] {
            auto scene = std::make_unique<StillScene>();
            if (unplugged) scene->unplugged = unplugged;
            return scene;
        };
        click("BtnConn");
        capture().timer().stop();  // ticks come from the test
    }
    CaptureState& capture() { return window.capture(); }
    FrameLoop& loop() { return capture().loop(); }
    GradingPage* page() { return static_cast<GradingPage*>(window.page(5)); }
    GradingGridView* grid() { return page()->grid(); }
    GradingGridModel& model() { return page()->gridModel(); }
    GradingRecords& records() { return window.run().records; }

    // The run as pages 3 and 4 leave it, then page 5 entered.
    void enter(const GradingFilter& filter, GradingRecords cards, Roster roster = twoGrades()) {
        GradingRun& run = window.run();
        run.students.roster = std::move(roster);
        run.settings = tarvel::testing::tenAndTwo();
        run.filter = filter;
        run.records = std::move(cards);
        run.unsaved = false;
        enterGradingPage();
    }
    // The standard answer, students 1 and 4 (初一, class 01) and 2 (初二).
    void enterWithStudents(const GradingFilter& filter = {"11111", "ALL"}) {
        const Roster r = twoGrades();
        enter(filter, {card("     ", r, {"A", "B", "C", "D", "A", "B", "C", "D", "A", "B", "", "BD"}),
                       card("1", r, {"A", "B", "C", "D", "A", "B", "C", "D", "A", "A", "AB", "BD"}),
                       card("2", r, {"A", "A", "A", "A", "A", "A", "A", "A", "A", "A"}),
                       card("4", r, {"A", "B", "C", "D", "A", "B", "C", "D", "A", "B", "C", "B"})});
    }

    QPoint centre(int row, int column) { return grid()->visualRect(model().index(row, column)).center(); }
    void clickCell(int row, int column) { QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centre(row, column)); }
    // A right-button press on the cell: the pop-up menu opens (and is closed again).
    void rightClick(int row, int column) {
        const QPoint at = centre(row, column);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid()->viewport(), &event);
        find<QMenu>("PopupMenu1")->hide();
    }
    bool enabled(const char* action) { return find<QAction>(action)->isEnabled(); }
    void trigger(const char* action) { find<QAction>(action)->trigger(); }
    bool saveEnabled() { return find<QAction>("BtnSave")->isEnabled(); }
    std::string memo() { return ss(find<QPlainTextEdit>("MemoTiShi")->toPlainText()); }
    void switchVoice() { QTest::mouseClick(find<QCheckBox>("CBYuYin"), Qt::LeftButton, {}, QPoint(6, 10)); }
    void tick() {
        deliver();
        clock.advance(kTickMs);
        loop().Timer1Timer();
    }
    // Ticks until a sound is played (at most `limit`).
    void tickUntilSound(int limit = 25) {
        for (int i = 0; i < limit && sounds.played.empty(); ++i) tick();
    }
};

class GradingPageTest : public QObject {
    Q_OBJECT

private slots:
    void splitterIsCappedAndThePreviewFollows() {
        GradingRig rig("gp-split");
        rig.enter({"11111", "ALL"}, {});
        auto* panel1 = rig.find<QWidget>("Panel1");
        auto* view = rig.find<LiveView>("ImageView");
        QCOMPARE(rig.find<QSplitter>("Splitter1")->handleWidth(), 5);
        QCOMPARE(panel1->height(), kPanel1Height);
        QCOMPARE(rig.model().columnCount(), 13 + 12);
        QCOMPARE(rig.grid()->columnWidth(13), 20);  // single choice
        QCOMPARE(rig.grid()->columnWidth(24), 30);  // multiple choice

        QSplitterHandle* handle = rig.find<QSplitter>("Splitter1")->handle(1);
        auto drag = [handle](int dy) {
            const QPoint grip = handle->rect().center();
            for (auto [type, at, buttons] : {std::tuple{QEvent::MouseButtonPress, grip, Qt::LeftButton},
                                             {QEvent::MouseMove, grip + QPoint(0, dy), Qt::LeftButton},
                                             {QEvent::MouseButtonRelease, grip + QPoint(0, dy), Qt::NoButton}}) {
                QMouseEvent e(type, at, handle->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
                QApplication::sendEvent(handle, &e);
            }
        };
        // Far down: Panel1 stops at 482 (the view is then too narrow for
        // 4:3, and the picture fits its width).
        drag(150);
        QCOMPARE(panel1->height(), kPanel1Cap);
        QTRY_COMPARE(rig.loop().viewRect(), (Rect{0, (kPanel1Cap - view->width() * 3 / 4) / 2, view->width(),
                                                  view->width() * 3 / 4}));
        drag(-200);
        QVERIFY(panel1->height() < kPanel1Height);
        QTRY_COMPARE(rig.loop().viewRect().height, view->height());
        QCOMPARE(rig.loop().viewRect().x, (view->width() - view->height() * 4 / 3) / 2);
    }

    void selectorsFollowTheRosterAndFilterTheGrid() {
        GradingRig rig("gp-select");
        QAbstractItemModelTester tester(&rig.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.enterWithStudents({"22222", "ALL"});
        auto* grades = rig.find<QComboBox>("NJYJ");
        auto* classes = rig.find<QComboBox>("BJYJ");
        QCOMPARE(grades->currentText(), QString("初二"));
        QCOMPARE(classes->count(), 4);  // 所有班级, 01, 02, 03
        QCOMPARE(classes->currentIndex(), 0);
        QCOMPARE(rig.model().rowCount(), 2);  // the standard answer and 乙
        QCOMPARE(rig.model().data(rig.model().index(0, 4)).toString(), QString(kStandardAnswerName));

        // Another grade, then a class: the filter and the rows follow, the run is unsaved.
        emit grades->activated(0);
        QCOMPARE(rig.window.run().filter.gradeCode, std::string("11111"));
        QCOMPARE(rig.model().rowCount(), 3);
        QVERIFY(rig.saveEnabled());
        emit classes->activated(3);
        QCOMPARE(rig.window.run().filter.classCode, std::string("03"));
        QCOMPARE(rig.model().rowCount(), 1);

        // A filter no item matches chooses nothing: reads and the toggle are refused.
        rig.enterWithStudents({"99999", "07"});
        QCOMPARE(grades->currentIndex(), -1);
        QCOMPARE(classes->currentIndex(), -1);
        rig.prompter.clear();
        rig.click("BtnAnswerCard");
        rig.click("BtnAutoAnswerCard");
        rig.window.run().filter.gradeCode = "11111";
        rig.click("BtnAnswerCard");
        QCOMPARE(rig.prompter.texts(), (std::vector<std::string>{kChooseGrade, kChooseGrade, kChooseClass}));
        QCOMPARE(rig.find("BtnAutoAnswerCard")->text(), QString(kAutoOn));
        QVERIFY(rig.sounds.played.empty());

        // Without grades and classes both selectors are off and every record shows.
        Roster plain = twoGrades();
        plain.gradesEnabled = plain.classesEnabled = false;
        rig.enter({"", "ALL"}, rig.records(), plain);
        QVERIFY(!grades->isEnabled() && !rig.find<QLabel>("LblNJ4")->isEnabled());
        QVERIFY(!classes->isEnabled() && !rig.find<QLabel>("LblBJ5")->isEnabled());
        QCOMPARE(rig.model().rowCount(), 4);
    }

    void popupMenuRulesAndActions() {
        GradingRig rig("gp-popup");
        QAbstractItemModelTester tester(&rig.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.enter({"11111", "ALL"}, {});
        QCOMPARE(rig.model().rowCount(), 1);  // one empty row
        rig.rightClick(0, 3);
        QVERIFY(!rig.enabled("Ndatikadelete") && !rig.enabled("NdatikadeleteAll"));
        QCOMPARE(rig.memo(), std::string(kReadStandardFirstHint));

        // The right button selects the row under the mouse first; the
        // standard answer among students cannot be chosen for deleting.
        rig.enterWithStudents();
        rig.rightClick(2, 5);
        QVERIFY(rig.grid()->selectionModel()->isRowSelected(2, {}));
        QVERIFY(rig.enabled("Ndatikadelete") && rig.enabled("NdatikadeleteAll"));
        rig.rightClick(0, 0);
        QCOMPARE(rig.grid()->currentIndex().row(), 0);
        QVERIFY(!rig.enabled("Ndatikadelete"));
        // The standard answer as the only row shown: enabled.
        rig.enterWithStudents({"11111", "03"});
        rig.rightClick(0, 3);
        QVERIFY(rig.enabled("Ndatikadelete"));

        // "删除选中记录" removes 丁 (row 2) and nothing else.
        rig.enterWithStudents();
        rig.rightClick(2, 1);
        rig.trigger("Ndatikadelete");
        QCOMPARE(findRecord(rig.records(), "4"), -1);
        QCOMPARE(rig.records().size(), size_t(3));
        QCOMPARE(rig.model().rowCount(), 2);
        QVERIFY(rig.saveEnabled());

        // "删除本列表中所有阅卷记录" removes the students shown, not 乙 of 初二.
        rig.prompter.clear();
        rig.prompter.answerNext(Answer::Yes);
        rig.prompter.answerNext(Answer::Ok);
        rig.trigger("NdatikadeleteAll");
        QCOMPARE(rig.prompter.texts().size(), size_t(2));
        QCOMPARE(rig.records().size(), size_t(2));
        QCOMPARE(rig.records()[1].admissionNumber, std::string("2"));
        QCOMPARE(rig.model().rowCount(), 1);

        rig.prompter.clear();
        rig.trigger("NMsg");
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kHowToEditStandard});
    }

    void standardAnswerIsEditedInRowOneAndRescored() {
        GradingRig rig("gp-edit");
        QAbstractItemModelTester tester(&rig.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.enterWithStudents();
        GradingRecords& records = rig.records();
        const float before = records[1].total;  // 甲: question 10 wrong
        QCOMPARE(before, 13.0f);
        const int q11 = kFirstQuestionColumn + 10;
        QVERIFY(!(rig.model().flags(rig.model().index(1, q11)) & Qt::ItemIsEditable));

        // A standard-answer cell is selected alone and typed into through the key filter.
        rig.clickCell(0, q11);
        QCOMPARE(rig.grid()->selectionBehavior(), QAbstractItemView::SelectItems);
        QTest::keyClick(rig.grid(), Qt::Key_C);
        QCOMPARE(records[0].answer(11).str(), std::string("C"));
        QVERIFY(rig.loop().rescorePending());
        QVERIFY(rig.saveEnabled());
        auto* editor = qobject_cast<AnswerEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_A);  // "CA" is not ascending
        QTest::keyClick(editor, Qt::Key_X);
        QCOMPARE(records[0].answer(11).str(), std::string("C"));
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, Qt::Key_A);
        QCOMPARE(records[0].answer(11).str(), std::string("AC"));
        // The red marking follows at once, the totals only with "重新算分".
        QCOMPARE(rig.model().data(rig.model().index(1, q11), Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::red));
        QCOMPARE(records[1].total, before);
        rig.clickCell(2, 5);
        QCOMPARE(rig.grid()->selectionBehavior(), QAbstractItemView::SelectRows);

        // Every student is rescored, the one the filter hides too.
        rig.window.run().unsaved = false;
        rig.trigger("NRefresh");
        QVERIFY(!rig.loop().rescorePending());
        QVERIFY(rig.saveEnabled());
        for (const std::string number : {"1", "2"}) {
            GradingRecord expected = records[size_t(findRecord(records, number))];
            ScoreCard(expected, records[0], rig.window.run().settings);
            QCOMPARE(records[size_t(findRecord(records, number))].total, expected.total);
        }
        QVERIFY(records[1].total != before);
        QCOMPARE(rig.model().data(rig.model().index(1, 7)).toString(), qs(floatToText(records[1].total)));
    }

    void withoutTheFocusTheGridIsWhite() {
        GradingRig rig("gp-white");
        rig.enterWithStudents();
        rig.grid()->makeRowCurrent(1);
        const QPoint inRow = rig.centre(1, 5) + rig.grid()->viewport()->pos() - QPoint(20, 0);
        rig.grid()->setFocus();
        QTRY_VERIFY(rig.grid()->hasFocus());
        QVERIFY(rig.grid()->grab().toImage().pixelColor(inRow) != QColor(Qt::white));
        rig.find("BtnAnswerCard")->setFocus();
        QTRY_VERIFY(!rig.grid()->hasFocus());
        QCOMPARE(rig.grid()->grab().toImage().pixelColor(inRow), QColor(Qt::white));
    }

    void speechRunsBesideTheWindowAndACloseWaitsForIt() {
        GradingRig rig("gp-voice");
        auto* speaker = new SlowSpeaker;
        rig.voice = [speaker] { return std::unique_ptr<Speaker>(speaker); };
        rig.enterWithStudents();
        rig.switchVoice();
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kSpeechOptionNotice});

        // No card in the scene: the sound, then pause and speech on the speech thread.
        rig.tick();
        rig.click("BtnAnswerCard");
        QCOMPARE(rig.sounds.played, std::vector<std::string>{"wrong.wav"});
        QCOMPARE(rig.memo(), std::string("未获得正确的检测线，请移动答题卡。"));
        QTRY_VERIFY(speaker->speaking);
        QVERIFY(!rig.loop().timerEnabled());
        // The window goes on: events are handled; reads and ticks wait.
        bool handled = false;
        QTimer::singleShot(0, [&] { handled = true; });
        QTRY_VERIFY(handled);
        rig.click("BtnAnswerCard");
        rig.tick();
        QCOMPARE(rig.sounds.played.size(), size_t(1));
        QCOMPARE(rig.clock.pauses(), std::vector<int>{kSpeechPauseMs});
        speaker->release = true;
        QTRY_VERIFY(rig.loop().timerEnabled());
        QCOMPARE(speaker->text, speechTextFor("未获得正确的检测线"));

        // Closing while the voice talks waits for it.
        speaker->release = false;
        speaker->ms = 300;
        rig.click("BtnAnswerCard");
        QTRY_VERIFY(speaker->speaking);
        rig.prompter.answerNext(Answer::Yes);
        QVERIFY(rig.window.close());
        QCOMPARE(speaker->spoken.load(), 2);
        QVERIFY(!rig.capture().connection().running());
        QTest::qWait(20);  // the end of the speech arrives after the close: harmless
    }

    void aLostCameraIsToldHereAndGradingGoesOnAfterReconnecting() {
        auto unplugged = std::make_shared<std::atomic<bool>>(false);
        GradingRig rig("gp-lost", unplugged);
        rig.enterWithStudents();
        rig.click("BtnAutoAnswerCard");
        rig.tick();
        *unplugged = true;
        rig.tickUntilSound(30);
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kCameraLost});
        QCOMPARE(rig.memo(), std::string(kCameraLost));
        QVERIFY(rig.sounds.played.empty());

        // "连接摄像头" on page 2 again, then back on this page: the watch reads.
        for (const char* back : {"BtnBack5", "BtnBack4", "BtnBack3"}) rig.click(back);
        *unplugged = false;
        rig.click("BtnConn");
        rig.capture().timer().stop();
        rig.enterGradingPage();
        rig.tickUntilSound();
        QCOMPARE(rig.sounds.played, std::vector<std::string>{"wrong.wav"});
    }

    void leavingThePageStopsTheWatch() {
        GradingRig rig("gp-leave");
        rig.enterWithStudents();
        rig.click("BtnAutoAnswerCard");
        QVERIFY(!rig.find("BtnAnswerCard")->isEnabled());
        rig.click("BtnNext5");
        rig.tickUntilSound(40);
        QVERIFY(rig.sounds.played.empty());
        rig.click("BtnBack6");
        QCOMPARE(rig.find("BtnAutoAnswerCard")->text(), QString(kAutoOff));
        rig.tickUntilSound();
        QCOMPARE(rig.sounds.played, std::vector<std::string>{"wrong.wav"});
        rig.click("BtnAutoAnswerCard");
        QVERIFY(rig.find("BtnAnswerCard")->isEnabled());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::GradingPageTest)
#include "gradingpage_test.moc"
