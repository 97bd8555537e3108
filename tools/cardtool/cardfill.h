#pragma once
// Filled cards: what a student marked, drawn as a 2B pencil leaves it.
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <string>
#include <vector>

#include "cardrender.h"
#include "rng.h"

namespace tarvel::cards {

// What is marked on a card. Texts hold one character per grid column, a blank
// ' ' for a column left empty.
struct CardContent {
    int abFlag = 0;                    // paper B = 1; ignored where the layout fixes it
    std::string admission;             // admissionDigits characters
    std::string subject;               // subjectColumns characters
    std::string score;                 // scoreDigits characters ("" without a score field)
    std::vector<std::string> answers;  // per question: option letters in A-D order, "" for none
};

// How the pencil marks look.
struct MarkStyle {
    int darkest = 40;          // gray range of an ordinary mark's core
    int lightest = 90;
    double faintShare = 0;     // share of answer marks drawn faint (gray 100-130)
    int smudges = 0;           // erased marks left in unmarked option cells
    int strayDots = 0;         // pencil dots outside the bubbles
    // Careless fills: a share of marks runs on past a careful fill's edge
    // (by bleedLow..bleedHigh of a cell, into the neighbour), another sits a
    // quarter cell off centre. Both are what a hurried student leaves.
    double bleedShare = 0;
    double bleedLow = 0.10;
    double bleedHigh = 0.25;
    double offCentreShare = 0;
};

// The paper flag a reader must find: fixed by abMode 1 and 2.
int effectiveAbFlag(const CardTemplate& t, int markedFlag);

// Draws the marks of `content` onto a card drawn with `paintCard` at `at`.
// The same start value gives the same marks.
void paintMarks(QPainter& painter, int deviceHeight, const CardDesign& design, const CardPlacement& at,
                const CardContent& content, const MarkStyle& style, uint64_t start);

// White paper with the printed card and the marks, at pixelsPerUnit.
QImage renderFilledSheet(const CardDesign& design, double pixelsPerUnit, const CardContent& content,
                         const MarkStyle& style, uint64_t start, CardPlacement* placement = nullptr);

// A random plausible card: admission number (blank for the standard-answer
// card), a subject from the layout's table, a score, a paper flag and answers
// that mix single letters, several letters (on the questions listed in
// `multiple`, 1-based) and blanks.
CardContent randomContent(const CardTemplate& t, Rng& rng, bool standardAnswer, std::vector<int>& multiple);

// Parses a content description: "admission=012345678 subject=02 score=085
// ab=B answers=A,BD,,C..." (answers comma separated, in question order).
// Returns "" or a message.
std::string parseContent(const std::string& text, const CardTemplate& t, CardContent& out);

}  // namespace tarvel::cards

namespace tarvel::cards {

// The card as a perfect location leaves it: drawn straight into an
// `size` x `size` bottom-up bitmap at `at` (with marks when content is given).
Bitmap renderRectified(const CardDesign& design, const CardPlacement& at, const CardContent* content,
                       const MarkStyle& style = {}, uint64_t start = 1, int size = kCanvasSize);

// A placement that centres the field-of-view box on a size x size canvas with
// the box `boxPixels` tall.
CardPlacement centredPlacement(const CardTemplate& t, double boxPixels, int size = kCanvasSize);

}  // namespace tarvel::cards
