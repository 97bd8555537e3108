#include "output/scorereport.h"

#include <algorithm>

#include "output/xlsxspreadsheet.h"

namespace tarvel {
namespace {

CellFormat bodyFormat(bool text) {
    CellFormat f;
    f.horizontal = HorizontalAlign::Left;
    f.vertical = VerticalAlign::Center;
    if (text) f.numberFormat = "@";
    return f;
}

// Writes the value; column A holds text, so a number there keeps the text it shows.
void writeCell(Spreadsheet& book, int row, int column, const ReportCell& cell) {
    const bool columnA = column == 1;
    if (cell.number && !columnA) {
        book.writeNumber(row, column, *cell.number, bodyFormat(false));
    } else {
        book.writeText(row, column, cell.text, bodyFormat(columnA));
    }
}

}  // namespace

int reportProgress(int taken, int recordCount) {
    if (recordCount <= 0) return 0;
    return std::clamp(int(int64_t(taken) * 100 / recordCount), 0, 100);
}

bool fillReportSheet(Spreadsheet& book, const RunView& run, const ReportRequest& request,
                     const std::vector<ReportRow>& rows, const ProgressFn& progress) {
    book.addSheet(kReportSheetName);
    CellFormat title;
    title.fontSize = 18;
    title.bold = true;
    title.horizontal = HorizontalAlign::Center;
    book.mergeRange({1, 1, 1, 10}, run.settings.examName + run.settings.subjectName, title);
    book.setRowHeight(1, 24);
    CellFormat second;
    second.fontSize = 14;
    second.bold = true;
    second.fontColour = kRedRgb;
    book.mergeRange({2, 1, 2, 10}, "成绩", second);
    book.setRowHeight(2, 19);

    const std::vector<ReportColumn> columns = reportColumns(request, run.settings);
    CellFormat header;
    header.bold = true;
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].width > 0) book.setColumnWidth(int(c) + 1, columns[c].width);
        book.writeText(3, int(c) + 1, columns[c].header, header);
    }
    // The whole roster's rows are formatted, as many as any group can fill.
    const int lastRow = int(run.roster.students.size()) + 3;
    if (lastRow >= 4 && !columns.empty()) {
        book.formatRange({4, 1, lastRow, int(columns.size())}, bodyFormat(false));
        book.formatRange({4, 1, lastRow, 1}, bodyFormat(true));
    }

    const int recordCount = int(run.records.size());
    int shown = -1;
    int row = 4;
    for (const ReportRow& r : rows) {
        for (size_t c = 0; c < r.cells.size(); ++c) writeCell(book, row, int(c) + 1, r.cells[c]);
        ++row;
        const int position = reportProgress(r.taken, recordCount);
        if (position != shown && progress && !progress(position)) return false;
        shown = position;
    }
    return true;
}

CsvText reportCsv(const ExamSettings& settings, const ReportRequest& request, const std::vector<ReportRow>& rows) {
    CsvText csv;
    for (const ReportColumn& c : reportColumns(request, settings)) csv.field(c.header);
    csv.endLine();
    for (const ReportRow& r : rows) {
        if (r.record < 0) {
            csv.admissionField(r.cells[0].text);
            csv.append(guardFormula(r.cells[1].text));
        } else {
            for (const ReportCell& cell : r.cells) {
                if (cell.admission) csv.admissionField(cell.text);
                else if (cell.number) csv.field(cell.text);
                else csv.textField(cell.text);
            }
        }
        csv.endLine();
    }
    return csv;
}

std::string writeXlsxReport(const std::string& path, const RunView& run, const ReportRequest& request,
                            const std::vector<ReportRow>& rows, const ProgressFn& progress, bool& stopped) {
    XlsxSpreadsheet book(path);
    stopped = !fillReportSheet(book, run, request, rows, progress);
    return stopped ? std::string() : book.save();
}

std::string writeCsvReport(const std::string& path, const ExamSettings& settings, const ReportRequest& request,
                           const std::vector<ReportRow>& rows) {
    std::string message;
    const std::string bytes = reportCsv(settings, request, rows).gbk(message);
    if (!message.empty()) return message;
    return writeCsvFile(path, bytes) ? std::string() : kCsvReportFailed;
}

OutputFile WriteReport(const RunView& run, const ReportRequest& request, const std::string& folder,
                       const std::tm& now, const ProgressFn& progress) {
    OutputFile file;
    file.message = checkReportChoices(run.roster, request);
    if (!file.message.empty()) return file;
    const std::vector<ReportRow> rows = reportRows(run, request);
    OutputWriters writers;
    writers.writeWorkbook = [&](const std::string& path, bool& stopped) {
        return writeXlsxReport(path, run, request, rows, progress, stopped);
    };
    writers.writeCsv = [&](const std::string& path) { return writeCsvReport(path, run.settings, request, rows); };
    return writeWorkbookOrCsv(folder, outputFileStem(run, request.group, "", now), kResultCsvName, writers);
}

}  // namespace tarvel
