// Any byte string handed to the record decoders (student file, roster image,
// exam settings, grading record) is refused or decoded without reading
// beyond its end, and what is decoded encodes again, every text as it was
// read (no "?" stands in for a byte that is not GBK).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"
#include "roster/xuesheng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel;
    Roster roster;
    std::vector<uint8_t> out;
    std::string substituted;
    if (decodeStudentFile(data, size, roster).empty()) encodeStudentFile(roster, out, &substituted);

    if (size >= kExamSettingsSize) {
        ExamSettings settings;
        std::vector<uint8_t> bytes(kExamSettingsSize);
        if (decodeExamSettings(data, settings).empty()) encodeExamSettings(settings, bytes.data(), &substituted);
    }
    if (size >= kGradingRecordSize) {
        GradingRecord record;
        std::vector<uint8_t> bytes(kGradingRecordSize);
        decodeGradingRecord(data, record);
        encodeGradingRecord(record, bytes.data(), &substituted);
    }
    if (size >= kRosterImageSize) {
        std::vector<uint8_t> bytes(kRosterImageSize);
        if (decodeRosterImage(data, roster).empty()) encodeRosterImage(roster, bytes.data(), &substituted);
    }
    if (!substituted.empty()) std::abort();
    return 0;
}
