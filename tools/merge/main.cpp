// tarvel-merge A.yj B.yj ... --out ALL.yj: merges the raw grading files of
// one exam graded on several stations into one. Its options, output and exit
// codes are a stable interface: every conflict on a line of stdout, then one
// summary line; a refusal on stderr.
#include <iostream>
#include <string>
#include <vector>

#include "gradingfile/merge.h"

namespace {

using namespace tarvel;

constexpr int kWritten = 0;
constexpr int kRefused = 1;  // not the same exam, over a capacity, or the output not written
constexpr int kUsage = 2;    // command line, or an input that is not a raw grading file

constexpr const char* kUsageText =
    "用法：tarvel-merge 阅卷原始文件.yj... --out 合并后的文件.yj\n"
    "  合并同一次考试在几台电脑上分别阅卷的阅卷原始文件（答题卡、考试设置、标准答案和学生名单编码须相同）。\n"
    "  学生名单取所有文件的并集；同一学生在几个文件中都已阅卷时，采用后面文件的阅卷记录。冲突逐行列出。\n"
    "  退出码：0 已写入，1 拒绝合并或无法写入（原因见stderr），2 用法或阅卷原始文件有误。\n";

int usage(const std::string& message) {
    if (!message.empty()) std::cerr << message << '\n';
    std::cerr << kUsageText;
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> inputs;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out") {
            if (i + 1 >= argc) return usage("选项缺少值：--out");
            out = argv[++i];
        } else if (arg.rfind("--", 0) == 0) {
            return usage(arg == "--help" ? "" : "未知选项：" + arg);
        } else {
            inputs.push_back(arg);
        }
    }
    if (argc == 1) return usage("");
    if (inputs.empty()) return usage("需要至少一个阅卷原始文件");
    if (out.empty()) return usage("缺少 --out");

    MergeOutcome merged = mergeRawFiles(inputs);
    if (merged.status != MergeOutcome::Merged) {
        std::cerr << merged.message << '\n';
        return merged.status == MergeOutcome::Unreadable ? kUsage : kRefused;
    }
    for (const MergeConflict& c : merged.conflicts) std::cout << conflictText(c) << '\n';
    if (std::string error = writeMergedRun(merged.run, out); !error.empty()) {
        std::cerr << error << '\n';
        return kRefused;
    }
    const size_t students = merged.run.records.size() - 1;
    std::cout << "已合并" << merged.files << "个文件：学生名单" << merged.run.roster.students.size() << "人，阅卷记录"
              << students << "份（另有标准答案），冲突" << merged.conflicts.size() << "处，已写入" << out << '\n';
    return kWritten;
}
