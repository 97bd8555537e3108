#include "recognition/location.h"

#include <cmath>

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
    FindEndpoints(mask_, details_.endpoints);
    tracer_.trace(mask_, details_.endpoints, details_.lines);
    if (details_.lines.size() < 2) return ReadResult::TooFewLines;
    return ReadResult::Ok;
}

ReadResult CardLocator::walkEnds(const Bitmap& binary, const Bitmap& color) {
    const LinePair& pair = details_.pairs[details_.bestPair];
    const DetectedLine& lower = details_.lines[pair.lower];
    const DetectedLine& upper = details_.lines[pair.upper];
    auto& ends = details_.lineEnds;
    if (!WalkLineEnd(binary, lower, true, ends[0])) return ReadResult::LowerLeftOut;
    if (!WalkLineEnd(binary, lower, false, ends[1])) return ReadResult::LowerRightOut;
    if (!WalkLineEnd(binary, upper, true, ends[2])) return ReadResult::UpperLeftOut;
    if (!WalkLineEnd(binary, upper, false, ends[3])) return ReadResult::UpperRightOut;
    for (int k = 0; k < 4; ++k) {
        details_.preciseEnds[k] = RefineLineEnd(color, k < 2 ? lower : upper, ends[k], k % 2 == 0);
    }
    return ReadResult::Ok;
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
        DecliningPrompter silent;  // the orientation test never asks anything
        MarkReader reader(layout, family, r, images.normalized, images.rotation, silent);
        return reader.IsUpright() ? code : ReadResult::UpsideDown;
    };
    if (!PointInPolygon(visible, t3)) return uprightOr(ReadResult::UpperLeftCornerOut);
    if (!PointInPolygon(visible, t4)) return uprightOr(ReadResult::UpperRightCornerOut);
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
    if (!pairFitsLayout(details_.lines[best.lower], details_.lines[best.upper], layout)) {
        return ReadResult::NoFittingPair;
    }
    details_.theta = details_.lines[best.lower].angle;

    if (ReadResult code = walkEnds(images.binary, images.color); code != ReadResult::Ok) return code;

    const CanvasRotation rotation(details_.theta);
    RotateIntoCanvas(images.color, rotation, images.rotation);
    for (int k = 0; k < 4; ++k) r.P[k] = rotation.toCanvas(details_.preciseEnds[k].x, details_.preciseEnds[k].y);

    r.scale = (r.P[1].x - r.P[0].x) / layout.lowerLineLength;
    r.cellW = r.scale * layout.cellWidth;
    r.cellH = r.scale * layout.cellHeight;
    const double rise = static_cast<double>(r.scale) * layout.lineSpacing + 0.5;
    r.Q[0] = r.P[0];
    r.Q[1] = r.P[1];
    r.Q[2] = {r.P[0].x, truncToInt(r.P[0].y + rise)};
    r.Q[3] = {r.P[1].x, truncToInt(r.P[1].y + rise)};

    Projective forward;
    if (!SolveProjective(r.Q, r.P, forward)) return ReadResult::NoFittingPair;
    WarpIntoCard(images.rotation, forward, images.normalized);
    // The corners are pixel centres, the cell grid's origin an edge between
    // pixels, and the warp's truncation moves the card's content by another
    // half pixel: both are made good by one pixel, upward as well as to the
    // right.
    r.originX = r.Q[2].x + layout.originOffsetX * r.scale + 1.0f;
    r.originY = static_cast<float>(r.Q[2].y) + 1.0f;
    images.rotation.copyFrom(images.normalized);

    return checkFieldOfView(images, layout, family, r, rotation);
}

ReadResult LocateCard(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result) {
    CardLocator locator;
    return locator.locate(images, layout, family, result);
}

}  // namespace tarvel
