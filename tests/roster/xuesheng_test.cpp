#include "roster/xuesheng.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/corpus.h"

namespace tarvel {
namespace {

// Little-endian int32 and NUL-padded bytes written by hand at fixed offsets,
// independent of the encoders under test.
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void putBytes(std::vector<uint8_t>& b, size_t at, const std::string& s) { std::memcpy(&b[at], s.data(), s.size()); }

const std::string kGbkChuYi = "\xB3\xF5\xD2\xBB";  // 初一
const std::string kGbkZhangSan = "\xD5\xC5\xC8\xFD";  // 张三

Roster sampleRoster() {
    Roster r;
    r.gradesEnabled = true;
    r.gradeCodeLength = 5;
    r.grades = {{"初一", "20091"}, {"初二", "20081"}};
    r.classesEnabled = true;
    r.classCodeLength = 2;
    r.selectedGrade = {"初一", "20091"};
    r.selectedClassCode = "03";
    r.admissionLinked = true;
    r.admissionLength = 9;
    r.admissionPrefix = "2009103";
    r.students = {{"200910301", "张三", "20091", "03"},
                  {"200910302", "", "20091", "03"},
                  {"200810101", "李四", "20081", "01"}};
    return r;
}

TEST(StudentFile, MatchesHandBuiltImage) {
    std::vector<uint8_t> expected(3326, 0);
    expected[0] = 1;
    put32(expected, 1, 5);
    putBytes(expected, 5, kGbkChuYi);
    putBytes(expected, 5 + 50, "20091");
    putBytes(expected, 5 + 61, "\xB3\xF5\xB6\xFE");  // 初二
    putBytes(expected, 5 + 61 + 50, "20081");
    put32(expected, 3055, 2);
    expected[3059] = 1;
    put32(expected, 3060, 2);
    putBytes(expected, 3064, kGbkChuYi);
    putBytes(expected, 3064 + 50, "20091");
    putBytes(expected, 3125, "03");
    expected[3129] = 1;
    put32(expected, 3130, 9);
    putBytes(expected, 3134, "2009103");
    put32(expected, 3154, 3);
    putBytes(expected, 3158, "200910301");
    putBytes(expected, 3158 + 21, kGbkZhangSan);
    putBytes(expected, 3158 + 41, "20091");
    putBytes(expected, 3158 + 52, "03");
    putBytes(expected, 3214, "200910302");
    putBytes(expected, 3214 + 41, "20091");
    putBytes(expected, 3214 + 52, "03");
    putBytes(expected, 3270, "200810101");
    putBytes(expected, 3270 + 21, "\xC0\xEE\xCB\xC4");  // 李四
    putBytes(expected, 3270 + 41, "20081");
    putBytes(expected, 3270 + 52, "01");

    std::vector<uint8_t> bytes;
    ASSERT_EQ(encodeStudentFile(sampleRoster(), bytes), "");
    EXPECT_EQ(bytes, expected);

    tarvel::testing::addToCorpus("records_fuzz", "student-file", bytes);
    Roster back;
    ASSERT_EQ(decodeStudentFile(bytes.data(), bytes.size(), back), "");
    EXPECT_EQ(back, sampleRoster());
    std::vector<uint8_t> again;
    encodeStudentFile(back, again);
    EXPECT_EQ(again, bytes);
}

TEST(StudentFile, EmptyRosterWritesAllGradeRowsAndNoStudents) {
    Roster r;
    std::vector<uint8_t> bytes;
    ASSERT_EQ(encodeStudentFile(r, bytes), "");
    ASSERT_EQ(bytes.size(), 3158u);
    std::vector<uint8_t> expected(3158, 0);
    put32(expected, 1, 5);
    put32(expected, 3060, 2);
    expected[3129] = 1;
    put32(expected, 3130, 9);
    EXPECT_EQ(bytes, expected);
}

TEST(StudentFile, DamagedFilesAreRefusedWithoutTouchingTheRoster) {
    std::vector<uint8_t> bytes;
    encodeStudentFile(sampleRoster(), bytes);
    Roster kept = sampleRoster();
    kept.admissionPrefix = "kept";
    Roster r = kept;

    EXPECT_NE(decodeStudentFile(bytes.data(), 3157, r), "");
    EXPECT_NE(decodeStudentFile(bytes.data(), bytes.size() - 1, r), "");  // rows cut short
    std::vector<uint8_t> bad = bytes;
    put32(bad, 3154, 5001);
    EXPECT_NE(decodeStudentFile(bad.data(), bad.size(), r), "");
    put32(bad, 3154, uint32_t(-1));
    EXPECT_NE(decodeStudentFile(bad.data(), bad.size(), r), "");
    bad = bytes;
    put32(bad, 3055, 51);
    EXPECT_NE(decodeStudentFile(bad.data(), bad.size(), r), "");
    EXPECT_EQ(r, kept);
}

TEST(RosterImage, AlignedOffsetsWithZeroPaddingAndAllRows) {
    std::vector<uint8_t> image(kRosterImageSize, 0xEE);
    ASSERT_EQ(encodeRosterImage(sampleRoster(), image.data()), "");
    std::vector<uint8_t> expected(kRosterImageSize, 0);
    expected[0] = 1;
    put32(expected, 4, 5);
    putBytes(expected, 8, kGbkChuYi);
    putBytes(expected, 8 + 50, "20091");
    putBytes(expected, 8 + 61, "\xB3\xF5\xB6\xFE");
    putBytes(expected, 8 + 61 + 50, "20081");
    put32(expected, 3060, 2);
    expected[3064] = 1;
    put32(expected, 3068, 2);
    putBytes(expected, 3072, kGbkChuYi);
    putBytes(expected, 3072 + 50, "20091");
    putBytes(expected, 3133, "03");
    expected[3137] = 1;
    put32(expected, 3140, 9);
    putBytes(expected, 3144, "2009103");
    put32(expected, 3164, 3);
    putBytes(expected, 3168, "200910301");
    putBytes(expected, 3168 + 21, kGbkZhangSan);
    putBytes(expected, 3168 + 41, "20091");
    putBytes(expected, 3168 + 52, "03");
    putBytes(expected, 3224, "200910302");
    putBytes(expected, 3224 + 41, "20091");
    putBytes(expected, 3224 + 52, "03");
    putBytes(expected, 3280, "200810101");
    putBytes(expected, 3280 + 21, "\xC0\xEE\xCB\xC4");
    putBytes(expected, 3280 + 41, "20081");
    putBytes(expected, 3280 + 52, "01");
    EXPECT_EQ(image, expected);
    tarvel::testing::addToCorpus("records_fuzz", "roster-image", image);

    Roster back;
    ASSERT_EQ(decodeRosterImage(image.data(), back), "");
    EXPECT_EQ(back, sampleRoster());
}

TEST(RosterImage, RowsBeyondTheCountAreIgnored) {
    std::vector<uint8_t> image(kRosterImageSize, 0);
    encodeRosterImage(sampleRoster(), image.data());
    put32(image, 3164, 2);  // a delete that left the old last row in place
    Roster back;
    ASSERT_EQ(decodeRosterImage(image.data(), back), "");
    EXPECT_EQ(back.students.size(), 2u);
    put32(image, 3164, 5001);
    EXPECT_NE(decodeRosterImage(image.data(), back), "");
}

TEST(StudentRecords, TextsThatDoNotFitAreRefusedNotCut) {
    uint8_t bytes[kStudentEntrySize];
    // 9 Chinese characters are 18 bytes and fit; 10 do not.
    EXPECT_EQ(encodeStudentEntry({"1", "一二三四五六七八九", "", ""}, bytes), "");
    std::string e = encodeStudentEntry({"1", "一二三四五六七八九十", "", ""}, bytes);
    EXPECT_NE(e.find("姓名"), std::string::npos);
    EXPECT_NE(encodeStudentEntry({"123456789012345678901", "", "", ""}, bytes), "");
    EXPECT_NE(encodeStudentEntry({"1", "", "", "1234"}, bytes), "");

    uint8_t grade[kGradeEntrySize];
    EXPECT_EQ(encodeGradeEntry({std::string(49, 'x'), "12345"}, grade), "");
    EXPECT_NE(encodeGradeEntry({std::string(26, 'x') + "一二三四五六七八九十一二", "12345"}, grade), "");

    Roster r = sampleRoster();
    r.students[1].name = "一二三四五六七八九十";
    std::vector<uint8_t> file;
    EXPECT_NE(encodeStudentFile(r, file), "");
}

}  // namespace
}  // namespace tarvel
