#include "gradingfile/merge.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "base/floattext.h"

namespace tarvel {
namespace {

constexpr const char* kCannotMerge = "无法合并：";

std::string quoted(const std::string& text) { return "“" + text + "”"; }
std::string yesNo(bool value) { return value ? "是" : "否"; }
std::string kindText(int32_t kind) { return kind == kMultipleChoice ? "多选题" : "单选题"; }

std::string sectionText(const ScoreSection& s) {
    return std::to_string(s.first) + "-" + std::to_string(s.last) + "题 每题" + floatToText(s.score) + "分 " +
           kindText(s.kind);
}

std::string questionText(const QuestionRule& q) {
    return "满分" + floatToText(q.fullScore) + " " + kindText(q.kind) + " 部分得分" + floatToText(q.partialValue) +
           (q.partialMode == kPartialPerOption ? "（每个正确选项）" : "");
}

std::string answerText(const AnswerText& a) { return a.empty() ? "（空）" : a.str(); }

// Collects the first difference between two files, each value shown as the
// file holds it.
class Differences {
public:
    Differences(const std::string& nameA, const std::string& nameB) : a_(nameA), b_(nameB) {}
    template <class T, class Show>
    void check(const std::string& what, const T& va, const T& vb, Show show) {
        if (first_.empty() && !(va == vb)) {
            first_ = kCannotMerge + what + "不同——" + a_ + "：" + show(va) + "；" + b_ + "：" + show(vb) + "。";
        }
    }
    void text(const std::string& what, const std::string& va, const std::string& vb) { check(what, va, vb, quoted); }
    void number(const std::string& what, int32_t va, int32_t vb) {
        check(what, va, vb, [](int32_t v) { return std::to_string(v); });
    }
    void flag(const std::string& what, bool va, bool vb) { check(what, va, vb, yesNo); }
    const std::string& first() const { return first_; }
    bool found() const { return !first_.empty(); }

private:
    std::string a_, b_, first_;
};

std::string groupKey(const Roster& roster, const StudentEntry& s) {
    return (roster.gradesEnabled ? s.gradeCode : std::string()) + '\n' +
           (roster.classesEnabled ? s.classCode : std::string()) + '\n' + s.admissionNumber;
}

std::string groupText(const Roster& roster, const StudentEntry& s) {
    std::string text;
    if (roster.gradesEnabled) text += "年级" + s.gradeCode + " ";
    if (roster.classesEnabled) text += "班级" + s.classCode + " ";
    return text + s.name;
}

std::string recordText(const GradingRecord& r) { return r.name + " " + floatToText(r.total) + "分"; }

// How many distinct keys of items[from..] `known` does not hold yet.
template <class Items, class Key>
size_t newKeys(const Items& items, size_t from, const std::unordered_map<std::string, int>& known, Key key) {
    std::unordered_set<std::string> fresh;
    for (size_t i = from; i < items.size(); ++i) {
        std::string k = key(items[i]);
        if (!known.count(k)) fresh.insert(std::move(k));
    }
    return fresh.size();
}

}  // namespace

std::string conflictText(const MergeConflict& c) {
    std::string text;
    switch (c.kind) {
    case MergeConflict::GradeName: text = "年级名称不一致：年级编码" + c.key; break;
    case MergeConflict::StudentName: text = "学生姓名不一致：准考证号" + c.key; break;
    case MergeConflict::StudentGroup: text = "准考证号重复：" + c.key + "在不同的年级或班级中"; break;
    case MergeConflict::GradedTwice: text = "重复阅卷：准考证号" + c.key; break;
    }
    text += "——";
    for (size_t i = 0; i < c.entries.size(); ++i) {
        text += (i ? "；" : "") + c.entries[i].file + "：" + c.entries[i].value;
    }
    const std::string& last = c.entries.empty() ? std::string() : c.entries.back().file;
    switch (c.kind) {
    case MergeConflict::GradeName:
    case MergeConflict::StudentName: return text + "。采用" + last + "的。";
    case MergeConflict::StudentGroup: return text + "。都保留。";
    case MergeConflict::GradedTwice: return text + "。采用" + last + "的阅卷记录。";
    }
    return text;
}

std::string mergeDifference(const std::string& nameA, const RawFileContent& a, const std::string& nameB,
                            const RawFileContent& b) {
    Differences d(nameA, nameB);
    const ExamSettings& x = a.settings;
    const ExamSettings& y = b.settings;
    d.text("答题卡", x.cardName, y.cardName);
    d.text("考试名称", x.examName, y.examName);
    d.text("科目编码", x.subjectCode, y.subjectCode);
    d.text("科目名称", x.subjectName, y.subjectName);
    d.flag("有无主观题分", x.hasSubjectiveScore, y.hasSubjectiveScore);
    d.number("大题数", x.sectionCount, y.sectionCount);
    for (int k = 0; k < x.sectionCount && k < kMaxSections && !d.found(); ++k) {
        d.check("第" + std::to_string(k + 1) + "大题", x.sections[k], y.sections[k], sectionText);
    }
    d.number("多选题特殊规则条数", x.ruleCount, y.ruleCount);
    for (int k = 0; k < x.ruleCount && k < kMaxRules && !d.found(); ++k) {
        const std::string what = "多选题特殊规则第" + std::to_string(k + 1) + "条";
        d.text(what + "的题号", x.rules[k].questionList, y.rules[k].questionList);
        d.text(what + "的得分", x.rules[k].partialScore, y.rules[k].partialScore);
    }
    d.number("题目数", x.questionCount, y.questionCount);
    const int questions = std::min(x.questionCount, kMaxExamQuestions);
    for (int q = 1; q <= questions && !d.found(); ++q) {
        d.check("第" + std::to_string(q) + "题的分值", x.question(q), y.question(q), questionText);
    }

    const Roster& r = a.roster;
    const Roster& s = b.roster;
    d.flag("学生名单的“启用年级”", r.gradesEnabled, s.gradesEnabled);
    d.number("年级编码长度", r.gradeCodeLength, s.gradeCodeLength);
    d.flag("学生名单的“启用班级”", r.classesEnabled, s.classesEnabled);
    d.number("班级编码长度", r.classCodeLength, s.classCodeLength);
    d.number("准考证长度", r.admissionLength, s.admissionLength);

    if (!d.found() && !a.records.empty() && !b.records.empty()) {
        for (int q = 1; q <= questions && !d.found(); ++q) {
            d.check("标准答案第" + std::to_string(q) + "题", a.records[0].answer(q), b.records[0].answer(q),
                    answerText);
        }
    }
    return d.first();
}

bool RunMerger::refuse(std::string message) {
    refusal_ = std::move(message);
    return false;
}

std::string RunMerger::capacityProblem(const std::string& name, const RawFileContent& run) const {
    const auto gradeCode = [](const GradeEntry& g) { return g.code; };
    const auto studentKey = [&](const StudentEntry& s) { return groupKey(run.roster, s); };
    const auto recordKey = [](const GradingRecord& r) { return r.admissionNumber; };
    const size_t grades = merged_.roster.grades.size() + newKeys(run.roster.grades, 0, gradeAt_, gradeCode);
    const size_t students = merged_.roster.students.size() + newKeys(run.roster.students, 0, studentAt_, studentKey);
    // Record 0, the standard answer, is one whatever the files.
    const size_t records = std::max<size_t>(merged_.records.size(), 1) + newKeys(run.records, 1, recordAt_, recordKey);
    const std::string after = kCannotMerge + std::string("加入") + name + "后";
    if (grades > size_t(kMaxGrades)) {
        return after + "共有" + std::to_string(grades) + "个年级，超过了" + std::to_string(kMaxGrades) + "个的上限。";
    }
    if (students > size_t(kMaxStudents)) {
        return after + "学生名单共有" + std::to_string(students) + "人，超过了" + std::to_string(kMaxStudents) +
               "人的上限。";
    }
    if (records > size_t(kMaxRecords)) {
        return after + "共有" + std::to_string(records) + "条阅卷记录（含标准答案），超过了" +
               std::to_string(kMaxRecords) + "条的上限。";
    }
    return {};
}

bool RunMerger::add(const std::string& name, RawFileContent run) {
    refusal_.clear();
    if (run.records.empty()) return refuse(kCannotMerge + name + "中还没有标准答案。");
    if (files() > 0) {
        std::string difference = mergeDifference(fileNames_[0], merged_, name, run);
        if (!difference.empty()) return refuse(std::move(difference));
    }
    if (std::string problem = capacityProblem(name, run); !problem.empty()) return refuse(std::move(problem));

    const int file = files();
    fileNames_.push_back(name);
    // The roster's settings and page state are the later file's; its grades
    // and students join those already merged.
    std::vector<GradeEntry> grades;
    std::vector<StudentEntry> students;
    grades.swap(run.roster.grades);
    students.swap(run.roster.students);
    run.roster.grades.swap(merged_.roster.grades);
    run.roster.students.swap(merged_.roster.students);
    merged_.roster = std::move(run.roster);
    addGrades(file, grades);
    addStudents(file, students);

    merged_.settings = std::move(run.settings);
    if (file == 0) {
        merged_.filter = run.filter;
    } else {
        // Stations grading one class each: the merged grid shows them all.
        merged_.filter.gradeCode = run.filter.gradeCode;
        if (merged_.filter.classCode != run.filter.classCode) merged_.filter.classCode = kAllClassesFilter;
    }
    addRecords(file, run.records);
    return true;
}

void RunMerger::listConflict(MergeConflict::Kind kind, const std::string& key, int earlierFile, std::string earlier,
                             int file, std::string value) {
    auto [at, fresh] = conflictAt_.try_emplace(std::to_string(int(kind)) + '\n' + key, int(conflicts_.size()));
    if (fresh) conflicts_.push_back({kind, key, {{fileNames_[size_t(earlierFile)], std::move(earlier)}}});
    conflicts_[size_t(at->second)].entries.push_back({fileNames_[size_t(file)], std::move(value)});
}

void RunMerger::addGrades(int file, const std::vector<GradeEntry>& grades) {
    std::vector<GradeEntry>& table = merged_.roster.grades;
    for (const GradeEntry& g : grades) {
        auto at = gradeAt_.find(g.code);
        if (at == gradeAt_.end()) {
            gradeAt_.emplace(g.code, int(table.size()));
            table.push_back(g);
            gradeFile_.push_back(file);
            continue;
        }
        GradeEntry& kept = table[size_t(at->second)];
        if (kept.name == g.name) continue;
        listConflict(MergeConflict::GradeName, g.code, gradeFile_[size_t(at->second)], kept.name, file, g.name);
        kept.name = g.name;
        gradeFile_[size_t(at->second)] = file;
    }
}

void RunMerger::addStudents(int file, const std::vector<StudentEntry>& students) {
    std::vector<StudentEntry>& store = merged_.roster.students;
    const Roster& roster = merged_.roster;
    for (const StudentEntry& s : students) {
        std::string key = groupKey(roster, s);
        auto at = studentAt_.find(key);
        if (at != studentAt_.end()) {
            StudentEntry& kept = store[size_t(at->second)];
            if (kept.name == s.name) continue;
            listConflict(MergeConflict::StudentName, s.admissionNumber, studentFile_[size_t(at->second)], kept.name,
                         file, s.name);
            kept.name = s.name;
            studentFile_[size_t(at->second)] = file;
            continue;
        }
        // The same number in another group: both stay (a roster may hold
        // that), but a number found so in two files is worth a look.
        auto first = firstNumberAt_.find(s.admissionNumber);
        if (first != firstNumberAt_.end() && studentFile_[size_t(first->second)] != file) {
            const StudentEntry& other = store[size_t(first->second)];
            listConflict(MergeConflict::StudentGroup, s.admissionNumber, studentFile_[size_t(first->second)],
                         groupText(roster, other), file, groupText(roster, s));
        }
        firstNumberAt_.try_emplace(s.admissionNumber, int(store.size()));
        studentAt_.emplace(std::move(key), int(store.size()));
        store.push_back(s);
        studentFile_.push_back(file);
    }
}

void RunMerger::addRecords(int file, GradingRecords& records) {
    GradingRecords& out = merged_.records;
    if (out.empty()) {
        out.push_back(std::move(records[0]));
        recordFile_.push_back(file);
    } else {
        out[0] = std::move(records[0]);
        recordFile_[0] = file;
    }
    for (size_t i = 1; i < records.size(); ++i) {
        GradingRecord& r = records[i];
        auto at = recordAt_.find(r.admissionNumber);
        if (at == recordAt_.end()) {
            recordAt_.emplace(r.admissionNumber, int(out.size()));
            out.push_back(std::move(r));
            recordFile_.push_back(file);
            continue;
        }
        GradingRecord& kept = out[size_t(at->second)];
        listConflict(MergeConflict::GradedTwice, r.admissionNumber, recordFile_[size_t(at->second)], recordText(kept),
                     file, recordText(r));
        kept = std::move(r);
        recordFile_[size_t(at->second)] = file;
    }
}

MergeOutcome mergeRawFiles(const std::vector<std::string>& paths, const std::vector<std::string>& names) {
    MergeOutcome outcome;
    auto stop = [&](MergeOutcome::Status status, std::string message) {
        outcome.status = status;
        outcome.message = std::move(message);
        return std::move(outcome);
    };
    if (paths.empty()) return stop(MergeOutcome::Refused, std::string(kCannotMerge) + "没有指定阅卷原始文件。");
    auto nameOf = [&](size_t i) { return i < names.size() ? names[i] : paths[i]; };
    for (size_t i = 0; i < paths.size(); ++i) {
        for (size_t k = 0; k < i; ++k) {
            std::error_code ec;
            if (paths[k] == paths[i] || std::filesystem::equivalent(paths[k], paths[i], ec)) {
                return stop(MergeOutcome::Refused, kCannotMerge + nameOf(i) + "被指定了两次。");
            }
        }
    }

    RunMerger merger;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < paths.size(); ++i) {
        RawFileContent run;
        std::string problem;
        if (readWholeFile(paths[i], bytes, kMaxRawFileSize) != FileRead::Ok) {
            return stop(MergeOutcome::Unreadable, std::string(kOpenRawFileFailed) + "（" + nameOf(i) + "）");
        }
        if (!decodeRawFile(bytes.data(), bytes.size(), run, &problem)) {
            return stop(MergeOutcome::Unreadable,
                        std::string(kOpenRawFileFailed) + "（" + nameOf(i) + "：" + problem + "）");
        }
        if (!merger.add(nameOf(i), std::move(run))) return stop(MergeOutcome::Refused, merger.refusal());
    }
    outcome.conflicts = merger.conflicts();
    outcome.files = merger.files();
    outcome.run = merger.take();
    return outcome;
}

std::string writeMergedRun(const RawFileContent& run, const std::string& path, SaveOps* ops) {
    std::vector<uint8_t> bytes;
    std::string error = encodeRawFile(run, {}, bytes);
    if (!error.empty()) return "合并后的阅卷原始文件无法保存：" + error;
    if (!saveFileAtomically(path, bytes, error, ops)) return error;
    return {};
}

}  // namespace tarvel
