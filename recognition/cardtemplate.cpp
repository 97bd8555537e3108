#include "recognition/cardtemplate.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "base/bytes.h"
#include "base/gbk.h"
#include "base/paths.h"
#include "base/savefile.h"
#include "recognition/layoutgeometry.h"

namespace tarvel {
namespace {

constexpr size_t kSubjectTable = 68;
constexpr size_t kSubjectEntrySize = 13;

// The record's numeric fields with their offsets, shared by decoding and
// encoding so that the two can never disagree.
template <typename Visitor>
void visitNumbers(CardTemplate& t, Visitor&& v) {
    v(0, t.lowerLineLength);
    v(4, t.lineSpacing);
    v(8, t.cellWidth);
    v(12, t.cellHeight);
    v(16, t.originOffsetX);
    v(20, t.abMode);
    v(24, t.abCellAX);
    v(28, t.abCellAY);
    v(32, t.abCellBX);
    v(36, t.abCellBY);
    v(40, t.admissionX);
    v(44, t.admissionY);
    v(48, t.admissionDigits);
    v(52, t.subjectX);
    v(56, t.subjectY);
    v(60, t.subjectColumns);
    v(64, t.subjectRows);
    v(328, t.subjectCount);
    v(332, t.scoreX);
    v(336, t.scoreY);
    v(340, t.scoreDigits);
    v(344, t.orientMarkX);
    v(348, t.questionCount);
    v(352, t.answerY);
    v(356, t.blockPitchX);
    v(360, t.blockPitchY);
    v(364, t.optionsVertical);
    v(368, t.areaOneColumns);
    v(372, t.areaOneRows);
    v(376, t.areaOneFirstColumn);
    v(380, t.areaTwoColumns);
    v(384, t.areaTwoRows);
    v(388, t.areaTwoFirstColumn);
}

struct Reader {
    const uint8_t* bytes;
    void operator()(size_t offset, float& f) const { f = readF32(bytes + offset); }
    void operator()(size_t offset, int32_t& i) const { i = readI32(bytes + offset); }
};

struct Writer {
    uint8_t* bytes;
    void operator()(size_t offset, float& f) const { writeF32(bytes + offset, f); }
    void operator()(size_t offset, int32_t& i) const { writeI32(bytes + offset, i); }
};

std::string rangeMessage(const std::string& file, const char* field, const char* label, long long value,
                         int low, int high) {
    return "模板文件“" + file + "”无效：" + label + "（" + field + "）为" + std::to_string(value) +
           "，应在" + std::to_string(low) + "到" + std::to_string(high) + "之间。";
}

}  // namespace

CardTemplate decodeTemplate(const uint8_t* bytes) {
    CardTemplate t;
    visitNumbers(t, Reader{bytes});
    for (int i = 0; i < kMaxSubjects; ++i) {
        const uint8_t* entry = bytes + kSubjectTable + kSubjectEntrySize * i;
        t.subjects[i].code = readRawField(entry, 3);
        t.subjects[i].name = readGbkField(entry + 3, 10);
    }
    return t;
}

std::array<uint8_t, kTemplateSize> encodeTemplate(const CardTemplate& source) {
    std::array<uint8_t, kTemplateSize> bytes{};
    CardTemplate t = source;
    visitNumbers(t, Writer{bytes.data()});
    for (int i = 0; i < kMaxSubjects; ++i) {
        uint8_t* entry = bytes.data() + kSubjectTable + kSubjectEntrySize * i;
        writeRawField(entry, 3, t.subjects[i].code);
        writeGbkField(entry + 3, 10, t.subjects[i].name);
    }
    return bytes;
}

std::string checkTemplate(const CardTemplate& source, const std::string& file) {
    CardTemplate t = source;
    std::string problem;
    visitNumbers(t, [&](size_t offset, auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, float>) {
            if (problem.empty() && !std::isfinite(value)) {
                problem = "模板文件“" + file + "”无效：偏移" + std::to_string(offset) + "处的数值不是有限数。";
            }
        }
    });
    if (!problem.empty()) return problem;

    struct Count {
        const char* field;
        const char* label;
        int32_t value;
        int high;
    };
    const Count counts[] = {
        {"admissionDigits", "准考证号列数", t.admissionDigits, kMaxAdmissionDigits},
        {"subjectColumns", "科目列数", t.subjectColumns, kMaxSubjectColumns},
        {"subjectRows", "科目行数", t.subjectRows, kMaxSubjectRows},
        {"subjectCount", "科目个数", t.subjectCount, kMaxSubjects},
        {"scoreDigits", "主观分列数", t.scoreDigits, kMaxScoreDigits},
        {"questionCount", "题目数", t.questionCount, kMaxQuestions},
        {"areaOneColumns", "第一区每行块数", t.areaOneColumns, 1000},
        {"areaOneRows", "第一区块行数", t.areaOneRows, 1000},
        {"areaOneFirstColumn", "第一区起始列", t.areaOneFirstColumn, 1000},
        {"areaTwoColumns", "第二区每行块数", t.areaTwoColumns, 1000},
        {"areaTwoRows", "第二区块行数", t.areaTwoRows, 1000},
        {"areaTwoFirstColumn", "第二区起始列", t.areaTwoFirstColumn, 1000},
    };
    for (const Count& c : counts) {
        if (c.value < 0 || c.value > c.high) return rangeMessage(file, c.field, c.label, c.value, 0, c.high);
    }
    if (t.questionCount % 5 != 0) {
        return "模板文件“" + file + "”无效：题目数（questionCount）为" + std::to_string(t.questionCount) +
               "，必须是5的倍数。";
    }
    struct Length {
        const char* field;
        const char* label;
        float value;
    };
    const Length lengths[] = {
        {"lowerLineLength", "下检测线长度", t.lowerLineLength},
        {"lineSpacing", "检测线间距", t.lineSpacing},
        {"cellWidth", "格子宽度", t.cellWidth},
        {"cellHeight", "格子高度", t.cellHeight},
    };
    for (const Length& l : lengths) {
        if (!(l.value > 0)) {
            return "模板文件“" + file + "”无效：" + l.label + "（" + l.field + "）必须大于0。";
        }
    }
    return checkTemplateGeometry(t, file);
}

CardFamily familyOf(const std::string& cardName) {
    if (cardName.rfind("DY", 0) == 0) return CardFamily::DY;
    if (cardName.rfind("JD", 0) == 0) return CardFamily::JD;
    return CardFamily::Other;
}

bool parseTemplateBytes(const uint8_t* bytes, size_t size, const std::string& displayName, CardTemplate& out,
                        std::string& message) {
    if (size < kTemplateSize) {
        message = "模板文件“" + displayName + "”无效：文件长度为" + std::to_string(size) + "字节，至少应有" +
                  std::to_string(kTemplateSize) + "字节。";
        return false;
    }
    CardTemplate t = decodeTemplate(bytes);
    message = checkTemplate(t, displayName);
    if (!message.empty()) return false;
    out = t;
    return true;
}

bool readTemplateFile(const std::string& path, const std::string& displayName, CardTemplate& out,
                      std::string& message) {
    std::vector<uint8_t> bytes;
    switch (readWholeFile(path, bytes, kMaxTemplateFileSize)) {
        case FileRead::Ok: return parseTemplateBytes(bytes.data(), bytes.size(), displayName, out, message);
        case FileRead::Unreadable: message = "未发现模板文件：" + displayName; return false;
        case FileRead::TooLarge:
            message = "模板文件“" + displayName + "”无效：文件过大，不是模板文件。";
            return false;
    }
    return false;
}

bool TemplateStore::LoadCurrentTemplate(Prompter& prompter) {
    if (chosenCardName.empty()) return false;
    std::string message;
    if (!readTemplateFile(installedPath(std::string(installed::kTemplates) + chosenCardName), chosenCardName,
                          current, message)) {
        prompter.message(message);
        return false;
    }
    return true;
}

void TemplateStore::ClearTemplate() {
    chosenCardName.clear();
    current = CardTemplate{};
}

std::string TemplateStore::cardFamily() const {
    // Two characters, not bytes: a layout name may start with Chinese.
    size_t end = 0;
    for (int chars = 0; chars < 2 && end < chosenCardName.size(); ++chars) {
        unsigned char b = static_cast<unsigned char>(chosenCardName[end]);
        end += b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : 4;
    }
    return chosenCardName.substr(0, std::min(end, chosenCardName.size()));
}

}  // namespace tarvel
