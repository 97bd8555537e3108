#pragma once
// The exam page's rules over plain data: validation that rebuilds the exam
// settings, the question-list syntax of partial-credit rules, the scoring of
// one question, and the small helpers the page's grids use.
#include <string>
#include <string_view>
#include <vector>

#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"
#include "recognition/cardtemplate.h"

namespace tarvel {

inline constexpr const char* kSingleChoiceText = "单选题";
inline constexpr const char* kMultipleChoiceText = "多选题";

// A row of the score grid (columns 1 to 4) and of the rule grid (columns 1, 2).
struct SectionRow {
    std::string first, last, score, kind;
};
struct RuleRow {
    std::string questions, partial;
};

// Everything the exam page holds, as texts and indices (-1: nothing chosen).
struct ExamPage {
    std::string cardName;
    std::string examName;
    int subjectIndex = -1;
    int subjectiveIndex = -1;
    std::vector<SectionRow> sections;
    std::vector<RuleRow> rules;
};

enum class ExamFocus { None, ExamName, Subject, SubjectiveOption, SectionGrid, RuleGrid };

// The outcome of validation: on failure the message, where the focus goes
// (grid cells by grid row from 1 and column), whether the cell is opened for
// editing and whether a section row is to be added.
struct ExamPageCheck {
    bool ok = true;
    std::string message;
    ExamFocus focus = ExamFocus::None;
    int row = 0;
    int column = 0;
    bool startEditing = false;
    bool addSectionRow = false;
};

// Checks the page in order and stops at the first problem. Only a page that
// passes replaces `settings`; a refused one leaves them as they were.
ExamPageCheck ValidateExamPage(const ExamPage& page, const CardTemplate& layout, ExamSettings& settings);

// The page as the stored settings show it.
ExamPage FillExamPage(const ExamSettings& settings, const CardTemplate& layout);

// "1-5,11" -> 1, 2, 3, 4, 5, 11. `error` names a part that is not a number or
// says that the list holds more than `limit` numbers (a partial-credit rule
// holds at most 100).
struct QuestionList {
    std::vector<int> numbers;
    std::string error;
};
QuestionList ParseQuestionList(const std::string& text, size_t limit = kMaxRuleQuestions);

struct QuestionScore {
    float score = 0;
    char outcome = '0';
};
// One question: the student's answer against the standard answer.
QuestionScore ScoreQuestion(const QuestionRule& rule, std::string_view student, std::string_view standard);
QuestionScore ScoreQuestion(const ExamSettings& settings, int q, std::string_view student,
                            std::string_view standard);

// Grid editing helpers. Add* append a row as the add buttons do; they refuse
// (message) beyond 10 rows, and AddSectionRow takes the row back when the
// previous section has no last question. Both return whether a row was added.
bool AddSectionRow(std::vector<SectionRow>& rows, std::string& message);
bool AddRuleRow(std::vector<RuleRow>& rows, std::string& message);

// Typing filters of the two grids ('\b' is Backspace); columns as on screen.
bool AcceptSectionKey(int column, const std::string& cellText, char key);
bool AcceptRuleKey(int column, const std::string& cellText, char key);

}  // namespace tarvel
