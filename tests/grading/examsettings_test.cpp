#include "grading/examsettings.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarvel {
namespace {

CardTemplate layout60() {
    CardTemplate t;
    t.questionCount = 60;
    t.subjectCount = 3;
    t.subjects[0] = {"1", "语文"};
    t.subjects[1] = {"2", "数学"};
    t.subjects[2] = {"3", "英语"};
    return t;
}

ExamPage basicPage() {
    ExamPage p;
    p.cardName = "DY60.dat";
    p.examName = "期中考试";
    p.subjectIndex = 2;
    p.subjectiveIndex = 1;
    p.sections = {{"1", "10", "1", "单选题"}, {"11", "20", "2", "多选题"}};
    return p;
}

TEST(ValidateExamPage, RebuildsSettingsAndQuestionTable) {
    ExamPage page = basicPage();
    page.rules = {{"11-12,15", "0.5/"}, {"15", "1"}};
    ExamSettings s;
    s.rules[7] = {"stale", "1"};
    ExamPageCheck c = ValidateExamPage(page, layout60(), s);
    ASSERT_TRUE(c.ok) << c.message;
    EXPECT_EQ(s.cardName, "DY60.dat");
    EXPECT_EQ(s.examName, "期中考试");
    EXPECT_EQ(s.subjectCode, "3");
    EXPECT_EQ(s.subjectName, "英语");
    EXPECT_TRUE(s.hasSubjectiveScore);
    EXPECT_EQ(s.sectionCount, 2);
    EXPECT_EQ(s.sections[1], (ScoreSection{11, 20, 2.0f, kMultipleChoice}));
    EXPECT_EQ(s.ruleCount, 2);
    EXPECT_EQ(s.rules[7], PartialCreditRule{});
    EXPECT_EQ(s.questionCount, 20);
    EXPECT_EQ(s.question(10), (QuestionRule{1.0f, kSingleChoice, 0, kPartialFixed}));
    EXPECT_EQ(s.question(11), (QuestionRule{2.0f, kMultipleChoice, 0.5f, kPartialPerOption}));
    EXPECT_EQ(s.question(13), (QuestionRule{2.0f, kMultipleChoice, 0, kPartialFixed}));
    // Named by both rules: the last one wins.
    EXPECT_EQ(s.question(15), (QuestionRule{2.0f, kMultipleChoice, 1.0f, kPartialFixed}));
    EXPECT_EQ(s.question(21), QuestionRule{});

    ExamPage shown = FillExamPage(s, layout60());
    EXPECT_EQ(shown.subjectIndex, 2);
    EXPECT_EQ(shown.sections[1].kind, "多选题");
    EXPECT_EQ(shown.sections[0].score, "1");
    EXPECT_EQ(shown.rules[0].questions, "11-12,15");
}

struct Case {
    const char* name;
    std::function<void(ExamPage&)> change;
    std::string message;
    ExamFocus focus;
    int column, row;
    bool editing;
};

TEST(ValidateExamPage, EachCheckReportsItsMessageAndFocus) {
    using F = ExamFocus;
    const Case cases[] = {
        {"empty name", [](ExamPage& p) { p.examName = ""; }, "本次考试名称不能为空。", F::ExamName, 0, 0, false},
        {"no subject", [](ExamPage& p) { p.subjectIndex = -1; }, "请选择科目。", F::Subject, 0, 0, false},
        {"no subjective option", [](ExamPage& p) { p.subjectiveIndex = -1; }, "请选择主观分选项。",
         F::SubjectiveOption, 0, 0, false},
        {"first is 0", [](ExamPage& p) { p.sections[0].first = "0"; }, "起始题号不能为0", F::SectionGrid, 1, 1, true},
        {"empty score", [](ExamPage& p) { p.sections[1].score = ""; }, "不能有空项。", F::SectionGrid, 3, 2, true},
        {"empty kind", [](ExamPage& p) { p.sections[1].kind = ""; }, "不能有空项。", F::SectionGrid, 4, 2, false},
        {"first above last", [](ExamPage& p) { p.sections[1].first = "21"; },
         "题分设置里起始题号不能大于终止题号。", F::SectionGrid, 1, 2, true},
        {"beyond the card", [](ExamPage& p) { p.sections[1].last = "61"; }, "终止题号不能大于总题目数。",
         F::SectionGrid, 2, 2, true},
        {"gap", [](ExamPage& p) { p.sections[1].first = "12"; }, "题分设置中，大题之间题号不连续！",
         F::SectionGrid, 1, 2, true},
        {"overlap", [](ExamPage& p) { p.sections[1].first = "10"; }, "题分设置中，大题之间题号不能交叉重复设置！",
         F::SectionGrid, 1, 2, true},
        {"score 11", [](ExamPage& p) { p.sections[0].score = "11"; }, "每小题分数不能超过10分", F::SectionGrid, 3, 1,
         true},
        {"score 10.5", [](ExamPage& p) { p.sections[0].score = "10.5"; }, "每小题分数不能超过10分", F::SectionGrid, 3,
         1, true},
        {"score not a number", [](ExamPage& p) { p.sections[0].score = "1..5"; }, "“1..5”不是有效的数值。",
         F::SectionGrid, 3, 1, true},
        {"first section from 2", [](ExamPage& p) { p.sections[0].first = "2"; }, "第一大题的起始题号必须为1。",
         F::SectionGrid, 1, 1, true},
        {"empty rule list", [](ExamPage& p) { p.rules = {{"", "1"}}; }, "多选题特殊规则设置里不能为空。",
         F::RuleGrid, 1, 1, true},
        {"empty partial", [](ExamPage& p) { p.rules = {{"11", ""}}; }, "多选题特殊规则设置里不能为空。", F::RuleGrid,
         2, 1, true},
        {"rule beyond count", [](ExamPage& p) { p.rules = {{"11,21", "1"}}; },
         "多选题特殊规则设置里有题号超出总题数！", F::RuleGrid, 1, 1, true},
        {"rule on single choice", [](ExamPage& p) { p.rules = {{"11", "1"}, {"10", "1"}}; },
         "多选题特殊规则设置里不能填入单选题题号。", F::RuleGrid, 1, 2, true},
        {"partial equals full", [](ExamPage& p) { p.rules = {{"11", "2"}}; },
         "多选题特殊规则设置里少选分不能大于等于该题题分，请检查！", F::RuleGrid, 2, 1, true},
        {"per-option equals full", [](ExamPage& p) { p.rules = {{"11", "2/"}}; },
         "多选题特殊规则设置里少选分不能大于等于该题题分，请检查！", F::RuleGrid, 2, 1, true},
        {"rule naming 0", [](ExamPage& p) { p.rules = {{"0,11", "1"}}; }, "多选题特殊规则设置里的题号不能为0或负数！",
         F::RuleGrid, 1, 1, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ExamPage page = basicPage();
        k.change(page);
        ExamSettings s;
        ExamPageCheck c = ValidateExamPage(page, layout60(), s);
        EXPECT_FALSE(c.ok);
        EXPECT_EQ(c.message, k.message);
        EXPECT_EQ(c.focus, k.focus);
        EXPECT_EQ(c.column, k.column);
        EXPECT_EQ(c.row, k.row);
        EXPECT_EQ(c.startEditing, k.editing);
        EXPECT_FALSE(c.addSectionRow);
    }
}

TEST(ValidateExamPage, CapacityRefusals) {
    ExamSettings s;
    ExamPage page = basicPage();
    page.sections.clear();
    ExamPageCheck c = ValidateExamPage(page, layout60(), s);
    EXPECT_EQ(c.message, "题分设置里至少要设置一项");
    EXPECT_TRUE(c.addSectionRow);

    page = basicPage();
    page.examName = std::string(43, 'x') + "期中考试";  // 51 bytes
    EXPECT_FALSE(ValidateExamPage(page, layout60(), s).ok);
    page.examName = std::string(41, 'x') + "期中考试";  // 49 bytes
    EXPECT_TRUE(ValidateExamPage(page, layout60(), s).ok);

    page = basicPage();
    page.sections.clear();
    for (int i = 0; i < 11; ++i) {
        page.sections.push_back({std::to_string(i * 5 + 1), std::to_string(i * 5 + 5), "1", "单选题"});
    }
    c = ValidateExamPage(page, layout60(), s);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.row, 11);
    page.sections.pop_back();
    EXPECT_TRUE(ValidateExamPage(page, layout60(), s).ok);

    page = basicPage();
    page.rules.assign(11, {"11", "1"});
    EXPECT_FALSE(ValidateExamPage(page, layout60(), s).ok);
    page.rules.assign(1, {std::string(98, '1') + ",1", "1"});  // 100 characters
    EXPECT_FALSE(ValidateExamPage(page, layout60(), s).ok);
    std::string list99 = "011";
    for (int i = 0; i < 32; ++i) list99 += ",11";
    ASSERT_EQ(list99.size(), 99u);
    page.rules.assign(1, {list99, "1"});
    EXPECT_TRUE(ValidateExamPage(page, layout60(), s).ok);
    page.rules.assign(1, {"11-20,11-20,11-20,11-20,11-20,11-20,11-20,11-20,11-20,11-20,11", "1"});  // 101 numbers
    c = ValidateExamPage(page, layout60(), s);
    EXPECT_FALSE(c.ok);
    EXPECT_NE(c.message.find("100"), std::string::npos);
}

TEST(ValidateExamPage, APageRefusedLateLeavesTheSettingsAsTheyWere) {
    ExamSettings s;
    ExamPage page = basicPage();
    page.rules = {{"11", "0.5"}};
    ASSERT_TRUE(ValidateExamPage(page, layout60(), s).ok);
    ASSERT_EQ(s.question(11).partialValue, 0.5f);
    const ExamSettings accepted = s;

    // Sections and the first rule pass; the second names a single-choice
    // question, the third has a partial score that is not a number.
    page.examName = "期末考试";
    page.sections[1].last = "30";
    for (const RuleRow& bad : {RuleRow{"5", "1"}, RuleRow{"13", "."}}) {
        page.rules = {{"12", "1"}, bad};
        EXPECT_FALSE(ValidateExamPage(page, layout60(), s).ok) << bad.questions;
        EXPECT_EQ(s, accepted) << bad.questions;
    }

    page.rules = {{"12", "1"}};
    ASSERT_TRUE(ValidateExamPage(page, layout60(), s).ok);
    EXPECT_EQ(s.examName, "期末考试");
    EXPECT_EQ(s.questionCount, 30);
    EXPECT_EQ(s.question(11).partialValue, 0.0f);
    EXPECT_EQ(s.question(12).partialValue, 1.0f);
}

TEST(ParseQuestionList, RangesListsAndErrors) {
    EXPECT_EQ(ParseQuestionList("1-5,11").numbers, std::vector<int>({1, 2, 3, 4, 5, 11}));
    EXPECT_EQ(ParseQuestionList("3,3,2-2").numbers, std::vector<int>({3, 3, 2}));
    EXPECT_TRUE(ParseQuestionList("5-3").numbers.empty());
    EXPECT_TRUE(ParseQuestionList("").numbers.empty());
    EXPECT_EQ(ParseQuestionList("1-x").error, "“x”不是有效的整数。");
    EXPECT_NE(ParseQuestionList("1,,2").error, "");
    EXPECT_NE(ParseQuestionList("1,").error, "");
    EXPECT_EQ(ParseQuestionList("1-100").numbers.size(), 100u);
    EXPECT_NE(ParseQuestionList("1-100,1").error, "");
    EXPECT_NE(ParseQuestionList("1-2000000000").error, "");
}

QuestionRule multiple2(float partial, int32_t mode) { return {2.0f, kMultipleChoice, partial, mode}; }

TEST(ScoreQuestion, PartialCreditTable) {
    struct Row {
        const char* answer;
        float perOption, fixed;
        char outcome;
    };
    const Row rows[] = {{"AB", 1.0f, 1.0f, '2'}, {"A", 0.5f, 1.0f, '2'},  {"ABCD", 0, 0, '1'},
                        {"AD", 0, 0, '3'},       {"", 0, 0, '3'},         {"ABC", 2.0f, 2.0f, '0'}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.answer);
        QuestionScore perOption = ScoreQuestion(multiple2(0.5f, kPartialPerOption), r.answer, "ABC");
        EXPECT_EQ(perOption.score, r.perOption);
        EXPECT_EQ(perOption.outcome, r.outcome);
        QuestionScore fixed = ScoreQuestion(multiple2(1.0f, kPartialFixed), r.answer, "ABC");
        EXPECT_EQ(fixed.score, r.fixed);
        EXPECT_EQ(fixed.outcome, r.outcome);
    }
    // Without a rule a missing option scores nothing but still counts as "少选".
    QuestionScore noRule = ScoreQuestion(multiple2(0, kPartialFixed), "A", "ABC");
    EXPECT_EQ(noRule.score, 0.0f);
    EXPECT_EQ(noRule.outcome, '2');
}

TEST(ScoreQuestion, SingleChoiceAndEmptyStandard) {
    QuestionRule single{1.5f, kSingleChoice, 0, 0};
    EXPECT_EQ(ScoreQuestion(single, "", "B").outcome, '3');
    EXPECT_EQ(ScoreQuestion(single, "", "B").score, 0.0f);
    EXPECT_EQ(ScoreQuestion(single, "A", "B").outcome, '3');
    EXPECT_EQ(ScoreQuestion(single, "B", "B").score, 1.5f);
    // An empty standard answer gives everyone the full score.
    EXPECT_EQ(ScoreQuestion(single, "C", "").score, 1.5f);
    EXPECT_EQ(ScoreQuestion(multiple2(0, 0), "", "").outcome, '0');
}

TEST(ExamPageGrids, AddRowsAndTypingLimits) {
    std::vector<SectionRow> rows;
    std::string message;
    ASSERT_TRUE(AddSectionRow(rows, message));
    EXPECT_EQ(rows[0].first, "1");
    EXPECT_FALSE(AddSectionRow(rows, message));  // previous last question empty
    EXPECT_EQ(rows.size(), 1u);
    rows[0].last = "10";
    ASSERT_TRUE(AddSectionRow(rows, message));
    EXPECT_EQ(rows[1].first, "11");
    rows.resize(10, {"1", "1", "1", "单选题"});
    EXPECT_FALSE(AddSectionRow(rows, message));
    EXPECT_NE(message, "");

    // Scores such as "1.5" but never "10.5"; one "/" at most in a partial score.
    EXPECT_FALSE(AcceptSectionKey(3, "10", '.'));
    EXPECT_FALSE(AcceptRuleKey(2, "1/", '/'));
}

}  // namespace
}  // namespace tarvel
