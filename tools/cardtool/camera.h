#pragma once
// The camera-photo simulator: a filled card lying on white paper on a light
// desk, seen by a 640 x 480 webcam from above - turned, tilted, scaled,
// slightly out of focus, unevenly lit, with sensor noise and JPEG loss.
// Deterministic: the same card, view and start value give the same frame.
#include <QColor>
#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "cardrender.h"

namespace tarvel::cards {

// How the camera sees the card.
struct CameraView {
    double boxShare = 0.8;      // field-of-view box height / frame height (before tilt)
    double rotation = 0;        // degrees, counter-clockwise on screen
    double tiltX = 0;           // degrees about the frame's horizontal axis
    double tiltY = 0;           // degrees about the frame's vertical axis
    double shiftX = 0;          // box centre offset from the frame centre, pixels (right)
    double shiftY = 0;          // pixels (down)
    bool turned = false;        // card lies upside down
    bool noCard = false;        // only the paper and the desk
};

// Light, lens and sensor.
struct CameraLook {
    double exposure = 0.92;     // brightness of white paper, 0..1
    double gradient = 0.08;     // light falloff across the frame (share)
    double gradientAngle = 30;  // degrees
    double vignette = 0.12;     // darkening in the corners (share)
    double shadow = 0;          // darkening inside a soft shadow (0 = none)
    double shadowAngle = 0;     // direction of the shadow edge, degrees
    double shadowOffset = 0;    // distance of the shadow edge from the centre, pixels
    double warmth = 0;          // colour of the light: 0 daylight, 1 a warm bulb
    double blur = 0.7;          // defocus, Gaussian sigma in pixels
    double noise = 2.5;         // sensor noise, sigma in gray levels
    int jpegQuality = 85;       // 0: no compression
    QColor desk = QColor(206, 190, 162);  // desk colour under full light
    double underlayTurn = 4;    // the white paper's angle against the card, degrees
    bool underlay = true;       // a white sheet lies under the card

    // Light falling on frame pixel (x, y down), as a share of full light.
    double lightAt(double x, double y) const;
};

// A 3 x 3 projective map (row major).
struct Homography {
    std::array<double, 9> m{};
    void apply(double x, double y, double& ox, double& oy) const;
    Homography inverse() const;
};

inline constexpr double kFocalLength = 554.0;  // pixels: a 60-degree webcam

// A camera's picture: its size and its focal length, in pixels.
struct Lens {
    double focal = kFocalLength;
    double width = kFrameWidth;
    double height = kFrameHeight;
};

// Card plane (layout units from the upper line's left end, y up) to picture
// pixels (x right, y down from the top-left corner); the view's box share
// and shifts are taken in the lens's picture.
Homography cardToPicture(const CardTemplate& t, const CameraView& view, const Lens& lens);
// The same for the webcam's 640 x 480 frame.
inline Homography cardToFrame(const CardTemplate& t, const CameraView& view) { return cardToPicture(t, view, Lens{}); }

// Where a card point lands in the frame, in picture coordinates (y up), as
// card location sees it.
void framePicturePoint(const Homography& h, double u, double v, double& x, double& y);

// A filled card sheet (as renderFilledSheet makes it) photographed. `sheet`
// was drawn at `at`.
QImage photograph(const QImage& sheet, const CardPlacement& at, const CardTemplate& t, const CameraView& view,
                  const CameraLook& look, uint64_t start);

// The sheet resolution photograph() wants for a view: about two sheet pixels
// per frame pixel.
double sheetResolutionFor(const CardTemplate& t, const CameraView& view);

// One card of a frame stream.
struct StreamCard {
    QImage sheet;
    CardPlacement at;
    CardTemplate layout;
    CameraView view;            // where it lies while still
    CameraLook look;
    int stillFrames = 25;       // 2.5 s at 10 fps
};

enum class StreamPhase { Empty, SlideIn, Still, SlideOut };

struct StreamFrame {
    QImage image;
    int card = -1;              // index into the cards, -1 for an empty desk
    StreamPhase phase = StreamPhase::Empty;
};

// A 10 fps frame stream: each card slides in from the right over
// `slideFrames`, lies still for its still frames (only the sensor noise
// changes), slides out to the left; `gapFrames` of empty paper between cards.
// The callback receives every frame in order.
void frameStream(const std::vector<StreamCard>& cards, int slideFrames, int gapFrames, uint64_t start,
                 const std::function<void(const StreamFrame&)>& out);

const char* phaseName(StreamPhase phase);

}  // namespace tarvel::cards

namespace tarvel::cards {

// What a perfect card location would make of a frame: the card warped into
// an 800 x 800 bitmap with the true geometry of the view, at the frame's own
// scale (lower line length in the frame / lowerLineLength). Returns the
// placement to read it with. An oracle for tests of reading on camera frames.
Bitmap rectifyWithTruth(const QImage& frame, const CardTemplate& t, const CameraView& view, CardPlacement& at);

}  // namespace tarvel::cards
