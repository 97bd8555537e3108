#include "grading.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "corpus.h"
#include "grading/examsettings.h"
#include "grading/scoring.h"
#include "roster/studentfile.h"

namespace tarvel::corpus {
namespace {

namespace fs = std::filesystem;

// The exam page the JSON of examJson describes, for scoring the truth by
// the program's own rules.
ExamPage examPage(const CardTemplate& layout, const std::string& subject, int questions, int firstMultiple) {
    ExamPage page;
    page.examName = "随机布局";
    for (int i = 0; i < std::clamp(layout.subjectCount, 0, kMaxSubjects); ++i) {
        if (layout.subjects[i].code == subject) page.subjectIndex = i;
    }
    page.subjectiveIndex = 0;
    if (firstMultiple > 1) page.sections.push_back({"1", std::to_string(firstMultiple - 1), "1", kSingleChoiceText});
    const std::string multiple = std::to_string(firstMultiple) + "-" + std::to_string(questions);
    page.sections.push_back({std::to_string(firstMultiple), std::to_string(questions), "2", kMultipleChoiceText});
    page.rules.push_back({multiple, "0.5/"});
    return page;
}

std::string shellQuoted(const std::string& path) { return "'" + path + "'"; }

// The integer after `"key":` in a JSON line of tarvel-grade, or the number
// (float) for "total"; nullopt-like false when it is null or missing.
bool numberAfter(const std::string& line, const std::string& key, double& value) {
    const size_t at = line.rfind("\"" + key + "\":");
    if (at == std::string::npos) return false;
    const char* start = line.c_str() + at + key.size() + 3;
    char* end = nullptr;
    value = std::strtod(start, &end);
    return end != start;
}

struct Class {
    std::vector<const Truth*> frames;  // in file order; the first is the standard answer
};

}  // namespace

std::string examJson(const std::string& subject, int questions, int firstMultiple) {
    std::ostringstream json;
    json << "{\"name\":\"随机布局\",\"subject\":\"" << subject << "\",\"subjective\":false,\"sections\":[";
    if (firstMultiple > 1) json << "[1," << firstMultiple - 1 << ",1,\"单选题\"],";
    json << "[" << firstMultiple << "," << questions << ",2,\"多选题\"]],\"rules\":[[\"" << firstMultiple << "-"
         << questions << "\",\"0.5/\"]]}";
    return json.str();
}

bool gradeSet(const std::string& folder, const std::string& layoutFolder, const std::string& gradeProgram,
              const std::string& scratch, GradeCheck& out, std::string& message) {
    std::vector<Truth> truths;
    if (!readTruthFile(folder, truths, message)) return false;
    std::map<std::string, Class> classes;
    for (const Truth& t : truths) {
        if (t.code == 0) classes[t.layout].frames.push_back(&t);
    }
    fs::create_directories(scratch);
    for (const auto& [name, group] : classes) {
        // Only a layout whose frames all sit one exam, its standard answer
        // first, is a class.
        const Truth& key = *group.frames.front();
        if (key.admission.find_first_not_of(' ') != std::string::npos || key.multiple.empty()) continue;
        if (std::any_of(group.frames.begin(), group.frames.end(), [&](const Truth* t) {
                return t->subject != key.subject || t->multiple != key.multiple;
            })) {
            continue;
        }
        std::string path = folder + "/" + name;
        if (!fs::exists(path)) path = layoutFolder + "/" + name;
        CardTemplate layout;
        if (!readTemplateFile(path, name, layout, message)) return false;
        ++out.classes;
        const int questions = static_cast<int>(key.answers.size());
        const int firstMultiple = *std::min_element(key.multiple.begin(), key.multiple.end());

        // The class: one student per admission number of the set.
        Roster roster;
        roster.admissionLength = layout.admissionDigits;
        roster.admissionLinked = false;
        for (size_t i = 1; i < group.frames.size(); ++i) {
            const std::string& number = group.frames[i]->admission;
            if (std::none_of(roster.students.begin(), roster.students.end(),
                             [&](const StudentEntry& s) { return s.admissionNumber == number; })) {
                roster.students.push_back({number, "学生" + std::to_string(roster.students.size() + 1), "", ""});
            }
        }
        const std::string base = scratch + "/" + fs::path(name).stem().string();
        if (!writeStudentFile(base + ".xs", roster, message)) return false;
        std::ofstream(base + ".json") << examJson(key.subject, questions, firstMultiple);

        std::string command = shellQuoted(gradeProgram) + " --layout " + shellQuoted(path) + " --roster " +
                              shellQuoted(base + ".xs") + " --exam " + shellQuoted(base + ".json") + " --yes --out " +
                              shellQuoted(base + ".yj");
        for (const Truth* t : group.frames) command += " " + shellQuoted(folder + "/" + t->file);
        command += " 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            message = "无法运行 " + gradeProgram;
            return false;
        }
        std::vector<std::string> lines;
        char buffer[1 << 16];
        std::string all;
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) all.append(buffer, n);
        const int status = pclose(pipe);
        std::istringstream in(all);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        if (!WIFEXITED(status) || WEXITSTATUS(status) == 2 || lines.size() != group.frames.size()) {
            message = name + "：tarvel-grade 没有为每张图像输出一行（退出码 " + std::to_string(WEXITSTATUS(status)) + "）";
            return false;
        }

        // The totals the truth earns, by the program's own scoring.
        ExamSettings settings;
        const ExamPageCheck check = ValidateExamPage(examPage(layout, key.subject, questions, firstMultiple), layout,
                                                     settings);
        if (!check.ok) {
            message = name + "：" + check.message;
            return false;
        }
        GradingRecord standard;
        for (int q = 0; q < questions; ++q) standard.answers[q].answer = key.answers[static_cast<size_t>(q)];
        out.cards += static_cast<int>(group.frames.size());
        double code = -1;
        if (!numberAfter(lines[0], "code", code) || code != 0) {
            ++out.standardsMissed;
            out.problems += "  " + name + " 标准答案 " + key.file + " 未读入（代码 " + std::to_string(int(code)) + "）\n";
            out.refused += static_cast<int>(group.frames.size());
            continue;
        }
        for (size_t i = 1; i < group.frames.size(); ++i) {
            const Truth& t = *group.frames[i];
            double total = 0;
            if (!numberAfter(lines[i], "code", code) || code != 0 || !numberAfter(lines[i], "total", total)) {
                ++out.refused;
                continue;
            }
            ++out.stored;
            GradingRecord student;
            for (int q = 0; q < questions; ++q) student.answers[q].answer = t.answers[static_cast<size_t>(q)];
            ScoreCard(student, standard, settings);
            if (std::fabs(total - student.total) > 1e-4) {
                ++out.wrongTotals;
                char text[160];
                std::snprintf(text, sizeof text, "  %s %s 总分 %.1f，应为 %.1f\n", name.c_str(), t.file.c_str(), total,
                              static_cast<double>(student.total));
                out.problems += text;
            }
        }
    }
    return true;
}

}  // namespace tarvel::corpus
