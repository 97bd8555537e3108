#pragma once
// Merging the raw grading files of one exam graded on several stations (a
// class per computer) into one run, as "合并阅卷原始文件…" and tarvel-merge do.
//
// Files join only when they are the same exam: the same card layout, exam
// settings, standard answer and roster coding (grade and class switches,
// code lengths, admission number length); otherwise the merge is refused
// with a message naming the first difference. What they hold is then joined,
// and where two files disagree the file named later wins and the
// disagreement is listed:
// - grades by code (a code with two names is listed);
// - students by admission number within their group (the same number with
//   another name is listed; the same number in another group is kept, as a
//   roster may hold it, and listed);
// - grading records by admission number, in the order of their first file (a
//   student graded in two files is listed with both totals); the standard
//   answer is the later file's.
// Records are taken as they were stored (scores included, the hand-assigned
// mark kept); nothing is scored again. A merge that would pass the tables'
// capacities (5000 students, 5000 records with the standard answer, 50
// grades) is refused.
#include <string>
#include <unordered_map>
#include <vector>

#include "base/savefile.h"
#include "gradingfile/rawfile.h"

namespace tarvel {

// One disagreement between files, with what each file holds (in file
// order); the last entry is the one kept.
struct MergeConflict {
    enum Kind { GradeName, StudentName, StudentGroup, GradedTwice } kind;
    std::string key;  // grade code or admission number
    struct Entry {
        std::string file;
        std::string value;  // "胡昊然", "胡昊然 92分", "年级20241 班级01 胡昊然"
    };
    std::vector<Entry> entries;
};

// The line that lists a conflict, e.g. "重复阅卷：准考证号202410103——
// A.yj：胡昊然 92分；B.yj：胡昊然 88分。采用B.yj的记录。"
std::string conflictText(const MergeConflict& conflict);

// Joins runs one file after another.
class RunMerger {
public:
    // Adds the run of the next file, `name` being how messages name it. False
    // when it cannot join: refusal() says why and the merge keeps what it
    // had before this file.
    bool add(const std::string& name, RawFileContent run);

    const RawFileContent& merged() const { return merged_; }
    // Hands the merged run over; the merger is done with after that.
    RawFileContent take() { return std::move(merged_); }
    const std::vector<MergeConflict>& conflicts() const { return conflicts_; }
    const std::string& refusal() const { return refusal_; }
    int files() const { return int(fileNames_.size()); }

private:
    bool refuse(std::string message);
    std::string capacityProblem(const std::string& name, const RawFileContent& run) const;
    void addGrades(int file, const std::vector<GradeEntry>& grades);
    void addStudents(int file, const std::vector<StudentEntry>& students);
    void addRecords(int file, GradingRecords& records);
    // Lists that `file` holds `value` where `earlierFile` held `earlier`.
    void listConflict(MergeConflict::Kind kind, const std::string& key, int earlierFile, std::string earlier, int file,
                      std::string value);

    RawFileContent merged_;
    std::vector<std::string> fileNames_;
    std::vector<MergeConflict> conflicts_;
    std::string refusal_;
    // Where things are in merged_, and which file each came from.
    std::unordered_map<std::string, int> gradeAt_;         // code -> index
    std::unordered_map<std::string, int> studentAt_;       // group key -> index
    std::unordered_map<std::string, int> firstNumberAt_;   // admission number -> first student with it
    std::unordered_map<std::string, int> recordAt_;        // admission number -> record index
    std::vector<int> gradeFile_, studentFile_, recordFile_;
    std::unordered_map<std::string, int> conflictAt_;      // kind + key -> index in conflicts_
};

// The first difference that keeps two runs from being merged, as the
// refusal names it, or "" when they are the same exam.
std::string mergeDifference(const std::string& nameA, const RawFileContent& a, const std::string& nameB,
                            const RawFileContent& b);

// Merging files by their paths, each read and added in turn.
struct MergeOutcome {
    enum Status { Merged, Refused, Unreadable } status = Merged;
    std::string message;  // why it was refused or which file could not be read
    RawFileContent run;
    std::vector<MergeConflict> conflicts;
    int files = 0;
};
// `names` are how messages name the files (the paths when empty). The same
// file named twice is refused.
MergeOutcome mergeRawFiles(const std::vector<std::string>& paths, const std::vector<std::string>& names = {});

// Writes a merged run atomically to `path`; "" or the message for the user.
std::string writeMergedRun(const RawFileContent& run, const std::string& path, SaveOps* ops = nullptr);

}  // namespace tarvel
