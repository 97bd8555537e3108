// Roster suggestions: which numbers are one slip away, which students of
// the chosen group are offered, and in what order.
#include "grading/suggestions.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

TEST(Slips, OneColumnOffOrTwoNeighboursSwappedAndNothingFurther) {
    struct Case {
        const char* read;
        const char* stored;
        std::optional<Slip> slip;
    };
    const Case cases[] = {
        {"202410105", "202410104", Slip::NeighbourBubble},
        {"202410105", "202410205", Slip::NeighbourBubble},  // any column
        {"902410105", "802410105", Slip::NeighbourBubble},  // the first column
        {"202410105", "202410109", Slip::OtherDigit},
        {"2024101 5", "202410105", Slip::OtherDigit},  // an unmarked column
        {"202410105", "202410150", Slip::SwappedColumns},
        {"202410105", "022410105", Slip::SwappedColumns},  // the first two columns
        {"202410105", "202410105", std::nullopt},          // the same number is no slip
        {"202410105", "202410501", std::nullopt},          // swapped, but not neighbours
        {"202410105", "202410114", std::nullopt},          // two columns differ
        {"202410105", "202410051", std::nullopt},          // a shift, three columns
        {"202410105", "20241010", std::nullopt},           // another length
        {"", "", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(slipBetween(c.read, c.stored), c.slip) << c.read << " / " << c.stored;
    }
}

class Suggesting : public ::testing::Test {
protected:
    Suggesting() {
        roster.classesEnabled = true;
        // Store order is not number order, so the sort is seen.
        for (const char* n : {"202410100", "202410150", "202410106", "202410135", "202410205", "202410104",
                              "202410199", "202410125", "202410115", "202410109"}) {
            roster.students.push_back({n, std::string("学生") + (n + 6), "", "01"});
        }
        roster.students.push_back({"202410107", "外班", "", "02"});
        classOne = choiceFromFilter(roster, {"", "01"});
        allClasses = choiceFromFilter(roster, {"", "ALL"});
    }
    static std::vector<std::string> numbers(const std::vector<StudentSuggestion>& found) {
        std::vector<std::string> out;
        for (const StudentSuggestion& s : found) out.push_back(s.admissionNumber);
        return out;
    }
    Roster roster;
    GroupChoice classOne, allClasses;
};

TEST_F(Suggesting, NeighbourBubblesThenSwapsThenOtherDigitsEachByNumberAtMostFive) {
    // 202410105 is one bubble from 104, 106, 115, 205; a swap from 150; one
    // other digit from 100, 109, 125, 135 (and 107 of class 02).
    const std::vector<StudentSuggestion> found = suggestStudents(roster, classOne, "202410105");
    EXPECT_EQ(numbers(found),
              (std::vector<std::string>{"202410104", "202410106", "202410115", "202410205", "202410150"}));
    ASSERT_EQ(found.size(), size_t(kMaxSuggestions));
    EXPECT_EQ(found[0].student, 5);
    EXPECT_EQ(found[0].name, "学生104");
    EXPECT_EQ(found[4].slip, Slip::SwappedColumns);

    // 109 is a swap of 190, ranked before the other digits.
    EXPECT_EQ(numbers(suggestStudents(roster, classOne, "202410190")),
              (std::vector<std::string>{"202410109", "202410100", "202410150", "202410199"}));
}

TEST_F(Suggesting, OnlyStudentsTheJudgementWouldAcceptAreOffered) {
    EXPECT_EQ(suggestionText(suggestStudents(roster, classOne, "202410177")), "");
    EXPECT_EQ(suggestionText(suggestStudents(roster, allClasses, "202410177")), "可能是：202410107 外班");

    // Grades on: only the chosen grade, and nothing while none is chosen.
    roster.gradesEnabled = true;
    roster.grades = {{"2024级", "20241"}};
    roster.students[6].gradeCode = "20241";  // 202410199
    EXPECT_EQ(numbers(suggestStudents(roster, choiceFromFilter(roster, {"20241", "ALL"}), "202410198")),
              std::vector<std::string>{"202410199"});
    EXPECT_TRUE(suggestStudents(roster, choiceFromFilter(roster, {"", "ALL"}), "202410198").empty());
}

}  // namespace
}  // namespace tarvel
