#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "base/bytes.h"
#include "base/floattext.h"
#include "base/paths.h"

using namespace tarvel;

TEST(LittleEndian, IntegersAndFloatsAtTheirBytes) {
    const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(readI32(bytes), 0x12345678);
    EXPECT_EQ(readI32(bytes + 4), -2);
    EXPECT_EQ(readF32(bytes + 8), 1.0f);

    uint8_t out[12] = {};
    writeI32(out, 0x12345678);
    writeI32(out + 4, -2);
    writeF32(out + 8, 1.0f);
    EXPECT_EQ(0, std::memcmp(out, bytes, sizeof bytes));

    writeF32(out, 92.5f);  // 0x42B90000
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[2], 0xB9);
    EXPECT_EQ(out[3], 0x42);
    writeF32(out, std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(readF32(out)));
}

TEST(FloatText, GeneralFormWithFifteenDigits) {
    EXPECT_EQ(floatToText(0.1f), "0.100000001490116");
    EXPECT_EQ(floatToText(92.5f), "92.5");
    EXPECT_EQ(floatToText(85.0f), "85");
    EXPECT_EQ(floatToText(0.0f), "0");
    EXPECT_EQ(floatToText(-1.5f), "-1.5");
    EXPECT_EQ(floatToText(1.1f), "1.10000002384186");
}

TEST(ProgramFolder, EndsWithSlashAndCanBeRedirected) {
    std::string real = programFolder();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.back(), '/');
    setProgramFolder("/tmp/inst");
    EXPECT_EQ(installedPath(installed::kTemplates), "/tmp/inst/模板文件/");
    setProgramFolder("");
    EXPECT_EQ(programFolder(), real);
}
