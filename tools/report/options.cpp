#include "options.h"

#include <algorithm>

#include "base/savefile.h"

namespace tarvel::outputcli {

bool parseOptions(int argc, char** argv, Options& o, std::string& message) {
    std::vector<std::pair<const char*, std::string*>> valued = {
        {"--grade", &o.gradeCode}, {"--class", &o.classCode}, {"--out", &o.outPath}};
    valued.insert(valued.end(), o.valued.begin(), o.valued.end());
    std::vector<std::pair<const char*, bool*>> flags = {{"--csv", &o.csv}};
    flags.insert(flags.end(), o.flags.begin(), o.flags.end());
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto named = [&](const auto& option) { return arg == option.first; };
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
        } else if (auto f = std::find_if(flags.begin(), flags.end(), named); f != flags.end()) {
            *f->second = true;
        } else if (auto v = std::find_if(valued.begin(), valued.end(), named); v != valued.end()) {
            if (i + 1 >= argc) {
                message = "选项缺少值：" + arg;
                return false;
            }
            *v->second = argv[++i];
        } else {
            message = "未知选项：" + arg;
            return false;
        }
    }
    if (positional.size() != 1) message = "需要一个阅卷原始文件";
    else if (o.outPath.empty()) message = "缺少 --out";
    if (!message.empty()) return false;
    o.runPath = positional[0];
    return true;
}

bool loadRun(const Options& options, RawFileContent& run, GroupChoice& group, std::string& message, int& code) {
    std::vector<uint8_t> bytes;
    std::string problem;
    code = kUsage;
    if (readWholeFile(options.runPath, bytes, kMaxRawFileSize) != FileRead::Ok ||
        !decodeRawFile(bytes.data(), bytes.size(), run, &problem)) {
        message = std::string(kOpenRawFileFailed) + (problem.empty() ? "" : "（" + problem + "）");
        return false;
    }
    return outputGroupFromCodes(run.roster, options.gradeCode, options.classCode, group, message);
}

}  // namespace tarvel::outputcli
