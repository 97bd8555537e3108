#pragma once
// Item analysis of one grade/class group ("统计"): the score summary with the
// reliability of the objective part, per question its score rate, option
// counts and discrimination, per section its score rate, the distribution of
// totals, and the lists of students who got chosen questions wrong or right.
// Only graded students count: the roster students of the group (the report's
// group filter) that have a grading record, each record once.
//
// ComputeStatistics is a pure function over the run; the window runs it on a
// worker thread over a RunSnapshot, with a progress function that can stop it.
#include <array>
#include <string>
#include <vector>

#include "output/outputfile.h"
#include "output/reportgroup.h"

namespace tarvel {

// What the statistics box (`GroupBox6`) asks for.
struct StatisticsRequest {
    GroupChoice group;          // NJTJ / BJTJ
    bool average = false;       // TJAverage "统计平均分": the score summary
    bool questionRates = false; // TJXiaoTiRate "统计每小题得分率"
    bool sectionRates = false;  // TJDaTiRate "统计每大题得分率"
    bool wrongLists = false;    // TJXiaoTiWrong "统计小题做错名单"
    std::string wrongRange;     // TJWrongRange
    bool rightLists = false;    // TJXiaoTiRight "统计小题做对名单"
    std::string rightRange;     // TJRightRange
};
// Every statistic, the ranges as given.
StatisticsRequest everyStatistic(const GroupChoice& group, const std::string& wrongRange,
                                 const std::string& rightRange);

inline constexpr const char* kChooseStatisticsMessage = "请选择要统计的项目";
inline constexpr const char* kNoGradedStudentMessage = "所选年级和班级中还没有已阅卷的学生";

// The question numbers of a range box, in the order typed, each once. False
// with a message naming the range ("小题做错名单的小题范围“1-x”……") when it is
// empty, not a list of numbers and spans, or holds a number outside
// 1..question count.
bool parseStatisticsRange(const std::string& range, const std::string& listName, int questionCount,
                          std::vector<int>& questions, std::string& message);

// The choices before anything is computed: grade, class, at least one
// statistic, the ranges of the chosen lists. "" or the message.
std::string checkStatisticsRequest(const RunView& run, const StatisticsRequest& request);

// Values that cannot be computed (too few students, no variance, a full
// score of 0) are NaN and are written as "—".
struct ScoreSummary {
    int count = 0;
    double average = 0, highest = 0, lowest = 0, median = 0;
    double standardDeviation = 0;  // of the group itself (divided by the count)
    // Cronbach's alpha of the question scores (KR-20 when every question
    // scores all or nothing): k/(k-1) * (1 - sum of question variances /
    // variance of the objective scores).
    double reliability = 0;
};

struct QuestionStatistics {
    int question = 0;
    bool multiple = false;
    double fullScore = 0;
    double average = 0;
    double scoreRate = 0;  // sum earned / (graded * full score)
    std::array<int, 4> optionCounts{};  // students whose answer holds A, B, C, D
    int blankCount = 0;
    // Score rate of the upper 27 % by total minus that of the lower 27 %.
    double discrimination = 0;
};

struct SectionStatistics {
    int first = 0, last = 0;
    double fullScore = 0;
    double average = 0;
    double scoreRate = 0;
};

// One bar of the score distribution: totals from `from` to below `to` (the
// last bar includes `to`).
struct DistributionBin {
    double from = 0, to = 0;
    int count = 0;
    std::string label;  // "60-70"
};

struct ListedStudent {
    std::string admissionNumber, name, answer;
};
struct AnswerList {
    int question = 0;
    std::vector<ListedStudent> students;
};

struct Statistics {
    std::string title;  // exam, subject and group
    ScoreSummary summary;
    std::vector<QuestionStatistics> questions;
    std::vector<SectionStatistics> sections;
    std::vector<DistributionBin> distribution;
    // Per question of the range: "right" is full score, "wrong" any other
    // outcome (extra, missing or wrong option, blank).
    std::vector<AnswerList> wrong, right;
};

struct StatisticsResult {
    bool ok = false;
    bool stopped = false;
    std::string message;  // why not ok (empty when stopped)
    Statistics statistics;
};

// Everything the request needs, always with the summary, the question rates
// and the distribution (the charts need them). Progress 0-60 % while computing.
StatisticsResult ComputeStatistics(const RunView& run, const StatisticsRequest& request,
                                   const ProgressFn& progress = {});

}  // namespace tarvel
