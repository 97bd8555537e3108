#include "grading/scoring.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "grading/examsettings.h"

namespace tarvel {
namespace {

// For each question, the sections whose range holds it (a bit per section).
// Validated sections never overlap, but settings read from a file may.
using SectionMasks = std::array<uint16_t, kMaxExamQuestions>;

SectionMasks sectionMasks(const ExamSettings& s) {
    SectionMasks masks{};
    const int sections = std::clamp(s.sectionCount, 0, kMaxSections);
    for (int k = 0; k < sections; ++k) {
        const int first = std::max(s.sections[k].first, 1);
        const int last = std::min(s.sections[k].last, kMaxExamQuestions);
        for (int q = first; q <= last; ++q) masks[q - 1] |= uint16_t(1u << k);
    }
    return masks;
}

void scoreWith(GradingRecord& r, const GradingRecord& standard, const ExamSettings& s, const SectionMasks& masks) {
    r.objectiveScore = 0;
    r.sectionScores.fill(0.0f);
    r.extraCount = r.missingCount = r.wrongCount = 0;
    const int count = std::clamp(s.questionCount, 0, kMaxExamQuestions);
    for (int q = 1; q <= count; ++q) {
        AnswerSlot& slot = r.answers[q - 1];
        QuestionScore result = ScoreQuestion(s.question(q), slot.answer.view(), standard.answer(q).view());
        r.objectiveScore += result.score;
        for (uint16_t m = masks[q - 1], k = 0; m != 0; m >>= 1, ++k) {
            if (m & 1u) r.sectionScores[k] += result.score;
        }
        switch (result.outcome) {
            case kOutcomeExtra: ++r.extraCount; break;
            case kOutcomeMissing: ++r.missingCount; break;
            case kOutcomeWrong: ++r.wrongCount; break;
            default: break;
        }
        slot.outcome = result.outcome;
        slot.score = result.score;
    }
    r.total = r.subjectiveScore + r.objectiveScore;
}

}  // namespace

void ScoreCard(GradingRecord& record, const GradingRecord& standard, const ExamSettings& settings) {
    scoreWith(record, standard, settings, sectionMasks(settings));
}

void RecalculateScores(GradingRecords& records, const ExamSettings& settings) {
    if (records.empty()) return;
    const SectionMasks masks = sectionMasks(settings);
    const GradingRecord& standard = records[0];
    for (size_t i = 1; i < records.size(); ++i) scoreWith(records[i], standard, settings, masks);
}

}  // namespace tarvel
