#include "synthetic.h"

#include <algorithm>
#include <cmath>

#include "recognition/geometry.h"

namespace tarvel::synthetic {

CardTemplate testLayout() {
    CardTemplate t;
    t.lowerLineLength = 176;
    t.lineSpacing = 70;
    t.cellWidth = 4;
    t.cellHeight = 3.2f;
    t.originOffsetX = 2;
    t.abMode = 1;
    t.admissionX = 0;
    t.admissionY = 11;
    t.admissionDigits = 8;
    t.subjectX = 9;
    t.subjectY = 11;
    t.subjectColumns = 2;
    t.subjectRows = 10;
    t.subjects[0] = {"01", "语文"};
    t.subjects[1] = {"02", "数学"};
    t.subjectCount = 2;
    t.scoreX = 12;
    t.scoreY = 11;
    t.scoreDigits = 3;
    t.orientMarkX = 45;
    t.questionCount = 85;
    t.answerY = -1.5f;
    t.blockPitchX = 5.5f;
    t.blockPitchY = 6;
    t.optionsVertical = 0;
    t.areaOneColumns = 8;
    t.areaOneRows = 3;
    t.areaOneFirstColumn = 0;
    t.areaTwoColumns = 8;
    t.areaTwoRows = 0;
    t.areaTwoFirstColumn = 0;
    return t;
}

Bitmap blankFrame(int bytesPerPixel) { return Bitmap(kFrameWidth, kFrameHeight, bytesPerPixel); }

void paint(Bitmap& frame, const std::vector<Rect>& rects, const Pose& pose, uint8_t paper) {
    frame.fill(paper, paper, paper);
    const double cx = frame.width() / 2.0;
    const double cy = frame.height() / 2.0;
    const double c = std::cos(pose.angle);
    const double s = std::sin(pose.angle);
    auto toFrame = [&](double x, double y, double& fx, double& fy) {
        fx = c * (x - cx) - s * (y - cy) + cx + pose.shiftX;
        fy = s * (x - cx) + c * (y - cy) + cy + pose.shiftY;
    };
    for (const Rect& r : rects) {
        double xs[4], ys[4];
        toFrame(r.left, r.bottom, xs[0], ys[0]);
        toFrame(r.right, r.bottom, xs[1], ys[1]);
        toFrame(r.left, r.top, xs[2], ys[2]);
        toFrame(r.right, r.top, xs[3], ys[3]);
        const int x0 = std::max(0, static_cast<int>(std::floor(*std::min_element(xs, xs + 4))) - 1);
        const int x1 = std::min(frame.width() - 1, static_cast<int>(std::ceil(*std::max_element(xs, xs + 4))) + 1);
        const int y0 = std::max(0, static_cast<int>(std::floor(*std::min_element(ys, ys + 4))) - 1);
        const int y1 = std::min(frame.height() - 1, static_cast<int>(std::ceil(*std::max_element(ys, ys + 4))) + 1);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double dx = x - cx - pose.shiftX;
                const double dy = y - cy - pose.shiftY;
                const double u = c * dx + s * dy + cx;
                const double v = -s * dx + c * dy + cy;
                if (u >= r.left && u < r.right && v >= r.bottom && v < r.top) frame.setPixel(x, y, r.gray, r.gray, r.gray);
            }
        }
    }
}

float cardScale(const Card& card) {
    return static_cast<float>((card.lineLength - 1) / card.layout.lowerLineLength);
}

namespace {

void markCell(std::vector<Rect>& rects, const LocationResult& place, const CellPos& cell) {
    rects.push_back({cell.x + 1.5, cell.y - place.cellH + 1.5, cell.x + place.cellW - 1.5, cell.y - 1.5});
}

void markDigits(std::vector<Rect>& rects, const LocationResult& place, const CellGrid& grid, const std::string& text) {
    for (int i = 0; i < grid.columns && i < static_cast<int>(text.size()); ++i) {
        if (text[i] >= '0' && text[i] <= '9') markCell(rects, place, grid.at(i, text[i] - '0'));
    }
}

}  // namespace

std::vector<Rect> cardRects(const Card& card) {
    const CardTemplate& t = card.layout;
    const float scale = cardScale(card);
    const double upper = card.lineBottom + std::trunc(scale * t.lineSpacing + 0.5);
    const double half = card.lineThickness / 2;
    std::vector<Rect> rects;
    const double right = card.lineLeft + card.lineLength;
    rects.push_back({card.lineLeft, card.lineBottom - half, right, card.lineBottom + half, card.lineGray});
    rects.push_back({card.lineLeft, upper - half, right, upper + half, card.lineGray});

    const LocationResult place = placementFor(t, scale, static_cast<float>(card.lineLeft), static_cast<float>(upper));
    if (card.orientationMark) {
        CellGrid grid;
        orientationGrid(t, place, grid);
        for (int k = 0; k < 3; ++k) {
            const CellPos& cell = grid.at(0, k);
            rects.push_back({cell.x + 1.5, cell.y - place.cellH + 2.5, cell.x + place.cellW - 1.5, cell.y - 2.5});
        }
    }
    if (card.guideBars) {
        GuideBars bars;
        guideBars(t, place, bars);
        for (int i = 0; i < bars.count; ++i) {
            const GuideBar& b = bars.bars[i];
            rects.push_back({b.left, b.bottom, b.right, b.top, 120});
        }
    }
    CardCells cells;
    computeCells(t, place, card.truth.abFlag, cells);
    markDigits(rects, place, cells.admission, card.truth.admissionNumber);
    markDigits(rects, place, cells.subject, card.truth.subjectCode);
    markDigits(rects, place, cells.score, card.truth.scoreText);
    for (int q = 0; q < card.questions && q < cells.questionCount; ++q) {
        for (char letter : card.truth.answers[q]) markCell(rects, place, cells.options[q][letter - 'A']);
    }
    return rects;
}

Card randomCard(std::mt19937& random, bool multiple) {
    Card card;
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int i = 0; i < card.layout.admissionDigits; ++i) card.truth.admissionNumber += char('0' + digit(random));
    card.truth.subjectCode = "0" + std::string(1, char('1' + digit(random) % 2));
    for (int i = 0; i < card.layout.scoreDigits; ++i) card.truth.scoreText += char('0' + digit(random));
    for (int q = 0; q < card.questions; ++q) {
        int mask = 0;
        if (percent(random) >= 10) {  // one question in ten is left blank
            mask = 1 << (digit(random) % 4);
            if (multiple) {
                for (int o = 0; o < 4; ++o) {
                    if (percent(random) < 30) mask |= 1 << o;
                }
            }
        }
        card.truth.answers[q] = AnswerLetters(mask);
    }
    return card;
}

}  // namespace tarvel::synthetic
