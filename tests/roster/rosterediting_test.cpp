#include "roster/rosterediting.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

// Prefix "2010", admission length 9, no grades or classes.
GroupView plainView() {
    GroupView v;
    v.prefix = "2010";
    v.admissionLength = 9;
    return v;
}

// Grades and classes on, grade 20091 selected, class 03 shown.
GroupView classView(const std::string& classText = "03") {
    GroupView v;
    v.gradesEnabled = v.classesEnabled = v.gradeSelected = true;
    v.gradeCode = "20091";
    v.classText = classText;
    v.prefix = "20091" + classText;
    v.admissionLength = 9;
    return v;
}

class FixedSize : public ClassSizeDialog {
public:
    explicit FixedSize(int n) : n_(n) {}
    int askClassSize() override { return n_; }

private:
    int n_;
};

std::vector<std::string> numbers(const StudentGrid& g) {
    std::vector<std::string> out;
    for (const StudentEntry& s : g.rows) out.push_back(s.admissionNumber);
    return out;
}

TEST(PasteTable, TrailingDigitsGetPrefixAndPaddingWholeNumbersStayAsTheyAre) {
    StudentGrid g;
    Roster r;
    ScriptedPrompter p;
    p.answerNext(Answer::Yes);
    GridOutcome out = pasteTable(g, r, plainView(), p, std::string("1\t张三\tx\ty\r\n12\t李四\r\n"));
    EXPECT_EQ(p.texts(), std::vector<std::string>({kFirstDataQuestion}));
    EXPECT_EQ(numbers(g), std::vector<std::string>({"201000001", "201000012"}));
    EXPECT_EQ(g.rows[0], (StudentEntry{"201000001", "张三", "", ""}));  // lines' columns 3, 4 overwritten
    EXPECT_EQ(out.lock, SettingsLock::Lock);
    EXPECT_TRUE(out.changed);

    // The longest first field (9) is longer than the tail (5): taken unchanged.
    StudentGrid whole;
    p.answerNext(Answer::Yes);  // the store is still empty
    pasteTable(whole, r, plainView(), p, std::string("201000001\tA\n7\tB"));
    EXPECT_EQ(numbers(whole), std::vector<std::string>({"201000001", "7"}));
}

TEST(PasteTable, RefusalsChangeNothing) {
    Roster r;
    r.students = {{"201000099", "老生", "", ""}};  // no first-data question
    StudentGrid g;
    ScriptedPrompter p;
    auto refused = [&](const std::optional<std::string>& clip, const std::string& message) {
        p.clear();
        GridOutcome out = pasteTable(g, r, plainView(), p, clip);
        EXPECT_EQ(p.texts(), std::vector<std::string>({message})) << message;
        EXPECT_TRUE(g.rows.empty());
        EXPECT_FALSE(out.changed);
        EXPECT_EQ(r.students.size(), 1u);
    };
    refused(std::nullopt, "非法粘贴");
    refused(std::string("\r\n"), "非法粘贴");
    refused(std::string("1\t张三\n2\t一二三四五六七八九十\n"),
            "第2行：姓名“一二三四五六七八九十”太长，最多只能有19个字节（一个汉字占2个字节），请修改。");
    refused(std::string("准考证号\t姓名\n1\t张三\n"), "第1行：准考证号“准考证号”不全是数字，请检查复制的数据。");
    refused(std::string("1\t张三\n\t李四\n"), "第2行：没有准考证号，请检查复制的数据。");
    refused(std::string("123456789012345678901\tX\n"),
            "第1行：准考证号“123456789012345678901”太长，最多只能有20个字节（一个汉字占2个字节），请修改。");

    // The 5001st student is refused with the row that no longer fits.
    r.students.assign(kMaxStudents - 1, {"x", "", "", ""});
    for (int i = 0; i < kMaxStudents - 1; ++i) r.students[i].admissionNumber = std::to_string(300000000 + i);
    p.clear();
    pasteTable(g, r, plainView(), p, std::string("1\n2\n3\n"));
    ASSERT_EQ(p.texts().size(), 1u);
    EXPECT_EQ(p.texts()[0].rfind("第2行：学生名单最多只能有5000名学生", 0), 0u) << p.texts()[0];
    EXPECT_TRUE(g.rows.empty());

    // A grid with rows, or grades on without a grade, refuses before anything else.
    g.rows = {{"201000001", "", "", ""}};
    p.clear();
    EXPECT_EQ(pasteTable(g, r, plainView(), p, std::string("1")).focus, PageFocus::Grid);
    EXPECT_EQ(p.texts(), std::vector<std::string>({"请先删除学生名单列表框中已有的所有数据！"}));
    GroupView noGrade = classView();
    noGrade.gradeSelected = false;
    p.clear();
    EXPECT_EQ(pasteTable(g, r, noGrade, p, std::string("1")).focus, PageFocus::GradeSelector);
    EXPECT_EQ(p.texts(), std::vector<std::string>({"已启用年级，请先选择年级！"}));
}

TEST(PasteTable, DecliningTheFirstDataQuestionAddsNothing) {
    StudentGrid g;
    Roster r;
    ScriptedPrompter p;
    p.answerNext(Answer::No);
    GridOutcome out = pasteTable(g, r, plainView(), p, std::string("1\t张三"));
    EXPECT_TRUE(g.rows.empty());
    EXPECT_EQ(out.lock, SettingsLock::Keep);
}

TEST(PasteNames, OneColumnOfTheGridsLength) {
    StudentGrid g;
    g.rows.assign(4, {"201000001", "", "", ""});
    ScriptedPrompter p;
    pasteNames(g, plainView(), p, std::string("甲\n乙\n丙\n"));
    pasteNames(g, plainView(), p, std::string("甲\t1\n乙\n丙\n丁"));
    EXPECT_EQ(p.texts(), std::vector<std::string>({"复制的行数和现在列表中的行数不一致，请确保一致！",
                                                   "只需复制姓名一列的数据，请重新复制！"}));
    EXPECT_TRUE(pasteNames(g, plainView(), p, std::string("甲\r\n乙\r\n丙\r\n丁\r\n")).changed);
    EXPECT_EQ(g.rows[3].name, "丁");
}

TEST(AddClass, SizePromptAndSequentialNumbers) {
    EXPECT_EQ(checkClassSize("1000").size, 1000);
    EXPECT_TRUE(checkClassSize("1000").close);
    ClassSizeEntry over = checkClassSize("1001");
    EXPECT_FALSE(over.close);
    EXPECT_EQ(over.message, "班级人数不能大于1000，请重新输入");
    EXPECT_TRUE(checkClassSize("").close);
    EXPECT_EQ(checkClassSize("").size, 0);

    StudentGrid g;
    Roster r;
    ScriptedPrompter p;
    p.answerNext(Answer::Yes);
    FixedSize none(0);
    EXPECT_EQ(addClass(g, r, plainView(), p, none).lock, SettingsLock::Keep);
    EXPECT_TRUE(g.rows.empty());

    p.answerNext(Answer::Yes);
    FixedSize three(3);
    GridOutcome out = addClass(g, r, plainView(), p, three);
    EXPECT_EQ(numbers(g), std::vector<std::string>({"201000001", "201000002", "201000003"}));
    EXPECT_EQ(out.lock, SettingsLock::Lock);
    EXPECT_TRUE(out.openEditor);
    EXPECT_EQ(g.row, 0);
    EXPECT_EQ(g.column, kNameColumn);

    // A prefix as long as the admission number: prefix + the plain number.
    StudentGrid longer;
    GroupView v = plainView();
    v.prefix = "201000001";
    r.students = {{"1", "", "", ""}};
    FixedSize twelve(12);
    addClass(longer, r, v, p, twelve);
    EXPECT_EQ(longer.rows[11].admissionNumber, "20100000112");
}

TEST(AddStudent, AsksOnlyForTheVeryFirstRowAndCarriesTheGroup) {
    StudentGrid g;
    Roster r;
    ScriptedPrompter p;
    p.answerNext(Answer::Yes);
    GridOutcome first = addStudent(g, r, classView(), p);
    GridOutcome second = addStudent(g, r, classView(), p);
    EXPECT_EQ(p.texts().size(), 1u);
    EXPECT_EQ(first.lock, SettingsLock::Lock);
    EXPECT_EQ(second.lock, SettingsLock::Keep);
    EXPECT_EQ(g.rows[1], (StudentEntry{"2009103", "", "20091", "03"}));
    EXPECT_EQ(g.row, 1);
    EXPECT_EQ(g.column, kAdmissionColumn);
    EXPECT_TRUE(second.openEditor);
}

TEST(DeleteStudents, OneRowAndTheShownClassOnly) {
    Roster r;
    r.gradesEnabled = r.classesEnabled = true;
    r.students = {{"200910301", "甲", "20091", "03"},
                  {"200910302", "乙", "20091", "03"},
                  {"200910302", "别班", "20091", "04"}};
    StudentGrid g;
    fillStudentGrid(g, r, classView());
    ASSERT_EQ(g.rows.size(), 2u);
    EXPECT_EQ(g.row, 1);  // the last row is current
    EXPECT_EQ(deleteStudent(g, r, classView()).lock, SettingsLock::Keep);
    ASSERT_EQ(r.students.size(), 2u);
    EXPECT_EQ(r.students[1].name, "别班");  // the same number in class 04 stays
    EXPECT_EQ(g.row, 0);

    ScriptedPrompter p;
    p.answerNext(Answer::Yes);
    GridOutcome out = deleteGroup(g, r, classView(), p);
    EXPECT_EQ(p.texts(), std::vector<std::string>({"确定要删除学生名单列表框中的所有数据吗？"}));
    EXPECT_TRUE(g.rows.empty());
    ASSERT_EQ(r.students.size(), 1u);
    EXPECT_EQ(r.students[0].classCode, "04");
    EXPECT_EQ(out.lock, SettingsLock::Keep);

    // The last student of the roster unlocks the settings.
    fillStudentGrid(g, r, classView("04"));
    EXPECT_EQ(deleteStudent(g, r, classView("04")).lock, SettingsLock::Unlock);
    EXPECT_TRUE(r.students.empty());
}

EditorText at(const std::string& text, int start, int length = 0) { return {text, start, length}; }

TEST(AdmissionTyping, PrefixIsProtectedFromEveryEdit) {
    const GroupView v = plainView();  // prefix "2010", length 9
    EditorChange c = editAdmissionCell(v, at("20105", 2), EditorAction::Type, "7");
    EXPECT_FALSE(c.accepted);
    EXPECT_EQ(c.after, at("20105", 4));  // caret to the end of the prefix
    EXPECT_FALSE(editAdmissionCell(v, at("20105", 4), EditorAction::Backspace, "").accepted);
    EXPECT_EQ(editAdmissionCell(v, at("20105", 5), EditorAction::Backspace, "").after, at("2010", 4));
    EXPECT_FALSE(editAdmissionCell(v, at("20105", 3), EditorAction::Delete, "").accepted);
    EXPECT_EQ(editAdmissionCell(v, at("20105", 4), EditorAction::Delete, "").after, at("2010", 4));
    EXPECT_FALSE(editAdmissionCell(v, at("20105", 0, 5), EditorAction::Cut, "").accepted);
    EXPECT_FALSE(editAdmissionCell(v, at("20105", 1), EditorAction::Paste, "99").accepted);
    EXPECT_EQ(editAdmissionCell(v, at("2010", 4, 0), EditorAction::Type, "a").accepted, false);

    // A paste is typed: non-digits dropped, nothing beyond the length.
    EXPECT_EQ(editAdmissionCell(v, at("2010", 4), EditorAction::Paste, " 12-34\n567").after, at("201012345", 9));
    EXPECT_FALSE(editAdmissionCell(v, at("201012345", 9), EditorAction::Type, "6").accepted);
    EXPECT_EQ(editAdmissionCell(v, at("201012345", 8, 1), EditorAction::Type, "6").after, at("201012346", 9));

    // A number that does not begin with the prefix has none to protect.
    EXPECT_EQ(editAdmissionCell(v, at("7", 0), EditorAction::Type, "3").after, at("37", 1));
}

TEST(AdmissionTyping, DuplicateResetsToPrefixAndStoreFollowsTheCell) {
    Roster r;
    r.students = {{"201000001", "甲", "", ""}, {"201000002", "乙", "", ""}};
    StudentGrid g;
    const GroupView v = plainView();
    fillStudentGrid(g, r, v);
    ASSERT_EQ(g.storedRow, 1);
    ScriptedPrompter p;
    EXPECT_EQ(admissionTyped(g, r, v, "20100000", p), std::nullopt);  // not complete yet
    EXPECT_EQ(admissionTyped(g, r, v, "201000001", p), std::optional<std::string>("2010"));
    EXPECT_EQ(p.texts(), std::vector<std::string>({"准考证号不能重复！"}));
    EXPECT_EQ(g.rows[1].admissionNumber, "2010");
    EXPECT_EQ(r.students[1].admissionNumber, "201000002");
    EXPECT_EQ(admissionTyped(g, r, v, "201000009", p), std::nullopt);
    EXPECT_EQ(r.students[1].admissionNumber, "201000009");

    // Leaving the cell short still moves the stored number with it, so a
    // later fix cannot leave the old number behind as a second student.
    admissionTyped(g, r, v, "20100000", p);
    EXPECT_TRUE(finishStudentEdit(g, r, 1, kAdmissionColumn, "20100000", p).changed);
    EXPECT_EQ(r.students[1].admissionNumber, "20100000");
    selectStudentCell(g, r, v, 1, kAdmissionColumn);
    EXPECT_EQ(g.storedRow, 1);

    p.clear();
    GridOutcome longName = finishStudentEdit(g, r, 0, kNameColumn, "一二三四五六七八九十", p);
    EXPECT_FALSE(longName.changed);
    EXPECT_TRUE(longName.openEditor);
    EXPECT_EQ(g.rows[0].name, "甲");
    EXPECT_EQ(p.texts()[0].rfind("第1行：姓名", 0), 0u);
}

TEST(GroupChange, MergesTheShownClassBeforeShowingTheNext) {
    Roster r;
    StudentGrid g;
    ScriptedPrompter p;
    p.answerNext(Answer::Yes);
    pasteTable(g, r, classView("03"), p, std::string("200910301\t甲\n200910302\t乙"));
    ASSERT_TRUE(changeGroup(g, r, classView("04"), p).ok());
    EXPECT_EQ(r.students.size(), 2u);
    EXPECT_TRUE(g.rows.empty());
    // The same numbers in class 04 are other students.
    pasteTable(g, r, classView("04"), p, std::string("200910301\t丙\n200910302\t丁"));
    ASSERT_TRUE(changeGroup(g, r, classView("03"), p).ok());
    EXPECT_EQ(r.students.size(), 4u);
    ASSERT_EQ(g.rows.size(), 2u);
    EXPECT_EQ(g.rows[1].name, "乙");
}

class NoDialogs : public FileDialogs {
public:
    std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

TEST(LeaveStudentsPage, SaveQuestionCommitsOrStays) {
    StudentFileState state;
    StudentGrid g;
    RosterPage page;
    page.admissionLengthText = "9";
    ScriptedPrompter p;
    NoDialogs dialogs;
    GridOutcome out;
    EXPECT_FALSE(leaveStudentsPage(state, g, page, plainView(), p, dialogs, out));
    EXPECT_EQ(p.texts(), std::vector<std::string>({"请先输入学生数据或打开学生信息文件！"}));

    g.rows = {{"201000001", "甲", "", ""}};
    state.modified = true;
    p.answerNext(Answer::Yes);  // save, but the file dialog is cancelled
    EXPECT_FALSE(leaveStudentsPage(state, g, page, plainView(), p, dialogs, out));
    EXPECT_TRUE(state.roster.students.empty());
    p.answerNext(Answer::Cancel);
    EXPECT_FALSE(leaveStudentsPage(state, g, page, plainView(), p, dialogs, out));
    p.answerNext(Answer::No);
    EXPECT_TRUE(leaveStudentsPage(state, g, page, plainView(), p, dialogs, out));
    ASSERT_EQ(state.roster.students.size(), 1u);

    g.rows.push_back({"20100000", "乙", "", ""});
    p.clear();
    EXPECT_FALSE(leaveStudentsPage(state, g, page, plainView(), p, dialogs, out));
    EXPECT_EQ(g.row, 1);
    EXPECT_TRUE(out.openEditor);
}

}  // namespace
}  // namespace tarvel
