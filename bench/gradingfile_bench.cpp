#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

#include "base/paths.h"
#include "gradingfile/gradingrun.h"
#include "gradingfile/merge.h"

namespace tarvel {
namespace {

// The largest run there can be: 5000 students, 5000 records of 200 answers.
GradingRun fullRun() {
    GradingRun run;
    Roster& roster = run.students.roster;
    roster.gradesEnabled = roster.classesEnabled = true;
    roster.grades = {{"2024级", "20241"}};
    for (int i = 0; i < kMaxStudents; ++i) {
        roster.students.push_back({std::to_string(202400000 + i), "学生" + std::to_string(i % 100), "20241",
                                   std::to_string(10 + i % 40)});
    }
    run.settings.examName = "期末";
    run.settings.subjectName = "数学";
    run.settings.questionCount = 200;
    static const char* kAnswers[] = {"A", "B", "C", "D", "AB", "BCD", "", "ACD"};
    run.records.resize(kMaxRecords);
    for (int i = 0; i < kMaxRecords; ++i) {
        GradingRecord& r = run.records[i];
        r.readCount = 1;
        r.admissionNumber = roster.students[i].admissionNumber;
        r.name = roster.students[i].name;
        r.total = float(i % 100);
        for (int q = 0; q < 200; ++q) r.answers[q] = {kAnswers[(i * 7 + q * 3) % 8], '0', 1.0f};
    }
    return run;
}

struct BenchFolder {
    std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("tarvel-bench-" + std::to_string(::getpid()));
    BenchFolder() { setProgramFolder(root.string()); }
    ~BenchFolder() {
        setProgramFolder("");
        std::filesystem::remove_all(root);
    }
};

// "保存阅卷原始文件" of a full run that was saved before: encoding into the
// temporary file, fsync and rename.
void BM_SaveRawFile(benchmark::State& state) {
    BenchFolder folder;
    GradingRun run = fullRun();
    const std::string path = rawFilePath(run.settings);
    if (!writeRawFile(run, path).empty()) state.SkipWithError("first save failed");
    for (auto _ : state) {
        run.records[1].readCount++;  // an unsaved change, as after a read
        std::string error = writeRawFile(run, path);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_SaveRawFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The encoding alone of a save after one change, in the pieces a save
// writes: with nothing to compare (the file is the run's clean encoding) and
// compared with the bytes of the file the run was opened from.
void BM_EncodeRawFile(benchmark::State& state) {
    GradingRun run = fullRun();
    std::vector<uint8_t> opened;
    if (state.range(0)) encodeRawFile(run.students.roster, run.settings, run.filter, run.records, {}, opened);
    size_t bytes = 0;
    for (auto _ : state) {
        run.records[1].readCount++;
        encodeRawFile(run.students.roster, run.settings, run.filter, run.records, opened,
                      [&](const uint8_t* piece, size_t size) {
                          benchmark::DoNotOptimize(piece);
                          bytes += size;
                          return true;
                      });
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_EncodeRawFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// "打开阅卷原始文件" of the same run: reading 13 MB and decoding every block.
void BM_OpenRawFile(benchmark::State& state) {
    BenchFolder folder;
    GradingRun saved = fullRun();
    const std::string path = rawFilePath(saved.settings);
    if (!writeRawFile(saved, path).empty()) state.SkipWithError("save failed");
    ScriptedPrompter prompter;
    GradingRun run;
    for (auto _ : state) {
        if (!openRawFile(run, path, prompter)) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(run.records.back().total);
    }
}
BENCHMARK(BM_OpenRawFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// "合并阅卷原始文件…" of a school at full size: ten stations that loaded the
// same roster of 5000 students and graded 500 cards each, read, merged and
// the merged run written.
void BM_MergeStations(benchmark::State& state) {
    BenchFolder folder;
    const GradingRun full = fullRun();
    std::vector<std::string> paths;
    for (int k = 0; k < 10; ++k) {
        GradingRun station;
        station.students = full.students;
        station.settings = full.settings;
        station.records.push_back(full.records[0]);
        for (int i = 1 + 500 * k; i < std::min(1 + 500 * (k + 1), kMaxRecords); ++i) {
            station.records.push_back(full.records[size_t(i)]);
        }
        paths.push_back((folder.root / ("station" + std::to_string(k) + ".yj")).string());
        if (!writeRawFile(station, paths.back()).empty()) state.SkipWithError("save failed");
    }
    const std::string out = (folder.root / "all.yj").string();
    for (auto _ : state) {
        MergeOutcome merged = mergeRawFiles(paths);
        if (merged.status != MergeOutcome::Merged) state.SkipWithError(merged.message.c_str());
        if (!writeMergedRun(merged.run, out).empty()) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_MergeStations)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace tarvel
