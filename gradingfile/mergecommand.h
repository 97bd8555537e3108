#pragma once
// "合并阅卷原始文件…" of the file menu over plain state: the raw grading files
// of one exam, graded on several stations, merged (merge.h) into a new file
// that becomes the run, with every question and dialog through an interface.
#include <string>
#include <vector>

#include "gradingfile/gradingrun.h"
#include "gradingfile/merge.h"

namespace tarvel {

inline constexpr const char* kMergeFilesTitle = "选择要合并的阅卷原始文件（同一次考试，至少两个）";
inline constexpr const char* kSaveMergedTitle = "保存合并后的阅卷原始文件";
inline constexpr const char* kMergeNeedsTwo = "请至少选择两个阅卷原始文件进行合并。";

struct MergeCommandOutcome {
    bool opened = false;  // the merged run is now the run
    std::string path;     // where it was saved
    int files = 0;
    std::vector<MergeConflict> conflicts;
};

// Offers to save unsaved work first (a save that fails ends the command);
// asks for the files (two at least), which are merged in name order (the
// later name wins a conflict); a refusal names the first difference. Then
// asks where the merged run goes - never over one of the files merged, which
// it would replace - writes it and opens it as the run. Whatever fails is
// told, and the run stays as it was until the open.
MergeCommandOutcome mergeRawFilesClick(GradingRun& run, Prompter& prompter, FileDialogs& dialogs,
                                       SaveOps* ops = nullptr);

// "已将3个阅卷原始文件合并为“期中全年级.yj”并打开。" with the conflicts
// counted ("有2处冲突，见列表。") or "没有冲突。".
std::string mergeDoneText(const MergeCommandOutcome& outcome);

}  // namespace tarvel
