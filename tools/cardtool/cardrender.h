#pragma once
// The card renderer: draws a layout's printed card (detection lines, bubbles
// with labels, question numbers, A/B flag cells, orientation mark, title and
// write-in boxes) from the same cell geometry the mark reader uses.
//
// Positions are picture coordinates (y up) of the drawing surface; the
// painter's device is flipped when drawn into. Layout units are millimetres.
#include <QImage>
#include <QPainter>

#include "layoutfile.h"
#include "recognition/geometry.h"
#include "recognition/image.h"

namespace tarvel::cards {

// Where a card lies on a surface: pixels per layout unit and the upper
// detection line's left end in picture coordinates.
struct CardPlacement {
    double scale = 1;
    double upperLeftX = 0;
    double upperLeftY = 0;
};

// A rectangle in layout units relative to the upper line's left end (y up).
struct Box {
    double left = 0, bottom = 0, right = 0, top = 0;
    double width() const { return right - left; }
    double height() const { return top - bottom; }
};

// The field-of-view box that card location tests: 1.5 cells beyond the line
// ends, 1 cell below the lower line, 12 cells above the upper line.
Box fieldOfViewBox(const CardTemplate& t);
// The paper edge of the card: the field-of-view box plus a margin.
Box sheetBox(const CardTemplate& t);
inline constexpr double kSheetMargin = 5.0;  // millimetres
// Thickness of the detection lines, millimetres.
inline constexpr double kLineThickness = 1.8;
// The frame around a digit grid runs this many cells below its last row,
// just round the guide bars.
inline constexpr double kFrameBelowGrid = 0.72;

// The placement a perfect location gives for this drawing (scale, cell size,
// origin and the line ends P1..P4 = Q1..Q4).
LocationResult locationFor(const CardTemplate& t, const CardPlacement& at);

// Draws the printed card (not the paper) onto a device `deviceHeight` pixels
// tall.
void paintCard(QPainter& painter, int deviceHeight, const CardDesign& design, const CardPlacement& at);

// Placement that puts the whole sheet on an image of the returned size.
CardPlacement sheetPlacement(const CardTemplate& t, double pixelsPerUnit, int& width, int& height);

// White paper with the printed card, at pixelsPerUnit.
QImage renderSheet(const CardDesign& design, double pixelsPerUnit, CardPlacement* placement = nullptr);

// Conversions between QImage and the recogniser's bottom-up BGR bitmaps.
Bitmap bitmapFromImage(const QImage& image, int bytesPerPixel = 3);
QImage imageFromBitmap(const Bitmap& bitmap);

// Creates the Qt application the drawing needs (offscreen platform) unless
// one exists. Safe to call many times.
void ensureGui();

}  // namespace tarvel::cards
