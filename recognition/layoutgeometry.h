#pragma once
// Whether a card layout can be read at all: its cells must fit on the
// 800 x 800 normalized card and be small enough to sample within a tick.
// Layout files are foreign input; a grid at 3e9 cells or a cell 1e9 units
// high would otherwise send the mark reader into loops that never end.
#include <string>

#include "recognition/cardtemplate.h"

namespace tarvel {

// Largest cell, in pixels of the normalized card, a layout may give.
inline constexpr float kMaxCellPixels = 100;

// "" when the layout's geometry can be read, else a message naming the file
// and the field at fault. Expects the counts and lengths checkTemplate checks
// first (finite values, counts within their tables, positive lengths).
//
// A located card's lower detection line is longer than the shortest traced
// line (kMinPathPoints) and no longer than the canvas is wide, which bounds
// the scale. No cell may exceed kMaxCellPixels at the largest scale, and all
// cells with both detection lines must fit into 800 x 800 pixels at the
// smallest: a layout that fails this cannot lie whole on the card at any
// scale.
std::string checkTemplateGeometry(const CardTemplate& t, const std::string& fileName);

}  // namespace tarvel
