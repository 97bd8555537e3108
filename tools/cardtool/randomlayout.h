#pragma once
// Random but valid card layouts of the DY and JD families: cards the team did
// not design, to judge the reader on. Every layout keeps the card-design
// rules the shipped ones keep: grids inside the field-of-view box, no cell of
// one grid on another's, the orientation mark just beyond the upper line's
// right end, the answer blocks between the two lines, and a card that a
// 640 x 480 camera can take whole with its lower line at least
// kMinLowerLinePixels long.
#include <cstdint>
#include <string>
#include <vector>

#include "layoutfile.h"
#include "rng.h"

namespace tarvel::cards {

inline constexpr double kMinLowerLinePixels = 300;

// A layout named `name` (its family is the name's first two letters): 5 to
// 20 admission digits, 1 or 2 subject columns, 0 to 4 score digits, 5 to 200
// questions, options across or down, cells of 3.5 to 6 mm, grids and blocks
// placed at random where the rules allow.
CardDesign randomDesign(Rng& rng, const std::string& name);

// `count` layouts from one start value, DY and JD in turn, named
// "DY随机01", "JD随机02", ...
std::vector<CardDesign> randomDesigns(uint64_t start, int count);

// "" when the layout keeps the rules above, else the first one it breaks.
std::string designProblem(const CardDesign& design);

// Pixels per layout unit (millimetre) at which a camera frame shows the
// whole field-of-view box with room to spare and the lower line at least
// kMinLowerLinePixels long: low..high; low > high when there is none.
struct ScaleRange {
    double low = 0;
    double high = 0;
};
ScaleRange photographableScales(const CardTemplate& t);

}  // namespace tarvel::cards
