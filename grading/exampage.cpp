#include "grading/exampage.h"

#include <algorithm>

namespace tarvel {
namespace {

// The text fields of a row, by grid column (1 onwards).
template <class Row>
auto sectionField(Row& r, int column) -> decltype(&r.first) {
    switch (column) {
        case 1: return &r.first;
        case 2: return &r.last;
        case 3: return &r.score;
        case 4: return &r.kind;
        default: return nullptr;
    }
}
template <class Row>
auto ruleField(Row& r, int column) -> decltype(&r.questions) {
    switch (column) {
        case 1: return &r.questions;
        case 2: return &r.partial;
        default: return nullptr;
    }
}

template <class Page>
auto cellOf(Page& page, ExamGrid grid, int row, int column) -> decltype(&page.examName) {
    if (row < 0 || row >= examRowCount(page, grid)) return nullptr;
    return grid == ExamGrid::Sections ? sectionField(page.sections[size_t(row)], column)
                                      : ruleField(page.rules[size_t(row)], column);
}

template <class Row>
ExamRowsChange deleteRow(std::vector<Row>& rows, int currentRow, int currentColumn) {
    ExamRowsChange change;
    if (currentRow < 1 || currentRow > int(rows.size())) return change;
    rows.erase(rows.begin() + (currentRow - 1));
    change.changed = true;
    change.cursor = {std::min(currentRow, int(rows.size())), currentColumn, false};
    return change;
}

}  // namespace

int examColumnCount(ExamGrid grid) { return grid == ExamGrid::Sections ? 5 : 3; }

int examRowCount(const ExamPage& page, ExamGrid grid) {
    return int(grid == ExamGrid::Sections ? page.sections.size() : page.rules.size());
}

std::string examColumnHeading(ExamGrid grid, int column) {
    static const char* const sections[] = {"大题", "起始题号", "终止题号", "分数", "单选或多选"};
    static const char* const rules[] = {"", "题号", "少选分"};
    if (column < 0 || column >= examColumnCount(grid)) return {};
    return grid == ExamGrid::Sections ? sections[column] : rules[column];
}

std::string examCellText(const ExamPage& page, ExamGrid grid, int row, int column) {
    if (row < 0 || row >= examRowCount(page, grid)) return {};
    if (column == 0) return std::to_string(row + 1);
    const std::string* text = cellOf(page, grid, row, column);
    return text ? *text : std::string();
}

ExamCellInput examCellInput(ExamGrid grid, int column) {
    if (column < 1 || column >= examColumnCount(grid)) return ExamCellInput::None;
    return grid == ExamGrid::Sections && column == 4 ? ExamCellInput::DropDown : ExamCellInput::Typed;
}

std::vector<std::string> sectionKindItems() { return {kSingleChoiceText, kMultipleChoiceText}; }

int sectionKindIndex(const std::string& cellText) {
    if (cellText == kSingleChoiceText) return 0;
    if (cellText == kMultipleChoiceText) return 1;
    return -1;
}

EditorChange editExamCell(ExamGrid grid, int column, const EditorText& before, EditorAction action,
                          const std::string& input) {
    // The grids' rules judge the cell's text alone; a typed key replacing a
    // selection is judged the same way.
    return editCell(before, action, input, [grid, column](const std::string& text, bool, char key) {
        return grid == ExamGrid::Sections ? AcceptSectionKey(column, text, key) : AcceptRuleKey(column, text, key);
    });
}

bool setExamCell(ExamPage& page, ExamGrid grid, int row, int column, const std::string& text) {
    std::string* cell = cellOf(page, grid, row, column);
    if (!cell) return false;
    const bool differs = *cell != text;
    *cell = text;
    return grid == ExamGrid::Rules || differs;
}

ExamRowsChange addExamRow(ExamPage& page, ExamGrid grid, Prompter& prompter) {
    ExamRowsChange change;
    std::string message;
    if (grid == ExamGrid::Sections) {
        change.changed = AddSectionRow(page.sections, message);
        // A row taken back leaves the cursor on the previous section's last
        // question, which has to be filled in first.
        change.cursor = {int(page.sections.size()), 2, true};
    } else {
        change.changed = AddRuleRow(page.rules, message);
        change.cursor = {int(page.rules.size()), 1, true};
    }
    if (!message.empty()) {
        prompter.message(message);
        change.cursor = {};
    }
    return change;
}

ExamRowsChange deleteExamRow(ExamPage& page, ExamGrid grid, int currentRow, int currentColumn) {
    return grid == ExamGrid::Sections ? deleteRow(page.sections, currentRow, currentColumn)
                                      : deleteRow(page.rules, currentRow, currentColumn);
}

std::vector<std::string> subjectItems(const CardTemplate& layout) {
    std::vector<std::string> items;
    for (int i = 0; i < std::clamp(layout.subjectCount, 0, kMaxSubjects); ++i) items.push_back(layout.subjects[i].name);
    return items;
}

std::vector<std::string> subjectiveItems() { return {"无主观题分", "有主观题分"}; }

bool subjectiveChoiceEnabled(const CardTemplate& layout) { return layout.scoreDigits != 0; }

const std::vector<std::string>& sectionHelpLines() {
    static const std::vector<std::string> lines = {
        "题分设置说明：",
        "",
        "1、各大题须依次设置，确保每个题目都在相应的大题中。",
        "",
        "2、分数：小数位数为1位",
        "",
        "3、示例：",
        "大题 起始题号 终止题号 分数 单选或多选",
        "1    1        10       1    单选题",
        "2    11       20       1.5  单选题",
        "3    21       40       2    单选题",
        "4    41       60       3    多选题",
    };
    return lines;
}

const std::vector<std::string>& ruleHelpLines() {
    static const std::vector<std::string> lines = {
        "多选题特殊规则设置说明",
        "",
        "只有少选也需要根据情况给分时才需要使用此设置",
        "",
        "1、只能设置多选题。",
        "",
        "2、题号填写：同一规则（同一行）里可以设置多个题号，题号",
        "中间用逗号“,”隔开，比如 1,2,3,4,5,11 另外，表示连续的",
        "题时可以使用“-”符号，所以也可以写成 1-5,11这样。注意",
        "：“,”和“-”符号为英文输入状态下的半角字符。",
        "",
        "3、少选分填写：少选时给分有两种情况，一种表示少选时直接",
        "给多少分，这时直接填入多少分，比如“1”，另一种表示少选",
        "时，每选对一个选项得多少分，这里应该在后面加个“/”，比",
        "如“0.5/”表示少选时每选对一个选项得0.5分",
    };
    return lines;
}

}  // namespace tarvel
