#include "tests/samplecard/samplecard.h"

#include <algorithm>
#include <cmath>

namespace tarvel::sample {

CardTemplate sampleLayout(int abMode, int optionsVertical) {
    CardTemplate t;
    t.lowerLineLength = 560;
    t.lineSpacing = 420;
    t.cellWidth = 20;
    t.cellHeight = 14;
    t.originOffsetX = 20;
    t.abMode = abMode;
    t.abCellAX = 17;
    t.abCellAY = 11;
    t.abCellBX = 17;
    t.abCellBY = 9;
    t.admissionX = 0;
    t.admissionY = 11;
    t.admissionDigits = 9;
    t.subjectX = 10;
    t.subjectY = 11;
    t.subjectColumns = 2;
    t.subjectRows = 10;
    t.subjects[0] = {"01", "语文"};
    t.subjects[1] = {"02", "数学"};
    t.subjectCount = 2;
    t.scoreX = 13;
    t.scoreY = 11;
    t.scoreDigits = 3;
    t.orientMarkX = 26;
    t.questionCount = 85;
    t.answerY = -1;
    t.blockPitchX = 5;
    t.blockPitchY = 6;
    t.optionsVertical = optionsVertical;
    t.areaOneColumns = 5;
    t.areaOneRows = 2;
    t.areaOneFirstColumn = 0;
    t.areaTwoColumns = 5;
    t.areaTwoRows = 2;
    t.areaTwoFirstColumn = 0;
    return t;
}

LocationResult samplePlacement(const CardTemplate& layout) {
    // originX = 60 + 20 + 1 = 81: every cell corner is a whole pixel.
    return placementFor(layout, 1.0f, 60.0f, 600.0f);
}

void fillRect(Bitmap& image, int x0, int y0, int x1, int y1, uint8_t gray) {
    for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) {
        for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) image.setPixel(x, y, gray, gray, gray);
    }
}

namespace {

// "[ ]" brackets: two short light strokes at the cell's sides.
void drawBrackets(Bitmap& image, const CellPos& c, const LocationResult& p) {
    int x = static_cast<int>(c.x);
    int y = static_cast<int>(c.y);
    int h = static_cast<int>(p.cellH);
    int w = static_cast<int>(p.cellW);
    fillRect(image, x + 2, y - h + 3, x + 2, y - 3, kOutline);
    fillRect(image, x + w - 3, y - h + 3, x + w - 3, y - 3, kOutline);
}

}  // namespace

SampleCard::SampleCard(const CardTemplate& l) : layout(l), place(samplePlacement(l)) {
    normalized.fill(kPaper, kPaper, kPaper);
    CardCells cells;
    for (int flag = 0; flag < 2; ++flag) {
        computeCells(layout, place, flag, cells);
        for (int q = 0; q < cells.questionCount; ++q) {
            for (const CellPos& c : cells.options[q]) drawBrackets(normalized, c, place);
        }
    }
    for (const CellGrid* g : {&cells.admission, &cells.subject, &cells.score}) {
        for (int i = 0; i < g->columns; ++i) {
            for (int j = 0; j < g->rows; ++j) drawBrackets(normalized, g->at(i, j), place);
        }
    }
    drawBrackets(normalized, abFlagCell(layout, place, false), place);
    drawBrackets(normalized, abFlagCell(layout, place, true), place);
    syncConfirmation();
}

void SampleCard::mark(const CellPos& cell, float share, uint8_t gray) {
    // The sampled rows of a cell are y - cellH + 2 .. y - 1 (12 rows of 20 px).
    int x = static_cast<int>(cell.x);
    int y = static_cast<int>(cell.y);
    int rows = static_cast<int>(std::lround(share * 12));
    if (rows <= 0) return;
    fillRect(normalized, x, y - rows, x + 19, y - 1, gray);
    fillRect(confirmation, x, y - rows, x + 19, y - 1, gray);
}

void SampleCard::markNormalizedOnly(const CellPos& cell, uint8_t gray) {
    int x = static_cast<int>(cell.x);
    int y = static_cast<int>(cell.y);
    fillRect(normalized, x, y - 10, x + 19, y - 1, gray);
}

void SampleCard::markAnswer(int question, const std::string& letters, int abFlag) {
    CardCells cells;
    computeCells(layout, place, abFlag, cells);
    for (char ch : letters) mark(cells.options[question][ch - 'A']);
}

void SampleCard::markOrientation() {
    CellGrid grid;
    orientationGrid(layout, place, grid);
    for (int k = 0; k < 3; ++k) {
        const CellPos& c = grid.at(0, k);
        int x = static_cast<int>(c.x);
        int y = static_cast<int>(c.y);
        fillRect(normalized, x + 2, y - 10, x + 17, y - 5, 20);
        fillRect(confirmation, x + 2, y - 10, x + 17, y - 5, 20);
    }
}

void SampleCard::markPaperFlag(bool paperB, float share) { mark(abFlagCell(layout, place, paperB), share); }

void SampleCard::turn180() {
    for (Bitmap* image : {&normalized, &confirmation}) {
        Bitmap turned = image->clone();
        for (int y = 0; y < kCanvasSize; ++y) {
            for (int x = 0; x < kCanvasSize; ++x) {
                const uint8_t* s = image->pixel(kCanvasSize - 1 - x, kCanvasSize - 1 - y);
                turned.setPixel(x, y, s[0], s[1], s[2]);
            }
        }
        *image = std::move(turned);
    }
}

}  // namespace tarvel::sample
