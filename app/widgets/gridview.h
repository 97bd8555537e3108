#pragma once
// The string grids of the students and exam pages (SGridNJ, SGridXS, SGridTF,
// SGridDX) as one table view over a model: fixed row height and column
// widths, a heading row on the button face with a black line along its bottom
// and right edges and the caption centred, column 0 holding the row number
// (there is no row header), white cells while the grid does not have the
// focus (so that no selection shows), silver text while it is disabled.
//
// The cell editors are made by GridDelegate. A filtered cell hands every key,
// Backspace, Delete, cut and paste of its editor to a core function and shows
// what it returns, so the rules of a cell live in one place; its input method
// is off so that digits can be typed directly.
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "roster/celledit.h"

class QLineEdit;

namespace tarvel::app {

class GridView : public QTableView {
    Q_OBJECT
public:
    GridView(const char* objectName, const std::vector<int>& columnWidths, int rowHeight, QWidget* parent = nullptr);

    // Columns that take no typing: a click there selects the whole row.
    void setRowColumns(std::function<bool(int column)> rowColumn) { rowColumn_ = std::move(rowColumn); }
    // Columns that take digits only: the input method is off while one of
    // them is current, so a key goes straight to the cell.
    void setDigitColumns(std::function<bool(int column)> digitColumn) { digitColumn_ = std::move(digitColumn); }
    // Columns edited by a drop-down, which a click lays over the cell.
    void setDropDownColumns(std::function<bool(int column)> dropDown) { dropDownColumn_ = std::move(dropDown); }

    // Makes a cell current (data rows and columns from 0), gives the grid the
    // focus and, when asked, opens the cell editor; `caretAtEnd` leaves the
    // text unselected with the caret after it, so typing goes on from there.
    void goTo(int row, int column, bool edit, bool caretAtEnd = false);
    // The open cell editor, or null.
    QWidget* openEditor() const;
    // The grid or its cell editor has the keyboard focus.
    bool focused() const;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    std::function<bool(int)> rowColumn_;
    std::function<bool(int)> digitColumn_;
    std::function<bool(int)> dropDownColumn_;
};

// What the cells of one grid take.
struct CellRules {
    // Columns whose editor goes through `edit`.
    std::function<bool(int column)> filtered;
    // One editor action of a filtered cell.
    std::function<EditorChange(const QModelIndex& cell, const EditorText& before, EditorAction action,
                               const std::string& input)>
        edit;
    // After an accepted change of a filtered cell: the text the editor gets
    // instead (a repeated code or number goes back), or nullopt. A grid with
    // this hook keeps its rows up to date while typing, so Escape there
    // commits the editor instead of reverting it.
    std::function<std::optional<std::string>(const QModelIndex& cell, const std::string& text)> typed;
    // Items of a column edited by a drop-down (empty for a typed column) and
    // the drop-down's component name.
    std::function<std::vector<std::string>(int column)> dropDown;
    const char* dropDownName = "";
};

class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    GridDelegate(GridView* view, CellRules rules);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool filtered(const QModelIndex& index) const { return rules_.filtered && rules_.filtered(index.column()); }
    // True when the key was taken (applied or refused); false when the
    // editor handles it itself (moving the caret, Enter, Tab...).
    bool filterKey(QLineEdit* editor, const QKeyEvent* key);
    void apply(QLineEdit* editor, EditorAction action, const std::string& input);

    GridView* view_;
    CellRules rules_;
    // While a hook may show a message: the editor's loss of focus to the
    // message box must not end the edit.
    bool busy_ = false;
};

}  // namespace tarvel::app
