#pragma once
// Finds where a card lies in an overview of a still picture, before the
// picture is scaled for the card read: the two printed detection lines are
// the only long, thin, straight bars of ink on a card, parallel, of one
// length, and as far apart as the layout says. The overview may show them
// far shorter than location accepts; this only says where to look and how
// large the card is - location still decides everything.
//
// Ink is what is clearly darker than its surroundings (a local mean), so a
// shadow or a dim corner of a phone photo does not hide the lines; each
// connected patch of ink is described by its second moments (length and
// width along its principal axes, as of a uniform bar).
#include <vector>

#include "recognition/cardtemplate.h"
#include "recognition/image.h"

namespace tarvel {

// A card seen in the overview, in overview pixels with x to the right and y
// downward from the top-left corner.
struct CardSighting {
    double upperLeftX = 0, upperLeftY = 0;  // the upper line's left end
    double rightX = 1, rightY = 0;          // unit vector along the lines, toward the card's right
    double upX = 0, upY = -1;               // unit vector from the lower line to the upper one
    double unitPixels = 0;                  // overview pixels per layout unit
    double error = 0;                       // how badly the pair fits the layout (0 perfect)

    // Where a card point (layout units right of and above the upper line's
    // left end) lies in the overview.
    void at(double right, double up, double& x, double& y) const {
        x = upperLeftX + unitPixels * (right * rightX + up * upX);
        y = upperLeftY + unitPixels * (right * rightY + up * upY);
    }
};

// Up to `most` line pairs that fit the layout, best first; each pair gives
// two sightings (which line is the upper one is decided by the ink beyond
// them: the header side of a card carries print, its foot does not), the
// likelier one first.
std::vector<CardSighting> findCards(const Bitmap& overview, const CardTemplate& layout, int most = 2);

}  // namespace tarvel
