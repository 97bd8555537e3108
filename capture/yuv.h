#pragma once
// YUV (ITU-R BT.601, video range) to 32-bit B-G-R-x conversion for the YUY2
// and I420 camera formats. Table driven, 16 fractional bits, no per-pixel
// multiplication; results are clamped to 0..255.
#include <cstddef>
#include <cstdint>

namespace tarvel {

// Writes a 32-bit bottom-up picture: source row i (top row first) lands in
// destination memory row height-1-i. Bytes 0, 1, 2 of each destination pixel
// get B, G, R; the fourth byte is left alone. A width that is not a multiple
// of 4 writes nothing.
//   YUY2: packed Y0 U Y1 V, width * 2 bytes per row.
//   I420: Y plane, then U and V planes of (width/2) x (height/2) bytes.
void convertYuy2(int width, int height, const uint8_t* source, uint8_t* destination);
void convertI420(int width, int height, const uint8_t* source, uint8_t* destination);

// Bytes a complete source frame of this size holds.
inline size_t yuy2FrameBytes(int width, int height) { return size_t(width) * height * 2; }
inline size_t i420FrameBytes(int width, int height) { return size_t(width) * height * 3 / 2; }

}  // namespace tarvel
