// Whether a rectified card shows the guide bars of its layout: the check that
// tells a card printed for this layout from one printed for another, whose
// detection lines fit just as well.
#include <algorithm>
#include <cmath>

#include "recognition/locationsteps.h"
#include "recognition/pixelops.h"

namespace tarvel {
namespace {

// Mean gray of the pixels whose centres lie in [x0, x1) x [y0, y1); -1 when
// there are none or any lies off the card.
double meanGray(const Bitmap& card, double x0, double x1, double y0, double y1) {
    const int c0 = static_cast<int>(std::ceil(x0 - 0.5)), c1 = static_cast<int>(std::ceil(x1 - 0.5));
    const int r0 = static_cast<int>(std::ceil(y0 - 0.5)), r1 = static_cast<int>(std::ceil(y1 - 0.5));
    if (c1 <= c0 || r1 <= r0 || c0 < 0 || r0 < 0 || c1 > card.width() || r1 > card.height()) return -1;
    int sum = 0;
    for (int r = r0; r < r1; ++r) {
        const uint8_t* p = card.pixel(c0, r);
        for (int c = c0; c < c1; ++c, p += card.bytesPerPixel()) sum += weightedSum(p);
    }
    return sum / 100.0 / ((c1 - c0) * (r1 - r0));
}

// The bar's contrast with its core moved `shift` pixels along its length.
double contrastAt(const Bitmap& card, const GuideBar& bar, double cell, double shift) {
    const bool upright = bar.upright;
    const double along0 = (upright ? bar.bottom : bar.left) + shift;
    const double along1 = (upright ? bar.top : bar.right) + shift;
    const double across0 = upright ? bar.left : bar.bottom, across1 = upright ? bar.right : bar.top;
    const double length = along1 - along0, width = across1 - across0, mid = (across0 + across1) / 2;
    // At least one pixel across, whatever the bar's width.
    const double half = std::max(0.5, width / 4);
    auto mean = [&](double a0, double a1, double c0, double c1) {
        return upright ? meanGray(card, c0, c1, a0, a1) : meanGray(card, a0, a1, c0, c1);
    };
    const double core = mean(along0 + length / 4, along1 - length / 4, mid - half, mid + half);
    // Paper beyond both its ends, where the card leaves a gap of a quarter
    // cell at least; not beside it, where a mark in the next cell may lie.
    const double reach = std::max(1.0, 0.2 * cell), gap = std::min(0.05 * cell, reach - 1.0);
    const double flankA = mean(along0 - reach, along0 - gap, mid - half, mid + half);
    const double flankB = mean(along1 + gap, along1 + reach, mid - half, mid + half);
    if (core < 0 || flankA < 0 || flankB < 0) return 0;
    const double paper = std::min(flankA, flankB);
    return paper > 0 ? (paper - core) / paper : 0;
}

}  // namespace

double GuideBarContrast(const Bitmap& card, const GuideBar& bar, const LocationResult& place) {
    // The rotation and the warp each copy the nearest pixel, so a bar may lie
    // up to a pixel from where the geometry puts it.
    const double cell = bar.upright ? place.cellH : place.cellW;
    double best = contrastAt(card, bar, cell, 0);
    for (const double shift : {-1.0, 1.0}) best = std::max(best, contrastAt(card, bar, cell, shift));
    return best;
}

double MarkContrast(const Bitmap& card, const CellGrid& grid, const LocationResult& place) {
    const double cw = place.cellW, ch = place.cellH;
    const double halfRow = std::max(0.5, 0.1 * ch);
    double least = 1;
    for (int k = 0; k < grid.rows && k < 3; ++k) {
        const CellPos& c = grid.at(0, k);
        const double x0 = c.x + 0.3 * cw, x1 = c.x + 0.7 * cw, mid = c.y - ch / 2;
        // The bar in the middle of its cell, paper half a cell above and below.
        const double core = meanGray(card, x0, x1, mid - halfRow, mid + halfRow);
        const double above = meanGray(card, x0, x1, c.y - halfRow, c.y + halfRow);
        const double below = meanGray(card, x0, x1, c.y - ch - halfRow, c.y - ch + halfRow);
        if (core < 0 || above < 0 || below < 0) return 0;
        const double paper = std::min(above, below);
        least = std::min(least, paper > 0 ? (paper - core) / paper : 0.0);
    }
    return least;
}

int GuideBarsShown(const Bitmap& card, const CardTemplate& layout, const LocationResult& place, int& total) {
    GuideBars bars;
    guideBars(layout, place, bars);
    total = bars.count;
    int shown = 0;
    for (int i = 0; i < bars.count; ++i) shown += GuideBarContrast(card, bars.bars[i], place) >= kGuideBarContrast;
    return shown;
}

}  // namespace tarvel
