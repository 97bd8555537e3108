#include "recognition/location.h"

#include <cmath>

#include "recognition/cardread.h"
#include "recognition/pixelops.h"
#include "recognition/reading.h"

namespace tarvel {
namespace {

constexpr int kMaxBlackPercent = 20;

}  // namespace

ReadResult CardLocator::findLines(const Bitmap& frame) {
    mask_.readFrom(frame);
    details_.thinningIterations = ThinMask(mask_);
    RemoveJunctions(mask_);
    // A dark desk at the frame's edge breaks up into specks with thousands of
    // ends; as written, the first 1024 ends found (from the bottom row up)
    // may all be specks and the card's lines never traced. The mended read
    // traces from every end.
    FindEndpoints(mask_, details_.endpoints,
                  method_ == ReadMethod::Written ? static_cast<size_t>(kMaxEndpoints) : mask_.width() * mask_.height());
    tracer_.trace(mask_, details_.endpoints, details_.lines);
    if (details_.lines.size() < 2) return ReadResult::TooFewLines;
    return ReadResult::Ok;
}

ReadResult CardLocator::walkEnds(const Bitmap& binary, const Bitmap& color, int threshold) {
    const LinePair& pair = details_.pairs[details_.bestPair];
    const DetectedLine& lower = details_.lines[pair.lower];
    const DetectedLine& upper = details_.lines[pair.upper];
    auto& ends = details_.lineEnds;
    if (!WalkLineEnd(binary, lower, true, ends[0])) return ReadResult::LowerLeftOut;
    if (!WalkLineEnd(binary, lower, false, ends[1])) return ReadResult::LowerRightOut;
    if (!WalkLineEnd(binary, upper, true, ends[2])) return ReadResult::UpperLeftOut;
    if (!WalkLineEnd(binary, upper, false, ends[3])) return ReadResult::UpperRightOut;
    for (int k = 0; k < 4; ++k) {
        details_.preciseEnds[k] = {static_cast<double>(ends[k].x), static_cast<double>(ends[k].y)};
        if (method_ == ReadMethod::Mended) {
            details_.preciseEnds[k] = RefineLineEnd(color, threshold, k < 2 ? lower : upper, ends[k], k % 2 == 0);
        }
    }
    return ReadResult::Ok;
}

// The card warped into the layout's geometry. As written: the four line ends
// in whole canvas pixels are the corners, and the grid origin lies a pixel
// right of the upper left one. Mended: the corners are where the ends' content
// lands on the canvas (RotateIntoCanvas shows a frame pixel half a pixel on
// from its exact place) and the card pixel (m, l) shows the canvas at the
// transform of its centre (m + 0.5, l + 0.5), so that the line ends fall
// exactly on the layout's rectangle and the grid origin is where the layout
// puts it: no whole pixels lost to truncation, no constant that fits one
// card's scale and not another's.
bool CardLocator::rectify(ImageSet& images, const CardTemplate& layout, LocationResult& r,
                          const CanvasRotation& rotation) {
    const auto& ends = details_.preciseEnds;
    for (int k = 0; k < 4; ++k) r.P[k] = rotation.toCanvas(ends[k].x, ends[k].y);
    Projective forward;
    if (method_ == ReadMethod::Written) {
        r.scale = (r.P[1].x - r.P[0].x) / layout.lowerLineLength;
        r.cellW = r.scale * layout.cellWidth;
        r.cellH = r.scale * layout.cellHeight;
        const double rise = static_cast<double>(r.scale) * layout.lineSpacing + 0.5;
        r.Q[0] = r.P[0];
        r.Q[1] = r.P[1];
        r.Q[2] = {r.P[0].x, truncToInt(r.P[0].y + rise)};
        r.Q[3] = {r.P[1].x, truncToInt(r.P[1].y + rise)};
        if (!SolveProjective(r.Q, r.P, forward)) return false;
        WarpIntoCard(images.rotation, forward, images.normalized);
        r.originX = r.Q[2].x + layout.originOffsetX * r.scale + 1.0f;
        r.originY = static_cast<float>(r.Q[2].y);
        return true;
    }
    std::array<PointD, 4> onCanvas, corner, centreOf;
    for (int k = 0; k < 4; ++k) onCanvas[k] = rotation.canvasPosition(ends[k].x, ends[k].y);
    const double scale =
        std::hypot(onCanvas[1].x - onCanvas[0].x, onCanvas[1].y - onCanvas[0].y) / layout.lowerLineLength;
    const double width = scale * layout.lowerLineLength, height = scale * layout.lineSpacing;
    corner[0] = onCanvas[0];
    corner[1] = {onCanvas[0].x + width, onCanvas[0].y};
    corner[2] = {onCanvas[0].x, onCanvas[0].y + height};
    corner[3] = {corner[1].x, corner[2].y};
    for (int k = 0; k < 4; ++k) {
        centreOf[k] = {corner[k].x - 0.5, corner[k].y - 0.5};
        r.Q[k] = {truncToInt(corner[k].x), truncToInt(corner[k].y)};
    }
    if (!SolveProjective(centreOf, onCanvas, forward)) return false;
    WarpIntoCard(images.rotation, forward, images.normalized);
    r.scale = static_cast<float>(scale);
    r.cellW = r.scale * layout.cellWidth;
    r.cellH = r.scale * layout.cellHeight;
    r.originX = static_cast<float>(corner[2].x + layout.originOffsetX * scale);
    r.originY = static_cast<float>(corner[2].y);
    return true;
}

ReadResult CardLocator::checkFieldOfView(ImageSet& images, const CardTemplate& layout, CardFamily family,
                                         LocationResult& r, const CanvasRotation& rotation) {
    Projective inverse;
    if (!SolveProjective(r.P, r.Q, inverse)) return ReadResult::NoFittingPair;
    const IntPoint corners[4] = {{0, 0}, {kFrameWidth, 0}, {kFrameWidth, kFrameHeight}, {0, kFrameHeight}};
    auto& visible = details_.visible;
    for (int k = 0; k < 4; ++k) {
        const IntPoint c = rotation.toCanvas(corners[k].x, corners[k].y);
        float x;
        float y;
        if (!applyProjective(inverse, static_cast<float>(c.x), static_cast<float>(c.y), x, y)) {
            return ReadResult::NoFittingPair;
        }
        visible[k] = {truncToInt(x), truncToInt(y)};
    }

    const IntPoint t1{truncToInt(r.P[0].x - 1.5 * r.cellW), truncToInt(r.P[0].y - static_cast<double>(r.cellH))};
    const IntPoint t2{truncToInt(r.P[1].x + 1.5 * r.cellW), t1.y};
    const IntPoint t3{t1.x, truncToInt(r.Q[2].y + 12 * static_cast<double>(r.cellH))};
    const IntPoint t4{t2.x, t3.y};
    if (!PointInPolygon(visible, t1)) return ReadResult::LowerLeftCornerOut;
    if (!PointInPolygon(visible, t2)) return ReadResult::LowerRightCornerOut;

    // An upper corner outside may mean a card turned round: then the
    // orientation mark is not where the layout puts it.
    auto uprightOr = [&](ReadResult code) {
        return markShown(images, layout, family, r, false) ? code : ReadResult::UpsideDown;
    };
    if (!PointInPolygon(visible, t3)) return uprightOr(ReadResult::UpperLeftCornerOut);
    if (!PointInPolygon(visible, t4)) return uprightOr(ReadResult::UpperRightCornerOut);
    return ReadResult::Ok;
}

// The orientation mark where the layout puts it (or, with `turned`, where a
// card turned round shows it). As written the marked cells must be dark and
// the rows between them empty after binarization, which blur fills in on
// small cells; mended, the three bars must show darker than the paper
// between them.
bool CardLocator::markShown(ImageSet& images, const CardTemplate& layout, CardFamily family,
                            const LocationResult& r, bool turned) {
    if (method_ == ReadMethod::Written) {
        DecliningPrompter silent;  // the orientation test never asks anything
        MarkReader reader(layout, family, r, images.normalized, images.rotation, silent, method_);
        return reader.IsUpright();
    }
    CellGrid grid;
    if (turned) {
        turnedOrientationGrid(layout, r, grid);
    } else {
        orientationGrid(layout, r, grid);
    }
    return MarkContrast(images.normalized, grid, r) >= kMarkContrast;
}

// On every card found, not only on one whose upper corner is out of view: the
// orientation mark and the guide bars where the layout puts them. A card
// turned round (its mark where a turned card shows it), or one printed for
// another layout, is refused rather than read.
ReadResult CardLocator::checkCard(ImageSet& images, const CardTemplate& layout, CardFamily family,
                                  const LocationResult& r) {
    if (method_ == ReadMethod::Written) return ReadResult::Ok;
    if (!markShown(images, layout, family, r, false)) {
        return markShown(images, layout, family, r, true) ? ReadResult::UpsideDown : ReadResult::WrongLayout;
    }
    int bars = 0;
    const int shown = GuideBarsShown(images.normalized, layout, r, bars);
    if (shown < kGuideBarsShown * bars) return ReadResult::WrongLayout;
    return ReadResult::Ok;
}

ReadResult CardLocator::locate(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& r) {
    // The lists keep their memory from frame to frame.
    details_.endpoints.clear();
    details_.lines.clear();
    details_.pairs.clear();
    details_.bestPair = -1;
    details_.theta = 0;
    details_.lineEnds = {};
    details_.preciseEnds = {};
    details_.visible = {};
    details_.thinningIterations = 0;

    if (BlackPercent(images.frame) > kMaxBlackPercent) return ReadResult::TooMuchBlack;
    if (ReadResult code = findLines(images.frame); code != ReadResult::Ok) return code;

    PairLines(details_.lines, details_.pairs);
    details_.bestPair = ChooseBestPair(details_.lines, details_.pairs, layout);
    if (details_.bestPair < 0) return ReadResult::NoFittingPair;
    const LinePair& best = details_.pairs[details_.bestPair];
    if (method_ == ReadMethod::Mended &&
        !pairFitsLayout(details_.lines[best.lower], details_.lines[best.upper], layout)) {
        return ReadResult::NoFittingPair;
    }
    details_.theta = details_.lines[best.lower].angle;

    // As written the ends are walked on the frame binarized at 100, also when
    // the lines were found only at 120 and are white there; the mended read
    // walks them at the threshold that found them.
    const bool written = method_ == ReadMethod::Written;
    if (ReadResult code = walkEnds(written ? images.binary : images.frame, images.color,
                                   written ? kFrameThreshold : images.frameThreshold);
        code != ReadResult::Ok) {
        return code;
    }

    const CanvasRotation rotation(details_.theta);
    RotateIntoCanvas(images.color, rotation, images.rotation);
    if (!rectify(images, layout, r, rotation)) return ReadResult::NoFittingPair;
    images.rotation.copyFrom(images.normalized);

    if (ReadResult code = checkFieldOfView(images, layout, family, r, rotation); code != ReadResult::Ok) return code;
    return checkCard(images, layout, family, r);
}

ReadResult LocateCard(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                      ReadMethod method) {
    CardLocator locator(method);
    return locator.locate(images, layout, family, result);
}

}  // namespace tarvel
