#pragma once
// The result of one card read, from location to judgement: one code per
// outcome and the one table of the texts a teacher sees for them. Codes are
// small integers in tools' output and truth files; a new outcome is a new
// enumerator and a new row of the table.
#include <iosfwd>
#include <optional>

namespace tarvel {

enum class ReadResult {
    Ok = 0,  // located (and, once judged, accepted)
    TooFewLines = 1,
    NoFittingPair = 2,
    LowerLeftOut = 3,
    LowerRightOut = 4,
    UpperLeftOut = 5,
    UpperRightOut = 6,
    LowerLeftCornerOut = 7,
    LowerRightCornerOut = 8,
    UpperLeftCornerOut = 9,
    UpperRightCornerOut = 10,
    UpsideDown = 11,
    TooMuchBlack = 12,
    Refused = 13,  // located, but refused by the judgement
};

inline constexpr int codeOf(ReadResult result) { return static_cast<int>(result); }
// The result a code stands for; nullopt for a code outside the table.
std::optional<ReadResult> readResultOf(int code);

// The short text of a location failure, drawn over the picture and spoken;
// "" for Ok and Refused, whose texts come from the judgement.
const char* readResultText(ReadResult result);
// Whether the hint memo adds "，请移动答题卡。" (every location failure but
// too much black, which moving does not mend).
bool asksToMoveCard(ReadResult result);
// The detection lines were not found: read once more on a darker threshold.
bool retriedDarker(ReadResult result);

std::ostream& operator<<(std::ostream& out, ReadResult result);

}  // namespace tarvel
