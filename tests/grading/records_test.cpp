#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "grading/gradinggrid.h"
#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"

namespace tarvel {
namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void putF(std::vector<uint8_t>& b, size_t at, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    put32(b, at, v);
}
void putBytes(std::vector<uint8_t>& b, size_t at, const std::string& s) { std::memcpy(&b[at], s.data(), s.size()); }

ExamSettings sampleSettings() {
    ExamSettings s;
    s.cardName = "DY60.dat";
    s.examName = "期中";
    s.subjectCode = "3";
    s.subjectName = "英语";
    s.hasSubjectiveScore = true;
    s.sections[0] = {1, 10, 1.5f, kSingleChoice};
    s.sections[1] = {11, 12, 2.0f, kMultipleChoice};
    s.sectionCount = 2;
    s.rules[0] = {"11-12", "0.5/"};
    s.ruleCount = 1;
    for (int q = 1; q <= 10; ++q) s.questions[q - 1] = {1.5f, kSingleChoice, 0, kPartialFixed};
    for (int q = 11; q <= 12; ++q) s.questions[q - 1] = {2.0f, kMultipleChoice, 0.5f, kPartialPerOption};
    s.questionCount = 12;
    return s;
}

TEST(ExamSettingsRecord, MatchesHandBuiltImage) {
    std::vector<uint8_t> expected(kExamSettingsSize, 0);
    putBytes(expected, 0, "DY60.dat");
    putBytes(expected, 100, "\xC6\xDA\xD6\xD0");  // 期中
    putBytes(expected, 150, "3");
    putBytes(expected, 153, "\xD3\xA2\xD3\xEF");  // 英语
    expected[163] = 1;
    put32(expected, 164, 1);
    put32(expected, 168, 10);
    putF(expected, 172, 1.5f);
    put32(expected, 176, 0);
    put32(expected, 180, 11);
    put32(expected, 184, 12);
    putF(expected, 188, 2.0f);
    put32(expected, 192, 1);
    put32(expected, 324, 2);
    putBytes(expected, 328, "11-12");
    putBytes(expected, 428, "0.5/");
    put32(expected, 1380, 1);
    for (int q = 1; q <= 12; ++q) {
        size_t at = 1384 + 16 * (q - 1);
        putF(expected, at, q <= 10 ? 1.5f : 2.0f);
        put32(expected, at + 4, q <= 10 ? 0 : 1);
        putF(expected, at + 8, q <= 10 ? 0.0f : 0.5f);
        put32(expected, at + 12, q <= 10 ? 0 : 1);
    }
    put32(expected, 4584, 12);

    std::vector<uint8_t> bytes(kExamSettingsSize, 0xEE);
    ASSERT_EQ(encodeExamSettings(sampleSettings(), bytes.data()), "");
    EXPECT_EQ(bytes, expected);
    ExamSettings back;
    ASSERT_EQ(decodeExamSettings(bytes.data(), back), "");
    EXPECT_EQ(back, sampleSettings());
}

TEST(ExamSettingsRecord, RefusesCountsBeyondTheTablesAndOverlongTexts) {
    std::vector<uint8_t> bytes(kExamSettingsSize, 0);
    encodeExamSettings(sampleSettings(), bytes.data());
    ExamSettings kept = sampleSettings();
    std::vector<uint8_t> bad = bytes;
    put32(bad, 324, 11);
    EXPECT_NE(decodeExamSettings(bad.data(), kept), "");
    bad = bytes;
    put32(bad, 1380, uint32_t(-1));
    EXPECT_NE(decodeExamSettings(bad.data(), kept), "");
    bad = bytes;
    put32(bad, 4584, 201);
    EXPECT_NE(decodeExamSettings(bad.data(), kept), "");
    EXPECT_EQ(kept, sampleSettings());

    ExamSettings s = sampleSettings();
    s.examName = std::string(50, 'x');
    EXPECT_NE(encodeExamSettings(s, bytes.data()), "");
    s.examName = std::string(49, 'x');
    EXPECT_EQ(encodeExamSettings(s, bytes.data()), "");
    s.rules[3].partialScore = "0.55/";
    EXPECT_NE(encodeExamSettings(s, bytes.data()), "");
}

TEST(GradingRecordBytes, MatchesHandBuiltImage) {
    GradingRecord r;
    r.readCount = 3;
    r.paperType = 1;
    r.admissionNumber = "200910301";
    r.name = "张三";
    r.gradeCode = "20091";
    r.gradeName = "初一";
    r.classCode = "03";
    r.total = 92.5f;
    r.subjectiveScore = 40.0f;
    r.objectiveScore = 52.5f;
    r.sectionScores[0] = 12.5f;
    r.sectionScores[19] = 40.0f;
    r.extraCount = 1;
    r.missingCount = 2;
    r.wrongCount = 4;
    r.answers[0] = {AnswerText("A"), '0', 1.5f};
    r.answers[199] = {AnswerText("ABCD"), '2', 0.5f};

    std::vector<uint8_t> expected(kGradingRecordSize, 0);
    put32(expected, 0, 3);
    put32(expected, 4, 1);
    putBytes(expected, 8, "200910301");
    putBytes(expected, 29, "\xD5\xC5\xC8\xFD");
    putBytes(expected, 49, "20091");
    putBytes(expected, 60, "\xB3\xF5\xD2\xBB");
    putBytes(expected, 110, "03");
    putF(expected, 116, 92.5f);
    putF(expected, 120, 40.0f);
    putF(expected, 124, 52.5f);
    putF(expected, 128, 12.5f);
    putF(expected, 128 + 76, 40.0f);
    put32(expected, 208, 1);
    put32(expected, 212, 2);
    put32(expected, 216, 4);
    putBytes(expected, 220, "A");
    expected[225] = '0';
    putF(expected, 228, 1.5f);
    putBytes(expected, 220 + 12 * 199, "ABCD");
    expected[220 + 12 * 199 + 5] = '2';
    putF(expected, 220 + 12 * 199 + 8, 0.5f);

    std::vector<uint8_t> bytes(kGradingRecordSize, 0xEE);
    ASSERT_EQ(encodeGradingRecord(r, bytes.data()), "");
    EXPECT_EQ(bytes, expected);
    GradingRecord back;
    decodeGradingRecord(bytes.data(), back);
    EXPECT_EQ(back, r);

    r.name = "一二三四五六七八九十";
    EXPECT_NE(encodeGradingRecord(r, bytes.data()), "");
}

TEST(GradingRecordBytes, HandAssignedMarkIsTheFirstGapByteAndNothingElse) {
    GradingRecord r;
    r.readCount = 1;
    r.admissionNumber = "200910301";
    r.name = "张三";
    r.classCode = "003";  // the longest class code ends right before the gap
    r.total = 92.5f;
    r.answers[0] = {AnswerText("A"), '0', 1.5f};
    std::vector<uint8_t> plain(kGradingRecordSize), marked(kGradingRecordSize, 0xEE);
    ASSERT_EQ(encodeGradingRecord(r, plain.data()), "");
    r.handAssigned = true;
    ASSERT_EQ(encodeGradingRecord(r, marked.data()), "");
    EXPECT_EQ(plain[114], 0);
    std::vector<uint8_t> expected = plain;
    expected[114] = 1;
    EXPECT_EQ(marked, expected);

    GradingRecord back;
    decodeGradingRecord(marked.data(), back);
    EXPECT_EQ(back, r);
    EXPECT_EQ(back.classCode, "003");
    // Only the value 1 is the mark: other bytes a foreign file may hold in
    // its padding are not.
    marked[114] = 0x55;
    decodeGradingRecord(marked.data(), back);
    EXPECT_FALSE(back.handAssigned);
}

TEST(GradingRecordBytes, FiveLetterAnswerFieldSurvivesARoundTrip) {
    std::vector<uint8_t> slot(kAnswerSlotSize, 0);
    putBytes(slot, 0, "ABCDA");  // no terminator: the whole field is text
    AnswerSlot s;
    decodeAnswerSlot(slot.data(), s);
    EXPECT_EQ(s.answer.view(), "ABCDA");
    EXPECT_EQ(s.outcome, 0);
    std::vector<uint8_t> again(kAnswerSlotSize, 0xEE);
    encodeAnswerSlot(s, again.data());
    EXPECT_EQ(again, slot);
}

TEST(GradingFilterBytes, GradeThenClassCode) {
    std::vector<uint8_t> expected(kGradingFilterSize, 0);
    putBytes(expected, 0, "2009100001");
    putBytes(expected, 11, "ALL");
    std::vector<uint8_t> bytes(kGradingFilterSize, 0xEE);
    ASSERT_EQ(encodeGradingFilter({"2009100001", "ALL"}, bytes.data()), "");
    EXPECT_EQ(bytes, expected);
    GradingFilter back;
    decodeGradingFilter(bytes.data(), back);
    EXPECT_EQ(back.gradeCode, "2009100001");
    EXPECT_EQ(back.classCode, "ALL");
    EXPECT_NE(encodeGradingFilter({"20091000011", "ALL"}, bytes.data()), "");
}

}  // namespace
}  // namespace tarvel
