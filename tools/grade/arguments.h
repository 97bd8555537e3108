#pragma once
// Command line of tarvel-grade and the exam description it reads.
#include <string>
#include <vector>

#include "grading/examsettings.h"

namespace tarvel::grade {

inline constexpr const char* kUsage =
    "用法：tarvel-grade --layout 模板.dat --roster 名单.xs --exam 考试.json [--grade 年级编码]\n"
    "                   [--class 班级编码|ALL] [--open 原始文件.yj] [--yes] --out 原始文件.yj 图像...\n"
    "  考试.json：{\"name\":\"期中\",\"subject\":\"02\",\"subjective\":false,\n"
    "              \"sections\":[[1,75,1,\"单选题\"],[76,85,2,\"多选题\"]],\"rules\":[[\"76-85\",\"0.5/\"]]}\n"
    "  With --open the run continues from that file; --roster and --exam then replace its roster and\n"
    "  exam settings and may be left out.\n";

struct Arguments {
    std::string layoutPath, rosterPath, examPath, openPath, outPath;
    std::string gradeCode, classCode;  // "" when not given
    bool yes = false;
    std::vector<std::string> images;
};

// False with a message on a usage error.
bool parseArguments(int argc, char** argv, Arguments& out, std::string& message);

// The exam page as the exam description fills it: the card name, the exam
// name, the subject chosen by its code among the layout's subjects, the
// subjective-score option and the rows of both grids as typed text (numbers
// in their shortest form). False with a message when the text is not such a
// description; everything else is left to the page's validation.
bool examPageFromJson(const std::string& json, const CardTemplate& layout, const std::string& cardName,
                      ExamPage& page, std::string& message);

}  // namespace tarvel::grade
