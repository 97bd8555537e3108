#include <gtest/gtest.h>

#include "recognition/reading.h"
#include "tests/samplecard/samplecard.h"

using namespace tarvel;
using namespace tarvel::sample;

namespace {

// Runs the reading operations in the order the judgement uses them.
CardReading readCard(SampleCard& card, ScriptedPrompter& prompter, const std::array<bool, kMaxQuestions>& multiple = {},
                     CardFamily family = CardFamily::DY, int admissionLength = 9,
                     ReadMethod method = ReadMethod::Mended) {
    MarkReader reader(card.layout, family, card.place, card.normalized, card.confirmation, prompter, method);
    CardReading r;
    reader.PrepareCardGeometry(r);
    reader.BinarizeReadingAreas();
    reader.ReadAdmissionNumber(r, admissionLength);
    reader.ReadSubjectCode(r);
    reader.ReadSubjectiveScore(r);
    reader.ReadAnswers(r, card.layout.questionCount, multiple);
    return r;
}

// The card read mended and as written, each from a copy of its images (the
// reading binarizes them in place).
std::pair<CardReading, CardReading> readBothWays(const SampleCard& card,
                                                const std::array<bool, kMaxQuestions>& multiple = {}) {
    ScriptedPrompter prompter;
    std::pair<CardReading, CardReading> both;
    for (const ReadMethod method : {ReadMethod::Mended, ReadMethod::Written}) {
        SampleCard copy(card.layout);
        copy.place = card.place;
        copy.normalized.copyFrom(card.normalized);
        copy.confirmation.copyFrom(card.confirmation);
        (method == ReadMethod::Mended ? both.first : both.second) =
            readCard(copy, prompter, multiple, CardFamily::DY, 9, method);
    }
    return both;
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

TEST(MarkReading, ADigitColumnDarkAndFlatOverThreeCellsInARowReadsBlank) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    // Column 0: a shadow over its foot. Column 1: two marks side by side.
    // Column 2: a mark with lighter neighbours above and below. Column 3: one
    // mark blurred into its neighbours, which reach half its darkness.
    // Column 4: three cells about as dark as each other, a smear.
    for (int j = 6; j < 10; ++j) card.mark(cells.admission.at(0, j), j == 6 ? 0.6f : 1.0f);
    card.mark(cells.admission.at(1, 4), 0.9f);
    card.mark(cells.admission.at(1, 5), 0.9f);
    card.mark(cells.admission.at(2, 2), 0.4f);
    card.mark(cells.admission.at(2, 3), 0.9f);
    card.mark(cells.admission.at(2, 4), 0.4f);
    card.mark(cells.admission.at(3, 4), 0.55f);
    card.mark(cells.admission.at(3, 5), 1.0f);
    card.mark(cells.admission.at(3, 6), 0.55f);
    for (int j = 2; j <= 4; ++j) card.mark(cells.admission.at(4, j), j == 3 ? 0.8f : 0.7f);
    const auto [mended, written] = readBothWays(card);
    EXPECT_EQ(mended.admissionNumber.substr(0, 5), " 435 ");
    // As written the darkest cell of a column is its digit, whatever lies around it.
    EXPECT_EQ(written.admissionNumber.substr(0, 5), "74353");
}

// The block's share rule leaves out what fills under 30 % of the block's
// darkest cell: it costs a genuine second mark that light, and it saves
// every answer a neighbour's spill or a stray dot would spoil. The corpora
// count both (tarvel-accuracy); the rule stays.
TEST(MarkReading, ASixtyTwelveTenPercentQuestionReadsItsDarkestMarkOnly) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    // Dark pixels in the inner part of a cell, which both reads sample.
    auto darken = [&](const CellPos& c, int pixels) {
        const int x = static_cast<int>(c.x) + 3, y = static_cast<int>(c.y) - 3;
        for (int i = 0; i < pixels; ++i) {
            for (Bitmap* b : {&card.normalized, &card.confirmation}) b->setPixel(x + i % 14, y - i / 14, 40, 40, 40);
        }
    };
    // As written a cell samples 20 x 12 = 240 pixels: 144 dark are 60 %, 29
    // are 12 %, 24 are 10 %.
    for (int q : {0, 1}) {
        darken(cells.options[q][0], 144);
        darken(cells.options[q][2], 29);
        darken(cells.options[q][3], 24);
    }
    std::array<bool, kMaxQuestions> multiple{};
    multiple[0] = true;
    const auto [mended, written] = readBothWays(card, multiple);
    EXPECT_EQ(mended.answers[0], "A");
    EXPECT_EQ(mended.answers[1], "A");
    EXPECT_EQ(written.answers[0], "AC");
    EXPECT_EQ(written.answers[1], "A");
}

// A mark a quarter cell off centre, blurred over into the next column's
// inner part, is no digit of that column.
TEST(MarkReading, AMarkSpillingIntoTheNextDigitColumnIsNoDigitOfIt) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    // Column 1's 7, its left edge 4 pixels into column 0 (cells 20 wide).
    const CellPos& c = cells.admission.at(1, 7);
    const int x = static_cast<int>(c.x), y = static_cast<int>(c.y);
    for (Bitmap* b : {&card.normalized, &card.confirmation}) fillRect(*b, x - 4, y - 12, x + 11, y - 2, kPencil);
    card.markDigit(cells.admission, 2, 1);
    const auto [mended, written] = readBothWays(card);
    EXPECT_EQ(mended.admissionNumber.substr(0, 3), " 71");
    EXPECT_EQ(written.admissionNumber.substr(0, 3), "771");
}

// Beside dark marks a faint one fills under 30 % of the darkest: alone in
// its question it still counts. A cell that only the run of a darker
// neighbour's mark darkens does not, however long that run.
TEST(MarkReading, AFaintMarkAmongDarkOnesCountsALongRunFromBelowDoesNot) {
    SampleCard card(sampleLayout(1));
    CardCells cells = cellsOf(card);
    auto paint = [&](int x0, int y0, int x1, int y1) {
        for (Bitmap* b : {&card.normalized, &card.confirmation}) fillRect(*b, x0, y0, x1, y1, kPencil);
    };
    // Question 3's A (cells 20 x 14, questions running down) filled to its
    // bottom and on 4 rows up into question 2's A: 2 of the 10 rows read.
    const CellPos& a3 = cells.options[2][0];
    const int x = static_cast<int>(a3.x), y = static_cast<int>(a3.y);
    paint(x + 2, y - 13, x + 17, y + 3);
    // Question 4's C: a faint mark of 7 x 5 in the middle, a quarter of the 14 x 10 read.
    const CellPos& c4 = cells.options[3][2];
    const int cx = static_cast<int>(c4.x), cy = static_cast<int>(c4.y);
    paint(cx + 7, cy - 9, cx + 13, cy - 5);
    const auto [mended, written] = readBothWays(card);
    EXPECT_EQ(mended.answers[1], "");
    EXPECT_EQ(mended.answers[2], "A");
    EXPECT_EQ(mended.answers[3], "C");
    EXPECT_EQ(written.answers[1], "A");
    EXPECT_EQ(written.answers[3], "C");
}

// Small cells (6.8 pixels) whose block is binarized a little narrower than
// its four options (the area's width is truncated): D's mark, drawn two
// pixels left and ending on the last binarized column, runs into C. The run
// ends where the gray paper beyond the block starts; it is no longer than a
// mark, so C is D's spill, not a third option.
TEST(MarkReading, ASpillFromTheLastOptionEndsAtTheBlocksEdge) {
    CardTemplate layout = sampleLayout(1);
    layout.cellHeight = 20;
    SampleCard card(layout);
    card.place = placementFor(layout, 0.3385f, 60.98f, 600.65f);
    card.normalized.fill(kPaper, kPaper, kPaper);
    CardCells cells = cellsOf(card);
    const CellPos& a = cells.options[1][0];
    const int x = static_cast<int>(a.x), y = static_cast<int>(a.y);
    for (Bitmap* b : {&card.normalized, &card.confirmation}) {
        b->fill(kPaper, kPaper, kPaper);
        fillRect(*b, x + 8, y - 7, x + 12, y - 2, kPencil);   // B
        fillRect(*b, x + 19, y - 6, x + 26, y - 1, kPencil);  // D, two pixels left
    }
    std::array<bool, kMaxQuestions> multiple{};
    multiple[1] = true;
    const auto [mended, written] = readBothWays(card, multiple);
    EXPECT_EQ(mended.answers[1], "BD");
    EXPECT_EQ(written.answers[1], "BCD");
}
