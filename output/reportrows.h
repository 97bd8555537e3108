#pragma once
// The score report's content, shared by the spreadsheet and the CSV route:
// the twelve report items, the header columns, the value of every item for a
// student, the question lists by outcome and the rows in report order.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/reportgroup.h"

namespace tarvel {

// The items of `LBAll`, in its fixed order.
enum class ReportItem {
    AdmissionNumber,
    Name,
    Total,
    Subjective,
    Objective,
    Sections,
    ExtraCount,
    MissingCount,
    WrongCount,
    ExtraList,
    MissingList,
    WrongList,
};
inline constexpr std::array<const char*, 12> kReportItemTexts = {
    "准考证号", "姓名", "总得分", "主观题分", "选择题分", "大题得分情况",
    "多选",     "少选", "错选",   "多选题号", "少选题号", "错选题号"};

inline const char* reportItemText(ReportItem item) { return kReportItemTexts[size_t(item)]; }
std::optional<ReportItem> reportItemFromText(std::string_view text);
// ">>": all twelve in `LBAll` order.
std::vector<ReportItem> allReportItems();
// ">": appends the item unless it is already chosen; whether it was added.
bool addReportItem(std::vector<ReportItem>& chosen, ReportItem item);

inline constexpr const char* kChooseGradeMessage = "请选择年级！";
inline constexpr const char* kChooseClassMessage = "请选择班级";
inline constexpr const char* kChooseItemsMessage = "请选择要输出的各个项";

// What "输出" of the score report is asked for.
struct ReportRequest {
    GroupChoice group;               // NJSC / BJSC
    std::vector<ReportItem> items;   // LBSelected, in list order
    ReportOrder order = ReportOrder::ByAdmission;
    bool includeAbsent = true;       // CBQueKao
};

// "" or the message of the first missing choice (grade, class, items).
std::string checkReportChoices(const Roster& roster, const ReportRequest& request);

// The question list of one outcome: for every question with that outcome,
// the number, ".", the answer (possibly empty) and a space ("3.ABD 17.AC ").
std::string ListQuestionsByOutcome(const GradingRecord& record, const ExamSettings& settings, char outcome);

// One column of the report: its header (row 3) and its width, 0 for the
// spreadsheet's default ("准考证号" 12, "多选"/"少选"/"错选" 5).
struct ReportColumn {
    std::string header;
    double width = 0;
};
// "大题得分情况" gives one column per section, headed "1到10题".
std::vector<ReportColumn> reportColumns(const ReportRequest& request, const ExamSettings& settings);

// One value. Every value has the text both routes show; scores and counters
// whose text a spreadsheet shows unchanged are numbers too, so sums and
// charts work on them.
struct ReportCell {
    std::string text;
    std::optional<double> number;
    bool admission = false;  // the CSV puts an apostrophe before it
};

// A row of the report: a graded student's values, one cell per column, or an
// absent student's admission number and name only (always the first two
// cells, whatever the chosen items).
struct ReportRow {
    int student = -1;
    int record = -1;  // -1: absent
    int taken = 0;    // students of the group picked so far, this one included
    std::vector<ReportCell> cells;
};

// The rows in report order, absent students left out unless included.
std::vector<ReportRow> reportRows(const RunView& run, const ReportRequest& request);

// The score text of the general float-to-text form, a number when a
// spreadsheet's general format shows exactly that text.
ReportCell scoreCell(float value);

}  // namespace tarvel
