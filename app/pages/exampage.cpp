#include "pages/exampage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "qt/text.h"

namespace tarvel::app {
namespace {

QPlainTextEdit* memo(const char* name, const std::vector<std::string>& lines, QWidget* parent) {
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(name);
    m->setReadOnly(true);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The example table lines up by spaces, as in a fixed-width font.
    QFont font = m->font();
    font.setFamilies({"WenQuanYi Micro Hei Mono", "SimSun", "Monospace"});
    font.setStyleHint(QFont::TypeWriter);
    m->setFont(font);
    QStringList text;
    for (const std::string& line : lines) text << qs(line);
    m->setPlainText(text.join('\n'));
    return m;
}

void setItems(QComboBox* box, const std::vector<std::string>& items, int index) {
    const QSignalBlocker quiet(box);
    box->clear();
    for (const std::string& item : items) box->addItem(qs(item));
    box->setCurrentIndex(index);
}

}  // namespace

ExamPage::ExamPage(AppContext& context, QWidget* parent) : WizardPage(4, "考试信息设置", context, parent) {
    cardName_ = new QLabel(body());
    cardName_->setObjectName("LblCardName");
    cardName_->setStyleSheet("color: blue;");
    auto* reselect = makeButton("BtnReSelectCard", kReselectCardCaption, body(), QSize(130, 27));
    examName_ = new QLineEdit(body());
    examName_->setObjectName("EdtKSName");
    examName_->setMaxLength(50);
    subject_ = new QComboBox(body());
    subject_->setObjectName("CBSelectedKeMu");
    subject_->setMinimumWidth(110);
    subjectiveLabel_ = new QLabel("主观题分：", body());
    subjectiveLabel_->setObjectName("LblZG");
    subjective_ = new QComboBox(body());
    subjective_->setObjectName("CBSelectedZG");

    sections_ = makeGrid(ExamGrid::Sections, "SGridTF", {40, 70, 70, 50, 90}, sectionModel_);
    rules_ = makeGrid(ExamGrid::Rules, "SGridDX", {40, 200, 80}, ruleModel_);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel("答题卡：", body()), 0, 0);
    top->addWidget(cardName_, 0, 1, 1, 4);
    top->addWidget(reselect, 0, 5, Qt::AlignRight);
    top->addWidget(new QLabel("考试名称：", body()), 1, 0);
    top->addWidget(examName_, 1, 1);
    top->addWidget(new QLabel("科目：", body()), 1, 2, Qt::AlignRight);
    top->addWidget(subject_, 1, 3);
    top->addWidget(subjectiveLabel_, 1, 4, Qt::AlignRight);
    top->addWidget(subjective_, 1, 5);
    top->setColumnStretch(1, 1);

    auto* grids = new QGridLayout;
    grids->addWidget(gridWithButtons("题分设置", sections_, "BtnTFAdd", "BtnTFDelete", ExamGrid::Sections), 0, 0);
    grids->addWidget(memo("Memo1", sectionHelpLines(), body()), 0, 1);
    grids->addWidget(gridWithButtons("多选题特殊规则设置(通常如果多选题少选不给分时不需要使用此设置)", rules_,
                                     "BtnDXAdd", "BtnDXDelete", ExamGrid::Rules),
                     1, 0);
    grids->addWidget(memo("Memo2", ruleHelpLines(), body()), 1, 1);
    grids->setColumnStretch(1, 1);

    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addLayout(grids, 1);

    connect(reselect, &QPushButton::clicked, this, &ExamPage::reselectCard);
    connect(examName_, &QLineEdit::textEdited, this, [this](const QString& text) {
        page_.examName = ss(text);
        edited(true);
    });
    connect(subject_, &QComboBox::currentIndexChanged, this, [this](int index) {
        page_.subjectIndex = index;
        edited(true);
    });
    connect(subjective_, &QComboBox::currentIndexChanged, this, [this](int index) {
        page_.subjectiveIndex = index;
        edited(true);
    });
}

GridView* ExamPage::makeGrid(ExamGrid which, const char* name, const std::vector<int>& widths, ExamGridModel*& model) {
    auto* grid = new GridView(name, widths, 24, body());
    model = new ExamGridModel(page_, which, this);
    grid->setModel(model);
    grid->setRowColumns([which](int c) { return examCellInput(which, c) == ExamCellInput::None; });
    grid->setDigitColumns([which](int c) { return examCellInput(which, c) == ExamCellInput::Typed; });
    grid->setDropDownColumns([which](int c) { return examCellInput(which, c) == ExamCellInput::DropDown; });
    int width = 4;
    for (int w : widths) width += w;
    grid->setFixedWidth(width + 18);
    CellRules rules;
    rules.filtered = [which](int c) { return examCellInput(which, c) == ExamCellInput::Typed; };
    rules.edit = [which](const QModelIndex& cell, const EditorText& before, EditorAction action,
                         const std::string& input) {
        return editExamCell(which, cell.column(), before, action, input);
    };
    rules.dropDown = [which](int c) {
        return examCellInput(which, c) == ExamCellInput::DropDown ? sectionKindItems() : std::vector<std::string>{};
    };
    rules.dropDownName = "CBTFSort";
    grid->setItemDelegate(new GridDelegate(grid, rules));
    model->edited = [this](bool changed) { edited(changed); };
    return grid;
}

QWidget* ExamPage::gridWithButtons(const QString& caption, GridView* grid, const char* addName, const char* deleteName,
                                   ExamGrid which) {
    auto* box = new QWidget(body());
    auto* heading = new QLabel(caption, box);
    heading->setWordWrap(true);
    heading->setMaximumWidth(grid->width());
    auto* add = makeButton(addName, "增加", box, QSize(75, 25));
    auto* remove = makeButton(deleteName, "删除", box, QSize(75, 25));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(heading);
    column->addWidget(grid, 1);
    column->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, [this, which] { addRow(which); });
    connect(remove, &QPushButton::clicked, this, [this, which] { deleteRow(which); });
    return box;
}

void ExamPage::fillExamPage() {
    const GradingRun& run = context_.run;
    const CardTemplate& layout = run.layout.current;
    page_ = FillExamPage(run.settings, layout);
    // Validation stores the layout chosen now.
    page_.cardName = run.layout.chosenCardName;
    cardName_->setText(qs(page_.cardName));
    examName_->setText(qs(page_.examName));
    setItems(subject_, subjectItems(layout), page_.subjectIndex);
    const bool subjective = subjectiveChoiceEnabled(layout);
    subjective_->setEnabled(subjective);
    subjectiveLabel_->setEnabled(subjective);
    setItems(subjective_, subjectiveItems(), page_.subjectiveIndex);
    sectionModel_->reload();
    ruleModel_->reload();
}

void ExamPage::reselectCard() {
    GradingRun& run = context_.run;
    Services& s = context_.services;
    const std::string chosen = s.cards.choose(run.layout.chosenCardName, kReselectCardCaption);
    if (chosen.empty()) return;
    const std::string previous = run.layout.chosenCardName;
    run.layout.chosenCardName = chosen;
    // A layout that does not load has been told; the run keeps the one it had.
    if (!run.layout.LoadCurrentTemplate(s.prompter)) {
        run.layout.chosenCardName = previous;
        return;
    }
    fillExamPage();
    refreshSaveButton(run);
    emit runChanged();
}

void ExamPage::addRow(ExamGrid grid) {
    const ExamRowsChange change = addExamRow(page_, grid, context_.services.prompter);
    modelOf(grid)->reload();
    placeCursor(grid, change.cursor);
    edited(change.changed);
}

void ExamPage::deleteRow(ExamGrid grid) {
    const QModelIndex current = gridOf(grid)->currentIndex();
    const ExamRowsChange change = deleteExamRow(page_, grid, current.row() + 1, current.column());
    modelOf(grid)->reload();
    placeCursor(grid, change.cursor);
    edited(change.changed);
}

void ExamPage::placeCursor(ExamGrid grid, const ExamCursor& cursor) {
    if (cursor.row <= 0) {
        gridOf(grid)->setFocus();
        return;
    }
    gridOf(grid)->goTo(cursor.row - 1, cursor.column, cursor.startEditing);
}

void ExamPage::edited(bool changed) {
    if (!changed) return;
    GradingRun& run = context_.run;
    const bool before = run.unsaved;
    refreshSaveButton(run);
    if (run.unsaved != before) emit runChanged();
}

bool ExamPage::checkNext() {
    const ExamPageCheck check = ValidateExamPage(page_, context_.run.layout.current, context_.run.settings);
    if (check.ok) return true;
    context_.services.prompter.message(check.message);
    switch (check.focus) {
        case ExamFocus::ExamName:
            examName_->setFocus();
            break;
        case ExamFocus::Subject:
            subject_->setFocus();
            break;
        case ExamFocus::SubjectiveOption:
            subjective_->setFocus();
            break;
        case ExamFocus::SectionGrid:
            placeCursor(ExamGrid::Sections, {check.row, check.column, check.startEditing});
            break;
        case ExamFocus::RuleGrid:
            placeCursor(ExamGrid::Rules, {check.row, check.column, check.startEditing});
            break;
        case ExamFocus::None:
            break;
    }
    if (check.addSectionRow) addRow(ExamGrid::Sections);
    return false;
}

}  // namespace tarvel::app
