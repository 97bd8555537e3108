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

// Says nothing and answers nothing: only remembers whether a check had
// something to say.
struct Probe : Prompter {
    bool said = false;
    void message(const std::string&) override { said = true; }
    void notice(const std::string&) override { said = true; }
    Answer askYesNo(const std::string&) override { return ask(); }
    Answer askYesNoCancel(const std::string&) override { return ask(); }
    Answer askOkCancel(const std::string&) override { return ask(); }
    Answer ask() {
        said = true;
        return Answer::Cancel;
    }
};

// A row of buttons (component name, caption), left-aligned.
QHBoxLayout* buttonRow(std::initializer_list<std::pair<const char*, const char*>> buttons, QSize size,
                       QWidget* parent) {
    auto* row = new QHBoxLayout;
    for (const auto& [name, text] : buttons) row->addWidget(makeButton(name, text, parent, size));
    row->addStretch();
    return row;
}

// A grade or class settings box: its switch, and the code length box
// between its two labels.
struct CodingBox {
    const char* name;
    const char* caption;
    const char* switchName;
    const char* switchText;
    const char* labelNames[2];
    const char* labelTexts[2];
    const char* lengthName;
    int maxLength;
    TextRule accepts;
    const char* startText;
};

CodingControls codingBox(const CodingBox& c, QWidget* parent) {
    CodingControls w;
    w.box = new QGroupBox(c.caption, parent);
    w.box->setObjectName(c.name);
    w.enabled = new QCheckBox(c.switchText, w.box);
    w.enabled->setObjectName(c.switchName);
    for (int i = 0; i < 2; ++i) w.labels[i] = label(c.labelNames[i], c.labelTexts[i], w.box);
    w.length = makeNumberBox(c.lengthName, c.maxLength, c.accepts, w.box);
    w.length->setFixedWidth(28);
    w.length->setText(c.startText);
    w.layout = new QGridLayout(w.box);
    w.layout->addWidget(w.enabled, 0, 0, 1, 3);
    w.layout->addWidget(w.labels[0], 1, 0);
    w.layout->addWidget(w.length, 1, 1);
    w.layout->addWidget(w.labels[1], 1, 2);
    w.layout->setColumnStretch(2, 1);
    return w;
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
    grade_ = codingBox({"GroupBoxNJ",
                        "年级设置",
                        "CBAllowNJ",
                        "启用年级",
                        {"LblNJ1", "LblNJ2"},
                        {"年级编码长度：", "（范围1-10）"},
                        "EdtNJCodeLen",
                        2,
                        digitBoxAccepts,
                        "5"},
                       column);
    buildGradeGrid();
    addGrade_ = makeButton("BtnNianJiAdd", "增加", grade_.box, QSize(75, 25));
    deleteGrade_ = makeButton("BtnNianJiDelete", "删除", grade_.box, QSize(75, 25));
    grade_.layout->addWidget(gradeGrid_, 2, 0, 1, 3);
    auto* gradeButtons = new QHBoxLayout;
    gradeButtons->addWidget(addGrade_);
    gradeButtons->addWidget(deleteGrade_);
    gradeButtons->addStretch();
    grade_.layout->addLayout(gradeButtons, 3, 0, 1, 3);

    class_ = codingBox({"GroupBoxBJ",
                        "班级设置",
                        "CBAllowBJ",
                        "启用班级",
                        {"LblBJ1", "LblBJ2"},
                        {"班级编码长度：", "（范围1-3）"},
                        "EdtBJCodeLen",
                        1,
                        classCodeLengthBoxAccepts,
                        "2"},
                       column);

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
    layout->addWidget(grade_.box);
    layout->addWidget(class_.box);
    layout->addWidget(relation_);
    layout->addLayout(admission);
    layout->addWidget(hint);
    layout->addWidget(lockHint_);
    layout->addStretch();
}

void StudentsPage::buildGradeGrid() {
    gradeGrid_ = new GridView("SGridNJ", {kGradeColumnWidths, kGradeColumnWidths + kGradeColumnCount},
                              kStudentRowHeight, grade_.box);
    gradeModel_ = new GradeGridModel(grades_, prompter(), this);
    gradeGrid_->setModel(gradeModel_);
    gradeGrid_->setFixedSize(19 + 90 + 90 + 22, 140);
    gradeGrid_->setRowColumns([](int c) { return !gradeCellEditable(c); });
    gradeGrid_->setDigitColumns([](int c) { return c == 2; });
    CellRules rules;
    rules.filtered = [](int c) { return c == 2; };
    rules.edit = [this](const QModelIndex&, const EditorText& before, EditorAction action, const std::string& in) {
        return editGradeCodeCell(before, action, in, gradeCodeLength());
    };
    rules.typed = [this](const QModelIndex& cell, const std::string& text) -> std::optional<std::string> {
        const bool emptied = gradeCodeTyped(grades_, cell.row(), text, gradeCodeLength(), prompter());
        gradeModel_->cellChanged(cell.row(), cell.column());
        return emptied ? std::optional<std::string>("") : std::nullopt;
    };
    gradeGrid_->setItemDelegate(new GridDelegate(gradeGrid_, rules));
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

    QHBoxLayout* studentButtons = buttonRow({{"BtnXueShengAdd", "增加"},
                                             {"BtnXueShengAddBatch", "批量增加"},
                                             {"BtnXueShengPasteFrom", "从表格粘贴"},
                                             {"BtnXueShengPasteFromName", "从表格粘贴姓名"},
                                             {"BtnXueShengDelete", "删除"},
                                             {"BtnXueShengDeleteAll", "删除所有"}},
                                            QSize(88, 27), column);
    deleteStudent_ = column->findChild<QPushButton*>("BtnXueShengDelete");
    QHBoxLayout* fileButtons = buttonRow({{"BtnXSNew", "新建学生信息文件"},
                                          {"BtnXSOpenAs", "打开学生信息文件"},
                                          {"BtnXSSave", "保存学生信息文件"},
                                          {"BtnXSSaveAs", "另存学生信息文件"}},
                                         QSize(130, 27), column);
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
    connect(grade_.enabled, &QCheckBox::clicked, this, &StudentsPage::gradesClicked);
    connect(class_.enabled, &QCheckBox::clicked, this, &StudentsPage::classesClicked);
    connect(relation_, &QCheckBox::clicked, this, [this] {
        if (!loading_) updatePrefix();
    });
    connect(class_.length, &QLineEdit::textChanged, this, &StudentsPage::classCodeLengthChanged);
    connect(classSelector_, &QLineEdit::textChanged, this, &StudentsPage::classTextChanged);
    connect(gradeSelector_, &QComboBox::currentIndexChanged, this, &StudentsPage::gradeChosen);
    gradeSelector_->installEventFilter(this);
    classSelector_->installEventFilter(this);
    checkBoxOnLeave(grade_.length, checkGradeCodeLengthBox, prompter());
    checkBoxOnLeave(class_.length, checkClassCodeLengthBox, prompter());
    checkBoxOnLeave(admissionLength_, checkAdmissionLengthBox, prompter());
    whenLeft(grade_.box, [this] { gradeBoxLeft(); });
    connect(addGrade_, &QPushButton::clicked, this, &StudentsPage::addGrade);
    connect(deleteGrade_, &QPushButton::clicked, this, &StudentsPage::deleteGrade);
    gradeModel_->edited = [this](int row, int column) { gradeEdited(row, column); };
}

void StudentsPage::connectStudents() {
    auto button = [this](const char* name) { return body()->findChild<QPushButton*>(name); };
    connect(button("BtnXueShengAdd"), &QPushButton::clicked, this,
            [this] { runOperation([this] { return addStudent(grid_, roster(), view(), prompter()); }, true); });
    connect(button("BtnXueShengAddBatch"), &QPushButton::clicked, this, [this] {
        if (!form3_) form3_ = new Form3(prompter(), window());
        runOperation([this] { return addClass(grid_, roster(), view(), prompter(), *form3_); });
    });
    connect(button("BtnXueShengPasteFrom"), &QPushButton::clicked, this, [this] {
        runOperation([this] { return pasteTable(grid_, roster(), view(), prompter(), clipboardText()); });
    });
    connect(button("BtnXueShengPasteFromName"), &QPushButton::clicked, this,
            [this] { runOperation([this] { return pasteNames(grid_, view(), prompter(), clipboardText()); }); });
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
    connect(saveFile_, &QPushButton::clicked, this,
            [this, &state, &s] { fileCommand(saveStudentFile(state, pageData(true), s.prompter, s.files)); });
    connect(button("BtnXSSaveAs"), &QPushButton::clicked, this,
            [this, &state, &s] { fileCommand(saveStudentFileAs(state, pageData(true), s.prompter, s.files)); });
}

int StudentsPage::gradeCodeLength() const { return lengthFromBox(ss(grade_.length->text()), 1, 10, 5); }

int StudentsPage::classCodeLength() const { return lengthFromBox(ss(class_.length->text()), 1, 3, 2); }

RosterPage StudentsPage::pageData(bool withRows) const {
    RosterPage p;
    p.gradesEnabled = grade_.enabled->isChecked();
    p.gradeCodeLengthText = ss(grade_.length->text());
    p.grades = grades_;
    p.classesEnabled = class_.enabled->isChecked();
    p.classCodeLengthText = ss(class_.length->text());
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
    grade_.enabled->setChecked(r.gradesEnabled);
    grade_.length->setText(decimal(r.gradeCodeLength));
    grades_ = r.grades;
    gradeModel_->reload();
    gradeGrid_->setEnabled(true);
    applyGradeRule();
    class_.enabled->setChecked(r.classesEnabled);
    class_.length->setText(decimal(r.classCodeLength));
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
    setSettingsLocked(!r.students.empty());
    loading_ = false;
    deleteStudent_->setEnabled(canDeleteStudent(grid_));
    syncFileState();
}

void StudentsPage::applyGradeRule() {
    const bool on = grade_.enabled->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblNJ3_, gradeSelector_}) w->setEnabled(on);
    const bool settings = settingsLockView(locked_, on, class_.enabled->isChecked()).enableGradeSettings;
    for (QWidget* w : std::initializer_list<QWidget*>{grade_.length, gradeGrid_, addGrade_, deleteGrade_,
                                                      grade_.labels[0], grade_.labels[1]})
        w->setEnabled(settings);
}

void StudentsPage::applyClassRule() {
    const bool on = class_.enabled->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblBJ3_, classSelector_, lblBJ4_}) w->setEnabled(on);
    const bool settings = settingsLockView(locked_, grade_.enabled->isChecked(), on).enableClassCodeLength;
    for (QWidget* w : std::initializer_list<QWidget*>{class_.length, class_.labels[0], class_.labels[1]})
        w->setEnabled(settings);
    const int length = classCodeLength();
    if (on) {
        classSelector_->setMaxLength(length);
        if (classSelector_->text().isEmpty()) classSelector_->setText(qs(defaultClassCode(length)));
    }
    lblBJ4_->setText(qs(classRangeLabel(on, length)));
}

void StudentsPage::setSettingsLocked(bool locked) {
    locked_ = locked;
    const SettingsLockView lock = settingsLockView(locked, grade_.enabled->isChecked(), class_.enabled->isChecked());
    lockHint_->setText(qs(lock.hint));
    for (QWidget* w :
         std::initializer_list<QWidget*>{grade_.enabled, class_.enabled, lblAdmissionLen_, admissionLength_})
        w->setEnabled(lock.enableSwitches);
    applyGradeRule();
    applyClassRule();
}

// --- Grades, classes and the group shown --------------------------------------

void StudentsPage::gradesClicked() {
    if (loading_) return;
    applyGradeRule();
    relation_->setEnabled(grade_.enabled->isChecked() || class_.enabled->isChecked());
    groupChanged();
}

void StudentsPage::classesClicked() {
    if (loading_) return;
    applyClassRule();
    relation_->setEnabled(grade_.enabled->isChecked() || class_.enabled->isChecked());
    groupChanged();
}

void StudentsPage::updatePrefix() {
    PrefixInputs in;
    in.relationChecked = relation_->isChecked();
    in.relationEnabled = relation_->isEnabled();
    in.gradesEnabled = grade_.enabled->isChecked();
    in.gradeSelected = gradeSelector_->currentIndex() >= 0;
    in.selectedGradeCode = roster().selectedGrade.code;
    in.classesEnabled = class_.enabled->isChecked();
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
            // The drop-down list the click opened would hide the message.
            Probe probe;
            StudentGrid trial = *shown;
            GridOutcome outcome;
            if (checkShownGroup(trial, roster(), group, probe, outcome) && !probe.said) return;
            gradeSelector_->hidePopup();
            outcome = {};
            if (checkShownGroup(*shown, roster(), group, prompter(), outcome)) return;
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
    if (!grade_.enabled->isChecked()) return;
    const GradeCheck check = checkGradeTable(grades_, gradeCodeLength());
    if (check.problem.ok()) return;
    prompter().message(check.problem.message);
    if (check.uncheckGrades) {
        grade_.enabled->setChecked(false);
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
        case PageFocus::Grid:
            placeStudentCursor(true, outcome.openEditor, caretAtEnd);
            break;
        case PageFocus::GradeSelector:
            gradeSelector_->setFocus();
            break;
        case PageFocus::None:
            placeStudentCursor(false, false);
            break;
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
    const bool leave =
        leaveStudentsPage(state, grid_, pageData(true), view(), prompter(), context_.services.files, outcome);
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
