#include "output/xlsxspreadsheet.h"

#include <xlsxwriter.h>

namespace tarvel {
namespace {

// From 1-based addresses to libxlsxwriter's 0-based ones.
lxw_row_t rowOf(int row) { return lxw_row_t(row - 1); }
lxw_col_t columnOf(int column) { return lxw_col_t(column - 1); }

lxw_workbook* newWorkbook(const std::string& path, bool rowsInOrder) {
    lxw_workbook_options options{};
    options.constant_memory = rowsInOrder ? LXW_TRUE : LXW_FALSE;
    options.use_zip64 = LXW_TRUE;  // a workbook of very long lists may pass 4 GB unpacked
    return workbook_new_opt(path.c_str(), &options);
}

}  // namespace

XlsxSpreadsheet::XlsxSpreadsheet(const std::string& path, bool rowsInOrder)
    : workbook_(newWorkbook(path, rowsInOrder)) {
    if (!workbook_) error_ = "无法创建工作簿";
}

XlsxSpreadsheet::~XlsxSpreadsheet() {
    if (workbook_) lxw_workbook_free(workbook_);
}

void XlsxSpreadsheet::check(int error) {
    if (error != LXW_NO_ERROR && error_.empty()) error_ = lxw_strerror(lxw_error(error));
}

bool XlsxSpreadsheet::usable() {
    if (!workbook_ || !sheet_) {
        if (error_.empty()) error_ = workbook_ ? "工作簿中没有工作表" : "工作簿已经写出";
        return false;
    }
    return error_.empty();
}

lxw_format* XlsxSpreadsheet::formatOf(const CellFormat& f) {
    const FormatKey key{f.fontSize, f.bold, f.fontColour, int(f.horizontal), int(f.vertical), f.numberFormat};
    auto found = formats_.find(key);
    if (found != formats_.end()) return found->second;
    lxw_format* format = workbook_add_format(workbook_);
    if (f.fontSize > 0) format_set_font_size(format, f.fontSize);
    if (f.bold) format_set_bold(format);
    if (f.fontColour != 0) format_set_font_color(format, f.fontColour);
    if (f.horizontal == HorizontalAlign::Left) format_set_align(format, LXW_ALIGN_LEFT);
    if (f.horizontal == HorizontalAlign::Center) format_set_align(format, LXW_ALIGN_CENTER);
    if (f.vertical == VerticalAlign::Center) format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    if (!f.numberFormat.empty()) format_set_num_format(format, f.numberFormat.c_str());
    formats_.emplace(key, format);
    return format;
}

void XlsxSpreadsheet::addSheet(const std::string& name) {
    if (!workbook_ || !error_.empty()) return;
    sheet_ = workbook_add_worksheet(workbook_, name.c_str());
    if (!sheet_) error_ = "无法添加工作表“" + name + "”";
}

void XlsxSpreadsheet::mergeRange(const CellRange& r, const std::string& text, const CellFormat& format) {
    if (!usable()) return;
    check(worksheet_merge_range(sheet_, rowOf(r.firstRow), columnOf(r.firstColumn), rowOf(r.lastRow),
                                columnOf(r.lastColumn), text.c_str(), formatOf(format)));
}

void XlsxSpreadsheet::setColumnWidth(int column, double width) {
    if (!usable()) return;
    check(worksheet_set_column(sheet_, columnOf(column), columnOf(column), width, nullptr));
}

void XlsxSpreadsheet::setRowHeight(int row, double height) {
    if (!usable()) return;
    check(worksheet_set_row(sheet_, rowOf(row), height, nullptr));
}

void XlsxSpreadsheet::formatRange(const CellRange& r, const CellFormat& format) {
    if (!usable()) return;
    lxw_format* f = formatOf(format);
    for (int row = r.firstRow; row <= r.lastRow; ++row) {
        for (int column = r.firstColumn; column <= r.lastColumn; ++column) {
            check(worksheet_write_blank(sheet_, rowOf(row), columnOf(column), f));
        }
    }
}

void XlsxSpreadsheet::writeText(int row, int column, const std::string& text, const CellFormat& format) {
    if (!usable()) return;
    check(worksheet_write_string(sheet_, rowOf(row), columnOf(column), text.c_str(), formatOf(format)));
}

void XlsxSpreadsheet::writeNumber(int row, int column, double value, const CellFormat& format) {
    if (!usable()) return;
    check(worksheet_write_number(sheet_, rowOf(row), columnOf(column), value, formatOf(format)));
}

void XlsxSpreadsheet::insertChart(const ColumnChart& c) {
    if (!usable()) return;
    lxw_chart* chart = workbook_add_chart(workbook_, LXW_CHART_COLUMN);
    if (!chart) {
        error_ = "无法创建图表";
        return;
    }
    lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
    chart_series_set_categories(series, c.sheet.c_str(), rowOf(c.categories.firstRow), columnOf(c.categories.firstColumn),
                                rowOf(c.categories.lastRow), columnOf(c.categories.lastColumn));
    chart_series_set_values(series, c.sheet.c_str(), rowOf(c.values.firstRow), columnOf(c.values.firstColumn),
                            rowOf(c.values.lastRow), columnOf(c.values.lastColumn));
    chart_title_set_name(chart, c.title.c_str());
    chart_axis_set_name(chart->x_axis, c.categoryAxis.c_str());
    chart_axis_set_name(chart->y_axis, c.valueAxis.c_str());
    if (!c.valueFormat.empty()) chart_axis_set_num_format(chart->y_axis, c.valueFormat.c_str());
    if (c.valueMax > 0) chart_axis_set_max(chart->y_axis, c.valueMax);
    chart_axis_set_min(chart->y_axis, 0);
    chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    lxw_chart_options options{};
    options.x_scale = 1.6;
    options.y_scale = 1.3;
    check(worksheet_insert_chart_opt(sheet_, rowOf(c.row), columnOf(c.column), chart, &options));
}

void XlsxSpreadsheet::printOnOnePage() {
    if (!usable()) return;
    worksheet_set_landscape(sheet_);
    worksheet_fit_to_pages(sheet_, 1, 1);
}

std::string XlsxSpreadsheet::save() {
    if (!workbook_) return error_;
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;  // closing frees it, written or not
    sheet_ = nullptr;
    if (!error_.empty()) {
        lxw_workbook_free(workbook);
        return error_;
    }
    check(workbook_close(workbook));
    return error_;
}

}  // namespace tarvel
