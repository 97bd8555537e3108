#pragma once
// One exam graded on several stations: every station loaded the same roster
// of two classes (2024级, classes 01 and 02, admission numbers of 9 digits),
// set the same three single-choice questions of one point (standard answer
// A, B, C) and graded the cards of its class.
#include <string>
#include <utility>
#include <vector>

#include "gradingfile/rawfile.h"

namespace tarvel::testing {

inline RawFileContent stationRun(const std::string& classCode,
                                 const std::vector<std::pair<const char*, float>>& graded) {
    RawFileContent run;
    Roster& r = run.roster;
    r.gradesEnabled = r.classesEnabled = true;
    r.grades = {{"2024级", "20241"}};
    r.selectedGrade = r.grades[0];
    r.selectedClassCode = classCode;
    r.students = {{"202410101", "王浩然", "20241", "01"},
                  {"202410102", "赵梦瑶", "20241", "01"},
                  {"202410201", "胡昊然", "20241", "02"},
                  {"202410202", "李想", "20241", "02"}};

    ExamSettings& s = run.settings;
    s.cardName = "DY标准85题自动AB卷.dat";
    s.examName = "期中";
    s.subjectCode = "02";
    s.subjectName = "数学";
    s.sections[0] = {1, 3, 1.0f, kSingleChoice};
    s.sectionCount = 1;
    for (int q = 0; q < 3; ++q) s.questions[q] = {1.0f, kSingleChoice, 0, kPartialFixed};
    s.questionCount = 3;

    run.filter = {"20241", classCode};
    GradingRecord standard;
    standard.readCount = 1;
    standard.admissionNumber = std::string(9, ' ');
    for (int q = 0; q < 3; ++q) standard.answers[q].answer = std::string(1, char('A' + q));
    run.records.push_back(standard);
    for (const auto& [number, total] : graded) {
        GradingRecord g;
        g.readCount = 1;
        g.admissionNumber = number;
        for (const StudentEntry& student : r.students) {
            if (student.admissionNumber == number) g.name = student.name;
        }
        g.gradeCode = "20241";
        g.gradeName = "2024级";
        g.classCode = std::string(number).substr(5, 2);
        g.total = g.objectiveScore = total;
        run.records.push_back(g);
    }
    return run;
}

}  // namespace tarvel::testing
