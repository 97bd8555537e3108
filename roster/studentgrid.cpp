#include "roster/studentgrid.h"

#include <algorithm>

namespace tarvel {
namespace {

bool validRow(const StudentGrid& grid, int row) { return row >= 0 && row < int(grid.rows.size()); }

// The field behind a grid column (none for the row number).
template <class Entry>
auto field(Entry& s, int column) -> decltype(&s.name) {
    switch (column) {
        case kAdmissionColumn: return &s.admissionNumber;
        case kNameColumn: return &s.name;
        case kGradeCodeColumn: return &s.gradeCode;
        case kClassCodeColumn: return &s.classCode;
        default: return nullptr;
    }
}

bool allDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

GroupView groupView(const RosterPage& page, const Roster& roster, bool gradeSelected) {
    GroupView v;
    v.gradesEnabled = page.gradesEnabled;
    v.classesEnabled = page.classesEnabled;
    v.gradeSelected = gradeSelected;
    v.gradeCode = roster.selectedGrade.code;
    v.classText = page.classText;
    v.prefix = page.admissionPrefix;
    v.admissionLength = lengthFromBox(page.admissionLengthText, 2, 20, 9);
    return v;
}

std::string studentColumnHeading(int column) {
    static const char* const headings[kStudentColumnCount] = {"", "准考证号", "姓名", "年级编码", "班级编码"};
    return column >= 0 && column < kStudentColumnCount ? headings[column] : "";
}

std::string studentCellText(const StudentGrid& grid, int row, int column) {
    if (!validRow(grid, row)) return {};
    if (column == kRowNumberColumn) return std::to_string(row + 1);
    const std::string* text = field(grid.rows[size_t(row)], column);
    return text ? *text : std::string();
}

bool studentCellEditable(int column) { return column == kAdmissionColumn || column == kNameColumn; }

int findStoredRow(const Roster& roster, const GroupView& view, const StudentEntry& row) {
    for (size_t i = 0; i < roster.students.size(); ++i) {
        const StudentEntry& s = roster.students[i];
        if (s.admissionNumber == row.admissionNumber &&
            inGroup(s, view.gradesEnabled, row.gradeCode, view.classesEnabled, row.classCode)) {
            return int(i);
        }
    }
    return -1;
}

void selectStudentCell(StudentGrid& grid, const Roster& roster, const GroupView& view, int row, int column) {
    if (!validRow(grid, row)) {
        grid.row = -1;
        grid.storedRow = -1;
        grid.remembered.clear();
        return;
    }
    grid.row = row;
    grid.column = std::clamp(column, 0, kStudentColumnCount - 1);
    grid.remembered = studentCellEditable(grid.column) ? studentCellText(grid, row, grid.column) : std::string();
    grid.storedRow = findStoredRow(roster, view, grid.rows[size_t(row)]);
}

void fillStudentGrid(StudentGrid& grid, const Roster& roster, const GroupView& view) {
    grid.rows.clear();
    for (const StudentEntry& s : roster.students) {
        if (view.contains(s)) grid.rows.push_back(s);
    }
    selectStudentCell(grid, roster, view, int(grid.rows.size()) - 1, kAdmissionColumn);
}

RosterProblem changeGroup(StudentGrid& grid, Roster& roster, const GroupView& next, Prompter& prompter) {
    RosterProblem problem = mergeStudentGrid(roster, grid.rows, next.gradesEnabled, next.classesEnabled);
    if (!problem.ok()) {
        prompter.message(problem.message);
        return problem;
    }
    fillStudentGrid(grid, roster, next);
    return {};
}

EditorChange editAdmissionCell(const GroupView& view, const EditorText& before, EditorAction action,
                               const std::string& input) {
    // Only a cell that begins with the prefix has one to protect: a number
    // pasted whole, or made under another prefix, stays editable throughout.
    const bool hasPrefix = before.text.compare(0, view.prefix.size(), view.prefix) == 0;
    const int length = view.admissionLength;
    return editCell(
        before, action, input,
        [length](const std::string& text, bool selected, char key) { return acceptDigitKey(text, selected, key, length); },
        hasPrefix ? int(view.prefix.size()) : 0);
}

std::optional<std::string> admissionTyped(StudentGrid& grid, Roster& roster, const GroupView& view,
                                          const std::string& editorText, Prompter& prompter) {
    if (!validRow(grid, grid.row)) return std::nullopt;
    StudentEntry& current = grid.rows[size_t(grid.row)];
    current.admissionNumber = editorText;
    if (int(editorText.size()) < view.admissionLength) return std::nullopt;
    for (size_t r = 0; r < grid.rows.size(); ++r) {
        if (int(r) != grid.row && grid.rows[r].admissionNumber == editorText) {
            prompter.message("准考证号不能重复！");
            current.admissionNumber = view.prefix;
            return view.prefix;
        }
    }
    if (grid.storedRow >= 0 && grid.storedRow < int(roster.students.size())) {
        roster.students[size_t(grid.storedRow)].admissionNumber = editorText;
    }
    return std::nullopt;
}

GridOutcome finishStudentEdit(StudentGrid& grid, Roster& roster, int row, int column, const std::string& text,
                              Prompter& prompter) {
    GridOutcome outcome;
    if (!validRow(grid, row) || !studentCellEditable(column)) return outcome;
    // Only the edited cell is judged: a fault elsewhere in the row must not
    // block fixing this one.
    StudentEntry probe;
    *field(probe, column) = text;
    RosterProblem problem = studentRowProblem(probe, row);
    if (problem.ok() && column == kAdmissionColumn && !allDigits(text)) {
        problem = {"第" + std::to_string(row + 1) + "行：准考证号只能由数字组成。", row, kAdmissionColumn};
    }
    if (!problem.ok()) {
        prompter.message(problem.message);
        outcome.focus = PageFocus::Grid;
        outcome.openEditor = true;
        return outcome;
    }
    const bool current = row == grid.row;
    std::string& cell = *field(grid.rows[size_t(row)], column);
    const std::string before = cell;
    cell = text;
    if (column == kAdmissionColumn && current && grid.storedRow >= 0 && grid.storedRow < int(roster.students.size())) {
        roster.students[size_t(grid.storedRow)].admissionNumber = text;
    }
    outcome.changed = text != (current ? grid.remembered : before);
    return outcome;
}

bool checkShownGroup(StudentGrid& grid, const Roster& roster, const GroupView& view, Prompter& prompter,
                     GridOutcome& outcome) {
    RosterProblem problem;
    if (checkStudentGrid(grid.rows, view.admissionLength, prompter, &problem)) return true;
    outcome.focus = PageFocus::Grid;
    if (problem.row >= 0) {
        selectStudentCell(grid, roster, view, problem.row, problem.column);
        outcome.openEditor = true;
    }
    return false;
}

}  // namespace tarvel
