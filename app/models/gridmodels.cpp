#include "models/gridmodels.h"

#include "qt/text.h"

namespace tarvel::app {

bool CoreTableModel::validCell(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < columnCount();
}

QVariant CoreTableModel::data(const QModelIndex& index, int role) const {
    if (!validCell(index) || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return qs(cellText(index.row(), index.column()));
}

QVariant CoreTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount()) return {};
    return qs(heading(section));
}

Qt::ItemFlags CoreTableModel::flags(const QModelIndex& index) const {
    if (!validCell(index)) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (editable(index.column())) f |= Qt::ItemIsEditable;
    return f;
}

void CoreTableModel::reload() {
    beginResetModel();
    endResetModel();
}

void CoreTableModel::cellChanged(int row, int column) {
    const QModelIndex cell = index(row, column);
    if (cell.isValid()) emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

StudentGridModel::StudentGridModel(StudentGrid& grid, Roster& roster, Prompter& prompter, QObject* parent)
    : CoreTableModel(parent), grid_(grid), roster_(roster), prompter_(prompter) {}

int StudentGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(grid_.rows.size());
}

int StudentGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kStudentColumnCount;
}

bool StudentGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!validCell(index) || role != Qt::EditRole || !editable(index.column())) return false;
    const GridOutcome outcome =
        finishStudentEdit(grid_, roster_, index.row(), index.column(), ss(value.toString()), prompter_);
    // A refusal asks for the cell again; the cell keeps its text.
    if (!outcome.openEditor) emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (edited) edited(index.row(), index.column(), outcome);
    return !outcome.openEditor;
}

GradeGridModel::GradeGridModel(std::vector<GradeEntry>& rows, Prompter& prompter, QObject* parent)
    : CoreTableModel(parent), rows_(rows), prompter_(prompter) {}

int GradeGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int GradeGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kGradeColumnCount; }

bool GradeGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!validCell(index) || role != Qt::EditRole || !editable(index.column())) return false;
    if (!finishGradeEdit(rows_, index.row(), index.column(), ss(value.toString()), prompter_)) return false;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (edited) edited(index.row(), index.column());
    return true;
}

ExamGridModel::ExamGridModel(tarvel::ExamPage& page, ExamGrid grid, QObject* parent)
    : CoreTableModel(parent), page_(page), grid_(grid) {}

int ExamGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : examRowCount(page_, grid_);
}

int ExamGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : examColumnCount(grid_);
}

bool ExamGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!validCell(index) || role != Qt::EditRole || !editable(index.column())) return false;
    const bool changed = setExamCell(page_, grid_, index.row(), index.column(), ss(value.toString()));
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (edited) edited(changed);
    return true;
}

}  // namespace tarvel::app
