#include <gtest/gtest.h>

#include "recognition/reading.h"
#include "tests/samplecard/samplecard.h"

using namespace tarvel;
using namespace tarvel::sample;

namespace {

// Runs the reading operations in the order the judgement uses them.
CardReading readCard(SampleCard& card, ScriptedPrompter& prompter, const std::array<bool, kMaxQuestions>& multiple = {},
                     CardFamily family = CardFamily::DY, int admissionLength = 9) {
    MarkReader reader(card.layout, family, card.place, card.normalized, card.confirmation, prompter);
    CardReading r;
    reader.PrepareCardGeometry(r);
    reader.BinarizeReadingAreas();
    reader.ReadAdmissionNumber(r, admissionLength);
    reader.ReadSubjectCode(r);
    reader.ReadSubjectiveScore(r);
    reader.ReadAnswers(r, card.layout.questionCount, multiple);
    return r;
}

CardCells cellsOf(const SampleCard& card, int abFlag = 0) {
    CardCells cells;
    computeCells(card.layout, card.place, abFlag, cells);
    return cells;
}

}  // namespace

TEST(MarkReading, DigitsBlanksAndAnswersOfAWholeCard) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    const std::string number = "20100 307";  // column 5 left blank
    for (int i = 0; i < 9; ++i) {
        if (number[i] != ' ') card.markDigit(cells.admission, i, number[i] - '0');
    }
    card.markDigit(cells.subject, 0, 0);
    card.markDigit(cells.subject, 1, 2);
    card.markDigit(cells.score, 0, 0);
    card.markDigit(cells.score, 1, 8);
    card.markDigit(cells.score, 2, 5);
    const char* letters[] = {"A", "B", "C", "D", ""};
    for (int q = 0; q < 85; ++q) card.markAnswer(q, letters[q % 5]);

    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter);
    EXPECT_TRUE(prompter.shown().empty());
    EXPECT_EQ(r.abFlag, 0);
    EXPECT_EQ(r.admissionNumber, number);
    EXPECT_EQ(r.subjectCode, "02");
    EXPECT_EQ(r.subjectiveScore, 85.0f);
    for (int q = 0; q < 85; ++q) EXPECT_EQ(r.answers[q], letters[q % 5]) << "question " << q + 1;
}

TEST(MarkReading, AdmissionNumberIsCutToTheRosterLength) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    for (int i = 0; i < 9; ++i) card.markDigit(cells.admission, i, i);
    ScriptedPrompter prompter;
    EXPECT_EQ(readCard(card, prompter, {}, CardFamily::DY, 3).admissionNumber, "012");
    SampleCard blank(sampleLayout(1));
    EXPECT_EQ(readCard(blank, prompter).admissionNumber, "         ") << "a blank card reads blank columns";
}

TEST(MarkReading, DarkestCellWinsAndTiesGoToTheUpperCell) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    card.mark(cells.admission.at(0, 3), 0.5f);
    card.mark(cells.admission.at(0, 7), 0.9f);
    card.mark(cells.admission.at(1, 6), 0.5f);
    card.mark(cells.admission.at(1, 2), 0.5f);
    ScriptedPrompter prompter;
    std::string number = readCard(card, prompter).admissionNumber;
    EXPECT_EQ(number.substr(0, 2), "72");
}

TEST(MarkReading, TenPercentIsNotAMarkElevenIs) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    // A cell's inner part (15 % in from each side, the bottom two rows left
    // out) is 14 x 10 = 140 pixels: 14 dark pixels are 10 %, 16 are 11 %.
    auto darken = [&](const CellPos& c, int pixels) {
        int x = static_cast<int>(c.x) + 3, y = static_cast<int>(c.y) - 3;
        for (int i = 0; i < pixels; ++i) {
            for (Bitmap* b : {&card.normalized, &card.confirmation}) b->setPixel(x + i % 14, y - i / 14, 40, 40, 40);
        }
    };
    darken(cells.options[0][1], 14);
    darken(cells.options[1][2], 16);
    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter);
    EXPECT_EQ(r.answers[0], "");
    EXPECT_EQ(r.answers[1], "C");
}

TEST(MarkReading, MultipleChoiceTakesEveryMarkedOptionSingleOnlyTheDarkest) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    card.mark(cells.options[0][0], 0.9f);
    card.mark(cells.options[0][2], 0.4f);
    card.markAnswer(1, "BD");
    card.mark(cells.options[2][1], 0.5f);
    card.mark(cells.options[2][3], 0.9f);
    std::array<bool, kMaxQuestions> multiple{};
    multiple[0] = multiple[1] = true;
    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter, multiple);
    EXPECT_EQ(r.answers[0], "AC");
    EXPECT_EQ(r.answers[1], "BD");
    EXPECT_EQ(r.answers[2], "D") << "single choice keeps the darkest cell";
}

TEST(MarkReading, AMarkWithoutConfirmedPixelsReadsBlank) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    card.markAnswer(0, "B");
    card.markNormalizedOnly(cells.options[1][2]);
    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter);
    EXPECT_EQ(r.answers[0], "B");
    EXPECT_EQ(r.answers[1], "");
}

TEST(MarkReading, QuestionsBeyondTheLayoutReadBlank) {
    SampleCard card(sampleLayout(1));
    card.markAnswer(84, "C");
    ScriptedPrompter prompter;
    MarkReader reader(card.layout, CardFamily::DY, card.place, card.normalized, card.confirmation, prompter);
    CardReading r;
    r.answers[90] = "X";
    reader.PrepareCardGeometry(r);
    reader.BinarizeReadingAreas();
    reader.ReadAnswers(r, 100, {});
    EXPECT_EQ(r.answers[84], "C");
    EXPECT_EQ(r.answers[90], "");
}

TEST(MarkReading, SubjectiveScoreMustBeANumber) {
    auto scoreOf = [](const std::string& digits, float* value) {
        SampleCard card(sampleLayout(1));
        CardCells cells = cellsOf(card);
        for (int i = 0; i < 3; ++i) {
            if (digits[i] != ' ') card.markDigit(cells.score, i, digits[i] - '0');
        }
        ScriptedPrompter prompter;
        MarkReader reader(card.layout, CardFamily::DY, card.place, card.normalized, card.confirmation, prompter);
        CardReading r;
        reader.PrepareCardGeometry(r);
        reader.BinarizeReadingAreas();
        bool ok = reader.ReadSubjectiveScore(r);
        *value = r.subjectiveScore;
        return ok;
    };
    float v = 0;
    EXPECT_TRUE(scoreOf("085", &v));
    EXPECT_EQ(v, 85.0f);
    EXPECT_TRUE(scoreOf(" 92", &v));
    EXPECT_EQ(v, 92.0f);
    EXPECT_FALSE(scoreOf("8 5", &v));
    EXPECT_FALSE(scoreOf("85 ", &v)) << "a blank after a digit may be a missed digit";
    EXPECT_FALSE(scoreOf("   ", &v));
}

TEST(PaperFlag, ModesAndFlagCells) {
    struct Case {
        int abMode;
        bool markA, markB;
        int flag;
        bool message;
    };
    const Case cases[] = {
        {0, true, false, 0, false}, {0, false, true, 1, false}, {0, true, true, 1, false},
        {0, false, false, 0, true}, {1, false, true, 0, false}, {2, false, false, 1, false},
    };
    for (const Case& c : cases) {
        SampleCard card(sampleLayout(c.abMode));
        if (c.markA) card.markPaperFlag(false);
        if (c.markB) card.markPaperFlag(true);
        ScriptedPrompter prompter;
        MarkReader reader(card.layout, CardFamily::DY, card.place, card.normalized, card.confirmation, prompter);
        CardReading r;
        reader.PrepareCardGeometry(r);
        EXPECT_EQ(r.abFlag, c.flag) << "mode " << c.abMode << " A " << c.markA << " B " << c.markB;
        EXPECT_EQ(prompter.texts(), c.message ? std::vector<std::string>{"AB卷标识未选"} : std::vector<std::string>{});
    }
}

TEST(PaperFlag, PaperBReadsTheAnswersFromItsOwnBlockArrangement) {
    SampleCard card(sampleLayout(2));
    // Question 21 (block 4) sits in column 1 on paper B but in column 4 on paper A.
    card.markAnswer(20, "D", 1);
    card.markAnswer(0, "A", 1);
    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter);
    EXPECT_EQ(r.abFlag, 1);
    EXPECT_EQ(r.answers[20], "D");
    EXPECT_EQ(r.answers[0], "A");
    CardCells a = cellsOf(card, 0), b = cellsOf(card, 1);
    EXPECT_NE(a.options[20][0].x, b.options[20][0].x);
}

TEST(PaperFlag, ALightPrintedFlagOutlineIsNotAMark) {
    SampleCard card(sampleLayout(0));
    card.markPaperFlag(false);
    // A flag outline printed darker than usual but lighter than 128 stays white.
    CellPos b = abFlagCell(card.layout, card.place, true);
    fillRect(card.normalized, static_cast<int>(b.x), static_cast<int>(b.y) - 13, static_cast<int>(b.x) + 19,
             static_cast<int>(b.y) - 1, 140);
    ScriptedPrompter prompter;
    MarkReader reader(card.layout, CardFamily::DY, card.place, card.normalized, card.confirmation, prompter);
    CardReading r;
    reader.PrepareCardGeometry(r);
    EXPECT_EQ(r.abFlag, 0);
}

TEST(VerticalOptions, OptionsRunDownAndQuestionsAcross) {
    SampleCard card(sampleLayout(1, 1));
    card.markAnswer(0, "B");
    card.markAnswer(3, "D");
    card.markAnswer(49, "C");
    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter);
    EXPECT_EQ(r.answers[0], "B");
    EXPECT_EQ(r.answers[3], "D");
    EXPECT_EQ(r.answers[49], "C");
    EXPECT_EQ(r.answers[1], "");
    CardCells cells = cellsOf(card);
    EXPECT_EQ(cells.options[1][0].x - cells.options[0][0].x, card.place.cellW);
    EXPECT_EQ(cells.options[0][0].y - cells.options[0][1].y, card.place.cellH);
}

TEST(Orientation, UprightOnlyWithTheMarkInPlace) {
    SampleCard card(sampleLayout(1));
    card.markOrientation();
    card.markAnswer(0, "A");
    ScriptedPrompter prompter;
    {
        MarkReader reader(card.layout, CardFamily::DY, card.place, card.normalized, card.confirmation, prompter);
        EXPECT_TRUE(reader.IsUpright());
    }
    SampleCard turned(sampleLayout(1));
    turned.markOrientation();
    turned.markAnswer(0, "A");
    turned.turn180();
    MarkReader reader(turned.layout, CardFamily::DY, turned.place, turned.normalized, turned.confirmation, prompter);
    EXPECT_FALSE(reader.IsUpright());

    SampleCard missing(sampleLayout(1));
    MarkReader none(missing.layout, CardFamily::DY, missing.place, missing.normalized, missing.confirmation, prompter);
    EXPECT_FALSE(none.IsUpright());
}

TEST(Orientation, AMarkWithoutGapsIsNotTheOrientationMark) {
    SampleCard card(sampleLayout(1));
    CellGrid grid;
    orientationGrid(card.layout, card.place, grid);
    const CellPos& top = grid.at(0, 0);
    // One solid block over all three cells leaves no empty rows.
    for (Bitmap* b : {&card.normalized, &card.confirmation}) {
        fillRect(*b, static_cast<int>(top.x), static_cast<int>(top.y - 3 * card.place.cellH) - 2,
                 static_cast<int>(top.x) + 19, static_cast<int>(top.y) + 1, 20);
    }
    ScriptedPrompter prompter;
    MarkReader reader(card.layout, CardFamily::DY, card.place, card.normalized, card.confirmation, prompter);
    EXPECT_FALSE(reader.IsUpright());
}

TEST(ReferenceOutline, GrayLevelFollowsTheCardFamily) {
    EXPECT_EQ(referenceOutlineGray(CardFamily::DY, 150), 80);
    EXPECT_EQ(referenceOutlineGray(CardFamily::JD, 150), 30);
    EXPECT_EQ(referenceOutlineGray(CardFamily::Other, 150), 0);
    EXPECT_EQ(referenceOutlineGray(CardFamily::DY, 60), 0) << "below zero is drawn black";
    EXPECT_EQ(referenceOutlineGray(CardFamily::JD, 100), 0);
}

// Careless pencil work: spills into the neighbouring cells are not marks, a
// light but real second mark of a multiple-choice answer is.
TEST(MarkReading, ANeighboursSpillIsNotAMarkALightSecondMarkIs) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    // Options run across (cells 20 wide), questions down (14 high).
    auto paint = [&](int x0, int y0, int x1, int y1, uint8_t gray) {
        fillRect(card.normalized, x0, y0, x1, y1, gray);
        fillRect(card.confirmation, x0, y0, x1, y1, gray);
    };
    auto whole = [&](const CellPos& c) {
        const int x = static_cast<int>(c.x), y = static_cast<int>(c.y);
        paint(x + 2, y - 12, x + 17, y - 1, sample::kPencil);
        return IntPoint{x, y};
    };
    // Question 1: A filled and running a fifth of a cell on into B.
    IntPoint a = whole(cells.options[0][0]);
    paint(a.x + 18, a.y - 12, a.x + 23, a.y - 1, sample::kPencil);
    // Question 2: C filled and running a fifth of a cell down into question 3's C.
    IntPoint c = whole(cells.options[1][2]);
    paint(c.x + 2, c.y - 17, c.x + 17, c.y - 12, sample::kPencil);
    // Question 4: A dark, C light and a little smaller, both meant.
    whole(cells.options[3][0]);
    const IntPoint light{static_cast<int>(cells.options[3][2].x), static_cast<int>(cells.options[3][2].y)};
    paint(light.x + 4, light.y - 11, light.x + 15, light.y - 3, 125);

    std::array<bool, kMaxQuestions> multiple{};
    for (int q = 0; q < 5; ++q) multiple[q] = true;
    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter, multiple);
    EXPECT_EQ(r.answers[0], "A");
    EXPECT_EQ(r.answers[1], "C");
    EXPECT_EQ(r.answers[2], "") << "a spill into a blank question";
    EXPECT_EQ(r.answers[3], "AC");
}

TEST(MarkReading, AMarkRunningUpIntoTheCellAboveIsReadOnlyInItsOwn) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    // Questions run down, 14 pixels a cell: the cell above lies 14 higher.
    auto paint = [&](const CellPos& c, int dx0, int dy0, int dx1, int dy1) {
        const int x = static_cast<int>(c.x), y = static_cast<int>(c.y);
        for (Bitmap* b : {&card.normalized, &card.confirmation}) {
            fillRect(*b, x + dx0, y + dy0, x + dx1, y + dy1, sample::kPencil);
        }
    };
    // Question 2's B, drawn 6 rows high: it fills a third of the inner part
    // of question 1's B, which is left blank.
    paint(cells.options[1][1], 2, -8, 17, 5);
    // Question 4's D fills its cell; question 3's D is a smaller mark in the
    // lower half of its cell, touching it: two marks, both meant.
    paint(cells.options[3][3], 2, -12, 17, -1);
    paint(cells.options[2][3], 2, -14, 17, -7);
    ScriptedPrompter prompter;
    CardReading r = readCard(card, prompter);
    EXPECT_EQ(r.answers[0], "") << "a spill from below";
    EXPECT_EQ(r.answers[1], "B");
    EXPECT_EQ(r.answers[2], "D");
    EXPECT_EQ(r.answers[3], "D");
}

TEST(MarkReading, ADigitColumnDarkOverThreeCellsInARowReadsBlank) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    // A shadow over the foot of column 0; two marks side by side in
    // column 1; a mark with lighter neighbours above and below in column 2.
    for (int j = 6; j < 10; ++j) card.mark(cells.admission.at(0, j), j == 6 ? 0.6f : 1.0f);
    card.mark(cells.admission.at(1, 4), 0.9f);
    card.mark(cells.admission.at(1, 5), 0.9f);
    card.mark(cells.admission.at(2, 2), 0.4f);
    card.mark(cells.admission.at(2, 3), 0.9f);
    card.mark(cells.admission.at(2, 4), 0.4f);
    ScriptedPrompter prompter;
    std::string number = readCard(card, prompter).admissionNumber;
    EXPECT_EQ(number.substr(0, 3), " 43");
}
