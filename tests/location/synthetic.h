#pragma once
// Synthetic camera frames for the location tests and benchmarks: a small test
// layout, and a painter that draws filled rectangles given in card
// coordinates into a 640 x 480 frame through a rotation about the frame
// centre plus a shift.
#include <array>
#include <random>
#include <string>
#include <vector>

#include "recognition/cardtemplate.h"
#include "recognition/image.h"
#include "recognition/reading.h"

namespace tarvel::synthetic {

// An 85-question layout whose card fits a 640 x 480 frame at 2.5 pixels per unit.
CardTemplate testLayout();
inline constexpr const char* kTestLayoutName = "DYtest.dat";

struct Rect {
    double left, bottom, right, top;  // card coordinates, y up; right and top exclusive
    uint8_t gray = 20;
};

struct Pose {
    double angle = 0;  // radians, counter-clockwise about the frame centre
    double shiftX = 0;
    double shiftY = 0;
};

// Paper of the given gray with the rectangles painted over it.
void paint(Bitmap& frame, const std::vector<Rect>& rects, const Pose& pose = {}, uint8_t paper = 235);

// What is marked on a card.
struct Truth {
    int abFlag = 0;
    std::string admissionNumber;
    std::string subjectCode;
    std::string scoreText;
    std::array<std::string, kMaxQuestions> answers;
};

// What a card shows and where its lower detection line starts.
struct Card {
    CardTemplate layout = testLayout();
    double lineLeft = 100;    // lower line's left end, card coordinates
    double lineBottom = 110;  // lower line's centre row
    double lineLength = 441;  // pixels covered by each detection line
    double lineThickness = 5;
    bool orientationMark = true;
    bool guideBars = true;
    uint8_t lineGray = 20;
    Truth truth;
    int questions = 85;
};

// The placement of the layout on an upright card as location measures it.
float cardScale(const Card& card);
// Every rectangle of the card: the two lines, the orientation mark, the
// guide bars, and one filled rectangle per marked cell.
std::vector<Rect> cardRects(const Card& card);

// A card with random admission number, subject, score and answers (some
// questions left blank, some with several letters).
Card randomCard(std::mt19937& random, bool multiple);

// Bytes per pixel of the frames drawn.
Bitmap blankFrame(int bytesPerPixel = 3);

}  // namespace tarvel::synthetic
