#include "pages/outputpage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QValidator>
#include <QVBoxLayout>
#include <ctime>

#include "base/paths.h"
#include "output/outputpage.h"
#include "output/scorereport.h"
#include "output/statisticsreport.h"
#include "qt/text.h"

namespace tarvel::app {
namespace {

// TJWrongRangeKeyPress / TJRightRangeKeyPress: only digits, "," and "-"
// reach a range box, typed or pasted; Backspace and the editing keys work
// as always.
class RangeKeys : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& text, int&) const override {
        for (const QChar c : text) {
            if (c.unicode() > 0x7F || c == '\b' || !acceptRangeKey(char(c.unicode()))) return Invalid;
        }
        return Acceptable;
    }
};

QLineEdit* rangeBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(new RangeKeys(box));
    // Digits and punctuation are typed directly, never through an input method.
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    return box;
}

QPlainTextEdit* memo(const char* name, const QStringList& lines, QWidget* parent, bool frame = true) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setPlainText(lines.join('\n'));
    if (!frame) box->setFrameShape(QFrame::NoFrame);
    return box;
}

template <class T>
T* named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* label(const char* name, const QString& text, QWidget* parent) { return named(new QLabel(text, parent), name); }

void fillSelector(QComboBox* box, QLabel* label, bool enabled, const std::vector<std::string>& items) {
    const QSignalBlocker quiet(box);
    box->clear();
    for (const std::string& item : items) box->addItem(qs(item));
    box->setCurrentIndex(-1);
    box->setEnabled(enabled);
    label->setEnabled(enabled);
}

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

OutputPage::OutputPage(AppContext& context, QWidget* parent)
    : WizardPage(6, kOutputPageCaption, context, parent), opener_(context.services.desktop) {
    QStringList notes;
    for (const std::string& line : outputNotes()) notes << qs(line);
    auto* notesMemo = memo("Memo3", notes, body());
    notesMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    notesMemo->setFixedWidth(270);

    auto* boxes = new QVBoxLayout;
    boxes->addWidget(buildReportBox(), 3);
    boxes->addWidget(buildStatisticsBox(), 2);
    auto* row = new QHBoxLayout(body());
    row->setContentsMargins(0, 0, 0, 0);
    row->addLayout(boxes, 1);
    row->addWidget(notesMemo, 0, Qt::AlignTop);

    progress_ = new FormProgress(this);
    busy_ = new FormTJProgress(this);
    job_ = new OutputJob(this);
    connect(job_, &OutputJob::progress, progress_, &FormProgress::setPosition);
    connect(job_, &OutputJob::finished, this, &OutputPage::finish);
    prepare();
}

QWidget* OutputPage::buildReportBox() {
    auto* box = named(new QGroupBox("学生成绩输出", body()), "GroupBox5");
    gradeLabel_ = label("LblNJ5", "年级：", box);
    grade_ = named(new QComboBox(box), "NJSC");
    classLabel_ = label("LblBJ6", "班级：", box);
    class_ = named(new QComboBox(box), "BJSC");
    for (QComboBox* c : {grade_, class_}) c->setMinimumWidth(130);

    all_ = named(new QListWidget(box), "LBAll");
    for (const char* item : kReportItemTexts) all_->addItem(item);
    chosen_ = named(new QListWidget(box), "LBSelected");
    auto* addOne = makeButton("BtnAddOne", ">", box, QSize(60, 25));
    auto* addAll = makeButton("BtnAddAll", ">>", box, QSize(60, 25));
    auto* remove = makeButton("BtnDeleteSelected", "删除", box, QSize(60, 25));
    auto* clear = makeButton("BtnClearSelected", "清空", box, QSize(60, 25));
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* b : {addOne, addAll, remove, clear}) moves->addWidget(b);
    moves->addStretch();

    byAdmission_ = named(new QRadioButton("以学号排序", box), "RBSCSort1");
    byTotal_ = named(new QRadioButton("以总成绩排序", box), "RBSCSort2");
    byAdmission_->setChecked(true);
    auto* order = new QButtonGroup(box);
    order->addButton(byAdmission_);
    order->addButton(byTotal_);
    absent_ = named(new QCheckBox("输出缺考学生信息", box), "CBQueKao");
    absent_->setChecked(true);
    summary_ = memo("MNoReadName", {}, box, false);
    report_ = makeButton("BtnSC", "输出", box, QSize(100, 30));

    auto* side = new QVBoxLayout;
    side->addWidget(byAdmission_);
    side->addWidget(byTotal_);
    side->addWidget(absent_);
    side->addWidget(summary_, 1);
    side->addWidget(report_, 0, Qt::AlignRight);

    auto* grid = new QGridLayout(box);
    auto* selectors = new QHBoxLayout;
    selectors->addWidget(gradeLabel_);
    selectors->addWidget(grade_);
    selectors->addSpacing(16);
    selectors->addWidget(classLabel_);
    selectors->addWidget(class_);
    selectors->addStretch();
    grid->addLayout(selectors, 0, 0, 1, 4);
    grid->addWidget(label("Label13", "所有输出项", box), 1, 0);
    grid->addWidget(label("Label14", "选定输出项", box), 1, 2);
    grid->addWidget(all_, 2, 0);
    grid->addLayout(moves, 2, 1);
    grid->addWidget(chosen_, 2, 2);
    grid->addLayout(side, 1, 3, 2, 1);
    grid->setColumnStretch(3, 1);
    for (QListWidget* list : {all_, chosen_}) list->setFixedWidth(120);

    connect(grade_, &QComboBox::currentIndexChanged, this, [this] {
        // With classes in use the summary waits for a class.
        if (!context_.run.students.roster.classesEnabled || class_->currentIndex() >= 0) showGroupSummary();
    });
    connect(class_, &QComboBox::currentIndexChanged, this, &OutputPage::showGroupSummary);
    connect(addOne, &QPushButton::clicked, this, &OutputPage::addOne);
    connect(addAll, &QPushButton::clicked, this, &OutputPage::addAll);
    connect(remove, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = chosen_->currentItem(); item && item->isSelected()) delete item;
    });
    connect(clear, &QPushButton::clicked, chosen_, &QListWidget::clear);
    connect(report_, &QPushButton::clicked, this, &OutputPage::writeReport);
    return box;
}

QWidget* OutputPage::buildStatisticsBox() {
    auto* box = named(new QGroupBox("统计", body()), "GroupBox6");
    statGradeLabel_ = label("LblNJ6", "年级：", box);
    statGrade_ = named(new QComboBox(box), "NJTJ");
    statClassLabel_ = label("LblBJ7", "班级：", box);
    statClass_ = named(new QComboBox(box), "BJTJ");
    for (QComboBox* c : {statGrade_, statClass_}) c->setMinimumWidth(130);
    average_ = named(new QCheckBox("统计平均分", box), "TJAverage");
    questionRates_ = named(new QCheckBox("统计每小题得分率", box), "TJXiaoTiRate");
    sectionRates_ = named(new QCheckBox("统计每大题得分率", box), "TJDaTiRate");
    wrongLists_ = named(new QCheckBox("统计小题做错名单", box), "TJXiaoTiWrong");
    wrongRange_ = rangeBox("TJWrongRange", box);
    rightLists_ = named(new QCheckBox("统计小题做对名单", box), "TJXiaoTiRight");
    rightRange_ = rangeBox("TJRightRange", box);
    QStringList rangeNotes;
    for (const char* line : kRangeNotes) rangeNotes << line;
    auto* notes = memo("Memo4", rangeNotes, box, false);
    notes->setFixedHeight(3 * notes->fontMetrics().lineSpacing() + 12);
    statistics_ = makeButton("BtnTJ", "输出", box, QSize(100, 30));

    auto* grid = new QGridLayout(box);
    auto* selectors = new QHBoxLayout;
    selectors->addWidget(statGradeLabel_);
    selectors->addWidget(statGrade_);
    selectors->addSpacing(16);
    selectors->addWidget(statClassLabel_);
    selectors->addWidget(statClass_);
    selectors->addStretch();
    grid->addLayout(selectors, 0, 0, 1, 4);
    grid->addWidget(average_, 1, 0);
    grid->addWidget(questionRates_, 1, 1);
    grid->addWidget(sectionRates_, 1, 2);
    grid->addWidget(wrongLists_, 2, 0);
    grid->addWidget(label("Label1", "小题范围：", box), 2, 1, Qt::AlignRight);
    grid->addWidget(wrongRange_, 2, 2);
    grid->addWidget(rightLists_, 3, 0);
    grid->addWidget(label("Label2", "小题范围：", box), 3, 1, Qt::AlignRight);
    grid->addWidget(rightRange_, 3, 2);
    grid->addWidget(statistics_, 3, 3, Qt::AlignRight);
    grid->addWidget(notes, 4, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    connect(statistics_, &QPushButton::clicked, this, &OutputPage::writeStatistics);
    return box;
}

void OutputPage::prepare() {
    const OutputPageData data = FillOutputPage(context_.run.students.roster);
    fillSelector(grade_, gradeLabel_, data.gradesEnabled, data.gradeItems);
    fillSelector(statGrade_, statGradeLabel_, data.gradesEnabled, data.gradeItems);
    fillSelector(class_, classLabel_, data.classesEnabled, data.classItems);
    fillSelector(statClass_, statClassLabel_, data.classesEnabled, data.classItems);
    chosen_->clear();
}

RunView OutputPage::view() const {
    const GradingRun& run = context_.run;
    return {run.students.roster, run.settings, run.records};
}

void OutputPage::showGroupSummary() {
    const Roster& roster = context_.run.students.roster;
    QStringList lines;
    for (const std::string& line :
         ShowGroupSummary(view(), outputGroup(roster, grade_->currentIndex(), class_->currentIndex())))
        lines << qs(line);
    summary_->setPlainText(lines.join('\n'));
    summary_->verticalScrollBar()->setValue(0);
}

void OutputPage::addOne() {
    QListWidgetItem* item = all_->currentItem();
    if (!item || !item->isSelected()) return;
    if (chosen_->findItems(item->text(), Qt::MatchExactly).isEmpty()) chosen_->addItem(item->text());
}

void OutputPage::addAll() {
    chosen_->clear();
    for (const char* item : kReportItemTexts) chosen_->addItem(item);
}

ReportRequest OutputPage::reportRequest() const {
    ReportRequest request;
    request.group = outputGroup(context_.run.students.roster, grade_->currentIndex(), class_->currentIndex());
    for (int i = 0; i < chosen_->count(); ++i) {
        if (auto item = reportItemFromText(ss(chosen_->item(i)->text()))) request.items.push_back(*item);
    }
    request.order = byTotal_->isChecked() ? ReportOrder::ByTotal : ReportOrder::ByAdmission;
    request.includeAbsent = absent_->isChecked();
    return request;
}

StatisticsRequest OutputPage::statisticsRequest() const {
    StatisticsRequest request;
    request.group =
        outputGroup(context_.run.students.roster, statGrade_->currentIndex(), statClass_->currentIndex());
    request.average = average_->isChecked();
    request.questionRates = questionRates_->isChecked();
    request.sectionRates = sectionRates_->isChecked();
    request.wrongLists = wrongLists_->isChecked();
    request.wrongRange = ss(wrongRange_->text());
    request.rightLists = rightLists_->isChecked();
    request.rightRange = ss(rightRange_->text());
    return request;
}

void OutputPage::writeReport() {
    if (job_->running()) return;
    const ReportRequest request = reportRequest();
    const std::string problem = checkReportChoices(context_.run.students.roster, request);
    if (!problem.empty()) {
        context_.services.prompter.message(problem);
        if (problem == kChooseGradeMessage) {
            grade_->setFocus();
        } else if (problem == kChooseClassMessage) {
            class_->setFocus();
        } else {
            all_->setFocus();
        }
        return;
    }
    progress_->setWindowTitle(kReportProgressCaption);
    progress_->setPosition(0);
    start(progress_, [request](const RunView& run, const std::string& folder, const std::tm& now,
                               const ProgressFn& progress) { return WriteReport(run, request, folder, now, progress); });
}

void OutputPage::writeStatistics() {
    if (job_->running()) return;
    const StatisticsRequest request = statisticsRequest();
    const std::string problem = checkStatisticsRequest(view(), request);
    if (!problem.empty()) {
        context_.services.prompter.message(problem);
        return;
    }
    start(busy_, [request](const RunView& run, const std::string& folder, const std::tm& now,
                           const ProgressFn& progress) { return WriteStatistics(run, request, folder, now, progress); });
}

void OutputPage::start(QDialog* busy, Write write) {
    // The worker reads a copy: the run may change while it writes.
    auto snapshot = std::make_shared<const RunSnapshot>(
        RunSnapshot{context_.run.students.roster, context_.run.settings, context_.run.records});
    const std::string folder = installedPath(installed::kOutput);
    const std::tm now = localNow();
    showing_ = busy;
    busy->open();
    job_->start([snapshot, folder, now, write](const ProgressFn& progress) {
        return write(snapshot->view(), folder, now, progress);
    });
}

void OutputPage::finish(const OutputFile& file) {
    if (showing_) showing_->hide();
    showing_ = nullptr;
    ShowOutputFile(file, opener_, context_.services.prompter);
    emit outputShown(file);
}

}  // namespace tarvel::app
