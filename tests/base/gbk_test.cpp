#include <gtest/gtest.h>

#include <array>

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
    const uint8_t broken[3] = {0xFF, 'A', 0};
    EXPECT_EQ(readGbkField(broken, 3), "\xEF\xBF\xBD" "A");
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
    EXPECT_EQ(writeGbkField(raw.data(), raw.size(), "\xF0\x9F\x98\x80"), FieldWrite::Invalid);
}
