#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <random>

#include "grading/scoring.h"
#include "output/scorereport.h"
#include "output/statisticsreport.h"

namespace tarvel {
namespace {

// A full run: 5000 students of one grade in 100 classes, every one graded on
// 200 questions (150 single choice, 50 multiple choice) with about one answer
// in ten wrong, so the question lists of the report are not empty.
const RunSnapshot& fullRun() {
    static const RunSnapshot run = [] {
        RunSnapshot r;
        r.roster.gradesEnabled = r.roster.classesEnabled = true;
        r.roster.grades = {{"2024级", "20241"}};
        ExamSettings& s = r.settings;
        s.examName = "期末";
        s.subjectName = "数学";
        s.sections[0] = {1, 150, 1.0f, kSingleChoice};
        s.sections[1] = {151, 200, 2.0f, kMultipleChoice};
        s.sectionCount = 2;
        for (int q = 1; q <= 200; ++q) {
            s.questions[q - 1] = q <= 150 ? QuestionRule{1.0f, kSingleChoice, 0, 0}
                                          : QuestionRule{2.0f, kMultipleChoice, 0.5f, kPartialPerOption};
        }
        s.questionCount = 200;
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

ReportRequest fullReport() { return {outputGroup(fullRun().roster, 0, 0), allReportItems(), ReportOrder::ByTotal, true}; }

std::string scratchPath(const char* name) { return "/tmp/tarvel-bench-" + std::to_string(::getpid()) + name; }

// One press of "输出" as a workbook: rows, sheet, the xlsx written.
void BM_ReportXlsx(benchmark::State& state) {
    const RunView run = fullRun().view();
    const ReportRequest request = fullReport();
    const std::string path = scratchPath(".xlsx");
    for (auto _ : state) {
        bool stopped = false;
        const std::string error = writeXlsxReport(path, run, request, reportRows(run, request), {}, stopped);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ReportXlsx)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The same as "Result.csv".
void BM_ReportCsv(benchmark::State& state) {
    const RunView run = fullRun().view();
    const ReportRequest request = fullReport();
    const std::string path = scratchPath(".csv");
    for (auto _ : state) {
        const std::string error = writeCsvReport(path, run.settings, request, reportRows(run, request));
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ReportCsv)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Every statistic (lists of questions 1-5 both ways) computed and written as
// a workbook with both charts.
void BM_StatisticsXlsx(benchmark::State& state) {
    const RunView run = fullRun().view();
    const StatisticsRequest request = everyStatistic(outputGroup(fullRun().roster, 0, 0), "1-5", "1-5");
    const std::string path = scratchPath("-stats.xlsx");
    for (auto _ : state) {
        const StatisticsResult result = ComputeStatistics(run, request);
        bool stopped = false;
        const std::string error =
            writeXlsxStatistics(path, statisticsTables(result.statistics, request), {}, stopped);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_StatisticsXlsx)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The largest lists there can be: every question, both ways, 5000 students
// (two sheets of 600 columns by 5000 rows).
void BM_StatisticsAllLists(benchmark::State& state) {
    const RunView run = fullRun().view();
    const StatisticsRequest request = everyStatistic(outputGroup(fullRun().roster, 0, 0), "1-200", "1-200");
    const std::string path = scratchPath("-lists.xlsx");
    for (auto _ : state) {
        const StatisticsResult result = ComputeStatistics(run, request);
        bool stopped = false;
        const std::string error =
            writeXlsxStatistics(path, statisticsTables(result.statistics, request), {}, stopped);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_StatisticsAllLists)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ComputeStatistics(benchmark::State& state) {
    const RunView run = fullRun().view();
    const StatisticsRequest request = everyStatistic(outputGroup(fullRun().roster, 0, 0), "1-5", "1-5");
    for (auto _ : state) benchmark::DoNotOptimize(ComputeStatistics(run, request).ok);
}
BENCHMARK(BM_ComputeStatistics)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel
