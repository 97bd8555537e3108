#include "gradingfile/mergecommand.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "base/paths.h"

namespace tarvel {
namespace {

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

bool isOneOf(const std::string& path, const std::vector<std::string>& paths) {
    return std::any_of(paths.begin(), paths.end(), [&](const std::string& p) {
        std::error_code ec;
        return p == path || std::filesystem::equivalent(p, path, ec);
    });
}

}  // namespace

MergeCommandOutcome mergeRawFilesClick(GradingRun& run, Prompter& prompter, FileDialogs& dialogs, SaveOps* ops) {
    MergeCommandOutcome done;
    if (!offerToSaveRun(run, prompter, dialogs, ops)) return done;
    const std::string folder = installedPath(installed::kRawFiles);
    auto chosen = dialogs.openFiles({kMergeFilesTitle, kRawFileFilter, kRawFileExtension, folder});
    if (!chosen) return done;
    std::vector<std::string> paths = *chosen;
    if (paths.size() < 2) {
        prompter.message(kMergeNeedsTwo);
        return done;
    }
    std::stable_sort(paths.begin(), paths.end(),
                     [](const std::string& a, const std::string& b) { return fileName(a) < fileName(b); });
    // Files of one folder are named by their names; of several, by their paths.
    std::vector<std::string> names;
    for (const std::string& p : paths) names.push_back(fileName(p));
    for (size_t i = 1; i < names.size(); ++i) {
        if (names[i] == names[i - 1]) {
            names = paths;
            break;
        }
    }
    MergeOutcome merged = mergeRawFiles(paths, names);
    if (merged.status != MergeOutcome::Merged) {
        prompter.message(merged.message);
        return done;
    }

    std::optional<std::string> target;
    while ((target = dialogs.saveFile({kSaveMergedTitle, kRawFileFilter, kRawFileExtension, folder}))) {
        if (!isOneOf(*target, paths)) break;
        prompter.message("合并后的阅卷原始文件不能保存为参与合并的文件“" + fileName(*target) +
                         "”（它的内容会被替换）。请另取一个文件名。");
    }
    if (!target) return done;
    if (const std::string error = writeMergedRun(merged.run, *target, ops); !error.empty()) {
        prompter.message(error);
        return done;
    }
    markRunSaved();
    done.opened = openRawFile(run, *target, prompter);
    done.path = *target;
    done.files = merged.files;
    done.conflicts = std::move(merged.conflicts);
    return done;
}

std::string mergeDoneText(const MergeCommandOutcome& outcome) {
    std::string text = "已将" + std::to_string(outcome.files) + "个阅卷原始文件合并为“" + fileName(outcome.path) +
                       "”并打开。";
    if (outcome.conflicts.empty()) return text + "没有冲突。";
    return text + "有" + std::to_string(outcome.conflicts.size()) + "处冲突，见列表。";
}

}  // namespace tarvel
