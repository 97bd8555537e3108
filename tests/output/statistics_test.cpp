#include <gtest/gtest.h>

#include <cmath>

#include "output/statisticsreport.h"
#include "tests/output/smallrun.h"

namespace tarvel {
namespace {

using testing::smallGroup;
using testing::smallRun;

// Students' answers to single-choice questions of one point each, the
// standard answer "A" everywhere: '1' answers A, '0' answers B.
RunSnapshot dichotomousRun(const std::vector<std::string>& rows) {
    RunSnapshot run;
    const int questions = int(rows[0].size());
    run.settings.questionCount = questions;
    for (int q = 0; q < questions; ++q) run.settings.questions[q] = {1.0f, kSingleChoice, 0, kPartialFixed};
    run.records.emplace_back();
    for (int q = 0; q < questions; ++q) run.records[0].answers[q].answer = "A";
    for (size_t s = 0; s < rows.size(); ++s) {
        const std::string number = std::to_string(1000 + s);
        run.roster.students.push_back({number, "学生" + std::to_string(s), "", ""});
        GradingRecord r;
        r.admissionNumber = number;
        for (int q = 0; q < questions; ++q) r.answers[q].answer = rows[s][q] == '1' ? "A" : "B";
        run.records.push_back(r);
    }
    RecalculateScores(run.records, run.settings);
    return run;
}

StatisticsRequest everything(const GroupChoice& group) { return everyStatistic(group, "2,4", "1"); }

TEST(Statistics, SmallRunWorkedByHand) {
    const RunSnapshot run = smallRun();
    const StatisticsResult result = ComputeStatistics(run.view(), everything(smallGroup(run)));
    ASSERT_TRUE(result.ok) << result.message;
    const Statistics& st = result.statistics;
    EXPECT_EQ(st.title, "期中数学 2024级 所有班级");

    // Graded: 王浩然 6.5, =SUM(1) 4, 刘洋 6.6 (float); the absent student and
    // the other grade do not count.
    const double liu = 6.5f + 0.1f;
    const ScoreSummary& s = st.summary;
    EXPECT_EQ(s.count, 3);
    EXPECT_DOUBLE_EQ(s.average, (6.5 + 4 + liu) / 3);
    EXPECT_DOUBLE_EQ(s.highest, liu);
    EXPECT_DOUBLE_EQ(s.lowest, 4);
    EXPECT_DOUBLE_EQ(s.median, 6.5);
    const double m = s.average;
    EXPECT_NEAR(s.standardDeviation, std::sqrt(((6.5 - m) * (6.5 - m) + (4 - m) * (4 - m) + (liu - m) * (liu - m)) / 3),
                1e-12);
    // Question variances 0, 8/9, 2, 1/2; objective scores 6.5, 4, 6.5 with
    // variance 25/18: alpha = 4/3 * (1 - (61/18) / (25/18)) = -48/25.
    EXPECT_NEAR(s.reliability, -48.0 / 25, 1e-9);

    ASSERT_EQ(st.questions.size(), 4u);
    const QuestionStatistics &q1 = st.questions[0], &q2 = st.questions[1], &q3 = st.questions[2],
                             &q4 = st.questions[3];
    EXPECT_DOUBLE_EQ(q1.scoreRate, 1);
    EXPECT_DOUBLE_EQ(q2.scoreRate, 2.0 / 6);
    EXPECT_DOUBLE_EQ(q3.scoreRate, 6.0 / 9);
    EXPECT_DOUBLE_EQ(q4.scoreRate, 3.0 / 9);
    EXPECT_DOUBLE_EQ(q4.average, 1);
    EXPECT_EQ(q3.optionCounts, (std::array<int, 4>{3, 1, 3, 0}));  // AC, ABC, AC
    EXPECT_EQ(q4.optionCounts, (std::array<int, 4>{0, 1, 0, 1}));  // B, "", D
    EXPECT_EQ(q4.blankCount, 1);
    EXPECT_TRUE(q3.multiple);
    // Upper 27 % of three is 刘洋, lower =SUM(1).
    EXPECT_DOUBLE_EQ(q1.discrimination, 0);
    EXPECT_DOUBLE_EQ(q2.discrimination, -1);  // C (0) against B (2)
    EXPECT_DOUBLE_EQ(q3.discrimination, 1);
    EXPECT_DOUBLE_EQ(q4.discrimination, 0.5);

    ASSERT_EQ(st.sections.size(), 2u);
    EXPECT_DOUBLE_EQ(st.sections[0].fullScore, 4);
    EXPECT_DOUBLE_EQ(st.sections[0].scoreRate, 8.0 / 12);
    EXPECT_DOUBLE_EQ(st.sections[1].scoreRate, 9.0 / 18);

    // Full objective score 10: ten bars of 1.
    ASSERT_EQ(st.distribution.size(), 10u);
    EXPECT_EQ(st.distribution[4].count, 1);
    EXPECT_EQ(st.distribution[6].count, 2);
    EXPECT_EQ(st.distribution[9].label, "9-10");

    // "Wrong" is every outcome but full score, a missing option included.
    ASSERT_EQ(st.wrong.size(), 2u);
    EXPECT_EQ(st.wrong[1].question, 4);
    ASSERT_EQ(st.wrong[1].students.size(), 3u);
    EXPECT_EQ(st.wrong[1].students[0].answer, "B");
    EXPECT_EQ(st.wrong[1].students[1].name, "=SUM(1)");
    EXPECT_EQ(st.wrong[1].students[1].answer, "");
    EXPECT_EQ(st.wrong[0].students.size(), 2u);
    ASSERT_EQ(st.right.size(), 1u);
    EXPECT_EQ(st.right[0].students.size(), 3u);
}

TEST(Statistics, KuderRichardsonOfAllOrNothingQuestions) {
    // p = .8 .6 .4 .2, sum pq = 0.8, totals 4 3 2 1 0 with variance 2:
    // KR-20 = 4/3 * (1 - 0.8 / 2) = 0.8.
    const RunSnapshot run = dichotomousRun({"1111", "1110", "1100", "1000", "0000"});
    const StatisticsResult result = ComputeStatistics(run.view(), everyStatistic({}, "", ""));
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_NEAR(result.statistics.summary.reliability, 0.8, 1e-12);
    EXPECT_DOUBLE_EQ(result.statistics.summary.median, 2);
    // Five students: groups of round(1.35) = 1, the best and the worst.
    EXPECT_DOUBLE_EQ(result.statistics.questions[3].discrimination, 1);

    // One student: no spread, nothing to divide by.
    const RunSnapshot one = dichotomousRun({"10"});
    const Statistics st = ComputeStatistics(one.view(), everyStatistic({}, "", "")).statistics;
    EXPECT_TRUE(std::isnan(st.summary.reliability));
    EXPECT_TRUE(std::isnan(st.questions[0].discrimination));
    EXPECT_DOUBLE_EQ(st.summary.standardDeviation, 0);
}

TEST(Statistics, RangesAreNamedWhenWrong) {
    std::vector<int> qs;
    std::string message;
    EXPECT_TRUE(parseStatisticsRange("4,1-2,2", "小题做错名单", 4, qs, message));
    EXPECT_EQ(qs, (std::vector<int>{4, 1, 2}));
    // A whole exam of 200 questions is one range, beyond a rule's 100.
    EXPECT_TRUE(parseStatisticsRange("1-200", "小题做错名单", 200, qs, message));
    EXPECT_EQ(qs.size(), 200u);
    for (const char* bad : {"1-x", "1,,2", "5-3", "1-"}) {
        EXPECT_FALSE(parseStatisticsRange(bad, "小题做错名单", 4, qs, message)) << bad;
        EXPECT_NE(message.find(std::string("小题做错名单的小题范围“") + bad + "”"), std::string::npos) << message;
    }
    EXPECT_FALSE(parseStatisticsRange("1-5", "小题做对名单", 4, qs, message));
    EXPECT_EQ(message, "小题做对名单的小题范围“1-5”中的题号5超出了题号范围1-4。");
    EXPECT_FALSE(parseStatisticsRange("", "小题做对名单", 4, qs, message));
    EXPECT_EQ(message, "请输入小题做对名单的小题范围");
}

TEST(Statistics, RefusalsAndStop) {
    const RunSnapshot run = smallRun();
    StatisticsRequest request;
    request.group = smallGroup(run);
    EXPECT_EQ(ComputeStatistics(run.view(), request).message, kChooseStatisticsMessage);
    request.wrongLists = true;
    request.wrongRange = "0";
    EXPECT_NE(ComputeStatistics(run.view(), request).message.find("题号0超出"), std::string::npos);
    request = everything(outputGroup(run.roster, 0, -1));
    EXPECT_EQ(ComputeStatistics(run.view(), request).message, "请选择班级");
    // 2023级 class 02 has nobody.
    EXPECT_EQ(ComputeStatistics(run.view(), everything(outputGroup(run.roster, 1, 2))).message,
              kNoGradedStudentMessage);
    const StatisticsResult stopped =
        ComputeStatistics(run.view(), everything(smallGroup(run)), [](int) { return false; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_FALSE(stopped.ok);
}

TEST(StatisticsOutput, CsvHoldsTheSameTables) {
    const RunSnapshot run = smallRun();
    const StatisticsRequest request = everything(smallGroup(run));
    const Statistics st = ComputeStatistics(run.view(), request).statistics;
    const std::vector<StatisticsTable> tables = statisticsTables(st, request);
    std::vector<std::string> sheets;
    for (const StatisticsTable& t : tables) sheets.push_back(t.sheet);
    EXPECT_EQ(sheets, (std::vector<std::string>{"成绩概况", "每小题得分率", "每大题得分率", "小题做错名单",
                                                "小题做对名单", "图表"}));
    const std::string csv = statisticsCsv(tables).utf8();
    EXPECT_NE(csv.find("成绩概况,\r\n期中数学 2024级 所有班级 成绩概况,\r\n项目,数值,\r\n已阅卷人数,3,\r\n"),
              std::string::npos);
    EXPECT_NE(csv.find("\r\n2,单选题,2,0.67,33.3%,0,0.0%,1,33.3%,2,66.7%,0,0.0%,0,0.0%,-1.00,\r\n"),
              std::string::npos);
    // The wrong list of question 4: the formula-looking name gets its apostrophe.
    EXPECT_NE(csv.find("'202410201,'=SUM(1),,"), std::string::npos);
    EXPECT_NE(csv.find("客观题信度（Cronbach α，即KR-20）,-1.92,"), std::string::npos);
}

}  // namespace
}  // namespace tarvel
