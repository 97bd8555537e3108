// What card location needs of a printed card, checked on the rendered card at
// the size it has when it fills 80 % of a 640 x 480 frame's height.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/prompter.h"
#include "cardfill.h"
#include "cards_test_helpers.h"
#include "recognition/locationsteps.h"
#include "recognition/pixelops.h"
#include "recognition/reading.h"

namespace tarvel::cards {
namespace {

struct Component {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1, pixels = 0;
    int width() const { return right - left + 1; }
    int height() const { return top - bottom + 1; }
};

// 8-connected black components of a binarized bitmap.
std::vector<Component> components(const Bitmap& b) {
    std::vector<int> seen(static_cast<size_t>(b.width()) * b.height(), 0);
    std::vector<Component> out;
    std::vector<std::pair<int, int>> stack;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            if (!b.isBlack(x, y) || seen[static_cast<size_t>(y) * b.width() + x]) continue;
            Component c;
            stack.push_back({x, y});
            seen[static_cast<size_t>(y) * b.width() + x] = 1;
            while (!stack.empty()) {
                auto [px, py] = stack.back();
                stack.pop_back();
                c.left = std::min(c.left, px);
                c.right = std::max(c.right, px);
                c.bottom = std::min(c.bottom, py);
                c.top = std::max(c.top, py);
                ++c.pixels;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = px + dx, ny = py + dy;
                        if (!b.contains(nx, ny) || !b.isBlack(nx, ny)) continue;
                        int& s = seen[static_cast<size_t>(ny) * b.width() + nx];
                        if (!s) {
                            s = 1;
                            stack.push_back({nx, ny});
                        }
                    }
                }
            }
            out.push_back(c);
        }
    }
    return out;
}

class CardDesignTest : public ::testing::TestWithParam<std::string> {
protected:
    // Shipped layouts at the size they have when they fill 80 % of the
    // frame's height; random ones photographed from as far as their lower
    // line stays 300 pixels long.
    void SetUp() override {
        shipped = GetParam().find("随机") == std::string::npos;
        design = shipped ? shippedDesign(GetParam()) : randomDesign(GetParam());
        const double far = photographableScales(design.layout).low * fieldOfViewBox(design.layout).height();
        at = centredPlacement(design.layout, shipped ? 0.8 * 480 : far);
        place = locationFor(design.layout, at);
    }
    bool shipped = true;
    CardDesign design;
    CardPlacement at;
    LocationResult place;
};

TEST_P(CardDesignTest, DetectionLinesAreTheOnlyLongBlackStrokes) {
    Bitmap card = renderRectified(design, at, nullptr);
    BinarizeFixed(card, 100);
    std::vector<Component> parts = components(card);
    std::sort(parts.begin(), parts.end(), [](const Component& a, const Component& b) { return a.width() > b.width(); });
    ASSERT_GE(parts.size(), 3u);
    const Component& first = parts[0];
    const Component& second = parts[1];
    const Component& lower = first.top < second.top ? first : second;
    const Component& upper = first.top < second.top ? second : first;
    EXPECT_GE(lower.width(), 300);
    EXPECT_NEAR(lower.width(), upper.width(), 1);
    EXPECT_NEAR(lower.left, upper.left, 1);
    EXPECT_GE(lower.height(), 3);  // survives a little blur at threshold 100
    EXPECT_LE(lower.height(), 6);
    // Everything else is short: well under what line tracing records (200).
    EXPECT_LT(parts[2].width(), lower.width() / 4);
    for (size_t i = 2; i < parts.size(); ++i) EXPECT_LT(parts[i].height(), 60);
    // The spacing is the layout's, measured at the centre lines.
    const double spacing = (upper.top + upper.bottom) / 2.0 - (lower.top + lower.bottom) / 2.0;
    EXPECT_NEAR(spacing, design.layout.lineSpacing * at.scale, 1.5);
}

TEST_P(CardDesignTest, BubblesAndFramesVanishAtThreshold100) {
    Bitmap card = renderRectified(design, at, nullptr);
    BinarizeFixed(card, 100);
    CardCells cells;
    computeCells(design.layout, place, design.layout.abMode == 2 ? 1 : 0, cells);
    int black = 0;
    auto count = [&](const CellPos& c) {
        for (int y = static_cast<int>(c.y - place.cellH); y < c.y; ++y) {
            for (int x = static_cast<int>(c.x); x < c.x + place.cellW; ++x) black += card.isBlack(x, y);
        }
    };
    for (const CellGrid* g : {&cells.admission, &cells.subject, &cells.score}) {
        for (int i = 0; i < g->columns; ++i) {
            for (int j = 0; j < g->rows; ++j) count(g->at(i, j));
        }
    }
    for (int q = 0; q < cells.questionCount; ++q) {
        for (int o = 0; o < 4; ++o) count(cells.options[q][o]);
    }
    EXPECT_EQ(black, 0);
}

TEST_P(CardDesignTest, EverythingPrintedLiesInsideTheFieldOfViewBox) {
    const int size = 800;
    Bitmap card = renderRectified(design, at, nullptr, {}, 1, size);
    const Box box = fieldOfViewBox(design.layout);
    const double left = at.upperLeftX + box.left * at.scale, right = at.upperLeftX + box.right * at.scale;
    const double bottom = at.upperLeftY + box.bottom * at.scale, top = at.upperLeftY + box.top * at.scale;
    int outside = 0, inside = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (card.pixel(x, y)[0] == 255 && card.pixel(x, y)[2] == 255) continue;
            bool in = x >= left && x <= right && y >= bottom && y <= top;
            (in ? inside : outside)++;
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 1000);
}

TEST_P(CardDesignTest, CellsAreLargeEnoughAndNoGridOverlapsAnother) {
    // Random layouts have cells of 3.5 to 6 mm, photographed from afar.
    EXPECT_GE(place.cellW, shipped ? 9.0f : 5.0f);
    EXPECT_GE(place.cellH, shipped ? 7.0f : 5.0f);
    struct Rect {
        float left, bottom, right, top;
        std::string what;
    };
    std::vector<Rect> rects;
    auto grid = [&](const CellGrid& g, const std::string& what) {
        if (g.columns == 0 || g.rows == 0) return;
        const CellPos& a = g.at(0, 0);
        rects.push_back({a.x, a.y - g.rows * place.cellH, a.x + g.columns * place.cellW, a.y, what});
    };
    CardCells cells;
    computeCells(design.layout, place, 0, cells);
    grid(cells.admission, "admission");
    grid(cells.subject, "subject");
    grid(cells.score, "score");
    CellGrid orient;
    orientationGrid(design.layout, place, orient);
    grid(orient, "orientation");
    if (design.layout.abMode == 0) {
        for (bool b : {false, true}) {
            CellPos c = abFlagCell(design.layout, place, b);
            rects.push_back({c.x, c.y - place.cellH, c.x + place.cellW, c.y, b ? "flag B" : "flag A"});
        }
    }
    const size_t fixedGrids = rects.size();
    for (int paper = 0; paper < 2; ++paper) {
        if ((design.layout.abMode == 1 && paper == 1) || (design.layout.abMode == 2 && paper == 0)) continue;
        computeCells(design.layout, place, paper, cells);
        rects.resize(fixedGrids);
        for (int q = 0; q < cells.questionCount; ++q) {
            for (int o = 0; o < 4; ++o) {
                const CellPos& c = cells.options[q][o];
                rects.push_back({c.x, c.y - place.cellH, c.x + place.cellW, c.y, "question " + std::to_string(q + 1)});
            }
        }
        for (size_t i = 0; i < rects.size(); ++i) {
            for (size_t j = i + 1; j < rects.size(); ++j) {
                const Rect& a = rects[i];
                const Rect& b = rects[j];
                const float e = 0.01f;
                bool overlap = a.left < b.right - e && b.left < a.right - e && a.bottom < b.top - e &&
                               b.bottom < a.top - e;
                EXPECT_FALSE(overlap) << a.what << " overlaps " << b.what << " on paper " << paper;
            }
        }
    }
}

TEST_P(CardDesignTest, OrientationMarkTellsUprightFromTurned) {
    Bitmap card = renderRectified(design, at, nullptr);
    ScriptedPrompter prompter;
    {
        Bitmap normalized = card.clone();
        Bitmap confirmation = card.clone();
        MarkReader reader(design.layout, design.family(), place, normalized, confirmation, prompter);
        EXPECT_TRUE(reader.IsUpright());
    }
    // Turned by 180 degrees, location takes the other line as the upper one:
    // its left end is the old lower line's right end, turned.
    Bitmap turned(kCanvasSize, kCanvasSize, 3);
    for (int y = 0; y < kCanvasSize; ++y) {
        for (int x = 0; x < kCanvasSize; ++x) {
            const uint8_t* p = card.pixel(kCanvasSize - 1 - x, kCanvasSize - 1 - y);
            turned.setPixel(x, y, p[0], p[1], p[2]);
        }
    }
    const double lowerRightX = at.upperLeftX + at.scale * design.layout.lowerLineLength;
    const double lowerRightY = at.upperLeftY - at.scale * design.layout.lineSpacing;
    CardPlacement other{at.scale, kCanvasSize - lowerRightX, kCanvasSize - lowerRightY};
    LocationResult otherPlace = locationFor(design.layout, other);
    Bitmap normalized = turned.clone();
    Bitmap confirmation = turned.clone();
    MarkReader reader(design.layout, design.family(), otherPlace, normalized, confirmation, prompter);
    EXPECT_FALSE(reader.IsUpright());
}

TEST_P(CardDesignTest, GuideBarsAreShownWhereTheReaderLooksForThem) {
    Bitmap card = renderRectified(design, at, nullptr);
    GuideBars bars;
    guideBars(design.layout, place, bars);
    ASSERT_GT(bars.count, 0);
    for (int i = 0; i < bars.count; ++i) {
        EXPECT_GT(GuideBarContrast(card, bars.bars[i], place), 0.3) << "bar " << i;
    }
    // Read as the next layout of its list (its lines on this card's lines,
    // as location would stretch them), the card shows too few of that
    // layout's bars.
    const std::vector<std::string> names = shipped ? layoutNames() : randomLayoutNames();
    const size_t next = (std::find(names.begin(), names.end(), GetParam()) - names.begin() + 1) % names.size();
    CardTemplate other = shipped ? shippedDesign(names[next]).layout : randomDesign(names[next]).layout;
    const CardTemplate& t = design.layout;
    other.cellWidth *= t.lowerLineLength / other.lowerLineLength;
    other.originOffsetX *= t.lowerLineLength / other.lowerLineLength;
    other.cellHeight *= t.lineSpacing / other.lineSpacing;
    other.lowerLineLength = t.lowerLineLength;
    other.lineSpacing = t.lineSpacing;
    int total = 0;
    const int shown = GuideBarsShown(card, other, locationFor(other, at), total);
    EXPECT_LT(shown, kGuideBarsShown * total) << shown << " of " << total;
}

INSTANTIATE_TEST_SUITE_P(Layouts, CardDesignTest, ::testing::ValuesIn(layoutNames()));
INSTANTIATE_TEST_SUITE_P(RandomLayouts, CardDesignTest, ::testing::ValuesIn(randomLayoutNames()));

}  // namespace
}  // namespace tarvel::cards
