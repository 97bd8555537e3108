#pragma once
// Card judgement: what one located card means for the grading run — the
// standard answer, a student's first or repeated read, or a rejection — with
// the hint for the memo, the short prompt and the records updated.
#include <array>
#include <optional>
#include <string>

#include "base/prompter.h"
#include "grading/gradinggrid.h"
#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"
#include "recognition/reading.h"
#include "roster/xuesheng.h"

namespace tarvel {

// The prompt of a card whose student belongs to another class than the one
// chosen on the grading page.
inline constexpr const char* kOtherClassPrompt = "不属于当前班级";

// The reading operations the judgement calls, in its order. The program reads
// a located card through MarkReaderMarks; tests may hand in given readings.
class CardMarks {
public:
    virtual ~CardMarks() = default;
    // Cell geometry with the A/B flag, then the binarization of all areas.
    virtual void prepare(CardReading& reading) = 0;
    virtual void readAdmissionNumber(CardReading& reading, int admissionLength) = 0;
    virtual void readSubjectCode(CardReading& reading) = 0;
    // False when the subjective-score digits are not a number.
    virtual bool readSubjectiveScore(CardReading& reading) = 0;
    virtual void readAnswers(CardReading& reading, int questionCount,
                             const std::array<bool, kMaxQuestions>& multiple) = 0;
};

class MarkReaderMarks : public CardMarks {
public:
    explicit MarkReaderMarks(MarkReader& reader) : reader_(reader) {}
    void prepare(CardReading& reading) override;
    void readAdmissionNumber(CardReading& reading, int admissionLength) override;
    void readSubjectCode(CardReading& reading) override;
    bool readSubjectiveScore(CardReading& reading) override;
    void readAnswers(CardReading& reading, int questionCount,
                     const std::array<bool, kMaxQuestions>& multiple) override;

private:
    MarkReader& reader_;
};

// What a judgement reads of the grading run and the grading page.
struct JudgeContext {
    const Roster& roster;
    const ExamSettings& settings;
    GroupChoice choice;  // the grading page's grade and class selectors
    Prompter& prompter;
};

// The outcome of one judgement.
struct Judgement {
    bool accepted = false;
    std::string hint;                   // the memo text; empty when the memo is cleared
    std::optional<std::string> prompt;  // the new short text over the picture; none keeps the old one
    std::string caption;                // new main window caption, "" when it stays
    int currentRecord = -1;             // record whose grid row becomes current (accepted cards)
    int currentGridRow = 0;             // that row in the filtered grid (from 1), 0 when not shown
};

// Judges one located card. An accepted card is stored in `records` and its
// admission number becomes `lastAdmissionNumber` (the number of the last card
// whose judgement completed); a rejection leaves both as they were.
Judgement JudgeCard(CardMarks& marks, const JudgeContext& context, GradingRecords& records,
                    std::string& lastAdmissionNumber);

}  // namespace tarvel
