#include "roster/rostermodel.h"

#include "roster/gradegrid.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

Roster gradedRoster() {
    Roster r;
    r.gradesEnabled = true;
    r.classesEnabled = true;
    r.grades = {{"初一", "20091"}, {"初二", "20081"}};
    r.selectedGrade = r.grades[0];
    r.students = {{"200910301", "张三", "20091", "03"},
                  {"200910401", "王五", "20091", "04"},
                  {"200810301", "李四", "20081", "03"}};
    return r;
}

TEST(RosterLookup, FirstStoredStudentWinsAndLengthsMustMatch) {
    Roster r = gradedRoster();
    r.students.push_back({"200910301", "重号", "20091", "05"});
    const StudentEntry* s = findStudent(r, "200910301");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->name, "张三");
    EXPECT_EQ(findStudent(r, "20091030"), nullptr);
    EXPECT_EQ(findStudent(r, "200910301 "), nullptr);
    EXPECT_EQ(gradeNameOf(r, "20081"), "初二");
    EXPECT_EQ(gradeNameOf(r, "99999"), "");
}

TEST(RosterGroups, FilterFollowsSelectedGradeAndClassText) {
    Roster r = gradedRoster();
    EXPECT_EQ(studentsOfGroup(r, "03"), std::vector<int>({0}));
    EXPECT_EQ(studentsOfGroup(r, "04"), std::vector<int>({1}));
    r.classesEnabled = false;
    EXPECT_EQ(studentsOfGroup(r, "03"), std::vector<int>({0, 1}));
    r.gradesEnabled = false;
    EXPECT_EQ(studentsOfGroup(r, ""), std::vector<int>({0, 1, 2}));
}

TEST(RosterMerge, RenamesMatchesAppendsOthersAndNeverRemoves) {
    Roster r = gradedRoster();
    RosterProblem p = mergeStudentGrid(r, {{"200910301", "张三丰", "20091", "03"},
                                           {"200910302", "新生", "20091", "03"}});
    ASSERT_TRUE(p.ok());
    ASSERT_EQ(r.students.size(), 4u);
    EXPECT_EQ(r.students[0].name, "张三丰");
    EXPECT_EQ(r.students[3].admissionNumber, "200910302");

    // The same number in another class is another student while classes are on.
    mergeStudentGrid(r, {{"200910301", "别班", "20091", "05"}});
    EXPECT_EQ(r.students.size(), 5u);
    EXPECT_EQ(r.students[0].name, "张三丰");

    // Two rows with one number in one group are one student: the later name wins.
    mergeStudentGrid(r, {{"200910309", "甲", "20091", "03"}, {"200910309", "乙", "20091", "03"}});
    ASSERT_EQ(r.students.size(), 6u);
    EXPECT_EQ(r.students[5].name, "乙");
    EXPECT_EQ(rowsToAppend(r, {{"200910309", "", "20091", "03"}, {"1", "", "", ""}, {"1", "", "", ""}}, true, true), 1);
}

TEST(RosterMerge, RefusesOverlongTextsAndTheSixthThousandthStudentWithoutChanges) {
    Roster r = gradedRoster();
    const Roster before = r;
    RosterProblem p = mergeStudentGrid(r, {{"200910305", "好", "20091", "03"},
                                           {"200910306", "一二三四五六七八九十", "20091", "03"}});
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(p.row, 1);
    EXPECT_EQ(p.column, 2);
    EXPECT_EQ(r, before);

    r.gradesEnabled = r.classesEnabled = false;
    r.students.resize(kMaxStudents - 1);
    for (int i = 0; i < kMaxStudents - 1; ++i) r.students[i] = {std::to_string(100000000 + i), "x", "", ""};
    EXPECT_TRUE(mergeStudentGrid(r, {{"999999999", "last", "", ""}}).ok());
    EXPECT_EQ(r.students.size(), size_t(kMaxStudents));
    EXPECT_FALSE(mergeStudentGrid(r, {{"999999998", "over", "", ""}}).ok());
    EXPECT_EQ(r.students.size(), size_t(kMaxStudents));
}

TEST(AdmissionPrefix, RelationRule) {
    PrefixInputs in;
    in.relationChecked = in.relationEnabled = true;
    in.gradesEnabled = true;
    in.gradeSelected = true;
    in.selectedGradeCode = "20091";
    EXPECT_EQ(updateAdmissionPrefix(in), std::optional<std::string>("20091"));
    in.classesEnabled = true;
    in.classText = "03";
    EXPECT_EQ(updateAdmissionPrefix(in), std::optional<std::string>("2009103"));
    in.classText = "";
    EXPECT_EQ(updateAdmissionPrefix(in), std::nullopt);  // no class yet: unchanged
    in.gradeSelected = false;
    in.classText = "03";
    EXPECT_EQ(updateAdmissionPrefix(in), std::nullopt);  // no grade yet: unchanged
    in.relationChecked = false;
    EXPECT_EQ(updateAdmissionPrefix(in), std::optional<std::string>(""));  // emptied, editable
}

TEST(ClassCoding, ZeroCodesAreResetAndRangesLabelled) {
    ClassTextChange c = onClassTextChanged("00", 2);
    EXPECT_EQ(c.message, "请注意范围！");
    EXPECT_EQ(c.resetText, "01");
    EXPECT_FALSE(c.groupChanged);
    EXPECT_EQ(onClassTextChanged("000", 3).resetText, "001");
    EXPECT_TRUE(onClassTextChanged("07", 2).groupChanged);
    EXPECT_FALSE(onClassTextChanged("7", 2).groupChanged);  // not yet complete
    EXPECT_EQ(classRangeLabel(true, 2), "（范围01-99，比如1班请输入01）");
    EXPECT_EQ(classRangeLabel(true, 3), "（范围001-999，比如1班请输入001，11班请输入011）");
    EXPECT_EQ(classRangeLabel(false, 2), "（范围）");
    EXPECT_EQ(defaultClassCode(1), "1");
}

TEST(NumberBoxes, OutOfRangeResetsAndEmptyBoxesFallBackToDefaults) {
    EXPECT_TRUE(checkGradeCodeLengthBox("").keepFocus);
    EXPECT_EQ(checkGradeCodeLengthBox("11").resetText, "5");
    EXPECT_TRUE(checkGradeCodeLengthBox("10").ok());
    EXPECT_EQ(checkAdmissionLengthBox("1").resetText, "9");
    EXPECT_TRUE(checkAdmissionLengthBox("20").ok());
    EXPECT_EQ(lengthFromBox("", 2, 20, 9), 9);
    EXPECT_EQ(lengthFromBox("12", 2, 20, 9), 12);
    EXPECT_EQ(lengthFromBox("21", 2, 20, 9), 9);
}

TEST(GradeTable, ChecksOpenTheOffendingCell) {
    GradeCheck none = checkGradeTable({}, 5);
    EXPECT_TRUE(none.uncheckGrades);
    EXPECT_EQ(none.problem.message, "如果选中启用年级，至少要设置一个有效年级信息才可以。");

    GradeCheck shortCode = checkGradeTable({{"初一", "20091"}, {"初二", "2008"}}, 5);
    EXPECT_EQ(shortCode.problem.message, "输入的年级编码的长度和设置的年级编码长度不符！");
    EXPECT_EQ(shortCode.problem.row, 1);
    EXPECT_EQ(shortCode.problem.column, 2);

    GradeCheck sameName = checkGradeTable({{"初一", "20091"}, {"初一", "20081"}}, 5);
    EXPECT_EQ(sameName.problem.message, "年级名称不能重复！");
    EXPECT_EQ(sameName.problem.row, 1);
    EXPECT_EQ(sameName.problem.column, 1);

    GradeCheck sameCode = checkGradeTable({{"初一", "20091"}, {"初二", "20081"}, {"初三", "20081"}}, 5);
    EXPECT_EQ(sameCode.problem.message, "年级编码不能重复！");
    EXPECT_EQ(sameCode.problem.row, 2);

    std::vector<GradeEntry> many(51, {"g", "1"});
    for (int i = 0; i < 51; ++i) many[i] = {"g" + std::to_string(i), std::to_string(i % 10)};
    EXPECT_FALSE(checkGradeTable(many, 1).problem.ok());
    EXPECT_TRUE(checkGradeTable({{"初一", "20091"}, {"初二", "20081"}}, 5).problem.ok());
}

TEST(GradeSelector, DeletingTheSelectedGradeEmptiesSelectorAndPrefix) {
    Roster r = gradedRoster();
    r.selectedGrade = {"初二", "20081"};
    EXPECT_EQ(selectedGradeIndex(r), 1);
    GradeSelector kept = rebuildGradeSelector(r.grades, "初二");
    EXPECT_EQ(kept.index, 1);
    EXPECT_FALSE(kept.clearPrefix);
    GradeSelector gone = rebuildGradeSelector({}, "初二");
    EXPECT_TRUE(gone.items.empty());
    EXPECT_EQ(gone.index, -1);
    EXPECT_TRUE(gone.clearPrefix);
}

TEST(GradeTable, CodeKeysAndRepeats) {
    EXPECT_TRUE(acceptGradeCodeKey("2009", false, '1', 5));
    EXPECT_FALSE(acceptGradeCodeKey("20091", false, '1', 5));
    EXPECT_TRUE(acceptGradeCodeKey("20091", true, '1', 5));
    EXPECT_TRUE(acceptGradeCodeKey("20091", false, '\b', 5));
    EXPECT_FALSE(acceptGradeCodeKey("", false, 'a', 5));
    std::vector<GradeEntry> rows{{"a", "20091"}, {"b", "2009"}};
    EXPECT_FALSE(gradeCodeRepeats(rows, 1, 5));
    rows[1].code = "20091";
    EXPECT_TRUE(gradeCodeRepeats(rows, 1, 5));
}

TEST(GradeGrid, CodeCellsAreFilteredAndRepeatsEmptied) {
    std::vector<GradeEntry> rows{{"初一", "20091"}, {"初二", ""}};
    EXPECT_EQ(editGradeCodeCell({"", 0, 0}, EditorAction::Paste, "2009x1 5", 5).after.text, "20091");
    ScriptedPrompter p;
    EXPECT_FALSE(gradeCodeTyped(rows, 1, "2009", 5, p));
    EXPECT_TRUE(gradeCodeTyped(rows, 1, "20091", 5, p));
    EXPECT_EQ(rows[1].code, "");
    EXPECT_FALSE(finishGradeEdit(rows, 1, 1, std::string(46, 'x') + "年级", p));
    EXPECT_EQ(rows[1].name, "初二");
    EXPECT_EQ(p.texts().back().rfind("第2行：年级名称", 0), 0u);

    int current = 0;
    GradeSelector selector = deleteGradeRow(rows, current, "初一");
    EXPECT_EQ(current, 0);
    EXPECT_TRUE(selector.clearPrefix);
    std::vector<GradeEntry> full(kMaxGrades);
    EXPECT_EQ(addGradeRow(full, p), -1);
    EXPECT_EQ(full.size(), size_t(kMaxGrades));
}

std::vector<StudentEntry> tenRows(int withoutName) {
    std::vector<StudentEntry> rows;
    for (int i = 0; i < 10; ++i) {
        rows.push_back({"20091030" + std::to_string(i), i < withoutName ? "" : "生" + std::to_string(i), "", ""});
    }
    return rows;
}

TEST(StudentGridCheck, FewMissingNamesAskAndManyBlock) {
    ScriptedPrompter p;
    p.answerNext(Answer::Ok);
    EXPECT_TRUE(checkStudentGrid(tenRows(4), 9, p));
    ASSERT_EQ(p.shown().size(), 1u);
    EXPECT_EQ(p.shown()[0].kind, PromptKind::OkCancel);
    EXPECT_EQ(p.shown()[0].title, "Tarvel阅卷");
    EXPECT_EQ(p.shown()[0].text,
              "以下准考证号的学生姓名未输入：200910300 200910301 200910302 200910303 "
              "建议输入所有学生姓名，以便阅卷时立即核对学生姓名和准卡证号是否对应。"
              "如果这些准卡证号的学生姓名有一些特殊原因目前没必要或无法输入的，请点 确定 继续。确定要继续吗？");

    p.clear();
    p.answerNext(Answer::Cancel);
    EXPECT_FALSE(checkStudentGrid(tenRows(4), 9, p));

    p.clear();
    EXPECT_FALSE(checkStudentGrid(tenRows(5), 9, p));
    ASSERT_EQ(p.shown().size(), 1u);
    EXPECT_EQ(p.shown()[0].kind, PromptKind::Message);
    EXPECT_EQ(p.shown()[0].text, "请输入准考证号对应的学生姓名，以便阅卷时立即核对学生姓名和准卡证号是否对应。");

    p.clear();
    EXPECT_TRUE(checkStudentGrid(tenRows(0), 9, p));
    EXPECT_TRUE(p.shown().empty());
}

TEST(StudentGridCheck, WrongAdmissionLengthNamesTheStudent) {
    std::vector<StudentEntry> rows = tenRows(0);
    rows[6].admissionNumber = "20091030";
    ScriptedPrompter p;
    RosterProblem problem;
    EXPECT_FALSE(checkStudentGrid(rows, 9, p, &problem));
    EXPECT_EQ(p.texts(), std::vector<std::string>({"（学生：生6）输入的准考证长度和设置的准考证长度不符合！"}));
    EXPECT_EQ(problem.row, 6);
    EXPECT_EQ(problem.column, 1);
}

TEST(RosterCommit, NewRosterDefaultsAndEmptyBoxes) {
    Roster r;
    RosterPage page;
    page.gradeCodeLengthText = "";
    page.classCodeLengthText = "2";
    page.admissionLengthText = "9";
    ASSERT_TRUE(commitRosterFromPage(r, page).ok());
    EXPECT_TRUE(r.admissionLinked);
    EXPECT_EQ(r.admissionPrefix, "");
    EXPECT_EQ(r.admissionLength, 9);
    EXPECT_EQ(r.gradeCodeLength, 5);
    EXPECT_EQ(r.classCodeLength, 2);
}

TEST(RosterCommit, TooManyGradesChangeNothing) {
    Roster r = gradedRoster();
    const Roster before = r;
    RosterPage page;
    page.gradesEnabled = true;
    for (int i = 0; i < 51; ++i) page.grades.push_back({"g" + std::to_string(i), std::to_string(10000 + i)});
    page.studentRows = {{"1", "x", "", ""}};
    EXPECT_FALSE(commitRosterFromPage(r, page).ok());
    EXPECT_EQ(r, before);
}

}  // namespace
}  // namespace tarvel
