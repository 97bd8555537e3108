#include "output/reportgroup.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace tarvel {
namespace {

// The total a student sorts by: 0 without a record, and below every real
// total when the stored value is not a number (a damaged file must not lose
// the student from the report).
double totalKey(const RunView& run, const GroupMember& m) {
    if (m.record < 0) return 0.0;
    const float total = run.records[m.record].total;
    return std::isnan(total) ? -std::numeric_limits<double>::infinity() : double(total);
}

// Whether `a` goes strictly before `b`; members with equal keys keep their
// roster order (the caller's stable sort or first-found rule).
bool sortsBefore(const RunView& run, ReportOrder order, const GroupMember& a, const GroupMember& b) {
    if (order == ReportOrder::ByTotal) return totalKey(run, a) > totalKey(run, b);
    // std::string compares bytes as unsigned char, a proper prefix lower.
    return run.roster.students[a.student].admissionNumber < run.roster.students[b.student].admissionNumber;
}

}  // namespace

GroupChoice outputGroup(const Roster& roster, int gradeIndex, int classIndex) {
    GroupChoice choice;
    if (roster.gradesEnabled && gradeIndex >= 0 && gradeIndex < int(roster.grades.size())) {
        choice.gradeChosen = true;
        choice.gradeIndex = gradeIndex;
        choice.gradeCode = roster.grades[gradeIndex].code;
    }
    if (roster.classesEnabled) {
        const std::vector<std::string> items = classItems(roster);
        if (classIndex >= 0 && classIndex < int(items.size())) {
            choice.classIndex = classIndex;
            choice.classText = items[classIndex];
        }
    }
    return choice;
}

bool outputGroupFromCodes(const Roster& roster, const std::string& gradeCode, const std::string& classCode,
                          GroupChoice& out, std::string& message) {
    int gradeIndex = -1, classIndex = -1;
    if (!gradeCode.empty()) {
        auto it = std::find_if(roster.grades.begin(), roster.grades.end(),
                               [&](const GradeEntry& g) { return g.code == gradeCode; });
        if (!roster.gradesEnabled || it == roster.grades.end()) {
            message = "学生名单中没有年级编码：" + gradeCode;
            return false;
        }
        gradeIndex = int(it - roster.grades.begin());
    }
    if (!classCode.empty()) {
        const std::vector<std::string> items = classItems(roster);
        auto it = classCode == kAllClassesFilter ? items.begin() : std::find(items.begin() + 1, items.end(), classCode);
        if (!roster.classesEnabled || it == items.end()) {
            message = "学生名单中没有班级编码：" + classCode;
            return false;
        }
        classIndex = int(it - items.begin());
    }
    out = outputGroup(roster, gradeIndex, classIndex);
    return true;
}

std::vector<std::string> groupNameParts(const Roster& roster, const GroupChoice& group) {
    std::vector<std::string> parts;
    if (roster.gradesEnabled && group.gradeChosen) parts.push_back(roster.grades[group.gradeIndex].name);
    if (roster.classesEnabled && group.classIndex == 0) parts.push_back(group.classText);
    if (roster.classesEnabled && group.classIndex > 0) parts.push_back(group.classText + "班");
    return parts;
}

bool inOutputGroup(const Roster& roster, const GroupChoice& group, const StudentEntry& student) {
    const bool gradeOk = !roster.gradesEnabled || (group.gradeChosen && student.gradeCode == group.gradeCode);
    const bool classOk = !roster.classesEnabled || group.classIndex <= 0 || student.classCode == group.classText;
    return gradeOk && classOk;
}

std::vector<GroupMember> groupMembers(const RunView& run, const GroupChoice& group) {
    std::unordered_map<std::string, int> firstRecord;
    for (int i = 1; i < int(run.records.size()); ++i) firstRecord.emplace(run.records[i].admissionNumber, i);
    std::vector<GroupMember> members;
    for (int s = 0; s < int(run.roster.students.size()); ++s) {
        const StudentEntry& student = run.roster.students[s];
        if (!inOutputGroup(run.roster, group, student)) continue;
        auto it = firstRecord.find(student.admissionNumber);
        members.push_back({s, it == firstRecord.end() ? -1 : it->second});
    }
    return members;
}

std::vector<std::string> ShowGroupSummary(const RunView& run, const GroupChoice& group) {
    if (run.roster.gradesEnabled && !group.gradeChosen) return {};
    const std::vector<GroupMember> members = groupMembers(run, group);
    std::string unreadNames;
    int unread = 0;
    for (const GroupMember& m : members) {
        if (m.record >= 0) continue;
        ++unread;
        if (!unreadNames.empty()) unreadNames += "，";
        unreadNames += run.roster.students[m.student].name;
    }
    std::vector<std::string> lines{"学生人数：" + std::to_string(members.size()),
                                   "未阅卷学生人数：" + std::to_string(unread)};
    if (unread > 0) lines.push_back("未阅卷学生名单：" + unreadNames);
    return lines;
}

int PickNextStudent(const RunView& run, const std::vector<GroupMember>& members, ReportOrder order,
                    const std::vector<bool>& taken) {
    // The first untaken member starts as the best, not a sentinel key that
    // some admission number could sort at or above.
    const GroupMember* best = nullptr;
    for (const GroupMember& m : members) {
        if (m.student < int(taken.size()) && taken[m.student]) continue;
        if (!best || sortsBefore(run, order, m, *best)) best = &m;
    }
    return best ? best->student : -1;
}

std::vector<GroupMember> reportOrder(const RunView& run, const GroupChoice& group, ReportOrder order) {
    std::vector<GroupMember> members = groupMembers(run, group);
    std::stable_sort(members.begin(), members.end(),
                     [&](const GroupMember& a, const GroupMember& b) { return sortsBefore(run, order, a, b); });
    return members;
}

}  // namespace tarvel
