#include <benchmark/benchmark.h>

#include "roster/rosterediting.h"

namespace tarvel {
namespace {

const char* const kSurnames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄"};
const char* const kGivenNames[] = {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军"};

std::string nameOf(int i) { return std::string(kSurnames[i % 8]) + kGivenNames[(i / 8) % 10] + kGivenNames[i % 10]; }

// Grade 2024 on, classes on: the page shows grade 20241, class `classCode`.
GroupView view(const std::string& classCode) {
    GroupView v;
    v.gradesEnabled = v.classesEnabled = v.gradeSelected = true;
    v.gradeCode = "20241";
    v.classText = classCode;
    v.prefix = "20241" + classCode;
    v.admissionLength = 9;
    return v;
}

Roster settingsOnly() {
    Roster r;
    r.gradesEnabled = r.classesEnabled = true;
    r.grades = {{"2024级", "20241"}};
    r.selectedGrade = r.grades[0];
    return r;
}

// A class list of 5000 students copied from a spreadsheet (number, name),
// then merged into the store as the next group change does.
void BM_PasteClassList5000(benchmark::State& state) {
    std::string clipboard;
    for (int i = 0; i < kMaxStudents; ++i) clipboard += std::to_string(202410000 + i) + "\t" + nameOf(i) + "\r\n";
    const GroupView v = view("01");
    for (auto _ : state) {
        Roster roster = settingsOnly();
        StudentGrid grid;
        ScriptedPrompter prompter;
        prompter.answerNext(Answer::Yes);
        pasteTable(grid, roster, v, prompter, clipboard);
        RosterProblem merged = mergeStudentGrid(roster, grid.rows, v.gradesEnabled, v.classesEnabled);
        if (!merged.ok() || roster.students.size() != size_t(kMaxStudents)) state.SkipWithError("paste failed");
    }
}
BENCHMARK(BM_PasteClassList5000)->Unit(benchmark::kMillisecond);

// Switching between two classes of a full roster: the class shown (students
// per class = 5000 / classes) is merged, the other one shown.
void BM_SwitchGroup5000(benchmark::State& state) {
    const int classes = int(state.range(0));
    Roster roster = settingsOnly();
    for (int i = 0; i < kMaxStudents; ++i) {
        const int c = i % classes + 1;
        std::string code = (c < 10 ? "0" : "") + std::to_string(c);
        roster.students.push_back({"20241" + code + std::to_string(100 + i / classes), nameOf(i), "20241", code});
    }
    const GroupView one = view("01"), two = view("02");
    StudentGrid grid;
    fillStudentGrid(grid, roster, one);
    DecliningPrompter prompter;
    bool showsOne = true;
    for (auto _ : state) {
        changeGroup(grid, roster, showsOne ? two : one, prompter);
        showsOne = !showsOne;
    }
    if (roster.students.size() != size_t(kMaxStudents)) state.SkipWithError("the store changed size");
}
BENCHMARK(BM_SwitchGroup5000)->Arg(2)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel
