#pragma once
// An exam for grid tests: ten single-choice questions of 1 point, then two
// multiple-choice questions of 2.
#include "grading/kaoshi.h"

namespace tarvel::testing {

inline ExamSettings tenAndTwo() {
    ExamSettings s;
    s.sections[0] = {1, 10, 1.0f, kSingleChoice};
    s.sections[1] = {11, 12, 2.0f, kMultipleChoice};
    s.sectionCount = 2;
    for (int q = 1; q <= 10; ++q) s.questions[q - 1] = {1.0f, kSingleChoice, 0, 0};
    for (int q = 11; q <= 12; ++q) s.questions[q - 1] = {2.0f, kMultipleChoice, 0, 0};
    s.questionCount = 12;
    return s;
}

}  // namespace tarvel::testing
