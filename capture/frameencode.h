#pragma once
// Turns a 24-bit bottom-up B-G-R picture into the bytes a camera would send in
// each format, so the virtual camera, the tests and the benchmarks can feed
// the frame loop every format without hardware.
#include <cstdint>
#include <string>
#include <vector>

#include "capture/camerasource.h"
#include "recognition/image.h"

namespace tarvel {

// BT.601 video range, the inverse of convertYuy2 / convertI420 (chroma of
// each pair or 2 x 2 block averaged). Rows top row first, as cameras send them.
std::vector<uint8_t> encodeYuy2(const Bitmap& picture);
std::vector<uint8_t> encodeI420(const Bitmap& picture);
// Baseline JPEG at the given quality.
std::vector<uint8_t> encodeJpeg(const Bitmap& picture, int quality = 90);
// Any of the four formats; Rgb24 is the bitmap's own bytes (24-bit bottom-up).
std::vector<uint8_t> encodeFrame(const Bitmap& picture, FrameFormat format);

// A picture file (PNG, JPEG, or BMP of 24 or 32 bits) as a 24-bit bitmap.
// False when the file is missing or not such a picture.
bool loadPicture(const std::string& path, Bitmap& out);

// The picture placed into a 640 x 480, 24-bit frame: cut where it is larger,
// white where it is smaller.
Bitmap fitToFrame(const Bitmap& picture);

}  // namespace tarvel
