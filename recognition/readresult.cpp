#include "recognition/readresult.h"

#include <iterator>
#include <ostream>

namespace tarvel {
namespace {

struct Row {
    ReadResult result;
    const char* text;
    bool moveCard;
};

constexpr Row kRows[] = {
    {ReadResult::Ok, "", false},
    {ReadResult::TooFewLines, "未获得正确的检测线", true},
    {ReadResult::NoFittingPair, "未获得正确的检测线", true},
    {ReadResult::LowerLeftOut, "下边检测线左边越界", true},
    {ReadResult::LowerRightOut, "下边检测线右边越界", true},
    {ReadResult::UpperLeftOut, "上边检测线左边越界", true},
    {ReadResult::UpperRightOut, "上边检测线右边越界", true},
    {ReadResult::LowerLeftCornerOut, "左下角越界", true},
    {ReadResult::LowerRightCornerOut, "右下角越界", true},
    {ReadResult::UpperLeftCornerOut, "左上角越界", true},
    {ReadResult::UpperRightCornerOut, "右上角越界", true},
    {ReadResult::UpsideDown, "图像倒立", true},
    {ReadResult::TooMuchBlack, "黑点过多，请检查是否已垫白纸", false},
    {ReadResult::Refused, "", false},
};

constexpr bool rowsInCodeOrder() {
    for (size_t i = 0; i < std::size(kRows); ++i) {
        if (codeOf(kRows[i].result) != int(i)) return false;
    }
    return true;
}
static_assert(rowsInCodeOrder(), "row k of the table is code k");

// A value outside the table (a cast gone wrong) has no text.
constexpr Row kUnknown{ReadResult::Ok, "", false};

const Row& rowOf(ReadResult result) {
    const int code = codeOf(result);
    return code >= 0 && size_t(code) < std::size(kRows) ? kRows[code] : kUnknown;
}

}  // namespace

std::optional<ReadResult> readResultOf(int code) {
    if (code < 0 || size_t(code) >= std::size(kRows)) return std::nullopt;
    return kRows[code].result;
}

const char* readResultText(ReadResult result) { return rowOf(result).text; }

bool asksToMoveCard(ReadResult result) { return rowOf(result).moveCard; }

bool retriedDarker(ReadResult result) {
    return result == ReadResult::TooFewLines || result == ReadResult::NoFittingPair;
}

std::ostream& operator<<(std::ostream& out, ReadResult result) { return out << codeOf(result); }

}  // namespace tarvel
