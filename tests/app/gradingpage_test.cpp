// Page 5: the splitter cap, the grade and class selectors with the checks
// before a read, the pop-up menu's rules and actions, editing the standard
// answer with "重新算分", the grid's drawing without the focus, the voice on
// its own thread with a slow speaker, and the watch when the page is left.
#include <QAbstractItemModelTester>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "apptest.h"
#include "base/floattext.h"
#include "grading/gradinggrid.h"
#include "grading/scoring.h"
#include "pages/gradingpage.h"
#include "qt/text.h"
#include "tests/grading/tenandtwo.h"

namespace tarvel::app::test {
namespace {

using tarvel::testing::tenAndTwo;

Roster twoGrades() {
    Roster r;
    r.gradesEnabled = true;
    r.classesEnabled = true;
    r.grades = {{"初一", "11111"}, {"初二", "22222"}};
    r.students = {{"1", "甲", "11111", "01"}, {"2", "乙", "22222", "02"}, {"4", "丁", "11111", "01"},
                  {"5", "戊", "11111", "03"}};
    return r;
}

// Answers given as letters per question, "-" for none, "," between questions.
GradingRecord card(const std::string& number, const Roster& roster, const std::string& answers) {
    GradingRecord r;
    r.readCount = 1;
    r.admissionNumber = number;
    if (const StudentEntry* s = findStudent(roster, number)) {
        r.name = s->name;
        r.gradeCode = s->gradeCode;
        r.classCode = s->classCode;
        r.gradeName = gradeNameOf(roster, s->gradeCode);
    }
    size_t q = 0, start = 0;
    while (start <= answers.size() && q < kMaxExamQuestions) {
        const size_t end = std::min(answers.find(',', start), answers.size());
        const std::string a = answers.substr(start, end - start);
        r.answers[q++].answer = a == "-" ? AnswerText() : AnswerText(a);
        start = end + 1;
    }
    return r;
}

constexpr const char* kKey = "A,B,C,D,A,B,C,D,A,B,-,BD";

// A scene that the watch sees lying still: a block and a small square that
// flickers like sensor noise (a motion of 2 each tick, never -1).
std::unique_ptr<FrameSequence> stillScene() {
    auto frames = std::make_unique<PictureList>();
    auto flicker = scene(100);
    for (int y = 20; y < 42; ++y)
        for (int x = 578; x < 600; ++x) flicker->setPixel(x, y, 0, 0, 0);
    frames->add(scene(100));
    frames->add(flicker);
    return frames;
}

// The still scene from a camera that can be unplugged: no picture then.
struct UnpluggableScene : FrameSequence {
    std::unique_ptr<FrameSequence> scene = stillScene();
    std::shared_ptr<std::atomic<bool>> unplugged;
    size_t size() const override { return scene->size(); }
    bool picture(size_t index, Bitmap& out) override { return !*unplugged && scene->picture(index, out); }
};

// A voice that takes its time: it speaks until released, or for `ms`.
struct SlowSpeaker : Speaker {
    std::atomic<bool> release{false};
    std::atomic<int> spoken{0};
    std::atomic<bool> speaking{false};
    int ms = 0;
    std::string text;
    void speak(const std::string& markedUp) override {
        speaking = true;
        text = markedUp;
        const auto start = std::chrono::steady_clock::now();
        while (!release && (ms == 0 || std::chrono::steady_clock::now() - start < std::chrono::milliseconds(ms)))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ++spoken;
        speaking = false;
    }
};

}  // namespace

struct GradingRig : WindowRig {
    explicit GradingRig(const std::string& name) : WindowRig(name) {
        window.resize(840, 900);
        cards.answers.push_back("DY测试卡.dat");
        click("BtnNewYJ");
        click("BtnNext1");
        cameraNames = {"camera"};
        find("BtnConn")->click();
        capture().timer().stop();  // ticks come from the test
    }
    CaptureState& capture() { return window.capture(); }
    FrameLoop& loop() { return capture().loop(); }
    GradingPage* page() { return static_cast<GradingPage*>(window.page(5)); }
    GradingGridView* grid() { return page()->grid(); }
    GradingGridModel& model() { return page()->gridModel(); }
    GradingRun& run() { return window.run(); }

    // The run as pages 3 and 4 leave it, then page 5 entered.
    void enter(const Roster& roster, const GradingFilter& filter, GradingRecords records) {
        run().students.roster = roster;
        run().settings = tenAndTwo();
        run().filter = filter;
        run().records = std::move(records);
        run().unsaved = false;
        enterGradingPage();
    }
    // The standard answer and students 1, 4 (grade 初一) and 2 (初二).
    void enterWithStudents(const GradingFilter& filter = {"11111", "ALL"}) {
        const Roster roster = twoGrades();
        enter(roster, filter,
              {card("     ", roster, kKey), card("1", roster, "A,B,C,D,A,B,C,D,A,A,AB,BD"),
               card("2", roster, "A,A,A,A,A,A,A,A,A,A,-,-"), card("4", roster, "A,B,C,D,A,B,C,D,A,B,C,B")});
    }

    QModelIndex cell(int row, int column) { return model().index(row, column); }
    QPoint centre(int row, int column) { return grid()->visualRect(cell(row, column)).center(); }
    void clickCell(int row, int column) { QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centre(row, column)); }
    // The pop-up menu as a right-button press on the cell opens it.
    QMenu* rightClick(int row, int column) {
        const QPoint at = centre(row, column);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid()->viewport(), &event);
        QMenu* menu = find<QMenu>("PopupMenu1");
        menu->hide();
        return menu;
    }
    void switchVoice() { QTest::mouseClick(find<QCheckBox>("CBYuYin"), Qt::LeftButton, {}, QPoint(6, 10)); }
    // The preview rectangle for the view's size: 4:3 at full height, or at
    // full width in a view narrower than that.
    Rect expectedPreview() {
        const auto* view = find<LiveView>("ImageView");
        const int h = view->height(), w = h * 640 / 480;
        if (w <= view->width()) return {(view->width() - w) / 2, 0, w, h};
        return {0, (h - view->width() * 480 / 640) / 2, view->width(), view->width() * 480 / 640};
    }
    bool enabled(const char* action) { return find<QAction>(action)->isEnabled(); }
    std::string text(int row, int column) { return ss(model().data(cell(row, column)).toString()); }
    void tick() {
        deliver();
        clock.advance(kTickMs);
        loop().Timer1Timer();
    }
};

class GradingPageTest : public QObject {
    Q_OBJECT

private slots:
    void splitterIsCappedAndThePreviewFollows() {
        GradingRig rig("gp-split");
        rig.enter(twoGrades(), {"11111", "ALL"}, {});
        auto* splitter = rig.find<QSplitter>("Splitter1");
        auto* panel1 = rig.find<QWidget>("Panel1");
        QCOMPARE(splitter->handleWidth(), 5);
        QCOMPARE(panel1->height(), kPanel1Height);
        QCOMPARE(rig.model().columnCount(), 13 + 12);
        QCOMPARE(rig.grid()->columnWidth(13), 20);
        QCOMPARE(rig.grid()->columnWidth(13 + 11), 30);

        // Dragged far down: Panel1 stops at 482 and the picture follows the view.
        QSplitterHandle* handle = splitter->handle(1);
        const QPoint grip = handle->rect().center();
        auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent e(type, at, handle->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(handle, &e);
        };
        mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton);
        mouse(QEvent::MouseMove, grip + QPoint(0, 150), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, grip + QPoint(0, 150), Qt::NoButton);
        QCOMPARE(panel1->height(), kPanel1Cap);
        QCOMPARE(rig.find<LiveView>("ImageView")->height(), kPanel1Cap);
        QTRY_COMPARE(rig.loop().viewRect(), rig.expectedPreview());

        // Up again: no cap.
        mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton);
        mouse(QEvent::MouseMove, grip - QPoint(0, 200), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, grip - QPoint(0, 200), Qt::NoButton);
        QVERIFY(panel1->height() < kPanel1Height);
        QTRY_COMPARE(rig.loop().viewRect(), rig.expectedPreview());
        QCOMPARE(rig.loop().viewRect().height, panel1->height());
    }

    void selectorsFollowTheRosterAndFilterTheGrid() {
        GradingRig rig("gp-select");
        QAbstractItemModelTester tester(&rig.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.enterWithStudents({"22222", "ALL"});
        auto* grades = rig.find<QComboBox>("NJYJ");
        auto* classes = rig.find<QComboBox>("BJYJ");
        QCOMPARE(grades->count(), 2);
        QCOMPARE(grades->currentText(), QString("初二"));
        QCOMPARE(classes->count(), 4);  // 所有班级, 01, 02, 03
        QCOMPARE(classes->currentIndex(), 0);
        QCOMPARE(rig.model().rowCount(), 2);  // the standard answer and 乙
        QCOMPARE(rig.text(0, 4), std::string(kStandardAnswerName));
        QCOMPARE(rig.text(1, 4), std::string("乙"));
        QVERIFY(!rig.find<QAction>("BtnSave")->isEnabled());

        // Another grade, then one class: the filter and the rows follow, the run is unsaved.
        grades->setCurrentIndex(0);
        emit grades->activated(0);
        QCOMPARE(rig.run().filter.gradeCode, std::string("11111"));
        QCOMPARE(rig.model().rowCount(), 3);
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        classes->setCurrentIndex(1);
        emit classes->activated(1);
        QCOMPARE(rig.run().filter.classCode, std::string("01"));
        QCOMPARE(rig.model().rowCount(), 3);  // 甲 and 丁 are in 01
        classes->setCurrentIndex(3);
        emit classes->activated(3);
        QCOMPARE(rig.model().rowCount(), 1);

        // A filter no item matches chooses nothing; reads and the toggle are refused.
        rig.enterWithStudents({"99999", "07"});
        QCOMPARE(grades->currentIndex(), -1);
        QCOMPARE(classes->currentIndex(), -1);
        QCOMPARE(rig.model().rowCount(), 1);
        rig.prompter.clear();
        rig.click("BtnAnswerCard");
        rig.click("BtnAutoAnswerCard");
        QCOMPARE(rig.prompter.texts(), (std::vector<std::string>{kChooseGrade, kChooseGrade}));
        QCOMPARE(rig.find("BtnAutoAnswerCard")->text(), QString(kAutoOn));
        rig.run().filter.gradeCode = "11111";
        rig.prompter.clear();
        rig.click("BtnAnswerCard");
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kChooseClass});
        QVERIFY(rig.sounds.played.empty());

        // A roster without grades and classes: both selectors off, every record shown.
        Roster plain = twoGrades();
        plain.gradesEnabled = plain.classesEnabled = false;
        rig.enter(plain, {"", "ALL"}, rig.run().records);
        QVERIFY(!grades->isEnabled() && !rig.find<QLabel>("LblNJ4")->isEnabled());
        QVERIFY(!classes->isEnabled() && !rig.find<QLabel>("LblBJ5")->isEnabled());
        QCOMPARE(rig.model().rowCount(), 4);
    }

    void popupMenuEnablingAndActions() {
        GradingRig rig("gp-popup");
        QAbstractItemModelTester tester(&rig.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.enter(twoGrades(), {"11111", "ALL"}, {});
        // No record: one empty row, nothing to delete.
        QCOMPARE(rig.model().rowCount(), 1);
        rig.rightClick(0, 3);
        QVERIFY(!rig.enabled("Ndatikadelete"));
        QVERIFY(!rig.enabled("NdatikadeleteAll"));
        QVERIFY(rig.find<QPlainTextEdit>("MemoTiShi")->toPlainText() == kReadStandardFirstHint);

        rig.enterWithStudents();
        // The right button selects the row under the mouse first.
        rig.rightClick(2, 5);
        QCOMPARE(rig.grid()->currentIndex().row(), 2);
        QVERIFY(rig.grid()->selectionModel()->isRowSelected(2, {}));
        QVERIFY(rig.enabled("Ndatikadelete"));
        QVERIFY(rig.enabled("NdatikadeleteAll"));
        rig.rightClick(0, 0);
        QCOMPARE(rig.grid()->currentIndex().row(), 0);
        QVERIFY(!rig.enabled("Ndatikadelete"));  // the standard answer among students

        // "删除选中记录" on 丁 (row 2).
        rig.rightClick(2, 1);
        rig.find<QAction>("Ndatikadelete")->trigger();
        QCOMPARE(rig.run().records.size(), size_t(3));
        QCOMPARE(findRecord(rig.run().records, "4"), -1);
        QCOMPARE(rig.model().rowCount(), 2);
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());

        // Only the standard answer shown (class 03 has no record): the item is
        // enabled, but the standard answer stays while students are stored.
        rig.run().filter.classCode = "03";
        rig.enter(rig.run().students.roster, rig.run().filter, rig.run().records);
        QCOMPARE(rig.model().rowCount(), 1);
        rig.rightClick(0, 3);
        QVERIFY(rig.enabled("Ndatikadelete"));
        rig.prompter.clear();
        rig.find<QAction>("Ndatikadelete")->trigger();
        QCOMPARE(rig.run().records.size(), size_t(3));
        QCOMPARE(rig.prompter.texts().size(), size_t(1));

        // "删除本列表中所有阅卷记录": two questions; only the shown students go.
        rig.run().filter.classCode = "ALL";
        rig.enter(rig.run().students.roster, rig.run().filter, rig.run().records);
        rig.prompter.clear();
        rig.prompter.answerNext(Answer::Yes);
        rig.prompter.answerNext(Answer::Cancel);
        rig.find<QAction>("NdatikadeleteAll")->trigger();
        QCOMPARE(rig.run().records.size(), size_t(3));
        rig.prompter.answerNext(Answer::Yes);
        rig.prompter.answerNext(Answer::Ok);
        rig.find<QAction>("NdatikadeleteAll")->trigger();
        QCOMPARE(rig.prompter.texts().size(), size_t(4));
        QCOMPARE(rig.run().records.size(), size_t(2));  // the standard answer and 乙 of 初二
        QCOMPARE(rig.run().records[1].admissionNumber, std::string("2"));
        QCOMPARE(rig.model().rowCount(), 1);

        rig.prompter.clear();
        rig.find<QAction>("NMsg")->trigger();
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kHowToEditStandard});
    }

    void standardAnswerIsEditedInRowOneAndRescored() {
        GradingRig rig("gp-edit");
        QAbstractItemModelTester tester(&rig.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.enterWithStudents();
        GradingRecords& records = rig.run().records;
        const float before = records[1].total;  // 甲: q10 wrong, q11 AB against an empty answer
        QCOMPARE(before, 13.0f);
        const int q11 = kFirstQuestionColumn + 10;
        // Red where a student differs from a standard answer that is not empty.
        QCOMPARE(rig.model().data(rig.cell(1, kFirstQuestionColumn + 9), Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::red));
        QVERIFY(!rig.model().data(rig.cell(1, q11), Qt::ForegroundRole).isValid());
        QVERIFY(!(rig.model().flags(rig.cell(1, q11)) & Qt::ItemIsEditable));
        QVERIFY(!(rig.model().flags(rig.cell(0, 12)) & Qt::ItemIsEditable));

        // A standard-answer cell is selected alone.
        rig.clickCell(0, q11);
        QCOMPARE(rig.grid()->selectionBehavior(), QAbstractItemView::SelectItems);
        QTest::keyClick(rig.grid(), Qt::Key_C);
        QCOMPARE(records[0].answer(11).str(), std::string("C"));
        QVERIFY(rig.loop().rescorePending());
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        auto* editor = qobject_cast<AnswerEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_A);  // "CA" is not ascending
        QCOMPARE(records[0].answer(11).str(), std::string("C"));
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, Qt::Key_A);
        QCOMPARE(records[0].answer(11).str(), std::string("AC"));
        QTest::keyClick(editor, Qt::Key_X);
        QTest::keyClick(editor, Qt::Key_1);
        QCOMPARE(editor->text(), QString("AC"));
        // Totals stay until "重新算分"; the red marking follows at once.
        QCOMPARE(records[1].total, before);
        QCOMPARE(rig.model().data(rig.cell(1, q11), Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));

        // A single-choice cell holding "B" takes no second letter; selected, it is replaced.
        rig.clickCell(0, kFirstQuestionColumn + 1);
        QCOMPARE(rig.grid()->selectionBehavior(), QAbstractItemView::SelectItems);
        rig.grid()->edit(rig.cell(0, kFirstQuestionColumn + 1));
        editor = qobject_cast<AnswerEdit*>(QApplication::focusWidget());
        QVERIFY(editor && editor->isVisible());
        editor->deselect();
        editor->end(false);
        QTest::keyClick(editor, Qt::Key_C);
        QCOMPARE(records[0].answer(2).str(), std::string("B"));
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_C);
        QCOMPARE(records[0].answer(2).str(), std::string("C"));

        // A student cell selects its row again.
        rig.clickCell(2, 5);
        QCOMPARE(rig.grid()->selectionBehavior(), QAbstractItemView::SelectRows);

        // "重新算分" rescores every student, whatever the filter shows.
        rig.run().unsaved = false;
        rig.find<QAction>("NRefresh")->trigger();
        QVERIFY(!rig.loop().rescorePending());
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        GradingRecord expected = records[1];
        ScoreCard(expected, records[0], rig.run().settings);
        QCOMPARE(records[1].total, expected.total);
        QVERIFY(records[1].total != before);
        const int hidden = findRecord(records, "2");  // 初二, not shown
        expected = records[size_t(hidden)];
        ScoreCard(expected, records[0], rig.run().settings);
        QCOMPARE(records[size_t(hidden)].total, expected.total);
        QCOMPARE(rig.text(1, 7), floatToText(records[1].total));

        // Edits without students stored ask for no rescoring.
        rig.enter(twoGrades(), {"11111", "ALL"}, {card("     ", twoGrades(), kKey)});
        rig.clickCell(0, q11);
        QTest::keyClick(rig.grid(), Qt::Key_D);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(rig.run().records[0].answer(11).str(), std::string("D"));
        QVERIFY(!rig.loop().rescorePending());
    }

    void withoutTheFocusTheGridIsWhite() {
        GradingRig rig("gp-white");
        rig.enterWithStudents();
        rig.grid()->makeRowCurrent(1);
        rig.grid()->setFocus();
        QTRY_VERIFY(rig.grid()->hasFocus());
        const QPoint inRow = rig.centre(1, 5) + QPoint(rig.grid()->viewport()->pos());
        QColor selected = rig.grid()->grab().toImage().pixelColor(inRow + QPoint(-20, 0));
        QVERIFY(selected != QColor(Qt::white));
        rig.find("BtnAnswerCard")->setFocus();
        QTRY_VERIFY(!rig.grid()->hasFocus());
        QCOMPARE(rig.grid()->grab().toImage().pixelColor(inRow + QPoint(-20, 0)), QColor(Qt::white));
    }

    void speechRunsBesideTheWindow() {
        GradingRig rig("gp-voice");
        auto* speaker = new SlowSpeaker;
        rig.voice = [speaker] { return std::unique_ptr<Speaker>(speaker); };
        rig.enterWithStudents();
        rig.switchVoice();
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kSpeechOptionNotice});

        // The scene holds no card: sound, then pause and speech on the speech thread.
        rig.tick();
        rig.click("BtnAnswerCard");
        QCOMPARE(rig.sounds.played, std::vector<std::string>{"wrong.wav"});
        QCOMPARE(rig.find<QPlainTextEdit>("MemoTiShi")->toPlainText(), QString("未获得正确的检测线，请移动答题卡。"));
        QTRY_VERIFY(speaker->speaking);
        QVERIFY(rig.loop().speaking());
        QVERIFY(!rig.loop().timerEnabled());
        // The window goes on: events are handled and it paints, the answer
        // button reads nothing more, the timer's ticks change nothing.
        bool handled = false;
        QTimer::singleShot(0, [&] { handled = true; });
        QTRY_VERIFY(handled);
        rig.page()->repaint();
        rig.click("BtnAnswerCard");
        rig.tick();
        QCOMPARE(rig.sounds.played.size(), size_t(1));
        QCOMPARE(rig.clock.pauses(), std::vector<int>{kSpeechPauseMs});
        QVERIFY(speaker->speaking);
        speaker->release = true;
        QTRY_VERIFY(rig.loop().timerEnabled());
        QVERIFY(!rig.loop().speaking());
        QCOMPARE(speaker->spoken.load(), 1);
        QCOMPARE(speaker->text, speechTextFor("未获得正确的检测线"));
    }

    void closingDuringSpeechWaitsForIt() {
        GradingRig rig("gp-voiceclose");
        auto* speaker = new SlowSpeaker;
        speaker->ms = 300;
        rig.voice = [speaker] { return std::unique_ptr<Speaker>(speaker); };
        rig.enterWithStudents();
        rig.switchVoice();
        rig.tick();
        rig.click("BtnAnswerCard");
        QTRY_VERIFY(speaker->speaking);
        rig.prompter.answerNext(Answer::Yes);
        QVERIFY(rig.window.close());
        QCOMPARE(speaker->spoken.load(), 1);
        QVERIFY(!rig.capture().connection().running());
        QTest::qWait(20);  // the end of the speech arrives after the close: harmless
    }

    void aLostCameraIsToldHereAndGradingGoesOnAfterReconnecting() {
        GradingRig rig("gp-lost");
        auto unplugged = std::make_shared<std::atomic<bool>>(false);
        rig.frames = [unplugged] {
            auto frames = std::make_unique<UnpluggableScene>();
            frames->unplugged = unplugged;
            return frames;
        };
        rig.find("BtnConn")->click();
        rig.capture().timer().stop();
        rig.enterWithStudents();
        rig.click("BtnAutoAnswerCard");
        rig.tick();
        *unplugged = true;
        for (int i = 0; i < 30; ++i) rig.tick();
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kCameraLost});
        QCOMPARE(rig.find<QPlainTextEdit>("MemoTiShi")->toPlainText(), QString(kCameraLost));
        QVERIFY(rig.sounds.played.empty());

        // "连接摄像头" on page 2 again, then back on this page: the watch reads.
        rig.click("BtnBack5");
        rig.click("BtnBack4");
        rig.click("BtnBack3");
        QCOMPARE(rig.window.currentPage(), 2);
        *unplugged = false;
        rig.click("BtnConn");
        rig.capture().timer().stop();
        rig.enterGradingPage();
        QCOMPARE(rig.find("BtnAutoAnswerCard")->text(), QString(kAutoOff));
        for (int i = 0; i < 25 && rig.sounds.played.empty(); ++i) rig.tick();
        QCOMPARE(rig.sounds.played, std::vector<std::string>{"wrong.wav"});
        QCOMPARE(rig.prompter.texts().size(), size_t(1));
    }

    void leavingThePageStopsTheWatch() {
        GradingRig rig("gp-leave");
        rig.frames = stillScene;
        rig.find("BtnConn")->click();
        rig.capture().timer().stop();
        rig.enterWithStudents();
        rig.click("BtnAutoAnswerCard");
        QCOMPARE(rig.find("BtnAutoAnswerCard")->text(), QString(kAutoOff));
        QVERIFY(!rig.find("BtnAnswerCard")->isEnabled());
        rig.click("BtnNext5");
        QCOMPARE(rig.window.currentPage(), 6);
        for (int i = 0; i < 40; ++i) rig.tick();
        QVERIFY(rig.sounds.played.empty());
        rig.click("BtnBack6");
        QCOMPARE(rig.window.currentPage(), 5);
        QCOMPARE(rig.find("BtnAutoAnswerCard")->text(), QString(kAutoOff));
        for (int i = 0; i < 25 && rig.sounds.played.empty(); ++i) rig.tick();
        QCOMPARE(rig.sounds.played, std::vector<std::string>{"wrong.wav"});
        // The prompt is drawn over the picture in automatic mode.
        rig.tick();
        QCOMPARE(rig.loop().promptText(), std::string("未获得正确的检测线"));
        rig.click("BtnAutoAnswerCard");
        QVERIFY(rig.find("BtnAnswerCard")->isEnabled());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::GradingPageTest)
#include "gradingpage_test.moc"
