// The exam page in the window: filling from the stored settings and the
// layout, "重新选择答题卡", the key filters of both grids, the kind drop-down,
// adding and deleting rows, the unsaved mark, and Next with the focus on the
// control or cell each refusal names.
#include "pages/exampage.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "apptest.h"
#include "widgets/gridview.h"

namespace tarvel::app::test {

using Texts = std::vector<std::string>;

struct ExamRig : WindowRig {
    // On page 4 of a new run over the test layout; `settings` shown when given.
    explicit ExamRig(const std::string& name, bool withExam = false) : WindowRig(name) {
        CardTemplate plain = sample::sampleLayout();
        plain.scoreDigits = 0;  // a card without a subjective-score field
        const auto bytes = encodeTemplate(plain);
        std::string error;
        saveFileAtomically(folder.path("模板文件/DY无分卡.dat"), std::vector<uint8_t>(bytes.begin(), bytes.end()),
                           error);
        cards.answers.push_back("DY测试卡.dat");
        click("BtnNewYJ");
        window.run().students.roster.students = {{"202410101", "张三", "", ""}};
        if (withExam) {
            tarvel::ExamPage exam;
            exam.cardName = "DY测试卡.dat";
            exam.examName = "期中";
            exam.subjectIndex = 1;
            exam.subjectiveIndex = 1;
            exam.sections = {{"1", "70", "1", kSingleChoiceText}, {"71", "85", "2.5", kMultipleChoiceText}};
            exam.rules = {{"71-85", "0.5/"}};
            QVERIFY(ValidateExamPage(exam, window.run().layout.current, window.run().settings).ok);
        }
        click("BtnNext1");
        cameraNames = {"camera"};
        click("BtnConn");
        click("BtnNext2");
        click("BtnNext3");
    }
    GridView* grid(const char* name) { return find<GridView>(name); }
    QLineEdit* editor(const char* name) { return qobject_cast<QLineEdit*>(grid(name)->openEditor()); }
    QStringList row(const char* name, int r) {
        QStringList out;
        for (int c = 1; c < grid(name)->model()->columnCount(); ++c)
            out << grid(name)->model()->index(r, c).data().toString();
        return out;
    }
    int rows(const char* name) { return grid(name)->model()->rowCount(); }
    // Types into a cell as a teacher does: open it, type, Enter.
    void type(const char* name, int r, int c, const QString& text) {
        grid(name)->goTo(r, c, true);
        editor(name)->selectAll();
        QTest::keyClick(editor(name), Qt::Key_Backspace);
        QTest::keyClicks(editor(name), text);
        enter(name);
    }
    // Enter in the open editor; the edit ends once the key has been handled.
    void enter(const char* name) {
        QTest::keyClick(editor(name), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    // Clicks the kind cell and chooses item `index` of the drop-down.
    QComboBox* chooseKind(int r, int index) {
        GridView* sections = grid("SGridTF");
        QTest::mouseClick(sections->viewport(), Qt::LeftButton, {},
                          sections->visualRect(sections->model()->index(r, 4)).center());
        auto* box = qobject_cast<QComboBox*>(sections->openEditor());
        if (box && index >= 0) {
            box->setCurrentIndex(index);
            emit box->activated(index);
        }
        return box;
    }
    // The cell that is current and whether its editor is open.
    std::tuple<int, int, bool> cursor(const char* name) {
        const QModelIndex c = grid(name)->currentIndex();
        return {c.row(), c.column(), grid(name)->openEditor() != nullptr};
    }
};

class ExamPageTest : public QObject {
    Q_OBJECT
private slots:
    void fillsFromTheSettingsAndReloadsWithAnotherCard() {
        ExamRig rig("ep-fill", true);
        QCOMPARE(rig.window.currentPage(), 4);
        QCOMPARE(rig.find<QLabel>("LblCardName")->text(), QString("DY测试卡.dat"));
        QCOMPARE(rig.find<QLineEdit>("EdtKSName")->text(), QString("期中"));
        auto* subject = rig.find<QComboBox>("CBSelectedKeMu");
        QCOMPARE(subject->count(), 2);
        QCOMPARE(subject->currentText(), QString("数学"));
        auto* subjective = rig.find<QComboBox>("CBSelectedZG");
        QVERIFY(subjective->isEnabled());
        QCOMPARE(subjective->currentText(), QString("有主观题分"));
        QCOMPARE(rig.row("SGridTF", 1), QStringList({"71", "85", "2.5", "多选题"}));
        QCOMPARE(rig.row("SGridDX", 0), QStringList({"71-85", "0.5/"}));
        QCOMPARE(rig.grid("SGridTF")->model()->index(1, 0).data().toString(), QString("2"));
        // Another card: chooser with its caption, the stored settings again
        // (the page's edits are dropped), no subjective score on this card.
        rig.find<QLineEdit>("EdtKSName")->end(false);
        rig.find<QLineEdit>("EdtKSName")->insert("二");
        QCOMPARE(rig.window.page(4) ? static_cast<ExamPage*>(rig.window.page(4))->pageData().examName : std::string(),
                 std::string("期中二"));
        rig.type("SGridTF", 0, 2, "60");
        rig.cards.answers.push_back("DY无分卡.dat");
        rig.click("BtnReSelectCard");
        QCOMPARE(rig.cards.shown.back(), (std::pair<std::string, std::string>{"DY测试卡.dat", "重新选择答题卡"}));
        QCOMPARE(rig.window.run().layout.chosenCardName, std::string("DY无分卡.dat"));
        QCOMPARE(rig.find<QLabel>("LblCardName")->text(), QString("DY无分卡.dat"));
        QCOMPARE(rig.find<QLineEdit>("EdtKSName")->text(), QString("期中"));
        QCOMPARE(rig.row("SGridTF", 0), QStringList({"1", "70", "1", "单选题"}));
        QVERIFY(!subjective->isEnabled());
        QVERIFY(!rig.find<QLabel>("LblZG")->isEnabled());
        // A chooser closed without a card changes nothing.
        rig.click("BtnReSelectCard");
        QCOMPARE(rig.window.run().layout.chosenCardName, std::string("DY无分卡.dat"));
    }

    void cellsTakeOnlyWhatTheirColumnAllows() {
        ExamRig rig("ep-keys");
        QAbstractItemModelTester sections(rig.grid("SGridTF")->model(),
                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester rules(rig.grid("SGridDX")->model(),
                                       QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.click("BtnTFAdd");
        QVERIFY(rig.editor("SGridTF"));
        QVERIFY(!rig.editor("SGridTF")->testAttribute(Qt::WA_InputMethodEnabled));
        QTest::keyClicks(rig.editor("SGridTF"), "8a5.");
        rig.enter("SGridTF");
        rig.type("SGridTF", 0, 3, "1.5.9");  // a point only after the first character, three at most
        QCOMPARE(rig.row("SGridTF", 0), QStringList({"1", "85", "1.5", ""}));
        rig.type("SGridTF", 0, 3, "10.5");
        QCOMPARE(rig.row("SGridTF", 0)[2], QString("105"));
        rig.grid("SGridTF")->goTo(0, 3, true);
        rig.editor("SGridTF")->end(false);
        QTest::keyClick(rig.editor("SGridTF"), Qt::Key_Backspace);
        QGuiApplication::clipboard()->setText("x");
        QTest::keyClick(rig.editor("SGridTF"), Qt::Key_V, Qt::ControlModifier);  // nothing fits
        rig.enter("SGridTF");
        QCOMPARE(rig.row("SGridTF", 0)[2], QString("10"));

        rig.click("BtnDXAdd");
        QCOMPARE(rig.cursor("SGridDX"), std::make_tuple(0, 1, true));
        QTest::keyClicks(rig.editor("SGridDX"), "1-5,11;a");
        rig.enter("SGridDX");
        rig.type("SGridDX", 0, 2, "0.5//1");
        QCOMPARE(rig.row("SGridDX", 0), QStringList({"1-5,11", "0.5/"}));
        // Column 0 selects the row and opens no editor.
        QTest::mouseClick(rig.grid("SGridDX")->viewport(), Qt::LeftButton, {},
                          rig.grid("SGridDX")->visualRect(rig.grid("SGridDX")->model()->index(0, 0)).center());
        QTest::mouseDClick(rig.grid("SGridDX")->viewport(), Qt::LeftButton, {},
                           rig.grid("SGridDX")->visualRect(rig.grid("SGridDX")->model()->index(0, 0)).center());
        QVERIFY(!rig.editor("SGridDX"));
        QVERIFY(rig.grid("SGridDX")->selectionModel()->isRowSelected(0, {}));
    }

    void kindColumnIsChosenFromTheDropDown() {
        ExamRig rig("ep-kind", true);
        QComboBox* box = rig.chooseKind(0, -1);
        QVERIFY(box);
        QCOMPARE(box->objectName(), QString("CBTFSort"));
        QCOMPARE(box->currentText(), QString("单选题"));  // preselected from the cell
        QCOMPARE(box->geometry(), rig.grid("SGridTF")->visualRect(rig.grid("SGridTF")->model()->index(0, 4)));
        rig.find<QLineEdit>("EdtKSName")->setFocus();  // leaving hides it and changes nothing
        QTRY_VERIFY(!rig.grid("SGridTF")->openEditor());
        QCOMPARE(rig.row("SGridTF", 0)[3], QString("单选题"));
        QVERIFY(!rig.window.run().unsaved);

        // In a started run a change marks the run unsaved; choosing the same
        // kind again or retyping the same text is no change.
        rig.window.run().runStarted = true;
        rig.chooseKind(0, 0);
        rig.type("SGridTF", 0, 1, "1");
        QVERIFY(!rig.window.run().unsaved);
        rig.chooseKind(0, 1);
        QCOMPARE(rig.row("SGridTF", 0)[3], QString("多选题"));
        QVERIFY(!rig.grid("SGridTF")->openEditor());
        QVERIFY(rig.window.run().unsaved);
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        // Every edit of the rule grid counts.
        rig.window.run().unsaved = false;
        rig.type("SGridDX", 0, 2, "0.5/");
        QVERIFY(rig.window.run().unsaved);
        rig.window.run().unsaved = false;
        rig.find<QComboBox>("CBSelectedKeMu")->setCurrentIndex(0);
        QVERIFY(rig.window.run().unsaved);
    }

    void addAndDeleteMoveTheCursor() {
        ExamRig rig("ep-rows");
        rig.click("BtnTFAdd");
        QCOMPARE(rig.row("SGridTF", 0)[0], QString("1"));
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(0, 2, true));
        QTest::keyClick(rig.editor("SGridTF"), Qt::Key_Escape);
        // Without a last question the new row is taken back.
        rig.click("BtnTFAdd");
        QCOMPARE(rig.rows("SGridTF"), 1);
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(0, 2, true));
        QTest::keyClicks(rig.editor("SGridTF"), "40");
        rig.enter("SGridTF");
        rig.click("BtnTFAdd");
        QCOMPARE(rig.row("SGridTF", 1)[0], QString("41"));
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(1, 2, true));
        QTest::keyClick(rig.editor("SGridTF"), Qt::Key_Escape);
        rig.grid("SGridTF")->goTo(0, 3, false);
        rig.click("BtnTFDelete");
        QCOMPARE(rig.rows("SGridTF"), 1);
        QCOMPARE(rig.row("SGridTF", 0)[0], QString("41"));
        QCOMPARE(rig.grid("SGridTF")->model()->index(0, 0).data().toString(), QString("1"));
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(0, 3, false));
        rig.click("BtnTFDelete");
        rig.click("BtnTFDelete");  // nothing left to delete
        QCOMPARE(rig.rows("SGridTF"), 0);
    }

    void nextPutsTheFocusWhereEachRefusalSays() {
        ExamRig rig("ep-next");
        auto next = [&rig](const std::string& message) {
            rig.prompter.clear();
            rig.click("BtnNext4");
            QCOMPARE(rig.prompter.texts(), Texts{message});
            QCOMPARE(rig.window.currentPage(), 4);
        };
        next("本次考试名称不能为空。");
        QVERIFY(rig.find<QLineEdit>("EdtKSName")->hasFocus());
        rig.find<QLineEdit>("EdtKSName")->setFocus();
        rig.find<QLineEdit>("EdtKSName")->insert("期中");
        next("请选择科目。");
        QVERIFY(rig.find<QComboBox>("CBSelectedKeMu")->hasFocus());
        rig.find<QComboBox>("CBSelectedKeMu")->setCurrentIndex(1);
        next("题分设置里至少要设置一项");  // and a row is added as by "增加"
        QCOMPARE(rig.rows("SGridTF"), 1);
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(0, 2, true));
        QTest::keyClick(rig.editor("SGridTF"), Qt::Key_Escape);
        next("不能有空项。");
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(0, 2, true));
        QTest::keyClicks(rig.editor("SGridTF"), "90");
        rig.enter("SGridTF");
        rig.type("SGridTF", 0, 3, "1");
        next("不能有空项。");  // the kind: current, but no editor
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(0, 4, false));
        rig.chooseKind(0, 0);
        next("终止题号不能大于总题目数。");
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(0, 2, true));
        QTest::keyClick(rig.editor("SGridTF"), Qt::Key_Backspace);
        QTest::keyClick(rig.editor("SGridTF"), Qt::Key_Backspace);
        QTest::keyClicks(rig.editor("SGridTF"), "70");
        rig.enter("SGridTF");

        rig.click("BtnTFAdd");
        QTest::keyClicks(rig.editor("SGridTF"), "85");
        rig.enter("SGridTF");
        rig.type("SGridTF", 1, 1, "72");
        rig.type("SGridTF", 1, 3, "11");
        rig.chooseKind(1, 1);
        next("题分设置中，大题之间题号不连续！");
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(1, 1, true));
        shot(rig.window, "round-3-refusal.png");
        QTest::keyClicks(rig.editor("SGridTF"), "71");  // the opened cell's text is selected
        rig.enter("SGridTF");
        next("每小题分数不能超过10分");
        QCOMPARE(rig.cursor("SGridTF"), std::make_tuple(1, 3, true));
        rig.editor("SGridTF")->selectAll();
        QTest::keyClicks(rig.editor("SGridTF"), "2");
        rig.enter("SGridTF");

        rig.click("BtnDXAdd");
        QTest::keyClicks(rig.editor("SGridDX"), "71-85");
        rig.enter("SGridDX");
        next("多选题特殊规则设置里不能为空。");
        QCOMPARE(rig.cursor("SGridDX"), std::make_tuple(0, 2, true));
        QTest::keyClicks(rig.editor("SGridDX"), "2");
        rig.enter("SGridDX");
        next("多选题特殊规则设置里少选分不能大于等于该题题分，请检查！");
        rig.type("SGridDX", 0, 1, "70-85");
        rig.type("SGridDX", 0, 2, "0.5/");
        next("多选题特殊规则设置里不能填入单选题题号。");
        rig.type("SGridDX", 0, 1, "71-85");

        shot(rig.window, "round-4-exam.png");
        rig.prompter.clear();
        rig.click("BtnNext4");
        QVERIFY(rig.prompter.texts().empty());
        QCOMPARE(rig.window.currentPage(), 5);
        const ExamSettings& s = rig.window.run().settings;
        QCOMPARE(s.examName, std::string("期中"));
        QCOMPARE(s.subjectName, std::string("数学"));
        QCOMPARE(s.questionCount, 85);
        QCOMPARE(s.question(80).partialValue, 0.5f);
        QCOMPARE(s.question(80).partialMode, kPartialPerOption);
        QCOMPARE(s.cardName, std::string("DY测试卡.dat"));
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::ExamPageTest)
#include "exampage_test.moc"
