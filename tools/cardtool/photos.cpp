#include "photos.h"

#include <QBuffer>
#include <QDir>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <fstream>

#include "camera.h"
#include "cardfill.h"
#include "recognition/exif.h"
#include "rng.h"

namespace tarvel::cards {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kA4Width = 210, kA4Height = 297;  // millimetres
// A phone's main camera: a field of view of about 70 degrees across.
constexpr double kPhoneFocalShare = 0.75;  // focal length / longer side
// Long enough that a scanner's picture has no perspective.
constexpr double kScannerFocal = 1e7;

enum class Kind { Phone, Scan, Pdf };

const char* kindName(Kind k) { return k == Kind::Phone ? "phone" : k == Kind::Scan ? "scan" : "pdf"; }

struct Shot {
    Kind kind = Kind::Phone;
    const CardDesign* design = nullptr;
    CardContent content;
    std::vector<int> multiple;
    MarkStyle style;
    CameraView view;  // in the upright picture; the box share is of its height
    Lens lens;        // the upright picture's size
    CameraLook look;
    int orientation = kOrientationAsStored;
    double dpi = 0;          // of a scan
    double sharpness = 1;    // sheet pixels drawn per picture pixel: below 1 the lens softens the print
    int code = 0;
};

// Nearly normal noise, cheap enough for twelve million pixels: the sum of
// four random bytes (mean 510, deviation 147.8).
double roughNormal(Rng& rng) {
    const uint64_t v = rng.next();
    const int sum = int(v & 255) + int(v >> 8 & 255) + int(v >> 16 & 255) + int(v >> 24 & 255);
    return (sum - 510) / 147.8;
}

// Card points mapped into the picture: the bounds of a box.
void boundsOf(const Homography& h, const Box& b, double& x0, double& y0, double& x1, double& y1) {
    x0 = y0 = 1e300, x1 = y1 = -1e300;
    for (double u : {b.left, b.right}) {
        for (double v : {b.bottom, b.top}) {
            double x, y;
            h.apply(u, v, x, y);
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
}

// Pixels of the card per layout unit where the view puts it.
double cardPixelsPerUnit(const Shot& s) {
    return s.view.boxShare * s.lens.height / fieldOfViewBox(s.design->layout).height();
}

// Sheet pixels (y down) to picture pixels: the card's homography after the
// sheet's own placement, as Qt's row-vector transform.
QTransform sheetToPicture(const Homography& h, const CardPlacement& at, int sheetHeight) {
    const Homography sheetToCard{{1 / at.scale, 0, -at.upperLeftX / at.scale, 0, -1 / at.scale,
                                  (sheetHeight - at.upperLeftY) / at.scale, 0, 0, 1}};
    Homography m;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) m.m[i * 3 + j] += h.m[i * 3 + k] * sheetToCard.m[k * 3 + j];
        }
    }
    return QTransform(m.m[0], m.m[3], m.m[6], m.m[1], m.m[4], m.m[7], m.m[2], m.m[5], m.m[8]);
}

// Light, the black that print still reflects, and sensor noise. The light is
// smooth, so it is worked out on a coarse grid and interpolated.
void expose(QImage& picture, const CameraLook& look, Rng& rng) {
    const int w = picture.width(), h = picture.height(), step = 16;
    const int gw = w / step + 2, gh = h / step + 2;
    std::vector<float> grid(size_t(gw) * gh);
    for (int j = 0; j < gh; ++j) {
        for (int i = 0; i < gw; ++i) {
            grid[size_t(j) * gw + i] = float(look.lightAt(double(i) * step * kFrameWidth / w, double(j) * step * kFrameHeight / h));
        }
    }
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const int j = y / step;
        const float fy = float(y % step) / step;
        for (int x = 0; x < w; ++x) {
            const int i = x / step;
            const float fx = float(x % step) / step;
            const float* g = &grid[size_t(j) * gw + i];
            const float light = (g[0] * (1 - fx) + g[1] * fx) * (1 - fy) + (g[gw] * (1 - fx) + g[gw + 1] * fx) * fy;
            const double noise = roughNormal(rng) * look.noise;
            int v[3] = {qRed(row[x]), qGreen(row[x]), qBlue(row[x])};
            for (int& c : v) c = std::clamp(int(std::lround(light * (15.3 + 0.94 * c) + noise)), 0, 255);
            row[x] = qRgb(v[0], v[1], v[2]);
        }
    }
}

// The upright picture as the phone's sensor stored it: turned back by the
// orientation the phone writes beside it.
QImage storedAs(const QImage& upright, int orientation) {
    const int back = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
    return imageFromBitmap(tarvel::upright(bitmapFromImage(upright), back));
}

class PhotoWriter {
public:
    PhotoWriter(const CorpusOptions& o, const std::vector<CardDesign>& designs) : o_(o), designs_(designs) {}

    std::string write(const std::function<void(const std::string&)>& progress) {
        const int n = o_.count > 0 ? o_.count : kPhotoSetSize;
        const std::string dir = o_.out + "/photos";
        if (!QDir().mkpath(QString::fromStdString(dir))) return "无法创建文件夹 " + dir;
        std::ofstream truth(dir + "/truth.jsonl", std::ios::trunc);
        if (!truth) return "无法写入 " + dir + "/truth.jsonl";
        Rng rng(o_.start * 0x9E3779B97F4A7C15ull ^ 0x70686f746f73ull);
        int phones = 0;
        for (int i = 0; i < n; ++i) {
            Shot s = makeShot(i, phones, rng);
            char name[32];
            std::snprintf(name, sizeof name, "%s-%04d.%s", s.kind == Kind::Phone ? "phone" : "scan", i,
                          s.kind == Kind::Phone ? "jpg" : s.kind == Kind::Scan ? "png" : "pdf");
            const std::string path = dir + "/" + name;
            if (!save(s, shoot(s, rng.next()), path)) return "无法写入 " + path;
            truth << "{" << truthFields(name, s.design->datName(), s.code, s.design->layout, s.content, s.multiple)
                  << ", \"kind\": \"" << kindName(s.kind) << "\", \"orientation\": " << s.orientation << "}\n";
        }
        if (!truth.flush()) return "无法写入 " + dir + "/truth.jsonl";
        progress("photos: " + std::to_string(n) + " 张 -> " + dir);
        return "";
    }

    // Picture i of the set; `phones` counts the phone photos made so far.
    Shot makeShot(int i, int& phones, Rng& rng) {
        Shot s;
        s.design = &designs_[size_t(i) % designs_.size()];
        const CardTemplate& t = s.design->layout;
        s.content = randomContent(t, rng, i % 10 == 0, s.multiple);
        s.style.strayDots = rng.integer(0, 2);
        s.style.bleedShare = 0.03;
        s.style.offCentreShare = 0.03;
        const int kind = i % 20;
        if (kind <= 12 || kind == 19) {
            phoneShot(s, phones++, rng);
            if (kind == 19) noCard(s);
        } else {
            scanShot(s, kind >= 17 ? Kind::Pdf : Kind::Scan, rng);
        }
        return s;
    }

    // A phone held over the card: any orientation the phone may write, the
    // card covering from a ninth to two thirds of the picture, now and then
    // turned in it (a phone lying flat does not know which way is up).
    void phoneShot(Shot& s, int index, Rng& rng) {
        s.kind = Kind::Phone;
        s.orientation = 1 + index % 8;
        const bool portrait = swapsSides(s.orientation);
        s.lens.width = portrait ? kPhoneHeight : kPhoneWidth;
        s.lens.height = portrait ? kPhoneWidth : kPhoneHeight;
        s.lens.focal = kPhoneFocalShare * kPhoneWidth;
        const CardTemplate& t = s.design->layout;
        const Box sheet = sheetBox(t);
        const double turns[10] = {0, 0, 0, 0, 0, 0, 0, 180, 90, 270};
        const double turn = turns[rng.integer(0, 9)];
        for (int attempt = 0;; ++attempt) {
            const double share = rng.uniform(0.11, 0.66) * std::pow(0.97, attempt / 20);
            const double perUnit = std::sqrt(share * s.lens.width * s.lens.height / (sheet.width() * sheet.height()));
            s.view.boxShare = perUnit * fieldOfViewBox(t).height() / s.lens.height;
            s.view.rotation = turn + rng.uniform(-10, 10);
            s.view.tiltX = rng.uniform(-6, 6);
            s.view.tiltY = rng.uniform(-6, 6);
            s.view.shiftX = rng.uniform(-0.3, 0.3) * s.lens.width;
            s.view.shiftY = rng.uniform(-0.3, 0.3) * s.lens.height;
            double x0, y0, x1, y1;
            boundsOf(cardToPicture(t, s.view, s.lens), sheet, x0, y0, x1, y1);
            const double margin = 0.02 * s.lens.height;
            if (x0 > margin && y0 > margin && x1 < s.lens.width - margin && y1 < s.lens.height - margin) break;
        }
        CameraLook& l = s.look;
        l.exposure = rng.uniform(0.75, 0.97);
        l.gradient = rng.uniform(0, 0.15);
        l.gradientAngle = rng.uniform(0, 360);
        l.vignette = rng.uniform(0.05, 0.2);
        if (rng.chance(0.3)) {  // the phone's or the teacher's shadow
            l.shadow = rng.uniform(0.1, 0.3);
            l.shadowAngle = rng.uniform(0, 360);
            l.shadowOffset = rng.uniform(-150, 150);
        }
        l.noise = rng.uniform(1.5, 4);
        l.jpegQuality = rng.integer(80, 95);
        const double light = rng.uniform(185, 235), warm = rng.uniform(0, 1);
        l.desk = QColor(int(light), int(light * (0.97 - 0.06 * warm)), int(light * (0.93 - 0.14 * warm)));
        l.underlay = rng.chance(0.5);
        l.underlayTurn = rng.uniform(-8, 8);
        s.sharpness = rng.uniform(0.6, 1.0);
        keepDeskLight(l);
    }

    // A phone's automatic exposure: the darkest part of the desk stays at
    // gray 120 or more (a darker one is refused as too black, as it is under
    // the webcam: "黑点过多，请检查是否已垫白纸").
    static void keepDeskLight(CameraLook& l) {
        double darkest = 1;
        for (int i = 0; i <= 8; ++i) {
            for (int j = 0; j <= 8; ++j) darkest = std::min(darkest, l.lightAt(kFrameWidth * i / 8.0, kFrameHeight * j / 8.0));
        }
        const double desk = 0.06 * 255 + 0.94 * (0.30 * l.desk.red() + 0.59 * l.desk.green() + 0.11 * l.desk.blue());
        if (desk * darkest < 120) l.exposure *= 120 / (desk * darkest);
    }

    // A flatbed scanner: the card at its printed size on an A4 page, or
    // printed to fill the page; a little skew, now and then fed upside down.
    void scanShot(Shot& s, Kind kind, Rng& rng) {
        s.kind = kind;
        s.dpi = rng.uniform(150, 300);
        s.lens.width = std::round(kA4Width / 25.4 * s.dpi);
        s.lens.height = std::round(kA4Height / 25.4 * s.dpi);
        s.lens.focal = kScannerFocal;
        const CardTemplate& t = s.design->layout;
        const Box sheet = sheetBox(t);
        const double fill = std::min(0.96 * kA4Width / sheet.width(), 0.96 * kA4Height / sheet.height());
        const double perUnit = s.dpi / 25.4 * (rng.chance(0.5) ? 1.0 : fill);
        s.view.boxShare = perUnit * fieldOfViewBox(t).height() / s.lens.height;
        s.view.rotation = (rng.chance(0.1) ? 180 : 0) + rng.uniform(-1.5, 1.5);
        s.view.shiftX = rng.uniform(-0.01, 0.01) * s.lens.width;
        s.view.shiftY = rng.uniform(-0.01, 0.01) * s.lens.height;
        CameraLook& l = s.look;
        l.exposure = rng.uniform(0.95, 1.0);
        l.gradient = rng.uniform(0, 0.03);
        l.vignette = 0;
        l.noise = rng.uniform(0.8, 2);
        l.desk = QColor(250, 250, 250);  // the scanner's lid
        l.underlay = false;
        s.sharpness = rng.uniform(0.8, 1.0);
    }

    void noCard(Shot& s) {
        const CardTemplate& t = s.design->layout;
        s.view.noCard = true;
        s.code = 1;
        s.content = CardContent{};
        s.content.admission = std::string(size_t(t.admissionDigits), ' ');
        s.content.subject = std::string(size_t(t.subjectColumns), ' ');
        s.content.score = std::string(size_t(t.scoreDigits), ' ');
        s.content.answers.assign(size_t(std::min(t.questionCount, kMaxQuestions)), "");
        s.content.abFlag = effectiveAbFlag(t, 0);
        s.multiple.clear();
    }

    QImage shoot(const Shot& s, uint64_t start) const {
        const CardTemplate& t = s.design->layout;
        const Homography h = cardToPicture(t, s.view, s.lens);
        QImage picture(int(s.lens.width), int(s.lens.height), QImage::Format_RGB32);
        picture.fill(s.look.desk);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (s.look.underlay) {
            // A white A4 sheet under the card, a little turned.
            const Box fov = fieldOfViewBox(t);
            const double uc = (fov.left + fov.right) / 2, vc = (fov.bottom + fov.top) / 2;
            const double c = std::cos(s.look.underlayTurn * kPi / 180), sn = std::sin(s.look.underlayTurn * kPi / 180);
            QPolygonF paper;
            for (auto [du, dv] : {std::pair{-105.0, -148.5}, {105.0, -148.5}, {105.0, 148.5}, {-105.0, 148.5}}) {
                double x, y;
                h.apply(uc + du * c - dv * sn, vc + du * sn + dv * c, x, y);
                paper << QPointF(x, y);
            }
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(247, 247, 243));
            p.drawPolygon(paper);
        }
        if (!s.view.noCard) {
            CardPlacement at;
            const QImage sheet = renderFilledSheet(*s.design, cardPixelsPerUnit(s) * s.sharpness, s.content, s.style,
                                                   start, &at);
            p.setTransform(sheetToPicture(h, at, sheet.height()));
            p.drawImage(0, 0, sheet);
        }
        p.end();
        Rng rng(start + 1);
        expose(picture, s.look, rng);
        return picture;
    }

private:
    bool save(const Shot& s, const QImage& picture, const std::string& path) const {
        const QString file = QString::fromStdString(path);
        if (s.kind == Kind::Scan) return picture.save(file, "PNG", 80);  // light compression: quick to write
        if (s.kind == Kind::Pdf) {
            QPdfWriter pdf(file);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            pdf.setResolution(int(std::lround(s.dpi)));
            QPainter p;
            if (!p.begin(&pdf)) return false;
            p.drawImage(QRectF(0, 0, pdf.width(), pdf.height()), picture);
            return p.end();
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!storedAs(picture, s.orientation).save(&buffer, "JPG", s.look.jpegQuality)) return false;
        const QByteArray tagged = withOrientation(bytes, s.orientation, s.orientation % 2 == 0);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(tagged.constData(), tagged.size());
        return bool(out.flush());
    }

    CorpusOptions o_;
    const std::vector<CardDesign>& designs_;
};

}  // namespace

QByteArray withOrientation(const QByteArray& jpeg, int orientation, bool bigEndian) {
    auto u16 = [&](QByteArray& b, int v) {
        const char hi = char(v >> 8 & 255), lo = char(v & 255);
        b += bigEndian ? hi : lo;
        b += bigEndian ? lo : hi;
    };
    auto u32 = [&](QByteArray& b, uint32_t v) {
        u16(b, int(bigEndian ? v >> 16 : v & 0xFFFF));
        u16(b, int(bigEndian ? v & 0xFFFF : v >> 16));
    };
    QByteArray tiff(bigEndian ? "MM" : "II");
    u16(tiff, 42);
    u32(tiff, 8);       // the first directory right after the header
    u16(tiff, 1);       // one entry:
    u16(tiff, 0x0112);  // orientation,
    u16(tiff, 3);       // SHORT,
    u32(tiff, 1);       // one value,
    u16(tiff, orientation);
    u16(tiff, 0);
    u32(tiff, 0);  // no further directory
    QByteArray segment("\xFF\xE1", 2);
    const int length = 2 + 6 + tiff.size();
    segment += char(length >> 8);
    segment += char(length & 255);
    segment += QByteArray("Exif\0\0", 6);
    segment += tiff;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QImage examplePhoto(const CardDesign& design, uint64_t start) {
    const std::vector<CardDesign> one{design};
    PhotoWriter writer(CorpusOptions{}, one);
    Rng rng(start);
    int phones = 0;
    const Shot shot = writer.makeShot(1, phones, rng);  // a student's card, upright in a landscape photo
    return writer.shoot(shot, rng.next());
}

std::string writePhotoSet(const CorpusOptions& options, const std::vector<CardDesign>& designs,
                          const std::function<void(const std::string&)>& progress) {
    if (designs.empty()) return "没有答题卡模板";
    return PhotoWriter(options, designs).write(progress);
}

}  // namespace tarvel::cards
