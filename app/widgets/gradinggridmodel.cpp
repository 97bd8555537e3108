#include "widgets/gradinggridmodel.h"

#include <QBrush>
#include <QColor>
#include <algorithm>

#include "grading/gradinggrid.h"
#include "grading/scoring.h"
#include "qt/text.h"

namespace tarvel::app {
namespace {

// Row number, 阅卷状态, AB卷, 准考证号, 姓名, 年级, 班级, 总得分, 主观题分,
// 选择题分, 多选, 少选, 错选; the question columns follow.
constexpr int kFixedWidths[kFirstQuestionColumn] = {28, 64, 36, 84, 64, 64, 40, 50, 56, 56, 36, 36, 36};

}  // namespace

GradingGridModel::GradingGridModel(GradingRun& run, QObject* parent) : QAbstractTableModel(parent), run_(run) {
    columns_ = kFirstQuestionColumn + questionCount();
    shown_ = shownRecords(run_.students.roster, choiceFromFilter(run_.students.roster, run_.filter), run_.records);
}

int GradingGridModel::questionCount() const { return std::clamp(run_.settings.questionCount, 0, kMaxExamQuestions); }

int GradingGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(1, int(shown_.size()));
}

int GradingGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

int GradingGridModel::recordAt(int row) const {
    return row >= 0 && row < int(shown_.size()) ? shown_[size_t(row)] : -1;
}

int GradingGridModel::rowOf(const std::string& admissionNumber) const {
    return gridRowOf(run_.records, shown_, admissionNumber) - 1;
}

bool GradingGridModel::isStandardAnswerCell(const QModelIndex& index) const {
    return index.isValid() && standardAnswerCellEditable(index.row() + 1, index.column(), int(run_.records.size()));
}

bool GradingGridModel::multipleChoiceColumn(int column) const {
    const int q = column - kFirstQuestionColumn + 1;
    return q >= 1 && q <= questionCount() && run_.settings.question(q).kind == kMultipleChoice;
}

std::vector<int> GradingGridModel::columnWidths() const {
    std::vector<int> widths(std::begin(kFixedWidths), std::end(kFixedWidths));
    const std::vector<int> questions = questionColumnWidths(run_.settings);
    widths.insert(widths.end(), questions.begin(), questions.end());
    return widths;
}

bool GradingGridModel::markedAsDifferent(const QModelIndex& index) const {
    const int record = recordAt(index.row());
    const int q = index.column() - kFirstQuestionColumn + 1;
    if (index.row() < 1 || record < 0 || q < 1 || q > questionCount()) return false;
    return tarvel::markedAsDifferent(run_.records[size_t(record)], run_.records[0], q);
}

bool GradingGridModel::handAssignedCell(const QModelIndex& index) const {
    const int record = recordAt(index.row());
    return record > 0 && (index.column() == kNumberColumn || index.column() == kNameColumn) &&
           run_.records[size_t(record)].handAssigned;
}

QVariant GradingGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= columns_) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: {
            const int record = recordAt(index.row());
            if (record < 0) return QString();
            return qs(gridCellText(run_.records[size_t(record)], index.row() + 1, index.column(), run_.settings));
        }
        case Qt::ForegroundRole:
            if (markedAsDifferent(index)) return QBrush(Qt::red);
            return {};
        case Qt::BackgroundRole:
            if (handAssignedCell(index)) return QBrush(kHandAssignedColour);
            return {};
        case Qt::ToolTipRole:
            if (handAssignedCell(index)) return QString(kHandAssignedTip);
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == kNumberColumn || index.column() == kNameColumn) return {};
            return int(Qt::AlignCenter);
        default: return {};
    }
}

QVariant GradingGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= columns_) return {};
    static const std::vector<std::string> fixed = gridHeaders(ExamSettings{});
    if (section < kFirstQuestionColumn) return qs(fixed[size_t(section)]);
    return QString::number(section - kFirstQuestionColumn + 1);
}

Qt::ItemFlags GradingGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // Column 0 is the grid's fixed column: it numbers the rows and is never selected.
    if (index.column() == 0) return Qt::ItemIsEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (isStandardAnswerCell(index)) f |= Qt::ItemIsEditable;
    return f;
}

bool GradingGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !isStandardAnswerCell(index)) return false;
    const int q = index.column() - kFirstQuestionColumn + 1;
    const std::string text = ss(value.toString());
    if (!setStandardAnswer(run_.records, q, text, remembered_, multipleChoiceColumn(index.column()), rescorePending_))
        return false;
    // The red marking of the whole column follows the standard answer.
    emit dataChanged(this->index(0, index.column()), this->index(rowCount() - 1, index.column()));
    emit standardAnswerEdited();
    return true;
}

void GradingGridModel::rememberCell(const QModelIndex& index) { remembered_ = ss(data(index).toString()); }

void GradingGridModel::rescore() {
    refreshScores(run_.records, run_.settings, rescorePending_);
    refill();
}

void GradingGridModel::notifyAllChanged(int rows) {
    if (rows > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows - 1, columns_ - 1));
}

void GradingGridModel::refill() {
    const Roster& roster = run_.students.roster;
    std::vector<int> shown = shownRecords(roster, choiceFromFilter(roster, run_.filter), run_.records);
    const int columns = kFirstQuestionColumn + questionCount();
    const int oldRows = rowCount();
    const int newRows = std::max(1, int(shown.size()));
    // The usual change after a judgement: the same rows (a card read again)
    // or the same rows and one more at the end (a new card).
    const bool sameStart = !shown.empty() && shown.size() >= shown_.size() &&
                           std::equal(shown_.begin(), shown_.end(), shown.begin());
    if (columns != columns_ || !sameStart) {
        beginResetModel();
        shown_ = std::move(shown);
        columns_ = columns;
        endResetModel();
        return;
    }
    if (newRows > oldRows) {
        beginInsertRows({}, oldRows, newRows - 1);
        shown_ = std::move(shown);
        endInsertRows();
    } else {
        shown_ = std::move(shown);
    }
    notifyAllChanged(oldRows);
}

}  // namespace tarvel::app
