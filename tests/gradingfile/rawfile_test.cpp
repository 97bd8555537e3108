// The raw grading file as bytes: every field at its place in a hand-built
// image, unchanged runs saved back byte for byte, damaged files refused.
#include "gradingfile/rawfile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/bytes.h"

namespace tarvel {
namespace {

// A small run with something in every block.
RawFileContent smallRun() {
    RawFileContent c;
    Roster& r = c.roster;
    r.gradesEnabled = r.classesEnabled = true;
    r.grades = {{"2024级", "20241"}};
    r.selectedGrade = r.grades[0];
    r.selectedClassCode = "01";
    r.admissionPrefix = "2024101";
    r.students = {{"202410101", "王浩然", "20241", "01"}, {"202410102", "赵梦瑶", "20241", "01"}};

    ExamSettings& s = c.settings;
    s.cardName = "DY标准85题自动AB卷.dat";
    s.examName = "期中";
    s.subjectCode = "02";
    s.subjectName = "数学";
    s.hasSubjectiveScore = true;
    s.sections[0] = {1, 3, 2.5f, kMultipleChoice};
    s.sectionCount = 1;
    s.rules[0] = {"1-3", "0.5/"};
    s.ruleCount = 1;
    for (int q = 0; q < 3; ++q) s.questions[q] = {2.5f, kMultipleChoice, 0.5f, kPartialPerOption};
    s.questionCount = 3;

    c.filter = {"20241", "ALL"};
    c.records.resize(2);
    c.records[0].readCount = 2;
    c.records[0].answers[0].answer = "AB";
    GradingRecord& k = c.records[1];
    k.readCount = 1;
    k.paperType = 1;
    k.admissionNumber = "202410101";
    k.name = "王浩然";
    k.gradeCode = "20241";
    k.gradeName = "2024级";
    k.classCode = "01";
    k.total = 7.5f;
    k.subjectiveScore = 6;
    k.objectiveScore = 1.5f;
    k.sectionScores[0] = 1.5f;
    k.missingCount = 1;
    k.wrongCount = 1;
    k.answers[0] = {"A", '2', 1.0f};  // partial credit
    k.answers[2] = {"D", '3', 0.0f};
    return c;
}

void put(std::vector<uint8_t>& b, size_t at, const std::string& hex) {
    for (size_t i = 0; i < hex.size(); i += 2) b[at + i / 2] = uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16));
}
void putText(std::vector<uint8_t>& b, size_t at, const char* ascii) { std::memcpy(&b[at], ascii, std::strlen(ascii)); }

// The same run written field by field at the offsets of the file format.
std::vector<uint8_t> handBuiltImage() {
    std::vector<uint8_t> b(287775 + 2 * 2620, 0);
    // Roster image with its alignment padding.
    b[0] = 1;
    writeI32(&b[4], 5);
    put(b, 8, "32303234bcb6");  // "2024级"
    putText(b, 8 + 50, "20241");
    writeI32(&b[3060], 1);
    b[3064] = 1;
    writeI32(&b[3068], 2);
    put(b, 3072, "32303234bcb6");
    putText(b, 3072 + 50, "20241");
    putText(b, 3133, "01");
    b[3137] = 1;
    writeI32(&b[3140], 9);
    putText(b, 3144, "2024101");
    writeI32(&b[3164], 2);
    putText(b, 3168, "202410101");
    put(b, 3168 + 21, "cdf5bac6c8bb");  // "王浩然"
    putText(b, 3168 + 41, "20241");
    putText(b, 3168 + 52, "01");
    putText(b, 3168 + 56, "202410102");
    put(b, 3168 + 56 + 21, "d5d4c3ced1fe");  // "赵梦瑶"
    putText(b, 3168 + 56 + 41, "20241");
    putText(b, 3168 + 56 + 52, "01");
    // Exam settings.
    const size_t e = 283168;
    putText(b, e, "DY");
    put(b, e + 2, "b1ead7bc3835cce2d7d4b6af4142beed2e646174");  // "标准85题自动AB卷.dat"
    put(b, e + 100, "c6dad6d0");                                // "期中"
    putText(b, e + 150, "02");
    put(b, e + 153, "cafdd1a7");  // "数学"
    b[e + 163] = 1;
    writeI32(&b[e + 164], 1);
    writeI32(&b[e + 168], 3);
    writeF32(&b[e + 172], 2.5f);
    writeI32(&b[e + 176], 1);
    writeI32(&b[e + 324], 1);
    putText(b, e + 328, "1-3");
    putText(b, e + 328 + 100, "0.5/");
    writeI32(&b[e + 1380], 1);
    for (int q = 1; q <= 3; ++q) {
        const size_t at = e + 1384 + 16 * (q - 1);
        writeF32(&b[at], 2.5f);
        writeI32(&b[at + 4], 1);
        writeF32(&b[at + 8], 0.5f);
        writeI32(&b[at + 12], 1);
    }
    writeI32(&b[e + 4584], 3);
    // Filter and count.
    putText(b, 287756, "20241");
    putText(b, 287767, "ALL");
    writeI32(&b[287771], 2);
    // Record 0: the standard answer.
    size_t r = 287775;
    writeI32(&b[r], 2);
    putText(b, r + 220, "AB");
    // Record 1.
    r += 2620;
    writeI32(&b[r], 1);
    writeI32(&b[r + 4], 1);
    putText(b, r + 8, "202410101");
    put(b, r + 29, "cdf5bac6c8bb");
    putText(b, r + 49, "20241");
    put(b, r + 60, "32303234bcb6");
    putText(b, r + 110, "01");
    writeF32(&b[r + 116], 7.5f);
    writeF32(&b[r + 120], 6.0f);
    writeF32(&b[r + 124], 1.5f);
    writeF32(&b[r + 128], 1.5f);
    writeI32(&b[r + 212], 1);
    writeI32(&b[r + 216], 1);
    putText(b, r + 220, "A");
    b[r + 220 + 5] = '2';
    writeF32(&b[r + 220 + 8], 1.0f);
    putText(b, r + 220 + 24, "D");
    b[r + 220 + 24 + 5] = '3';
    return b;
}

TEST(RawFile, EveryFieldLiesAtItsOffset) {
    const RawFileContent run = smallRun();
    std::vector<uint8_t> bytes;
    ASSERT_EQ(encodeRawFile(run, {}, bytes), "");
    const std::vector<uint8_t> expected = handBuiltImage();
    ASSERT_EQ(bytes.size(), expected.size());
    for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(int(bytes[i]), int(expected[i])) << "byte " << i;

    RawFileContent back;
    ASSERT_TRUE(decodeRawFile(expected.data(), expected.size(), back));
    EXPECT_EQ(back.roster, run.roster);
    EXPECT_EQ(back.settings, run.settings);
    EXPECT_EQ(back.filter.gradeCode, "20241");
    EXPECT_EQ(back.filter.classCode, "ALL");
    EXPECT_EQ(back.records, run.records);
}

TEST(RawFile, AnOpenedFileIsWrittenBackByteForByteAndChangedBlocksCleanly) {
    // Bytes this program would not write: a stale student row beyond the
    // count, text after a terminator, non-zero padding.
    std::vector<uint8_t> foreign = handBuiltImage();
    putText(foreign, 3168 + 2 * 56, "202410199");
    putText(foreign, 283168 + 100 + 10, "old");
    foreign[2] = 0x7F;
    foreign[287775 + 2620 + 114] = 0x55;

    RawFileContent run;
    ASSERT_TRUE(decodeRawFile(foreign.data(), foreign.size(), run));
    std::vector<uint8_t> saved;
    ASSERT_EQ(encodeRawFile(run, foreign, saved), "");
    EXPECT_EQ(saved, foreign);

    // A new record and a changed exam name: only those blocks are rewritten.
    run.records.push_back(run.records[1]);
    run.records[2].admissionNumber = "202410102";
    run.settings.examName = "期末";
    ASSERT_EQ(encodeRawFile(run, foreign, saved), "");
    ASSERT_EQ(saved.size(), foreign.size() + 2620);
    EXPECT_TRUE(std::equal(foreign.begin(), foreign.begin() + 283168, saved.begin()));  // roster kept
    EXPECT_EQ(saved[283168 + 100 + 10], 0);                                          // exam block clean
    EXPECT_EQ(readI32(&saved[287771]), 3);
    EXPECT_EQ(saved[287775 + 2620 + 114], 0x55);            // record 1 unchanged, kept
    EXPECT_EQ(saved[287775 + 2 * 2620 + 114], 0);           // record 2 written cleanly
}

TEST(RawFile, DamagedFilesAreRefusedAndTheContentStays) {
    const std::vector<uint8_t> good = handBuiltImage();
    auto with = [&](size_t at, int32_t value) {
        std::vector<uint8_t> b = good;
        writeI32(&b[at], value);
        return b;
    };
    const std::vector<std::vector<uint8_t>> damaged = {
        std::vector<uint8_t>(good.begin(), good.end() - 1),         // shorter than N records
        std::vector<uint8_t>(good.begin(), good.begin() + 287774),  // shorter than the fixed part
        [&] { auto b = good; b.push_back(0); return b; }(),         // longer
        with(287771, -1),
        with(287771, 5001),
        with(287771, 1),      // count does not match the length
        with(3164, 5001),     // students beyond the store
        with(3164, -3),
        with(3060, 51),       // grades beyond the table
        with(283168 + 324, 11),   // sections
        with(283168 + 1380, -1),  // rules
        with(283168 + 4584, 201), // questions
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        RawFileContent content = smallRun();
        const RawFileContent before = content;
        std::string problem;
        EXPECT_FALSE(decodeRawFile(damaged[i].data(), damaged[i].size(), content, &problem)) << i;
        EXPECT_FALSE(problem.empty()) << i;
        EXPECT_EQ(content.roster, before.roster) << i;
        EXPECT_EQ(content.records, before.records) << i;
    }
}

TEST(RawFile, FileNameIsExamAndSubjectWithUnsafeCharactersReplaced) {
    ExamSettings s;
    s.examName = "期中/第1次:\"A\"<B>|*?\\";
    s.subjectName = "数学\t";
    EXPECT_EQ(rawFileName(s), "期中_第1次__A__B_____数学_.yj");
    s.examName = "..";
    s.subjectName = "";
    EXPECT_EQ(rawFileName(s), "...yj");  // a plain name in its folder, never the parent
}

}  // namespace
}  // namespace tarvel
