#include <benchmark/benchmark.h>

#include "bench/fullrun.h"
#include "grading/scoring.h"
#include "roster/rostermodel.h"

namespace tarvel {
namespace {

void BM_RecalculateScores(benchmark::State& state) {
    const ExamSettings settings = fullExamSettings();
    static const char* kAnswers[] = {"A", "B", "C", "D", "AB", "BCD", "", "ACD"};
    GradingRecords records(kMaxRecords);
    for (int i = 0; i < kMaxRecords; ++i) {
        for (int q = 0; q < 200; ++q) records[i].answers[q].answer = kAnswers[(i * 7 + q * 3) % 8];
    }
    for (auto _ : state) {
        RecalculateScores(records, settings);
        benchmark::DoNotOptimize(records[kMaxRecords - 1].total);
    }
}
BENCHMARK(BM_RecalculateScores)->Unit(benchmark::kMillisecond);

void BM_FindStudent(benchmark::State& state) {
    Roster roster;
    for (int i = 0; i < kMaxStudents; ++i) {
        roster.students.push_back({std::to_string(200900000 + i), "学生", "", ""});
    }
    // The last student: the longest search a card can cause.
    const std::string wanted = std::to_string(200900000 + kMaxStudents - 1);
    for (auto _ : state) benchmark::DoNotOptimize(findStudent(roster, wanted));
}
BENCHMARK(BM_FindStudent)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvel
