#pragma once
// Still pictures from files (PNG, JPEG, BMP), for the tools and the tests that
// run card pictures through the recogniser. The camera path never uses this.
#include <string>

#include "recognition/image.h"

namespace tarvel {

// Pictures above this many pixels are refused from their header, before any
// memory is taken for them: room for a 48-megapixel phone photo and an A4
// page scanned at 600 dpi (35 megapixels). A JPEG decoded at a reduced size
// counts the pixels it is decoded to.
inline constexpr long long kMaxPixels = 50LL * 1000 * 1000;
// Files above this size are refused unread: room for the largest picture as
// an uncompressed 32-bit bitmap, with its headers.
inline constexpr size_t kMaxPictureFileSize = 4 * kMaxPixels + (1 << 20);

// Reads the file into a 3-byte bottom-up bitmap of at most kMaxPixels. The format
// is taken from the file's first bytes. On failure returns false and a
// message for the user; a damaged JPEG (even one the decoder only warns
// about) is a failure.
bool readImageFile(const std::string& path, Bitmap& out, std::string& message);
// The same for the bytes of a picture file.
bool decodeImage(const uint8_t* bytes, size_t size, Bitmap& out);

// A JPEG picture decoded at eighths/8 of its size (1, 2, 4 or 8 are the
// decoder's fast reductions); the sides are rounded up. `out` keeps its
// memory when it already has the size.
bool decodeJpegScaled(const uint8_t* bytes, size_t size, int eighths, Bitmap& out);

// Writes the picture as an 8-bit RGB PNG file.
bool writePngFile(const std::string& path, const Bitmap& image);

// The picture stretched to width x height, each new pixel the mean of the old
// pixels it covers.
Bitmap resized(const Bitmap& image, int width, int height);

}  // namespace tarvel
