#pragma once
// The grade/class group of the output page ("成绩输出") and the order of its
// students, shared by the score report and the statistics: the group filter
// over the roster, the summary memo `MNoReadName`, `PickNextStudent` and the
// grading record of each student. Output reads the run and changes none of it.
#include <string>
#include <vector>

#include "grading/gradinggrid.h"
#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"
#include "roster/xuesheng.h"

namespace tarvel {

// The run as output reads it. References, so that a worker thread can read a
// RunSnapshot that its caller keeps alive while the window goes on.
struct RunView {
    const Roster& roster;
    const ExamSettings& settings;
    const GradingRecords& records;
};

// A copy of the run for work off the user-interface thread.
struct RunSnapshot {
    Roster roster;
    ExamSettings settings;
    GradingRecords records;
    RunView view() const { return {roster, settings, records}; }
};

// The two group selectors of a box of the page (`NJSC`/`BJSC` or
// `NJTJ`/`BJTJ`) as the indices of their items, -1 for no selection; class
// item 0 is "所有班级". The items are gradeItems() and classItems().
GroupChoice outputGroup(const Roster& roster, int gradeIndex, int classIndex);

// The same from codes, as the command-line tools take them: a grade code
// ("" none chosen) and a class code or "ALL" ("" none chosen). False with a
// message when the roster has no such grade or class.
bool outputGroupFromCodes(const Roster& roster, const std::string& gradeCode, const std::string& classCode,
                          GroupChoice& out, std::string& message);

// How the group is named in titles and file names: the grade's name and the
// class ("01班", "所有班级"), each only where the roster uses it.
std::vector<std::string> groupNameParts(const Roster& roster, const GroupChoice& group);

// The group filter: grades off or the student's grade code equals the chosen
// grade's (no grade chosen matches nobody); classes off, "所有班级", no class
// chosen, or the student's class code equals the chosen item.
bool inOutputGroup(const Roster& roster, const GroupChoice& group, const StudentEntry& student);

// A student of the group (roster index) and its grading record: the first of
// records 1 onward with exactly the same admission number, -1 when absent.
struct GroupMember {
    int student = -1;
    int record = -1;
};
// Every student of the group in roster order.
std::vector<GroupMember> groupMembers(const RunView& run, const GroupChoice& group);

// The lines of `MNoReadName`: "学生人数：", "未阅卷学生人数：" and, when some
// are unread, "未阅卷学生名单：" with their names joined by "，". Empty while
// grades are on and no grade is chosen (there is no group yet), so the memo
// stays empty. The page calls it from `BJSCChange` and from `NJSCChange` when
// classes are off or a class is already chosen; with grades and classes off
// neither selector can change and the memo is never filled.
std::vector<std::string> ShowGroupSummary(const RunView& run, const GroupChoice& group);

// "以学号排序" / "以总成绩排序".
enum class ReportOrder { ByAdmission, ByTotal };

// The roster index of the next student of the report among `members` not yet
// `taken` (indexed by roster index), or -1 when none is left. By admission
// number: the lowest number (unsigned bytes, a proper prefix lower); by
// total: the highest total, absent students counting 0 and unreadable totals
// lowest. Equal keys keep roster order. Every member is picked exactly once,
// whatever its admission number.
int PickNextStudent(const RunView& run, const std::vector<GroupMember>& members, ReportOrder order,
                    const std::vector<bool>& taken);

// The group in the order repeated PickNextStudent calls give, in one sort
// (PickNextStudent alone is quadratic over a 5000-student report).
std::vector<GroupMember> reportOrder(const RunView& run, const GroupChoice& group, ReportOrder order);

}  // namespace tarvel
