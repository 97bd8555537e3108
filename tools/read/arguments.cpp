#include "arguments.h"

#include <cstdlib>

namespace tarvel::read {
namespace {

// A whole decimal number in [low, high].
bool parseNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

}  // namespace

bool parseQuestionList(const std::string& text, std::array<bool, kMaxQuestions>& multiple) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (dash == std::string::npos) {
            if (!parseNumber(item, 1, kMaxQuestions, first)) return false;
            last = first;
        } else if (!parseNumber(item.substr(0, dash), 1, kMaxQuestions, first) ||
                   !parseNumber(item.substr(dash + 1), 1, kMaxQuestions, last) || last < first) {
            return false;
        }
        for (int q = first; q <= last; ++q) multiple[q - 1] = true;
        start = comma + 1;
    }
    return true;
}

bool parseArguments(int argc, char** argv, Arguments& out, std::string& message) {
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnd || arg.empty() || arg[0] != '-') {
            out.images.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        const bool known = arg == "--template" || arg == "--admission-length" || arg == "--questions" ||
                           arg == "--multiple";
        if (!known) {
            message = "未知选项：" + arg;
            return false;
        }
        if (i + 1 >= argc) {
            message = "选项缺少值：" + arg;
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--template") {
            out.templatePath = value;
        } else if (arg == "--admission-length") {
            if (!parseNumber(value, 0, kMaxAdmissionDigits, out.admissionLength)) {
                message = "准考证号长度必须是0到20：" + value;
                return false;
            }
        } else if (arg == "--questions") {
            if (!parseNumber(value, 0, kMaxQuestions, out.questionCount)) {
                message = "题目数必须是0到200：" + value;
                return false;
            }
        } else if (!parseQuestionList(value, out.multiple)) {
            message = "多选题列表无效：" + value;
            return false;
        }
    }
    if (out.templatePath.empty()) {
        message = "缺少 --template";
        return false;
    }
    if (out.images.empty()) {
        message = "缺少图像文件";
        return false;
    }
    return true;
}

}  // namespace tarvel::read
