#include "grading/exampage.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

TEST(ExamGridRows, AddPrefillsTheNextSectionOrSendsTheCursorBack) {
    ExamPage page;
    ScriptedPrompter p;
    ExamRowsChange first = addExamRow(page, ExamGrid::Sections, p);
    EXPECT_TRUE(first.changed);
    EXPECT_EQ(examCellText(page, ExamGrid::Sections, 0, 1), "1");
    EXPECT_EQ(first.cursor.row, 1);
    EXPECT_EQ(first.cursor.column, 2);
    EXPECT_TRUE(first.cursor.startEditing);

    // The first section has no last question yet: the new row is taken back
    // and the cursor goes to the cell to fill in.
    ExamRowsChange back = addExamRow(page, ExamGrid::Sections, p);
    EXPECT_FALSE(back.changed);
    EXPECT_EQ(examRowCount(page, ExamGrid::Sections), 1);
    EXPECT_EQ(back.cursor.row, 1);
    EXPECT_EQ(back.cursor.column, 2);

    setExamCell(page, ExamGrid::Sections, 0, 2, "10");
    addExamRow(page, ExamGrid::Sections, p);
    EXPECT_EQ(examCellText(page, ExamGrid::Sections, 1, 0), "2");
    EXPECT_EQ(examCellText(page, ExamGrid::Sections, 1, 1), "11");

    ExamRowsChange gone = deleteExamRow(page, ExamGrid::Sections, 2, 3);
    EXPECT_TRUE(gone.changed);
    EXPECT_EQ(gone.cursor.row, 1);
    EXPECT_EQ(gone.cursor.column, 3);
    EXPECT_FALSE(deleteExamRow(page, ExamGrid::Sections, 5, 1).changed);

    // Rule rows start empty with the cursor on the question list; the record
    // holds ten.
    for (int i = 0; i < kMaxRules; ++i) EXPECT_EQ(addExamRow(page, ExamGrid::Rules, p).cursor.column, 1);
    EXPECT_TRUE(p.texts().empty());
    EXPECT_FALSE(addExamRow(page, ExamGrid::Rules, p).changed);
    EXPECT_EQ(p.texts(), std::vector<std::string>({"多选题特殊规则最多只能设置10条。"}));
    EXPECT_EQ(examRowCount(page, ExamGrid::Rules), kMaxRules);
}

TEST(ExamGridCells, EditorsFilterTypingAndPasting) {
    auto type = [](ExamGrid g, int column, const std::string& text, const std::string& key) {
        return editExamCell(g, column, {text, int(text.size()), 0}, EditorAction::Type, key).accepted;
    };
    EXPECT_TRUE(type(ExamGrid::Sections, 3, "1", "."));
    EXPECT_FALSE(type(ExamGrid::Sections, 3, "10", "."));  // 10.5 cannot be typed
    EXPECT_FALSE(type(ExamGrid::Sections, 3, "1.5", "5"));
    EXPECT_FALSE(type(ExamGrid::Sections, 1, "1", "-"));
    EXPECT_TRUE(type(ExamGrid::Rules, 1, "1-5", ","));
    EXPECT_TRUE(type(ExamGrid::Rules, 2, "0.5", "/"));
    EXPECT_FALSE(type(ExamGrid::Rules, 2, "0.5/", "1"));
    EXPECT_FALSE(type(ExamGrid::Rules, 2, "1/", "/"));

    EditorChange pasted = editExamCell(ExamGrid::Sections, 3, {"", 0, 0}, EditorAction::Paste, "1.5分\n");
    EXPECT_EQ(pasted.after.text, "1.5");
    EXPECT_EQ(editExamCell(ExamGrid::Rules, 1, {"", 0, 0}, EditorAction::Paste, "1，2,3").after.text, "12,3");

    EXPECT_EQ(examCellInput(ExamGrid::Sections, 4), ExamCellInput::DropDown);
    EXPECT_EQ(examCellInput(ExamGrid::Sections, 0), ExamCellInput::None);
    EXPECT_EQ(examCellInput(ExamGrid::Rules, 2), ExamCellInput::Typed);
    EXPECT_EQ(sectionKindIndex("多选题"), 1);
    EXPECT_EQ(sectionKindIndex(""), -1);

    // Only a changed text counts in the score grid, every edit in the rule grid.
    ExamPage page;
    page.sections = {{"1", "10", "1", "单选题"}};
    page.rules = {{"1-5", "1"}};
    EXPECT_FALSE(setExamCell(page, ExamGrid::Sections, 0, 3, "1"));
    EXPECT_TRUE(setExamCell(page, ExamGrid::Sections, 0, 3, "2"));
    EXPECT_TRUE(setExamCell(page, ExamGrid::Rules, 0, 2, "1"));
    EXPECT_FALSE(setExamCell(page, ExamGrid::Rules, 1, 2, "1"));  // no such row
}

TEST(ExamChoices, SubjectsAndSubjectiveScoreFollowTheLayout) {
    CardTemplate layout;
    layout.subjectCount = 2;
    layout.subjects[0] = {"1", "语文"};
    layout.subjects[1] = {"2", "数学"};
    layout.subjects[2] = {"3", "英语"};
    EXPECT_EQ(subjectItems(layout), std::vector<std::string>({"语文", "数学"}));
    EXPECT_FALSE(subjectiveChoiceEnabled(layout));
    layout.scoreDigits = 3;
    EXPECT_TRUE(subjectiveChoiceEnabled(layout));
}

}  // namespace
}  // namespace tarvel
