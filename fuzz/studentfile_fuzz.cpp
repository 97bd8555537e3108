// Any byte string opened as a student file or read as "base.dat" is refused
// or accepted without reading beyond its end; an accepted student file holds
// exactly the rows its length says and writes back to the same length, every
// text as it was read (no "?" stands in for a byte that is not GBK).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "roster/studentfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel;
    Roster roster;
    if (parseStudentFile(data, size, roster).empty()) {
        if (roster.students.size() > size_t(kMaxStudents) || studentFileSize(roster) != size) std::abort();
        std::vector<uint8_t> out;
        std::string substituted;
        if (encodeStudentFile(roster, out, &substituted).empty() && out.size() != size) std::abort();
        if (!substituted.empty()) std::abort();
    }
    auto path = parseLastStudentFile(data, size);
    if (path && (path->empty() || path->size() >= kLastStudentFileSize)) std::abort();
    return 0;
}
