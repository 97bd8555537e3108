#include "randomlayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "cardrender.h"
#include "recognition/geometry.h"

namespace tarvel::cards {
namespace {

// Room the drawing needs around the cells, in cells (see cardrender.cpp).
constexpr double kNumbersLeft = 1.7;      // question numbers left of option A (options across)
constexpr double kBlockRightAcross = 4.3;  // four options and the guide bar
constexpr double kPaperBNumbers = 1.35;   // paper B's numbers right of the guide bar
constexpr double kBlockDownWidth = 5.0;   // five questions across (options down)
constexpr double kBlockDownHeight = 4.65;  // four options and the guide bar under them
constexpr double kNumbersAbove = 0.95;    // question numbers above option A (options down)
constexpr double kHeaderMin = 9.0;        // title, name and class boxes
constexpr double kLowestGridTop = 11.1;   // ten rows, the frame and the guide bar stay above the upper line
constexpr double kGuideBarBelow = kFrameBelowGrid;  // the frame round the guide bar under a digit grid
// Dark print keeps this far from a detection line's edge (millimetres), so
// that blur never joins it to the line.
constexpr double kLineClearance = 1.5;
constexpr double kClearOfLine = kLineThickness / 2 + kLineClearance;
constexpr double kHighestGridTop = 11.5;  // the caption stays below the top of the field of view

// Lines of 100 to 205 mm: 300 pixels at about 1.5 to 3 pixels per millimetre,
// on a sheet no larger than A4.
constexpr double kShortestLine = 100;
constexpr double kLongestLine = 205;
constexpr double kSheetLong = 297, kSheetShort = 210;

// Blur must not join the orientation mark to the upper line: 2 mm of paper
// between them.
constexpr double kMarkGap = 2.0;

constexpr double kFrameMargin = 24;  // pixels left free around the turned, tilted box
constexpr double kMaxTurn = 0.14;    // radians of turn a photograph may need (8 degrees)

double tenths(double v) { return std::round(v * 10) / 10; }

const char* const kSubjectNames[9] = {"语文", "数学", "英语", "物理", "化学", "生物", "政治", "历史", "地理"};

// The block slots (column, row) a paper's arrangement uses.
std::set<std::pair<int, int>> slotsOf(const CardTemplate& t, int paper) {
    std::set<std::pair<int, int>> used;
    for (int k = 0; k < t.questionCount / 5; ++k) {
        const CellPos p = blockOffset(t, paper, k, 1.0f, 1.0f);
        used.insert({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
    }
    return used;
}

std::vector<int> papersOf(const CardTemplate& t) {
    if (t.abMode == 1) return {0};
    if (t.abMode == 2) return {1};
    return {0, 1};
}

// Block arrangements that print the same slots on both papers when the card
// carries a paper flag (each slot holds one question of paper A and one of
// paper B): area one from column 0, area two under it from column 1, paper
// B filling column 0 and then whole columns.
void arrangeBlocks(CardTemplate& t, Rng& rng) {
    if (t.abMode == 0) {
        for (;;) {
            const int c1 = rng.integer(2, 6), r1 = rng.integer(1, 3), r2 = rng.integer(0, 4);
            const int blocks = r1 + (c1 - 1) * (r1 + r2);
            if (blocks > kMaxQuestions / 5) continue;
            t.areaOneColumns = c1, t.areaOneRows = r1, t.areaOneFirstColumn = 0;
            t.areaTwoColumns = c1 - 1, t.areaTwoRows = r2, t.areaTwoFirstColumn = 1;
            t.questionCount = 5 * blocks;
            return;
        }
    }
    const int blocks = rng.chance(0.15) ? rng.integer(1, 3) : rng.integer(1, kMaxQuestions / 5);
    t.questionCount = 5 * blocks;
    if (t.abMode == 1) {
        const int c1 = rng.integer(1, std::min(6, blocks));
        const int fullRows = (blocks + c1 - 1) / c1;
        const int r1 = rng.integer(1, fullRows);
        const int rest = std::max(0, blocks - c1 * r1);
        const int c2 = rng.integer(1, 6);
        t.areaOneColumns = c1, t.areaOneRows = r1, t.areaOneFirstColumn = rng.chance(0.2) ? 1 : 0;
        t.areaTwoColumns = c2, t.areaTwoRows = (rest + c2 - 1) / c2, t.areaTwoFirstColumn = rng.integer(0, 1);
        return;
    }
    // Paper B order: a first column of areaOneRows blocks (or of the whole
    // column), then columns of areaOneRows + areaTwoRows blocks.
    const int r1 = rng.integer(1, 8), r2 = rng.integer(0, 3);
    t.areaOneRows = r1, t.areaTwoRows = r2, t.areaTwoFirstColumn = r2 > 0 ? rng.integer(0, 1) : 0;
    t.areaOneColumns = rng.integer(1, 6), t.areaOneFirstColumn = 0, t.areaTwoColumns = rng.integer(1, 6);
}

struct Extent {
    double left = 0, right = 0, bottom = 0, top = 0;  // cells from the grid origin, y up
};

CardDesign attempt(Rng& rng, const std::string& name) {
    CardDesign d;
    d.name = name;
    d.title = "随机布局答题卡";
    CardTemplate& t = d.layout;
    t.admissionDigits = rng.integer(5, kMaxAdmissionDigits);
    t.subjectColumns = rng.integer(1, kMaxSubjectColumns);
    t.subjectRows = 10;
    t.scoreDigits = rng.integer(0, kMaxScoreDigits);
    t.optionsVertical = rng.chance(0.4) ? 1 : 0;
    const double mode = rng.uniform();
    const bool jd = familyOf(name) == CardFamily::JD;
    t.abMode = mode < (jd ? 0.2 : 0.4) ? 0 : mode < 0.7 ? 1 : 2;
    t.subjectCount = 9;
    for (int i = 0; i < 9; ++i) {
        const std::string code = std::to_string(i + 1);
        t.subjects[i] = {t.subjectColumns == 2 ? "0" + code : code, kSubjectNames[i]};
    }
    arrangeBlocks(t, rng);
    // Many questions fit an A4 sheet only with small cells.
    const double largest = t.questionCount > 100 ? 4.3 : t.questionCount > 50 ? 5.0 : 6.0;
    const double cw = tenths(rng.uniform(3.5, largest));
    const double ch = tenths(rng.uniform(std::max(3.5, 0.65 * cw), std::min(6.0, cw)));
    t.cellWidth = static_cast<float>(cw);
    t.cellHeight = static_cast<float>(ch);

    // The answer area, from its blocks' slots.
    const bool down = t.optionsVertical == 1;
    int columns = 0, rows = 0;
    for (int paper : papersOf(t)) {
        for (const auto& [c, r] : slotsOf(t, paper)) columns = std::max(columns, c + 1), rows = std::max(rows, r + 1);
    }
    const double blockWidth = down ? kBlockDownWidth : kBlockRightAcross + (t.abMode == 0 ? kPaperBNumbers : 0);
    const double pitchX = down ? rng.uniform(5.5, 6.8) : rng.uniform(blockWidth + kNumbersLeft + 0.2, blockWidth + 3.4);
    const double pitchY = down ? rng.uniform(kBlockDownHeight + kNumbersAbove + 0.3, 7.2) : rng.uniform(5.5, 6.8);
    t.blockPitchX = static_cast<float>(tenths(pitchX));
    t.blockPitchY = static_cast<float>(tenths(pitchY));
    t.answerY = static_cast<float>(tenths(down ? rng.uniform(-3.0, -2.2) : rng.uniform(-2.4, -1.3)));
    Extent answers;
    answers.left = down ? -0.2 : -kNumbersLeft;
    answers.right = (columns - 1) * t.blockPitchX + blockWidth;
    answers.top = t.answerY + (down ? kNumbersAbove : 0);
    answers.bottom = t.answerY - (rows - 1) * t.blockPitchY - (down ? kBlockDownHeight : 5.0);

    // The grid origin lies originOffsetX right of the lines' left ends; the
    // field of view starts 1.5 cells left of them.
    const double offset = tenths(rng.uniform(std::max(0.0, -answers.left - 1.3), 2.5));
    t.originOffsetX = static_cast<float>(tenths(offset * cw));
    const double boxLeft = -t.originOffsetX / cw - 1.5;
    const double headerLeft = boxLeft + 0.3;
    const double header = rng.uniform(t.abMode == 0 ? 10.5 : kHeaderMin, 14.0);

    // Digit grids side by side in a random order right of the header.
    struct Grid {
        float* x;
        float* y;
        int columns;
        int rows;
    };
    std::vector<Grid> grids = {{&t.admissionX, &t.admissionY, t.admissionDigits, 10},
                               {&t.subjectX, &t.subjectY, t.subjectColumns, t.subjectRows}};
    if (t.scoreDigits > 0) grids.push_back({&t.scoreX, &t.scoreY, t.scoreDigits, 10});
    for (size_t i = grids.size(); i > 1; --i) std::swap(grids[i - 1], grids[rng.integer(0, static_cast<int>(i) - 1)]);
    std::vector<double> gaps;
    double width = 0;
    for (size_t i = 0; i < grids.size(); ++i) {
        gaps.push_back(i == 0 ? 0.0 : rng.uniform(0.9, 2.2));
        width += gaps.back() + grids[i].columns;
    }
    const double earliest = headerLeft + header + 0.6;
    // The upper line runs on past the grids and the answer blocks; the
    // orientation mark follows it.
    double lineEnd = std::max(answers.right + rng.uniform(0.2, 1.5), earliest + width + rng.uniform(0.5, 1.5));
    // A small card still has lines long enough to be found from afar.
    lineEnd = std::max(lineEnd, rng.uniform(kShortestLine, kShortestLine + 20) / cw - t.originOffsetX / cw);
    double x = rng.uniform(earliest, lineEnd - 0.5 - width);
    for (size_t i = 0; i < grids.size(); ++i) {
        x += gaps[i];
        *grids[i].x = static_cast<float>(tenths(x + 0.04));
        const double lowest = std::max(kLowestGridTop, grids[i].rows + kGuideBarBelow + kClearOfLine / ch);
        *grids[i].y = static_cast<float>(std::ceil(rng.uniform(lowest, std::max(lowest, kHighestGridTop)) * 10) / 10);
        x += grids[i].columns;
    }
    t.lowerLineLength = static_cast<float>(tenths((lineEnd + t.originOffsetX / cw) * cw));
    // The mark's bars start at least kMarkGap beyond the line's end and end
    // inside the field of view.
    const double gap = rng.uniform(std::max(0.3, kMarkGap / cw - 0.15) + 0.05, 0.5);
    t.orientMarkX = static_cast<float>(std::floor(((t.lowerLineLength - t.originOffsetX) / cw + gap) * 10) / 10);
    const double above = std::max(0.7, kClearOfLine / ch);
    t.lineSpacing = static_cast<float>(std::ceil((-answers.bottom + rng.uniform(above, above + 1.1)) * ch * 10) / 10);

    if (t.abMode == 0) {
        // The flag cells under the name and class boxes, their captions left of them.
        const double firstGrid = std::min({t.admissionX, t.subjectX, t.scoreDigits > 0 ? t.scoreX : 1e9f});
        const double right = firstGrid - 0.6 - 1.2;
        const double a = rng.uniform(headerLeft + 2.5, right - 4.6);
        const double b = rng.uniform(a + 3.6, right);
        const double y = tenths(rng.uniform(4.0, 5.0));
        t.abCellAX = static_cast<float>(tenths(a)), t.abCellBX = static_cast<float>(tenths(b));
        t.abCellAY = t.abCellBY = static_cast<float>(y);
    }
    return d;
}

struct Rect {
    double left, bottom, right, top;
    bool overlaps(const Rect& o) const {
        const double e = 0.01;
        return left < o.right - e && o.left < right - e && bottom < o.top - e && o.bottom < top - e;
    }
};

}  // namespace

ScaleRange photographableScales(const CardTemplate& t) {
    const Box box = fieldOfViewBox(t);
    const double c = std::cos(kMaxTurn), s = std::sin(kMaxTurn);
    const double high = std::min((kFrameWidth - 2 * kFrameMargin) / (box.width() * c + box.height() * s),
                                 (kFrameHeight - 2 * kFrameMargin) / (box.width() * s + box.height() * c));
    // Tilt and a turn shorten the line a little in the frame.
    return {1.04 * kMinLowerLinePixels / t.lowerLineLength, high};
}

std::string designProblem(const CardDesign& d) {
    const CardTemplate& t = d.layout;
    std::string problem = checkTemplate(t, d.datName());
    if (!problem.empty()) return problem;
    if (t.abMode == 0 && slotsOf(t, 0) != slotsOf(t, 1)) return "A卷和B卷的题块位置不同";
    const ScaleRange scales = photographableScales(t);
    if (scales.low > 0.95 * scales.high) return "整张卡放不进画面";
    const Box sheet = sheetBox(t);
    if (t.lowerLineLength > kLongestLine || std::max(sheet.width(), sheet.height()) > kSheetLong ||
        std::min(sheet.width(), sheet.height()) > kSheetShort) {
        return "卡比A4纸大";
    }
    // Cells of every grid, the orientation mark and the flag cells, in
    // millimetres with the upper line's left end at the origin.
    const LocationResult place = locationFor(t, CardPlacement{1, 0, 0});
    std::vector<std::pair<Rect, std::string>> fixed;
    auto add = [&](std::vector<std::pair<Rect, std::string>>& to, const CellPos& c, const std::string& what) {
        to.push_back({{c.x, c.y - place.cellH, c.x + place.cellW, c.y}, what});
    };
    CardCells cells;
    computeCells(t, place, 0, cells);
    for (const auto& [grid, what] : {std::pair{&cells.admission, "准考证号"}, std::pair{&cells.subject, "科目"},
                                     std::pair{&cells.score, "主观分"}}) {
        for (int i = 0; i < grid->columns; ++i) {
            for (int j = 0; j < grid->rows; ++j) add(fixed, grid->at(i, j), what);
            const CellPos& last = grid->at(i, grid->rows - 1);
            if (last.y - place.cellH - kGuideBarBelow * place.cellH < kClearOfLine - 0.01) {
                return what + std::string("网格离上检测线太近");
            }
        }
    }
    CellGrid orient;
    orientationGrid(t, place, orient);
    for (int k = 0; k < 3; ++k) add(fixed, orient.at(0, k), "方向标记");
    if (orient.at(0, 0).x + 0.15 * place.cellW < t.lowerLineLength + kMarkGap) return "方向标记离上检测线右端太近";
    if (t.abMode == 0) {
        add(fixed, abFlagCell(t, place, false), "A卷标识");
        add(fixed, abFlagCell(t, place, true), "B卷标识");
    }
    const Box box = fieldOfViewBox(t);
    for (const auto& [r, what] : fixed) {
        if (r.left < box.left || r.right > box.right || r.bottom < box.bottom || r.top > box.top) {
            return what + std::string("在视野框之外");
        }
    }
    for (int paper : papersOf(t)) {
        std::vector<std::pair<Rect, std::string>> all = fixed;
        computeCells(t, place, paper, cells);
        for (int q = 0; q < cells.questionCount; ++q) {
            for (int o = 0; o < 4; ++o) {
                const CellPos& c = cells.options[q][o];
                // Options down have their question numbers above and a guide
                // bar below the block.
                const double top = c.y + (t.optionsVertical == 1 && o == 0 ? kNumbersAbove * place.cellH : 0);
                const double bottom = c.y - place.cellH - (t.optionsVertical == 1 && o == 3 ? 0.65 * place.cellH : 0);
                if (top > -kClearOfLine + 0.01 || bottom < -t.lineSpacing + kClearOfLine - 0.01) {
                    return "第" + std::to_string(q + 1) + "题离检测线太近";
                }
                add(all, c, "第" + std::to_string(q + 1) + "题");
            }
        }
        for (size_t i = 0; i < all.size(); ++i) {
            for (size_t j = i + 1; j < all.size(); ++j) {
                if (all[i].first.overlaps(all[j].first)) return all[i].second + "与" + all[j].second + "重叠";
            }
        }
    }
    return "";
}

CardDesign randomDesign(Rng& rng, const std::string& name) {
    for (int tries = 0; tries < 1000; ++tries) {
        CardDesign d = attempt(rng, name);
        if (designProblem(d).empty()) return d;
    }
    throw std::runtime_error("无法生成随机布局 " + name);
}

std::vector<CardDesign> randomDesigns(uint64_t start, int count) {
    std::vector<CardDesign> designs;
    Rng rng(start * 0xA24BAED4963EE407ull + 12);
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s随机%02d", i % 2 == 0 ? "DY" : "JD", i + 1);
        Rng own = rng.fork(static_cast<uint64_t>(i));
        designs.push_back(randomDesign(own, name));
    }
    return designs;
}

}  // namespace tarvel::cards
