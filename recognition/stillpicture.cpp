#include "recognition/stillpicture.h"

#include "base/savefile.h"
#include "recognition/exif.h"
#include "recognition/imagefile.h"

namespace tarvel {

bool StillPicture::open(std::vector<uint8_t> bytes) {
    jpeg_.clear();
    orientation_ = kOrientationAsStored;
    width_ = height_ = eighths_ = 0;
    damaged_ = false;
    JpegHeader header;
    if (readJpegHeader(bytes.data(), bytes.size(), header)) {
        orientation_ = header.orientation;
        width_ = swapsSides(orientation_) ? header.height : header.width;
        height_ = swapsSides(orientation_) ? header.width : header.height;
        // Decoded when the read asks, at the size it asks for: a damaged
        // body shows then.
        jpeg_ = std::move(bytes);
        return true;
    }
    Bitmap whole;
    if (!decodeImage(bytes.data(), bytes.size(), whole)) return false;
    assign(std::move(whole));
    return true;
}

void StillPicture::assign(Bitmap upright) {
    *this = StillPicture{};
    width_ = upright.width();
    height_ = upright.height();
    decoded_ = std::move(upright);
    eighths_ = 8;
}

bool StillPicture::isCameraFrame() const {
    return width_ == kFrameWidth && height_ == kFrameHeight && orientation_ == kOrientationAsStored;
}

const Bitmap* StillPicture::pixels(double detail) {
    if (damaged_ || width_ <= 0) return nullptr;
    if (jpeg_.empty()) return &decoded_;
    int eighths = 1;
    while (eighths < 8 && eighths < detail * 8 - 1e-9) eighths *= 2;
    if (eighths <= eighths_) return &decoded_;
    Bitmap& target = orientation_ == kOrientationAsStored ? decoded_ : stored_;
    if (!decodeJpegScaled(jpeg_.data(), jpeg_.size(), eighths, target)) {
        damaged_ = true;
        return nullptr;
    }
    if (orientation_ != kOrientationAsStored) upright(stored_, orientation_, decoded_);
    eighths_ = eighths;
    return &decoded_;
}

std::string unreadablePictureMessage(const std::string& name) { return "不是可读的PNG、JPEG或BMP图像：" + name; }

bool PictureFile::open(const std::string& path, std::string& message) {
    *this = PictureFile{};
    path_ = path;
    std::vector<uint8_t> bytes;
    switch (readWholeFile(path, bytes, kMaxPictureFileBytes)) {
        case FileRead::Ok: break;
        case FileRead::Unreadable: message = "无法打开图像文件：" + path; return false;
        case FileRead::TooLarge: message = "图像文件过大：" + path; return false;
    }
    if (!PdfPages::looksLikePdf(bytes)) {
        bytes_ = std::move(bytes);
        return true;
    }
    if (!pdf_.open(std::move(bytes))) {
        message = "不是可读的PDF文件：" + path;
        return false;
    }
    return true;
}

std::string PictureFile::name(int index) const {
    return pdf_.pages() > 1 ? path_ + "#" + std::to_string(index + 1) : path_;
}

bool PictureFile::picture(int index, StillPicture& out, std::string& message) const {
    if (pdf_.pages() > 0) {
        Bitmap page;
        if (!pdf_.render(index, page)) {
            message = "无法读取PDF文件的第" + std::to_string(index + 1) + "页：" + path_;
            return false;
        }
        out.assign(std::move(page));
        return true;
    }
    if (!out.open(bytes_)) {
        message = unreadablePictureMessage(path_);
        return false;
    }
    return true;
}

}  // namespace tarvel
