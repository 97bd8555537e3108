#pragma once
// The grading page's rules over plain data: the grade/class filter and its
// selectors, the grid's headers and row texts, deleting records, and editing
// the standard answer in the grid's first row.
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"
#include "roster/xuesheng.h"

namespace tarvel {

inline constexpr const char* kAllClassesFilter = "ALL";
inline constexpr const char* kAllClassesItem = "所有班级";
inline constexpr const char* kStandardAnswerName = "标准答案";
inline constexpr const char* kReadStandardFirstHint = "请先阅读标准答案！用做标准答案的卡不用涂准考证号。";
inline constexpr const char* kStandardEditedWarning = "标准答案修改完所有后必需按鼠标右键单击重新算分";
inline constexpr const char* kHowToEditStandard =
    "方法：用鼠标左键单击第一行标准答案中要修改的题的答案，可直接输入更改。"
    "标准答案修改完所有后必需按鼠标右键点重新算分";

// The filter stored with a grading run: the grade code chosen ("" none) and
// the class code chosen, "ALL" for all classes.
struct GradingFilter {
    std::string gradeCode;
    std::string classCode;
};

// The filter's 15 bytes in a raw grading file: grade code char[11], class
// code char[4]. Encoding returns "" or the message for a code that does not fit.
inline constexpr size_t kGradingFilterSize = 15;
std::string encodeGradingFilter(const GradingFilter& filter, uint8_t* bytes);
void decodeGradingFilter(const uint8_t* bytes, GradingFilter& out);

// What the two selectors of the grading page show.
struct GroupChoice {
    bool gradeChosen = false;
    int gradeIndex = -1;
    std::string gradeCode;
    int classIndex = -1;  // 0 is "所有班级", -1 nothing chosen
    std::string classText;
};

// Selector items: grade names in table order; "所有班级" then the students'
// class codes in store order, each once, empty codes left out.
std::vector<std::string> gradeItems(const Roster& roster);
std::vector<std::string> classItems(const Roster& roster);
// The selectors as the stored filter sets them (nothing chosen when no item
// matches; grades or classes switched off choose nothing).
GroupChoice choiceFromFilter(const Roster& roster, const GradingFilter& filter);
// A selector change: the stored filter follows the chosen item.
void chooseGrade(const Roster& roster, int index, GradingFilter& filter);
void chooseClass(const Roster& roster, int index, GradingFilter& filter);

// Whether record `index` is shown. Record 0 always is. With grades on and no
// grade chosen, only the standard answer is shown (nothing to compare with);
// likewise with classes on and no class item chosen.
bool recordShown(const Roster& roster, const GroupChoice& choice, const GradingRecords& records, int index);
std::vector<int> shownRecords(const Roster& roster, const GroupChoice& choice, const GradingRecords& records);
// Grid row (from 1) of the first shown record with this admission number; 0
// when it is not shown.
int gridRowOf(const GradingRecords& records, const std::vector<int>& shown, const std::string& admissionNumber);

// Header texts of every column and the widths of the question columns
// (20 for single, 30 for multiple choice).
std::vector<std::string> gridHeaders(const ExamSettings& settings);
std::vector<int> questionColumnWidths(const ExamSettings& settings);
// The texts of grid row `gridRow` (from 1; row 1 is the standard answer).
std::vector<std::string> gridRowTexts(const GradingRecord& record, int gridRow, const ExamSettings& settings);
// One cell of that row (column 0 the row number, 13 on the questions); ""
// outside the columns. A grid draws only the cells it shows, one at a time.
std::string gridCellText(const GradingRecord& record, int gridRow, int column, const ExamSettings& settings);
inline constexpr int kFirstQuestionColumn = 13;

// A student's answer is drawn in red where it differs from a standard answer
// that is not empty.
bool markedAsDifferent(const GradingRecord& record, const GradingRecord& standard, int q);

// Deleting. "删除选中记录" is enabled with a single data row when a record
// exists, else only below row 1.
bool deleteOneEnabled(int dataRows, int currentGridRow, int recordCount);
// Removes the first record with this admission number (later ones move up).
// The standard answer is refused while student records exist: removing it
// would make the first student's card the standard answer. Returns whether
// a record was removed.
bool deleteRecord(GradingRecords& records, const std::string& admissionNumber, Prompter& prompter);
// "删除本列表中所有阅卷记录": asks twice, then removes the shown student
// records (record 0 stays). Returns whether anything was asked through and done.
bool deleteShownRecords(GradingRecords& records, const Roster& roster, const GroupChoice& choice,
                        Prompter& prompter);

// Editing the standard answer (row 1, question columns, once a record exists).
bool standardAnswerCellEditable(int gridRow, int column, int recordCount);
// True for "" and option letters A to D in strictly ascending order; single
// choice allows one letter.
bool isAnswerText(const std::string& text, bool multiple);

struct CellEdit {
    std::string text;
    int caret = 0;
};
// A key typed into a standard-answer cell whose editor holds `text` with the
// selection [selStart, selStart + selLength) (the caret when empty). Letters
// a-d become capitals; Backspace deletes; every other key, and any letter that
// would break the ascending form (or give a single-choice question a second
// letter), is dropped (nullopt).
std::optional<CellEdit> filterStandardAnswerKey(const std::string& text, int selStart, int selLength, char key,
                                                bool multiple);
// Writes an edited cell into record 0; sets `edited` when student records
// exist and the text differs from the one the cell held when selected. A
// text that is not an answer (pasted text) is refused with false.
bool setStandardAnswer(GradingRecords& records, int q, const std::string& text, const std::string& rememberedText,
                       bool multiple, bool& edited);
// "重新算分": rescores every student record and clears the edited flag.
void refreshScores(GradingRecords& records, const ExamSettings& settings, bool& edited);

}  // namespace tarvel
