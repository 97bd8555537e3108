#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "base/gbk.h"

using namespace tarvel;

TEST(Gbk, ConvertsChineseBothWays) {
    auto gbk = utf8ToGbk("张三");
    ASSERT_TRUE(gbk);
    EXPECT_EQ(*gbk, "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(gbkToUtf8(*gbk).value(), "张三");
    EXPECT_EQ(gbkLength("标准答案").value(), 8u);
    EXPECT_FALSE(utf8ToGbk("\xF0\x9F\x98\x80"));  // emoji: no GBK counterpart
}

TEST(Gbk, FieldReadStopsAtNulAndAtWidth) {
    const uint8_t field[6] = {0xD5, 0xC5, 0, 'x', 'y', 'z'};
    EXPECT_EQ(readGbkField(field, 6), "张");
    const uint8_t full[4] = {'1', '2', '3', '4'};  // no terminator inside the field
    EXPECT_EQ(readRawField(full, 4), "1234");
    EXPECT_EQ(readRawField(full, 2), "12");
    // A byte that is not GBK shows as U+FFFD and is kept by the variation
    // selector U+E0100 + (0xFF - 0x80) after it.
    const uint8_t broken[3] = {0xFF, 'A', 0};
    EXPECT_EQ(readGbkField(broken, 3), "\xEF\xBF\xBD\xF3\xA0\x85\xBF" "A");
}

TEST(Gbk, BytesThatAreNotGbkAreWrittenBackAsTheyWereRead) {
    // A stray lead byte, a lead byte before a space, 0xFF, and a two-byte
    // character cut off by the end of the field.
    const std::vector<std::vector<uint8_t>> damaged = {
        {0xD5, 0xC5, 0x80 + 0x01, 0x20, 0xC8, 0xFD}, {0x81, 0x20}, {0xFF, 0xFE, 'A'}, {0xD5, 0xC5, 0x81}};
    for (const auto& bytes : damaged) {
        std::vector<uint8_t> field(20, 0);
        std::copy(bytes.begin(), bytes.end(), field.begin());
        const std::string text = readGbkField(field.data(), field.size());
        EXPECT_EQ(gbkLength(text), bytes.size());
        std::vector<uint8_t> written(20, 0xAA);
        EXPECT_EQ(writeGbkField(written.data(), written.size(), text), FieldWrite::Fitted);
        EXPECT_EQ(written, field);
    }
}

TEST(Gbk, WhatGbkCannotStoreIsWrittenAsAQuestionMark) {
    std::array<uint8_t, 8> field;
    // A U+FFFD that lost its byte (the text was edited) is one "?" and counts
    // as storable; an emoji is stored as "?" too but refused where typed.
    EXPECT_EQ(writeGbkField(field.data(), field.size(), "张\xEF\xBF\xBD" "A"), FieldWrite::Substituted);
    EXPECT_EQ(field, (std::array<uint8_t, 8>{0xD5, 0xC5, '?', 'A', 0, 0, 0, 0}));
    EXPECT_EQ(gbkLength("张\xEF\xBF\xBD"), 3u);
    EXPECT_EQ(writeGbkField(field.data(), field.size(), "A\xF0\x9F\x98\x80"), FieldWrite::Substituted);
    EXPECT_EQ(field, (std::array<uint8_t, 8>{'A', '?', 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(gbkLength("A\xF0\x9F\x98\x80"));
}

TEST(Gbk, FieldWriteZeroFillsAndCutsBetweenCharacters) {
    std::array<uint8_t, 8> field;
    field.fill(0xAA);
    EXPECT_EQ(writeGbkField(field.data(), field.size(), "张三"), FieldWrite::Fitted);
    EXPECT_EQ(field, (std::array<uint8_t, 8>{0xD5, 0xC5, 0xC8, 0xFD, 0, 0, 0, 0}));

    // Width 6 leaves 5 bytes for text: "张三" fits (4), the third character would
    // need bytes 5 and 6 and must not be split.
    std::array<uint8_t, 6> small;
    small.fill(0xAA);
    EXPECT_EQ(writeGbkField(small.data(), small.size(), "张三丰"), FieldWrite::Cut);
    EXPECT_EQ(small, (std::array<uint8_t, 6>{0xD5, 0xC5, 0xC8, 0xFD, 0, 0}));

    // Exactly width - 1 bytes still fits with its terminator.
    std::array<uint8_t, 5> exact;
    EXPECT_EQ(writeGbkField(exact.data(), exact.size(), "张三"), FieldWrite::Fitted);
    EXPECT_EQ(exact[4], 0);

    std::array<uint8_t, 4> raw;
    EXPECT_EQ(writeRawField(raw.data(), raw.size(), "ALL"), FieldWrite::Fitted);
    EXPECT_EQ(writeRawField(raw.data(), raw.size(), "12345"), FieldWrite::Cut);
    EXPECT_EQ(readRawField(raw.data(), raw.size()), "123");
}
