#pragma once
// Any still picture into the working 640 x 480 frame. The card is found in
// an overview of the whole picture (cardfinder.h); the picture is then
// scaled down by area averaging - never up - so that the card's field of
// view fills the frame as it does when a webcam sees the card, turned by
// quarter turns so that the card stands upright, with white paper wherever
// the frame reaches beyond the picture; and the card read with its retry at
// threshold 120 runs on that frame. A picture stored exactly as a camera
// frame is read as the frame it is. When no view of the picture gives a
// located card the picture is refused with the code of the first view tried:
// a view only frames the picture, so nothing is read that location and
// reading would not read in a camera frame.
#include <functional>
#include <optional>

#include "recognition/cardfinder.h"
#include "recognition/cardread.h"
#include "recognition/cardtemplate.h"
#include "recognition/image.h"
#include "recognition/readresult.h"
#include "recognition/stillpicture.h"

namespace tarvel {

// The card's field-of-view box (the corners location checks) is given this
// share of the frame's height, or of its width where the box is wide: the
// middle of the distances a webcam is used at.
inline constexpr double kCardHeightShare = 0.78;
inline constexpr double kCardWidthShare = 0.85;
// The smallest share a card is shown at to spare a finer decode of a photo;
// webcams show cards from 0.6 of the frame's height.
inline constexpr double kNearestCardShare = 0.62;
// Views of one picture tried at most, the whole picture included.
inline constexpr int kMostViews = 5;

// Where the frame looks at a picture.
struct FrameView {
    double centreX = 0, centreY = 0;  // full-size upright picture pixels, x right, y down
    double factor = 1;                // full-size picture pixels per frame pixel, at least 1
    int quarterTurns = 0;             // clockwise turns that set the card upright
};

// The whole picture, centred, as large as the frame holds it.
FrameView wholePictureView(int width, int height);

// The view that shows a card seen in the overview (made with `overview`'s
// view) as a webcam would.
FrameView cardView(const CardSighting& card, const FrameView& overview, const CardTemplate& layout, int pictureWidth,
                   int pictureHeight);

// Draws a view of the picture into `frame` (which keeps its bytes per pixel
// and becomes 640 x 480): each frame pixel is the mean of the picture pixels
// it covers; parts beyond the picture are paper white. `pixels` hold the
// picture at `detail` of its full size.
void renderView(const Bitmap& pixels, double detail, const FrameView& view, Bitmap& frame);

// Reads the picture through one view after another until one gives a
// located card (Ok, or Refused by afterLocated, the judgement: either ends
// the read), or the views are used up; each view is read as a camera frame
// is, with its retry at threshold 120. Every card located in a view is also
// tested for the orientation mark before afterLocated: location tests it only
// when an upper corner of the card lies outside the frame, and a view framed
// round a card turned half round would otherwise be read upside down. A
// picture stored as a camera frame is read exactly as the frame loop reads a
// frame. nullopt when the picture's data turn out damaged. `used` receives
// the view of the result: of the located card, or of the first view, whose
// code a refusal reports (the images then hold the last view tried).
std::optional<ReadResult> ReadStillPicture(StillPicture& picture, ImageSet& images, const CardTemplate& layout,
                                           CardFamily family, LocationResult& result, CardLocator& locator,
                                           const AfterLocated& afterLocated = {}, FrameView* used = nullptr);

}  // namespace tarvel
