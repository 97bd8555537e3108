#pragma once
// The student grid of the students page (SGridXS) as plain data: the rows of
// the group the page shows, the current cell, the stored student it matches,
// and what typing into a cell does. The window's table model shows and edits
// the grid only through these functions; the button operations that fill and
// empty it are in roster/rosterediting.h.
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "roster/celledit.h"
#include "roster/rostermodel.h"
#include "roster/xuesheng.h"

namespace tarvel {

enum StudentColumn : int {
    kRowNumberColumn = 0,
    kAdmissionColumn = 1,
    kNameColumn = 2,
    kGradeCodeColumn = 3,
    kClassCodeColumn = 4,
    kStudentColumnCount = 5
};
inline constexpr int kStudentColumnWidths[kStudentColumnCount] = {43, 175, 99, 105, 88};
inline constexpr int kStudentRowHeight = 24;

// What the grid reads from the page besides the store: the coding switches as
// their check boxes show them (the roster takes them only when the page is
// committed), the group shown, the prefix box and the admission length box.
struct GroupView {
    bool gradesEnabled = false;
    bool classesEnabled = false;
    bool gradeSelected = false;  // the grade selector has an item chosen
    std::string gradeCode;       // code of the roster's selected grade
    std::string classText;       // the class box
    std::string prefix;          // the prefix box ("准考证前几位")
    int admissionLength = 9;     // the admission length box (its default when empty)

    bool contains(const StudentEntry& s) const {
        return inGroup(s, gradesEnabled, gradeCode, classesEnabled, classText);
    }
    // Columns 3 and 4 of a row of this group.
    std::string rowGradeCode() const { return gradesEnabled ? gradeCode : std::string(); }
    std::string rowClassCode() const { return classesEnabled ? classText : std::string(); }
};
GroupView groupView(const RosterPage& page, const Roster& roster, bool gradeSelected);

struct StudentGrid {
    std::vector<StudentEntry> rows;  // data rows from 0
    int row = -1;                    // current cell; -1 while there are no rows
    int column = kAdmissionColumn;
    int storedRow = -1;              // index in the store of the current row's student, -1 if not stored
    std::string remembered;          // text of the current cell (columns 1, 2) when it was selected
};

// Where a page operation leaves things for the window.
enum class PageFocus { None, Grid, GradeSelector };
enum class SettingsLock { Keep, Lock, Unlock };
struct GridOutcome {
    bool changed = false;  // set the roster-modified flag, refresh "保存阅卷原始文件"
    PageFocus focus = PageFocus::None;
    bool openEditor = false;  // start the cell editor on the grid's current cell
    SettingsLock lock = SettingsLock::Keep;
};

// --- Showing the grid ---------------------------------------------------------

// Column headings: "" for column 0, "准考证号", "姓名", "年级编码", "班级编码".
std::string studentColumnHeading(int column);
// Column 0 holds the row number from 1.
std::string studentCellText(const StudentGrid& grid, int row, int column);
// Columns 1 and 2 are edited by the user; a click elsewhere selects the row.
bool studentCellEditable(int column);

// The index in the store of the student that grid row `row` stands for: same
// admission number, and same grade and class code where switched on; the
// first match in store order, -1 if it is not stored yet.
int findStoredRow(const Roster& roster, const GroupView& view, const StudentEntry& row);

// The current cell moves (mouse, keyboard, program): remembers the cell's
// text and looks its row up in the store. A row outside the grid makes no
// row current.
void selectStudentCell(StudentGrid& grid, const Roster& roster, const GroupView& view, int row, int column);

// The stored students of the group `view` shows, in store order; the current
// cell goes to column 1 of the last row.
void fillStudentGrid(StudentGrid& grid, const Roster& roster, const GroupView& view);

// A group change (grade or class selector, grade or class switch): the
// rows shown are merged into the store, then the grid shows `next`'s group.
// Refused, with the grid kept, when the rows cannot be stored.
RosterProblem changeGroup(StudentGrid& grid, Roster& roster, const GroupView& next, Prompter& prompter);

// --- Typing --------------------------------------------------------------------

// An action in the cell editor of an admission cell: digits and Backspace
// only, no digit beyond the admission length, and the prefix at the start of
// the cell protected. Delete, cut and paste are filtered the same way.
EditorChange editAdmissionCell(const GroupView& view, const EditorText& before, EditorAction action,
                               const std::string& input);

// After every change in the editor of the current admission cell: the row
// takes `editorText`; once it is complete, a number that another row holds
// gives "准考证号不能重复！" and the cell goes back to the prefix (returned as
// the editor's new text), otherwise the stored student takes the number.
std::optional<std::string> admissionTyped(StudentGrid& grid, Roster& roster, const GroupView& view,
                                          const std::string& editorText, Prompter& prompter);

// The editor of a cell in column 1 or 2 closes with `text`. A name that does
// not fit or a number that is not digits is refused with a message naming the
// row (the cell keeps its text and is opened again). A stored row's student
// takes the new admission number, so the store never keeps the old one.
GridOutcome finishStudentEdit(StudentGrid& grid, Roster& roster, int row, int column, const std::string& text,
                              Prompter& prompter);

// --- Checks ---------------------------------------------------------------------

// The roster check over the rows shown (before leaving the page, the deferred
// check on entering a group selector). On a refusal the grid takes the focus
// and the offending admission cell is opened.
bool checkShownGroup(StudentGrid& grid, const Roster& roster, const GroupView& view, Prompter& prompter,
                     GridOutcome& outcome);

}  // namespace tarvel
