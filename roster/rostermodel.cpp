#include "roster/rostermodel.h"

#include <algorithm>
#include <unordered_map>

#include "roster/celledit.h"
#include "roster/recordtext.h"

namespace tarvel {
namespace {

bool allDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a digit text, or -1 when it is not one (or absurdly long).
int digitValue(const std::string& text) {
    if (!allDigits(text) || text.size() > 6) return -1;
    return std::stoi(text);
}

RosterProblem problemAt(std::string message, int row, int column) { return {std::move(message), row, column}; }

// The key under which the merge finds a row's stored student.
std::string storeKey(const StudentEntry& s, bool gradesEnabled, bool classesEnabled) {
    std::string key = s.admissionNumber;
    key += '\0';
    if (gradesEnabled) key += s.gradeCode;
    key += '\0';
    if (classesEnabled) key += s.classCode;
    return key;
}

// First stored index of every key, as the merge looks students up.
std::unordered_map<std::string, int> storeIndex(const std::vector<StudentEntry>& students, bool gradesEnabled,
                                                bool classesEnabled) {
    std::unordered_map<std::string, int> index;
    index.reserve(students.size() * 2);
    for (size_t i = 0; i < students.size(); ++i) {
        index.emplace(storeKey(students[i], gradesEnabled, classesEnabled), int(i));
    }
    return index;
}

RosterProblem gradeRowsProblem(const std::vector<GradeEntry>& rows) {
    if (rows.size() > size_t(kMaxGrades)) {
        return problemAt("年级最多只能设置" + std::to_string(kMaxGrades) + "个，请删除多余的年级。", kMaxGrades, 1);
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string e = fieldTextProblem(rows[i].name, kGradeNameWidth, "年级名称");
        if (!e.empty()) return problemAt(e, int(i), 1);
        e = fieldTextProblem(rows[i].code, kGradeCodeWidth, "年级编码");
        if (!e.empty()) return problemAt(e, int(i), 2);
    }
    return {};
}

}  // namespace

RosterProblem studentRowProblem(const StudentEntry& s, int row) {
    const std::string where = "第" + std::to_string(row + 1) + "行：";
    const struct {
        const std::string* text;
        size_t width;
        const char* what;
        int column;
    } fields[] = {{&s.admissionNumber, kAdmissionWidth, "准考证号", 1},
                  {&s.name, kStudentNameWidth, "姓名", 2},
                  {&s.gradeCode, kGradeCodeWidth, "年级编码", 3},
                  {&s.classCode, kClassCodeWidth, "班级编码", 4}};
    for (const auto& f : fields) {
        // Codes and numbers are ASCII digits: only a name needs the GBK look.
        if (f.column != 2 && f.text->size() < f.width &&
            std::all_of(f.text->begin(), f.text->end(), [](char c) { return c > 0 && c < 0x7f; })) {
            continue;
        }
        std::string e = fieldTextProblem(*f.text, f.width, f.what);
        if (!e.empty()) return problemAt(where + e, row, f.column);
    }
    return {};
}

RosterProblem storeFullProblem(int row) {
    return problemAt("第" + std::to_string(row + 1) + "行：学生名单最多只能有" + std::to_string(kMaxStudents) +
                         "名学生，从这一行起已经放不下。请删除多余的学生，或者另建一个学生信息文件。",
                     row, 1);
}

bool inGroup(const StudentEntry& s, bool gradesEnabled, const std::string& gradeCode, bool classesEnabled,
             const std::string& classCode) {
    return (!gradesEnabled || s.gradeCode == gradeCode) && (!classesEnabled || s.classCode == classCode);
}

bool inShownGroup(const Roster& roster, const StudentEntry& s, const std::string& classText) {
    return inGroup(s, roster.gradesEnabled, roster.selectedGrade.code, roster.classesEnabled, classText);
}

std::vector<int> studentsOfGroup(const Roster& roster, const std::string& classText) {
    std::vector<int> shown;
    for (size_t i = 0; i < roster.students.size(); ++i) {
        if (inShownGroup(roster, roster.students[i], classText)) shown.push_back(int(i));
    }
    return shown;
}

const StudentEntry* findStudent(const Roster& roster, const std::string& admissionNumber) {
    for (const StudentEntry& s : roster.students) {
        if (s.admissionNumber == admissionNumber) return &s;
    }
    return nullptr;
}

std::string gradeNameOf(const Roster& roster, const std::string& gradeCode) {
    for (const GradeEntry& g : roster.grades) {
        if (g.code == gradeCode) return g.name;
    }
    return {};
}

RosterProblem mergeStudentGrid(Roster& roster, const std::vector<StudentEntry>& rows) {
    return mergeStudentGrid(roster, rows, roster.gradesEnabled, roster.classesEnabled);
}

RosterProblem mergeStudentGrid(Roster& roster, const std::vector<StudentEntry>& rows, bool gradesEnabled,
                               bool classesEnabled) {
    for (size_t r = 0; r < rows.size(); ++r) {
        RosterProblem p = studentRowProblem(rows[r], int(r));
        if (!p.ok()) return p;
    }
    // Looked up by key rather than by walking the store per row: switching
    // the shown group of a full roster merges thousands of rows.
    std::unordered_map<std::string, int> index = storeIndex(roster.students, gradesEnabled, classesEnabled);
    std::vector<StudentEntry> merged = roster.students;
    for (size_t r = 0; r < rows.size(); ++r) {
        const StudentEntry& row = rows[r];
        auto [it, added] = index.emplace(storeKey(row, gradesEnabled, classesEnabled), int(merged.size()));
        if (!added) {
            merged[size_t(it->second)].name = row.name;
            continue;
        }
        if (merged.size() >= size_t(kMaxStudents)) return storeFullProblem(int(r));
        merged.push_back(row);
    }
    roster.students = std::move(merged);
    return {};
}

int rowsToAppend(const Roster& roster, const std::vector<StudentEntry>& rows, bool gradesEnabled,
                 bool classesEnabled) {
    std::unordered_map<std::string, int> index = storeIndex(roster.students, gradesEnabled, classesEnabled);
    int appended = 0;
    for (const StudentEntry& row : rows) {
        if (index.emplace(storeKey(row, gradesEnabled, classesEnabled), -1).second) ++appended;
    }
    return appended;
}

std::optional<std::string> updateAdmissionPrefix(const PrefixInputs& in) {
    std::string text;
    if (in.relationChecked && in.relationEnabled) {
        if (in.gradesEnabled && !in.gradeSelected) return std::nullopt;
        if (in.gradesEnabled) text = in.selectedGradeCode;
        if (in.classesEnabled && in.classText.empty()) return std::nullopt;
        if (in.classesEnabled) text += in.classText;
    }
    return text;
}

std::string defaultClassCode(int length) {
    switch (length) {
        case 1: return "1";
        case 2: return "01";
        case 3: return "001";
        default: return {};
    }
}

std::string classRangeLabel(bool classesEnabled, int length) {
    std::string range;
    if (classesEnabled) {
        switch (length) {
            case 1: range = "1-9"; break;
            case 2: range = "01-99，比如1班请输入01"; break;
            case 3: range = "001-999，比如1班请输入001，11班请输入011"; break;
            default: break;
        }
    }
    return "（范围" + range + "）";
}

ClassTextChange onClassTextChanged(const std::string& text, int classCodeLength) {
    ClassTextChange change;
    if (int(text.size()) != classCodeLength || !allDigits(text)) return change;
    if (digitValue(text) != 0) {
        change.groupChanged = true;
    } else {
        change.message = kRangeMessage;
        change.resetText = defaultClassCode(classCodeLength);
    }
    return change;
}

bool digitBoxAccepts(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool classCodeLengthBoxAccepts(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '1' && c <= '3'; });
}

int lengthFromBox(const std::string& text, int low, int high, int fallback) {
    int v = digitValue(text);
    return (v >= low && v <= high) ? v : fallback;
}

BoxCheck checkGradeCodeLengthBox(const std::string& text) {
    if (text.empty()) return {"年级编码长度不能为空！", true, ""};
    int v = digitValue(text);
    if (v < 1 || v > 10) return {"年级编码长度范围为1-10之间！", false, "5"};
    return {};
}

BoxCheck checkClassCodeLengthBox(const std::string& text) {
    if (text.empty()) return {"班级编码长度不能空！", true, ""};
    return {};
}

BoxCheck checkAdmissionLengthBox(const std::string& text) {
    if (text.empty()) return {"准考证长度不能空！", true, ""};
    int v = digitValue(text);
    if (v < 2 || v > 20) return {"准考证长度范围为2-20之间！", false, "9"};
    return {};
}

bool acceptGradeCodeKey(const std::string& cellText, bool hasSelection, char key, int gradeCodeLength) {
    return acceptDigitKey(cellText, hasSelection, key, gradeCodeLength);
}

bool gradeCodeRepeats(const std::vector<GradeEntry>& rows, int row, int gradeCodeLength) {
    if (row < 0 || row >= int(rows.size())) return false;
    const std::string& code = rows[row].code;
    if (int(code.size()) < gradeCodeLength) return false;
    for (int i = 0; i < int(rows.size()); ++i) {
        if (i != row && rows[i].code == code) return true;
    }
    return false;
}

int selectedGradeIndex(const Roster& roster) {
    for (size_t i = 0; i < roster.grades.size(); ++i) {
        if (roster.grades[i].code == roster.selectedGrade.code) return int(i);
    }
    return -1;
}

GradeSelector rebuildGradeSelector(const std::vector<GradeEntry>& rows, const std::string& selectedName) {
    GradeSelector selector;
    for (size_t i = 0; i < rows.size(); ++i) {
        selector.items.push_back(rows[i].name);
        if (selector.index < 0 && rows[i].name == selectedName) selector.index = int(i);
    }
    selector.clearPrefix = selector.index < 0;
    return selector;
}

GradeCheck checkGradeTable(const std::vector<GradeEntry>& rows, int gradeCodeLength) {
    GradeCheck check;
    if (rows.empty()) {
        check.problem.message = "如果选中启用年级，至少要设置一个有效年级信息才可以。";
        check.uncheckGrades = true;
        return check;
    }
    check.problem = gradeRowsProblem(rows);
    if (!check.problem.ok()) return check;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (int(rows[i].code.size()) != gradeCodeLength) {
            check.problem = problemAt("输入的年级编码的长度和设置的年级编码长度不符！", int(i), 2);
            return check;
        }
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = 0; j < rows.size(); ++j) {
            if (i == j) continue;
            if (rows[i].name == rows[j].name) {
                check.problem = problemAt("年级名称不能重复！", int(j), 1);
                return check;
            }
            if (rows[i].code == rows[j].code) {
                check.problem = problemAt("年级编码不能重复！", int(j), 2);
                return check;
            }
        }
    }
    return check;
}

bool checkStudentGrid(const std::vector<StudentEntry>& rows, int admissionLength, Prompter& prompter,
                      RosterProblem* problem) {
    RosterProblem found;
    std::string missingList;
    size_t missing = 0;
    for (size_t r = 0; r < rows.size() && found.ok(); ++r) {
        const StudentEntry& s = rows[r];
        if (int(s.admissionNumber.size()) != admissionLength) {
            found = problemAt("（学生：" + s.name + "）输入的准考证长度和设置的准考证长度不符合！", int(r), 1);
            break;
        }
        found = studentRowProblem(s, int(r));
        if (s.name.empty()) {
            ++missing;
            missingList += s.admissionNumber + " ";
        }
    }
    if (!found.ok()) {
        prompter.message(found.message);
        if (problem) *problem = found;
        return false;
    }
    if (missing == 0) return true;
    if (missing * 100 / rows.size() < 50) {
        Answer a = prompter.askOkCancel(
            "以下准考证号的学生姓名未输入：" + missingList +
            "建议输入所有学生姓名，以便阅卷时立即核对学生姓名和准卡证号是否对应。"
            "如果这些准卡证号的学生姓名有一些特殊原因目前没必要或无法输入的，请点 确定 继续。确定要继续吗？");
        return a == Answer::Ok;
    }
    prompter.message("请输入准考证号对应的学生姓名，以便阅卷时立即核对学生姓名和准卡证号是否对应。");
    return false;
}

SettingsLockView settingsLockView(bool locked, bool gradesEnabled, bool classesEnabled) {
    SettingsLockView v;
    if (locked) v.hint = "当前学生信息文件有些设置已经不能再修改。如有需要，请点击“新建学生信息文件”按钮";
    v.enableSwitches = !locked;
    v.enableGradeSettings = gradesEnabled && !locked;
    v.enableClassCodeLength = classesEnabled && !locked;
    return v;
}

RosterProblem commitRosterFromPage(Roster& roster, const RosterPage& page) {
    RosterProblem p = gradeRowsProblem(page.grades);
    if (!p.ok()) return p;
    std::string e = fieldTextProblem(page.classText, kClassCodeWidth, "班级编码");
    if (e.empty()) e = fieldTextProblem(page.admissionPrefix, kPrefixWidth, "准考证前几位");
    if (!e.empty()) return problemAt(e, -1, -1);

    Roster next = roster;
    next.gradesEnabled = page.gradesEnabled;
    next.gradeCodeLength = lengthFromBox(page.gradeCodeLengthText, 1, 10, 5);
    next.grades = page.grades;
    next.classesEnabled = page.classesEnabled;
    next.classCodeLength = lengthFromBox(page.classCodeLengthText, 1, 3, 2);
    next.selectedClassCode = page.classText;
    next.admissionLinked = page.admissionLinked;
    next.admissionLength = lengthFromBox(page.admissionLengthText, 2, 20, 9);
    next.admissionPrefix = page.admissionPrefix;
    p = mergeStudentGrid(next, page.studentRows);
    if (!p.ok()) return p;
    roster = std::move(next);
    return {};
}

}  // namespace tarvel
