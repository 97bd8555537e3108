// Whether a rectified card shows the guide bars of its layout: the check that
// tells a card printed for this layout from one printed for another, whose
// detection lines fit just as well.
#include <algorithm>
#include <cmath>

#include "recognition/locationsteps.h"
#include "recognition/pixelops.h"

namespace tarvel {
namespace {

// Gray between pixel centres (a pixel X covers X .. X + 1, its centre at
// X + 0.5), bilinear; -1 outside the card.
double grayAt(const Bitmap& card, double x, double y) {
    const double px = x - 0.5, py = y - 0.5;
    const int x0 = static_cast<int>(std::floor(px));
    const int y0 = static_cast<int>(std::floor(py));
    if (x0 < 0 || y0 < 0 || x0 + 1 >= card.width() || y0 + 1 >= card.height()) return -1;
    const double fx = px - x0, fy = py - y0;
    const double g00 = grayOfPixel(card.pixel(x0, y0)), g10 = grayOfPixel(card.pixel(x0 + 1, y0));
    const double g01 = grayOfPixel(card.pixel(x0, y0 + 1)), g11 = grayOfPixel(card.pixel(x0 + 1, y0 + 1));
    return (g00 * (1 - fx) + g10 * fx) * (1 - fy) + (g01 * (1 - fx) + g11 * fx) * fy;
}

// Mean gray over a rectangle given along and across a bar's long side,
// sampled every half pixel; -1 when any of it lies off the card.
double meanGray(const Bitmap& card, bool upright, double along0, double along1, double across0, double across1) {
    double sum = 0;
    int n = 0;
    for (double a = along0; a <= along1 + 1e-9; a += 0.5) {
        for (double c = across0; c <= across1 + 1e-9; c += 0.5) {
            const double g = upright ? grayAt(card, c, a) : grayAt(card, a, c);
            if (g < 0) return -1;
            sum += g;
            ++n;
        }
    }
    return n ? sum / n : -1;
}

}  // namespace

double GuideBarContrast(const Bitmap& card, const GuideBar& bar, const LocationResult& place) {
    const bool upright = bar.upright;
    const double along0 = upright ? bar.bottom : bar.left, along1 = upright ? bar.top : bar.right;
    const double across0 = upright ? bar.left : bar.bottom, across1 = upright ? bar.right : bar.top;
    const double length = along1 - along0, width = across1 - across0;
    const double midAcross = (across0 + across1) / 2;
    // The bar's core: its middle half along, its middle across.
    const double core = meanGray(card, upright, along0 + length / 4, along1 - length / 4,
                                 midAcross - width / 4, midAcross + width / 4);
    // Paper beyond both its ends, where the card leaves a gap of a quarter
    // cell at least; not beside it, where a mark in the next cell may lie.
    const double cell = upright ? place.cellH : place.cellW;
    const double flankA = meanGray(card, upright, along0 - 0.2 * cell, along0 - 0.05 * cell, across0, across1);
    const double flankB = meanGray(card, upright, along1 + 0.05 * cell, along1 + 0.2 * cell, across0, across1);
    if (core < 0 || flankA < 0 || flankB < 0) return 0;
    const double paper = std::min(flankA, flankB);
    return paper > 0 ? (paper - core) / paper : 0;
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
