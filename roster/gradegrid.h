#pragma once
// The grade grid of the students page (SGridNJ) over its rows: cell texts,
// which cells are edited, the code cell's editor, the repeat check while a
// code is typed, and the add and delete buttons. The check when the grade box
// is left is checkGradeTable (roster/rostermodel.h).
#include <string>
#include <vector>

#include "base/prompter.h"
#include "roster/celledit.h"
#include "roster/rostermodel.h"
#include "roster/xuesheng.h"

namespace tarvel {

inline constexpr int kGradeColumnCount = 3;
inline constexpr int kGradeColumnWidths[kGradeColumnCount] = {19, 90, 90};

// "", "年级名称", "年级编码"; column 0 holds the row number from 1.
std::string gradeColumnHeading(int column);
std::string gradeCellText(const std::vector<GradeEntry>& rows, int row, int column);
// The name (1) and the code (2) are edited; only the code is filtered.
bool gradeCellEditable(int column);

// An action in the editor of a code cell: digits and Backspace, no digit
// beyond the code length (the box's value, 5 while it is empty).
EditorChange editGradeCodeCell(const EditorText& before, EditorAction action, const std::string& input,
                               int gradeCodeLength);

// After every change in the editor of code cell `row`: the row takes the
// text; a complete code that another row holds gives "年级编码不能重复！" and
// the cell is emptied (true: the editor is emptied too).
bool gradeCodeTyped(std::vector<GradeEntry>& rows, int row, const std::string& editorText, int gradeCodeLength,
                    Prompter& prompter);

// The editor of a name or code cell closes with `text`: refused, with a
// message naming the row, when it does not fit its stored field (the cell
// keeps its text). True when the cell took the text.
bool finishGradeEdit(std::vector<GradeEntry>& rows, int row, int column, const std::string& text,
                     Prompter& prompter);

// "增加": an empty row is appended; returns it (the current cell goes to its
// column 1 and the grid takes the focus), or -1 with a message when the table
// holds its 50 grades already.
int addGradeRow(std::vector<GradeEntry>& rows, Prompter& prompter);
// "删除": the current row is removed (nothing without rows) and the grade
// selector is rebuilt as on entering it; the current row stays on the same
// number, or the new last row.
GradeSelector deleteGradeRow(std::vector<GradeEntry>& rows, int& currentRow, const std::string& selectedName);

}  // namespace tarvel
