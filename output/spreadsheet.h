#pragma once
// The few spreadsheet calls the output page makes, in place of a spreadsheet
// program's automation interface: sheets, merged ranges, fonts and colours,
// column widths, alignments, the text number format, cell values and column
// charts. Rows and columns count from 1, as cell addresses do ("A1" is 1, 1).
// XlsxSpreadsheet (xlsxspreadsheet.h) writes them into an .xlsx file.
#include <cstdint>
#include <string>

namespace tarvel {

enum class HorizontalAlign { General, Left, Center };
enum class VerticalAlign { Bottom, Center };

inline constexpr uint32_t kRedRgb = 0xFF0000;  // red as RGB (the frame loop has its own kRed)

struct CellFormat {
    double fontSize = 0;  // points; 0 keeps the default
    bool bold = false;
    uint32_t fontColour = 0;  // RGB; 0 keeps the default (black)
    HorizontalAlign horizontal = HorizontalAlign::General;
    VerticalAlign vertical = VerticalAlign::Bottom;
    std::string numberFormat;  // "" general, "@" text, "0.00", "0.0%"
};

struct CellRange {
    int firstRow = 1, firstColumn = 1, lastRow = 1, lastColumn = 1;
};

// A column chart of one series: categories and values are ranges of one
// column on the sheet named, the chart's top left corner sits on a cell of
// the active sheet.
struct ColumnChart {
    std::string title;
    std::string sheet;
    CellRange categories;
    CellRange values;
    std::string categoryAxis, valueAxis;  // axis titles
    std::string valueFormat;              // number format of the value axis, "" general
    double valueMax = 0;                  // top of the value axis, 0 automatic
    int row = 1, column = 1;              // where it is placed
};

class Spreadsheet {
public:
    virtual ~Spreadsheet() = default;
    // A new sheet, which becomes the active one; the calls below act on it.
    virtual void addSheet(const std::string& name) = 0;
    // Merges the range and puts the text in it with the format.
    virtual void mergeRange(const CellRange& range, const std::string& text, const CellFormat& format) = 0;
    virtual void setColumnWidth(int column, double width) = 0;
    // In points. A spreadsheet program grows a row for a larger font as it is
    // set; a file has to say so.
    virtual void setRowHeight(int row, double height) = 0;
    // Every cell of the range takes the format, empty ones included; a value
    // written later brings its own format.
    virtual void formatRange(const CellRange& range, const CellFormat& format) = 0;
    // A text cell: never taken as a formula or a number, whatever it begins with.
    virtual void writeText(int row, int column, const std::string& text, const CellFormat& format) = 0;
    virtual void writeNumber(int row, int column, double value, const CellFormat& format) = 0;
    virtual void insertChart(const ColumnChart& chart) = 0;
    // The active sheet prints landscape on one page.
    virtual void printOnOnePage() = 0;
    // Writes the workbook; "" or what went wrong.
    virtual std::string save() = 0;
};

}  // namespace tarvel
