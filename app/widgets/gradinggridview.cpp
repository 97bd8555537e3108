#include "widgets/gradinggridview.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QValidator>

#include "grading/gradinggrid.h"
#include "qt/text.h"

namespace tarvel::app {
namespace {

constexpr int kRowHeight = 20;

// Pasted text is taken only when it is an answer as a whole.
class AnswerValidator : public QValidator {
public:
    AnswerValidator(bool multiple, QObject* parent) : QValidator(parent), multiple_(multiple) {}
    State validate(QString& input, int&) const override {
        return isAnswerText(ss(input), multiple_) ? Acceptable : Invalid;
    }

private:
    bool multiple_;
};

class AnswerCellDelegate : public QStyledItemDelegate {
public:
    explicit AnswerCellDelegate(GradingGridView& view) : QStyledItemDelegate(&view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* editor = new AnswerEdit(view_.gridModel().multipleChoiceColumn(index.column()), parent);
        // Every edit is written into the standard answer at once.
        auto* self = const_cast<AnswerCellDelegate*>(this);
        connect(editor, &QLineEdit::textEdited, self, [self, editor] { emit self->commitData(editor); });
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        // The model echoes each edit back: the text is the same, and the caret
        // must stay where the user put it.
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line && line->text() == index.data(Qt::EditRole).toString()) return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        if (index.column() == 0) {
            o.backgroundBrush = o.palette.button();
            o.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        }
        // Without the focus every cell is drawn on white: the selection does not show.
        if (!view_.gridFocused() && index.column() != 0) {
            o.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
            if (!view_.gridModel().handAssignedCell(index)) o.backgroundBrush = o.palette.base();
        }
        if (view_.gridModel().markedAsDifferent(index)) {
            o.palette.setColor(QPalette::Text, Qt::red);
            o.palette.setColor(QPalette::HighlightedText, Qt::red);
        }
        const QWidget* widget = o.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &o, painter, widget);
    }

private:
    GradingGridView& view_;
};

}  // namespace

AnswerEdit::AnswerEdit(bool multiple, QWidget* parent) : QLineEdit(parent), multiple_(multiple) {
    setValidator(new AnswerValidator(multiple, this));
    // Letters are typed straight in, never through an input method.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void AnswerEdit::keyPressEvent(QKeyEvent* event) {
    char key = 0;
    if (event->key() == Qt::Key_Backspace) {
        key = '\b';
    } else if (event->text().size() == 1 && event->text()[0].isPrint() &&
               !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar c = event->text()[0];
        key = c.unicode() < 128 ? char(c.unicode()) : '?';  // anything else is dropped by the filter
    } else {
        QLineEdit::keyPressEvent(event);  // moving the caret, Enter, Escape, Delete, paste
        return;
    }
    event->accept();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = hasSelectedText() ? int(selectedText().size()) : 0;
    const auto edit = filterStandardAnswerKey(ss(text()), start, length, key, multiple_);
    if (!edit) return;
    setText(qs(edit->text));
    setCursorPosition(edit->caret);
    emit textEdited(text());
}

GradingGridView::GradingGridView(GradingGridModel& model, QWidget* parent) : QTableView(parent), model_(model) {
    setObjectName("SGridYJ");
    setModel(&model);
    setItemDelegate(new AnswerCellDelegate(*this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
    // Fixed sizes: 5000 rows cost nothing to lay out.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(16);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setFixedHeight(kRowHeight + 2);
    connect(&model, &QAbstractItemModel::modelReset, this, &GradingGridView::applyColumnWidths);
    applyColumnWidths();
}

void GradingGridView::applyColumnWidths() {
    const std::vector<int> widths = model_.columnWidths();
    for (int c = 0; c < int(widths.size()); ++c) horizontalHeader()->resizeSection(c, widths[size_t(c)]);
}

bool GradingGridView::gridFocused() const {
    const QWidget* focus = QApplication::focusWidget();
    return hasFocus() || (focus && isAncestorOf(focus));
}

void GradingGridView::makeRowCurrent(int row) {
    if (row < 0 || row >= model_.rowCount()) return;
    const int column = std::max(1, currentIndex().isValid() ? currentIndex().column() : 1);
    setCurrentIndex(model_.index(row, column));
}

void GradingGridView::endEditing() {
    QWidget* editor = QApplication::focusWidget();
    if (state() != QAbstractItemView::EditingState || !editor || editor == this || !isAncestorOf(editor)) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GradingGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // A standard-answer cell is selected alone and can be typed into; every
    // other cell selects its row.
    const bool answerCell = model_.isStandardAnswerCell(current);
    setSelectionBehavior(answerCell ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    if (current.isValid()) {
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                              (answerCell ? QItemSelectionModel::NoUpdate : QItemSelectionModel::Rows));
    }
    if (answerCell) model_.rememberCell(current);
    QTableView::currentChanged(current, previous);
}

void GradingGridView::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index = indexAt(event->pos());
    if (index.isValid()) {
        if (index.column() == 0) index = model_.index(index.row(), 1);
        setCurrentIndex(index);
    }
    emit popupRequested(event->globalPos());
}

void GradingGridView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void GradingGridView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

}  // namespace tarvel::app
