#include "arguments.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace tarvel::grade {
namespace {

// A grid cell as typed: strings as they are, numbers in their shortest form.
bool cellText(const QJsonValue& v, std::string& out) {
    if (v.isString()) {
        out = v.toString().toStdString();
    } else if (v.isDouble()) {
        out = QString::number(v.toDouble(), 'g', 15).toStdString();
    } else {
        return false;
    }
    return true;
}

// Rows of `columns` cells.
bool rowsOf(const QJsonValue& v, size_t columns, std::vector<std::vector<std::string>>& rows) {
    if (v.isUndefined() || v.isNull()) return true;
    if (!v.isArray()) return false;
    for (const QJsonValue& row : v.toArray()) {
        if (!row.isArray() || size_t(row.toArray().size()) != columns) return false;
        std::vector<std::string> cells(columns);
        for (size_t c = 0; c < columns; ++c) {
            if (!cellText(row.toArray()[qsizetype(c)], cells[c])) return false;
        }
        rows.push_back(cells);
    }
    return true;
}

}  // namespace

bool parseArguments(int argc, char** argv, Arguments& out, std::string& message) {
    const std::pair<const char*, std::string*> valued[] = {
        {"--layout", &out.layoutPath}, {"--roster", &out.rosterPath}, {"--exam", &out.examPath},
        {"--open", &out.openPath},     {"--out", &out.outPath},       {"--grade", &out.gradeCode},
        {"--class", &out.classCode}};
    int i = 1;
    for (; i < argc && std::string(argv[i]) != "--"; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-", 0) != 0) {
            out.images.push_back(arg);
        } else if (arg == "--yes") {
            out.yes = true;
        } else {
            auto option = std::find_if(std::begin(valued), std::end(valued),
                                       [&](const auto& o) { return arg == o.first; });
            if (option == std::end(valued)) {
                message = "未知选项：" + arg;
                return false;
            }
            if (i + 1 >= argc || !*argv[i + 1]) {
                message = "选项缺少值：" + arg;
                return false;
            }
            *option->second = argv[++i];
        }
    }
    // After "--" every word is a picture, even one starting with "-".
    for (++i; i < argc; ++i) out.images.push_back(argv[i]);
    const bool continuing = !out.openPath.empty();
    if (out.layoutPath.empty()) message = "缺少 --layout";
    else if (out.rosterPath.empty() && !continuing) message = "缺少 --roster";
    else if (out.examPath.empty() && !continuing) message = "缺少 --exam";
    else if (out.outPath.empty()) message = "缺少 --out";
    else if (out.images.empty()) message = "缺少图像文件";
    return message.empty();
}

bool examPageFromJson(const std::string& json, const CardTemplate& layout, const std::string& cardName,
                      ExamPage& page, std::string& message) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (!doc.isObject()) {
        message = "考试描述不是JSON对象：" + error.errorString().toStdString();
        return false;
    }
    const QJsonObject o = doc.object();
    page = ExamPage{};
    page.cardName = cardName;
    std::string subject;
    if (!o.value("name").isString() || !o.value("subject").isString() || !o.value("subjective").isBool()) {
        message = "考试描述需要 \"name\"（文字）、\"subject\"（科目编码文字）和 \"subjective\"（true/false）。";
        return false;
    }
    page.examName = o.value("name").toString().toStdString();
    subject = o.value("subject").toString().toStdString();
    // A code the layout does not list leaves the subject unchosen, which the
    // validation reports as the page would.
    for (int i = 0; i < std::clamp(layout.subjectCount, 0, kMaxSubjects); ++i) {
        if (layout.subjects[i].code == subject) {
            page.subjectIndex = i;
            break;
        }
    }
    page.subjectiveIndex = o.value("subjective").toBool() ? 1 : 0;
    std::vector<std::vector<std::string>> sections, rules;
    if (!rowsOf(o.value("sections"), 4, sections) || !rowsOf(o.value("rules"), 2, rules)) {
        message = "考试描述的 \"sections\" 须为 [起始题号, 终止题号, 分数, \"单选题\"|\"多选题\"] 的数组，"
                  "\"rules\" 须为 [\"题号\", \"少选分\"] 的数组。";
        return false;
    }
    for (const auto& r : sections) page.sections.push_back({r[0], r[1], r[2], r[3]});
    for (const auto& r : rules) page.rules.push_back({r[0], r[1]});
    return true;
}

}  // namespace tarvel::grade
