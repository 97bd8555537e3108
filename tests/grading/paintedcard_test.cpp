// Judgement over cards painted in memory at the cell positions the reader
// computes, read through the real mark reader.
#include <gtest/gtest.h>

#include "grading/judgement.h"
#include "recognition/geometry.h"
#include "recognition/image.h"

namespace tarvel {
namespace {

// A small layout: 4 admission digits, a one-digit subject, a two-digit
// subjective score and 20 questions in four horizontal blocks.
CardTemplate testLayout() {
    CardTemplate t;
    t.cellWidth = 2.0f;
    t.cellHeight = 1.4f;
    t.abMode = 1;
    t.admissionX = 1;
    t.admissionY = -2;
    t.admissionDigits = 4;
    t.subjectX = 8;
    t.subjectY = -2;
    t.subjectColumns = 1;
    t.subjectRows = 10;
    t.subjectCount = 1;
    t.subjects[0] = {"3", "英语"};
    t.scoreX = 11;
    t.scoreY = -2;
    t.scoreDigits = 2;
    t.questionCount = 20;
    t.answerY = -15;
    t.blockPitchX = 5;
    t.blockPitchY = 6;
    t.areaOneColumns = 4;
    t.areaOneRows = 1;
    return t;
}

struct PaintedCard {
    std::string admission;  // digits or ' ' per column
    std::string subject = "3";
    std::string score = "  ";
    std::vector<std::string> answers;
};

void fillRect(Bitmap& b, int x0, int x1, int y0, int y1, uint8_t gray) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) b.setPixel(x, y, gray, gray, gray);
    }
}

// White paper, a light bracket on both sides of every cell, dark marks.
void paintCell(Bitmap& b, const LocationResult& p, const CellPos& c, bool marked) {
    const int x = int(c.x), y = int(c.y), w = int(p.cellW), h = int(p.cellH);
    fillRect(b, x + 1, x + 1, y - h + 4, y - 4, 190);
    fillRect(b, x + w - 2, x + w - 2, y - h + 4, y - 4, 190);
    if (marked) fillRect(b, x + 4, x + w - 5, y - h + 3, y - 2, 35);
}

void paintDigits(Bitmap& b, const LocationResult& p, const CellGrid& g, const std::string& digits) {
    for (int i = 0; i < g.columns; ++i) {
        for (int j = 0; j < g.rows; ++j) {
            bool marked = i < int(digits.size()) && digits[i] == char('0' + j);
            paintCell(b, p, g.at(i, j), marked);
        }
    }
}

Bitmap paint(const CardTemplate& t, const LocationResult& p, const PaintedCard& card) {
    Bitmap b(kCanvasSize, kCanvasSize, 3);
    CardCells cells;
    computeCells(t, p, 0, cells);
    paintDigits(b, p, cells.admission, card.admission);
    paintDigits(b, p, cells.subject, card.subject);
    paintDigits(b, p, cells.score, card.score);
    for (int q = 0; q < cells.questionCount; ++q) {
        const std::string a = q < int(card.answers.size()) ? card.answers[q] : "";
        for (int o = 0; o < 4; ++o) {
            paintCell(b, p, cells.options[q][o], a.find(char('A' + o)) != std::string::npos);
        }
    }
    return b;
}

class PaintedJudging : public ::testing::Test {
protected:
    PaintedJudging() : layout(testLayout()), place(placementFor(layout, 10.0f, 40.0f, 780.0f)) {
        roster.admissionLength = 4;
        roster.students = {{"1234", "张三", "", ""}, {"5678", "李四", "", ""}};
        settings.subjectCode = "3";
        settings.hasSubjectiveScore = true;
        settings.sections[0] = {1, 15, 2.0f, kSingleChoice};
        settings.sections[1] = {16, 20, 4.0f, kMultipleChoice};
        settings.sectionCount = 2;
        for (int q = 1; q <= 15; ++q) settings.questions[q - 1] = {2.0f, kSingleChoice, 0, 0};
        for (int q = 16; q <= 20; ++q) settings.questions[q - 1] = {4.0f, kMultipleChoice, 1.0f, 0};
        settings.questionCount = 20;
    }

    Judgement judge(const PaintedCard& card) {
        Bitmap normalized = paint(layout, place, card);
        Bitmap confirmation = normalized.clone();
        MarkReader reader(layout, CardFamily::DY, place, normalized, confirmation, prompter);
        MarkReaderMarks marks(reader);
        JudgeContext context{roster, settings, GroupChoice{}, records, lastNumber, prompt, prompter};
        return JudgeCard(marks, context);
    }

    CardTemplate layout;
    LocationResult place;
    Roster roster;
    ExamSettings settings;
    GradingRecords records;
    std::string lastNumber;
    std::string prompt;
    ScriptedPrompter prompter;
};

std::vector<std::string> key() {
    return {"A", "B", "C", "D", "A", "B", "C", "D", "A", "B", "C", "D", "A", "B", "C",
            "AB", "CD", "ABC", "BD", "ABCD"};
}

TEST_F(PaintedJudging, StandardAnswerThenStudentsFromPaintedCards) {
    Judgement j = judge({"    ", "3", "  ", key()});
    ASSERT_FALSE(j.accepted);  // no subjective score marked on the standard card
    EXPECT_EQ(prompt, "主观分读取失败");

    j = judge({"    ", "3", "00", key()});
    ASSERT_TRUE(j.accepted) << j.hint;
    ASSERT_EQ(records.size(), 1u);
    for (int q = 1; q <= 20; ++q) EXPECT_EQ(records[0].answer(q).view(), key()[q - 1]) << q;

    std::vector<std::string> answers = key();
    answers[0] = "B";      // wrong
    answers[15] = "A";     // missing option: 1 point
    answers[16] = "BCD";   // extra option
    answers[19] = "";      // blank multiple choice: wrong
    j = judge({"1234", "3", "85", answers});
    ASSERT_TRUE(j.accepted) << j.hint;
    const GradingRecord& r = records[1];
    EXPECT_EQ(r.name, "张三");
    EXPECT_EQ(r.subjectiveScore, 85.0f);
    EXPECT_EQ(r.objectiveScore, 14 * 2.0f + 1.0f + 2 * 4.0f);
    EXPECT_EQ(r.wrongCount, 2);
    EXPECT_EQ(r.missingCount, 1);
    EXPECT_EQ(r.extraCount, 1);
    EXPECT_EQ(prompt, "张三122分");

    j = judge({"5679", "3", "90", key()});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(prompt, "学生名单中没有此学生");
    j = judge({"5678", "2", "90", key()});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(prompt, "科目有误");
    j = judge({"    ", "3", "90", key()});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(prompt, "准考证号漏填");
    EXPECT_EQ(records.size(), 2u);
}

}  // namespace
}  // namespace tarvel
