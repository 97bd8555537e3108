#include "grading/gradinggrid.h"

#include <gtest/gtest.h>

#include "grading/scoring.h"
#include "tests/grading/tenandtwo.h"

namespace tarvel {
namespace {

using testing::tenAndTwo;

GradingRecord card(const std::string& number, const std::string& grade, const std::string& cls,
                   const std::string& answers) {
    GradingRecord r;
    r.readCount = 1;
    r.admissionNumber = number;
    r.name = "生" + number;
    r.gradeCode = grade;
    r.classCode = cls;
    for (size_t q = 0; q < answers.size(); ++q) {
        r.answers[q].answer = answers[q] == '-' ? AnswerText() : AnswerText(std::string(1, answers[q]));
    }
    return r;
}

Roster twoGrades() {
    Roster r;
    r.gradesEnabled = true;
    r.classesEnabled = true;
    r.grades = {{"初一", "11111"}, {"初二", "22222"}};
    r.students = {{"1", "a", "11111", "01"}, {"2", "b", "22222", "02"}, {"3", "c", "11111", ""},
                  {"4", "d", "11111", "01"}};
    return r;
}

GradingRecords sampleRecords() {
    GradingRecords records{card("     ", "", "", "ABCDABCDAB"), card("1", "11111", "01", "ABCDABCDAA"),
                           card("2", "22222", "02", "AAAAAAAAAA"), card("4", "11111", "01", "ABCDABCDAB")};
    return records;
}

TEST(GradingFilter, SelectorsFollowTheStoredFilter) {
    Roster r = twoGrades();
    EXPECT_EQ(classItems(r), std::vector<std::string>({"所有班级", "01", "02"}));
    GroupChoice c = choiceFromFilter(r, {"22222", "ALL"});
    EXPECT_TRUE(c.gradeChosen);
    EXPECT_EQ(c.gradeIndex, 1);
    EXPECT_EQ(c.gradeCode, "22222");
    EXPECT_EQ(c.classIndex, 0);
    c = choiceFromFilter(r, {"99999", "02"});
    EXPECT_FALSE(c.gradeChosen);
    EXPECT_EQ(c.classIndex, 2);
    EXPECT_EQ(choiceFromFilter(r, {"", "07"}).classIndex, -1);

    GradingFilter f;
    chooseGrade(r, 1, f);
    chooseClass(r, 0, f);
    EXPECT_EQ(f.gradeCode, "22222");
    EXPECT_EQ(f.classCode, "ALL");
    chooseClass(r, 1, f);
    EXPECT_EQ(f.classCode, "01");
}

TEST(GradingFilter, ShownRecordsFollowGradeAndClass) {
    Roster r = twoGrades();
    GradingRecords records = sampleRecords();
    EXPECT_EQ(shownRecords(r, choiceFromFilter(r, {"11111", "ALL"}), records), std::vector<int>({0, 1, 3}));
    EXPECT_EQ(shownRecords(r, choiceFromFilter(r, {"11111", "02"}), records), std::vector<int>({0}));
    // No grade chosen yet (a new run): only the standard answer.
    EXPECT_EQ(shownRecords(r, choiceFromFilter(r, {"", "ALL"}), records), std::vector<int>({0}));
    r.gradesEnabled = false;
    r.classesEnabled = false;
    EXPECT_EQ(shownRecords(r, choiceFromFilter(r, {}), records), std::vector<int>({0, 1, 2, 3}));
    std::vector<int> shown{0, 1, 3};
    EXPECT_EQ(gridRowOf(records, shown, "4"), 3);
    EXPECT_EQ(gridRowOf(records, shown, "2"), 0);
}

TEST(GridRows, HeadersAndRowTexts) {
    ExamSettings s = tenAndTwo();
    std::vector<std::string> headers = gridHeaders(s);
    ASSERT_EQ(headers.size(), 25u);
    EXPECT_EQ(headers[1], "阅卷状态");
    EXPECT_EQ(headers[12], "错选");
    EXPECT_EQ(headers[13], "1");
    EXPECT_EQ(headers[24], "12");
    std::vector<int> widths = questionColumnWidths(s);
    EXPECT_EQ(widths[9], 20);
    EXPECT_EQ(widths[10], 30);

    GradingRecords records = sampleRecords();
    records[1].readCount = 3;
    records[1].paperType = 1;
    records[1].gradeName = "初一";
    records[1].subjectiveScore = 85.0f;
    ScoreCard(records[1], records[0], s);
    std::vector<std::string> row = gridRowTexts(records[1], 2, s);
    ASSERT_EQ(row.size(), 25u);
    EXPECT_EQ(row[0], "1");
    EXPECT_EQ(row[1], "已阅3次");
    EXPECT_EQ(row[2], "B");
    EXPECT_EQ(row[3], "1");
    EXPECT_EQ(row[4], "生1");
    EXPECT_EQ(row[5], "初一");
    EXPECT_EQ(row[6], "01");
    EXPECT_EQ(row[7], "98");  // 85 + 9 right + two empty standard answers of 2
    EXPECT_EQ(row[8], "85");
    EXPECT_EQ(row[9], "13");
    EXPECT_EQ(row[12], "1");
    EXPECT_EQ(row[22], "A");
    EXPECT_EQ(row[23], "");

    EXPECT_TRUE(markedAsDifferent(records[1], records[0], 10));
    EXPECT_FALSE(markedAsDifferent(records[1], records[0], 9));
    EXPECT_FALSE(markedAsDifferent(records[1], records[0], 11));  // empty standard answer

    std::vector<std::string> standard = gridRowTexts(records[0], 1, s);
    EXPECT_EQ(standard[0], "");
    EXPECT_EQ(standard[4], "标准答案");
    EXPECT_EQ(standard[2], "A");
}

TEST(ScoreCardTest, SumsSectionsAndCounters) {
    ExamSettings s = tenAndTwo();
    GradingRecord standard = card("  ", "", "", "ABCDABCDAB");
    standard.answers[10].answer = "ABC";
    standard.answers[11].answer = "BD";
    GradingRecord r = card("1", "", "", "ABCDABCDCC");  // 9 and 10 wrong
    r.answers[10].answer = "AB";    // missing option
    r.answers[11].answer = "ABD";   // extra option
    r.subjectiveScore = 0.5f;
    r.sectionScores[5] = 99.0f;  // stale values are cleared
    ScoreCard(r, standard, s);
    EXPECT_EQ(r.objectiveScore, 8.0f);
    EXPECT_EQ(r.sectionScores[0], 8.0f);
    EXPECT_EQ(r.sectionScores[1], 0.0f);
    EXPECT_EQ(r.sectionScores[5], 0.0f);
    EXPECT_EQ(r.total, 8.5f);
    EXPECT_EQ(r.wrongCount, 2);
    EXPECT_EQ(r.missingCount, 1);
    EXPECT_EQ(r.extraCount, 1);
    EXPECT_EQ(r.answers[8].outcome, '3');
    EXPECT_EQ(r.answers[10].outcome, '2');
    EXPECT_EQ(r.answers[11].outcome, '1');
    EXPECT_EQ(r.answers[0].outcome, '0');
    EXPECT_EQ(r.answers[0].score, 1.0f);
}

TEST(StandardAnswerEditing, KeyFilter) {
    auto key = [](const std::string& text, int start, int length, char k, bool multiple) {
        auto edit = filterStandardAnswerKey(text, start, length, k, multiple);
        return edit ? edit->text : std::string("dropped");
    };
    EXPECT_EQ(key("", 0, 0, 'c', true), "C");
    EXPECT_EQ(key("C", 1, 0, 'A', true), "dropped");
    EXPECT_EQ(key("C", 0, 0, 'A', true), "AC");
    EXPECT_EQ(key("AC", 1, 0, 'b', true), "ABC");
    EXPECT_EQ(key("AC", 1, 0, 'C', true), "dropped");
    EXPECT_EQ(key("AC", 2, 0, 'e', true), "dropped");
    EXPECT_EQ(key("B", 1, 0, 'C', false), "dropped");
    EXPECT_EQ(key("B", 0, 0, 'A', false), "dropped");
    EXPECT_EQ(key("B", 0, 1, 'C', false), "C");
    EXPECT_EQ(key("B", 1, 0, '\b', false), "");
    EXPECT_EQ(key("ABD", 1, 1, '\b', true), "AD");
    // A replaced selection must keep the ascending form too.
    EXPECT_EQ(key("ABD", 0, 1, 'C', true), "dropped");
    EXPECT_EQ(filterStandardAnswerKey("C", 0, 0, 'a', true)->caret, 1);

    EXPECT_TRUE(isAnswerText("ABCD", true));
    EXPECT_FALSE(isAnswerText("BA", true));
    EXPECT_FALSE(isAnswerText("AB", false));
    EXPECT_FALSE(isAnswerText("a", true));
    EXPECT_TRUE(standardAnswerCellEditable(1, 13, 1));
    EXPECT_FALSE(standardAnswerCellEditable(1, 12, 1));
    EXPECT_FALSE(standardAnswerCellEditable(2, 13, 1));
    EXPECT_FALSE(standardAnswerCellEditable(1, 13, 0));
}

TEST(StandardAnswerEditing, TotalsChangeOnlyOnRecalculationForEveryRecord) {
    ExamSettings s = tenAndTwo();
    Roster r = twoGrades();
    GradingRecords records = sampleRecords();
    RecalculateScores(records, s);
    ASSERT_EQ(records[1].total, 9.0f + 4.0f);
    ASSERT_EQ(records[2].total, 3.0f + 4.0f);

    bool edited = false;
    EXPECT_TRUE(setStandardAnswer(records, 10, "A", "B", false, edited));
    EXPECT_TRUE(edited);
    EXPECT_EQ(records[1].total, 13.0f);
    EXPECT_FALSE(setStandardAnswer(records, 11, "BA", "", true, edited));  // pasted, not ascending

    // Grade 22222's record is hidden by the filter but rescored all the same.
    refreshScores(records, s, edited);
    EXPECT_FALSE(edited);
    EXPECT_EQ(records[1].total, 14.0f);
    EXPECT_EQ(records[2].total, 4.0f + 4.0f);

    GradingRecords alone{records[0]};
    bool flag = false;
    setStandardAnswer(alone, 1, "B", "A", false, flag);
    EXPECT_FALSE(flag);  // no student records: nothing to rescore
}

TEST(RecordDeletion, OneRecordAndTheStandardAnswer) {
    ScriptedPrompter p;
    GradingRecords records = sampleRecords();
    EXPECT_TRUE(deleteRecord(records, "2", p));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].admissionNumber, "4");

    EXPECT_FALSE(deleteRecord(records, "     ", p));
    EXPECT_EQ(records.size(), 3u);
    ASSERT_EQ(p.shown().size(), 1u);
    EXPECT_EQ(p.shown()[0].kind, PromptKind::Message);

    GradingRecords alone{records[0]};
    EXPECT_TRUE(deleteRecord(alone, "     ", p));
    EXPECT_TRUE(alone.empty());

    EXPECT_TRUE(deleteOneEnabled(1, 1, 1));
    EXPECT_FALSE(deleteOneEnabled(1, 1, 0));
    EXPECT_FALSE(deleteOneEnabled(3, 1, 3));
    EXPECT_TRUE(deleteOneEnabled(3, 2, 3));
}

TEST(RecordDeletion, AllShownRemovesOnlyTheFilteredStudents) {
    Roster r = twoGrades();
    GroupChoice gradeOne = choiceFromFilter(r, {"11111", "ALL"});
    GradingRecords records = sampleRecords();

    ScriptedPrompter no;
    no.answerNext(Answer::Yes);
    no.answerNext(Answer::Cancel);
    EXPECT_FALSE(deleteShownRecords(records, r, gradeOne, no));
    EXPECT_EQ(records.size(), 4u);
    ASSERT_EQ(no.shown().size(), 2u);
    EXPECT_EQ(no.shown()[0].text, "确定要删除本列表中所有阅卷记录吗？（请仔细考虑清楚）");
    EXPECT_EQ(no.shown()[0].kind, PromptKind::YesNo);
    EXPECT_EQ(no.shown()[1].text, "本列表中所有阅卷记录删除后将无法恢复，确定要删除吗？");
    EXPECT_EQ(no.shown()[1].kind, PromptKind::OkCancel);

    ScriptedPrompter yes;
    yes.answerNext(Answer::Yes);
    yes.answerNext(Answer::Ok);
    EXPECT_TRUE(deleteShownRecords(records, r, gradeOne, yes));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].admissionNumber, "     ");
    EXPECT_EQ(records[1].admissionNumber, "2");
}

}  // namespace
}  // namespace tarvel
