#include "roster/gradegrid.h"

#include <algorithm>

#include "roster/recordtext.h"

namespace tarvel {

std::string gradeColumnHeading(int column) {
    static const char* const headings[kGradeColumnCount] = {"", "年级名称", "年级编码"};
    return column >= 0 && column < kGradeColumnCount ? headings[column] : "";
}

std::string gradeCellText(const std::vector<GradeEntry>& rows, int row, int column) {
    if (row < 0 || row >= int(rows.size())) return {};
    switch (column) {
        case 0: return std::to_string(row + 1);
        case 1: return rows[size_t(row)].name;
        case 2: return rows[size_t(row)].code;
        default: return {};
    }
}

bool gradeCellEditable(int column) { return column == 1 || column == 2; }

EditorChange editGradeCodeCell(const EditorText& before, EditorAction action, const std::string& input,
                               int gradeCodeLength) {
    return editCell(before, action, input, [gradeCodeLength](const std::string& text, bool selected, char key) {
        return acceptGradeCodeKey(text, selected, key, gradeCodeLength);
    });
}

bool gradeCodeTyped(std::vector<GradeEntry>& rows, int row, const std::string& editorText, int gradeCodeLength,
                    Prompter& prompter) {
    if (row < 0 || row >= int(rows.size())) return false;
    rows[size_t(row)].code = editorText;
    if (!gradeCodeRepeats(rows, row, gradeCodeLength)) return false;
    prompter.message("年级编码不能重复！");
    rows[size_t(row)].code.clear();
    return true;
}

bool finishGradeEdit(std::vector<GradeEntry>& rows, int row, int column, const std::string& text,
                     Prompter& prompter) {
    if (row < 0 || row >= int(rows.size()) || !gradeCellEditable(column)) return false;
    const std::string problem = column == 1 ? fieldTextProblem(text, kGradeNameWidth, "年级名称")
                                            : fieldTextProblem(text, kGradeCodeWidth, "年级编码");
    if (!problem.empty()) {
        prompter.message("第" + std::to_string(row + 1) + "行：" + problem);
        return false;
    }
    (column == 1 ? rows[size_t(row)].name : rows[size_t(row)].code) = text;
    return true;
}

int addGradeRow(std::vector<GradeEntry>& rows, Prompter& prompter) {
    if (rows.size() >= size_t(kMaxGrades)) {
        prompter.message("年级最多只能设置" + std::to_string(kMaxGrades) + "个。");
        return -1;
    }
    rows.emplace_back();
    return int(rows.size()) - 1;
}

GradeSelector deleteGradeRow(std::vector<GradeEntry>& rows, int& currentRow, const std::string& selectedName) {
    if (currentRow >= 0 && currentRow < int(rows.size())) {
        rows.erase(rows.begin() + currentRow);
        currentRow = std::min(currentRow, int(rows.size()) - 1);
    }
    return rebuildGradeSelector(rows, selectedName);
}

}  // namespace tarvel
