#pragma once
// Pixel operations on frame images: the gray measure, fixed and isodata
// binarization, black share and the motion measure between two frames.
// Regions are given in top-down rows and are clipped to the image, so nothing
// outside the image is ever read or written.
#include "recognition/image.h"

namespace tarvel {

// floor((30 R + 59 G + 11 B) / 100), computed through three 256-entry tables.
int GrayOf(int red, int green, int blue);

// The same value for a B-G-R pixel, from the weighted sum 30 R + 59 G + 11 B
// (one add per channel and a division by a constant): the pixel loops use it.
struct WeightTables {
    int red[256], green[256], blue[256];
    WeightTables();
};
extern const WeightTables kWeights;
inline int weightedSum(const uint8_t* bgr) {
    return kWeights.blue[bgr[0]] + kWeights.green[bgr[1]] + kWeights.red[bgr[2]];
}
inline int grayOfPixel(const uint8_t* bgr) { return weightedSum(bgr) / 100; }

// Pixels of the region with gray >= threshold become white, the others black.
void BinarizeFixed(Bitmap& image, int threshold, int rows, int columns, int firstRow, int firstColumn);
void BinarizeFixed(Bitmap& image, int threshold);  // the whole image

// Iterative isodata (Ridler-Calvard) threshold over a region.
int IsodataThreshold(const Bitmap& image, int firstColumn, int firstRow, int columns, int rows);

// Binarizes the region with its own isodata threshold and returns that
// threshold (the "last threshold" the mark reader needs next).
int BinarizeAdaptive(Bitmap& image, int firstColumn, int rows, int columns, int firstRow);

// Share of black pixels of the whole image in percent (integer division).
int BlackPercent(const Bitmap& image);

// Change between two binarized frames of equal size, sampled on every second
// row and column; -1 when the change is too small to measure.
int MotionMeasure(const Bitmap& previous, const Bitmap& current);

}  // namespace tarvel
