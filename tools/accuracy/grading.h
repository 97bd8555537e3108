#pragma once
// A corpus set graded as classes are graded: per layout whose frames all
// answer one exam (one subject, one set of multiple-choice questions), the program
// tarvel-grade reads the standard answer (the layout's first frame, whose
// admission number is blank) and then every other frame, with a roster of
// the frames' admission numbers and an exam of the layout's subject; every
// total it stores is compared with the total the truth earns. A misread
// standard answer makes every total of its class wrong.
#include <string>

namespace tarvel::corpus {

struct GradeCheck {
    int classes = 0;          // layouts graded
    int cards = 0;            // frames handed to tarvel-grade
    int stored = 0;           // cards stored with a total
    int refused = 0;          // cards not stored (not found, refused by the judgement)
    int wrongTotals = 0;      // stored totals that differ from the truth's
    int standardsMissed = 0;  // standard answers not accepted (their class is not graded)
    std::string problems;     // one line per wrong total or missed standard answer
};

// The exam of every class: questions of the last fifth (at least one) are
// multiple choice worth 2 with 0.5 per right option of an incomplete answer,
// the others single choice worth 1.
std::string examJson(const std::string& subject, int questions, int firstMultiple);

// Grades the set in `folder` (truth.jsonl, frames and, where it brings them,
// its layouts; else those of `layoutFolder`) with the program `gradeProgram`,
// writing its files into `scratch`. False with a message when the set cannot
// be graded at all.
bool gradeSet(const std::string& folder, const std::string& layoutFolder, const std::string& gradeProgram,
              const std::string& scratch, GradeCheck& out, std::string& message);

}  // namespace tarvel::corpus
