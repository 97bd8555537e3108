#pragma once
// The largest run the program holds, for the output benchmarks and the
// output page's timing.
#include <cstdio>
#include <random>
#include <string>

#include "grading/scoring.h"
#include "output/reportgroup.h"

namespace tarvel {

// 200 questions: 150 single choice, 50 multiple choice with a per-option rule.
inline ExamSettings fullExamSettings() {
    ExamSettings s;
    s.sections[0] = {1, 150, 1.0f, kSingleChoice};
    s.sections[1] = {151, 200, 2.0f, kMultipleChoice};
    s.sectionCount = 2;
    for (int q = 1; q <= 200; ++q) {
        s.questions[q - 1] = q <= 150 ? QuestionRule{1.0f, kSingleChoice, 0, 0}
                                      : QuestionRule{2.0f, kMultipleChoice, 0.5f, kPartialPerOption};
    }
    s.questionCount = 200;
    return s;
}

// A full run: 5000 students of one grade in 100 classes, every one graded on
// 200 questions (150 single choice, 50 multiple choice) with about one answer
// in ten wrong, so the question lists of the report are not empty.
inline const RunSnapshot& fullRun() {
    static const RunSnapshot run = [] {
        RunSnapshot r;
        r.roster.gradesEnabled = r.roster.classesEnabled = true;
        r.roster.grades = {{"2024级", "20241"}};
        ExamSettings& s = r.settings;
        s = fullExamSettings();
        s.examName = "期末";
        s.subjectName = "数学";
        static const char* kSingle[] = {"A", "B", "C", "D"};
        static const char* kMultiple[] = {"AB", "BCD", "ACD", "AC"};
        std::mt19937 random(1);
        GradingRecord standard;
        for (int q = 0; q < 200; ++q) standard.answers[q].answer = q < 150 ? kSingle[q % 4] : kMultiple[q % 4];
        r.records.push_back(standard);
        for (int i = 0; i < kMaxStudents; ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "20241%02d%03d", i / 50, i % 50);
            r.roster.students.push_back({number, "学生" + std::to_string(i), "20241", number + 5});
            r.roster.students.back().classCode.resize(2);
            GradingRecord rec = standard;
            rec.admissionNumber = number;
            rec.name = r.roster.students.back().name;
            for (int q = 0; q < 200; ++q) {
                if (random() % 10 == 0) rec.answers[q].answer = q < 150 ? kSingle[random() % 4] : kMultiple[random() % 4];
            }
            r.records.push_back(rec);
        }
        r.records.resize(kMaxRecords);  // the array holds 5000 records, the standard answer included
        RecalculateScores(r.records, s);
        return r;
    }();
    return run;
}

}  // namespace tarvel
