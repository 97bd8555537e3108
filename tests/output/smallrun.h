#pragma once
// A small grading run whose every report value is worked out by hand: two
// grades, two classes, four questions in two sections, an absent student, a
// name that looks like a formula, a subjective score float32 cannot hold and
// an admission number at "99999999999999999999".
//
//   questions 1-2 single choice, 2 points; 3-4 multiple choice, 3 points,
//   1.5 for a missing option; standard answer A, B, AC, BD.
//   roster (grade 20241 unless said)            answers           total
//   0 202410101 王浩然  class 01                A  C  AC  B        6.5
//   1 202410102 赵梦瑶  class 01                absent
//   2 202410201 =SUM(1) class 02                A  B  ABC ""       4
//   3 99999999999999999999 刘洋 class 01        A  C  AC  D        6.5 + 0.1 subjective
//   4 202310101 孙七    grade 20231, class 01   B  B  AC  BD       8
#include "grading/scoring.h"
#include "output/reportgroup.h"

namespace tarvel::testing {

inline GradingRecord smallRecord(const StudentEntry& s, const std::string& gradeName,
                                 std::initializer_list<const char*> answers, float subjective = 0) {
    GradingRecord r;
    r.readCount = 1;
    r.admissionNumber = s.admissionNumber;
    r.name = s.name;
    r.gradeCode = s.gradeCode;
    r.gradeName = gradeName;
    r.classCode = s.classCode;
    r.subjectiveScore = subjective;
    int q = 0;
    for (const char* a : answers) r.answers[q++].answer = a;
    return r;
}

inline RunSnapshot smallRun() {
    RunSnapshot run;
    Roster& roster = run.roster;
    roster.gradesEnabled = true;
    roster.grades = {{"2024级", "20241"}, {"2023级", "20231"}};
    roster.classesEnabled = true;
    roster.admissionLength = 9;
    roster.students = {{"202410101", "王浩然", "20241", "01"},
                       {"202410102", "赵梦瑶", "20241", "01"},
                       {"202410201", "=SUM(1)", "20241", "02"},
                       {"99999999999999999999", "刘洋", "20241", "01"},
                       {"202310101", "孙七", "20231", "01"}};

    ExamSettings& s = run.settings;
    s.cardName = "DY标准50题A卷.dat";
    s.examName = "期中";
    s.subjectCode = "02";
    s.subjectName = "数学";
    s.hasSubjectiveScore = true;
    s.sections[0] = {1, 2, 2.0f, kSingleChoice};
    s.sections[1] = {3, 4, 3.0f, kMultipleChoice};
    s.sectionCount = 2;
    s.rules[0] = {"3-4", "1.5"};
    s.ruleCount = 1;
    s.questions[0] = s.questions[1] = {2.0f, kSingleChoice, 0, kPartialFixed};
    s.questions[2] = s.questions[3] = {3.0f, kMultipleChoice, 1.5f, kPartialFixed};
    s.questionCount = 4;

    GradingRecord standard;
    standard.readCount = 1;
    standard.admissionNumber = "         ";
    for (auto [q, a] : {std::pair{0, "A"}, {1, "B"}, {2, "AC"}, {3, "BD"}}) standard.answers[q].answer = a;
    const auto& st = roster.students;
    run.records = {standard,
                   smallRecord(st[0], "2024级", {"A", "C", "AC", "B"}),
                   smallRecord(st[2], "2024级", {"A", "B", "ABC", ""}),
                   smallRecord(st[3], "2024级", {"A", "C", "AC", "D"}, 0.1f),
                   smallRecord(st[4], "2023级", {"B", "B", "AC", "BD"})};
    RecalculateScores(run.records, s);
    return run;
}

// Grade 2024级 (index 0), all its classes.
inline GroupChoice smallGroup(const RunSnapshot& run) { return outputGroup(run.roster, 0, 0); }

}  // namespace tarvel::testing
