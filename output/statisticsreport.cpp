#include "output/statisticsreport.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include "base/floattext.h"
#include "output/xlsxspreadsheet.h"

namespace tarvel {
namespace {

using Row = std::vector<StatisticsCell>;

StatisticsCell heading(const std::string& text) { return {text, {}, "", true, false}; }
StatisticsCell text(const std::string& text) { return {text, {}, "", false, false}; }

// A number shown with the sheet's format; the CSV shows the same text.
// Values that could not be computed are "—".
StatisticsCell number(double value, const char* format) {
    if (!std::isfinite(value)) return text("—");
    char buffer[48];
    const std::string f = format;
    if (f == "0.0%") std::snprintf(buffer, sizeof buffer, "%.1f%%", value * 100);
    else if (f == "0.00") std::snprintf(buffer, sizeof buffer, "%.2f", value);
    else std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return {buffer, value, f == "0" ? "" : format, false, false};
}
StatisticsCell count(int value) { return number(value, "0"); }
StatisticsCell score(double value) { return {floatToText(float(value)), value, "", false, false}; }

StatisticsTable table(const std::string& sheet, const std::string& title, std::vector<std::pair<int, double>> widths) {
    StatisticsTable t;
    t.sheet = sheet;
    t.title = title;
    t.widths = std::move(widths);
    return t;
}

StatisticsTable summaryTable(const Statistics& st) {
    const ScoreSummary& s = st.summary;
    StatisticsTable t = table("成绩概况", st.title + " 成绩概况", {{1, 30}, {2, 12}});
    t.rows = {{heading("项目"), heading("数值")},
              {text("已阅卷人数"), count(s.count)},
              {text("平均分"), number(s.average, "0.00")},
              {text("最高分"), score(s.highest)},
              {text("最低分"), score(s.lowest)},
              {text("中位数"), number(s.median, "0.00")},
              {text("标准差"), number(s.standardDeviation, "0.00")},
              {text("客观题信度（Cronbach α，即KR-20）"), number(s.reliability, "0.00")}};
    return t;
}

StatisticsTable questionTable(const Statistics& st) {
    StatisticsTable t = table("每小题得分率", st.title + " 每小题得分率", {});
    Row head{heading("题号"), heading("题型"), heading("满分"), heading("平均分"), heading("得分率")};
    for (const char* option : {"A", "B", "C", "D"}) {
        head.push_back(heading(std::string("选") + option + "人数"));
        head.push_back(heading(std::string("选") + option + "比例"));
    }
    for (const char* h : {"未作答人数", "未作答比例", "区分度"}) head.push_back(heading(h));
    t.rows.push_back(head);
    for (const QuestionStatistics& q : st.questions) {
        const double n = st.summary.count;
        Row row{count(q.question), text(q.multiple ? "多选题" : "单选题"), score(q.fullScore),
                number(q.average, "0.00"), number(q.scoreRate, "0.0%")};
        for (int option : q.optionCounts) {
            row.push_back(count(option));
            row.push_back(number(option / n, "0.0%"));
        }
        row.push_back(count(q.blankCount));
        row.push_back(number(q.blankCount / n, "0.0%"));
        row.push_back(number(q.discrimination, "0.00"));
        t.rows.push_back(row);
    }
    return t;
}

StatisticsTable sectionTable(const Statistics& st) {
    StatisticsTable t = table("每大题得分率", st.title + " 每大题得分率", {{1, 12}});
    t.rows.push_back({heading("大题"), heading("满分"), heading("平均分"), heading("得分率")});
    for (const SectionStatistics& s : st.sections) {
        t.rows.push_back({text(std::to_string(s.first) + "到" + std::to_string(s.last) + "题"), score(s.fullScore),
                          number(s.average, "0.00"), number(s.scoreRate, "0.0%")});
    }
    return t;
}

// A block of three columns per question: a heading with the count, then
// admission number, name and answer of every listed student.
StatisticsTable listTable(const std::string& name, const Statistics& st, const std::vector<AnswerList>& lists) {
    StatisticsTable t = table(name, st.title + " " + name, {});
    Row head, columns;
    size_t longest = 0;
    for (size_t b = 0; b < lists.size(); ++b) {
        const int first = int(3 * b) + 1;
        head.push_back(heading("第" + std::to_string(lists[b].question) + "题（" +
                               std::to_string(lists[b].students.size()) + "人）"));
        head.push_back(heading(""));
        head.push_back(heading(""));
        for (const char* h : {"准考证号", "姓名", "作答"}) columns.push_back(heading(h));
        t.widths.push_back({first, 12});
        longest = std::max(longest, lists[b].students.size());
    }
    t.rows.push_back(head);
    t.rows.push_back(columns);
    for (size_t i = 0; i < longest; ++i) {
        Row row;
        for (const AnswerList& list : lists) {
            if (i < list.students.size()) {
                const ListedStudent& s = list.students[i];
                row.push_back({s.admissionNumber, {}, "@", false, true});
                row.push_back(text(s.name));
                row.push_back(text(s.answer));
            } else {
                row.insert(row.end(), 3, text(""));
            }
        }
        t.rows.push_back(std::move(row));
    }
    return t;
}

// The data of both charts side by side: the distribution in columns A-B, the
// score rate per question in columns D-E, from row 3 of the sheet.
StatisticsTable chartTable(const Statistics& st) {
    StatisticsTable t = table(kChartSheetName, st.title + " 成绩分布与每小题得分率", {{1, 12}});
    t.onePage = true;
    t.rows.push_back({heading("分数段"), heading("人数"), text(""), heading("题号"), heading("得分率")});
    const size_t rows = std::max(st.distribution.size(), st.questions.size());
    for (size_t i = 0; i < rows; ++i) {
        Row row(5, text(""));
        if (i < st.distribution.size()) {
            row[0] = text(st.distribution[i].label);
            row[1] = count(st.distribution[i].count);
        }
        if (i < st.questions.size()) {
            row[3] = count(st.questions[i].question);
            row[4] = number(st.questions[i].scoreRate, "0.0%");
        }
        t.rows.push_back(std::move(row));
    }
    ColumnChart histogram;
    histogram.title = "成绩分布";
    histogram.sheet = kChartSheetName;
    const int bins = int(st.distribution.size());
    histogram.categories = {3, 1, 2 + bins, 1};
    histogram.values = {3, 2, 2 + bins, 2};
    histogram.categoryAxis = "分数段";
    histogram.valueAxis = "人数";
    histogram.row = 2;
    histogram.column = 7;
    t.charts.push_back(histogram);
    if (!st.questions.empty()) {
        ColumnChart rates = histogram;
        rates.title = "每小题得分率";
        const int questions = int(st.questions.size());
        rates.categories = {3, 4, 2 + questions, 4};
        rates.values = {3, 5, 2 + questions, 5};
        rates.categoryAxis = "题号";
        rates.valueAxis = "得分率";
        rates.valueFormat = "0%";
        rates.valueMax = 1;
        rates.row = 24;
        t.charts.push_back(rates);
    }
    return t;
}

// False when `stillWanted` said stop (asked every 1024 rows: long lists).
bool writeTable(Spreadsheet& book, const StatisticsTable& t, const std::function<bool()>& stillWanted) {
    book.addSheet(t.sheet);
    CellFormat title;
    title.fontSize = 14;
    title.bold = true;
    book.writeText(1, 1, t.title, title);
    book.setRowHeight(1, 19);
    for (const auto& [column, width] : t.widths) book.setColumnWidth(column, width);
    for (size_t r = 0; r < t.rows.size(); ++r) {
        if (r % 1024 == 1023 && !stillWanted()) return false;
        for (size_t c = 0; c < t.rows[r].size(); ++c) {
            const StatisticsCell& cell = t.rows[r][c];
            CellFormat f;
            f.bold = cell.heading;
            f.numberFormat = cell.numberFormat;
            const int row = int(r) + 2, column = int(c) + 1;
            if (cell.number) book.writeNumber(row, column, *cell.number, f);
            else if (!cell.text.empty() || cell.heading) book.writeText(row, column, cell.text, f);
        }
    }
    for (const ColumnChart& chart : t.charts) book.insertChart(chart);
    if (t.onePage) book.printOnOnePage();
    return true;
}

}  // namespace

std::vector<StatisticsTable> statisticsTables(const Statistics& st, const StatisticsRequest& request) {
    std::vector<StatisticsTable> tables;
    if (request.average) tables.push_back(summaryTable(st));
    if (request.questionRates) tables.push_back(questionTable(st));
    if (request.sectionRates) tables.push_back(sectionTable(st));
    if (request.wrongLists) tables.push_back(listTable("小题做错名单", st, st.wrong));
    if (request.rightLists) tables.push_back(listTable("小题做对名单", st, st.right));
    tables.push_back(chartTable(st));
    return tables;
}

bool fillStatisticsWorkbook(Spreadsheet& book, const std::vector<StatisticsTable>& tables,
                            const ProgressFn& progress) {
    for (size_t i = 0; i < tables.size(); ++i) {
        const int percent = 60 + int(40 * i / tables.size());
        if (!writeTable(book, tables[i], [&] { return !progress || progress(percent); })) return false;
        if (progress && !progress(60 + int(40 * (i + 1) / tables.size()))) return false;
    }
    return true;
}

CsvText statisticsCsv(const std::vector<StatisticsTable>& tables) {
    CsvText csv;
    for (size_t i = 0; i < tables.size(); ++i) {
        const StatisticsTable& t = tables[i];
        if (i > 0) csv.endLine();
        csv.field(t.sheet);
        csv.endLine();
        csv.textField(t.title);
        csv.endLine();
        for (const auto& row : t.rows) {
            for (const StatisticsCell& cell : row) {
                if (cell.admission) csv.admissionField(cell.text);
                else if (cell.number || cell.heading) csv.field(cell.text);
                else csv.textField(cell.text);
            }
            csv.endLine();
        }
    }
    return csv;
}

std::string writeXlsxStatistics(const std::string& path, const std::vector<StatisticsTable>& tables,
                                const ProgressFn& progress, bool& stopped) {
    XlsxSpreadsheet book(path, true);
    stopped = !fillStatisticsWorkbook(book, tables, progress);
    return stopped ? std::string() : book.save();
}

std::string writeCsvStatistics(const std::string& path, const std::vector<StatisticsTable>& tables) {
    std::string message;
    const std::string bytes = statisticsCsv(tables).gbk(message);
    if (!message.empty()) return message;
    return writeCsvFile(path, bytes) ? std::string() : kStatisticsCsvFailed;
}

OutputFile WriteStatistics(const RunView& run, const StatisticsRequest& request, const std::string& folder,
                           const std::tm& now, const ProgressFn& progress) {
    OutputFile file;
    StatisticsResult result = ComputeStatistics(run, request, progress);
    if (!result.ok) {
        file.message = result.message;
        file.stopped = result.stopped;
        return file;
    }
    const std::vector<StatisticsTable> tables = statisticsTables(result.statistics, request);
    OutputWriters writers;
    writers.writeWorkbook = [&](const std::string& path, bool& stopped) {
        return writeXlsxStatistics(path, tables, progress, stopped);
    };
    writers.writeCsv = [&](const std::string& path) { return writeCsvStatistics(path, tables); };
    return writeWorkbookOrCsv(folder, outputFileStem(run, request.group, "统计", now), kStatisticsCsvName, writers);
}

}  // namespace tarvel
