#pragma once
// Exam records: the settings of one grading run (exam, subject, score
// sections, partial-credit rules and the derived per-question table) and their
// 4588-byte image.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvel {

inline constexpr int kMaxSections = 10;
inline constexpr int kMaxRules = 10;
inline constexpr int kMaxExamQuestions = 200;
inline constexpr int kMaxRuleQuestions = 100;
inline constexpr float kMaxQuestionScore = 10.0f;

inline constexpr size_t kExamSettingsSize = 4588;
inline constexpr size_t kScoreSectionSize = 16;
inline constexpr size_t kPartialCreditRuleSize = 105;
inline constexpr size_t kQuestionRuleSize = 16;

inline constexpr size_t kCardNameWidth = 100;
inline constexpr size_t kExamNameWidth = 50;
inline constexpr size_t kSubjectCodeWidth = 3;
inline constexpr size_t kSubjectNameWidth = 10;
inline constexpr size_t kRuleListWidth = 100;
inline constexpr size_t kRulePartialWidth = 5;

enum QuestionKind : int32_t { kSingleChoice = 0, kMultipleChoice = 1 };
enum PartialMode : int32_t { kPartialFixed = 0, kPartialPerOption = 1 };

struct ScoreSection {
    int32_t first = 0;
    int32_t last = 0;
    float score = 0;
    int32_t kind = kSingleChoice;
    bool operator==(const ScoreSection& o) const {
        return first == o.first && last == o.last && score == o.score && kind == o.kind;
    }
};

struct PartialCreditRule {
    std::string questionList;  // as typed, "1-5,11"
    std::string partialScore;  // as typed, "1" or "0.5/"
    bool operator==(const PartialCreditRule& o) const {
        return questionList == o.questionList && partialScore == o.partialScore;
    }
};

struct QuestionRule {
    float fullScore = 0;
    int32_t kind = kSingleChoice;
    float partialValue = 0;
    int32_t partialMode = kPartialFixed;
    bool operator==(const QuestionRule& o) const {
        return fullScore == o.fullScore && kind == o.kind && partialValue == o.partialValue &&
               partialMode == o.partialMode;
    }
};

struct ExamSettings {
    std::string cardName;
    std::string examName;     // UTF-8
    std::string subjectCode;  // digits
    std::string subjectName;  // UTF-8
    bool hasSubjectiveScore = false;
    std::array<ScoreSection, kMaxSections> sections{};
    int32_t sectionCount = 0;
    std::array<PartialCreditRule, kMaxRules> rules{};
    int32_t ruleCount = 0;
    std::array<QuestionRule, kMaxExamQuestions> questions{};  // entry q - 1 is question q
    int32_t questionCount = 0;

    void clear() { *this = ExamSettings{}; }
    const QuestionRule& question(int q) const { return questions[q - 1]; }
    bool operator==(const ExamSettings& o) const;
};

void decodeScoreSection(const uint8_t* bytes, ScoreSection& out);
void encodeScoreSection(const ScoreSection& section, uint8_t* bytes);
void decodePartialCreditRule(const uint8_t* bytes, PartialCreditRule& out);
std::string encodePartialCreditRule(const PartialCreditRule& rule, uint8_t* bytes);
void decodeQuestionRule(const uint8_t* bytes, QuestionRule& out);
void encodeQuestionRule(const QuestionRule& rule, uint8_t* bytes);

// 4588 bytes. Encoding returns "" or the message naming a text that does not
// fit (`substituted` receives the first text saved with "?", see FieldWriter);
// decoding refuses counts beyond the tables (settings untouched).
std::string encodeExamSettings(const ExamSettings& settings, uint8_t* bytes, std::string* substituted = nullptr);
std::string decodeExamSettings(const uint8_t* bytes, ExamSettings& out);

}  // namespace tarvel
