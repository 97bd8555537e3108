#pragma once
// Cell geometry of a card layout: where every bubble lies for a given scale,
// cell size and grid origin. Pure functions, usable at any resolution, so that
// the card renderer draws cards from the same formulas the reader uses.
//
// Coordinates are picture coordinates (y grows upward). A cell is given by its
// top-left corner and covers x .. x + cellW, y - cellH .. y.
#include <array>

#include "recognition/cardtemplate.h"

namespace tarvel {

struct IntPoint {
    int x = 0;
    int y = 0;
    bool operator==(const IntPoint& o) const { return x == o.x && y == o.y; }
};

// Placement of the layout on the rectified card (filled by card location).
struct LocationResult {
    float scale = 0;
    float cellW = 0;
    float cellH = 0;
    float originX = 0;
    float originY = 0;
    std::array<IntPoint, 4> P;  // lower-left, lower-right, upper-left, upper-right
    std::array<IntPoint, 4> Q;
};

// A placement for drawing: scale in pixels per layout unit and the upper
// detection line's left end; origin as the reader computes it.
LocationResult placementFor(const CardTemplate& t, float scale, float upperLeftX, float upperLeftY);

struct CellPos {
    float x = 0;
    float y = 0;
};

inline constexpr int kGridCapacity = 20 * 15;

struct CellGrid {
    int columns = 0;
    int rows = 0;
    std::array<CellPos, kGridCapacity> cells{};
    const CellPos& at(int column, int row) const { return cells[column * rows + row]; }
};

// Grid of `columns` x `rows` cells at (gx, gy) cell units; rows run downward.
// Columns and rows are limited to the capacity of the table.
void makeGrid(const LocationResult& place, int columns, int rows, float gx, float gy, CellGrid& grid);

// Offset of answer block k from the answer area's corner for paper A (0) or B (1).
CellPos blockOffset(const CardTemplate& t, int abFlag, int k, float bpx, float bpy);

struct CardCells {
    CellGrid admission;
    CellGrid subject;
    CellGrid score;
    int questionCount = 0;
    std::array<std::array<CellPos, 4>, kMaxQuestions> options{};
};

void computeCells(const CardTemplate& t, const LocationResult& place, int abFlag, CardCells& cells);

// The A/B flag cell (paper B when paperB) and the orientation-mark column.
CellPos abFlagCell(const CardTemplate& t, const LocationResult& place, bool paperB);
void orientationGrid(const CardTemplate& t, const LocationResult& place, CellGrid& grid);
// The same cells turned by 180 degrees about the centre of the two lines.
void turnedOrientationGrid(const CardTemplate& t, const LocationResult& place, CellGrid& grid);

// The guide bars a card prints in mid-gray (drop-out red on machine-readable
// cards): one under each digit-grid column, in the cell below its last row,
// and one beside each answer block (right of its options when they run
// across, under them when they run down). The reader binarizes each with its
// column or block in the confirmation image, where a bar keeps the light
// print of an empty column white, and looks for them to tell a card of its
// layout from a card of another.
struct GuideBar {
    float left = 0, bottom = 0, right = 0, top = 0;  // picture coordinates
    bool upright = false;                           // its long side runs up and down
};
inline constexpr int kMaxGuideBars = 3 * kMaxAdmissionDigits + kMaxQuestions / 5;
struct GuideBars {
    int count = 0;
    std::array<GuideBar, kMaxGuideBars> bars{};
};
// The bars of the answer blocks as paper A prints them (paper B where the
// layout always reads paper B).
void guideBars(const CardTemplate& t, const LocationResult& place, GuideBars& out);

}  // namespace tarvel
