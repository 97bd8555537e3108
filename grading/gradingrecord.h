#pragma once
// Grading records: one accepted card with its scores, counters and the
// answer, outcome and score of every question; 2620 bytes in a file.
// Record 0 of the records array is the standard answer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grading/kaoshi.h"

namespace tarvel {

inline constexpr int kMaxRecords = 5000;
inline constexpr int kMaxSectionScores = 20;
inline constexpr size_t kGradingRecordSize = 2620;
inline constexpr size_t kAnswerSlotSize = 12;
inline constexpr size_t kAnswerWidth = 5;
// The first byte of the two-byte gap after the class code (the alignment
// padding before the total): 1 when the card was stored for a student chosen
// by hand. No field covers the gap, so no reader of the file takes its
// meaning from it, and the files of cards read by machine keep it zero.
inline constexpr size_t kHandAssignedAt = 114;

// The answer of one question: option letters "A" to "D" in ascending order,
// empty when unmarked. Holds up to the five bytes of its field.
class AnswerText {
public:
    AnswerText() = default;
    AnswerText(std::string_view text);  // keeps at most kAnswerWidth bytes
    AnswerText(const char* text) : AnswerText(std::string_view(text)) {}
    AnswerText(const std::string& text) : AnswerText(std::string_view(text)) {}

    std::string_view view() const { return {chars_.data(), size_}; }
    // The five bytes of the field: the answer, zero after it.
    const std::array<char, kAnswerWidth>& field() const { return chars_; }
    std::string str() const { return std::string(view()); }
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    bool operator==(const AnswerText& o) const { return view() == o.view(); }
    bool operator!=(const AnswerText& o) const { return !(*this == o); }

private:
    std::array<char, kAnswerWidth> chars_{};
    uint8_t size_ = 0;
};

// Outcome codes of a scored question; 0 until the record has been scored.
inline constexpr char kOutcomeFull = '0';
inline constexpr char kOutcomeExtra = '1';    // "多选"
inline constexpr char kOutcomeMissing = '2';  // "少选"
inline constexpr char kOutcomeWrong = '3';    // "错选"

struct AnswerSlot {
    AnswerText answer;
    char outcome = 0;
    float score = 0;
    bool operator==(const AnswerSlot& o) const {
        return answer == o.answer && outcome == o.outcome && score == o.score;
    }
};

struct GradingRecord {
    int32_t readCount = 0;
    int32_t paperType = 0;  // 0 paper A, 1 paper B
    std::string admissionNumber;
    std::string name;  // UTF-8
    std::string gradeCode;
    std::string gradeName;  // UTF-8
    std::string classCode;
    float total = 0;
    float subjectiveScore = 0;
    float objectiveScore = 0;
    std::array<float, kMaxSectionScores> sectionScores{};
    int32_t extraCount = 0;
    int32_t missingCount = 0;
    int32_t wrongCount = 0;
    std::array<AnswerSlot, kMaxExamQuestions> answers{};  // slot q - 1 is question q
    // Stored for a student the teacher chose because the admission number on
    // the card is not on the roster; a later read of the card clears it.
    bool handAssigned = false;

    void clear() { *this = GradingRecord{}; }
    const AnswerText& answer(int q) const { return answers[q - 1].answer; }
    bool operator==(const GradingRecord& o) const;
};

// Records 0 .. count - 1; the vector's size is the record count (at most
// kMaxRecords).
using GradingRecords = std::vector<GradingRecord>;

void decodeAnswerSlot(const uint8_t* bytes, AnswerSlot& out);
void encodeAnswerSlot(const AnswerSlot& slot, uint8_t* bytes);
void decodeGradingRecord(const uint8_t* bytes, GradingRecord& out);
// "" or the message naming a text that does not fit its field; `substituted`
// receives the first text saved with "?" (see FieldWriter).
std::string encodeGradingRecord(const GradingRecord& record, uint8_t* bytes, std::string* substituted = nullptr);

// Index of the first record with this admission number, or -1.
int findRecord(const GradingRecords& records, const std::string& admissionNumber);

}  // namespace tarvel
