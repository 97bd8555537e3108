#pragma once
// "输出" of the score report (`BtnSCClick`): the same rows as a new workbook
// (title, "成绩", header row, one row per student) or, when the workbook
// cannot be written, as "成绩输出/Result.csv".
//
// For the window: checkReportChoices (reportrows.h) on the user-interface
// thread, then WriteReport (any thread, over a RunSnapshot; FormProgress
// "成绩输出进度" follows its progress while the workbook is filled), then
// ShowOutputFile (outputfile.h) on the user-interface thread.
#include <ctime>
#include <string>
#include <vector>

#include "output/csvtext.h"
#include "output/outputfile.h"
#include "output/reportrows.h"
#include "output/spreadsheet.h"

namespace tarvel {

inline constexpr const char* kResultCsvName = "Result.csv";
inline constexpr const char* kCsvReportFailed = "成绩输出出错，请先关闭打开的Result.csv文件";
inline constexpr const char* kReportProgressCaption = "成绩输出进度";
inline constexpr const char* kReportSheetName = "Sheet1";

// ProgressBar1: students taken × 100 ÷ record count (integer division), kept
// within 0-100 (absent students are taken too), 0 when there is no record.
int reportProgress(int taken, int recordCount);

// Fills a new sheet: title A1:J1 (exam and subject, 18 pt bold, centred),
// A2:J2 "成绩" (14 pt bold red), the bold header row 3 with its column widths,
// rows 4 to roster size + 3 left and vertically centred with column A as
// text, then the rows. False when the progress said stop.
bool fillReportSheet(Spreadsheet& book, const RunView& run, const ReportRequest& request,
                     const std::vector<ReportRow>& rows, const ProgressFn& progress);

// The CSV text: the header line, then per row its values each followed by
// ","; an absent student's line is "'" + number + "," + name.
CsvText reportCsv(const ExamSettings& settings, const ReportRequest& request, const std::vector<ReportRow>& rows);

// The two routes of the rows into a given file: "" or what went wrong (the
// CSV route's failure to write is kCsvReportFailed).
std::string writeXlsxReport(const std::string& path, const RunView& run, const ReportRequest& request,
                            const std::vector<ReportRow>& rows, const ProgressFn& progress, bool& stopped);
std::string writeCsvReport(const std::string& path, const ExamSettings& settings, const ReportRequest& request,
                           const std::vector<ReportRow>& rows);

// One press of "输出" after the choices passed: a new workbook in `folder`
// ("成绩输出/" of the program folder), named by outputFileStem, or Result.csv
// there when the workbook cannot be written.
OutputFile WriteReport(const RunView& run, const ReportRequest& request, const std::string& folder,
                       const std::tm& now, const ProgressFn& progress = {});

}  // namespace tarvel
