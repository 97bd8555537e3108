#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>

#include "bench/fullrun.h"
#include "output/scorereport.h"
#include "output/statisticsreport.h"

namespace tarvel {
namespace {

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

// Computes and writes the statistics workbook of the full run with the
// given question lists on every iteration.
void writeStatistics(benchmark::State& state, const char* lists, const char* suffix) {
    const RunView run = fullRun().view();
    const StatisticsRequest request = everyStatistic(outputGroup(fullRun().roster, 0, 0), lists, lists);
    const std::string path = scratchPath(suffix);
    for (auto _ : state) {
        const StatisticsResult result = ComputeStatistics(run, request);
        bool stopped = false;
        const std::string error =
            writeXlsxStatistics(path, statisticsTables(result.statistics, request), {}, stopped);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
}

// Every statistic (lists of questions 1-5 both ways) computed and written as
// a workbook with both charts.
void BM_StatisticsXlsx(benchmark::State& state) { writeStatistics(state, "1-5", "-stats.xlsx"); }
BENCHMARK(BM_StatisticsXlsx)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The largest lists there can be: every question, both ways, 5000 students
// (two sheets of 600 columns by 5000 rows).
void BM_StatisticsAllLists(benchmark::State& state) { writeStatistics(state, "1-200", "-lists.xlsx"); }
BENCHMARK(BM_StatisticsAllLists)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ComputeStatistics(benchmark::State& state) {
    const RunView run = fullRun().view();
    const StatisticsRequest request = everyStatistic(outputGroup(fullRun().roster, 0, 0), "1-5", "1-5");
    for (auto _ : state) benchmark::DoNotOptimize(ComputeStatistics(run, request).ok);
}
BENCHMARK(BM_ComputeStatistics)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel
