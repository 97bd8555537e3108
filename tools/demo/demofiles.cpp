#include "demofiles.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "grading/examsettings.h"
#include "tools/grade/arguments.h"

namespace tarvel::demo {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

std::string join(const std::vector<std::string>& parts, char separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? std::string(1, separator) : "") + parts[i];
    return out;
}

}  // namespace

std::string loadExam(const std::string& path, const CardTemplate& layout, const std::string& cardName,
                     ExamSettings& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "无法读取 " + path;
    const std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ExamPage page;
    std::string message;
    if (!grade::examPageFromJson(json, layout, cardName, page, message)) return path + "：" + message;
    const ExamPageCheck check = ValidateExamPage(page, layout, out);
    return check.ok ? "" : path + "：" + check.message;
}

std::string loadAnswerKey(const std::string& path, std::vector<std::string>& out) {
    std::ifstream in(path);
    if (!in) return "无法读取 " + path;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        out = split(line, ',');
        return "";
    }
    return path + "：没有答案";
}

std::string loadClass(const std::string& tsvPath, const std::string& gradeCode, const std::string& classCode,
                      std::vector<Student>& out) {
    std::ifstream in(tsvPath);
    if (!in) return "无法读取 " + tsvPath;
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = split(line, '\t');
        if (f.size() == 4 && f[0] != "grade" && f[2] == gradeCode && f[3] == classCode) out.push_back({f[0], f[1]});
    }
    return out.empty() ? tsvPath + "：没有 " + gradeCode + " 年级 " + classCode + " 班的学生" : "";
}

std::vector<std::string> answersWithMistakes(const std::vector<std::string>& key, int index) {
    std::vector<std::string> answers = key;
    const int count = int(key.size());
    for (int j = 0; j < index % 5 && count > 0; ++j) {
        const int q = (index * 11 + j * 23) % count;  // distinct for j < 4 when count is 85
        const char old = answers[q].empty() ? 'A' : answers[q][0];
        answers[q] = std::string(1, char('A' + (old - 'A' + 1 + j) % 4));
    }
    return answers;
}

std::string writeCards(const std::string& path, const std::vector<DemoCard>& cards) {
    std::ofstream out(path, std::ios::trunc);
    out << "# kind\tfile\tadmission\tname\tab\tanswers\n";
    for (const DemoCard& c : cards) {
        out << c.kind << '\t' << c.file << '\t' << c.admission << '\t' << c.name << '\t' << (c.abFlag ? 'B' : 'A')
            << '\t' << join(c.answers, ',') << '\n';
    }
    return out.flush() ? "" : "无法写入 " + path;
}

std::string readCards(const std::string& path, std::vector<DemoCard>& out) {
    std::ifstream in(path);
    if (!in) return "无法读取 " + path;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = split(line, '\t');
        if (f.size() != 6) return path + "：行格式不对：" + line;
        out.push_back({f[0], f[1], f[2], f[3], f[4] == "B" ? 1 : 0, split(f[5], ',')});
    }
    return "";
}

}  // namespace tarvel::demo
