#pragma once
// The student buttons of the students page: add one student, add a class of
// sequential admission numbers, paste a table or a column of names copied
// from a spreadsheet, delete one student, delete the shown group; and the
// page's Next button. Messages and questions go through the Prompter; each
// operation says where the focus goes and whether the coding settings lock.
// Nothing is ever cut to fit: a text too long for its stored field, or a
// student beyond the 5000 the store holds, refuses the whole operation with a
// message that names the row.
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "roster/studentfile.h"
#include "roster/studentgrid.h"

namespace tarvel {

inline constexpr const char* kFirstDataQuestion =
    "请先设置好其它选项，输入学生数据后其它选项将不能修改，是否要立即输入学生数据?";
inline constexpr int kMaxClassSize = 1000;

// The class size prompt ("请输入班级人数"); 0 when closed or left empty.
class ClassSizeDialog {
public:
    virtual ~ClassSizeDialog() = default;
    virtual int askClassSize() = 0;
};

// "确定" of the class size prompt over the text of its box: the size to close
// with, or the message "班级人数不能大于1000，请重新输入" (the box is emptied and
// the prompt stays open).
struct ClassSizeEntry {
    bool close = false;
    int size = 0;
    std::string message;
};
ClassSizeEntry checkClassSize(const std::string& boxText);

// The lines of a clipboard text as the hidden paste box holds them: split at
// CR LF, LF or CR; a final line break makes no extra line.
std::vector<std::string> clipboardLines(const std::string& text);

// "删除" is enabled exactly while the grid has data rows.
bool canDeleteStudent(const StudentGrid& grid);

// The buttons. `clipboard` is the clipboard's text, nullopt when it holds
// none. The store is `roster.students`; the grid rows reach it through the
// merge of a group change or a commit, deletions remove stored students at
// once.
GridOutcome addStudent(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter);
GridOutcome addClass(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter,
                     ClassSizeDialog& dialog);
GridOutcome pasteTable(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter,
                       const std::optional<std::string>& clipboard);
GridOutcome pasteNames(StudentGrid& grid, const GroupView& view, Prompter& prompter,
                       const std::optional<std::string>& clipboard);
GridOutcome deleteStudent(StudentGrid& grid, Roster& roster, const GroupView& view);
GridOutcome deleteGroup(StudentGrid& grid, Roster& roster, const GroupView& view, Prompter& prompter);

// "下一步 >" (BtnNext3): true when the wizard may go on to the exam page. A
// modified roster is offered for saving (Yes saves the student file, No only
// commits the page, Cancel stays); a save that did not happen (dialog
// cancelled, write failed) stays too, so the page is never left uncommitted.
// `page.studentRows` must hold the grid's rows.
bool leaveStudentsPage(StudentFileState& state, StudentGrid& grid, const RosterPage& page, const GroupView& view,
                       Prompter& prompter, FileDialogs& dialogs, GridOutcome& outcome, SaveOps* ops = nullptr);

}  // namespace tarvel
