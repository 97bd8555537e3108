#include "layoutfile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <variant>
#include <vector>

#include "base/floattext.h"

namespace tarvel::cards {
namespace {

using FloatField = float CardTemplate::*;
using IntField = int32_t CardTemplate::*;

struct Field {
    const char* key;
    std::variant<FloatField, IntField> member;
};

// In record order, so "info" prints the fields as the file holds them.
const std::vector<Field>& fields() {
    static const std::vector<Field> f = {
        {"lowerLineLength", &CardTemplate::lowerLineLength},
        {"lineSpacing", &CardTemplate::lineSpacing},
        {"cellWidth", &CardTemplate::cellWidth},
        {"cellHeight", &CardTemplate::cellHeight},
        {"originOffsetX", &CardTemplate::originOffsetX},
        {"abMode", &CardTemplate::abMode},
        {"abCellAX", &CardTemplate::abCellAX},
        {"abCellAY", &CardTemplate::abCellAY},
        {"abCellBX", &CardTemplate::abCellBX},
        {"abCellBY", &CardTemplate::abCellBY},
        {"admissionX", &CardTemplate::admissionX},
        {"admissionY", &CardTemplate::admissionY},
        {"admissionDigits", &CardTemplate::admissionDigits},
        {"subjectX", &CardTemplate::subjectX},
        {"subjectY", &CardTemplate::subjectY},
        {"subjectColumns", &CardTemplate::subjectColumns},
        {"subjectRows", &CardTemplate::subjectRows},
        {"subjectCount", &CardTemplate::subjectCount},
        {"scoreX", &CardTemplate::scoreX},
        {"scoreY", &CardTemplate::scoreY},
        {"scoreDigits", &CardTemplate::scoreDigits},
        {"orientMarkX", &CardTemplate::orientMarkX},
        {"questionCount", &CardTemplate::questionCount},
        {"answerY", &CardTemplate::answerY},
        {"blockPitchX", &CardTemplate::blockPitchX},
        {"blockPitchY", &CardTemplate::blockPitchY},
        {"optionsVertical", &CardTemplate::optionsVertical},
        {"areaOneColumns", &CardTemplate::areaOneColumns},
        {"areaOneRows", &CardTemplate::areaOneRows},
        {"areaOneFirstColumn", &CardTemplate::areaOneFirstColumn},
        {"areaTwoColumns", &CardTemplate::areaTwoColumns},
        {"areaTwoRows", &CardTemplate::areaTwoRows},
        {"areaTwoFirstColumn", &CardTemplate::areaTwoFirstColumn},
    };
    return f;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string jsonText(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

std::string stemOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string parseLayoutText(const std::string& text, CardDesign& out) {
    CardTemplate t;
    std::map<std::string, int> seen;
    int subjects = 0;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string where = "第" + std::to_string(lineNo) + "行：";
        std::string line = trim(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) return where + "缺少“=”。";
        std::string key = trim(line.substr(0, eq));
        std::string value = trim(line.substr(eq + 1));
        if (key == "title") {
            out.title = value;
            continue;
        }
        if (key == "subject") {
            std::istringstream parts(value);
            std::string code, name;
            parts >> code >> name;
            if (code.empty() || code.size() > 2 || code.find_first_not_of("0123456789") != std::string::npos ||
                name.empty()) {
                return where + "科目应写作“subject = 代码 名称”，代码为1到2位数字。";
            }
            if (subjects >= kMaxSubjects) return where + "科目超过" + std::to_string(kMaxSubjects) + "个。";
            t.subjects[subjects++] = {code, name};
            continue;
        }
        if (key == "subjectCount") return where + "subjectCount 由 subject 行数决定，不要单独给出。";
        const Field* field = nullptr;
        for (const Field& f : fields()) {
            if (key == f.key) field = &f;
        }
        if (!field) return where + "未知的字段“" + key + "”。";
        if (seen[key]++) return where + "字段“" + key + "”重复。";
        char* end = nullptr;
        if (std::holds_alternative<FloatField>(field->member)) {
            float v = std::strtof(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !std::isfinite(v)) return where + "“" + key + "”的值不是数字。";
            t.*std::get<FloatField>(field->member) = v;
        } else {
            long v = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0') return where + "“" + key + "”的值不是整数。";
            t.*std::get<IntField>(field->member) = static_cast<int32_t>(v);
        }
    }
    for (const Field& f : fields()) {
        if (std::string(f.key) != "subjectCount" && !seen.count(f.key)) {
            return std::string("缺少字段“") + f.key + "”。";
        }
    }
    t.subjectCount = subjects;
    out.layout = t;
    return "";
}

std::string loadDesign(const std::string& path, CardDesign& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "无法打开文件：" + path;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CardDesign d;
    d.name = stemOf(path);
    bool isDat = path.size() >= 4 && path.compare(path.size() - 4, 4, ".dat") == 0;
    if (isDat) {
        if (bytes.size() < kTemplateSize) {
            return "模板文件“" + d.datName() + "”太短：" + std::to_string(bytes.size()) + "字节。";
        }
        d.layout = decodeTemplate(reinterpret_cast<const uint8_t*>(bytes.data()));
    } else {
        std::string problem = parseLayoutText(bytes, d);
        if (!problem.empty()) return path + "：" + problem;
    }
    if (d.title.empty()) d.title = "答题卡";
    std::string problem = checkTemplate(d.layout, d.datName());
    if (!problem.empty()) return problem;
    out = d;
    return "";
}

std::string layoutJson(const CardDesign& design) {
    CardTemplate t = design.layout;
    std::string json = "{\n  \"name\": " + jsonText(design.datName()) + ",\n  \"family\": " +
                       jsonText(design.name.substr(0, 2)) + ",\n";
    for (const Field& f : fields()) {
        json += "  \"" + std::string(f.key) + "\": ";
        if (std::holds_alternative<FloatField>(f.member)) {
            json += floatToText(t.*std::get<FloatField>(f.member));
        } else {
            json += std::to_string(t.*std::get<IntField>(f.member));
        }
        json += ",\n";
    }
    json += "  \"subjects\": [";
    for (int i = 0; i < kMaxSubjects && i < t.subjectCount; ++i) {
        json += std::string(i ? ", " : "") + "{\"code\": " + jsonText(t.subjects[i].code) +
                ", \"name\": " + jsonText(t.subjects[i].name) + "}";
    }
    json += "]\n}\n";
    return json;
}

std::string layoutText(const CardDesign& design) {
    CardTemplate t = design.layout;
    // The shortest decimal text that reads back as the same float.
    auto shortest = [](float v) {
        char text[32];
        for (int digits = 6; digits <= 9; ++digits) {
            std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(v));
            if (std::strtof(text, nullptr) == v) break;
        }
        return std::string(text);
    };
    std::string out = "title = " + design.title + "\n";
    for (const Field& f : fields()) {
        if (std::string(f.key) == "subjectCount") {
            for (int i = 0; i < kMaxSubjects && i < t.subjectCount; ++i) {
                out += "subject = " + t.subjects[i].code + " " + t.subjects[i].name + "\n";
            }
            continue;
        }
        out += std::string(f.key) + " = ";
        if (std::holds_alternative<FloatField>(f.member)) {
            out += shortest(t.*std::get<FloatField>(f.member));
        } else {
            out += std::to_string(t.*std::get<IntField>(f.member));
        }
        out += "\n";
    }
    return out;
}

}  // namespace tarvel::cards
