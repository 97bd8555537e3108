#include "roster/rosterediting.h"

#include <algorithm>

namespace tarvel {
namespace {

constexpr const char* kIllegalPaste = "非法粘贴";

bool allDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// `digits` left-padded with "0" to `width` characters (never cut).
std::string padded(const std::string& digits, int width) {
    return std::string(size_t(std::max(0, width - int(digits.size()))), '0') + digits;
}

int tailLength(const GroupView& view) { return view.admissionLength - int(view.prefix.size()); }

StudentEntry newRow(const GroupView& view, std::string admission, std::string name = {}) {
    return {std::move(admission), std::move(name), view.rowGradeCode(), view.rowClassCode()};
}

// The common checks of the buttons; each shows its message and says where
// the focus goes.
bool groupChosen(const GroupView& view, Prompter& prompter, GridOutcome& out) {
    if (view.gradesEnabled && !view.gradeSelected) {
        prompter.message("已启用年级，请先选择年级！");
        out.focus = PageFocus::GradeSelector;
        return false;
    }
    return true;
}

bool gridEmpty(const StudentGrid& grid, Prompter& prompter, GridOutcome& out) {
    if (!grid.rows.empty()) {
        prompter.message("请先删除学生名单列表框中已有的所有数据！");
        out.focus = PageFocus::Grid;
        return false;
    }
    return true;
}

// The first-data question when `ask` holds; false when it is declined.
bool firstDataAgreed(bool ask, Prompter& prompter) {
    return !ask || prompter.askYesNo(kFirstDataQuestion) == Answer::Yes;
}

bool hasText(const std::optional<std::string>& clipboard) {
    return clipboard && std::any_of(clipboard->begin(), clipboard->end(), [](char c) {
               return c != ' ' && c != '\t' && c != '\r' && c != '\n';
           });
}

// Whether `rows` may join the grid (`first` = the grid row of rows[0]): every
// text fits its field and the store keeps room for the new students.
bool rowsFit(const StudentGrid& grid, const Roster& roster, const GroupView& view,
             const std::vector<StudentEntry>& rows, int first, Prompter& prompter) {
    for (size_t i = 0; i < rows.size(); ++i) {
        RosterProblem p = studentRowProblem(rows[i], first + int(i));
        if (!p.ok()) {
            prompter.message(p.message);
            return false;
        }
    }
    std::vector<StudentEntry> all = grid.rows;
    all.insert(all.end(), rows.begin(), rows.end());
    const int room = kMaxStudents - int(roster.students.size());
    const int appended = rowsToAppend(roster, all, view.gradesEnabled, view.classesEnabled);
    if (appended > room) {
        // The rows are new students in order, so the first that does not fit
        // is the one after the room left.
        const int over = std::clamp(first + int(rows.size()) - (appended - room), first, first + int(rows.size()) - 1);
        prompter.message(storeFullProblem(over).message);
        return false;
    }
    return true;
}

// The grid takes `rows` made by a button; the cell (row 0, `column`) becomes
// current.
GridOutcome filled(StudentGrid& grid, const Roster& roster, const GroupView& view, std::vector<StudentEntry> rows,
                   int column, bool lock) {
    grid.rows = std::move(rows);
    selectStudentCell(grid, roster, view, 0, column);
    GridOutcome out;
    out.changed = true;
    out.focus = PageFocus::Grid;
    if (lock) out.lock = SettingsLock::Lock;
    return out;
}

}  // namespace

ClassSizeEntry checkClassSize(const std::string& boxText) {
    if (boxText.empty() || !allDigits(boxText) || boxText.size() > 4) return {true, 0, ""};
    const int size = std::stoi(boxText);
    if (size > kMaxClassSize) return {false, 0, "班级人数不能大于1000，请重新输入"};
    return {true, size, ""};
}

std::vector<std::string> clipboardLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

bool canDeleteStudent(const StudentGrid& grid) { return !grid.rows.empty(); }

GridOutcome addStudent(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter) {
    GridOutcome out;
    if (!groupChosen(view, prompter, out)) return out;
    const StudentEntry row = newRow(view, view.prefix);
    if (!rowsFit(grid, roster, view, {row}, int(grid.rows.size()), prompter)) return out;
    const bool first = roster.students.empty() && grid.rows.empty();
    if (!firstDataAgreed(first, prompter)) return out;
    grid.rows.push_back(row);
    selectStudentCell(grid, roster, view, int(grid.rows.size()) - 1, kAdmissionColumn);
    out.changed = true;
    out.focus = PageFocus::Grid;
    out.openEditor = true;
    if (first) out.lock = SettingsLock::Lock;
    return out;
}

GridOutcome addClass(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter,
                     ClassSizeDialog& dialog) {
    GridOutcome out;
    if (!groupChosen(view, prompter, out) || !gridEmpty(grid, prompter, out)) return out;
    const bool first = roster.students.empty();
    if (!firstDataAgreed(first, prompter)) return out;
    const int size = dialog.askClassSize();
    if (size <= 0 || size > kMaxClassSize) return out;

    std::vector<StudentEntry> rows;
    rows.reserve(size_t(size));
    for (int r = 1; r <= size; ++r) rows.push_back(newRow(view, view.prefix + padded(std::to_string(r), tailLength(view))));
    if (!rowsFit(grid, roster, view, rows, 0, prompter)) return out;
    out = filled(grid, roster, view, std::move(rows), kNameColumn, first);
    out.openEditor = true;
    return out;
}

GridOutcome pasteTable(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter,
                       const std::optional<std::string>& clipboard) {
    GridOutcome out;
    if (!groupChosen(view, prompter, out) || !gridEmpty(grid, prompter, out)) return out;
    const bool first = roster.students.empty();
    if (!firstDataAgreed(first, prompter)) return out;
    if (!hasText(clipboard)) {
        prompter.message(kIllegalPaste);
        return out;
    }

    const std::vector<std::string> lines = clipboardLines(*clipboard);
    std::vector<std::string> firstFields;
    firstFields.reserve(lines.size());
    size_t longest = 0;
    for (const std::string& line : lines) {
        firstFields.push_back(line.substr(0, line.find('\t')));
        longest = std::max(longest, firstFields.back().size());
    }
    // Fields no longer than the digits after the prefix are those digits;
    // any longer one means the lines hold whole admission numbers.
    const bool wholeNumbers = int(longest) > tailLength(view);

    std::vector<StudentEntry> rows;
    rows.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& number = firstFields[i];
        const std::string where = "第" + std::to_string(i + 1) + "行：";
        if (number.empty() || !allDigits(number)) {
            prompter.message(where + (number.empty() ? std::string("没有准考证号")
                                                     : "准考证号“" + number + "”不全是数字") +
                             "，请检查复制的数据。");
            return out;
        }
        std::string name;
        if (number.size() < lines[i].size()) {
            const size_t start = number.size() + 1;
            name = lines[i].substr(start, lines[i].find('\t', start) - start);
        }
        rows.push_back(newRow(view, wholeNumbers ? number : view.prefix + padded(number, tailLength(view)), name));
    }
    if (!rowsFit(grid, roster, view, rows, 0, prompter)) return out;
    return filled(grid, roster, view, std::move(rows), kAdmissionColumn, first);
}

GridOutcome pasteNames(StudentGrid& grid, const GroupView& view, Prompter& prompter,
                       const std::optional<std::string>& clipboard) {
    GridOutcome out;
    if (!groupChosen(view, prompter, out)) return out;
    if (!hasText(clipboard)) {
        prompter.message(kIllegalPaste);
        return out;
    }
    if (clipboard->find('\t') != std::string::npos) {
        prompter.message("只需复制姓名一列的数据，请重新复制！");
        return out;
    }
    const std::vector<std::string> names = clipboardLines(*clipboard);
    if (names.size() != grid.rows.size()) {
        prompter.message("复制的行数和现在列表中的行数不一致，请确保一致！");
        return out;
    }
    std::vector<StudentEntry> rows = grid.rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].name = names[i];
        RosterProblem p = studentRowProblem(rows[i], int(i));
        if (!p.ok()) {
            prompter.message(p.message);
            return out;
        }
    }
    grid.rows = std::move(rows);
    if (grid.row >= 0) grid.remembered = studentCellText(grid, grid.row, grid.column);
    out.changed = true;
    out.focus = PageFocus::Grid;
    return out;
}

GridOutcome deleteStudent(StudentGrid& grid, Roster& roster, const GroupView& view) {
    GridOutcome out;
    if (grid.row < 0 || grid.row >= int(grid.rows.size())) return out;
    // Looked up again rather than trusted from the last cell move, so that
    // nothing but the row's own student can ever be removed.
    const int stored = findStoredRow(roster, view, grid.rows[size_t(grid.row)]);
    if (stored >= 0) roster.students.erase(roster.students.begin() + stored);
    grid.rows.erase(grid.rows.begin() + grid.row);
    selectStudentCell(grid, roster, view, std::min(grid.row, int(grid.rows.size()) - 1), grid.column);
    out.changed = true;
    out.focus = PageFocus::Grid;
    if (roster.students.empty() && grid.rows.empty()) out.lock = SettingsLock::Unlock;
    return out;
}

GridOutcome deleteGroup(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter) {
    GridOutcome out;
    if (prompter.askYesNo("确定要删除学生名单列表框中的所有数据吗？") != Answer::Yes) return out;
    auto& store = roster.students;
    store.erase(std::remove_if(store.begin(), store.end(), [&](const StudentEntry& s) { return view.contains(s); }),
                store.end());
    grid.rows.clear();
    selectStudentCell(grid, roster, view, -1, kAdmissionColumn);
    out.changed = true;
    if (store.empty()) out.lock = SettingsLock::Unlock;
    return out;
}

bool leaveStudentsPage(StudentFileState& state, StudentGrid& grid, const RosterPage& page, const GroupView& view,
                       Prompter& prompter, FileDialogs& dialogs, GridOutcome& outcome, SaveOps* ops) {
    if (state.roster.students.empty() && grid.rows.empty()) {
        prompter.message("请先输入学生数据或打开学生信息文件！");
        return false;
    }
    if (!checkShownGroup(grid, state.roster, view, prompter, outcome)) return false;
    if (!state.modified) return true;
    RosterPage shown = page;
    shown.studentRows = grid.rows;
    switch (prompter.askYesNoCancel(
        "是否保存对当前学生信息文件的更改？（学生信息文件可以被用于以后的其他阅卷中，不需要重复输入）"
        "不管选是或否,本次阅卷都是使用修改后学生信息，修改后的学生信息将自动保存到原始阅卷文件中。")) {
        case Answer::Yes:
            return saveStudentFile(state, shown, prompter, dialogs, ops);
        case Answer::No: {
            RosterProblem problem = commitRosterFromPage(state.roster, shown);
            if (!problem.ok()) prompter.message(problem.message);
            return problem.ok();
        }
        default:
            return false;
    }
}

}  // namespace tarvel
