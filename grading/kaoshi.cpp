#include "grading/kaoshi.h"

#include <cstring>

#include "base/bytes.h"
#include "base/gbk.h"
#include "roster/recordtext.h"

namespace tarvel {
namespace {

constexpr size_t kCardNameAt = 0;
constexpr size_t kExamNameAt = 100;
constexpr size_t kSubjectCodeAt = 150;
constexpr size_t kSubjectNameAt = 153;
constexpr size_t kSubjectiveAt = 163;
constexpr size_t kSectionsAt = 164;
constexpr size_t kSectionCountAt = 324;
constexpr size_t kRulesAt = 328;
constexpr size_t kRuleCountAt = 1380;
constexpr size_t kQuestionsAt = 1384;
constexpr size_t kQuestionCountAt = 4584;

std::string countProblem(const char* what, int32_t value, int limit) {
    return std::string("考试设置数据已损坏：") + what + std::to_string(value) + "超出了0到" + std::to_string(limit) +
           "的范围。";
}

}  // namespace

bool ExamSettings::operator==(const ExamSettings& o) const {
    return cardName == o.cardName && examName == o.examName && subjectCode == o.subjectCode &&
           subjectName == o.subjectName && hasSubjectiveScore == o.hasSubjectiveScore && sections == o.sections &&
           sectionCount == o.sectionCount && rules == o.rules && ruleCount == o.ruleCount &&
           questions == o.questions && questionCount == o.questionCount;
}

void decodeScoreSection(const uint8_t* b, ScoreSection& out) {
    out.first = readI32(b);
    out.last = readI32(b + 4);
    out.score = readF32(b + 8);
    out.kind = readI32(b + 12);
}

void encodeScoreSection(const ScoreSection& s, uint8_t* b) {
    writeI32(b, s.first);
    writeI32(b + 4, s.last);
    writeF32(b + 8, s.score);
    writeI32(b + 12, s.kind);
}

void decodePartialCreditRule(const uint8_t* b, PartialCreditRule& out) {
    out.questionList = readRawField(b, kRuleListWidth);
    out.partialScore = readRawField(b + 100, kRulePartialWidth);
}

std::string encodePartialCreditRule(const PartialCreditRule& r, uint8_t* b) {
    FieldWriter w;
    w.raw(b, kRuleListWidth, r.questionList, "题号");
    w.raw(b + 100, kRulePartialWidth, r.partialScore, "少选分");
    return w.error();
}

void decodeQuestionRule(const uint8_t* b, QuestionRule& out) {
    out.fullScore = readF32(b);
    out.kind = readI32(b + 4);
    out.partialValue = readF32(b + 8);
    out.partialMode = readI32(b + 12);
}

void encodeQuestionRule(const QuestionRule& q, uint8_t* b) {
    writeF32(b, q.fullScore);
    writeI32(b + 4, q.kind);
    writeF32(b + 8, q.partialValue);
    writeI32(b + 12, q.partialMode);
}

std::string encodeExamSettings(const ExamSettings& s, uint8_t* b, std::string* substituted) {
    if (s.sectionCount < 0 || s.sectionCount > kMaxSections) return countProblem("大题数", s.sectionCount, kMaxSections);
    if (s.ruleCount < 0 || s.ruleCount > kMaxRules) return countProblem("规则数", s.ruleCount, kMaxRules);
    std::memset(b, 0, kExamSettingsSize);
    FieldWriter w(substituted);
    w.gbk(b + kCardNameAt, kCardNameWidth, s.cardName, "答题卡名称");
    w.gbk(b + kExamNameAt, kExamNameWidth, s.examName, "考试名称");
    w.raw(b + kSubjectCodeAt, kSubjectCodeWidth, s.subjectCode, "科目编码");
    w.gbk(b + kSubjectNameAt, kSubjectNameWidth, s.subjectName, "科目名称");
    b[kSubjectiveAt] = s.hasSubjectiveScore ? 1 : 0;
    for (int i = 0; i < kMaxSections; ++i) encodeScoreSection(s.sections[i], b + kSectionsAt + i * kScoreSectionSize);
    writeI32(b + kSectionCountAt, s.sectionCount);
    for (int i = 0; i < kMaxRules && w.ok(); ++i) {
        std::string e = encodePartialCreditRule(s.rules[i], b + kRulesAt + i * kPartialCreditRuleSize);
        if (!e.empty()) return e;
    }
    writeI32(b + kRuleCountAt, s.ruleCount);
    for (int q = 0; q < kMaxExamQuestions; ++q) {
        encodeQuestionRule(s.questions[q], b + kQuestionsAt + q * kQuestionRuleSize);
    }
    writeI32(b + kQuestionCountAt, s.questionCount);
    return w.error();
}

std::string decodeExamSettings(const uint8_t* b, ExamSettings& out) {
    int32_t sections = readI32(b + kSectionCountAt);
    int32_t rules = readI32(b + kRuleCountAt);
    int32_t questions = readI32(b + kQuestionCountAt);
    if (sections < 0 || sections > kMaxSections) return countProblem("大题数", sections, kMaxSections);
    if (rules < 0 || rules > kMaxRules) return countProblem("规则数", rules, kMaxRules);
    if (questions < 0 || questions > kMaxExamQuestions) return countProblem("题数", questions, kMaxExamQuestions);
    ExamSettings s;
    s.cardName = readGbkField(b + kCardNameAt, kCardNameWidth);
    s.examName = readGbkField(b + kExamNameAt, kExamNameWidth);
    s.subjectCode = readRawField(b + kSubjectCodeAt, kSubjectCodeWidth);
    s.subjectName = readGbkField(b + kSubjectNameAt, kSubjectNameWidth);
    s.hasSubjectiveScore = b[kSubjectiveAt] != 0;
    for (int i = 0; i < kMaxSections; ++i) decodeScoreSection(b + kSectionsAt + i * kScoreSectionSize, s.sections[i]);
    s.sectionCount = sections;
    for (int i = 0; i < kMaxRules; ++i) {
        decodePartialCreditRule(b + kRulesAt + i * kPartialCreditRuleSize, s.rules[i]);
    }
    s.ruleCount = rules;
    for (int q = 0; q < kMaxExamQuestions; ++q) {
        decodeQuestionRule(b + kQuestionsAt + q * kQuestionRuleSize, s.questions[q]);
    }
    s.questionCount = questions;
    out = std::move(s);
    return {};
}

}  // namespace tarvel
