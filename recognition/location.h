#pragma once
// Card location: finds the two printed detection lines of an answer card in a
// binarized 640 x 480 frame, measures their ends, rotates the colour frame so
// that the lower line is horizontal, removes the perspective with the
// projective transform of the four line ends (into the 800 x 800 normalized
// card) and checks that the card lies whole in the picture, upright.
//
// The thinning is a table-driven two-pass (row, column) skeletonization; the
// rectification a four-point homography solved by Gaussian elimination.
#include <array>
#include <vector>

#include "recognition/cardtemplate.h"
#include "recognition/geometry.h"
#include "recognition/image.h"
#include "recognition/locationsteps.h"
#include "recognition/readresult.h"

namespace tarvel {

// What the last location found, for diagnostics and measurements.
struct LocationDetails {
    std::vector<IntPoint> endpoints;
    std::vector<DetectedLine> lines;
    std::vector<LinePair> pairs;
    int bestPair = -1;       // index into pairs
    double theta = 0;        // angle of the lower line
    std::array<IntPoint, 4> lineEnds{};  // L1..L4 in frame coordinates, as walked
    std::array<PointD, 4> preciseEnds{};  // the same, refined on the gray frame
    std::array<IntPoint, 4> visible{};   // the frame's outline on the normalized card
    int thinningIterations = 0;
};

// Keeps its scratch memory between frames, so locating allocates nothing
// once the first frame is done.
class CardLocator {
public:
    // images.frame: binarized (100, or 120 on the retry); it is thinned in a
    // mask of its own and stays as it is. images.binary: binarized at 100; images.color: the colour
    // frame. On 0, result, images.normalized and images.rotation (a copy of
    // the normalized card) are ready for the mark reader.
    ReadResult locate(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result);

    const LocationDetails& details() const { return details_; }

private:
    ReadResult findLines(const Bitmap& frame);
    ReadResult walkEnds(const Bitmap& binary, const Bitmap& color);
    ReadResult checkFieldOfView(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                         const CanvasRotation& rotation);

    LocationDetails details_;
    BlackMask mask_;
    LineTracer tracer_;
};

// One location with a locator of its own.
ReadResult LocateCard(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result);

}  // namespace tarvel
