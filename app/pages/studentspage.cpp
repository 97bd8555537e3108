#include "pages/studentspage.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMimeData>
#include <QVBoxLayout>

#include "dialogs/form3.h"
#include "qt/text.h"
#include "widgets/boxes.h"

namespace tarvel::app {
namespace {

QLabel* label(const char* name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QString decimal(int value) { return QString::number(value); }

// A box left with a text its check refuses: the message, then the box is
// reset or keeps the focus.
void checkBoxOnLeave(QLineEdit* box, BoxCheck (*check)(const std::string&), Prompter& prompter) {
    whenLeft(box, [box, check, &prompter] {
        const BoxCheck c = check(ss(box->text()));
        if (c.ok()) return;
        prompter.message(c.message);
        if (!c.resetText.empty()) box->setText(qs(c.resetText));
        if (c.keepFocus) box->setFocus();
    });
}

// Entering a control by the user or the program, not by coming back from a
// message box or a drop-down list.
bool entered(QEvent* event) {
    if (event->type() != QEvent::FocusIn) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

StudentsPage::StudentsPage(AppContext& context, QWidget* parent) : WizardPage(3, "学生信息设置", context, parent) {
    auto* settings = new QWidget(body());
    auto* students = new QWidget(body());
    buildSettings(settings);
    buildStudents(students);
    auto* row = new QHBoxLayout(body());
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(settings);
    row->addWidget(students, 1);
    connectSettings();
    connectStudents();
    syncFileState();
}

void StudentsPage::buildSettings(QWidget* column) {
    column->setFixedWidth(262);
    gradeBox_ = new QGroupBox("年级设置", column);
    gradeBox_->setObjectName("GroupBoxNJ");
    allowGrades_ = new QCheckBox("启用年级", gradeBox_);
    allowGrades_->setObjectName("CBAllowNJ");
    lblNJ1_ = label("LblNJ1", "年级编码长度：", gradeBox_);
    gradeCodeLength_ = makeNumberBox("EdtNJCodeLen", 2, digitBoxAccepts, gradeBox_);
    gradeCodeLength_->setFixedWidth(28);
    gradeCodeLength_->setText("5");
    lblNJ2_ = label("LblNJ2", "（范围1-10）", gradeBox_);
    gradeGrid_ = new GridView("SGridNJ", {kGradeColumnWidths, kGradeColumnWidths + kGradeColumnCount},
                              kStudentRowHeight, gradeBox_);
    gradeModel_ = new GradeGridModel(grades_, prompter(), this);
    gradeGrid_->setModel(gradeModel_);
    gradeGrid_->setFixedSize(19 + 90 + 90 + 22, 140);
    gradeGrid_->setRowColumns([](int c) { return !gradeCellEditable(c); });
    gradeGrid_->setDigitColumns([](int c) { return c == 2; });
    CellRules gradeRules;
    gradeRules.filtered = [](int c) { return c == 2; };
    gradeRules.edit = [this](const QModelIndex&, const EditorText& before, EditorAction action, const std::string& in) {
        return editGradeCodeCell(before, action, in, gradeCodeLength());
    };
    gradeRules.typed = [this](const QModelIndex& cell, const std::string& text) -> std::optional<std::string> {
        const bool emptied = gradeCodeTyped(grades_, cell.row(), text, gradeCodeLength(), prompter());
        gradeModel_->cellChanged(cell.row(), cell.column());
        return emptied ? std::optional<std::string>("") : std::nullopt;
    };
    gradeGrid_->setItemDelegate(new GridDelegate(gradeGrid_, gradeRules));
    addGrade_ = makeButton("BtnNianJiAdd", "增加", gradeBox_, QSize(75, 25));
    deleteGrade_ = makeButton("BtnNianJiDelete", "删除", gradeBox_, QSize(75, 25));

    auto* grades = new QGridLayout(gradeBox_);
    grades->addWidget(allowGrades_, 0, 0, 1, 3);
    grades->addWidget(lblNJ1_, 1, 0);
    grades->addWidget(gradeCodeLength_, 1, 1);
    grades->addWidget(lblNJ2_, 1, 2);
    grades->addWidget(gradeGrid_, 2, 0, 1, 3);
    auto* gradeButtons = new QHBoxLayout;
    gradeButtons->addWidget(addGrade_);
    gradeButtons->addWidget(deleteGrade_);
    gradeButtons->addStretch();
    grades->addLayout(gradeButtons, 3, 0, 1, 3);
    grades->setColumnStretch(2, 1);

    classBox_ = new QGroupBox("班级设置", column);
    classBox_->setObjectName("GroupBoxBJ");
    allowClasses_ = new QCheckBox("启用班级", classBox_);
    allowClasses_->setObjectName("CBAllowBJ");
    lblBJ1_ = label("LblBJ1", "班级编码长度：", classBox_);
    classCodeLength_ = makeNumberBox("EdtBJCodeLen", 1, classCodeLengthBoxAccepts, classBox_);
    classCodeLength_->setFixedWidth(28);
    classCodeLength_->setText("2");
    lblBJ2_ = label("LblBJ2", "（范围1-3）", classBox_);
    auto* classes = new QGridLayout(classBox_);
    classes->addWidget(allowClasses_, 0, 0, 1, 3);
    classes->addWidget(lblBJ1_, 1, 0);
    classes->addWidget(classCodeLength_, 1, 1);
    classes->addWidget(lblBJ2_, 1, 2);
    classes->setColumnStretch(2, 1);

    relation_ = new QCheckBox("年级和班级编码和准考证号关联", column);
    relation_->setObjectName("CBRelation");
    lblAdmissionLen_ = label("LblAdmissionLen", "准考证长度：", column);
    admissionLength_ = makeNumberBox("EdtAdmissionLen", 2, digitBoxAccepts, column);
    admissionLength_->setFixedWidth(28);
    admissionLength_->setText("9");
    prefix_ = makeNumberBox("EdtAdmissionSub", 18, digitBoxAccepts, column);
    prefix_->setText("2010");
    auto* hint = label("LblAdmissionHint", kAdmissionLengthHint, column);
    hint->setWordWrap(true);
    hint->setStyleSheet("color: red;");
    lockHint_ = label("LblXSTiShi", "", column);
    lockHint_->setWordWrap(true);

    auto* admission = new QGridLayout;
    admission->addWidget(lblAdmissionLen_, 0, 0);
    admission->addWidget(admissionLength_, 0, 1, Qt::AlignLeft);
    admission->addWidget(label("LblAdmissionSub", "准考证前几位：", column), 1, 0);
    admission->addWidget(prefix_, 1, 1);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gradeBox_);
    layout->addWidget(classBox_);
    layout->addWidget(relation_);
    layout->addLayout(admission);
    layout->addWidget(hint);
    layout->addWidget(lockHint_);
    layout->addStretch();
}

void StudentsPage::buildStudents(QWidget* column) {
    lblNJ3_ = label("LblNJ3", "年级：", column);
    gradeSelector_ = new QComboBox(column);
    gradeSelector_->setObjectName("CBNJSelected");
    gradeSelector_->setMinimumWidth(130);
    lblBJ3_ = label("LblBJ3", "班级：", column);
    classSelector_ = makeNumberBox("EdtBJSelected", 2, digitBoxAccepts, column);
    classSelector_->setFixedWidth(40);
    lblBJ4_ = label("LblBJ4", "（范围）", column);
    auto* group = new QHBoxLayout;
    group->addWidget(lblNJ3_);
    group->addWidget(gradeSelector_);
    group->addSpacing(12);
    group->addWidget(lblBJ3_);
    group->addWidget(classSelector_);
    group->addWidget(lblBJ4_, 1);

    studentGrid_ = new GridView("SGridXS", {kStudentColumnWidths, kStudentColumnWidths + kStudentColumnCount},
                                kStudentRowHeight, column);
    studentModel_ = new StudentGridModel(grid_, roster(), prompter(), this);
    studentGrid_->setModel(studentModel_);
    studentGrid_->setRowColumns([](int c) { return !studentCellEditable(c); });
    studentGrid_->setDigitColumns([](int c) { return c == kAdmissionColumn; });
    CellRules rules;
    rules.filtered = [](int c) { return c == kAdmissionColumn; };
    rules.edit = [this](const QModelIndex&, const EditorText& before, EditorAction action, const std::string& in) {
        return editAdmissionCell(view(), before, action, in);
    };
    rules.typed = [this](const QModelIndex& cell, const std::string& text) {
        std::optional<std::string> reset = admissionTyped(grid_, roster(), view(), text, prompter());
        studentModel_->cellChanged(cell.row(), cell.column());
        return reset;
    };
    studentGrid_->setItemDelegate(new GridDelegate(studentGrid_, rules));

    const struct {
        const char* name;
        const char* text;
    } buttons[] = {{"BtnXueShengAdd", "增加"},          {"BtnXueShengAddBatch", "批量增加"},
                   {"BtnXueShengPasteFrom", "从表格粘贴"}, {"BtnXueShengPasteFromName", "从表格粘贴姓名"},
                   {"BtnXueShengDelete", "删除"},       {"BtnXueShengDeleteAll", "删除所有"}};
    auto* studentButtons = new QHBoxLayout;
    for (const auto& b : buttons) studentButtons->addWidget(makeButton(b.name, b.text, column, QSize(88, 27)));
    studentButtons->addStretch();
    deleteStudent_ = column->findChild<QPushButton*>("BtnXueShengDelete");

    const struct {
        const char* name;
        const char* text;
    } files[] = {{"BtnXSNew", "新建学生信息文件"},
                 {"BtnXSOpenAs", "打开学生信息文件"},
                 {"BtnXSSave", "保存学生信息文件"},
                 {"BtnXSSaveAs", "另存学生信息文件"}};
    auto* fileButtons = new QHBoxLayout;
    for (const auto& f : files) fileButtons->addWidget(makeButton(f.name, f.text, column, QSize(130, 27)));
    fileButtons->addStretch();
    saveFile_ = column->findChild<QPushButton*>("BtnXSSave");
    fileLabel_ = label("LblCurrentXSFileName", "", column);
    sampleHint_ = label("CheshixstsLabel", kSampleRosterHint, column);
    sampleHint_->setStyleSheet("color: blue;");
    sampleHint_->setWordWrap(true);

    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(group);
    layout->addWidget(studentGrid_, 1);
    layout->addLayout(studentButtons);
    layout->addLayout(fileButtons);
    layout->addWidget(fileLabel_);
    layout->addWidget(sampleHint_);
}

void StudentsPage::connectSettings() {
    connect(allowGrades_, &QCheckBox::clicked, this, &StudentsPage::gradesClicked);
    connect(allowClasses_, &QCheckBox::clicked, this, &StudentsPage::classesClicked);
    connect(relation_, &QCheckBox::clicked, this, [this] {
        if (!loading_) updatePrefix();
    });
    connect(classCodeLength_, &QLineEdit::textChanged, this, &StudentsPage::classCodeLengthChanged);
    connect(classSelector_, &QLineEdit::textChanged, this, &StudentsPage::classTextChanged);
    connect(gradeSelector_, &QComboBox::currentIndexChanged, this, &StudentsPage::gradeChosen);
    gradeSelector_->installEventFilter(this);
    classSelector_->installEventFilter(this);
    checkBoxOnLeave(gradeCodeLength_, checkGradeCodeLengthBox, prompter());
    checkBoxOnLeave(classCodeLength_, checkClassCodeLengthBox, prompter());
    checkBoxOnLeave(admissionLength_, checkAdmissionLengthBox, prompter());
    whenLeft(gradeBox_, [this] { gradeBoxLeft(); });
    connect(addGrade_, &QPushButton::clicked, this, &StudentsPage::addGrade);
    connect(deleteGrade_, &QPushButton::clicked, this, &StudentsPage::deleteGrade);
    gradeModel_->edited = [this](int row, int column) { gradeEdited(row, column); };
}

void StudentsPage::connectStudents() {
    auto button = [this](const char* name) { return body()->findChild<QPushButton*>(name); };
    connect(button("BtnXueShengAdd"), &QPushButton::clicked, this, [this] {
        runOperation([this] { return addStudent(grid_, roster(), view(), prompter()); }, true);
    });
    connect(button("BtnXueShengAddBatch"), &QPushButton::clicked, this, [this] {
        if (!form3_) form3_ = new Form3(prompter(), window());
        runOperation([this] { return addClass(grid_, roster(), view(), prompter(), *form3_); });
    });
    connect(button("BtnXueShengPasteFrom"), &QPushButton::clicked, this, [this] {
        runOperation([this] { return pasteTable(grid_, roster(), view(), prompter(), clipboardText()); });
    });
    connect(button("BtnXueShengPasteFromName"), &QPushButton::clicked, this, [this] {
        runOperation([this] { return pasteNames(grid_, view(), prompter(), clipboardText()); });
    });
    connect(deleteStudent_, &QPushButton::clicked, this,
            [this] { runOperation([this] { return deleteStudent(grid_, roster(), view()); }); });
    connect(button("BtnXueShengDeleteAll"), &QPushButton::clicked, this,
            [this] { runOperation([this] { return deleteGroup(grid_, roster(), view(), prompter()); }); });
    connect(studentGrid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { studentCellMoved(current); });
    studentModel_->edited = [this](int row, int column, const GridOutcome& outcome) {
        if (outcome.changed) markRosterModified();
        // A refused text: the cell is asked for again once its editor closed.
        if (outcome.openEditor)
            QMetaObject::invokeMethod(
                this, [this, row, column] { studentGrid_->goTo(row, column, true); }, Qt::QueuedConnection);
    };

    StudentFileState& state = context_.run.students;
    Services& s = context_.services;
    connect(button("BtnXSNew"), &QPushButton::clicked, this, [this, &state, &s] {
        const bool done = newStudentFile(state, s.prompter);
        if (done) showRosterOnPage();
        fileCommand(done);
    });
    connect(button("BtnXSOpenAs"), &QPushButton::clicked, this, [this, &state, &s] {
        const bool done = openStudentFile(state, s.prompter, s.files);
        if (done) showRosterOnPage();
        fileCommand(done);
    });
    connect(saveFile_, &QPushButton::clicked, this, [this, &state, &s] {
        fileCommand(saveStudentFile(state, pageData(true), s.prompter, s.files));
    });
    connect(button("BtnXSSaveAs"), &QPushButton::clicked, this, [this, &state, &s] {
        fileCommand(saveStudentFileAs(state, pageData(true), s.prompter, s.files));
    });
}

int StudentsPage::gradeCodeLength() const { return lengthFromBox(ss(gradeCodeLength_->text()), 1, 10, 5); }

int StudentsPage::classCodeLength() const { return lengthFromBox(ss(classCodeLength_->text()), 1, 3, 2); }

RosterPage StudentsPage::pageData(bool withRows) const {
    RosterPage p;
    p.gradesEnabled = allowGrades_->isChecked();
    p.gradeCodeLengthText = ss(gradeCodeLength_->text());
    p.grades = grades_;
    p.classesEnabled = allowClasses_->isChecked();
    p.classCodeLengthText = ss(classCodeLength_->text());
    p.classText = ss(classSelector_->text());
    p.admissionLinked = relation_->isChecked();
    p.admissionLengthText = ss(admissionLength_->text());
    p.admissionPrefix = ss(prefix_->text());
    if (withRows) p.studentRows = grid_.rows;
    return p;
}

GroupView StudentsPage::view() const {
    return groupView(pageData(false), roster(), gradeSelector_->currentIndex() >= 0);
}

ActivePage StudentsPage::activePage() const {
    snapshot_ = pageData(true);
    return {ActivePage::Students, &snapshot_, nullptr};
}

// --- Filling the page, enable rules, lock -----------------------------------

void StudentsPage::showRosterOnPage() {
    const Roster& r = roster();
    loading_ = true;
    allowGrades_->setChecked(r.gradesEnabled);
    gradeCodeLength_->setText(decimal(r.gradeCodeLength));
    grades_ = r.grades;
    gradeModel_->reload();
    gradeGrid_->setEnabled(true);
    applyGradeRule();
    allowClasses_->setChecked(r.classesEnabled);
    classCodeLength_->setText(decimal(r.classCodeLength));
    applyClassRule();
    GradeSelector selector;
    for (const GradeEntry& g : grades_) selector.items.push_back(g.name);
    selector.index = selectedGradeIndex(r);
    setGradeItems(selector);
    classSelector_->setText(qs(r.selectedClassCode));
    relation_->setChecked(r.admissionLinked);
    relation_->setEnabled(r.gradesEnabled || r.classesEnabled);
    admissionLength_->setText(decimal(r.admissionLength));
    prefix_->setText(qs(r.admissionPrefix));
    prefix_->setReadOnly(relation_->isEnabled() && relation_->isChecked());
    fillStudentGrid(grid_, r, view());
    placing_ = true;
    studentModel_->reload();
    placing_ = false;
    placeStudentCursor(false, false);
    loading_ = false;
    setSettingsLocked(!r.students.empty());
    deleteStudent_->setEnabled(canDeleteStudent(grid_));
    syncFileState();
}

void StudentsPage::applyGradeRule() {
    const bool on = allowGrades_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblNJ3_, gradeSelector_}) w->setEnabled(on);
    const bool settings = settingsLockView(locked_, on, allowClasses_->isChecked()).enableGradeSettings;
    for (QWidget* w : std::initializer_list<QWidget*>{gradeCodeLength_, gradeGrid_, addGrade_, deleteGrade_, lblNJ1_, lblNJ2_})
        w->setEnabled(settings);
}

void StudentsPage::applyClassRule() {
    const bool on = allowClasses_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblBJ3_, classSelector_, lblBJ4_}) w->setEnabled(on);
    const bool settings = settingsLockView(locked_, allowGrades_->isChecked(), on).enableClassCodeLength;
    for (QWidget* w : std::initializer_list<QWidget*>{classCodeLength_, lblBJ1_, lblBJ2_}) w->setEnabled(settings);
    const int length = classCodeLength();
    if (on) {
        classSelector_->setMaxLength(length);
        if (classSelector_->text().isEmpty()) classSelector_->setText(qs(defaultClassCode(length)));
    }
    lblBJ4_->setText(qs(classRangeLabel(on, length)));
}

void StudentsPage::setSettingsLocked(bool locked) {
    locked_ = locked;
    const SettingsLockView lock = settingsLockView(locked, allowGrades_->isChecked(), allowClasses_->isChecked());
    lockHint_->setText(qs(lock.hint));
    for (QWidget* w : std::initializer_list<QWidget*>{allowGrades_, allowClasses_, lblAdmissionLen_, admissionLength_})
        w->setEnabled(lock.enableSwitches);
    applyGradeRule();
    applyClassRule();
}

// --- Grades, classes and the group shown --------------------------------------

void StudentsPage::gradesClicked() {
    if (loading_) return;
    applyGradeRule();
    relation_->setEnabled(allowGrades_->isChecked() || allowClasses_->isChecked());
    groupChanged();
}

void StudentsPage::classesClicked() {
    if (loading_) return;
    applyClassRule();
    relation_->setEnabled(allowGrades_->isChecked() || allowClasses_->isChecked());
    groupChanged();
}

void StudentsPage::updatePrefix() {
    PrefixInputs in;
    in.relationChecked = relation_->isChecked();
    in.relationEnabled = relation_->isEnabled();
    in.gradesEnabled = allowGrades_->isChecked();
    in.gradeSelected = gradeSelector_->currentIndex() >= 0;
    in.selectedGradeCode = roster().selectedGrade.code;
    in.classesEnabled = allowClasses_->isChecked();
    in.classText = ss(classSelector_->text());
    if (const std::optional<std::string> text = updateAdmissionPrefix(in)) {
        prefix_->setText(qs(*text));
        prefix_->setReadOnly(!text->empty());
    }
}

void StudentsPage::groupChanged() {
    updatePrefix();
    changeGroup(grid_, roster(), view(), prompter());
    placing_ = true;
    studentModel_->reload();
    placing_ = false;
    placeStudentCursor(false, false);
    deleteStudent_->setEnabled(canDeleteStudent(grid_));
    markRosterModified();
}

void StudentsPage::setGradeItems(const GradeSelector& selector) {
    const QSignalBlocker quiet(gradeSelector_);
    gradeSelector_->clear();
    for (const std::string& item : selector.items) gradeSelector_->addItem(qs(item));
    gradeSelector_->setCurrentIndex(selector.index);
    if (selector.clearPrefix) prefix_->clear();
}

void StudentsPage::gradeSelectorEntered() {
    const std::string previous = gradeSelector_->currentIndex() >= 0 ? ss(gradeSelector_->currentText()) : "";
    GradeSelector selector = rebuildGradeSelector(grades_, previous);
    // Nothing chosen before: nothing is chosen now, even by a grade without a name.
    if (gradeSelector_->currentIndex() < 0) {
        selector.index = -1;
        selector.clearPrefix = true;
    }
    setGradeItems(selector);
    postShownGroupCheck();
}

void StudentsPage::gradeChosen(int index) {
    if (loading_ || index < 0 || index >= int(grades_.size())) return;
    roster().selectedGrade = grades_[size_t(index)];
    groupChanged();
}

void StudentsPage::classCodeLengthChanged(const QString& text) {
    if (text.isEmpty()) return;
    const int length = text.toInt();
    classSelector_->setMaxLength(length);
    classSelector_->setText(qs(defaultClassCode(length)));
    lblBJ4_->setText(qs(classRangeLabel(true, length)));
}

void StudentsPage::classTextChanged(const QString& text) {
    if (loading_) return;
    const ClassTextChange change = onClassTextChanged(ss(text), classCodeLength());
    if (!change.message.empty()) {
        prompter().message(change.message);
        classSelector_->setText(qs(change.resetText));
    } else if (change.groupChanged) {
        groupChanged();
    }
}

void StudentsPage::postShownGroupCheck() {
    // The rows are taken now: the check is about the group that was shown
    // when the selector was entered.
    auto shown = std::make_shared<StudentGrid>(grid_);
    const GroupView group = view();
    QMetaObject::invokeMethod(
        this,
        [this, shown, group] {
            GridOutcome outcome;
            if (checkShownGroup(*shown, roster(), group, prompter(), outcome)) return;
            gradeSelector_->hidePopup();
            // The cell to open is only meaningful while the grid still
            // shows those rows.
            const bool same = shown->rows == grid_.rows;
            if (same) grid_ = std::move(*shown);
            outcome.openEditor = outcome.openEditor && same;
            applyOutcome(outcome);
        },
        Qt::QueuedConnection);
}

void StudentsPage::gradeBoxLeft() {
    if (!allowGrades_->isChecked()) return;
    const GradeCheck check = checkGradeTable(grades_, gradeCodeLength());
    if (check.problem.ok()) return;
    prompter().message(check.problem.message);
    if (check.uncheckGrades) {
        allowGrades_->setChecked(false);
        gradesClicked();
        return;
    }
    gradeGrid_->goTo(check.problem.row, check.problem.column, true);
}

void StudentsPage::addGrade() {
    const int row = addGradeRow(grades_, prompter());
    if (row < 0) return;
    gradeModel_->reload();
    gradeGrid_->goTo(row, 1, false);
}

void StudentsPage::deleteGrade() {
    int row = gradeGrid_->currentIndex().row();
    if (row < 0 || grades_.empty()) return;
    const int column = gradeGrid_->currentIndex().column();
    const std::string selected = gradeSelector_->currentIndex() >= 0 ? ss(gradeSelector_->currentText()) : "";
    GradeSelector selector = deleteGradeRow(grades_, row, selected);
    if (gradeSelector_->currentIndex() < 0) selector.index = -1;
    selector.clearPrefix = selector.index < 0;
    gradeModel_->reload();
    setGradeItems(selector);
    gradeGrid_->goTo(row, column, false);
}

void StudentsPage::gradeEdited(int row, int column) {
    if (row != gradeSelector_->currentIndex()) return;
    if (column == 1) {
        const QSignalBlocker quiet(gradeSelector_);
        gradeSelector_->setItemText(row, qs(grades_[size_t(row)].name));
    } else if (int(grades_[size_t(row)].code.size()) == gradeCodeLength()) {
        gradeChosen(row);
    }
}

bool StudentsPage::eventFilter(QObject* watched, QEvent* event) {
    if (entered(event)) {
        if (watched == gradeSelector_) gradeSelectorEntered();
        if (watched == classSelector_) postShownGroupCheck();
    }
    return WizardPage::eventFilter(watched, event);
}

// --- The student grid ------------------------------------------------------------

void StudentsPage::runOperation(const std::function<GridOutcome()>& operation, bool caretAtEnd) {
    const GridOutcome outcome = operation();
    placing_ = true;
    studentModel_->reload();
    placing_ = false;
    applyOutcome(outcome, caretAtEnd);
}

void StudentsPage::applyOutcome(const GridOutcome& outcome, bool caretAtEnd) {
    if (outcome.lock != SettingsLock::Keep) setSettingsLocked(outcome.lock == SettingsLock::Lock);
    deleteStudent_->setEnabled(canDeleteStudent(grid_));
    if (outcome.changed) markRosterModified();
    switch (outcome.focus) {
        case PageFocus::Grid: placeStudentCursor(true, outcome.openEditor, caretAtEnd); break;
        case PageFocus::GradeSelector: gradeSelector_->setFocus(); break;
        case PageFocus::None: placeStudentCursor(false, false); break;
    }
}

void StudentsPage::placeStudentCursor(bool focus, bool edit, bool caretAtEnd) {
    placing_ = true;
    if (focus) {
        studentGrid_->goTo(grid_.row, grid_.column, edit, caretAtEnd);
    } else if (grid_.row >= 0) {
        studentGrid_->setCurrentIndex(studentModel_->index(grid_.row, grid_.column));
    }
    placing_ = false;
}

void StudentsPage::studentCellMoved(const QModelIndex& current) {
    if (placing_) return;
    selectStudentCell(grid_, roster(), view(), current.isValid() ? current.row() : -1, current.column());
}

std::optional<std::string> StudentsPage::clipboardText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return std::nullopt;
    return ss(data->text());
}

// --- Student file, modified flags --------------------------------------------------

bool StudentsPage::checkNext() {
    StudentFileState& state = context_.run.students;
    const bool modified = state.modified;
    GridOutcome outcome;
    const bool leave = leaveStudentsPage(state, grid_, pageData(true), view(), prompter(), context_.services.files,
                                         outcome);
    if (!leave) {
        applyOutcome(outcome);
        syncFileState();
        return false;
    }
    // The page went into the roster of this run.
    if (modified) fileCommand(true);
    return true;
}

void StudentsPage::fileCommand(bool done) {
    syncFileState();
    if (!done) return;
    refreshSaveButton(context_.run);
    emit runChanged();
}

void StudentsPage::markRosterModified() {
    GradingRun& run = context_.run;
    run.students.modified = true;
    saveFile_->setEnabled(true);
    const bool before = run.unsaved;
    refreshSaveButton(run);
    if (run.unsaved != before) emit runChanged();
}

void StudentsPage::syncFileState() {
    const StudentFileState& state = context_.run.students;
    fileLabel_->setText(qs(currentFileLabel(state.currentPath)));
    sampleHint_->setVisible(state.sampleHint);
    saveFile_->setEnabled(state.modified);
}

void StudentsPage::refresh() {
    syncFileState();
    // A save may have stored rows the grid showed as new.
    if (grid_.row >= 0 && grid_.row < int(grid_.rows.size()))
        grid_.storedRow = findStoredRow(roster(), view(), grid_.rows[size_t(grid_.row)]);
}

}  // namespace tarvel::app
