// Whole locations of synthetic frames: cards that must be read back exactly,
// and frames that must be refused with the code their fault calls for.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "recognition/cardread.h"
#include "synthetic.h"

namespace tarvel {
namespace {

using synthetic::Card;
using synthetic::Pose;

struct Outcome {
    ReadResult code = ReadResult::Ok;
    WholeReading read;
    LocationDetails details;
};

Outcome locateAndRead(const std::vector<synthetic::Rect>& rects, const CardTemplate& layout, const Pose& pose = {},
                      int bytesPerPixel = 3, bool multiple = false) {
    ImageSet images;
    images.create(bytesPerPixel);
    synthetic::paint(images.frame, rects, pose);
    LocationResult result;
    CardLocator locator;
    Outcome out;
    out.code = ReadCardFrame(images, layout, CardFamily::DY, result, locator);
    out.details = locator.details();
    if (out.code == ReadResult::Ok) {
        ScriptedPrompter prompter;
        ReadOptions options;
        options.admissionLength = layout.admissionDigits;
        options.questionCount = layout.questionCount;
        options.multiple.fill(multiple);
        ReadLocatedCard(layout, CardFamily::DY, result, images, prompter, options, out.read);
    }
    return out;
}

void expectReadsBack(const Card& card, const Outcome& out) {
    ASSERT_EQ(out.code, ReadResult::Ok);
    EXPECT_EQ(out.read.reading.admissionNumber, card.truth.admissionNumber);
    EXPECT_EQ(out.read.reading.subjectCode, card.truth.subjectCode);
    EXPECT_EQ(out.read.scoreText, card.truth.scoreText);
    for (int q = 0; q < card.questions; ++q) {
        EXPECT_EQ(out.read.reading.answers[q], card.truth.answers[q]) << "question " << q + 1;
    }
}

Outcome locateCard(const Card& card, const Pose& pose = {}) {
    return locateAndRead(synthetic::cardRects(card), card.layout, pose);
}

TEST(LocateCard, CardsReadBackAtAnyPoseInsideTheFrame) {
    std::mt19937 random(1);
    const Pose poses[] = {{0, 0, 0}, {0.05, 10, -20}, {-0.1, -30, 15}, {0.2, 0, 0}, {-0.25, 5, 0}, {0.02, -60, 60}};
    for (const Pose& pose : poses) {
        SCOPED_TRACE(testing::Message() << "angle " << pose.angle << " shift " << pose.shiftX << "," << pose.shiftY);
        Card card = synthetic::randomCard(random, false);
        expectReadsBack(card, locateCard(card, pose));
    }
}

TEST(LocateCard, MultipleChoiceAnswersAndFourBytePixels) {
    std::mt19937 random(2);
    Card card = synthetic::randomCard(random, true);
    expectReadsBack(card, locateAndRead(synthetic::cardRects(card), card.layout, {0.03, 0, 0}, 4, true));
}

TEST(LocateCard, LineEndsAreMeasuredOnTheBinaryFrame) {
    Card card;
    Outcome out = locateCard(card);
    ASSERT_EQ(out.code, ReadResult::Ok);
    const int left = static_cast<int>(card.lineLeft);
    const int right = static_cast<int>(card.lineLeft + card.lineLength) - 1;
    const int bottom = static_cast<int>(card.lineBottom);
    const int top = bottom + 175;
    const IntPoint expected[4] = {{left, bottom}, {right, bottom}, {left, top}, {right, top}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(out.details.lineEnds[k], expected[k]) << "end " << k + 1;
    }
}

// Refusals: each fault of the frame gives its own code.

TEST(LocateCard, DarkDeskIsRefusedBeforeAnyLineSearch) {
    const CardTemplate layout = synthetic::testLayout();
    // 640 x 101 black pixels are 21 % of the frame; 640 x 100 are 20.8 %,
    // which the whole-percent share counts as 20 and lets through.
    EXPECT_EQ(locateAndRead({{0, 379, 640, 480}}, layout).code, ReadResult::TooMuchBlack);
    EXPECT_NE(locateAndRead({{0, 380, 640, 480}}, layout).code, ReadResult::TooMuchBlack);
    ImageSet images;
    images.create(3);
    images.frame.fill(40, 40, 40);
    LocationResult result;
    CardLocator locator;
    EXPECT_EQ(ReadCardFrame(images, layout, CardFamily::DY, result, locator), ReadResult::TooMuchBlack);
}

TEST(LocateCard, LinesThatDoNotMakeAPairAreRefused) {
    const CardTemplate layout = synthetic::testLayout();
    EXPECT_EQ(locateAndRead({{100, 108, 541, 113}}, layout).code, ReadResult::TooFewLines);
    // Lengths 30 pixels apart.
    EXPECT_EQ(locateAndRead({{100, 108, 541, 113}, {100, 283, 511, 288}}, layout).code, ReadResult::NoFittingPair);
    // Parallel and alike, but 12 pixels apart where the layout wants 175.
    EXPECT_EQ(locateAndRead({{100, 108, 541, 113}, {100, 125, 541, 130}}, layout).code, ReadResult::NoFittingPair);
    // Angles 0.15 radians apart.
    Card tilted;
    std::vector<synthetic::Rect> rects = {{100, 108, 541, 113}};
    ImageSet images;
    images.create(3);
    synthetic::paint(images.frame, rects);
    synthetic::paint(images.binary, {{100, 283, 541, 288}}, {0.15, 0, 50});
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            if (images.binary.pixel(x, y)[0] < 100) images.frame.setPixel(x, y, 20, 20, 20);
        }
    }
    LocationResult result;
    CardLocator locator;
    EXPECT_EQ(ReadCardFrame(images, layout, CardFamily::DY, result, locator), ReadResult::NoFittingPair);
    EXPECT_EQ(locator.details().lines.size(), 2u);
}

TEST(LocateCard, LineRunningOutOfThePictureGivesItsSide) {
    const CardTemplate layout = synthetic::testLayout();
    Card card;
    card.lineLeft = -30;
    EXPECT_EQ(locateCard(card).code, ReadResult::LowerLeftOut);
    card.lineLeft = kFrameWidth - card.lineLength + 30;
    EXPECT_EQ(locateCard(card).code, ReadResult::LowerRightOut);
    const synthetic::Rect lower{40, 108, 481, 113};
    EXPECT_EQ(locateAndRead({lower, {-10, 283, 430, 288}}, layout).code, ReadResult::UpperLeftOut);
    EXPECT_EQ(locateAndRead({lower, {210, 283, 651, 288}}, layout).code, ReadResult::UpperRightOut);
}

TEST(LocateCard, CardCornerOutsideTheViewGivesItsCorner) {
    Card card;
    card.lineBottom = 4;
    EXPECT_EQ(locateCard(card).code, ReadResult::LowerLeftCornerOut);
    card = Card{};
    card.lineLeft = 190;
    EXPECT_EQ(locateCard(card).code, ReadResult::LowerRightCornerOut);
    card = Card{};
    card.lineBottom = 225;
    EXPECT_EQ(locateCard(card).code, ReadResult::UpperLeftCornerOut);
    // Turned clockwise, the upper right corner leaves the view first.
    EXPECT_EQ(locateCard(Card{}, {-0.3, 60, 0}).code, ReadResult::UpperRightCornerOut);
}

TEST(LocateCard, UpperCornerOutWithoutOrientationMarkMeansUpsideDown) {
    Card card;
    card.lineBottom = 225;
    card.orientationMark = false;
    EXPECT_EQ(locateCard(card).code, ReadResult::UpsideDown);
    // Turned by 180 degrees, the header lies below the lines.
    EXPECT_EQ(locateCard(Card{}, {M_PI, 0, 30}).code, ReadResult::UpsideDown);
}

// The read with retry.

TEST(CardRead, FaintLinesAreFoundOnTheRetryAt120) {
    Card card;
    card.lineGray = 110;  // white at threshold 100, black at 120
    ImageSet images;
    images.create(3);
    synthetic::paint(images.frame, synthetic::cardRects(card));
    LocationResult result;
    CardLocator locator;
    int judged = 0;
    EXPECT_EQ(ReadCardFrame(images, card.layout, CardFamily::DY, result, locator, [&] { return ++judged > 0; }),
              ReadResult::Ok);
    EXPECT_EQ(judged, 1);
    // The binary frame stays at 100: the faint lines are white there.
    EXPECT_FALSE(images.binary.isBlack(200, 110));
}

TEST(CardRead, ExceptionCountsAsNoLinesAndIsRetriedRejectionIsNot) {
    Card card;
    ImageSet images;
    images.create(3);
    LocationResult result;
    CardLocator locator;
    int calls = 0;
    synthetic::paint(images.frame, synthetic::cardRects(card));
    ReadResult code = ReadCardFrame(images, card.layout, CardFamily::DY, result, locator, [&]() -> bool {
        ++calls;
        throw std::runtime_error("judgement failed");
    });
    EXPECT_EQ(code, ReadResult::TooFewLines);
    EXPECT_EQ(calls, 2);

    calls = 0;
    synthetic::paint(images.frame, synthetic::cardRects(card));
    code = ReadCardFrame(images, card.layout, CardFamily::DY, result, locator, [&] { return ++calls < 0; });
    EXPECT_EQ(code, ReadResult::Refused);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tarvel
