#pragma once
// Roster suggestions for a card whose admission number is not on the roster:
// the students of the chosen grade and class whose number is one slip away
// from the number read. A slip is one column read or filled one bubble off,
// two neighbouring columns swapped, or one column otherwise different (an
// unmarked column reads as a space). Numbers two slips away are not
// suggested: a wrong student is worse than none.
#include <optional>
#include <string>
#include <vector>

#include "grading/gradinggrid.h"
#include "roster/xuesheng.h"

namespace tarvel {

// Kinds of slip, most likely first: the order suggestions are listed in.
enum class Slip {
    NeighbourBubble,  // one column differs by one digit (the bubble above or below)
    SwappedColumns,   // two neighbouring columns swapped
    OtherDigit,       // one column differs otherwise, or was left unmarked
};

struct StudentSuggestion {
    int student = -1;  // index in Roster::students
    std::string admissionNumber;
    std::string name;  // UTF-8
    Slip slip = Slip::OtherDigit;
};

inline constexpr int kMaxSuggestions = 5;

// The slip that turns `stored` into `read`, if there is exactly one. Numbers
// of different lengths are never one slip apart.
std::optional<Slip> slipBetween(const std::string& read, const std::string& stored);

// Whether the judgement accepts a student of this group under the grading
// page's selectors: the chosen grade while grades are on, the chosen class
// while classes are on and one is chosen.
bool fitsChoice(const Roster& roster, const GroupChoice& choice, const StudentEntry& student);

// The students of the chosen group one slip away from `read`, by kind of
// slip, then admission number, then roster order; at most kMaxSuggestions.
std::vector<StudentSuggestion> suggestStudents(const Roster& roster, const GroupChoice& choice,
                                               const std::string& read);

// "可能是：202410103 胡昊然、202410130 李想" ("" for no suggestion).
std::string suggestionText(const std::vector<StudentSuggestion>& suggestions);

}  // namespace tarvel
