#pragma once
// The EXIF orientation of a picture: how a phone says its stored pixels must
// be turned (and mirrored) to stand as the photographer held the phone.
// Values as the EXIF standard numbers them: 1 as stored, 2 mirrored left to
// right, 3 turned half round, 4 mirrored top to bottom, 5 mirrored along the
// main diagonal, 6 turned a quarter clockwise, 7 mirrored along the other
// diagonal, 8 turned a quarter counter-clockwise.
#include <cstddef>
#include <cstdint>

#include "recognition/image.h"

namespace tarvel {

inline constexpr int kOrientationAsStored = 1;

// What the marker segments of a JPEG file say before its picture data: the
// stored size (frame header) and the orientation tag of the EXIF block
// (APP1 "Exif"), 1 when there is no such block or it is damaged.
struct JpegHeader {
    int width = 0;
    int height = 0;
    int orientation = kOrientationAsStored;
};

// False when the bytes are not a JPEG file with a frame header before its
// picture data.
bool readJpegHeader(const uint8_t* bytes, size_t size, JpegHeader& out);

// Width and height of a picture of stored size (width, height) once upright.
bool swapsSides(int orientation);

// The stored pixels made upright into `out` (whose memory is kept when the
// size fits). Orientation 1 (or any value outside 1-8) gives a plain copy.
void upright(const Bitmap& stored, int orientation, Bitmap& out);
inline Bitmap upright(const Bitmap& stored, int orientation) {
    Bitmap out;
    upright(stored, orientation, out);
    return out;
}

}  // namespace tarvel
