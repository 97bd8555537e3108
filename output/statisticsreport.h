#pragma once
// The statistics as tables — one sheet per chosen statistic and a chart
// sheet with the score distribution and the score rate of every question as
// native column charts — written as a new workbook in "成绩输出/", or as
// "成绩输出/Statistics.csv" with the same tables when the workbook cannot be
// written.
//
// For the window: checkStatisticsRequest (statistics.h) on the user-interface
// thread, then WriteStatistics on a worker thread over a RunSnapshot while
// FormTJProgress runs (its progress can stop it), then ShowOutputFile
// (outputfile.h) on the user-interface thread.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "output/csvtext.h"
#include "output/outputfile.h"
#include "output/spreadsheet.h"
#include "output/statistics.h"

namespace tarvel {

inline constexpr const char* kStatisticsCsvName = "Statistics.csv";
inline constexpr const char* kStatisticsCsvFailed = "统计输出出错，请先关闭打开的Statistics.csv文件";
inline constexpr const char* kChartSheetName = "图表";

// One cell of a statistics table: the text the CSV shows and, for numbers,
// the value and number format the sheet shows it with.
struct StatisticsCell {
    std::string text;
    std::optional<double> number;
    const char* numberFormat = "";  // "", "0.00", "0.0%"
    bool heading = false;           // bold
    bool admission = false;  // the CSV puts an apostrophe before it
};

// A sheet: its name, a title line, rows (from row 2 of the sheet), column
// widths and charts over its cells. Sheets are written row after row.
struct StatisticsTable {
    std::string sheet;
    std::string title;
    std::vector<std::vector<StatisticsCell>> rows;
    std::vector<std::pair<int, double>> widths;  // column, width
    std::vector<ColumnChart> charts;
    bool onePage = false;  // printed landscape on one page (the charts)
};

// The tables of the chosen statistics, in box order, the chart sheet last.
std::vector<StatisticsTable> statisticsTables(const Statistics& statistics, const StatisticsRequest& request);

// Writes the tables into sheets with their charts. False when the progress
// said stop (60-100 %).
bool fillStatisticsWorkbook(Spreadsheet& book, const std::vector<StatisticsTable>& tables,
                            const ProgressFn& progress);
// The same tables one after another, each after its sheet name, an empty
// line between them.
CsvText statisticsCsv(const std::vector<StatisticsTable>& tables);

// Into a given file: "" or what went wrong.
std::string writeXlsxStatistics(const std::string& path, const std::vector<StatisticsTable>& tables,
                                const ProgressFn& progress, bool& stopped);
std::string writeCsvStatistics(const std::string& path, const std::vector<StatisticsTable>& tables);

// One press of "输出" of the statistics box: computes, then writes a new
// workbook in `folder` or, when it cannot be written, Statistics.csv there.
OutputFile WriteStatistics(const RunView& run, const StatisticsRequest& request, const std::string& folder,
                           const std::tm& now, const ProgressFn& progress = {});

}  // namespace tarvel
