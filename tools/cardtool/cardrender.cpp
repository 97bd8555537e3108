#include "cardrender.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace tarvel::cards {
namespace {

// Printing colours. Everything the reader samples is light and thin so that a
// blank cell stays blank after any binarization; only the detection lines,
// the orientation mark and short texts are dark.
struct Ink {
    QColor bubble;     // bubble brackets and their labels
    QColor flag;       // A/B flag brackets (read at a fixed threshold of 128)
    QColor frame;      // frames around grids and write-in boxes
    QColor text;       // titles and captions
    QColor number;     // question numbers
    QColor minor;      // second numbering, notes
    QColor anchor;     // guide bars beside each grid column and answer block
};

Ink inkFor(CardFamily family) {
    if (family == CardFamily::JD) {
        // Drop-out red: vanishes under a red-blind reader, and at threshold 100.
        return {QColor(236, 128, 136), QColor(246, 190, 196), QColor(244, 170, 178),
                QColor(214, 70, 82),   QColor(214, 70, 82),   QColor(226, 110, 118), QColor(200, 60, 72)};
    }
    return {QColor(165, 165, 165), QColor(205, 205, 205), QColor(190, 190, 190),
            QColor(20, 20, 20),    QColor(30, 30, 30),    QColor(110, 110, 110), QColor(120, 120, 120)};
}

QFont baseFont(bool bold) {
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(100);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

class Drawer {
public:
    Drawer(QPainter& p, int height, const CardDesign& d, const CardPlacement& at)
        : p_(p), h_(height), d_(d), t_(d.layout), at_(at), place_(locationFor(d.layout, at)),
          ink_(inkFor(d.family())) {}

    void draw() {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, true);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        drawLines();
        drawOrientationMark();
        drawDigitGrids();
        drawAnswerArea();
        drawGuideBars();
        drawHeader();
        p_.restore();
    }

private:
    // Picture coordinates of the drawing surface.
    QPointF dev(double x, double y) const { return {x, h_ - y}; }
    // Cell units (from the grid origin) to picture coordinates.
    double gx(double cells) const { return place_.originX + cells * place_.cellW; }
    double gy(double cells) const { return place_.originY + cells * place_.cellH; }
    double cw() const { return place_.cellW; }
    double ch() const { return place_.cellH; }
    double mm(double units) const { return units * at_.scale; }
    // Grid x of the field-of-view box's left edge.
    double boxLeftCells() const { return -t_.originOffsetX / t_.cellWidth - 1.5; }

    void fillRect(double x0, double y0, double x1, double y1, const QColor& c) {
        p_.fillRect(QRectF(dev(std::min(x0, x1), std::max(y0, y1)), dev(std::max(x0, x1), std::min(y0, y1))), c);
    }

    void strokeRect(double x0, double y0, double x1, double y1, const QColor& c, double width) {
        p_.setPen(QPen(c, width));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(QRectF(dev(std::min(x0, x1), std::max(y0, y1)), dev(std::max(x0, x1), std::min(y0, y1))));
    }

    // Text in the picture rectangle x0..x1, yBottom..yTop, scaled from a
    // 100-pixel font so that any size works on any device.
    void text(const QString& s, double x0, double yTop, double x1, double yBottom, double size, const QColor& c,
              int align = Qt::AlignCenter, bool bold = false) {
        if (size <= 0) return;
        const double k = size / 100.0;
        QPointF topLeft = dev(x0, yTop);
        p_.save();
        p_.translate(topLeft);
        p_.scale(k, k);
        p_.setFont(baseFont(bold));
        p_.setPen(c);
        p_.drawText(QRectF(0, 0, (x1 - x0) / k, (yTop - yBottom) / k), align | Qt::TextWordWrap, s);
        p_.restore();
    }

    void drawLines() {
        const double left = at_.upperLeftX;
        const double right = left + mm(t_.lowerLineLength);
        const double half = mm(kLineThickness) / 2;
        for (double y : {at_.upperLeftY, at_.upperLeftY - mm(t_.lineSpacing)}) {
            fillRect(left, y - half, right, y + half, Qt::black);
        }
    }

    void drawOrientationMark() {
        CellGrid grid;
        orientationGrid(t_, place_, grid);
        for (int k = 0; k < 3; ++k) {
            const CellPos& c = grid.at(0, k);
            const double mid = c.y - ch() / 2;
            fillRect(c.x + 0.15 * cw(), mid - 0.25 * ch(), c.x + 0.85 * cw(), mid + 0.25 * ch(), Qt::black);
        }
    }

    // A self-printed card's bubble is a flat "[label]" low in its cell: the
    // reader skips the two bottom rows of a cell, so most of the print lies
    // where it never looks, and the label is lighter than the brackets. A
    // machine-readable card prints its bubbles as an optical reader wants
    // them, in drop-out red: brackets the height of a pencil mark with the
    // digit or letter in the middle, where the reader looks.
    void bubble(const CellPos& c, const QString& label, const QColor& color) {
        const bool tall = d_.family() == CardFamily::JD;
        const double x0 = c.x + 0.16 * cw();
        const double x1 = c.x + 0.84 * cw();
        const double y0 = c.y - ch() + (tall ? 0.14 : 0.05) * ch();
        const double y1 = c.y - ch() + (tall ? 0.86 : 0.36) * ch();
        const double arm = 0.08 * cw();
        QPen pen(color, std::max(mm(0.12), 0.2));
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        p_.setPen(pen);
        p_.setBrush(Qt::NoBrush);
        QPainterPath path;
        path.moveTo(dev(x0 + arm, y1));
        path.lineTo(dev(x0, y1));
        path.lineTo(dev(x0, y0));
        path.lineTo(dev(x0 + arm, y0));
        path.moveTo(dev(x1 - arm, y1));
        path.lineTo(dev(x1, y1));
        path.lineTo(dev(x1, y0));
        path.lineTo(dev(x1 - arm, y0));
        p_.drawPath(path);
        if (label.isEmpty()) return;
        if (tall) {
            text(label, x0, y1, x1, y0, 0.48 * ch(), color);
        } else {
            text(label, x0, y1 + 0.02 * ch(), x1, y0, 0.30 * ch(), lighter(color));
        }
    }

    static QColor lighter(const QColor& c) {
        return QColor(255 - (255 - c.red()) * 6 / 10, 255 - (255 - c.green()) * 6 / 10, 255 - (255 - c.blue()) * 6 / 10);
    }

    void digitGrid(const CellGrid& grid, const QString& caption) {
        if (grid.columns <= 0 || grid.rows <= 0) return;
        for (int i = 0; i < grid.columns; ++i) {
            for (int j = 0; j < grid.rows; ++j) bubble(grid.at(i, j), QString::number(j), ink_.bubble);
        }
        const CellPos& first = grid.at(0, 0);
        const double right = first.x + grid.columns * cw();
        const double bottom = first.y - grid.rows * ch();
        strokeRect(first.x - 0.2 * cw(), first.y + 0.08 * ch(), right + 0.2 * cw(), bottom - kFrameBelowGrid * ch(),
                   ink_.frame, std::max(mm(0.15), 0.25));
        // The caption fits between the grid and the top of the field of view.
        const double top = std::min(first.y + 0.75 * ch(), gy(11.97));
        const double base = first.y + 0.1 * ch();
        text(caption, first.x - 0.3 * cw(), top, right + 0.3 * cw(), base, std::min(0.55 * ch(), 0.95 * (top - base)),
             ink_.text);
    }

    // The guide bars (recognition/geometry.h): mid-gray, darker than the
    // bubbles, lighter than pencil.
    void drawGuideBars() {
        GuideBars bars;
        guideBars(t_, place_, bars);
        for (int i = 0; i < bars.count; ++i) {
            const GuideBar& b = bars.bars[i];
            fillRect(b.left, b.bottom, b.right, b.top, ink_.anchor);
        }
    }

    void drawDigitGrids() {
        CardCells cells;
        computeCells(t_, place_, 0, cells);
        digitGrid(cells.admission, QStringLiteral("准考证号"));
        digitGrid(cells.subject, QStringLiteral("科目"));
        digitGrid(cells.score, QStringLiteral("主观分"));
    }

    void drawAnswerArea() {
        // Paper A is printed unless the layout always reads paper B.
        const int printed = t_.abMode == 2 ? 1 : 0;
        CardCells cells;
        computeCells(t_, place_, printed, cells);
        CardCells paperB;
        if (t_.abMode == 0) computeCells(t_, place_, 1, paperB);
        static const char* letters[4] = {"A", "B", "C", "D"};
        const bool vertical = t_.optionsVertical == 1;
        for (int q = 0; q < cells.questionCount; ++q) {
            for (int o = 0; o < 4; ++o) bubble(cells.options[q][o], letters[o], ink_.bubble);
            const CellPos& a = cells.options[q][0];
            const QString number = QString::number(q + 1);
            if (vertical) {
                text(number, a.x - 0.2 * cw(), a.y + 0.95 * ch(), a.x + 1.2 * cw(), a.y + 0.1 * ch(), 0.6 * ch(),
                     ink_.number);
            } else {
                text(number, a.x - 1.7 * cw(), a.y - 0.05 * ch(), a.x - 0.12 * cw(), a.y - ch(), 0.62 * ch(),
                     ink_.number, Qt::AlignRight | Qt::AlignVCenter);
            }
            if (t_.abMode == 0 && !vertical) {
                // The same bubbles hold another question on paper B.
                for (int b = 0; b < paperB.questionCount; ++b) {
                    const CellPos& pb = paperB.options[b][0];
                    if (std::abs(pb.x - a.x) < 0.01f && std::abs(pb.y - a.y) < 0.01f) {
                        const double x = a.x + 4 * cw();
                        text(QString::number(b + 1), x + 0.34 * cw(), a.y - 0.1 * ch(), x + 1.6 * cw(), a.y - ch(),
                             0.5 * ch(), ink_.minor, Qt::AlignLeft | Qt::AlignVCenter);
                    }
                }
            }
        }
        drawNotes(cells, printed);
    }

    // Notes go into the block slots that the arrangement leaves empty.
    void drawNotes(const CardCells& cells, int printed) {
        const float bpx = t_.blockPitchX * place_.cellW;
        const float bpy = t_.blockPitchY * place_.cellH;
        const int blocks = cells.questionCount / 5;
        if (blocks == 0 || bpx <= 0 || bpy <= 0) return;
        int cols = 0, rows = 0;
        std::vector<std::pair<int, int>> used;
        for (int k = 0; k < blocks; ++k) {
            CellPos off = blockOffset(t_, printed, k, bpx, bpy);
            int c = static_cast<int>(std::lround(off.x / bpx));
            int r = static_cast<int>(std::lround(off.y / bpy));
            used.push_back({c, r});
            cols = std::max(cols, c + 1);
            rows = std::max(rows, r + 1);
        }
        int c0 = cols, r0 = rows, c1 = -1, r1 = -1;
        for (int c = 0; c < cols; ++c) {
            for (int r = 0; r < rows; ++r) {
                if (std::find(used.begin(), used.end(), std::make_pair(c, r)) != used.end()) continue;
                c0 = std::min(c0, c);
                r0 = std::min(r0, r);
                c1 = std::max(c1, c);
                r1 = std::max(r1, r);
            }
        }
        if (c1 < 0) return;
        // Only a free rectangle of slots big enough for the text takes them.
        for (const auto& [c, r] : used) {
            if (c >= c0 && c <= c1 && r >= r0 && r <= r1) return;
        }
        if ((c1 - c0 + 1) * t_.blockPitchX < 8 || (r1 - r0 + 1) * t_.blockPitchY < 5) return;
        const double top = gy(t_.answerY) - r0 * bpy;
        const double bottom = gy(t_.answerY) - (r1 + 1) * bpy + (t_.blockPitchY - (t_.optionsVertical ? 4 : 5)) * ch();
        const double left = place_.originX + c0 * bpx - (t_.optionsVertical ? 0 : 1.5 * cw());
        const double right = place_.originX + (c1 + 1) * bpx - 1.2 * cw();
        strokeRect(left, top, right, bottom, ink_.frame, std::max(mm(0.15), 0.25));
        const double line = 0.62 * ch();
        const double pad = 0.4 * cw();
        text(QStringLiteral("注意事项"), left + pad, top - 0.3 * ch(), right - pad, top - 1.3 * ch(), 0.7 * ch(),
             ink_.text, Qt::AlignLeft | Qt::AlignVCenter, true);
        text(QStringLiteral("1. 用2B铅笔把所选的方框涂黑、涂满，不要出框。\n2. 修改时用橡皮擦干净，再重新填涂。\n"
                            "3. 保持卡面清洁，不要折叠、弄皱。\n4. 准考证号、科目代码按列填涂，每列只涂一格。"),
             left + pad, top - 1.5 * ch(), right - pad, bottom + 2.0 * ch(), line * 0.85, ink_.minor,
             Qt::AlignLeft | Qt::AlignTop);
        // A sample mark, as printed cards show it.
        const double sy = bottom + 1.6 * ch();
        text(QStringLiteral("正确填涂："), left + pad, sy, left + pad + 5 * cw(), sy - ch(), line * 0.85, ink_.minor,
             Qt::AlignLeft | Qt::AlignVCenter);
        fillRect(left + pad + 4.2 * cw(), sy - 0.15 * ch(), left + pad + 4.9 * cw(), sy - 0.8 * ch(),
                 QColor(60, 60, 60));
    }

    void writeInBox(const QString& caption, double x0, double x1, double yTop) {
        text(caption, x0, yTop, x0 + 2.4 * cw(), yTop - 1.3 * ch(), 0.7 * ch(), ink_.text,
             Qt::AlignLeft | Qt::AlignVCenter);
        strokeRect(x0 + 2.4 * cw(), yTop - 0.05 * ch(), x1, yTop - 1.25 * ch(), ink_.frame, std::max(mm(0.15), 0.25));
    }

    void drawHeader() {
        const double left = gx(boxLeftCells() + 0.3);
        // Up to the leftmost digit grid.
        double first = 1e9;
        if (t_.admissionDigits > 0) first = std::min(first, static_cast<double>(t_.admissionX));
        if (t_.subjectColumns > 0) first = std::min(first, static_cast<double>(t_.subjectX));
        if (t_.scoreDigits > 0) first = std::min(first, static_cast<double>(t_.scoreX));
        const double right = gx(first - 0.6);
        text(QString::fromStdString(d_.title), left, gy(11.9), right, gy(10.3), 1.15 * ch(), ink_.text,
             Qt::AlignCenter, true);
        writeInBox(QStringLiteral("姓名"), left, right, gy(9.8));
        writeInBox(QStringLiteral("班级"), left, right, gy(8.2));
        if (t_.abMode == 0) {
            CellPos a = abFlagCell(t_, place_, false);
            CellPos b = abFlagCell(t_, place_, true);
            text(QStringLiteral("试卷类型"), left, a.y + 1.1 * ch(), right, a.y + 0.1 * ch(), 0.65 * ch(), ink_.text,
                 Qt::AlignLeft | Qt::AlignVCenter);
            text(QStringLiteral("A卷"), a.x - 2.3 * cw(), a.y, a.x - 0.15 * cw(), a.y - ch(), 0.65 * ch(), ink_.text,
                 Qt::AlignRight | Qt::AlignVCenter);
            text(QStringLiteral("B卷"), b.x - 2.3 * cw(), b.y, b.x - 0.15 * cw(), b.y - ch(), 0.65 * ch(), ink_.text,
                 Qt::AlignRight | Qt::AlignVCenter);
            bubble(a, QString(), ink_.flag);
            bubble(b, QString(), ink_.flag);
        }
        QString subjects = QStringLiteral("科目代码：");
        for (int i = 0; i < t_.subjectCount && i < kMaxSubjects; ++i) {
            subjects += QString::fromStdString(t_.subjects[i].code) + QString::fromStdString(t_.subjects[i].name) +
                        QStringLiteral("  ");
        }
        text(subjects.trimmed(), left, gy(2.9), right, gy(1.0), 0.5 * ch(), ink_.minor,
             Qt::AlignLeft | Qt::AlignTop);
    }

    QPainter& p_;
    double h_;
    const CardDesign& d_;
    const CardTemplate& t_;
    CardPlacement at_;
    LocationResult place_;
    Ink ink_;
};

}  // namespace

Box fieldOfViewBox(const CardTemplate& t) {
    return {-1.5 * t.cellWidth, -t.lineSpacing - t.cellHeight, t.lowerLineLength + 1.5 * t.cellWidth,
            12.0 * t.cellHeight};
}

Box sheetBox(const CardTemplate& t) {
    Box b = fieldOfViewBox(t);
    return {b.left - kSheetMargin, b.bottom - kSheetMargin, b.right + kSheetMargin, b.top + kSheetMargin};
}

LocationResult locationFor(const CardTemplate& t, const CardPlacement& at) {
    LocationResult r = placementFor(t, static_cast<float>(at.scale), static_cast<float>(at.upperLeftX),
                                    static_cast<float>(at.upperLeftY));
    // A printed card has its cells where the layout puts them: the reader's
    // extra pixel of origin is no part of the print.
    r.originX = static_cast<float>(at.upperLeftX + t.originOffsetX * at.scale);
    const int left = static_cast<int>(at.upperLeftX);
    const int right = static_cast<int>(at.upperLeftX + at.scale * t.lowerLineLength);
    const int upper = static_cast<int>(at.upperLeftY);
    const int lower = static_cast<int>(at.upperLeftY - at.scale * t.lineSpacing);
    r.P = {IntPoint{left, lower}, IntPoint{right, lower}, IntPoint{left, upper}, IntPoint{right, upper}};
    r.Q = r.P;
    return r;
}

void paintCard(QPainter& painter, int deviceHeight, const CardDesign& design, const CardPlacement& at) {
    ensureGui();
    Drawer(painter, deviceHeight, design, at).draw();
}

CardPlacement sheetPlacement(const CardTemplate& t, double pixelsPerUnit, int& width, int& height) {
    Box s = sheetBox(t);
    width = static_cast<int>(std::ceil(s.width() * pixelsPerUnit));
    height = static_cast<int>(std::ceil(s.height() * pixelsPerUnit));
    return {pixelsPerUnit, -s.left * pixelsPerUnit, height - s.top * pixelsPerUnit};
}

QImage renderSheet(const CardDesign& design, double pixelsPerUnit, CardPlacement* placement) {
    ensureGui();
    int w = 0, h = 0;
    CardPlacement at = sheetPlacement(design.layout, pixelsPerUnit, w, h);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintCard(p, h, design, at);
    p.end();
    if (placement) *placement = at;
    return image;
}

Bitmap bitmapFromImage(const QImage& source, int bytesPerPixel) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    Bitmap b(image.width(), image.height(), bytesPerPixel);
    for (int r = 0; r < image.height(); ++r) {
        const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(r));
        uint8_t* out = b.rowFromTop(r);
        for (int x = 0; x < image.width(); ++x) {
            out[x * bytesPerPixel + 0] = static_cast<uint8_t>(qBlue(in[x]));
            out[x * bytesPerPixel + 1] = static_cast<uint8_t>(qGreen(in[x]));
            out[x * bytesPerPixel + 2] = static_cast<uint8_t>(qRed(in[x]));
        }
    }
    return b;
}

QImage imageFromBitmap(const Bitmap& b) {
    QImage image(b.width(), b.height(), QImage::Format_RGB32);
    for (int r = 0; r < b.height(); ++r) {
        const uint8_t* in = b.rowFromTop(r);
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int x = 0; x < b.width(); ++x) {
            const uint8_t* px = in + x * b.bytesPerPixel();
            out[x] = qRgb(px[2], px[1], px[0]);
        }
    }
    return image;
}

void ensureGui() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "cardtool";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

}  // namespace tarvel::cards
