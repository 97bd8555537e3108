#include "widgets/gridview.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "qt/text.h"

namespace tarvel::app {
namespace {

constexpr const char* kCellEditor = "cellEditor";
const QColor kSilver(192, 192, 192);

// Editor positions count bytes of UTF-8 in the cores, UTF-16 units in Qt.
int bytesBefore(const QString& text, int position) { return int(text.left(position).toUtf8().size()); }
int unitsBefore(const std::string& text, int bytes) {
    return int(QString::fromUtf8(text.data(), std::min<int>(bytes, int(text.size()))).size());
}

EditorText editorText(const QLineEdit* editor) {
    const QString text = editor->text();
    EditorText e{ss(text), 0, 0};
    if (editor->hasSelectedText()) {
        const int start = editor->selectionStart();
        e.selStart = bytesBefore(text, start);
        e.selLength = bytesBefore(text, start + int(editor->selectedText().size())) - e.selStart;
    } else {
        e.selStart = bytesBefore(text, editor->cursorPosition());
    }
    return e;
}

void showText(QLineEdit* editor, const EditorText& e) {
    const QString text = qs(e.text);
    if (editor->text() != text) editor->setText(text);
    const int start = unitsBefore(e.text, e.selStart);
    if (e.selLength > 0) {
        editor->setSelection(start, unitsBefore(e.text, e.selStart + e.selLength) - start);
    } else {
        editor->deselect();
        editor->setCursorPosition(start);
    }
}

}  // namespace

GridView::GridView(const char* objectName, const std::vector<int>& columnWidths, int rowHeight, QWidget* parent)
    : QTableView(parent) {
    setObjectName(objectName);
    setSelectionMode(SingleSelection);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(rowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* heading = horizontalHeader();
    heading->setMinimumSectionSize(1);
    heading->setSectionResizeMode(QHeaderView::Fixed);
    heading->setDefaultAlignment(Qt::AlignCenter);
    heading->setHighlightSections(false);
    heading->setFixedHeight(rowHeight);
    heading->setStyleSheet(
        "QHeaderView::section { background-color: palette(button); color: black; padding: 0px;"
        " border: none; border-right: 1px solid black; border-bottom: 1px solid black; }");
    for (size_t c = 0; c < columnWidths.size(); ++c) heading->resizeSection(int(c), columnWidths[c]);
    // Widths set before a model arrives would be lost with the first one.
    connect(heading, &QHeaderView::sectionCountChanged, this, [heading, columnWidths] {
        for (size_t c = 0; c < columnWidths.size() && int(c) < heading->count(); ++c)
            heading->resizeSection(int(c), columnWidths[c]);
    });

    // The cells are painted white while the focus is elsewhere: repaint
    // whenever it comes or goes.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        auto inside = [this](QWidget* w) { return w && (w == this || isAncestorOf(w)); };
        if (inside(old) != inside(now)) viewport()->update();
    });
}

bool GridView::focused() const {
    QWidget* f = QApplication::focusWidget();
    return f && (f == this || isAncestorOf(f));
}

QWidget* GridView::openEditor() const {
    for (QWidget* w : viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // A closed editor is hidden at once and deleted later.
        if (w->isVisible() && w->property(kCellEditor).toBool()) return w;
    }
    return nullptr;
}

void GridView::goTo(int row, int column, bool edit, bool caretAtEnd) {
    const QModelIndex cell = model() ? model()->index(row, column) : QModelIndex();
    setFocus();
    if (!cell.isValid()) return;
    setCurrentIndex(cell);
    scrollTo(cell);
    if (!edit) return;
    QTableView::edit(cell);
    if (auto* editor = qobject_cast<QLineEdit*>(openEditor()); editor && caretAtEnd) {
        editor->deselect();
        editor->end(false);
    }
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!current.isValid()) return;
    const bool digits = digitColumn_ && digitColumn_(current.column());
    if (testAttribute(Qt::WA_InputMethodEnabled) == digits) {
        setAttribute(Qt::WA_InputMethodEnabled, !digits);
        if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
    }
}

QItemSelectionModel::SelectionFlags GridView::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    QItemSelectionModel::SelectionFlags flags = QTableView::selectionCommand(index, event);
    if (index.isValid() && rowColumn_ && rowColumn_(index.column()) && (flags & QItemSelectionModel::Select))
        flags |= QItemSelectionModel::Rows;
    return flags;
}

void GridView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    const QModelIndex cell = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && cell.isValid() && dropDownColumn_ && dropDownColumn_(cell.column()) &&
        (cell.flags() & Qt::ItemIsEditable) && !openEditor()) {
        QTableView::edit(cell);
    }
}

GridDelegate::GridDelegate(GridView* view, CellRules rules)
    : QStyledItemDelegate(view), view_(view), rules_(std::move(rules)) {}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool enabled = option.state & QStyle::State_Enabled;
    if (enabled && view_->focused()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Without the focus no selection shows: white cells, the text 2 pixels
    // from the left and top edges.
    painter->save();
    painter->fillRect(option.rect, Qt::white);
    painter->setPen(enabled ? QColor(Qt::black) : kSilver);
    painter->setFont(option.font);
    const QRect text = option.rect.adjusted(2, 2, -1, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
    painter->restore();
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    if (rules_.dropDown) {
        const std::vector<std::string> items = rules_.dropDown(index.column());
        if (!items.empty()) {
            auto* box = new QComboBox(parent);
            box->setObjectName(rules_.dropDownName);
            box->setProperty(kCellEditor, true);
            for (const std::string& item : items) box->addItem(qs(item));
            // Choosing writes the cell; leaving the drop-down hides it.
            connect(box, &QComboBox::activated, this, [this, box] {
                emit const_cast<GridDelegate*>(this)->commitData(box);
                emit const_cast<GridDelegate*>(this)->closeEditor(box);
            });
            return box;
        }
    }
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(kCellEditor);
    editor->setProperty(kCellEditor, true);
    editor->setFrame(false);
    if (filtered(index)) {
        editor->setProperty("filtered", true);
        editor->setAttribute(Qt::WA_InputMethodEnabled, false);
        editor->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);
        editor->setContextMenuPolicy(Qt::NoContextMenu);
        editor->setDragEnabled(false);
        editor->setAcceptDrops(false);
    }
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        box->setCurrentIndex(box->findText(text));
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(text);
    }
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        if (box->currentIndex() >= 0) model->setData(index, box->currentText());
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        model->setData(index, line->text());
    }
}

bool GridDelegate::eventFilter(QObject* watched, QEvent* event) {
    auto* editor = qobject_cast<QLineEdit*>(watched);
    if (editor && editor->property("filtered").toBool()) {
        switch (event->type()) {
            case QEvent::KeyPress: {
                auto* key = static_cast<QKeyEvent*>(event);
                if (key->key() == Qt::Key_Escape && rules_.typed) {
                    emit commitData(editor);
                    emit closeEditor(editor, NoHint);
                    return true;
                }
                if (filterKey(editor, key)) return true;
                break;
            }
            case QEvent::FocusOut:
                if (busy_) return true;
                break;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                // The middle button pastes the selection past the rules.
                if (static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) return true;
                break;
            case QEvent::InputMethod:
            case QEvent::Drop:
                return true;
            default:
                break;
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

bool GridDelegate::filterKey(QLineEdit* editor, const QKeyEvent* key) {
    if (key->matches(QKeySequence::Paste)) {
        apply(editor, EditorAction::Paste, ss(QGuiApplication::clipboard()->text()));
        return true;
    }
    if (key->matches(QKeySequence::Cut)) {
        if (editor->hasSelectedText()) {
            const QString cut = editor->selectedText();
            const QString before = editor->text();
            apply(editor, EditorAction::Cut, {});
            if (editor->text() != before) QGuiApplication::clipboard()->setText(cut);
        }
        return true;
    }
    // Whole words and lines, undo and redo would change the text past the
    // rules in one go.
    for (auto bulk : {QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord, QKeySequence::DeleteEndOfLine,
                      QKeySequence::DeleteCompleteLine, QKeySequence::Undo, QKeySequence::Redo}) {
        if (key->matches(bulk)) return true;
    }
    if (key->key() == Qt::Key_Backspace) {
        apply(editor, EditorAction::Backspace, {});
        return true;
    }
    if (key->key() == Qt::Key_Delete) {
        apply(editor, EditorAction::Delete, {});
        return true;
    }
    const QString text = key->text();
    const bool command = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (text.isEmpty() || command || !text.at(0).isPrint()) return false;
    apply(editor, EditorAction::Type, ss(text));
    return true;
}

void GridDelegate::apply(QLineEdit* editor, EditorAction action, const std::string& input) {
    const QModelIndex cell = view_->currentIndex();
    const EditorChange change = rules_.edit(cell, editorText(editor), action, input);
    showText(editor, change.after);
    if (!change.accepted || !rules_.typed) return;
    busy_ = true;
    const std::optional<std::string> replaced = rules_.typed(cell, change.after.text);
    busy_ = false;
    if (replaced) showText(editor, {*replaced, int(replaced->size()), 0});
}

}  // namespace tarvel::app
