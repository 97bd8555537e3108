// The students page in the window: filling it from a roster and the lock,
// the number boxes and their leave checks, the class and grade rules, the
// cell editors' key filters, the deferred check of the group selectors, the
// student buttons with the clipboard, the Next question, the drawing of the
// grids, and a teacher's whole round (sample roster, Form3, student files).
#include "pages/studentspage.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>

#include "apptest.h"
#include "dialogs/form3.h"
#include "widgets/gridview.h"

namespace tarvel::app::test {

using Texts = std::vector<std::string>;

// Grades and classes on, two classes of grade 2024 and one grade 2025
// student; the page shows grade 2024, class 01.
Roster classRoster() {
    Roster r;
    r.gradesEnabled = r.classesEnabled = true;
    r.grades = {{"2024级", "20241"}, {"2025级", "20251"}};
    r.selectedGrade = r.grades[0];
    r.selectedClassCode = "01";
    r.admissionPrefix = "2024101";
    r.students = {{"202410101", "王一", "20241", "01"},
                  {"202410102", "王二", "20241", "01"},
                  {"202410201", "李一", "20241", "02"},
                  {"202510101", "赵一", "20251", "01"}};
    return r;
}

// The window on page 3 over `roster` (the empty default roster without
// one); with nullopt, over the sample roster the program loads by itself.
struct PageRig : WindowRig {
    explicit PageRig(const std::string& name, const std::optional<Roster>& roster = Roster{}) : WindowRig(name) {
        if (!roster) {
            std::filesystem::create_directories(folder.path("学生信息文件"));
            std::filesystem::copy_file(TARVEL_PROGRAM_DIR "/学生信息文件/测试.xs", folder.path("学生信息文件/测试.xs"));
        }
        cards.answers.push_back("DY测试卡.dat");
        click("BtnNewYJ");
        if (roster) window.run().students.roster = *roster;
        click("BtnNext1");
        cameraNames = {"camera"};
        click("BtnConn");
        click("BtnNext2");
    }
    GridView* grid(const char* name = "SGridXS") { return find<GridView>(name); }
    QLineEdit* box(const char* name) { return find<QLineEdit>(name); }
    QLineEdit* editor(const char* name = "SGridXS") { return qobject_cast<QLineEdit*>(grid(name)->openEditor()); }
    QString cell(int row, int column, const char* name = "SGridXS") {
        return grid(name)->model()->index(row, column).data().toString();
    }
    int rows(const char* name = "SGridXS") { return grid(name)->model()->rowCount(); }
    QStringList column(int c, const char* name = "SGridXS") {
        QStringList out;
        for (int r = 0; r < rows(name); ++r) out << cell(r, c, name);
        return out;
    }
    StudentsPage* page() { return static_cast<StudentsPage*>(window.page(3)); }
    Roster& roster() { return window.run().students.roster; }
    // Enter in the open editor; the edit ends once the key has been handled.
    void enter(const char* name = "SGridXS") {
        QTest::keyClick(editor(name), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    // Moves the focus from `from` to `to`, as a click would.
    static void leave(QWidget* from, QWidget* to) {
        from->setFocus(Qt::MouseFocusReason);
        to->setFocus(Qt::MouseFocusReason);
    }
    // Clicks a check box.
    void toggle(const char* name) { find<QAbstractButton>(name)->click(); }
    void setClipboard(const QString& text) { QGuiApplication::clipboard()->setText(text); }
    // Types `text` into the box, replacing what it holds.
    void retype(const char* name, const QString& text) {
        box(name)->setFocus(Qt::MouseFocusReason);
        box(name)->selectAll();
        QTest::keyClicks(box(name), text);
    }
};

// Answers the next Form3 by typing `size` and pressing Enter.
void answerForm3(const QString& size) {
    QTimer::singleShot(0, [size] {
        auto* form = qobject_cast<Form3*>(QApplication::activeModalWidget());
        if (!form) return;
        QTest::keyClicks(form->findChild<QLineEdit*>("Edit1"), size);
        QTest::keyClick(form->findChild<QLineEdit*>("Edit1"), Qt::Key_Return);
    });
}

// A prompter whose messages take the focus away, as a real message box does.
struct FocusTakingPrompter : ScriptedPrompter {
    void message(const std::string& text) override {
        ScriptedPrompter::message(text);
        QDialog box(QApplication::activeWindow());
        box.setWindowTitle("message");
        QTimer::singleShot(50, &box, &QDialog::accept);
        box.exec();
    }
};

class StudentsPageTest : public QObject {
    Q_OBJECT
private slots:
    void fillingShowsTheGroupAndLocksTheSettings() {
        PageRig rig("sp-fill", classRoster());
        QCOMPARE(rig.window.currentPage(), 3);
        QCOMPARE(rig.column(1), QStringList({"202410101", "202410102"}));
        QCOMPARE(rig.grid()->currentIndex(), rig.grid()->model()->index(1, 1));
        QCOMPARE(rig.find<QComboBox>("CBNJSelected")->currentText(), QString("2024级"));
        QCOMPARE(rig.box("EdtBJSelected")->text(), QString("01"));
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString("2024101"));
        QVERIFY(rig.box("EdtAdmissionSub")->isReadOnly());
        QCOMPARE(rig.find<QLabel>("LblBJ4")->text(), QString("（范围01-99，比如1班请输入01）"));
        QVERIFY(!rig.find<QLabel>("LblXSTiShi")->text().isEmpty());
        for (const char* locked : {"CBAllowNJ", "CBAllowBJ", "EdtAdmissionLen", "EdtNJCodeLen", "SGridNJ",
                                   "BtnNianJiAdd", "EdtBJCodeLen", "LblBJ1"})
            QVERIFY2(!rig.find<QWidget>(locked)->isEnabled(), locked);
        for (const char* usable : {"CBNJSelected", "EdtBJSelected", "SGridXS", "BtnXueShengDelete"})
            QVERIFY2(rig.find<QWidget>(usable)->isEnabled(), usable);
        // The widths survive the model (they are set before it arrives).
        QHeaderView* heading = rig.grid()->horizontalHeader();
        QCOMPARE(QList<int>({heading->sectionSize(0), heading->sectionSize(1), heading->sectionSize(2),
                             heading->sectionSize(3), heading->sectionSize(4)}),
                 QList<int>({43, 175, 99, 105, 88}));
        QCOMPARE(rig.grid()->rowHeight(0), 24);

        // Another class, then the other grade.
        rig.retype("EdtBJSelected", "02");
        QCOMPARE(rig.column(2), QStringList({"李一"}));
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString("2024102"));
        rig.find<QComboBox>("CBNJSelected")->setCurrentIndex(1);
        rig.retype("EdtBJSelected", "01");
        QCOMPARE(rig.column(2), QStringList({"赵一"}));
        QVERIFY(rig.find("BtnXSSave")->isEnabled());  // group changes set the modified flag

        // Deleting every group unlocks the settings once the store is empty.
        for (const auto& [grade, cls] : {std::pair{0, "01"}, {0, "02"}, {1, "01"}}) {
            rig.find<QComboBox>("CBNJSelected")->setCurrentIndex(grade);
            rig.retype("EdtBJSelected", cls);
            QVERIFY(rig.page()->settingsLocked());
            rig.prompter.answerNext(Answer::Yes);
            rig.click("BtnXueShengDeleteAll");
            QCOMPARE(rig.rows(), 0);
            QVERIFY(!rig.find("BtnXueShengDelete")->isEnabled());
        }
        QVERIFY(rig.roster().students.empty());
        QVERIFY(!rig.page()->settingsLocked());
        QVERIFY(rig.find<QLabel>("LblXSTiShi")->text().isEmpty());
        for (const char* open : {"CBAllowNJ", "EdtNJCodeLen", "SGridNJ", "EdtBJCodeLen", "EdtAdmissionLen"})
            QVERIFY2(rig.find<QWidget>(open)->isEnabled(), open);
    }

    void numberBoxesTakeDigitsAndAreCheckedWhenLeft() {
        PageRig rig("sp-boxes");
        QWidget* elsewhere = rig.grid();
        for (const char* name : {"EdtNJCodeLen", "EdtAdmissionLen", "EdtAdmissionSub", "EdtBJSelected", "EdtBJCodeLen"})
            QVERIFY2(!rig.box(name)->testAttribute(Qt::WA_InputMethodEnabled), name);

        // Typed or pasted, only digits go in.
        rig.retype("EdtAdmissionSub", "20a1-0");
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString("2010"));
        rig.setClipboard("12x");
        rig.box("EdtAdmissionSub")->paste();
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString("2010"));

        // Grade code length: empty keeps the focus, out of range resets to 5.
        rig.toggle("CBAllowNJ");
        QWidget* inGradeBox = rig.find<QWidget>("CBAllowNJ");
        rig.retype("EdtNJCodeLen", "");
        QTest::keyClick(rig.box("EdtNJCodeLen"), Qt::Key_Backspace);
        PageRig::leave(rig.box("EdtNJCodeLen"), inGradeBox);
        QCOMPARE(rig.prompter.texts(), Texts{"年级编码长度不能为空！"});
        QVERIFY(rig.box("EdtNJCodeLen")->hasFocus());
        rig.prompter.clear();
        rig.retype("EdtNJCodeLen", "11");
        PageRig::leave(rig.box("EdtNJCodeLen"), inGradeBox);
        QCOMPARE(rig.prompter.texts(), Texts{"年级编码长度范围为1-10之间！"});
        QCOMPARE(rig.box("EdtNJCodeLen")->text(), QString("5"));
        rig.toggle("CBAllowNJ");

        rig.prompter.clear();
        rig.retype("EdtAdmissionLen", "1");
        PageRig::leave(rig.box("EdtAdmissionLen"), elsewhere);
        QCOMPARE(rig.prompter.texts(), Texts{"准考证长度范围为2-20之间！"});
        QCOMPARE(rig.box("EdtAdmissionLen")->text(), QString("9"));

        // Class code length takes 1 to 3; a new length resets the class box.
        rig.toggle("CBAllowBJ");
        rig.prompter.clear();
        rig.retype("EdtBJCodeLen", "4");
        QCOMPARE(rig.box("EdtBJCodeLen")->text(), QString("2"));
        rig.retype("EdtBJCodeLen", "3");
        QCOMPARE(rig.box("EdtBJSelected")->text(), QString("001"));
        QCOMPARE(rig.box("EdtBJSelected")->maxLength(), 3);
        QCOMPARE(rig.find<QLabel>("LblBJ4")->text(), QString("（范围001-999，比如1班请输入001，11班请输入011）"));
        rig.retype("EdtBJSelected", "000");
        QCOMPARE(rig.prompter.texts(), Texts{"请注意范围！"});
        QCOMPARE(rig.box("EdtBJSelected")->text(), QString("001"));
        rig.prompter.clear();
        rig.retype("EdtBJCodeLen", "");
        QTest::keyClick(rig.box("EdtBJCodeLen"), Qt::Key_Backspace);
        PageRig::leave(rig.box("EdtBJCodeLen"), elsewhere);
        QCOMPARE(rig.prompter.texts(), Texts{"班级编码长度不能空！"});
        QVERIFY(rig.box("EdtBJCodeLen")->hasFocus());
        // A message box taking the focus is no leaving.
        rig.prompter.clear();
        rig.box("EdtBJCodeLen")->clearFocus();
        QVERIFY(rig.prompter.texts().empty());
    }

    void relationAndSwitchesSetThePrefix() {
        Roster r;
        r.gradesEnabled = true;
        r.grades = {{"2009级", "20091"}};
        r.selectedGrade = r.grades[0];
        PageRig rig("sp-relation", r);
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString());
        rig.find<QComboBox>("CBNJSelected")->setCurrentIndex(-1);
        rig.find<QComboBox>("CBNJSelected")->setCurrentIndex(0);
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString("20091"));
        QVERIFY(rig.box("EdtAdmissionSub")->isReadOnly());
        rig.toggle("CBRelation");
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString());
        QVERIFY(!rig.box("EdtAdmissionSub")->isReadOnly());
        // Switching grades off leaves only the relation box to say.
        rig.toggle("CBAllowNJ");
        QVERIFY(!rig.find<QWidget>("CBNJSelected")->isEnabled());
        QVERIFY(!rig.find<QWidget>("CBRelation")->isEnabled());
        QVERIFY(!rig.find<QWidget>("SGridNJ")->isEnabled());
    }

    void gradeGridFiltersCodesAndIsCheckedWhenLeft() {
        PageRig rig("sp-grades");
        QAbstractItemModelTester tester(rig.grid("SGridNJ")->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.toggle("CBAllowNJ");
        // No grade: leaving the box switches grades off again.
        PageRig::leave(rig.find<QWidget>("CBAllowNJ"), rig.grid());
        QCOMPARE(rig.prompter.texts(), Texts{"如果选中启用年级，至少要设置一个有效年级信息才可以。"});
        QVERIFY(!rig.find<QCheckBox>("CBAllowNJ")->isChecked());
        QVERIFY(!rig.find<QWidget>("SGridNJ")->isEnabled());

        rig.toggle("CBAllowNJ");
        rig.prompter.clear();
        GridView* grades = rig.grid("SGridNJ");
        for (const char* code : {"20241", "2025"}) {
            rig.click("BtnNianJiAdd");
            QVERIFY(grades->hasFocus());
            const int row = grades->currentIndex().row();
            QCOMPARE(grades->currentIndex().column(), 1);
            grades->goTo(row, 1, true);
            rig.editor("SGridNJ")->insert("2024级");
            rig.enter("SGridNJ");
            grades->goTo(row, 2, true);
            QVERIFY(!rig.editor("SGridNJ")->testAttribute(Qt::WA_InputMethodEnabled));
            QTest::keyClicks(rig.editor("SGridNJ"), QString(code) + "x9");  // a letter and a sixth digit refused
            rig.enter("SGridNJ");
        }
        QCOMPARE(rig.column(2, "SGridNJ"), QStringList({"20241", "20259"}));
        // A complete code that another row holds is emptied at once.
        grades->goTo(1, 2, true);
        rig.editor("SGridNJ")->selectAll();
        QTest::keyClicks(rig.editor("SGridNJ"), "20241");
        QCOMPARE(rig.prompter.texts(), Texts{"年级编码不能重复！"});
        QCOMPARE(rig.editor("SGridNJ")->text(), QString());
        QTest::keyClicks(rig.editor("SGridNJ"), "202");
        rig.enter("SGridNJ");
        // Leaving the box: the short code, then the repeated name.
        rig.prompter.clear();
        PageRig::leave(rig.grid("SGridNJ"), rig.grid());
        QCOMPARE(rig.prompter.texts(), Texts{"输入的年级编码的长度和设置的年级编码长度不符！"});
        QCOMPARE(rig.grid("SGridNJ")->currentIndex(), rig.grid("SGridNJ")->model()->index(1, 2));
        QVERIFY(rig.editor("SGridNJ"));
        rig.editor("SGridNJ")->end(false);
        QTest::keyClicks(rig.editor("SGridNJ"), "51");
        rig.enter("SGridNJ");
        rig.prompter.clear();
        PageRig::leave(rig.grid("SGridNJ"), rig.grid());
        QCOMPARE(rig.prompter.texts(), Texts{"年级名称不能重复！"});
        QCOMPARE(rig.grid("SGridNJ")->currentIndex(), rig.grid("SGridNJ")->model()->index(1, 1));

        // Entering the selector takes the names of the grid; deleting the
        // chosen grade empties the selector and the prefix.
        rig.editor("SGridNJ")->setText("2025级");
        rig.enter("SGridNJ");
        auto* selector = rig.find<QComboBox>("CBNJSelected");
        selector->setFocus(Qt::MouseFocusReason);
        QCOMPARE(selector->count(), 2);
        selector->setCurrentIndex(1);
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString("20251"));
        rig.grid("SGridNJ")->goTo(1, 0, false);
        rig.click("BtnNianJiDelete");
        QCOMPARE(rig.rows("SGridNJ"), 1);
        QCOMPARE(selector->currentIndex(), -1);
        QCOMPARE(rig.box("EdtAdmissionSub")->text(), QString());
    }

    void admissionCellTakesDigitsBehindThePrefix() {
        PageRig rig("sp-admission");
        QAbstractItemModelTester tester(rig.grid()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.retype("EdtAdmissionSub", "2010");
        rig.prompter.answerNext(Answer::Yes);
        rig.click("BtnXueShengAdd");
        QCOMPARE(rig.prompter.texts(), Texts{kFirstDataQuestion});
        QVERIFY(rig.page()->settingsLocked());
        QLineEdit* editor = rig.editor();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QString("2010"));
        QCOMPARE(editor->cursorPosition(), 4);  // the first digit goes behind the prefix
        QVERIFY(!editor->testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(editor->contextMenuPolicy(), Qt::NoContextMenu);

        QTest::keyClicks(editor, "0a0-1");
        QCOMPARE(editor->text(), QString("2010001"));
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClicks(editor, "9");  // inside the prefix: dropped, the caret to its end
        QCOMPARE(editor->text(), QString("2010001"));
        QCOMPARE(editor->cursorPosition(), 4);
        QTest::keyClick(editor, Qt::Key_Backspace);  // at the end of the prefix: dropped
        QCOMPARE(editor->text(), QString("2010001"));
        rig.setClipboard("2x34567");
        editor->setSelection(2, 4);
        QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);  // cutting into the prefix: refused
        editor->setSelection(2, 4);
        QTest::keyClick(editor, Qt::Key_Delete);
        QCOMPARE(editor->text(), QString("2010001"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("2x34567"));
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);  // pasted like typing, to the length
        QCOMPARE(editor->text(), QString("201000123"));
        rig.enter();
        QCOMPARE(rig.cell(0, 1), QString("201000123"));
        QVERIFY(rig.find("BtnXSSave")->isEnabled());

        // A second row with the same number goes back to the prefix.
        rig.click("BtnXueShengAdd");
        QTest::keyClicks(rig.editor(), "00123");
        QCOMPARE(rig.prompter.texts(), (Texts{kFirstDataQuestion, "准考证号不能重复！"}));
        QCOMPARE(rig.editor()->text(), QString("2010"));
        QTest::keyClicks(rig.editor(), "00124");
        // Escape still ends the edit with what the row already took.
        QTest::keyClick(rig.editor(), Qt::Key_Escape);
        QCOMPARE(rig.column(1), QStringList({"201000123", "201000124"}));
        QVERIFY(!rig.editor());
        // Typing into a name cell starts its editor; names are not filtered.
        rig.grid()->goTo(1, 2, false);
        QTest::keyClick(rig.grid(), Qt::Key_A);
        QTest::keyClicks(rig.editor(), "bc");
        rig.enter();
        QCOMPARE(rig.cell(1, 2), QString("abc"));
    }

    void aMessageWhileTypingDoesNotEndTheEdit() {
        Rig rig("sp-focus");
        FocusTakingPrompter prompter;
        Services services{prompter,    rig.files, rig.cards,  rig.services.cameras, rig.services.cameraList,
                          rig.desktop, rig.clock, rig.sounds, rig.services.voices};
        MainWindow window(services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        rig.cards.answers.push_back("DY测试卡.dat");
        window.findChild<QPushButton*>("BtnNewYJ")->click();
        window.run().students.roster.students = {{"201000001", "甲", "", ""}};
        window.findChild<QPushButton*>("BtnNext1")->click();
        rig.cameraNames = {"camera"};
        window.findChild<QPushButton*>("BtnConn")->click();
        window.findChild<QPushButton*>("BtnNext2")->click();
        window.findChild<QPushButton*>("BtnXueShengAdd")->click();
        auto* grid = window.findChild<GridView*>("SGridXS");
        auto* editor = qobject_cast<QLineEdit*>(grid->openEditor());
        QVERIFY(editor);
        QTest::keyClicks(editor, "201000001");
        QCOMPARE(prompter.texts(), Texts{"准考证号不能重复！"});
        // The box took the focus and gave it back: the same editor, at the prefix.
        QCOMPARE(grid->openEditor(), editor);
        QCOMPARE(editor->text(), QString());
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QString());
    }

    void groupSelectorsCheckTheShownGroupAfterwards() {
        PageRig rig("sp-deferred", classRoster());
        rig.grid()->goTo(1, 1, true);
        rig.editor()->setText("20241010");  // one digit short
        rig.enter();
        rig.box("EdtBJSelected")->setFocus(Qt::MouseFocusReason);
        QVERIFY(rig.prompter.texts().empty());  // posted, not run at once
        QTRY_COMPARE(rig.prompter.texts(), Texts{"（学生：王二）输入的准考证长度和设置的准考证长度不符合！"});
        QVERIFY(rig.grid()->focused());
        QCOMPARE(rig.grid()->currentIndex(), rig.grid()->model()->index(1, 1));
        QVERIFY(rig.editor());
        QTest::keyClick(rig.editor(), Qt::Key_Escape);

        // The rows are those of the moment the selector was entered: a row
        // removed before the check runs is still named, but no cell opens.
        rig.prompter.clear();
        rig.grid()->goTo(0, 0, false);
        rig.find<QComboBox>("CBNJSelected")->setFocus(Qt::TabFocusReason);
        rig.click("BtnXueShengDelete");
        QTRY_COMPARE(rig.prompter.texts(), Texts{"（学生：王二）输入的准考证长度和设置的准考证长度不符合！"});
        QVERIFY(!rig.editor());
        QCOMPARE(rig.column(2), QStringList({"王二"}));
        // Coming back from a message box is no entering.
        rig.prompter.clear();
        rig.find<QComboBox>("CBNJSelected")->setFocus(Qt::ActiveWindowFocusReason);
        QTest::qWait(20);
        QVERIFY(rig.prompter.texts().empty());

        // A new student file: asked first, then an empty, unlocked page.
        rig.prompter.answerNext(Answer::Yes);
        rig.click("BtnXSNew");
        QCOMPARE(rig.prompter.texts(), Texts{kNewStudentFileQuestion});
        QCOMPARE(rig.rows(), 0);
        QVERIFY(!rig.page()->settingsLocked());
    }

    void pasteAndBatchAddFillAnEmptyGroup() {
        PageRig rig("sp-paste");
        QAbstractItemModelTester tester(rig.grid()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        rig.retype("EdtAdmissionSub", "2010");
        rig.setClipboard("");
        rig.prompter.answerNext(Answer::Yes);
        rig.click("BtnXueShengPasteFrom");
        QCOMPARE(rig.prompter.texts(), (Texts{kFirstDataQuestion, "非法粘贴"}));
        QVERIFY(!rig.page()->settingsLocked());

        rig.prompter.clear();
        rig.prompter.answerNext(Answer::Yes);
        rig.setClipboard("1\t张三\r\n12\t李四\r\n");
        rig.click("BtnXueShengPasteFrom");
        QCOMPARE(rig.column(1), QStringList({"201000001", "201000012"}));
        QCOMPARE(rig.column(2), QStringList({"张三", "李四"}));
        QVERIFY(rig.page()->settingsLocked());
        QVERIFY(rig.find("BtnXueShengDelete")->isEnabled());

        rig.prompter.clear();
        rig.click("BtnXueShengPasteFrom");
        QCOMPARE(rig.prompter.texts(), Texts{"请先删除学生名单列表框中已有的所有数据！"});
        QVERIFY(rig.grid()->hasFocus());
        rig.prompter.clear();
        rig.setClipboard("王五\n赵六\n孙七\n");
        rig.click("BtnXueShengPasteFromName");
        QCOMPARE(rig.prompter.texts(), Texts{"复制的行数和现在列表中的行数不一致，请确保一致！"});
        rig.setClipboard("王五\r\n赵六");
        rig.click("BtnXueShengPasteFromName");
        QCOMPARE(rig.column(2), QStringList({"王五", "赵六"}));

        // Deleting one row, then the other: the store and the grid are empty
        // again and the settings unlock.
        rig.grid()->goTo(1, 0, false);
        rig.click("BtnXueShengDelete");
        QCOMPARE(rig.column(2), QStringList({"王五"}));
        QCOMPARE(rig.grid()->currentIndex().row(), 0);
        rig.click("BtnXueShengDelete");
        QVERIFY(!rig.page()->settingsLocked());
    }

    void nextRefusesThenAsksToKeepTheEdits() {
        PageRig rig("sp-next");
        rig.retype("EdtAdmissionSub", "2010");
        rig.click("BtnNext3");
        QCOMPARE(rig.prompter.texts(), Texts{"请先输入学生数据或打开学生信息文件！"});
        QCOMPARE(rig.window.currentPage(), 3);

        rig.prompter.clear();
        rig.prompter.answerNext(Answer::Yes);
        rig.setClipboard("201000001\t张三\n20100002\t李四\n");
        rig.click("BtnXueShengPasteFrom");
        rig.prompter.clear();
        rig.click("BtnNext3");
        QCOMPARE(rig.prompter.texts(), Texts{"（学生：李四）输入的准考证长度和设置的准考证长度不符合！"});
        QCOMPARE(rig.grid()->currentIndex(), rig.grid()->model()->index(1, 1));
        QVERIFY(rig.editor());
        rig.editor()->setText("201000002");
        rig.enter();

        const std::string question =
            "是否保存对当前学生信息文件的更改？（学生信息文件可以被用于以后的其他阅卷中，不需要重复输入）"
            "不管选是或否,本次阅卷都是使用修改后学生信息，修改后的学生信息将自动保存到原始阅卷文件中。";
        rig.prompter.clear();
        rig.prompter.answerNext(Answer::Cancel);
        rig.click("BtnNext3");
        QCOMPARE(rig.prompter.texts(), Texts{question});
        QCOMPARE(rig.prompter.shown()[0].kind, PromptKind::YesNoCancel);
        QCOMPARE(rig.window.currentPage(), 3);
        QVERIFY(rig.roster().students.empty());

        rig.prompter.answerNext(Answer::No);
        rig.click("BtnNext3");
        QCOMPARE(rig.window.currentPage(), 4);
        QCOMPARE(rig.roster().students.size(), size_t(2));
        QVERIFY(rig.roster().students[1].admissionNumber == "201000002");
    }

    void aTeachersRound() {
        PageRig rig("sp-round", std::nullopt);
        QVERIFY(rig.find<QLabel>("CheshixstsLabel")->isVisible());
        QCOMPARE(rig.find<QLabel>("LblCurrentXSFileName")->text(), QString("当前学生文件：测试.xs"));
        shot(rig.window, "round-1-sample.png");
        rig.files.pick(rig.folder.path("学生信息文件/测试.xs"));
        rig.click("BtnXSOpenAs");
        QVERIFY(!rig.find<QLabel>("CheshixstsLabel")->isVisible());

        // Grade 2025, class 02.
        auto* grade = rig.find<QComboBox>("CBNJSelected");
        grade->setFocus(Qt::MouseFocusReason);
        grade->setCurrentIndex(grade->findText("2025级"));
        rig.retype("EdtBJSelected", "02");
        QCOMPARE(rig.rows(), 30);
        QCOMPARE(rig.cell(0, 1), QString("202510201"));

        // Class 05: 45 students through Form3, their names pasted as a column.
        rig.retype("EdtBJSelected", "05");
        QCOMPARE(rig.rows(), 0);
        answerForm3("45");
        rig.click("BtnXueShengAddBatch");
        QCOMPARE(rig.rows(), 45);
        QCOMPARE(rig.cell(44, 1), QString("202510545"));
        QCOMPARE(rig.grid()->currentIndex(), rig.grid()->model()->index(0, 2));  // names from row 1
        QVERIFY(rig.editor());
        QStringList names;
        for (int i = 1; i <= 45; ++i) names << QString("学生%1").arg(i);
        rig.setClipboard(names.join("\r\n") + "\r\n");
        rig.click("BtnXueShengPasteFromName");
        QCOMPARE(rig.column(2), names);

        // Class 06 from a two-column list copied from a spreadsheet.
        rig.retype("EdtBJSelected", "06");
        rig.setClipboard("1\t周一\n2\t周二\n3\t周三\n");
        rig.click("BtnXueShengPasteFrom");
        QCOMPARE(rig.column(1), QStringList({"202510601", "202510602", "202510603"}));
        QCOMPARE(rig.column(2), QStringList({"周一", "周二", "周三"}));

        // One more student, first with a number already taken.
        rig.click("BtnXueShengAdd");
        QTest::keyClicks(rig.editor(), "02");
        QCOMPARE(rig.prompter.texts(), Texts{"准考证号不能重复！"});
        QCOMPARE(rig.editor()->text(), QString("2025106"));
        QTest::keyClicks(rig.editor(), "04");
        rig.enter();
        rig.grid()->goTo(3, 2, true);
        rig.editor()->insert("周四");
        rig.enter();
        shot(rig.window, "round-2-class06.png");

        const std::string saved = rig.folder.path("学生信息文件/2025级.xs");
        rig.files.pick(saved);
        rig.click("BtnXSSaveAs");
        QCOMPARE(rig.find<QLabel>("LblCurrentXSFileName")->text(), QString("当前学生文件：2025级.xs"));
        Roster back;
        std::string error;
        QVERIFY(readStudentFile(saved, back, error));
        QCOMPARE(back.students.size(), size_t(120 + 45 + 4));

        // An edit after saving: Next asks, and Yes saves it into the same file.
        rig.grid()->goTo(0, 2, true);
        rig.editor()->end(false);
        rig.editor()->insert("一");
        rig.enter();
        rig.prompter.clear();
        rig.prompter.answerNext(Answer::Yes);
        rig.click("BtnNext3");
        QCOMPARE(rig.prompter.shown().size(), size_t(1));
        QCOMPARE(rig.prompter.shown()[0].kind, PromptKind::YesNoCancel);
        QCOMPARE(rig.window.currentPage(), 4);
        QVERIFY(readStudentFile(saved, back, error));
        QCOMPARE(findStudent(back, "202510601")->name, std::string("周一一"));
        QCOMPARE(rig.files.shown.size(), size_t(2));  // no dialog for the second save
    }

    void gridsPaintWhiteWithoutTheFocusAndSilverWhenDisabled() {
        PageRig rig("sp-paint", classRoster());
        GridView* grid = rig.grid();
        grid->goTo(0, 1, false);
        const QPoint inCell = grid->visualRect(grid->model()->index(0, 1)).bottomRight() - QPoint(3, 3);
        const QColor focusedColour = grid->viewport()->grab().toImage().pixelColor(inCell);
        QVERIFY(focusedColour != QColor(Qt::white));  // the selection shows
        rig.box("EdtAdmissionSub")->setFocus();
        QCOMPARE(grid->viewport()->grab().toImage().pixelColor(inCell), QColor(Qt::white));

        // The locked grade grid writes its names in silver.
        GridView* grades = rig.grid("SGridNJ");
        QVERIFY(!grades->isEnabled());
        const QImage picture = grades->viewport()->grab().toImage();
        const QRect name = grades->visualRect(grades->model()->index(0, 2));
        bool silver = false, black = false;
        for (int y = name.top(); y <= name.bottom(); ++y)
            for (int x = name.left(); x <= name.right(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                silver |= c == QColor(192, 192, 192);
                black |= c == QColor(Qt::black);
            }
        QVERIFY(silver);
        QVERIFY(!black);
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::StudentsPageTest)
#include "studentspage_test.moc"
