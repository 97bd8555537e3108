#pragma once
// SGridYJ: the grading grid's view. It selects whole rows, except on a
// standard-answer cell, which it selects alone and lets the user type into
// (only "A" to "D" in ascending order get through). Answers that differ from
// the standard answer are red; while the grid does not have the focus every
// cell is drawn on white, so the selection does not show. A right-button
// press selects the cell under the mouse before the pop-up menu opens.
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>

#include "widgets/gradinggridmodel.h"

namespace tarvel::app {

// The cell editor of a standard answer: typed keys go through the grid
// core's key filter, pasted text must be an answer as a whole.
class AnswerEdit : public QLineEdit {
    Q_OBJECT
public:
    AnswerEdit(bool multiple, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool multiple_;
};

class GradingGridView : public QTableView {
    Q_OBJECT
public:
    GradingGridView(GradingGridModel& model, QWidget* parent = nullptr);
    GradingGridModel& gridModel() const { return model_; }
    // The grid or its cell editor has the keyboard focus.
    bool gridFocused() const;
    // Makes `row` current (the whole row selected), keeping the column.
    void makeRowCurrent(int row);
    // Commits and closes an open cell editor.
    void endEditing();

signals:
    // After a right-button press has selected the cell under the mouse.
    void popupRequested(const QPoint& globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyColumnWidths();

    GradingGridModel& model_;
};

}  // namespace tarvel::app
