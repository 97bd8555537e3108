// Cards drawn straight into the rectified image, placed where a perfect
// location puts them, must read exactly what was marked: a blank card blank
// everywhere, a filled card its marks, for every layout and both papers.
#include <gtest/gtest.h>

#include "base/prompter.h"
#include "cardfill.h"
#include "cards_test_helpers.h"
#include "recognition/reading.h"

namespace tarvel::cards {
namespace {

struct Read {
    CardReading reading;
    std::vector<std::string> messages;
    bool upright = false;
};

Read readCard(const CardDesign& d, const CardPlacement& at, Bitmap& normalized, int questions) {
    Bitmap confirmation = normalized.clone();
    const LocationResult place = locationFor(d.layout, at);
    ScriptedPrompter prompter;
    Read r;
    MarkReader reader(d.layout, d.family(), place, normalized, confirmation, prompter);
    reader.PrepareCardGeometry(r.reading);
    reader.BinarizeReadingAreas();
    reader.ReadAdmissionNumber(r.reading, d.layout.admissionDigits);
    reader.ReadSubjectCode(r.reading);
    if (d.layout.scoreDigits > 0) reader.ReadSubjectiveScore(r.reading);
    std::array<bool, kMaxQuestions> multiple{};
    multiple.fill(true);  // every cell above 10 % shows
    reader.ReadAnswers(r.reading, questions, multiple);
    r.messages = prompter.texts();
    return r;
}

class CardReadingTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CardReadingTest, BlankCardReadsBlankEverywhere) {
    const CardDesign d = shippedDesign(GetParam());
    for (double box : boxHeights()) {
        CardPlacement at = centredPlacement(d.layout, box);
        Bitmap image = renderRectified(d, at, nullptr);
        Read r = readCard(d, at, image, d.layout.questionCount);
        SCOPED_TRACE("box height " + std::to_string(box));
        EXPECT_EQ(r.reading.admissionNumber, std::string(d.layout.admissionDigits, ' '));
        EXPECT_EQ(r.reading.subjectCode, std::string(d.layout.subjectColumns, ' '));
        for (int q = 0; q < d.layout.questionCount; ++q) EXPECT_EQ(r.reading.answers[q], "") << "question " << q + 1;
    }
}

TEST_P(CardReadingTest, FilledCardReadsWhatWasMarked) {
    const CardDesign d = shippedDesign(GetParam());
    Rng rng(7);
    for (double box : boxHeights()) {
        for (int paper = 0; paper < 2; ++paper) {
            std::vector<int> multiple;
            CardContent c = randomContent(d.layout, rng, false, multiple);
            c.abFlag = effectiveAbFlag(d.layout, paper);
            CardPlacement at = centredPlacement(d.layout, box);
            MarkStyle style;
            style.strayDots = 6;
            Bitmap image = renderRectified(d, at, &c, style, rng.next());
            Read r = readCard(d, at, image, d.layout.questionCount);
            SCOPED_TRACE("box height " + std::to_string(box) + " paper " + std::to_string(c.abFlag));
            EXPECT_TRUE(r.messages.empty());
            EXPECT_EQ(r.reading.abFlag, c.abFlag);
            EXPECT_EQ(r.reading.admissionNumber, c.admission);
            EXPECT_EQ(r.reading.subjectCode, c.subject);
            if (d.layout.scoreDigits > 0) {
                std::string digits = c.score.substr(c.score.find_first_not_of(' '));
                EXPECT_FLOAT_EQ(r.reading.subjectiveScore, std::stof(digits));
            }
            for (int q = 0; q < d.layout.questionCount; ++q) {
                EXPECT_EQ(r.reading.answers[q], c.answers[q]) << "question " << q + 1;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, CardReadingTest, ::testing::ValuesIn(layoutNames()));

}  // namespace
}  // namespace tarvel::cards
