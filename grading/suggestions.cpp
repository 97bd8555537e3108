#include "grading/suggestions.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace tarvel {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<Slip> slipBetween(const std::string& read, const std::string& stored) {
    if (read.size() != stored.size()) return std::nullopt;
    size_t first = read.size();
    int differing = 0;
    for (size_t i = 0; i < read.size(); ++i) {
        if (read[i] == stored[i]) continue;
        if (++differing > 2) return std::nullopt;
        if (differing == 1) first = i;
    }
    if (differing == 1) {
        const char a = read[first], b = stored[first];
        return isDigit(a) && isDigit(b) && std::abs(a - b) == 1 ? Slip::NeighbourBubble : Slip::OtherDigit;
    }
    if (differing == 2 && first + 1 < read.size() && read[first] == stored[first + 1] &&
        read[first + 1] == stored[first]) {
        return Slip::SwappedColumns;
    }
    return std::nullopt;
}

bool fitsChoice(const Roster& roster, const GroupChoice& choice, const StudentEntry& student) {
    if (roster.gradesEnabled && (!choice.gradeChosen || student.gradeCode != choice.gradeCode)) return false;
    if (roster.classesEnabled && choice.classIndex >= 1 && student.classCode != choice.classText) return false;
    return true;
}

std::vector<StudentSuggestion> suggestStudents(const Roster& roster, const GroupChoice& choice,
                                               const std::string& read) {
    std::vector<StudentSuggestion> found;
    for (size_t i = 0; i < roster.students.size(); ++i) {
        const StudentEntry& s = roster.students[i];
        if (!fitsChoice(roster, choice, s)) continue;
        if (auto slip = slipBetween(read, s.admissionNumber)) {
            found.push_back({int(i), s.admissionNumber, s.name, *slip});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const StudentSuggestion& a, const StudentSuggestion& b) {
        return std::tie(a.slip, a.admissionNumber) < std::tie(b.slip, b.admissionNumber);
    });
    if (found.size() > size_t(kMaxSuggestions)) found.resize(size_t(kMaxSuggestions));
    return found;
}

std::string suggestionText(const std::vector<StudentSuggestion>& suggestions) {
    std::string text;
    for (const StudentSuggestion& s : suggestions) {
        text += text.empty() ? "可能是：" : "、";
        text += s.admissionNumber + " " + s.name;
    }
    return text;
}

}  // namespace tarvel
