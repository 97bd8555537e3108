#include "grading/judgement.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

// A card as the reading operations would report it.
struct GivenCard {
    std::string admission;
    std::vector<std::string> answers;
    std::string subject = "3";
    bool scoreReadable = true;
    float score = 0;
    int abFlag = 0;
};

class GivenMarks : public CardMarks {
public:
    explicit GivenMarks(GivenCard card) : card_(std::move(card)) {}
    void prepare(CardReading& r) override { r.abFlag = card_.abFlag; }
    void readAdmissionNumber(CardReading& r, int length) override {
        r.admissionNumber = card_.admission.substr(0, size_t(length));
    }
    void readSubjectCode(CardReading& r) override { r.subjectCode = card_.subject; }
    bool readSubjectiveScore(CardReading& r) override {
        r.subjectiveScore = card_.score;
        return card_.scoreReadable;
    }
    void readAnswers(CardReading& r, int count, const std::array<bool, kMaxQuestions>& multiple) override {
        for (int q = 0; q < count; ++q) r.answers[q] = q < int(card_.answers.size()) ? card_.answers[q] : "";
        multiple_ = multiple;
    }
    std::array<bool, kMaxQuestions> multiple_{};

private:
    GivenCard card_;
};

// Ten single-choice answers given as letters ('-' for none), then the two
// multiple-choice answers.
std::vector<std::string> answers(const std::string& singles, std::string q11 = "ABC", std::string q12 = "BD") {
    std::vector<std::string> out;
    for (char c : singles) out.push_back(c == '-' ? "" : std::string(1, c));
    out.push_back(q11);
    out.push_back(q12);
    return out;
}

const std::string kKey = "ABCDABCDAB";

class Judging : public ::testing::Test {
protected:
    Judging() {
        roster.gradesEnabled = roster.classesEnabled = true;
        roster.admissionLength = 4;
        roster.grades = {{"初一", "11111"}, {"初二", "22222"}};
        roster.students = {{"1101", "张三", "11111", "01"},
                           {"1102", "李四", "11111", "02"},
                           {"2201", "王五", "22222", "01"},
                           {"1103", "赵六", "11111", "01"}};
        settings.subjectCode = "3";
        settings.sections[0] = {1, 10, 1.0f, kSingleChoice};
        settings.sections[1] = {11, 12, 2.5f, kMultipleChoice};
        settings.sectionCount = 2;
        for (int q = 1; q <= 10; ++q) settings.questions[q - 1] = {1.0f, kSingleChoice, 0, 0};
        for (int q = 11; q <= 12; ++q) settings.questions[q - 1] = {2.5f, kMultipleChoice, 0, 0};
        settings.questionCount = 12;
        choice = choiceFromFilter(roster, {"11111", "01"});
    }

    Judgement judge(const GivenCard& card) {
        GivenMarks marks(card);
        Judgement j = JudgeCard(marks, {roster, settings, choice, prompter}, records, lastNumber);
        // The frame loop keeps the prompt shown when the judgement gives none.
        if (j.prompt) prompt = *j.prompt;
        multiple = marks.multiple_;
        return j;
    }

    void readStandard() { ASSERT_TRUE(judge({"    ", answers(kKey)}).accepted); }

    Roster roster;
    ExamSettings settings;
    GroupChoice choice;
    GradingRecords records;
    std::string lastNumber;
    std::string prompt = "(earlier)";
    ScriptedPrompter prompter;
    std::array<bool, kMaxQuestions> multiple{};
};

TEST_F(Judging, StandardAnswerMustBeBlankAndIsReadAgainWhileAlone) {
    Judgement j = judge({"1 01", answers(kKey)});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(j.hint,
              "　　标准答案答题卡准考证号必须全空。\r\n　　如果需要使用成绩最好的学生的答题卡做标准答案"
              "（读入后可以核对修改个别错误的答案），可以先将其答题卡准考证号先用橡皮擦擦除，"
              "作为标准答案输入后再涂回原来的准考证号。");
    EXPECT_EQ(prompt, "标准答案答题卡准考证号必须全空");
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(lastNumber, "");

    j = judge({"    ", answers(kKey)});
    EXPECT_TRUE(j.accepted);
    EXPECT_EQ(j.hint, "标准答案已经读入，请稍微改变位置多读几次进行校对，确保无误。");
    EXPECT_EQ(prompt, "标准答案已经读入");
    EXPECT_EQ(j.caption, "");
    EXPECT_EQ(j.currentGridRow, 1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].readCount, 1);
    EXPECT_EQ(records[0].answers[0].outcome, 0);  // not scored
    EXPECT_EQ(records[0].answer(11).view(), "ABC");
    EXPECT_EQ(lastNumber, "    ");
    EXPECT_TRUE(multiple[10] && multiple[11] && !multiple[9]);
    EXPECT_TRUE(prompter.shown().empty());

    j = judge({"    ", answers(kKey)});
    EXPECT_EQ(j.hint, "该答题卡这次阅卷结果和上次相同，已经阅卷次数：2");
    EXPECT_EQ(prompt, "结果和上次相同");
    EXPECT_EQ(records[0].readCount, 2);
    EXPECT_EQ(records[0].answers[0].outcome, '0');

    j = judge({"    ", answers("ABDDABCDAB", "ABC", "B")});
    EXPECT_TRUE(j.accepted);
    EXPECT_EQ(j.hint,
              "该答题卡这次阅卷结果和上次不同，不同的题如下：\r\n3 C->D\r\n12 BD->B\r\n"
              "请移动这张答题卡，多阅卷几次，直到几次都得到相同结果为止。\r\n"
              "如果频繁出现两次阅卷结果不同的情况，请检查是否是光线有问题,检查是否有光线太亮或灯光上方直射等情况。");
    EXPECT_EQ(prompt, "结果和上次不同");
    EXPECT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].readCount, 3);
    EXPECT_EQ(records[0].answer(3).view(), "D");
}

TEST_F(Judging, EmptyStandardAnswersAreListed) {
    judge({"    ", answers("AB-DAB-DAB")});
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].kind, PromptKind::Message);
    EXPECT_EQ(prompter.shown()[0].text,
              "标准答案中，第3、7题答案为空，请仔细检查是否确实将以上题作为错题处理。"
              "如果不是错题，请检查是否漏涂或涂写太淡，如果涂写无误，请移动答题卡重新判断。");
}

TEST_F(Judging, StudentCardsAreScoredStoredAndAnnounced) {
    readStandard();
    Judgement j = judge({"1101", answers("ABCDABCDAA", "AB", "BD"), "3", true, 0, 1});
    EXPECT_TRUE(j.accepted);
    EXPECT_EQ(j.hint, "该答题卡第一次阅读！");
    EXPECT_EQ(prompt, "张三11.5分");  // 9 + 0 + 2.5
    EXPECT_EQ(j.caption, "Tarvel数码阅卷机（Tarvel摄像头阅卷专家） 张三11.5分");
    EXPECT_EQ(j.currentRecord, 1);
    EXPECT_EQ(j.currentGridRow, 2);
    ASSERT_EQ(records.size(), 2u);
    const GradingRecord& r = records[1];
    EXPECT_EQ(r.readCount, 1);
    EXPECT_EQ(r.paperType, 1);
    EXPECT_EQ(r.name, "张三");
    EXPECT_EQ(r.gradeCode, "11111");
    EXPECT_EQ(r.gradeName, "初一");
    EXPECT_EQ(r.classCode, "01");
    EXPECT_EQ(r.wrongCount, 1);
    EXPECT_EQ(r.missingCount, 1);
    EXPECT_EQ(lastNumber, "1101");

    // A blank card after student cards is a forgotten number.
    j = judge({"    ", answers(kKey)});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(j.hint, "准考证号漏填（如果是想修改标准答案，请直接在列表中修改）");
    EXPECT_EQ(prompt, "准考证号漏填");
    EXPECT_EQ(records[0].readCount, 1);
    EXPECT_EQ(lastNumber, "1101");
}

TEST_F(Judging, RosterGradeClassSubjectAndScoreRejections) {
    readStandard();
    const GradingRecords before = records;
    struct Case {
        GivenCard card;
        std::string hint, prompt;
    };
    const std::string advice =
        "\r\n　　如果是准考证号读取有误请移动答题卡重新判断；\r\n　　如果是准考证号读取无误,建议把此答题卡先放一边，最后再来核对处理";
    settings.hasSubjectiveScore = true;
    const Case cases[] = {
        {{"1199", answers(kKey)},
         "准考证号：1199，学生名单中没有此学生,请检查是否填写错误,如果没有填写错误请移动一下答题卡重新读入。",
         "学生名单中没有此学生"},
        {{"11 1", answers(kKey)},
         "准考证号：11 1，学生名单中没有此学生,请检查是否填写错误,如果没有填写错误请移动一下答题卡重新读入。"
         "\r\n可能是：1101 张三",
         "学生名单中没有此学生"},
        {{"2201", answers(kKey)}, "准考证号：2201不属于当前选定的年级！" + advice, "不属于当前年级"},
        {{"1102", answers(kKey)}, "准考证号：1102不属于当前选定的班级！" + advice, "不属于当前班级"},
        {{"1101", answers(kKey), "2"}, "科目有误请检查，如果填写无误，请移动一下答题卡重新判断。如果确实有误，请修改。",
         "科目有误"},
        {{"1101", answers(kKey), "3", false},
         "主观分读取失败，如果填写无误，请移动一下答题卡重新判断。如果确实有误，请修改。", "主观分读取失败"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.card.admission);
        prompt = "(earlier)";
        Judgement j = judge(k.card);
        EXPECT_FALSE(j.accepted);
        EXPECT_EQ(j.hint, k.hint);
        EXPECT_EQ(prompt, k.prompt);
        EXPECT_EQ(records, before);
        EXPECT_EQ(lastNumber, "    ");
    }

    // All classes: a student of another class of the grade is accepted.
    choice = choiceFromFilter(roster, {"11111", "ALL"});
    Judgement j = judge({"1102", answers(kKey), "3", true, 37});
    EXPECT_TRUE(j.accepted);
    EXPECT_EQ(records[1].subjectiveScore, 37.0f);
    EXPECT_EQ(records[1].total, 37.0f + 15.0f);
    EXPECT_EQ(prompt, "李四52分");
}

TEST_F(Judging, AnUnknownNumberNamesCloseStudentsAndTheCardCanBeStoredForOne) {
    readStandard();
    // Nothing one slip away: the refusal as before, nothing kept.
    Judgement j = judge({"1199", answers(kKey)});
    EXPECT_FALSE(j.unknownCard);

    // 1100: one bubble from 1101, another digit from 1103; 1102 is in class
    // 02 and 2201 in another grade.
    const GradingRecords before = records;
    j = judge({"1100", answers("ABCDABCDAA", "AB", "BD"), "3", true, 0, 1});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(j.hint,
              "准考证号：1100，学生名单中没有此学生,请检查是否填写错误,如果没有填写错误请移动一下答题卡重新读入。"
              "\r\n可能是：1101 张三、1103 赵六");
    EXPECT_EQ(prompt, "学生名单中没有此学生");
    EXPECT_EQ(records, before);
    EXPECT_EQ(lastNumber, "    ");
    ASSERT_TRUE(j.unknownCard);
    const UnknownCard card = *j.unknownCard;
    ASSERT_EQ(card.suggestions.size(), 2u);
    EXPECT_EQ(card.suggestions[1].student, 3);
    EXPECT_EQ(card.reading.admissionNumber, "1100");
    EXPECT_EQ(card.reading.answers[9], "A");
    EXPECT_EQ(card.reading.answers[10], "AB");
    EXPECT_TRUE(multiple[10] && !multiple[9]);

    // One click on 赵六: stored as his card, marked, announced as any card.
    j = StoreCardForStudent(card, card.suggestions[1].student, {roster, settings, choice, prompter}, records,
                            lastNumber);
    EXPECT_TRUE(j.accepted);
    EXPECT_EQ(j.hint, "答题卡上的准考证号：1100，已手动指定为：1103 赵六\r\n该答题卡第一次阅读！");
    EXPECT_EQ(*j.prompt, "赵六11.5分");
    EXPECT_EQ(j.currentGridRow, 2);
    ASSERT_EQ(records.size(), 2u);
    const GradingRecord& r = records[1];
    EXPECT_EQ(r.admissionNumber, "1103");
    EXPECT_EQ(r.name, "赵六");
    EXPECT_EQ(r.classCode, "01");
    EXPECT_EQ(r.paperType, 1);
    EXPECT_TRUE(r.handAssigned);
    EXPECT_EQ(lastNumber, "1103");

    // His card read by the camera later replaces it, unmarked.
    EXPECT_TRUE(judge({"1103", answers("ABCDABCDAA", "AB", "BD")}).accepted);
    EXPECT_EQ(records[1].readCount, 2);
    EXPECT_FALSE(records[1].handAssigned);
}

TEST_F(Judging, StoringForAStudentPassesTheChecksOfEveryCard) {
    readStandard();
    settings.hasSubjectiveScore = true;
    auto unknown = [&](GivenCard card) { return judge(card).unknownCard.value_or(UnknownCard{}); };
    auto store = [&](const UnknownCard& card, int student) {
        Judgement j = StoreCardForStudent(card, student, {roster, settings, choice, prompter}, records, lastNumber);
        if (j.prompt) prompt = *j.prompt;
        return j.accepted;
    };
    const GradingRecords before = records;
    EXPECT_FALSE(store(unknown({"1100", answers(kKey), "3", false}), 0));
    EXPECT_EQ(prompt, "主观分读取失败");
    const UnknownCard card = unknown({"1100", answers(kKey), "3", true, 20});
    EXPECT_FALSE(store(card, 1));  // 李四 is in class 02
    EXPECT_EQ(prompt, "不属于当前班级");
    EXPECT_FALSE(store(card, -1));
    EXPECT_FALSE(store(card, 4));
    EXPECT_EQ(records, before);
    EXPECT_EQ(lastNumber, "    ");

    EXPECT_TRUE(store(card, 3));
    EXPECT_EQ(records[1].subjectiveScore, 20.0f);

    // 张三's own card was the last one read: giving him a card that differs
    // in many answers still asks (the question is cancelled).
    ASSERT_TRUE(judge({"1101", answers("BCDABCDAAB"), "3", true, 30}).accepted);
    const GradingRecords graded = records;
    EXPECT_FALSE(store(card, 0));
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].kind, PromptKind::OkCancel);
    EXPECT_EQ(records, graded);
}

TEST_F(Judging, SubjectIsCheckedOnTheStandardAnswerToo) {
    Judgement j = judge({"    ", answers(kKey), "1"});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(prompt, "科目有误");
    EXPECT_TRUE(records.empty());
}

TEST_F(Judging, RepeatedReadsAskOnlyForManyDifferencesOnAnotherCard) {
    readStandard();
    choice = choiceFromFilter(roster, {"11111", "ALL"});
    ASSERT_TRUE(judge({"1101", answers(kKey)}).accepted);
    ASSERT_TRUE(judge({"1103", answers(kKey)}).accepted);

    // Three differences: replaced without a question.
    Judgement j = judge({"1101", answers("BACCABCDAB")});
    EXPECT_TRUE(j.accepted);
    EXPECT_TRUE(prompter.shown().empty());
    EXPECT_EQ(records[1].readCount, 2);
    EXPECT_EQ(records[1].answer(1).view(), "B");
    EXPECT_EQ(prompt, "张三12分");  // 7 + 2 × 2.5

    // Four differences on a card other than the last one: Cancel keeps everything.
    ASSERT_TRUE(judge({"1103", answers(kKey)}).accepted);
    const GradingRecords before = records;
    prompt = "(earlier)";
    j = judge({"1101", answers("ABCDABCDAB", "A", "C")});  // 1-3 back, 11 and 12 differ: 5
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(j.hint, "");
    EXPECT_FALSE(j.prompt);
    EXPECT_EQ(prompt, "(earlier)");
    EXPECT_EQ(records, before);
    EXPECT_EQ(lastNumber, "1103");
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].kind, PromptKind::OkCancel);
    EXPECT_EQ(prompter.shown()[0].title, "Tarvel阅卷");

    // OK replaces the record.
    prompter.answerNext(Answer::Ok);
    j = judge({"1101", answers("ABCDABCDAB", "A", "C")});
    EXPECT_TRUE(j.accepted);
    EXPECT_EQ(records[1].readCount, 3);
    EXPECT_EQ(records[1].answer(11).view(), "A");
    EXPECT_EQ(lastNumber, "1101");

    // The same card straight again with four differences: no question.
    prompter.clear();
    j = judge({"1101", answers("DDDDABCDAB", "A", "C")});
    EXPECT_TRUE(j.accepted);
    EXPECT_TRUE(prompter.shown().empty());
    EXPECT_EQ(records[1].readCount, 4);
}

TEST_F(Judging, ConfirmationListsDifferencesInFifteenByteColumns) {
    readStandard();
    choice = choiceFromFilter(roster, {"11111", "ALL"});
    ASSERT_TRUE(judge({"1101", answers(kKey)}).accepted);
    ASSERT_TRUE(judge({"1103", answers(kKey)}).accepted);
    judge({"1101", answers("BCDABCDAAB")});  // questions 1 to 8 differ
    ASSERT_EQ(prompter.shown().size(), 1u);
    const std::string nine(9, ' ');
    const std::string expected =
        "准考证号：1101 姓名：张三。这是此答题卡第2次读入，发现不相同的答题很多，如下：\r\n \r\n"
        "1 A->B" + nine + "2 B->C" + nine + "3 C->D" + nine + "4 D->A" + nine + "5 A->B" + nine + "\r\n" +
        "6 B->C" + std::string(7, ' ') + "7 C->D" + nine + "8 D->A" + nine + "\r\n" +
        "本软件认为有可能是学生准卡证号涂错了造成的，请仔细检查当前答题卡上填写的姓名是否是 张三，如果不是请按 取消 按钮，"
        "然后先把当前答题卡放一边，等最后再将此答题卡的准卡证号修改正确后再读入；"
        "如果当前答题卡上填写的姓名是 张三，请按 确定 按钮，然后稍微移动答题卡位置多读一次，"
        "防止光线等原因造成误读。确定要覆盖上一次的阅卷记录吗？";
    EXPECT_EQ(prompter.shown()[0].text, expected);
}

TEST_F(Judging, TheFiveThousandAndFirstRecordIsRefused) {
    readStandard();
    choice = choiceFromFilter(roster, {"11111", "ALL"});
    records.resize(kMaxRecords, records[0]);
    for (int i = 1; i < kMaxRecords; ++i) records[i].admissionNumber = "x" + std::to_string(i);
    Judgement j = judge({"1101", answers(kKey)});
    EXPECT_FALSE(j.accepted);
    EXPECT_EQ(records.size(), size_t(kMaxRecords));
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(j.hint, prompter.shown()[0].text);
    EXPECT_EQ(lastNumber, "    ");

    // A repeated read of a stored card still works at the limit.
    records[kMaxRecords - 1].admissionNumber = "1101";
    EXPECT_TRUE(judge({"1101", answers(kKey)}).accepted);
}

}  // namespace
}  // namespace tarvel
