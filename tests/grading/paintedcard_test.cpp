// Judgement of sample cards painted in memory at the cell positions the
// reader computes, read through the real mark reader.
#include <gtest/gtest.h>

#include "grading/judgement.h"
#include "tests/samplecard/samplecard.h"

namespace tarvel {
namespace {

struct PaintedCard {
    std::string admission;  // a digit or ' ' per column
    std::string subject = "01";
    std::string score = "000";
    std::vector<std::string> answers;
};

void markDigits(sample::SampleCard& card, const CellGrid& grid, const std::string& digits) {
    for (int i = 0; i < int(digits.size()) && i < grid.columns; ++i) {
        if (digits[i] != ' ') card.markDigit(grid, i, digits[i] - '0');
    }
}

class PaintedJudging : public ::testing::Test {
protected:
    PaintedJudging() {
        roster.admissionLength = 9;
        roster.students = {{"201001001", "张三", "", ""}, {"201001002", "李四", "", ""}};
        settings.subjectCode = "01";
        settings.hasSubjectiveScore = true;
        settings.sections[0] = {1, 75, 1.0f, kSingleChoice};
        settings.sections[1] = {76, 85, 2.5f, kMultipleChoice};
        settings.sectionCount = 2;
        for (int q = 1; q <= 75; ++q) settings.questions[q - 1] = {1.0f, kSingleChoice, 0, 0};
        for (int q = 76; q <= 85; ++q) settings.questions[q - 1] = {2.5f, kMultipleChoice, 1.0f, 0};
        settings.questionCount = 85;
    }

    Judgement judge(const PaintedCard& painted) {
        sample::SampleCard card(sample::sampleLayout(1));
        CardCells cells;
        computeCells(card.layout, card.place, 0, cells);
        markDigits(card, cells.admission, painted.admission);
        markDigits(card, cells.subject, painted.subject);
        markDigits(card, cells.score, painted.score);
        for (size_t q = 0; q < painted.answers.size(); ++q) card.markAnswer(int(q), painted.answers[q]);
        MarkReader reader(card.layout, CardFamily::DY, card.place, card.normalized, card.confirmation, prompter);
        MarkReaderMarks marks(reader);
        Judgement j = JudgeCard(marks, {roster, settings, GroupChoice{}, prompter}, records, lastNumber);
        if (j.prompt) prompt = *j.prompt;
        return j;
    }

    Roster roster;
    ExamSettings settings;
    GradingRecords records;
    std::string lastNumber;
    std::string prompt;
    ScriptedPrompter prompter;
};

std::vector<std::string> key() {
    std::vector<std::string> answers;
    for (int q = 0; q < 75; ++q) answers.push_back(std::string(1, char('A' + (q * 7) % 4)));
    for (const char* m : {"AB", "CD", "ABC", "BD", "ABCD", "AC", "BC", "ACD", "AD", "ABD"}) answers.push_back(m);
    return answers;
}

TEST_F(PaintedJudging, StandardAnswerThenStudentsFromPaintedCards) {
    Judgement j = judge({"         ", "01", "   ", key()});
    ASSERT_FALSE(j.accepted);  // no subjective score marked on the standard card
    EXPECT_EQ(prompt, "主观分读取失败");

    j = judge({"         ", "01", "000", key()});
    ASSERT_TRUE(j.accepted) << j.hint;
    ASSERT_EQ(records.size(), 1u);
    for (int q = 1; q <= 85; ++q) EXPECT_EQ(records[0].answer(q).view(), key()[q - 1]) << q;

    std::vector<std::string> answers = key();
    answers[0] = answers[0] == "A" ? "B" : "A";  // wrong
    answers[75] = "A";                           // missing option: 1 point
    answers[76] = "BCD";                         // extra option
    answers[84] = "";                            // blank multiple choice: wrong
    j = judge({"201001001", "01", "085", answers});
    ASSERT_TRUE(j.accepted) << j.hint;
    const GradingRecord& r = records[1];
    EXPECT_EQ(r.name, "张三");
    EXPECT_EQ(r.subjectiveScore, 85.0f);
    EXPECT_EQ(r.objectiveScore, 74 * 1.0f + 1.0f + 7 * 2.5f);
    EXPECT_EQ(r.wrongCount, 2);
    EXPECT_EQ(r.missingCount, 1);
    EXPECT_EQ(r.extraCount, 1);
    EXPECT_EQ(prompt, "张三177.5分");

    // The same card again, read the same: a second read, nothing asked.
    j = judge({"201001001", "01", "085", answers});
    EXPECT_TRUE(j.accepted);
    EXPECT_EQ(j.hint, "该答题卡这次阅卷结果和上次相同，已经阅卷次数：2");

    j = judge({"201001003", "01", "090", key()});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(prompt, "学生名单中没有此学生");
    j = judge({"201001002", "02", "090", key()});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(prompt, "科目有误");
    j = judge({"         ", "01", "090", key()});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(prompt, "准考证号漏填");
    EXPECT_EQ(records.size(), 2u);
    EXPECT_TRUE(prompter.shown().empty());
}

}  // namespace
}  // namespace tarvel
