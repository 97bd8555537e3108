#pragma once
// A still picture to grade - a phone photo, a scan, a frame saved from a
// camera - upright by its EXIF orientation and decoded no finer than the card
// read needs: a twelve-megapixel JPEG is reduced by the decoder itself
// (libjpeg's scaled inverse DCT at 1/8, 1/4 or 1/2), which is what lets a
// folder of phone photos be graded in moments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recognition/image.h"
#include "recognition/pdfpages.h"

namespace tarvel {

class StillPicture {
public:
    // The bytes of a JPEG, PNG or BMP file. False when they are no such
    // picture (or one larger than the picture files' pixel limit); a JPEG is
    // only looked at here, damage in its data shows when it is decoded. The
    // picture's memory is used again for the next one opened.
    bool open(std::vector<uint8_t> bytes);
    // Pixels already decoded and upright: a rendered PDF page, a picture
    // made in memory.
    void assign(Bitmap upright);

    // The full size, upright.
    int width() const { return width_; }
    int height() const { return height_; }
    // Stored exactly as a camera frame: 640 x 480 and upright as stored.
    // Such a picture is read as the frame it is.
    bool isCameraFrame() const;

    // The upright pixels with at least `detail` (a share of the full size,
    // 0-1) of the full resolution: a JPEG is decoded at the smallest of 1/8,
    // 1/4, 1/2 and whole that gives it, other pictures are always whole.
    // Null when the picture data turn out damaged.
    const Bitmap* pixels(double detail);
    // The resolution of `pixels`' last answer: its width / the full width.
    double detail() const { return width_ > 0 ? double(decoded_.width()) / width_ : 0; }

private:
    std::vector<uint8_t> jpeg_;  // kept for finer decodes; empty for other pictures
    int orientation_ = 1;
    int width_ = 0, height_ = 0;
    int eighths_ = 0;  // of the decoded pixels; 8 for pictures given whole
    bool damaged_ = false;
    Bitmap decoded_;
    Bitmap stored_;  // a JPEG as decoded, before it is set upright
};

// Files above this size are refused unread: a scanner's PDF of a whole class
// stays well below it.
inline constexpr size_t kMaxPictureFileBytes = size_t(256) << 20;

// The pictures of one file: the picture itself, or each page of a PDF file.
class PictureFile {
public:
    // False with a message for the user when the file cannot be read, is
    // too large, or is neither a picture (JPEG, PNG, BMP) nor a PDF file with
    // pages.
    bool open(const std::string& path, std::string& message);
    int count() const { return pdf_.pages() > 0 ? pdf_.pages() : 1; }
    // How the picture is named to the user: the path, with "#" and the page
    // number for PDF files of several pages.
    std::string name(int index) const;
    // Picture `index` (from 0); false with a message when it cannot be drawn.
    bool picture(int index, StillPicture& out, std::string& message) const;

private:
    std::string path_;
    std::vector<uint8_t> bytes_;  // of a picture; a PDF keeps its own
    PdfPages pdf_;
};

// The message for a picture whose data cannot be decoded.
std::string unreadablePictureMessage(const std::string& name);

}  // namespace tarvel
