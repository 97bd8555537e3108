#pragma once
// Mark reading: turns a rectified card (the normalized card and its
// confirmation copy, with the layout's placement) into a CardReading.
#include <array>
#include <cstdint>
#include <string>

#include "base/prompter.h"
#include "recognition/cardtemplate.h"
#include "recognition/geometry.h"
#include "recognition/image.h"
#include "recognition/readmethod.h"

namespace tarvel {

struct CardReading {
    int32_t abFlag = 0;           // 0 paper A, 1 paper B
    std::string admissionNumber;  // one character per column, ' ' where unreadable
    std::string subjectCode;
    float subjectiveScore = 0;
    std::array<std::string, kMaxQuestions> answers;  // "A", "BD", ... or ""

    void clear() { *this = CardReading{}; }
};

// Gray of the reference outline drawn into the confirmation image after an
// area was binarized with `threshold`: darker for machine-readable cards.
int referenceOutlineGray(CardFamily family, int threshold);

// Option letters for a 4-bit mask (A = 1, B = 2, C = 4, D = 8).
const char* AnswerLetters(int mask);

inline constexpr const char* kNoPaperFlagMessage = "AB卷标识未选";

// Share of a cell's width and height left unsampled on each side.
inline constexpr float kCellMargin = 0.15f;
// An answer cell counts as marked only when its fill is at least this
// percentage of the darkest fill in its block of five questions (so also of
// its own question's darkest option).
inline constexpr int kShareOfDarkest = 30;
// A question none of whose cells reaches that share still keeps its darkest
// cell when it fills this much and is no spill: a faint mark among dark ones.
inline constexpr int kFaintMarkFill = 20;

// A mark that runs over its cell's edge and darkens the cell beside it is
// one run of dark rows no longer than this many cell heights (in tenths):
// a longer run is two marks touching.
inline constexpr int kSpillRunTenths = 12;
inline constexpr int kSpillMostFill = 65;

// A digit column with this many cells in a row at least kSmearShare percent
// as dark as its darkest cell reads blank, unless the darkest stands out of
// them: its fill at least kStandsOut percent of its darker neighbour's.
inline constexpr int kSmearCells = 3;
inline constexpr int kSmearShare = 50;
inline constexpr int kStandsOut = 140;

class MarkReader {
public:
    // normalized: the rectified card; confirmation: its copy (the rotation
    // canvas after location). Both 800 x 800.
    MarkReader(const CardTemplate& layout, CardFamily family, const LocationResult& place, Bitmap& normalized,
               Bitmap& confirmation, Prompter& prompter, ReadMethod method = ReadMethod::Mended);

    // Cell tables and the A/B flag (may show "AB卷标识未选").
    void PrepareCardGeometry(CardReading& reading);
    // Adaptive binarization of every grid and answer block in both images.
    void BinarizeReadingAreas();

    std::string ReadDigitColumns(const CellGrid& grid);
    void ReadAdmissionNumber(CardReading& reading, int admissionLength);
    void ReadSubjectCode(CardReading& reading);
    // False when the digits read are not a number.
    bool ReadSubjectiveScore(CardReading& reading);
    // multiple[q] tells whether question q + 1 is multiple choice.
    void ReadAnswers(CardReading& reading, int questionCount, const std::array<bool, kMaxQuestions>& multiple);

    bool IsUpright();

    const CardCells& cells() const { return cells_; }
    // For measurements: per question of the last ReadAnswers, the options
    // (A = 1 ... D = 8) it would have read without the block's share rule.
    const std::array<uint8_t, kMaxQuestions>& withoutShareRule() const { return withoutShareRule_; }
    int lastThreshold() const { return lastThreshold_; }

private:
    struct Sample {
        int count = 0;
        int dark = 0;
        int confirmed = 0;
        int fill() const { return count ? dark * 100 / count : 0; }
    };

    bool flagCellMarked(const CellPos& cell);
    void binarizeCellColumns(const CellGrid& grid);
    void binarizeNormalized(int firstColumn, int rows, int columns, int firstRow);
    void drawReferenceOutline(float ax, float ay);
    Sample sampleCell(const CellPos& cell) const;
    enum class Line { Dark, Light, Gray };
    Line lineAt(const CellPos& cell, bool across, int at) const;
    bool lineDark(const CellPos& cell, bool across, int at) const;
    bool runsIntoDarker(const CellPos& cell, int fill) const;
    bool isSpill(const CellPos& cell, int fill, bool across) const;

    const CardTemplate& layout_;
    CardFamily family_;
    const LocationResult& place_;
    Bitmap& normalized_;
    Bitmap& confirmation_;
    Prompter& prompter_;
    ReadMethod method_;
    CardCells cells_;
    std::array<uint8_t, kMaxQuestions> withoutShareRule_{};
    int lastThreshold_ = 0;
};

}  // namespace tarvel
