#include "camera.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>

#include "rng.h"

namespace tarvel::cards {
namespace {

constexpr double kPi = 3.14159265358979323846;
double rad(double degrees) { return degrees * kPi / 180.0; }

Homography multiply(const Homography& a, const Homography& b) {
    Homography r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += a.m[i * 3 + k] * b.m[k * 3 + j];
            r.m[i * 3 + j] = s;
        }
    }
    return r;
}

// Float RGB frame, rows top-down.
struct Frame {
    int w = kFrameWidth, h = kFrameHeight;
    std::vector<float> px = std::vector<float>(static_cast<size_t>(kFrameWidth) * kFrameHeight * 3, 0.f);
    float* at(int x, int y) { return px.data() + (static_cast<size_t>(y) * w + x) * 3; }
};

void gaussianBlur(Frame& f, double sigma) {
    if (sigma < 0.2) return;
    const int r = static_cast<int>(std::ceil(3 * sigma));
    std::vector<float> k(2 * r + 1);
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += k[i + r] = static_cast<float>(std::exp(-i * i / (2 * sigma * sigma)));
    for (float& v : k) v /= sum;
    std::vector<float> tmp(f.px.size());
    auto idx = [&](int x, int y) { return (static_cast<size_t>(y) * f.w + x) * 3; };
    for (int y = 0; y < f.h; ++y) {
        for (int x = 0; x < f.w; ++x) {
            float acc[3] = {0, 0, 0};
            for (int i = -r; i <= r; ++i) {
                const float* p = &f.px[idx(std::clamp(x + i, 0, f.w - 1), y)];
                for (int c = 0; c < 3; ++c) acc[c] += k[i + r] * p[c];
            }
            for (int c = 0; c < 3; ++c) tmp[idx(x, y) + c] = acc[c];
        }
    }
    for (int y = 0; y < f.h; ++y) {
        for (int x = 0; x < f.w; ++x) {
            float acc[3] = {0, 0, 0};
            for (int i = -r; i <= r; ++i) {
                const float* p = &tmp[idx(x, std::clamp(y + i, 0, f.h - 1))];
                for (int c = 0; c < 3; ++c) acc[c] += k[i + r] * p[c];
            }
            for (int c = 0; c < 3; ++c) f.px[idx(x, y) + c] = acc[c];
        }
    }
}

// Bilinear sample of an RGB32 image at continuous pixel coordinates.
void sampleSheet(const QImage& img, double x, double y, float out[3]) {
    x -= 0.5;
    y -= 0.5;
    const int x0 = std::clamp(static_cast<int>(std::floor(x)), 0, img.width() - 1);
    const int y0 = std::clamp(static_cast<int>(std::floor(y)), 0, img.height() - 1);
    const int x1 = std::min(x0 + 1, img.width() - 1);
    const int y1 = std::min(y0 + 1, img.height() - 1);
    const float fx = static_cast<float>(std::clamp(x - std::floor(x), 0.0, 1.0));
    const float fy = static_cast<float>(std::clamp(y - std::floor(y), 0.0, 1.0));
    const QRgb* r0 = reinterpret_cast<const QRgb*>(img.constScanLine(y0));
    const QRgb* r1 = reinterpret_cast<const QRgb*>(img.constScanLine(y1));
    const QRgb p[4] = {r0[x0], r0[x1], r1[x0], r1[x1]};
    const float wt[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    out[0] = out[1] = out[2] = 0;
    for (int i = 0; i < 4; ++i) {
        out[0] += wt[i] * qRed(p[i]);
        out[1] += wt[i] * qGreen(p[i]);
        out[2] += wt[i] * qBlue(p[i]);
    }
}

// Smooth 1-D value noise in [-1, 1]: wood grain that does not repeat.
double valueNoise(double x, uint64_t salt) {
    auto hash = [salt](int64_t i) {
        uint64_t z = static_cast<uint64_t>(i) * 0x9E3779B97F4A7C15ull ^ salt;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<double>((z ^ (z >> 31)) >> 11) / 4503599627370496.0 - 1.0;
    };
    const double f = std::floor(x);
    const double t = x - f;
    const double s = t * t * (3 - 2 * t);
    const int64_t i = static_cast<int64_t>(f);
    return hash(i) * (1 - s) + hash(i + 1) * s;
}

bool inside(const Box& b, double u, double v) { return u >= b.left && u <= b.right && v >= b.bottom && v <= b.top; }

// Distance outside a box (0 inside).
double outsideBy(const Box& b, double u, double v) {
    const double du = std::max({b.left - u, 0.0, u - b.right});
    const double dv = std::max({b.bottom - v, 0.0, v - b.top});
    return std::sqrt(du * du + dv * dv);
}

double smoothstep(double a, double b, double x) {
    double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

}  // namespace

// Exposure, a gradient across the frame, vignetting and a soft shadow.
double CameraLook::lightAt(double x, double y) const {
    const double dx = x - kFrameWidth / 2.0, dy = y - kFrameHeight / 2.0;
    const double ga = rad(gradientAngle), sa = rad(shadowAngle);
    const double along = std::clamp((dx * std::cos(ga) + dy * std::sin(ga)) / 400.0, -1.0, 1.0);
    double light = exposure * (1 - gradient * (along + 1) / 2);
    light *= 1 - vignette * (dx * dx + dy * dy) / (400.0 * 400.0);
    if (shadow > 0) {
        const double d = dx * std::cos(sa) + dy * std::sin(sa) - shadowOffset;
        light *= 1 - shadow * smoothstep(-90, 90, d);
    }
    return light;
}

void Homography::apply(double x, double y, double& ox, double& oy) const {
    const double w = m[6] * x + m[7] * y + m[8];
    ox = (m[0] * x + m[1] * y + m[2]) / w;
    oy = (m[3] * x + m[4] * y + m[5]) / w;
}

Homography Homography::inverse() const {
    const auto& a = m;
    Homography r;
    r.m = {a[4] * a[8] - a[5] * a[7], a[2] * a[7] - a[1] * a[8], a[1] * a[5] - a[2] * a[4],
           a[5] * a[6] - a[3] * a[8], a[0] * a[8] - a[2] * a[6], a[2] * a[3] - a[0] * a[5],
           a[3] * a[7] - a[4] * a[6], a[1] * a[6] - a[0] * a[7], a[0] * a[4] - a[1] * a[3]};
    const double det = a[0] * r.m[0] + a[1] * r.m[3] + a[2] * r.m[6];
    for (double& v : r.m) v /= det;
    return r;
}

Homography cardToPicture(const CardTemplate& t, const CameraView& view, const Lens& optics) {
    const Box box = fieldOfViewBox(t);
    const double uc = (box.left + box.right) / 2, vc = (box.bottom + box.top) / 2;
    const double distance = optics.focal * box.height() / (view.boxShare * optics.height);
    Homography centre{{1, 0, -uc, 0, -1, vc, 0, 0, 1}};
    const double turn = view.turned ? -1 : 1;
    Homography turned{{turn, 0, 0, 0, turn, 0, 0, 0, 1}};
    const double c = std::cos(rad(view.rotation)), s = std::sin(rad(view.rotation));
    Homography spin{{c, s, 0, -s, c, 0, 0, 0, 1}};
    // Tilt: rotate the card plane about the x then the y axis, put it
    // `distance` in front of the lens, and project.
    const double cx = std::cos(rad(view.tiltX)), sx = std::sin(rad(view.tiltX));
    const double cy = std::cos(rad(view.tiltY)), sy = std::sin(rad(view.tiltY));
    // Columns 1 and 2 of Ry * Rx, and the translation.
    const double r11 = cy, r21 = 0, r31 = -sy;
    const double r12 = sy * sx, r22 = cx, r32 = cy * sx;
    Homography plane{{r11, r12, 0, r21, r22, 0, r31, r32, distance}};
    Homography lens{{optics.focal, 0, optics.width / 2 + view.shiftX, 0, optics.focal, optics.height / 2 + view.shiftY,
                     0, 0, 1}};
    return multiply(lens, multiply(plane, multiply(spin, multiply(turned, centre))));
}

void framePicturePoint(const Homography& h, double u, double v, double& x, double& y) {
    double yDown = 0;
    h.apply(u, v, x, yDown);
    y = kFrameHeight - yDown;
}

double sheetResolutionFor(const CardTemplate& t, const CameraView& view) {
    const Box box = fieldOfViewBox(t);
    return 2.0 * view.boxShare * kFrameHeight / box.height();
}

QImage photograph(const QImage& sheetSource, const CardPlacement& at, const CardTemplate& t, const CameraView& view,
                  const CameraLook& look, uint64_t start) {
    Rng rng(start);
    const QImage sheet = sheetSource.convertToFormat(QImage::Format_RGB32);
    const Homography toCard = cardToFrame(t, view).inverse();
    const Box card = sheetBox(t);
    const Box fov = fieldOfViewBox(t);
    // The white underlay: an A4 sheet under the card, slightly turned.
    const double uc = (fov.left + fov.right) / 2 + rng.uniform(-15, 15);
    const double vc = (fov.bottom + fov.top) / 2 + rng.uniform(-15, 15);
    const double uc2 = std::cos(rad(look.underlayTurn)), us2 = std::sin(rad(look.underlayTurn));
    const double grainAngle = rng.uniform(0, kPi);
    const uint64_t grainSalt = rng.next();
    const float desk[3] = {static_cast<float>(look.desk.red()), static_cast<float>(look.desk.green()),
                           static_cast<float>(look.desk.blue())};

    Frame f;
    const double sub[2] = {0.25, 0.75};
    for (int y = 0; y < f.h; ++y) {
        for (int x = 0; x < f.w; ++x) {
            float acc[3] = {0, 0, 0};
            for (double oy : sub) {
                for (double ox : sub) {
                    double u = 0, v = 0;
                    toCard.apply(x + ox, y + oy, u, v);
                    float a[3];
                    if (!view.noCard && inside(card, u, v)) {
                        sampleSheet(sheet, at.upperLeftX + at.scale * u, sheet.height() - (at.upperLeftY + at.scale * v),
                                    a);
                    } else {
                        const double du = u - uc, dv = v - vc;
                        const double pu = du * uc2 + dv * us2, pv = -du * us2 + dv * uc2;
                        double shade = 1.0;
                        if (look.underlay && std::abs(pu) <= 105 && std::abs(pv) <= 148.5) {
                            a[0] = 247, a[1] = 247, a[2] = 243;
                            // The card's edge casts a thin shadow on the paper.
                            if (!view.noCard) shade = 0.9 + 0.1 * smoothstep(0, 1.2, outsideBy(card, u, v));
                        } else {
                            const double along = u * std::cos(grainAngle) + v * std::sin(grainAngle);
                            const double across = -u * std::sin(grainAngle) + v * std::cos(grainAngle);
                            // Fibres run along the board, bending slowly.
                            const double bend = across + 6 * valueNoise(along * 0.01, grainSalt);
                            const double grain = 0.035 * valueNoise(bend * 0.8, grainSalt + 1) +
                                                 0.025 * valueNoise(bend * 0.11, grainSalt + 2) +
                                                 0.01 * valueNoise(along * 0.5 + bend * 3, grainSalt + 3);
                            for (int c = 0; c < 3; ++c) a[c] = static_cast<float>(desk[c] * (1 + grain));
                            if (look.underlay) {
                                const double off = std::max(std::abs(pu) - 105, std::abs(pv) - 148.5);
                                shade = 0.88 + 0.12 * smoothstep(0, 1.5, off);
                            }
                        }
                        for (float& c : a) c = static_cast<float>(c * shade);
                    }
                    for (int c = 0; c < 3; ++c) acc[c] += a[c];
                }
            }
            // Printed black still reflects a little light.
            float* p = f.at(x, y);
            for (int c = 0; c < 3; ++c) p[c] = 0.06f + 0.94f * acc[c] / (4 * 255.0f);
        }
    }

    // Warm light (a bulb rather than daylight): less blue, a little less green.
    const double tint[3] = {1.0, 1.0 - 0.12 * look.warmth, 1.0 - 0.38 * look.warmth};
    for (int y = 0; y < f.h; ++y) {
        for (int x = 0; x < f.w; ++x) {
            const double light = look.lightAt(x + 0.5, y + 0.5);
            float* p = f.at(x, y);
            for (int c = 0; c < 3; ++c) p[c] = static_cast<float>(255.0 * light * tint[c] * p[c]);
        }
    }
    gaussianBlur(f, look.blur);

    QImage out(f.w, f.h, QImage::Format_RGB32);
    for (int y = 0; y < f.h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < f.w; ++x) {
            const float* p = f.at(x, y);
            // Sensor noise: a shared luminance part and a smaller colour part.
            const double common = rng.normal() * look.noise * 0.8;
            int v[3];
            for (int c = 0; c < 3; ++c) {
                v[c] = static_cast<int>(std::lround(p[c] + common + rng.normal() * look.noise * 0.6));
                v[c] = std::clamp(v[c], 0, 255);
            }
            row[x] = qRgb(v[0], v[1], v[2]);
        }
    }
    if (look.jpegQuality > 0) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        out.save(&buffer, "JPG", look.jpegQuality);
        QImage decoded;
        decoded.loadFromData(bytes, "JPG");
        out = decoded.convertToFormat(QImage::Format_RGB32);
    }
    return out;
}

const char* phaseName(StreamPhase phase) {
    switch (phase) {
        case StreamPhase::SlideIn: return "in";
        case StreamPhase::Still: return "still";
        case StreamPhase::SlideOut: return "out";
        default: return "empty";
    }
}

void frameStream(const std::vector<StreamCard>& cards, int slideFrames, int gapFrames, uint64_t start,
                 const std::function<void(const StreamFrame&)>& out) {
    Rng rng(start);
    auto shoot = [&](const StreamCard& c, const CameraView& view, int index, StreamPhase phase) {
        StreamFrame frame;
        frame.image = photograph(c.sheet, c.at, c.layout, view, c.look, rng.next());
        frame.card = index;
        frame.phase = phase;
        out(frame);
    };
    for (size_t i = 0; i < cards.size(); ++i) {
        const StreamCard& c = cards[i];
        CameraView empty = c.view;
        empty.noCard = true;
        for (int k = 0; k < gapFrames; ++k) shoot(c, empty, -1, StreamPhase::Empty);
        const double travel = kFrameWidth * 1.3;
        for (int k = 0; k < slideFrames; ++k) {
            CameraView v = c.view;
            const double left = 1.0 - static_cast<double>(k) / slideFrames;
            v.shiftX += travel * left * left;
            v.rotation += 6 * left;
            shoot(c, v, static_cast<int>(i), StreamPhase::SlideIn);
        }
        for (int k = 0; k < c.stillFrames; ++k) shoot(c, c.view, static_cast<int>(i), StreamPhase::Still);
        for (int k = 1; k <= slideFrames; ++k) {
            CameraView v = c.view;
            const double gone = static_cast<double>(k) / slideFrames;
            v.shiftX -= travel * gone * gone;
            v.rotation -= 6 * gone;
            shoot(c, v, static_cast<int>(i), StreamPhase::SlideOut);
        }
    }
    if (!cards.empty()) {
        CameraView empty = cards.back().view;
        empty.noCard = true;
        for (int k = 0; k < gapFrames; ++k) shoot(cards.back(), empty, -1, StreamPhase::Empty);
    }
}

}  // namespace tarvel::cards

namespace tarvel::cards {

Bitmap rectifyWithTruth(const QImage& source, const CardTemplate& t, const CameraView& view, CardPlacement& at) {
    const QImage frame = source.convertToFormat(QImage::Format_RGB32);
    const Homography h = cardToFrame(t, view);
    double x0, y0, x1, y1;
    h.apply(0, -t.lineSpacing, x0, y0);
    h.apply(t.lowerLineLength, -t.lineSpacing, x1, y1);
    const double scale = std::hypot(x1 - x0, y1 - y0) / t.lowerLineLength;
    const Box box = fieldOfViewBox(t);
    const double left = (kCanvasSize - box.width() * scale) / 2;
    const double bottom = (kCanvasSize - box.height() * scale) / 2;
    at = {scale, left - box.left * scale, bottom - box.bottom * scale};
    Bitmap out(kCanvasSize, kCanvasSize, 3);
    for (int y = 0; y < kCanvasSize; ++y) {
        for (int x = 0; x < kCanvasSize; ++x) {
            double u = (x + 0.5 - at.upperLeftX) / scale, v = (y + 0.5 - at.upperLeftY) / scale;
            if (view.turned) {
                // Location takes the printed upper line as the lower one.
                u = t.lowerLineLength - u;
                v = -t.lineSpacing - v;
            }
            double fx, fy;
            h.apply(u, v, fx, fy);
            if (fx < 0 || fy < 0 || fx >= frame.width() || fy >= frame.height()) continue;
            float rgb[3];
            sampleSheet(frame, fx, fy, rgb);
            out.setPixel(x, y, static_cast<uint8_t>(rgb[2] + 0.5f), static_cast<uint8_t>(rgb[1] + 0.5f),
                         static_cast<uint8_t>(rgb[0] + 0.5f));
        }
    }
    return out;
}

}  // namespace tarvel::cards
