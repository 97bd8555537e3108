#pragma once
// Command line of tarvel-read.
#include <array>
#include <string>
#include <vector>

#include "recognition/cardtemplate.h"

namespace tarvel::read {

inline constexpr const char* kUsage =
    "用法：tarvel-read --template 模板.dat [--admission-length N] [--questions N] [--multiple 列表] 图像...\n"
    "  列表：多选题题号，如 1-5,11\n";

struct Arguments {
    std::string templatePath;
    int admissionLength = -1;  // -1: the layout's admission digits
    int questionCount = -1;    // -1: the layout's question count
    std::array<bool, kMaxQuestions> multiple{};
    std::vector<std::string> images;
};

// False with a message on a usage error.
bool parseArguments(int argc, char** argv, Arguments& out, std::string& message);

// "1-5,11" marks questions 1 to 5 and 11 (numbered from 1, at most 200).
bool parseQuestionList(const std::string& text, std::array<bool, kMaxQuestions>& multiple);

}  // namespace tarvel::read
