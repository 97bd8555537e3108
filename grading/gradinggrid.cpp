#include "grading/gradinggrid.h"

#include <algorithm>

#include "base/floattext.h"
#include "base/gbk.h"
#include "grading/scoring.h"
#include "roster/recordtext.h"

namespace tarvel {

std::string encodeGradingFilter(const GradingFilter& filter, uint8_t* bytes) {
    FieldWriter w;
    w.raw(bytes, kGradeCodeWidth, filter.gradeCode, "年级编码");
    w.raw(bytes + kGradeCodeWidth, kClassCodeWidth, filter.classCode, "班级编码");
    return w.error();
}

void decodeGradingFilter(const uint8_t* bytes, GradingFilter& out) {
    out.gradeCode = readRawField(bytes, kGradeCodeWidth);
    out.classCode = readRawField(bytes + kGradeCodeWidth, kClassCodeWidth);
}

std::vector<std::string> gradeItems(const Roster& roster) {
    std::vector<std::string> items;
    for (const GradeEntry& g : roster.grades) items.push_back(g.name);
    return items;
}

std::vector<std::string> classItems(const Roster& roster) {
    std::vector<std::string> items{kAllClassesItem};
    for (const StudentEntry& s : roster.students) {
        if (s.classCode.empty()) continue;
        if (std::find(items.begin() + 1, items.end(), s.classCode) == items.end()) items.push_back(s.classCode);
    }
    return items;
}

GroupChoice choiceFromFilter(const Roster& roster, const GradingFilter& filter) {
    GroupChoice choice;
    if (roster.gradesEnabled) {
        for (size_t i = 0; i < roster.grades.size(); ++i) {
            if (roster.grades[i].code == filter.gradeCode) {
                choice.gradeChosen = true;
                choice.gradeIndex = int(i);
                choice.gradeCode = roster.grades[i].code;
                break;
            }
        }
    }
    if (roster.classesEnabled) {
        std::vector<std::string> items = classItems(roster);
        if (filter.classCode == kAllClassesFilter) {
            choice.classIndex = 0;
            choice.classText = items[0];
        } else {
            auto it = std::find(items.begin() + 1, items.end(), filter.classCode);
            if (it != items.end()) {
                choice.classIndex = int(it - items.begin());
                choice.classText = *it;
            }
        }
    }
    return choice;
}

void chooseGrade(const Roster& roster, int index, GradingFilter& filter) {
    if (index >= 0 && index < int(roster.grades.size())) filter.gradeCode = roster.grades[index].code;
}

void chooseClass(const Roster& roster, int index, GradingFilter& filter) {
    std::vector<std::string> items = classItems(roster);
    if (index == 0) {
        filter.classCode = kAllClassesFilter;
    } else if (index > 0 && index < int(items.size())) {
        filter.classCode = items[index];
    }
}

bool recordShown(const Roster& roster, const GroupChoice& choice, const GradingRecords& records, int index) {
    if (index == 0) return true;
    const GradingRecord& r = records[index];
    bool gradeOk = !roster.gradesEnabled || (choice.gradeChosen && r.gradeCode == choice.gradeCode);
    bool classOk = !roster.classesEnabled || choice.classIndex == 0 ||
                   (choice.classIndex > 0 && r.classCode == choice.classText);
    return gradeOk && classOk;
}

std::vector<int> shownRecords(const Roster& roster, const GroupChoice& choice, const GradingRecords& records) {
    std::vector<int> shown;
    for (int i = 0; i < int(records.size()); ++i) {
        if (recordShown(roster, choice, records, i)) shown.push_back(i);
    }
    return shown;
}

int gridRowOf(const GradingRecords& records, const std::vector<int>& shown, const std::string& admissionNumber) {
    for (size_t row = 0; row < shown.size(); ++row) {
        if (records[shown[row]].admissionNumber == admissionNumber) return int(row) + 1;
    }
    return 0;
}

std::vector<std::string> gridHeaders(const ExamSettings& settings) {
    std::vector<std::string> headers{"",       "阅卷状态", "AB卷",     "准考证号", "姓名", "年级", "班级",
                                     "总得分", "主观题分", "选择题分", "多选",     "少选", "错选"};
    for (int q = 1; q <= std::clamp(settings.questionCount, 0, kMaxExamQuestions); ++q) {
        headers.push_back(std::to_string(q));
    }
    return headers;
}

std::vector<int> questionColumnWidths(const ExamSettings& settings) {
    std::vector<int> widths;
    for (int q = 1; q <= std::clamp(settings.questionCount, 0, kMaxExamQuestions); ++q) {
        widths.push_back(settings.question(q).kind == kMultipleChoice ? 30 : 20);
    }
    return widths;
}

std::vector<std::string> gridRowTexts(const GradingRecord& r, int gridRow, const ExamSettings& settings) {
    std::vector<std::string> cells;
    const int columns = kFirstQuestionColumn + std::clamp(settings.questionCount, 0, kMaxExamQuestions);
    for (int c = 0; c < columns; ++c) cells.push_back(gridCellText(r, gridRow, c, settings));
    return cells;
}

std::string gridCellText(const GradingRecord& r, int gridRow, int column, const ExamSettings& settings) {
    switch (column) {
        case 0: return gridRow >= 2 ? std::to_string(gridRow - 1) : std::string();
        case 1: return "已阅" + std::to_string(r.readCount) + "次";
        case 2: return r.paperType == 0 ? "A" : "B";
        case 3: return r.admissionNumber;
        case 4: return gridRow == 1 ? std::string(kStandardAnswerName) : r.name;
        case 5: return r.gradeName;
        case 6: return r.classCode;
        case 7: return floatToText(r.total);
        case 8: return floatToText(r.subjectiveScore);
        case 9: return floatToText(r.objectiveScore);
        case 10: return std::to_string(r.extraCount);
        case 11: return std::to_string(r.missingCount);
        case 12: return std::to_string(r.wrongCount);
        default: break;
    }
    const int q = column - kFirstQuestionColumn + 1;
    if (q < 1 || q > std::clamp(settings.questionCount, 0, kMaxExamQuestions)) return {};
    return r.answer(q).str();
}

bool markedAsDifferent(const GradingRecord& record, const GradingRecord& standard, int q) {
    return !standard.answer(q).empty() && record.answer(q) != standard.answer(q);
}

bool deleteOneEnabled(int dataRows, int currentGridRow, int recordCount) {
    if (dataRows == 1) return recordCount > 0;
    return currentGridRow > 1;
}

namespace {

void removeAt(GradingRecords& records, int index) { records.erase(records.begin() + index); }

}  // namespace

bool deleteRecord(GradingRecords& records, const std::string& admissionNumber, Prompter& prompter) {
    int index = findRecord(records, admissionNumber);
    if (index < 0) return false;
    if (index == 0 && records.size() > 1) {
        prompter.message(
            "还有学生的阅卷记录时不能删除标准答案，否则第一个学生的答题卡会被当作标准答案。"
            "如需修改标准答案，请直接在列表第一行中修改；如确实要删除标准答案，请先删除所有学生的阅卷记录。");
        return false;
    }
    removeAt(records, index);
    return true;
}

bool deleteShownRecords(GradingRecords& records, const Roster& roster, const GroupChoice& choice,
                        Prompter& prompter) {
    if (records.empty()) return false;
    if (prompter.askYesNo("确定要删除本列表中所有阅卷记录吗？（请仔细考虑清楚）") != Answer::Yes) return false;
    if (prompter.askOkCancel("本列表中所有阅卷记录删除后将无法恢复，确定要删除吗？") != Answer::Ok) return false;
    for (int i = int(records.size()) - 1; i >= 1; --i) {
        if (recordShown(roster, choice, records, i)) removeAt(records, i);
    }
    return true;
}

bool standardAnswerCellEditable(int gridRow, int column, int recordCount) {
    return gridRow == 1 && column >= kFirstQuestionColumn && recordCount > 0;
}

bool isAnswerText(const std::string& text, bool multiple) {
    if (text.size() > (multiple ? 4u : 1u)) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < 'A' || text[i] > 'D') return false;
        if (i > 0 && text[i] <= text[i - 1]) return false;
    }
    return true;
}

std::optional<CellEdit> filterStandardAnswerKey(const std::string& text, int selStart, int selLength, char key,
                                                bool multiple) {
    const int size = int(text.size());
    selStart = std::clamp(selStart, 0, size);
    selLength = std::clamp(selLength, 0, size - selStart);
    CellEdit edit;
    if (key == '\b') {
        if (selLength > 0) {
            edit.text = text.substr(0, selStart) + text.substr(selStart + selLength);
            edit.caret = selStart;
        } else if (selStart > 0) {
            edit.text = text.substr(0, selStart - 1) + text.substr(selStart);
            edit.caret = selStart - 1;
        } else {
            edit.text = text;
        }
        return edit;
    }
    if (key >= 'a' && key <= 'd') key = char(key - 'a' + 'A');
    if (key < 'A' || key > 'D') return std::nullopt;
    edit.text = text.substr(0, selStart) + key + text.substr(selStart + selLength);
    edit.caret = selStart + 1;
    if (!isAnswerText(edit.text, multiple)) return std::nullopt;
    return edit;
}

bool setStandardAnswer(GradingRecords& records, int q, const std::string& text, const std::string& rememberedText,
                       bool multiple, bool& edited) {
    if (records.empty() || q < 1 || q > kMaxExamQuestions || !isAnswerText(text, multiple)) return false;
    records[0].answers[q - 1].answer = AnswerText(text);
    if (records.size() > 1 && text != rememberedText) edited = true;
    return true;
}

void refreshScores(GradingRecords& records, const ExamSettings& settings, bool& edited) {
    RecalculateScores(records, settings);
    edited = false;
}

}  // namespace tarvel
