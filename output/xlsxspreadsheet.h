#pragma once
// The spreadsheet calls written into an .xlsx file with libxlsxwriter. The
// file is written by save(); a workbook destroyed unsaved writes nothing.
// A workbook written row after row, sheet after sheet, can keep only the
// current row in memory (`rowsInOrder`; no merged ranges then), so that lists
// of millions of cells do not take a gigabyte.
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "output/spreadsheet.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace tarvel {

class XlsxSpreadsheet : public Spreadsheet {
public:
    explicit XlsxSpreadsheet(const std::string& path, bool rowsInOrder = false);
    ~XlsxSpreadsheet() override;
    XlsxSpreadsheet(const XlsxSpreadsheet&) = delete;
    XlsxSpreadsheet& operator=(const XlsxSpreadsheet&) = delete;

    void addSheet(const std::string& name) override;
    void mergeRange(const CellRange& range, const std::string& text, const CellFormat& format) override;
    void setColumnWidth(int column, double width) override;
    void setRowHeight(int row, double height) override;
    void formatRange(const CellRange& range, const CellFormat& format) override;
    void writeText(int row, int column, const std::string& text, const CellFormat& format) override;
    void writeNumber(int row, int column, double value, const CellFormat& format) override;
    void insertChart(const ColumnChart& chart) override;
    void printOnOnePage() override;
    std::string save() override;

private:
    lxw_format* formatOf(const CellFormat& format);
    bool usable();  // a sheet to write to and no error so far
    void check(int error);

    using FormatKey = std::tuple<double, bool, uint32_t, int, int, std::string>;
    lxw_workbook* workbook_;
    lxw_worksheet* sheet_ = nullptr;
    std::map<FormatKey, lxw_format*> formats_;
    std::string error_;
};

}  // namespace tarvel
