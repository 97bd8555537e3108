#include "recognition/pixelops.h"

#include <algorithm>
#include <cstdlib>

namespace tarvel {
namespace {

// For each channel value: the integer part and the hundredths of the weighted
// value, so the sum needs no multiplication or division per pixel.
struct GrayTables {
    uint8_t whole[3][256];
    uint8_t hundredths[3][256];
    GrayTables() {
        const int weights[3] = {30, 59, 11};  // red, green, blue
        for (int c = 0; c < 3; ++c) {
            for (int v = 0; v < 256; ++v) {
                whole[c][v] = static_cast<uint8_t>(weights[c] * v / 100);
                hundredths[c][v] = static_cast<uint8_t>(weights[c] * v % 100);
            }
        }
    }
};

const GrayTables& tables() {
    static const GrayTables t;
    return t;
}

}  // namespace

WeightTables::WeightTables() {
    for (int v = 0; v < 256; ++v) {
        red[v] = 30 * v;
        green[v] = 59 * v;
        blue[v] = 11 * v;
    }
}
const WeightTables kWeights;

int GrayOf(int red, int green, int blue) {
    const GrayTables& t = tables();
    int sum = t.whole[0][red] + t.whole[1][green] + t.whole[2][blue];
    int frac = t.hundredths[0][red] + t.hundredths[1][green] + t.hundredths[2][blue];
    if (frac >= 200) return sum + 2;
    if (frac >= 100) return sum + 1;
    return sum;
}

void BinarizeFixed(Bitmap& image, int threshold, int rows, int columns, int firstRow, int firstColumn) {
    Region r = Region{firstColumn, firstRow, columns, rows}.clippedTo(image);
    if (r.empty()) return;
    const int bpp = image.bytesPerPixel();
    // gray >= threshold exactly when the weighted sum reaches 100 * threshold.
    const int limit = 100 * threshold;
    for (int row = r.firstRow; row < r.firstRow + r.rows; ++row) {
        uint8_t* p = image.rowFromTop(row) + r.firstColumn * bpp;
        for (int c = 0; c < r.columns; ++c, p += bpp) {
            uint8_t v = weightedSum(p) >= limit ? 255 : 0;
            p[0] = v;
            p[1] = v;
            p[2] = v;
        }
    }
}

void BinarizeFixed(Bitmap& image, int threshold) {
    BinarizeFixed(image, threshold, image.height(), image.width(), 0, 0);
}

int IsodataThreshold(const Bitmap& image, int firstColumn, int firstRow, int columns, int rows) {
    Region r = Region{firstColumn, firstRow, columns, rows}.clippedTo(image);
    long long histogram[256] = {};
    int minValue = 255;
    int maxValue = 0;
    const int bpp = image.bytesPerPixel();
    for (int row = r.firstRow; row < r.firstRow + r.rows; ++row) {
        const uint8_t* p = image.rowFromTop(row) + r.firstColumn * bpp;
        for (int c = 0; c < r.columns; ++c, p += bpp) {
            int g = grayOfPixel(p);
            ++histogram[g];
            minValue = std::min(minValue, g);
            maxValue = std::max(maxValue, g);
        }
    }
    if (minValue == 255 || maxValue == 0) return 128;

    int t = (minValue + maxValue) / 2;
    int previous = 0;
    for (int round = 0; round < 100 && t != previous; ++round) {
        previous = t;
        long long sumLow = 0, countLow = 0, sumHigh = 0, countHigh = 0;
        for (int v = minValue; v < t; ++v) {
            sumLow += v * histogram[v];
            countLow += histogram[v];
        }
        for (int v = t + 1; v <= maxValue; ++v) {
            sumHigh += v * histogram[v];
            countHigh += histogram[v];
        }
        int m1 = countLow ? static_cast<int>(sumLow / countLow) : 0;
        int m2 = countHigh ? static_cast<int>(sumHigh / countHigh) : 255;
        t = (m1 + m2) / 2;
    }
    return t;
}

int BinarizeAdaptive(Bitmap& image, int firstColumn, int rows, int columns, int firstRow) {
    int t = IsodataThreshold(image, firstColumn, firstRow, columns, rows);
    BinarizeFixed(image, t, rows, columns, firstRow, firstColumn);
    return t;
}

int BlackPercent(const Bitmap& image) {
    long long total = static_cast<long long>(image.width()) * image.height();
    if (total == 0) return 0;
    long long black = 0;
    const int bpp = image.bytesPerPixel();
    const uint8_t* p = image.data();
    for (long long i = 0; i < total; ++i, p += bpp) black += (*p == 0);
    return static_cast<int>(black * 100 / total);
}

int MotionMeasure(const Bitmap& previous, const Bitmap& current) {
    if (previous.width() != current.width() || previous.height() != current.height() ||
        previous.bytesPerPixel() != current.bytesPerPixel() || current.empty()) {
        return -1;
    }
    const int bpp = current.bytesPerPixel();
    long long sum = 0;
    for (int r = 0; r < current.height(); r += 2) {
        const uint8_t* a = previous.rowFromTop(r);
        const uint8_t* b = current.rowFromTop(r);
        for (int x = 0; x < current.width(); x += 2) {
            sum += std::abs(grayOfPixel(a + x * bpp) - grayOfPixel(b + x * bpp));
        }
    }
    long long divisor = static_cast<long long>(current.width()) * current.height() * 100 / 3072;
    if (divisor <= 0) return -1;
    long long q = sum / divisor;
    return q == 0 ? -1 : static_cast<int>(q);
}

}  // namespace tarvel
