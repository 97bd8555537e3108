#pragma once
// MJPG camera frames: one JPEG picture per sample, decoded with libjpeg.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "recognition/image.h"

namespace tarvel {

// Row (from the top) at which a decoded MJPG picture is drawn into the frame.
inline constexpr int kMjpgTopRow = 10;

class MjpgDecoder {
public:
    // Decodes one sample and draws it onto `frame` (24-bit) at column 0,
    // row kMjpgTopRow from the top, clipped to the frame. Returns false, and
    // leaves the frame untouched, when the sample does not start with FF D8
    // and end with FF D9, when its picture is not 640 x 480, or when the
    // decoder reports any error or warning (a truncated picture decodes with
    // only a warning; it must not be shown).
    bool decodeInto(const uint8_t* sample, size_t length, Bitmap& frame);

private:
    std::vector<uint8_t> picture_;  // B-G-R rows, top row first
};

}  // namespace tarvel
