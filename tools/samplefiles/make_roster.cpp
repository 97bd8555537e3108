// Turns a readable roster table into a student file.
//
//   tarvel-make-roster TABLE.tsv OUT.xs
//
// Table lines (tab-separated, "#" starts a comment line):
//   grade <name> <code>                              one per grade, in order
//   <admission number> <name> <grade code> <class code>   one per student
// Grades and classes are switched on and tied to the admission numbers; the
// code lengths come from the table, and every admission number must begin
// with its grade and class code. The first student's group is selected.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/savefile.h"
#include "roster/xuesheng.h"

namespace {

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, '\t')) parts.push_back(part);
    return parts;
}

int fail(const std::string& text) {
    std::cerr << "tarvel-make-roster: " << text << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvel;
    if (argc != 3) return fail("usage: tarvel-make-roster TABLE.tsv OUT.xs");
    std::ifstream in(argv[1]);
    if (!in) return fail(std::string("cannot read ") + argv[1]);

    Roster roster;
    roster.gradesEnabled = roster.classesEnabled = roster.admissionLinked = true;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f = splitTabs(line);
        const std::string where = std::string(argv[1]) + ":" + std::to_string(number) + ": ";
        if (f.size() == 3 && f[0] == "grade") {
            roster.grades.push_back({f[1], f[2]});
        } else if (f.size() == 4) {
            if (f[0].rfind(f[2] + f[3], 0) != 0) return fail(where + "admission number does not begin with its codes");
            roster.students.push_back({f[0], f[1], f[2], f[3]});
        } else {
            return fail(where + "expected a grade line or four columns");
        }
    }
    if (roster.grades.empty() || roster.students.empty()) return fail("the table needs grades and students");

    const StudentEntry& first = roster.students.front();
    roster.gradeCodeLength = int32_t(first.gradeCode.size());
    roster.classCodeLength = int32_t(first.classCode.size());
    roster.admissionLength = int32_t(first.admissionNumber.size());
    for (const StudentEntry& s : roster.students) {
        if (int(s.gradeCode.size()) != roster.gradeCodeLength || int(s.classCode.size()) != roster.classCodeLength ||
            int(s.admissionNumber.size()) != roster.admissionLength) {
            return fail("codes of unequal length at " + s.admissionNumber);
        }
        bool known = false;
        for (const GradeEntry& g : roster.grades) known = known || g.code == s.gradeCode;
        if (!known) return fail("unknown grade code at " + s.admissionNumber);
    }
    for (const GradeEntry& g : roster.grades) {
        if (g.code == first.gradeCode) roster.selectedGrade = g;
    }
    roster.selectedClassCode = first.classCode;
    roster.admissionPrefix = first.gradeCode + first.classCode;

    std::vector<uint8_t> bytes;
    std::string error = encodeStudentFile(roster, bytes);
    if (error.empty()) saveFileAtomically(argv[2], bytes, error);
    if (!error.empty()) return fail(error);
    return 0;
}
