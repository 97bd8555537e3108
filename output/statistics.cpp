#include "output/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "grading/examsettings.h"
#include "output/reportrows.h"

namespace tarvel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A range may name each question more than once; past this it is not a range.
constexpr size_t kRangeLimit = 10 * kMaxExamQuestions;

double ratio(double part, double whole) { return whole > 0 ? part / whole : kNaN; }

// The graded students of the group in roster order, each record once.
std::vector<int> gradedRecords(const RunView& run, const GroupChoice& group) {
    std::vector<int> records;
    std::vector<bool> seen(run.records.size(), false);
    for (const GroupMember& m : groupMembers(run, group)) {
        if (m.record < 0 || seen[m.record]) continue;
        seen[m.record] = true;
        records.push_back(m.record);
    }
    return records;
}

ScoreSummary summarize(std::vector<double> totals, const std::vector<double>& objective,
                       const std::vector<double>& questionVariances) {
    ScoreSummary s;
    const size_t n = totals.size();
    s.count = int(n);
    double sum = 0;
    for (double t : totals) sum += t;
    s.average = sum / double(n);
    double squares = 0;
    for (double t : totals) squares += (t - s.average) * (t - s.average);
    s.standardDeviation = std::sqrt(squares / double(n));
    std::sort(totals.begin(), totals.end());
    s.lowest = totals.front();
    s.highest = totals.back();
    s.median = n % 2 ? totals[n / 2] : (totals[n / 2 - 1] + totals[n / 2]) / 2;

    double objectiveMean = 0;
    for (double x : objective) objectiveMean += x;
    objectiveMean /= double(n);
    double objectiveVariance = 0;
    for (double x : objective) objectiveVariance += (x - objectiveMean) * (x - objectiveMean);
    objectiveVariance /= double(n);
    const double k = double(questionVariances.size());
    double itemVariances = 0;
    for (double v : questionVariances) itemVariances += v;
    s.reliability = (k >= 2 && n >= 2 && objectiveVariance > 0)
                        ? k / (k - 1) * (1 - itemVariances / objectiveVariance)
                        : kNaN;
    return s;
}

// Bars of a width of 1, 2 or 5 times a power of ten, about ten of them, from 0
// to the full objective score or the highest total, whichever is more.
std::vector<DistributionBin> distribution(const std::vector<double>& totals, double fullScore, double highest) {
    const double top = std::max({fullScore, highest, 1.0});
    const double rough = top / 10;
    double step = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * step >= rough - 1e-9) {
            step *= factor;
            break;
        }
    }
    const int bins = std::max(1, int(std::ceil(top / step - 1e-9)));
    std::vector<DistributionBin> out(static_cast<size_t>(bins));
    auto text = [](double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", v);
        return std::string(buffer);
    };
    for (int b = 0; b < bins; ++b) {
        out[b].from = b * step;
        out[b].to = (b + 1) * step;
        out[b].label = text(out[b].from) + "-" + text(out[b].to);
    }
    for (double t : totals) {
        const int b = std::isnan(t) ? 0 : std::clamp(int(std::floor(t / step)), 0, bins - 1);
        ++out[b].count;
    }
    return out;
}

std::vector<AnswerList> answerLists(const RunView& run, const std::vector<int>& graded, const std::vector<int>& questions,
                                    bool right) {
    std::vector<AnswerList> lists;
    for (int q : questions) {
        AnswerList list{q, {}};
        for (int index : graded) {
            const GradingRecord& r = run.records[index];
            const AnswerSlot& slot = r.answers[q - 1];
            if ((slot.outcome == kOutcomeFull) == right) {
                list.students.push_back({r.admissionNumber, r.name, slot.answer.str()});
            }
        }
        lists.push_back(std::move(list));
    }
    return lists;
}

}  // namespace

StatisticsRequest everyStatistic(const GroupChoice& group, const std::string& wrongRange,
                                 const std::string& rightRange) {
    StatisticsRequest r;
    r.group = group;
    r.average = r.questionRates = r.sectionRates = true;
    r.wrongLists = !wrongRange.empty();
    r.wrongRange = wrongRange;
    r.rightLists = !rightRange.empty();
    r.rightRange = rightRange;
    return r;
}

bool parseStatisticsRange(const std::string& range, const std::string& listName, int questionCount,
                          std::vector<int>& questions, std::string& message) {
    questions.clear();
    if (range.empty()) {
        message = "请输入" + listName + "的小题范围";
        return false;
    }
    const std::string named = listName + "的小题范围“" + range + "”";
    const tarvel::QuestionList list = ParseQuestionList(range, kRangeLimit);
    if (!list.error.empty() || list.numbers.empty()) {
        message = named + "有误，请输入题号，用“,”隔开，连续的题可写成“1-5”。";
        return false;
    }
    for (int q : list.numbers) {
        if (q < 1 || q > questionCount) {
            message = named + "中的题号" + std::to_string(q) + "超出了题号范围1-" + std::to_string(questionCount) + "。";
            return false;
        }
        if (std::find(questions.begin(), questions.end(), q) == questions.end()) questions.push_back(q);
    }
    return true;
}

std::string checkStatisticsRequest(const RunView& run, const StatisticsRequest& request) {
    if (run.roster.gradesEnabled && !request.group.gradeChosen) return kChooseGradeMessage;
    if (run.roster.classesEnabled && request.group.classIndex < 0) return kChooseClassMessage;
    if (!request.average && !request.questionRates && !request.sectionRates && !request.wrongLists &&
        !request.rightLists) {
        return kChooseStatisticsMessage;
    }
    const int questionCount = std::clamp(run.settings.questionCount, 0, kMaxExamQuestions);
    std::vector<int> questions;
    std::string message;
    if (request.wrongLists && !parseStatisticsRange(request.wrongRange, "小题做错名单", questionCount, questions, message)) {
        return message;
    }
    if (request.rightLists && !parseStatisticsRange(request.rightRange, "小题做对名单", questionCount, questions, message)) {
        return message;
    }
    return {};
}

StatisticsResult ComputeStatistics(const RunView& run, const StatisticsRequest& request, const ProgressFn& progress) {
    StatisticsResult result;
    result.message = checkStatisticsRequest(run, request);
    if (!result.message.empty()) return result;
    const std::vector<int> graded = gradedRecords(run, request.group);
    if (graded.empty()) {
        result.message = kNoGradedStudentMessage;
        return result;
    }
    auto stop = [&](int percent) {
        result.stopped = progress && !progress(percent);
        return result.stopped;
    };
    if (stop(0)) return result;

    Statistics& st = result.statistics;
    st.title = run.settings.examName + run.settings.subjectName;
    for (const std::string& part : groupNameParts(run.roster, request.group)) st.title += " " + part;

    const int questionCount = std::clamp(run.settings.questionCount, 0, kMaxExamQuestions);
    const size_t n = graded.size();
    std::vector<double> totals(n), objective(n, 0.0);
    std::vector<double> sums(size_t(questionCount), 0.0), squares(size_t(questionCount), 0.0);
    st.questions.resize(size_t(questionCount));
    for (size_t i = 0; i < n; ++i) {
        const GradingRecord& r = run.records[graded[i]];
        totals[i] = r.total;
        for (int q = 1; q <= questionCount; ++q) {
            const AnswerSlot& slot = r.answers[q - 1];
            QuestionStatistics& qs = st.questions[q - 1];
            sums[q - 1] += slot.score;
            squares[q - 1] += double(slot.score) * slot.score;
            objective[i] += slot.score;
            for (char c : slot.answer.view()) {
                if (c >= 'A' && c <= 'D') ++qs.optionCounts[c - 'A'];
            }
            if (slot.answer.empty()) ++qs.blankCount;
        }
        if (i % 256 == 255 && stop(int(40 * i / n))) return result;
    }

    // The upper and lower 27 % by total; equal totals keep roster order.
    std::vector<size_t> byTotal(n);
    for (size_t i = 0; i < n; ++i) byTotal[i] = i;
    std::stable_sort(byTotal.begin(), byTotal.end(), [&](size_t a, size_t b) { return totals[a] > totals[b]; });
    const size_t groupSize = std::max<size_t>(1, size_t(std::lround(0.27 * double(n))));

    std::vector<double> variances;
    double objectiveFull = 0;
    for (int q = 1; q <= questionCount; ++q) {
        QuestionStatistics& qs = st.questions[q - 1];
        const QuestionRule& rule = run.settings.question(q);
        qs.question = q;
        qs.multiple = rule.kind == kMultipleChoice;
        qs.fullScore = rule.fullScore;
        objectiveFull += rule.fullScore;
        const double mean = sums[q - 1] / double(n);
        qs.average = mean;
        qs.scoreRate = ratio(sums[q - 1], double(n) * rule.fullScore);
        variances.push_back(std::max(0.0, squares[q - 1] / double(n) - mean * mean));
        double upper = 0, lower = 0;
        for (size_t k = 0; k < groupSize; ++k) {
            upper += run.records[graded[byTotal[k]]].answers[q - 1].score;
            lower += run.records[graded[byTotal[n - 1 - k]]].answers[q - 1].score;
        }
        const double groupFull = double(groupSize) * rule.fullScore;
        qs.discrimination = n >= 2 && groupFull > 0 ? (upper - lower) / groupFull : kNaN;
    }
    if (stop(50)) return result;

    st.summary = summarize(totals, objective, variances);
    st.distribution = distribution(totals, objectiveFull, st.summary.highest);
    for (int k = 0; k < std::clamp(run.settings.sectionCount, 0, kMaxSections); ++k) {
        const ScoreSection& section = run.settings.sections[k];
        SectionStatistics ss{section.first, section.last, 0, 0, 0};
        for (int q = std::max(1, section.first); q <= std::min(section.last, questionCount); ++q) {
            ss.fullScore += run.settings.question(q).fullScore;
        }
        double sum = 0;
        for (int index : graded) sum += run.records[index].sectionScores[k];
        ss.average = sum / double(n);
        ss.scoreRate = ratio(sum, double(n) * ss.fullScore);
        st.sections.push_back(ss);
    }

    std::vector<int> questions;
    std::string unused;
    if (request.wrongLists && parseStatisticsRange(request.wrongRange, "", questionCount, questions, unused)) {
        st.wrong = answerLists(run, graded, questions, false);
    }
    if (request.rightLists && parseStatisticsRange(request.rightRange, "", questionCount, questions, unused)) {
        st.right = answerLists(run, graded, questions, true);
    }
    if (stop(60)) return result;
    result.ok = true;
    return result;
}

}  // namespace tarvel
