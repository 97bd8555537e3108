#include "frameformats.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>

namespace tarvel::cards {
namespace {

// BT.601 video range, the inverse of the capture side's conversion tables.
uint8_t lumaOf(int r, int g, int b) {
    return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(16 + (65.738 * r + 129.057 * g + 25.064 * b) / 256)), 0, 255));
}
uint8_t chromaU(double r, double g, double b) {
    return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(128 + (-37.945 * r - 74.494 * g + 112.439 * b) / 256)), 0, 255));
}
uint8_t chromaV(double r, double g, double b) {
    return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(128 + (112.439 * r - 94.154 * g - 18.285 * b) / 256)), 0, 255));
}

QImage rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

}  // namespace

bool frameFormatFromName(const std::string& name, FrameFormat& out) {
    if (name == "bgr24") out = FrameFormat::Bgr24;
    else if (name == "yuy2") out = FrameFormat::Yuy2;
    else if (name == "i420") out = FrameFormat::I420;
    else if (name == "mjpg") out = FrameFormat::Mjpg;
    else return false;
    return true;
}

const char* frameFormatName(FrameFormat f) {
    switch (f) {
        case FrameFormat::Bgr24: return "bgr24";
        case FrameFormat::Yuy2: return "yuy2";
        case FrameFormat::I420: return "i420";
        default: return "mjpg";
    }
}

std::vector<uint8_t> toBgr24BottomUp(const QImage& source) {
    const QImage image = rgb(source);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(image.width()) * image.height() * 3);
    for (int r = image.height() - 1; r >= 0; --r) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(r));
        for (int x = 0; x < image.width(); ++x) {
            out.push_back(static_cast<uint8_t>(qBlue(row[x])));
            out.push_back(static_cast<uint8_t>(qGreen(row[x])));
            out.push_back(static_cast<uint8_t>(qRed(row[x])));
        }
    }
    return out;
}

std::vector<uint8_t> toYuy2(const QImage& source) {
    const QImage image = rgb(source);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(image.width()) * image.height() * 2);
    for (int r = 0; r < image.height(); ++r) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(r));
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb a = row[x], b = row[x + 1];
            const double mr = (qRed(a) + qRed(b)) / 2.0, mg = (qGreen(a) + qGreen(b)) / 2.0,
                         mb = (qBlue(a) + qBlue(b)) / 2.0;
            out.push_back(lumaOf(qRed(a), qGreen(a), qBlue(a)));
            out.push_back(chromaU(mr, mg, mb));
            out.push_back(lumaOf(qRed(b), qGreen(b), qBlue(b)));
            out.push_back(chromaV(mr, mg, mb));
        }
    }
    return out;
}

std::vector<uint8_t> toI420(const QImage& source) {
    const QImage image = rgb(source);
    const int w = image.width(), h = image.height();
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 3 / 2);
    uint8_t* y = out.data();
    uint8_t* u = y + static_cast<size_t>(w) * h;
    uint8_t* v = u + static_cast<size_t>(w / 2) * (h / 2);
    for (int r = 0; r < h; ++r) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(r));
        for (int x = 0; x < w; ++x) y[static_cast<size_t>(r) * w + x] = lumaOf(qRed(row[x]), qGreen(row[x]), qBlue(row[x]));
    }
    for (int r = 0; r + 1 < h; r += 2) {
        const QRgb* r0 = reinterpret_cast<const QRgb*>(image.constScanLine(r));
        const QRgb* r1 = reinterpret_cast<const QRgb*>(image.constScanLine(r + 1));
        for (int x = 0; x + 1 < w; x += 2) {
            const QRgb p[4] = {r0[x], r0[x + 1], r1[x], r1[x + 1]};
            double mr = 0, mg = 0, mb = 0;
            for (QRgb q : p) {
                mr += qRed(q) / 4.0;
                mg += qGreen(q) / 4.0;
                mb += qBlue(q) / 4.0;
            }
            const size_t i = static_cast<size_t>(r / 2) * (w / 2) + x / 2;
            u[i] = chromaU(mr, mg, mb);
            v[i] = chromaV(mr, mg, mb);
        }
    }
    return out;
}

std::vector<uint8_t> toMjpg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    rgb(image).save(&buffer, "JPG", quality);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> encodeFrame(const QImage& image, FrameFormat format, int quality) {
    switch (format) {
        case FrameFormat::Bgr24: return toBgr24BottomUp(image);
        case FrameFormat::Yuy2: return toYuy2(image);
        case FrameFormat::I420: return toI420(image);
        default: return toMjpg(image, quality);
    }
}

}  // namespace tarvel::cards
