#pragma once
// A sample card painted in memory, for the self-test command, tests and
// benchmarks: a rectified 800 x 800 card of white paper,
// light bracket-style cell outlines and dark marks at the computed cell positions.
#include <string>

#include "recognition/cardtemplate.h"
#include "recognition/geometry.h"
#include "recognition/image.h"

namespace tarvel::sample {

inline constexpr uint8_t kPaper = 250;
inline constexpr uint8_t kOutline = 200;
inline constexpr uint8_t kPencil = 45;

// An 85-question layout whose geometry lands on whole pixels at scale 1:
// cells 20 x 14, upper line at (60, 600), blocks of 4 options x 5 questions.
CardTemplate sampleLayout(int abMode = 0, int optionsVertical = 0);
LocationResult samplePlacement(const CardTemplate& layout);

struct SampleCard {
    CardTemplate layout;
    LocationResult place;
    Bitmap normalized{kCanvasSize, kCanvasSize, 3};
    Bitmap confirmation{kCanvasSize, kCanvasSize, 3};

    explicit SampleCard(const CardTemplate& l);
    // Paints `share` (0..1) of the cell's sampled rows dark, from the top.
    void mark(const CellPos& cell, float share = 0.8f, uint8_t gray = kPencil);
    // Marks into the normalized card only (the confirmation copy stays clean).
    void markNormalizedOnly(const CellPos& cell, uint8_t gray = kPencil);
    void markDigit(const CellGrid& grid, int column, int digit) { mark(grid.at(column, digit)); }
    void markAnswer(int question, const std::string& letters, int abFlag = 0);
    void markOrientation();
    void markPaperFlag(bool paperB, float share = 0.8f);
    void turn180();
    // Copies the normalized card over the confirmation image, as location does.
    void syncConfirmation() { confirmation.copyFrom(normalized); }
};

void fillRect(Bitmap& image, int x0, int y0, int x1, int y1, uint8_t gray);  // inclusive, picture coords

}  // namespace tarvel::sample
