#include "recognition/reading.h"

#include <algorithm>
#include <cmath>

#include "recognition/pixelops.h"

namespace tarvel {
namespace {

constexpr const char* kLetters[16] = {"",  "A",  "B",  "AB",  "C",  "AC",  "BC",  "ABC",
                                      "D", "AD", "BD", "ABD", "CD", "ACD", "BCD", "ABCD"};

// trunc(800 - y): the top-down row of a picture height in the 800 x 800 images.
int topRowOf(float y) { return static_cast<int>(kCanvasSize - y); }

bool blackAt(const Bitmap& image, int x, int y) { return image.contains(x, y) && image.isBlack(x, y); }

// Binarization leaves blue, green and red all 0 or all 255.
bool isBinarized(const uint8_t* p) { return p[0] == p[1] && p[1] == p[2] && (p[0] == 0 || p[0] == 255); }

}  // namespace

const char* AnswerLetters(int mask) { return kLetters[mask & 15]; }

int referenceOutlineGray(CardFamily family, int threshold) {
    int v = 0;
    if (family == CardFamily::DY) v = threshold - 70;
    if (family == CardFamily::JD) v = threshold - 120;
    return std::max(v, 0);
}

MarkReader::MarkReader(const CardTemplate& layout, CardFamily family, const LocationResult& place,
                       Bitmap& normalized, Bitmap& confirmation, Prompter& prompter, ReadMethod method)
    : layout_(layout),
      family_(family),
      place_(place),
      normalized_(normalized),
      confirmation_(confirmation),
      prompter_(prompter),
      method_(method) {}

bool MarkReader::flagCellMarked(const CellPos& cell) {
    const float cw = place_.cellW;
    const float ch = place_.cellH;
    BinarizeFixed(normalized_, 128, static_cast<int>(ch), static_cast<int>(cw), topRowOf(cell.y),
                  static_cast<int>(cell.x));
    int total = 0;
    int black = 0;
    for (int row = static_cast<int>(cell.y - ch); row < cell.y; ++row) {
        for (int col = static_cast<int>(cell.x); col < cell.x + cw; ++col) {
            ++total;
            black += blackAt(normalized_, col, row);
        }
    }
    return total > 0 && black * 100 / total > 5;
}

void MarkReader::PrepareCardGeometry(CardReading& reading) {
    int flag = 0;
    if (layout_.abMode == 2) {
        flag = 1;
    } else if (layout_.abMode == 0) {
        if (flagCellMarked(abFlagCell(layout_, place_, true))) {
            flag = 1;
        } else if (!flagCellMarked(abFlagCell(layout_, place_, false))) {
            prompter_.message(kNoPaperFlagMessage);
        }
    }
    reading.abFlag = flag;
    computeCells(layout_, place_, flag, cells_);
}

void MarkReader::binarizeNormalized(int firstColumn, int rows, int columns, int firstRow) {
    lastThreshold_ = BinarizeAdaptive(normalized_, firstColumn, rows, columns, firstRow);
}

void MarkReader::drawReferenceOutline(float ax, float ay) {
    const auto gray = static_cast<uint8_t>(referenceOutlineGray(family_, lastThreshold_));
    // A one-pixel rectangle outline whose right and bottom edges lie just
    // inside the given corners, as a rectangle is outlined on screen.
    const int left = static_cast<int>(ax);
    const int top = topRowOf(ay);
    const int right = static_cast<int>(ax + 3 * place_.scale) - 1;
    const int bottom = topRowOf(ay - 1.5f * place_.scale) - 1;
    if (right < left || bottom < top) return;
    auto put = [&](int col, int rowFromTop) {
        confirmation_.setPixel(col, kCanvasSize - 1 - rowFromTop, gray, gray, gray);
    };
    for (int c = left; c <= right; ++c) {
        put(c, top);
        put(c, bottom);
    }
    for (int r = top; r <= bottom; ++r) {
        put(left, r);
        put(right, r);
    }
}

void MarkReader::binarizeCellColumns(const CellGrid& grid) {
    const float cw = place_.cellW;
    const float ch = place_.cellH;
    for (int i = 0; i < grid.columns && grid.rows > 0; ++i) {
        const CellPos& first = grid.at(i, 0);
        const CellPos& last = grid.at(i, grid.rows - 1);
        binarizeNormalized(static_cast<int>(first.x), static_cast<int>(grid.rows * ch), static_cast<int>(cw),
                           topRowOf(first.y));
        drawReferenceOutline(last.x + place_.scale, last.y - ch - place_.scale);
        BinarizeAdaptive(confirmation_, static_cast<int>(first.x), static_cast<int>((grid.rows + 1) * ch),
                         static_cast<int>(cw), topRowOf(first.y));
    }
}

void MarkReader::BinarizeReadingAreas() {
    binarizeCellColumns(cells_.admission);
    binarizeCellColumns(cells_.subject);
    binarizeCellColumns(cells_.score);

    const float cw = place_.cellW;
    const float ch = place_.cellH;
    const float s = place_.scale;
    const bool vertical = layout_.optionsVertical == 1;
    for (int q = 0; q < cells_.questionCount; q += 5) {
        const CellPos& a = cells_.options[q][0];
        const CellPos& d = cells_.options[q][3];
        if (vertical) {
            binarizeNormalized(static_cast<int>(a.x), static_cast<int>(4 * ch), static_cast<int>(5 * cw),
                               topRowOf(a.y));
            drawReferenceOutline(d.x + s, d.y - ch - s);
        } else {
            binarizeNormalized(static_cast<int>(a.x), static_cast<int>(5 * ch), static_cast<int>(4 * cw),
                               topRowOf(a.y));
            drawReferenceOutline(d.x + cw + s, d.y - s);
        }
        BinarizeAdaptive(confirmation_, static_cast<int>(a.x), static_cast<int>(5 * ch), static_cast<int>(5 * cw),
                         topRowOf(a.y));
    }
}

MarkReader::Sample MarkReader::sampleCell(const CellPos& cell) const {
    Sample s;
    const float cw = place_.cellW;
    const float ch = place_.cellH;
    auto take = [&](int col, int row) {
        ++s.count;
        s.dark += blackAt(normalized_, col, row);
        s.confirmed += blackAt(confirmation_, col, row);
    };
    if (method_ == ReadMethod::Written) {
        for (int row = static_cast<int>(cell.y - ch + 2); row < cell.y; ++row) {
            for (int col = static_cast<int>(cell.x); col < cell.x + cw; ++col) take(col, row);
        }
        return s;
    }
    // Only the inner part of a cell: the windows of neighbouring cells touch,
    // and a mark that runs over its cell's edge must not fill its neighbour.
    // The two bottom rows, where the bubble is printed, stay unsampled.
    const float mx = kCellMargin * cw;
    const float my = kCellMargin * ch;
    const float bottom = std::max(cell.y - ch + 2, cell.y - ch + my);
    for (int row = static_cast<int>(bottom); row < cell.y - my; ++row) {
        for (int col = static_cast<int>(cell.x + mx); col < cell.x + cw - mx; ++col) take(col, row);
    }
    return s;
}

// A line of a cell across the axis a spill runs on (a column with `across`,
// else a row), taken over the cell's inner part, is dark when a third of it
// is black, in the confirmation image too (where a machine-readable card's
// printed letters stay white). Columns binarized one by one may leave a seam
// of one line that belongs to neither (their widths are truncated): a seam
// neither ends nor starts a run. Two or more lines left gray in a row are no
// seam but the paper beyond a binarized area, where every run ends.
MarkReader::Line MarkReader::lineAt(const CellPos& cell, bool across, int at) const {
    const float cw = place_.cellW;
    const float ch = place_.cellH;
    const float innerFrom = across ? cell.y - ch + kCellMargin * ch : cell.x + kCellMargin * cw;
    const float innerTo = across ? cell.y - kCellMargin * ch : cell.x + cw - kCellMargin * cw;
    int dark = 0;
    int count = 0;
    int gray = 0;
    for (int k = static_cast<int>(innerFrom); k < innerTo; ++k) {
        const int x = across ? at : k, y = across ? k : at;
        ++count;
        dark += blackAt(normalized_, x, y) && blackAt(confirmation_, x, y);
        gray += normalized_.contains(x, y) && !isBinarized(normalized_.pixel(x, y));
    }
    if (count > 0 && gray == count) return Line::Gray;
    return count > 0 && dark * 3 >= count ? Line::Dark : Line::Light;
}

bool MarkReader::lineDark(const CellPos& cell, bool across, int at) const {
    switch (lineAt(cell, across, at)) {
        case Line::Dark: return true;
        case Line::Light: return false;
        case Line::Gray: break;
    }
    return lineAt(cell, across, at - 1) != Line::Gray && lineAt(cell, across, at + 1) != Line::Gray;
}

// Whether a cell's dark pixels run on over one of its edges into a
// neighbour (above, below or beside) darker than the cell: then they may be
// that neighbour's, however the run goes on.
bool MarkReader::runsIntoDarker(const CellPos& cell, int fill) const {
    const float cw = place_.cellW;
    const float ch = place_.cellH;
    for (const bool across : {false, true}) {
        const int first = static_cast<int>(across ? cell.x : cell.y - ch);
        const int next = static_cast<int>(across ? cell.x + cw : cell.y);
        for (const int step : {-1, 1}) {
            const int edge = step < 0 ? first : next - 1;
            if (!lineDark(cell, across, edge) || !lineDark(cell, across, edge + step)) continue;
            const CellPos beside = across ? CellPos{cell.x + step * cw, cell.y} : CellPos{cell.x, cell.y + step * ch};
            if (sampleCell(beside).fill() > fill) return true;
        }
    }
    return false;
}

// A cell's dark pixels are what spilled over from a darker neighbour (above
// or below, or beside it with `across`) when they all sit in one run of dark
// lines that starts at the edge they share, ends before the cell's middle and
// runs on into the neighbour, the whole run no longer than one mark. A mark
// of its own, however far off centre, reaches past the middle, stands apart
// from the neighbour's mark, or makes the run too long for one mark.
bool MarkReader::isSpill(const CellPos& cell, int fill, bool across) const {
    // Dark lines that stop short of the middle fill at most about 60 % of
    // the inner part; most marks are darker and need no look.
    if (fill > kSpillMostFill) return false;
    const float cw = place_.cellW;
    const float ch = place_.cellH;
    const float size = across ? cw : ch;
    auto lineDark = [&](int at) { return this->lineDark(cell, across, at); };
    const int first = static_cast<int>(across ? cell.x : cell.y - ch);  // the cell's first line
    const int next = static_cast<int>(across ? cell.x + cw : cell.y);   // the line after the cell
    const int reach = static_cast<int>(size);
    // The run from each edge that goes on into a darker neighbour as one
    // mark: 0 where there is none.
    int runs[2] = {0, 0};
    for (int side = 0; side < 2; ++side) {
        const int step = side == 0 ? -1 : 1;
        const CellPos besidePos = across ? CellPos{cell.x + step * cw, cell.y} : CellPos{cell.x, cell.y + step * ch};
        const Sample beside = sampleCell(besidePos);
        if (beside.fill() <= fill) continue;
        // Lines of the cell from the shared edge inward, and of the neighbour
        // from the shared edge outward.
        const int edge = step < 0 ? first : next - 1;
        int inside = 0;
        while (inside < reach && lineDark(edge - step * inside)) ++inside;
        if (inside == 0 || inside > reach / 2 + 1) continue;
        int outside = 0;
        while (outside < 2 * reach && lineDark(edge + step * (outside + 1))) ++outside;
        // The run lies mostly in the neighbour, and is one mark long.
        if (outside + 1 < inside || (inside + outside) * 10 > kSpillRunTenths * size) continue;
        // Nothing else dark in the neighbour short of its far margin, where
        // what its other neighbour spills in lies.
        const int inner = static_cast<int>(reach - kCellMargin * size);
        bool more = false;
        for (int k = outside; k < inner && !more; ++k) more = lineDark(edge + step * (k + 1));
        if (!more) runs[side] = inside;
    }
    if (runs[0] == 0 && runs[1] == 0) return false;
    // Nothing dark in the cell between the runs (a cell between two marks
    // takes a spill from each side): a mark of its own would be there.
    for (int line = first + runs[0]; line < next - runs[1]; ++line) {
        if (lineDark(line)) return false;
    }
    return true;
}

std::string MarkReader::ReadDigitColumns(const CellGrid& grid) {
    std::string text;
    std::array<int, kGridCapacity> fills{};
    for (int i = 0; i < grid.columns; ++i) {
        int best = -1;
        int bestFill = 0;
        int confirmed = 0;
        for (int j = 0; j < grid.rows; ++j) {
            Sample s = sampleCell(grid.at(i, j));
            fills[j] = s.fill();
            confirmed += s.confirmed;
            // What a mark in the next column spilled over its edge is no
            // digit of this one.
            if (method_ == ReadMethod::Mended && fills[j] > 10 && isSpill(grid.at(i, j), fills[j], true)) fills[j] = 0;
            if (fills[j] > bestFill && fills[j] > 10) {
                best = j;
                bestFill = fills[j];
            }
        }
        // A digit is one cell. Three cells in a row each at least half as
        // dark as the darkest, none standing out of the others, are a shadow
        // falling over the column (or a smear), which no digit can be read
        // from. One mark blurred into its neighbours stands out of them.
        if (best >= 0 && method_ == ReadMethod::Mended) {
            auto dark = [&](int j) { return j >= 0 && j < grid.rows && fills[j] * 100 >= kSmearShare * bestFill; };
            int first = best;
            int last = best;
            while (dark(first - 1)) --first;
            while (dark(last + 1)) ++last;
            const int beside = std::max(best > first ? fills[best - 1] : 0, best < last ? fills[best + 1] : 0);
            const bool standsOut = bestFill * 100 >= kStandsOut * beside;
            if (last - first + 1 >= kSmearCells && !standsOut) best = -1;
        }
        text += (confirmed < 5 || best < 0) ? std::string(" ") : std::to_string(best);
    }
    return text;
}

void MarkReader::ReadAdmissionNumber(CardReading& reading, int admissionLength) {
    std::string text = ReadDigitColumns(cells_.admission);
    size_t n = static_cast<size_t>(std::clamp(admissionLength, 0, kMaxAdmissionDigits));
    reading.admissionNumber = text.substr(0, std::min(n, text.size()));
}

void MarkReader::ReadSubjectCode(CardReading& reading) { reading.subjectCode = ReadDigitColumns(cells_.subject); }

bool MarkReader::ReadSubjectiveScore(CardReading& reading) {
    std::string text = ReadDigitColumns(cells_.score);
    // Leading blanks are an unused hundreds column; a blank after a digit may
    // be a missed digit and would change the number, so it is not a number.
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) return false;
    std::string digits = text.substr(start);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
    reading.subjectiveScore = static_cast<float>(std::stod(digits));
    return true;
}

void MarkReader::ReadAnswers(CardReading& reading, int questionCount,
                             const std::array<bool, kMaxQuestions>& multiple) {
    const int n = std::clamp(questionCount, 0, kMaxQuestions);
    const int printed = std::min(n, cells_.questionCount);
    std::array<std::array<int, 4>, kMaxQuestions> fills{};
    std::array<int, kMaxQuestions> confirmed{};
    // Per cell whether most of its dark pixels are black in the confirmation
    // image too: pencil is, a machine-readable card's printed letters are not.
    std::array<std::array<bool, 4>, kMaxQuestions> pencil{};
    for (int q = 0; q < printed; ++q) {
        for (int o = 0; o < 4; ++o) {
            Sample s = sampleCell(cells_.options[q][o]);
            fills[q][o] = s.fill();
            confirmed[q] += s.confirmed;
            pencil[q][o] = 2 * s.confirmed >= s.dark;
        }
    }
    for (int q = 0; q < n; ++q) {
        reading.answers[q].clear();
        withoutShareRule_[q] = 0;
        // Questions the layout does not print read as unmarked.
        if (q >= printed) continue;
        // A cell is a mark only beside real marks: a pencil fill runs dark
        // over nearly all of a cell's inner part, while what spills over from
        // a neighbour (in this question or the next) fills little of it.
        const int first = q / 5 * 5;
        int blockDarkest = 0;
        for (int k = first; k < std::min(printed, first + 5); ++k) {
            for (int o = 0; o < 4; ++o) blockDarkest = std::max(blockDarkest, fills[k][o]);
        }
        const std::array<int, 4>& f = fills[q];
        // Nor is a cell whose dark pixels ran over from the cell above or
        // below, or beside it.
        std::array<bool, 4> marked{}, withoutShare{};
        for (int o = 0; o < 4; ++o) {
            marked[o] = withoutShare[o] = f[o] > 10;
            if (method_ == ReadMethod::Mended) {
                withoutShare[o] = marked[o] && !isSpill(cells_.options[q][o], f[o], false) &&
                                  !isSpill(cells_.options[q][o], f[o], true);
                marked[o] = withoutShare[o] && f[o] * 100 >= kShareOfDarkest * blockDarkest;
            }
        }
        // A faint mark beside dark ones: a question none of whose cells
        // reaches the block's share keeps its darkest cell, when that cell
        // fills a fifth of its inner part with pencil and its dark pixels do
        // not run on into a darker neighbour (whose spill they would be).
        if (method_ == ReadMethod::Mended && std::none_of(marked.begin(), marked.end(), [](bool m) { return m; })) {
            int faint = -1;
            for (int o = 0; o < 4; ++o) {
                if (withoutShare[o] && pencil[q][o] && f[o] >= kFaintMarkFill && (faint < 0 || f[o] > f[faint])) {
                    faint = o;
                }
            }
            if (faint >= 0 && !runsIntoDarker(cells_.options[q][faint], f[faint])) marked[faint] = true;
        }
        // The block's darkest fill is at least the question's, so every
        // further option that counts is a sizeable share of the chosen one.
        auto maskOf = [&](const std::array<bool, 4>& counts) {
            int best = -1;
            for (int o = 0; o < 4; ++o) {
                if (counts[o] && (best < 0 || f[o] > f[best])) best = o;
            }
            if (best < 0 || confirmed[q] < 5) return 0;
            int mask = 1 << best;
            for (int o = 0; o < 4 && multiple[q]; ++o) {
                if (counts[o]) mask |= 1 << o;
            }
            return mask;
        };
        withoutShareRule_[q] = static_cast<uint8_t>(maskOf(withoutShare));
        reading.answers[q] = AnswerLetters(maskOf(marked));
    }
}

bool MarkReader::IsUpright() {
    CellGrid grid;
    orientationGrid(layout_, place_, grid);
    binarizeCellColumns(grid);
    const float cw = place_.cellW;
    const float ch = place_.cellH;
    int confirmed = 0;
    int emptyRows = 0;
    bool upright = true;
    for (int k = 0; k < 3; ++k) {
        const CellPos& cell = grid.at(0, k);
        int first = static_cast<int>(cell.y - ch + 1) - (k == 2 ? 1 : 0);
        int count = 0;
        int dark = 0;
        for (int row = first; row <= cell.y; ++row) {
            bool rowDark = false;
            for (int col = static_cast<int>(cell.x); col < cell.x + cw; ++col) {
                ++count;
                bool d = blackAt(normalized_, col, row);
                dark += d;
                rowDark = rowDark || d;
                confirmed += blackAt(confirmation_, col, row);
            }
            emptyRows += !rowDark;
        }
        if (count == 0 || dark * 100 / count < 10) upright = false;
    }
    return upright && confirmed > 4 && emptyRows > 2;
}

}  // namespace tarvel
