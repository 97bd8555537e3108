#pragma once
// The grading grid SGridYJ as a table model over the run's records: one row
// per record the grade/class filter shows (row 0 is always the standard
// answer; with no record, one empty row), question count + 13 columns. Texts,
// the red marking, the editable standard-answer cells and "重新算分" come
// from the grid core; the model only asks it, cell by cell, for what the view
// draws.
#include <QAbstractTableModel>
#include <QColor>
#include <string>
#include <vector>

#include "gradingfile/gradingrun.h"

namespace tarvel::app {

// A card the teacher gave to a suggested student (the record's hand-assigned
// mark) shows its number and name on this colour, with kHandAssignedTip.
inline constexpr QRgb kHandAssignedColour = 0xffffe08a;
inline constexpr const char* kHandAssignedTip = "手动指定：卡上的准考证号不在学生名单中，由老师选定为这名学生的答题卡";
inline constexpr int kNumberColumn = 3;  // 准考证号
inline constexpr int kNameColumn = 4;    // 姓名

class GradingGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GradingGridModel(GradingRun& run, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A standard-answer cell: the text goes into record 0 at once.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // FillGradingGrid: the rows follow the records and the filter. A card
    // appended or replaced changes only its rows (no reset, so the view keeps
    // its place); anything else resets the model.
    void refill();
    // Record shown in `row`, -1 for the empty row of a run without records.
    int recordAt(int row) const;
    // Row of the first shown record with this admission number, -1 when none.
    int rowOf(const std::string& admissionNumber) const;
    // Rows shown (records, or the one empty row).
    int dataRows() const { return rowCount(); }

    bool isStandardAnswerCell(const QModelIndex& index) const;
    // A multiple-choice question in this column (30 pixels wide).
    bool multipleChoiceColumn(int column) const;
    // Width of each column in pixels.
    std::vector<int> columnWidths() const;
    // A student's answer that differs from a standard answer that is not empty.
    bool markedAsDifferent(const QModelIndex& index) const;
    // The number or name cell of a hand-assigned record.
    bool handAssignedCell(const QModelIndex& index) const;

    // The text a standard-answer cell held when it was selected: an edit
    // that changes it while students are stored asks for "重新算分".
    void rememberCell(const QModelIndex& index);
    bool rescorePending() const { return rescorePending_; }
    // "重新算分": every student record rescored, the flag cleared.
    void rescore();
    // The flag as a freshly prepared page has it (scores just recalculated).
    void clearRescorePending() { rescorePending_ = false; }

signals:
    // Record 0 changed through the grid.
    void standardAnswerEdited();

private:
    int questionCount() const;
    void notifyAllChanged(int rows);

    GradingRun& run_;
    std::vector<int> shown_;
    int columns_ = kFirstQuestionColumn;
    std::string remembered_;
    bool rescorePending_ = false;
};

}  // namespace tarvel::app
