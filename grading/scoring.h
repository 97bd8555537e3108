#pragma once
// Scoring of whole cards against the standard answer (record 0).
#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"

namespace tarvel {

// Scores questions 1 to the question count of `record` against `standard`:
// objective score, section scores, the three counters, every slot's outcome
// and score, and total = subjective + objective (float sums in question order).
void ScoreCard(GradingRecord& record, const GradingRecord& standard, const ExamSettings& settings);

// Rescores records 1 onward against record 0, whatever the grid shows.
void RecalculateScores(GradingRecords& records, const ExamSettings& settings);

}  // namespace tarvel
