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
#include "grading/suggestions.h"
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

// A card refused because its admission number is not on the roster while
// students of the chosen group are one slip away from it: the whole card as
// it was read, so that it can be stored for one of them without reading the
// card again.
struct UnknownCard {
    CardReading reading;              // admission number as read, subject, subjective score, answers
    bool subjectiveScoreRead = true;  // false when its digits were not a number
    std::vector<StudentSuggestion> suggestions;  // also named in the hint, best first
};

// The outcome of one judgement.
struct Judgement {
    bool accepted = false;
    std::string hint;                   // the memo text; empty when the memo is cleared
    std::optional<std::string> prompt;  // the new short text over the picture; none keeps the old one
    std::string caption;                // new main window caption, "" when it stays
    int currentRecord = -1;             // record whose grid row becomes current (accepted cards)
    int currentGridRow = 0;             // that row in the filtered grid (from 1), 0 when not shown
    std::optional<UnknownCard> unknownCard;  // a refused card that can be stored for a suggested student
};

// Judges one located card. An accepted card is stored in `records` and its
// admission number becomes `lastAdmissionNumber` (the number of the last card
// whose judgement completed); a rejection leaves both as they were.
Judgement JudgeCard(CardMarks& marks, const JudgeContext& context, GradingRecords& records,
                    std::string& lastAdmissionNumber);

// Stores a card refused as unknown for roster student `student` (an index in
// context.roster.students, normally one of card.suggestions) — the grading
// page's one click on a suggestion. The card is judged again exactly as
// JudgeCard judges it, with the student's admission number in place of the
// one read: the grade, class, subject and subjective-score checks, scoring,
// and a repeated read of a student already graded all apply; more than three
// differing answers always ask, even when that student's card was the last
// one judged (the card given is another card).
// An accepted card carries the student's number, name, grade and class and
// is marked handAssigned; its hint first says which number was read and who
// the card was given to. A student index outside the roster, a student
// with a blank number or a run without a standard answer is refused with
// nothing changed (an empty hint). The page offers the click for the card of
// the latest judgement only: the card under the camera may have changed since.
Judgement StoreCardForStudent(const UnknownCard& card, int student, const JudgeContext& context,
                              GradingRecords& records, std::string& lastAdmissionNumber);

}  // namespace tarvel
