#include "recognition/geometry.h"

#include <algorithm>

namespace tarvel {

LocationResult placementFor(const CardTemplate& t, float scale, float upperLeftX, float upperLeftY) {
    LocationResult r;
    r.scale = scale;
    r.cellW = scale * t.cellWidth;
    r.cellH = scale * t.cellHeight;
    r.originX = upperLeftX + t.originOffsetX * scale + 1.0f;
    r.originY = upperLeftY;
    return r;
}

void makeGrid(const LocationResult& place, int columns, int rows, float gx, float gy, CellGrid& grid) {
    columns = std::clamp(columns, 0, kMaxAdmissionDigits);
    rows = std::clamp(rows, 0, kMaxSubjectRows);
    grid.columns = columns;
    grid.rows = rows;
    const float left = place.cellW * gx + place.originX;
    const float top = place.cellH * gy + place.originY;
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            grid.cells[i * rows + j] = {i * place.cellW + left, top - j * place.cellH};
        }
    }
}

CellPos blockOffset(const CardTemplate& t, int abFlag, int k, float bpx, float bpy) {
    // A zero divisor can only come from a layout without that area; such
    // blocks stay at the corner instead of dividing by zero.
    auto mod = [](int a, int b) { return b > 0 ? a % b : 0; };
    auto div = [](int a, int b) { return b > 0 ? a / b : 0; };
    if (abFlag == 0) {
        int first = t.areaOneColumns * t.areaOneRows;
        if (k < first) {
            return {(mod(k, t.areaOneColumns) + t.areaOneFirstColumn) * bpx, div(k, t.areaOneColumns) * bpy};
        }
        int m = k - first;
        return {(mod(m, t.areaTwoColumns) + t.areaTwoFirstColumn) * bpx,
                (div(m, t.areaTwoColumns) + t.areaOneRows) * bpy};
    }
    int per = t.areaOneRows + t.areaTwoRows;
    int first = per - t.areaTwoFirstColumn * t.areaTwoRows;
    if (k < first) return {0.0f, k * bpy};
    int m = k - first;
    return {(div(m, per) + 1) * bpx, mod(m, per) * bpy};
}

void computeCells(const CardTemplate& t, const LocationResult& place, int abFlag, CardCells& cells) {
    makeGrid(place, t.admissionDigits, 10, t.admissionX, t.admissionY, cells.admission);
    makeGrid(place, t.subjectColumns, t.subjectRows, t.subjectX, t.subjectY, cells.subject);
    makeGrid(place, t.scoreDigits, 10, t.scoreX, t.scoreY, cells.score);

    const float bpx = t.blockPitchX * place.cellW;
    const float bpy = t.blockPitchY * place.cellH;
    const float top = t.answerY * place.cellH + place.originY;
    cells.questionCount = std::clamp(t.questionCount, 0, kMaxQuestions);
    for (int q = 0; q < cells.questionCount; ++q) {
        CellPos block = blockOffset(t, abFlag, q / 5, bpx, bpy);
        int r = q % 5;
        for (int o = 0; o < 4; ++o) {
            if (t.optionsVertical == 1) {
                cells.options[q][o] = {r * place.cellW + (place.originX + block.x), (top - block.y) - o * place.cellH};
            } else {
                cells.options[q][o] = {o * place.cellW + (place.originX + block.x), (top - block.y) - r * place.cellH};
            }
        }
    }
}

CellPos abFlagCell(const CardTemplate& t, const LocationResult& place, bool paperB) {
    float gx = paperB ? t.abCellBX : t.abCellAX;
    float gy = paperB ? t.abCellBY : t.abCellAY;
    return {place.cellW * gx + place.originX, place.cellH * gy + place.originY};
}

void orientationGrid(const CardTemplate& t, const LocationResult& place, CellGrid& grid) {
    makeGrid(place, 1, 3, t.orientMarkX, 1.5f, grid);
}

void turnedOrientationGrid(const CardTemplate& t, const LocationResult& place, CellGrid& grid) {
    // A point (u, v) from the upper line's left end lands at (L - u, -S - v):
    // the column's left edge at L - (its right edge), its top at -S - (its bottom).
    const float length = place.scale * t.lowerLineLength, spacing = place.scale * t.lineSpacing;
    const float offset = place.scale * t.originOffsetX;
    const float left = length - (offset + (t.orientMarkX + 1) * place.cellW);
    const float top = -spacing + 1.5f * place.cellH;
    makeGrid(place, 1, 3, (left - offset) / place.cellW, top / place.cellH, grid);
}

void guideBars(const CardTemplate& t, const LocationResult& place, GuideBars& out) {
    const float cw = place.cellW, ch = place.cellH;
    out.count = 0;
    auto add = [&](float left, float bottom, float right, float top, bool upright) {
        if (out.count < kMaxGuideBars) out.bars[out.count++] = {left, bottom, right, top, upright};
    };
    CardCells cells;
    computeCells(t, place, t.abMode == 2 ? 1 : 0, cells);
    for (const CellGrid* grid : {&cells.admission, &cells.subject, &cells.score}) {
        for (int i = 0; i < grid->columns && grid->rows > 0; ++i) {
            const CellPos& last = grid->at(i, grid->rows - 1);
            const float y = last.y - ch;
            add(last.x + 0.25f * cw, y - 0.62f * ch, last.x + 0.75f * cw, y - 0.30f * ch, false);
        }
    }
    for (int q = 0; q + 4 < cells.questionCount; q += 5) {
        const CellPos& a = cells.options[q][0];
        const CellPos& d = cells.options[q][3];
        if (t.optionsVertical == 1) {
            const float y = d.y - 1.5f * ch;
            add(a.x + 0.2f * cw, y - 0.12f * ch, a.x + 4.8f * cw, y + 0.12f * ch, false);
        } else {
            const float x = d.x + cw;
            add(x + 0.08f * cw, a.y - 4.75f * ch, x + 0.30f * cw, a.y - 0.25f * ch, true);
        }
    }
}

}  // namespace tarvel
