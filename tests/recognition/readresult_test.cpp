#include <gtest/gtest.h>

#include "recognition/readresult.h"

namespace tarvel {
namespace {

TEST(ReadResultTable, EveryCodeHasItsTextAndMemoRule) {
    const std::vector<std::string> texts = {
        "",           "未获得正确的检测线", "未获得正确的检测线", "下边检测线左边越界", "下边检测线右边越界",
        "上边检测线左边越界", "上边检测线右边越界", "左下角越界",   "右下角越界",         "左上角越界",
        "右上角越界", "图像倒立",           "黑点过多，请检查是否已垫白纸", ""};
    for (int code = 0; code < int(texts.size()); ++code) {
        const auto result = readResultOf(code);
        ASSERT_TRUE(result) << code;
        EXPECT_EQ(codeOf(*result), code);
        EXPECT_EQ(readResultText(*result), texts[size_t(code)]) << code;
        // Moving the card is advised for every location failure but too much black.
        EXPECT_EQ(asksToMoveCard(*result), code >= 1 && code <= 11) << code;
        EXPECT_EQ(retriedDarker(*result), code == 1 || code == 2) << code;
    }
    EXPECT_FALSE(readResultOf(-1));
    EXPECT_FALSE(readResultOf(int(texts.size())));
    EXPECT_STREQ(readResultText(static_cast<ReadResult>(99)), "");
}

}  // namespace
}  // namespace tarvel
