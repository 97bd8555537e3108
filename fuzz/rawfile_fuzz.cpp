// Raw grading files. A whole file is at least 287,775 bytes, far beyond what a
// fuzzer mutates well, so the input is used twice: as a file of its own (short
// and damaged files), and as patches over a valid file with students and
// records, so that counts, texts and scores inside the blocks get mutated.
// An accepted file must save back to exactly its own bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

#include "gradingfile/rawfile.h"

namespace {

using namespace tarvel;

const std::vector<uint8_t>& validFile() {
    static const std::vector<uint8_t> bytes = [] {
        RawFileContent c;
        c.roster.gradesEnabled = c.roster.classesEnabled = true;
        c.roster.grades = {{"2024级", "20241"}, {"2025级", "20251"}};
        for (int i = 0; i < 3; ++i) {
            c.roster.students.push_back({"20241010" + std::to_string(i), "学生", "20241", "01"});
        }
        c.settings.examName = "期中";
        c.settings.subjectName = "数学";
        c.settings.sections[0] = {1, 5, 2.0f, kMultipleChoice};
        c.settings.sectionCount = 1;
        c.settings.rules[0] = {"1-5", "0.5/"};
        c.settings.ruleCount = 1;
        c.settings.questionCount = 5;
        c.filter = {"20241", "ALL"};
        c.records.resize(3);
        for (auto& r : c.records) r.answers[0].answer = "AB";
        std::vector<uint8_t> out;
        encodeRawFile(c, {}, out);
        return out;
    }();
    return bytes;
}

void check(const uint8_t* data, size_t size) {
    RawFileContent content;
    if (!decodeRawFile(data, size, content)) return;
    if (content.records.size() > size_t(kMaxRecords) || rawFileSize(content.records.size()) != size) std::abort();
    // Kept between runs: fresh 290 KB buffers would cost more than the decoding.
    static std::vector<uint8_t> opened, saved;
    opened.assign(data, data + size);
    if (encodeRawFile(content, opened, saved).empty() && saved != opened) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check(data, size);

    // Patches: offset (2 bytes), length (1 byte), bytes. Offsets run over the
    // parts that carry meaning: the roster header with the used rows and one
    // more, and everything from the exam settings on; the 280,000 bytes of
    // unused rows in between are left out.
    static std::vector<uint8_t> file;
    file = validFile();
    constexpr size_t kHead = kRosterImageSize - 280000 + 4 * kStudentEntrySize;
    const size_t tail = file.size() - kRawExamSettingsAt;
    size_t i = 0;
    while (i + 3 <= size) {
        size_t at = (size_t(data[i]) | size_t(data[i + 1]) << 8) % (kHead + tail);
        if (at >= kHead) at = kRawExamSettingsAt + (at - kHead);
        size_t length = data[i + 2];
        i += 3;
        length = std::min({length, size - i, file.size() - at});
        std::memcpy(file.data() + at, data + i, length);
        i += length;
    }
    check(file.data(), file.size());
    return 0;
}
