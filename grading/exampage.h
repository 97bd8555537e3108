#pragma once
// The exam page's grids and choices over plain data: the score grid
// (SGridTF) and the rule grid (SGridDX) with their cell texts, which cells
// are typed into, what typing, deleting, cutting and pasting do in a cell
// editor, the add and delete buttons with where the cursor goes; the subject
// and subjective-score choices; the lines of the two help memos. The checks
// of "下一步 >" are ValidateExamPage (grading/examsettings.h).
#include <string>
#include <vector>

#include "base/prompter.h"
#include "grading/examsettings.h"
#include "recognition/cardtemplate.h"
#include "roster/celledit.h"

namespace tarvel {

enum class ExamGrid { Sections, Rules };  // SGridTF, SGridDX

// Cell functions count data rows from 0 (as a table model does); cursors
// count grid rows from 1, as ExamPageCheck does, so the window places both
// the same way.
int examColumnCount(ExamGrid grid);
int examRowCount(const ExamPage& page, ExamGrid grid);
std::string examColumnHeading(ExamGrid grid, int column);
// Column 0 holds the row number from 1.
std::string examCellText(const ExamPage& page, ExamGrid grid, int row, int column);

// How a cell takes input: the score grid's kind column by the drop-down
// CBTFSort laid over it, columns 1 to 3 of the score grid and 1, 2 of the rule
// grid by typing (digit cells, so the input method is off), column 0 not at
// all (a click selects the row).
enum class ExamCellInput { None, Typed, DropDown };
ExamCellInput examCellInput(ExamGrid grid, int column);

// The drop-down of the kind column: its items, and the item the cell's text
// preselects (-1 for none).
std::vector<std::string> sectionKindItems();
int sectionKindIndex(const std::string& cellText);

// An action in the cell editor, filtered by the grid's key rules (a paste is
// typed character by character).
EditorChange editExamCell(ExamGrid grid, int column, const EditorText& before, EditorAction action,
                          const std::string& input);

// An edit of a cell ends with `text`. Returns whether it counts as a change
// of the run: in the score grid only a text that differs, in the rule grid
// every edit.
bool setExamCell(ExamPage& page, ExamGrid grid, int row, int column, const std::string& text);

// Where a grid's cursor goes: grid row from 1 (0: leave it), column, and
// whether the cell editor starts.
struct ExamCursor {
    int row = 0;
    int column = 0;
    bool startEditing = false;
};
struct ExamRowsChange {
    bool changed = false;  // a row was added or removed: the run is unsaved
    ExamCursor cursor;
};
// "增加": a row is appended (the score grid's first question prefilled, the
// row taken back while the previous section has no last question) and the
// cursor goes to its last-question cell (score grid) or its question-list
// cell (rule grid) in edit mode; past 10 rows a message refuses.
ExamRowsChange addExamRow(ExamPage& page, ExamGrid grid, Prompter& prompter);
// "删除": the current row (grid row from 1) is removed, the rows below move up;
// the cursor stays on the same row number, or the new last row.
ExamRowsChange deleteExamRow(ExamPage& page, ExamGrid grid, int currentRow, int currentColumn);

// The subject drop-down: names of the layout's subjects in table order.
std::vector<std::string> subjectItems(const CardTemplate& layout);
// The subjective-score drop-down and whether it (and its label) is enabled:
// only for layouts with a score field.
std::vector<std::string> subjectiveItems();
bool subjectiveChoiceEnabled(const CardTemplate& layout);

// The lines of the help memos beside the grids (Memo1, Memo2), an empty line
// between paragraphs.
const std::vector<std::string>& sectionHelpLines();
const std::vector<std::string>& ruleHelpLines();

}  // namespace tarvel
