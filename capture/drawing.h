#pragma once
// What the frame loop draws, as commands the user interface renders. The
// frame is binarized right after it is shown, so a sink must paint (or copy)
// the frame during the call that hands it over.
#include <cstdint>
#include <string>

#include "recognition/image.h"

namespace tarvel {

// ImageCheShi on the camera page, ImageView on the grading page.
enum class Surface { ConnectPicture, GradingView };

struct Colour {
    uint8_t red, green, blue;
    bool operator==(const Colour& o) const { return red == o.red && green == o.green && blue == o.blue; }
};
inline constexpr Colour kRed{255, 0, 0};
inline constexpr Colour kViewBackground{173, 190, 214};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

struct DrawCommand {
    enum class Kind {
        Frame,         // the frame unscaled with its top-left corner at area.x, area.y
        StretchFrame,  // the frame stretched into `area` with halftone resampling
        Fill,          // `area` filled with `colour`
        Text,          // `text` at area.x, area.y (top-left), `fontSize`, `colour`
        CentredText,   // `text` centred in `area`, `fontSize`, `colour`
        Outline,       // a rectangle outline along `area` in `colour`
    };
    Kind kind;
    Surface surface;
    Rect area;
    Colour colour{0, 0, 0};
    int fontSize = 0;
    std::string text;
};

class DrawingSink {
public:
    virtual ~DrawingSink() = default;
    // `frame` is set for Frame and StretchFrame and valid only during the call.
    virtual void draw(const DrawCommand& command, const Bitmap* frame) = 0;
};

}  // namespace tarvel
