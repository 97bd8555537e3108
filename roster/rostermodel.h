#pragma once
// The rules of the students page over plain data: group filter, look-up,
// merging the student grid into the store, the admission prefix, the class
// and grade coding rules, the roster check and the settings lock. The page
// widgets only show what these functions return.
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "roster/xuesheng.h"

namespace tarvel {

// A refusal to show: the message and the grid cell to open (data rows from 0,
// grid columns as on screen), or an empty message when all is well.
struct RosterProblem {
    std::string message;
    int row = -1;
    int column = -1;
    bool ok() const { return message.empty(); }
};

// --- Groups and look-up ---------------------------------------------------

// Whether a student belongs to a group: its grade code compared only while
// grades are on, its class code only while classes are on.
bool inGroup(const StudentEntry& student, bool gradesEnabled, const std::string& gradeCode, bool classesEnabled,
             const std::string& classCode);
// Whether a stored student belongs to the group the page shows (the selected
// grade and the text of the class box).
bool inShownGroup(const Roster& roster, const StudentEntry& student, const std::string& classText);
// Indices of the shown group's students in store order (the student grid).
std::vector<int> studentsOfGroup(const Roster& roster, const std::string& classText);

// First student whose admission number equals the text byte for byte.
const StudentEntry* findStudent(const Roster& roster, const std::string& admissionNumber);
// Name of the first grade with that code; "" when none has it.
std::string gradeNameOf(const Roster& roster, const std::string& gradeCode);

// Writes the grid rows of the shown group into the store: a row matching a
// stored student of its group (admission number, and grade/class code where
// enabled) renames it, any other row is appended. Refused as a whole, with
// nothing changed, when a text does not fit or the store would pass 5000.
// The grade and class switches are the roster's, or the page's check boxes
// while the page is being edited.
RosterProblem mergeStudentGrid(Roster& roster, const std::vector<StudentEntry>& rows);
RosterProblem mergeStudentGrid(Roster& roster, const std::vector<StudentEntry>& rows, bool gradesEnabled,
                               bool classesEnabled);
// How many of `rows` the merge would append as new students.
int rowsToAppend(const Roster& roster, const std::vector<StudentEntry>& rows, bool gradesEnabled,
                 bool classesEnabled);
// The refusal when a new student would be the 5001st; `row` is the grid row
// (from 0) that no longer fits.
RosterProblem storeFullProblem(int row);
// Why grid row `row` (from 0) cannot be stored, its number named in the
// message ("第3行：…"), with the cell to open; ok() when it fits.
RosterProblem studentRowProblem(const StudentEntry& student, int row);

// --- Admission prefix (relation rule) ---------------------------------------

struct PrefixInputs {
    bool relationChecked = false;
    bool relationEnabled = false;
    bool gradesEnabled = false;
    bool gradeSelected = false;
    std::string selectedGradeCode;
    bool classesEnabled = false;
    std::string classText;
};

// The new text of the prefix box, or nullopt when it stays as it is. The box
// is read-only exactly when the returned text is not empty.
std::optional<std::string> updateAdmissionPrefix(const PrefixInputs& in);

// --- Class coding ------------------------------------------------------------

inline constexpr const char* kRangeMessage = "请注意范围！";

// "1", "01", "001" for lengths 1 to 3; "" otherwise.
std::string defaultClassCode(int length);
// "（范围1-9）" ... for an enabled class box, "（范围）" otherwise.
std::string classRangeLabel(bool classesEnabled, int length);

struct ClassTextChange {
    bool groupChanged = false;  // run the group change
    std::string message;        // "请注意范围！" when the code is all zeros
    std::string resetText;      // the text the box gets back with the message
};
// A change of the class box: acts only at full length.
ClassTextChange onClassTextChanged(const std::string& text, int classCodeLength);

// --- Number boxes --------------------------------------------------------------

struct BoxCheck {
    std::string message;     // "" when the text is fine
    bool keepFocus = false;  // the focus returns to the box
    std::string resetText;   // new text of the box, "" when it keeps its text
    bool ok() const { return message.empty(); }
};
BoxCheck checkGradeCodeLengthBox(const std::string& text);  // 1 to 10, reset "5"
BoxCheck checkClassCodeLengthBox(const std::string& text);  // not empty
BoxCheck checkAdmissionLengthBox(const std::string& text);  // 2 to 20, reset "9"

// Whether a box may hold `text` while it is typed or pasted into:
// digits only (EdtNJCodeLen, EdtAdmissionLen, EdtAdmissionSub, EdtBJSelected
// and the class size box of the batch add), or 1 to 3 (EdtBJCodeLen).
bool digitBoxAccepts(const std::string& text);
bool classCodeLengthBoxAccepts(const std::string& text);

// Value of a number box; the field's default when the box is empty or not a
// number in range (a box can be empty when its value is read).
int lengthFromBox(const std::string& text, int low, int high, int fallback);

// --- Grades ------------------------------------------------------------------

// Whether a key typed into a grade-code cell is taken (digits and Backspace,
// and no digit beyond the code length unless text is selected). The cell
// editor applies it through editCell (roster/celledit.h).
bool acceptGradeCodeKey(const std::string& cellText, bool hasSelection, char key, int gradeCodeLength);
// True when the code of grade row `row`, once complete, repeats another row's
// code ("年级编码不能重复！", the cell is emptied).
bool gradeCodeRepeats(const std::vector<GradeEntry>& rows, int row, int gradeCodeLength);

// The grade selector when the page is filled: the grade whose code equals
// the selected grade's code, -1 for none.
int selectedGradeIndex(const Roster& roster);

// The grade selector rebuilt from the grade grid on entering it: items are
// the grid's names; the item named as before stays selected, else nothing is
// selected and the admission prefix is emptied.
struct GradeSelector {
    std::vector<std::string> items;
    int index = -1;
    bool clearPrefix = false;
};
GradeSelector rebuildGradeSelector(const std::vector<GradeEntry>& rows, const std::string& selectedName);

struct GradeCheck {
    RosterProblem problem;
    bool uncheckGrades = false;  // no grade row: grades are switched off
};
// The check run when the grade box is left while grades are on.
GradeCheck checkGradeTable(const std::vector<GradeEntry>& rows, int gradeCodeLength);

// --- Students ----------------------------------------------------------------

// The check before leaving the page: admission number lengths, then missing
// names (a question under 50 %, a refusal from 50 %). On false the grid takes
// the focus; `problem.row` is the row whose admission cell is to be opened.
bool checkStudentGrid(const std::vector<StudentEntry>& rows, int admissionLength, Prompter& prompter,
                      RosterProblem* problem = nullptr);

// --- Settings lock -------------------------------------------------------------

struct SettingsLockView {
    std::string hint;  // text of the hint label
    bool enableSwitches = true;         // grade and class check boxes, admission length
    bool enableGradeSettings = true;    // grade code length, grade grid and buttons
    bool enableClassCodeLength = true;  // class code length box and labels
};
SettingsLockView settingsLockView(bool locked, bool gradesEnabled, bool classesEnabled);

// --- Committing the page ---------------------------------------------------------

// The students page as plain data.
struct RosterPage {
    bool gradesEnabled = false;
    std::string gradeCodeLengthText;
    std::vector<GradeEntry> grades;
    bool classesEnabled = false;
    std::string classCodeLengthText;
    std::string classText;
    bool admissionLinked = true;
    std::string admissionLengthText;
    std::string admissionPrefix;
    std::vector<StudentEntry> studentRows;  // rows of the student grid
};

// Copies the page into the roster and merges the student grid. A grade table
// over 50 rows or a text that does not fit is refused before anything changes.
RosterProblem commitRosterFromPage(Roster& roster, const RosterPage& page);

}  // namespace tarvel
