#include "pages/gradingpage.h"

#include <QDir>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "capturestate.h"
#include "dialogs/batchresults.h"
#include "grading/gradinggrid.h"
#include "qt/text.h"

namespace tarvel::app {
namespace {

constexpr int kPanel2Width = 250;
// Phones and scanners write the extensions in either case.
constexpr const char* kPictureFilter =
    "图片文件(*.jpg *.jpeg *.png *.bmp *.pdf *.JPG *.JPEG *.PNG *.BMP *.PDF)|"
    "*.jpg;*.jpeg;*.png;*.bmp;*.pdf;*.JPG;*.JPEG;*.PNG;*.BMP;*.PDF";

// Whether every suggestion still names its roster student.
bool suggestionsStand(const Roster& roster, const std::vector<StudentSuggestion>& suggestions) {
    return std::all_of(suggestions.begin(), suggestions.end(), [&](const StudentSuggestion& s) {
        return s.student >= 0 && size_t(s.student) < roster.students.size() &&
               roster.students[size_t(s.student)].admissionNumber == s.admissionNumber;
    });
}

// The memo shows the cores' "\r\n" line ends as plain line breaks.
QString memoText(const std::string& text) { return qs(text).replace("\r\n", "\n"); }

}  // namespace

GradingPage::GradingPage(AppContext& context, GradingCardReader& reader, QWidget* parent)
    : WizardPage(5, "进行阅卷", context, parent), model_(context.run), reader_(reader),
      pictureFolder_(ss(QDir::homePath())) {
    auto* panel1 = new QWidget;
    panel1->setObjectName("Panel1");
    view_ = new LiveView(panel1);
    view_->setObjectName("ImageView");
    view_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* panel2 = new QWidget(panel1);
    panel2->setObjectName("Panel2");
    panel2->setFixedWidth(kPanel2Width);
    buildPanel2(panel2);
    auto* row = new QHBoxLayout(panel1);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(view_, 1);
    row->addWidget(panel2);

    grid_ = new GradingGridView(model_);
    splitter_ = new QSplitter(Qt::Vertical, body());
    splitter_->setObjectName("Splitter1");
    splitter_->setHandleWidth(5);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(panel1);
    splitter_->addWidget(grid_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kPanel1Height, 200});
    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(splitter_);

    popup_ = new QMenu(this);
    popup_->setObjectName("PopupMenu1");
    auto item = [this](const char* name, const char* text, auto handler) {
        QAction* action = popup_->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    deleteOne_ = item("Ndatikadelete", "删除选中记录", &GradingPage::deleteSelected);
    deleteAll_ = item("NdatikadeleteAll", "删除本列表中所有阅卷记录", &GradingPage::deleteAllShown);
    popup_->addSeparator();
    item("NRefresh", "重新算分", &GradingPage::recalculate);
    popup_->addSeparator();
    item("NMsg", "如何修改标准答案...", [this] { context_.services.prompter.message(kHowToEditStandard); });

    CaptureState& capture = context.capture;
    capture.views().attach(Surface::GradingView, view_);
    connect(view_, &LiveView::resized, this,
            [&capture](int width, int height) { capture.gradingViewResized(width, height); });
    connect(splitter_, &QSplitter::splitterMoved, this, &GradingPage::splitterMoved);
    connect(grid_, &GradingGridView::popupRequested, this, &GradingPage::openPopup);
    connect(&model_, &GradingGridModel::standardAnswerEdited, this, &GradingPage::standardAnswerEdited);
}

void GradingPage::buildPanel2(QWidget* panel) {
    gradeLabel_ = new QLabel("年级：", panel);
    gradeLabel_->setObjectName("LblNJ4");
    grades_ = new QComboBox(panel);
    grades_->setObjectName("NJYJ");
    classLabel_ = new QLabel("班级：", panel);
    classLabel_->setObjectName("LblBJ5");
    classes_ = new QComboBox(panel);
    classes_->setObjectName("BJYJ");
    answer_ = makeButton("BtnAnswerCard", "阅卷", panel, QSize(kPanel2Width - 16, 33));
    auto_ = makeButton("BtnAutoAnswerCard", kAutoOn, panel, QSize(kPanel2Width - 16, 33));
    voice_ = new QCheckBox("语音提示", panel);
    voice_->setObjectName("CBYuYin");
    batch_ = makeButton("BtnBatchAnswerCard", "批量阅卷…", panel, QSize(kPanel2Width - 16, 33));
    auto* batchMenu = new QMenu(batch_);
    batchMenu->setObjectName("PopupBatch");
    QAction* folder = batchMenu->addAction("选择图片文件夹…");
    folder->setObjectName("NBatchFolder");
    QAction* files = batchMenu->addAction("选择图片文件…");
    files->setObjectName("NBatchFiles");
    batch_->setMenu(batchMenu);
    memo_ = new QPlainTextEdit(panel);
    memo_->setObjectName("MemoTiShi");
    memo_->setReadOnly(true);

    auto* choices = new QGridLayout;
    choices->addWidget(gradeLabel_, 0, 0);
    choices->addWidget(grades_, 0, 1);
    choices->addWidget(classLabel_, 1, 0);
    choices->addWidget(classes_, 1, 1);
    choices->setColumnStretch(1, 1);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(8, 0, 8, 0);
    column->addLayout(choices);
    column->addWidget(answer_);
    column->addWidget(auto_);
    column->addWidget(batch_);
    column->addWidget(voice_);
    column->addWidget(memo_, 1);
    buildSuggestions(panel);
    column->addWidget(suggestPanel_);

    connect(grades_, &QComboBox::activated, this, &GradingPage::gradeChosen);
    connect(classes_, &QComboBox::activated, this, &GradingPage::classChosen);
    connect(answer_, &QPushButton::clicked, this, &GradingPage::readCard);
    connect(auto_, &QPushButton::clicked, this, [this] { context_.capture.loop().BtnAutoAnswerCardClick(); });
    connect(folder, &QAction::triggered, this, &GradingPage::gradeFolder);
    connect(files, &QAction::triggered, this, &GradingPage::gradeFiles);
    connect(voice_, &QCheckBox::clicked, this,
            [this](bool checked) { context_.capture.announcer().CBYuYinClick(checked, context_.services.prompter); });
}

void GradingPage::buildSuggestions(QWidget* panel) {
    suggestPanel_ = new QWidget(panel);
    suggestPanel_->setObjectName("PanelSuggest");
    auto* column = new QVBoxLayout(suggestPanel_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(new QLabel("存入为以下学生的答题卡：", suggestPanel_));
    for (int i = 0; i < kMaxSuggestions; ++i) {
        auto* b = new QPushButton(suggestPanel_);
        b->setObjectName(QString("BtnSuggest%1").arg(i + 1));
        b->setFixedHeight(24);  // five of them leave the memo room
        column->addWidget(b);
        suggestButtons_.push_back(b);
        connect(b, &QPushButton::clicked, this, [this, i] { storeForSuggested(size_t(i)); });
    }
    suggestPanel_->hide();
}

void GradingPage::offerSuggestions(const std::optional<UnknownCard>& card) {
    unknown_ = card && !card->suggestions.empty() ? card : std::nullopt;
    for (size_t i = 0; i < suggestButtons_.size(); ++i) {
        const bool shown = unknown_ && i < unknown_->suggestions.size();
        suggestButtons_[i]->setVisible(shown);
        if (shown) {
            const StudentSuggestion& s = unknown_->suggestions[i];
            suggestButtons_[i]->setText(qs(s.admissionNumber + " " + s.name));
        }
    }
    suggestPanel_->setVisible(unknown_.has_value());
}

void GradingPage::storeForSuggested(size_t index) {
    if (!unknown_ || index >= unknown_->suggestions.size()) return;
    // The judgement of the store takes the offer away (cardJudged).
    const UnknownCard card = *unknown_;
    std::string prompt, memo;
    const bool stored = reader_.storeForStudent(card, card.suggestions[index].student, prompt, memo);
    context_.capture.loop().announceJudgement(stored ? ReadResult::Ok : ReadResult::Refused, prompt, memo);
}

bool GradingPage::batchMayStart() {
    const std::string problem = BatchGrading::cannotStart(context_.run);
    if (problem.empty()) return true;
    context_.services.prompter.message(problem);
    return false;
}

void GradingPage::gradeFolder() {
    if (!batchMayStart()) return;
    const auto folder =
        context_.services.files.chooseFolder({"选择要批量阅卷的图片文件夹", "", "", pictureFolder_});
    if (!folder) return;
    pictureFolder_ = *folder;
    std::vector<std::string> files = picturesInFolder(*folder);
    if (files.empty()) {
        context_.services.prompter.message("这个文件夹中没有图片文件（jpg、png、bmp）或PDF文件：" + *folder);
        return;
    }
    gradePictures(std::move(files));
}

void GradingPage::gradeFiles() {
    if (!batchMayStart()) return;
    const auto files = context_.services.files.openFiles(
        {"选择要批量阅卷的图片文件", kPictureFilter, "", pictureFolder_});
    if (!files || files->empty()) return;
    pictureFolder_ = std::filesystem::path(files->front()).parent_path().string();
    gradePictures(*files);
}

void GradingPage::gradePictures(std::vector<std::string> files) {
    grid_->endEditing();  // a standard answer being typed goes into the run the batch starts from
    auto* results = new BatchResults(context_.run, std::move(files), this);
    connect(results, &BatchResults::runChanged, this, [this] {
        currentNumber_ = context_.run.lastAdmissionNumber;
        fillGrid(true);
        emit runChanged();
    });
    connect(results, &BatchResults::graded, this, [this, results] {
        showMemo(batchSummary(results->job().batch().outcomes(), results->job().batch().total()));
    });
    results->start();
}

void GradingPage::prepare() {
    GradingRun& run = context_.run;
    offerSuggestions(std::nullopt);
    fillSelectors();
    // The exam may have changed on page 4: every record is scored by it.
    model_.rescore();
    context_.capture.loop().setRescorePending(false);
    fillGrid(true);
    if (run.records.empty()) showMemo(kReadStandardFirstHint);
    run.runStarted = true;
}

void GradingPage::refresh() {
    // The suggestions point into the roster, which may have changed.
    if (unknown_ && !suggestionsStand(context_.run.students.roster, unknown_->suggestions))
        offerSuggestions(std::nullopt);
    fillSelectors();
    fillGrid(false);
    const FrameLoop& loop = context_.capture.loop();
    setAutoButtonCaption(loop.autoButtonCaption());
    setAnswerButtonEnabled(!loop.autoGrading());
}

void GradingPage::fillSelectors() {
    const Roster& roster = context_.run.students.roster;
    const GroupChoice choice = choiceFromFilter(roster, context_.run.filter);
    auto fill = [](QComboBox* box, QLabel* label, bool enabled, const std::vector<std::string>& items, int index) {
        box->clear();
        if (enabled) {
            for (const std::string& item : items) box->addItem(qs(item));
        }
        box->setCurrentIndex(enabled ? index : -1);
        box->setEnabled(enabled);
        label->setEnabled(enabled);
    };
    fill(grades_, gradeLabel_, roster.gradesEnabled, gradeItems(roster), choice.gradeIndex);
    fill(classes_, classLabel_, roster.classesEnabled, classItems(roster), choice.classIndex);
}

void GradingPage::fillGrid(bool followCard) {
    model_.refill();
    if (!followCard) return;
    const int row = model_.rowOf(currentNumber_);
    if (row >= 0) grid_->makeRowCurrent(row);
    if (isVisible()) grid_->setFocus();
}

void GradingPage::gradeChosen(int index) {
    chooseGrade(context_.run.students.roster, index, context_.run.filter);
    fillGrid(true);
    changed();
}

void GradingPage::classChosen(int index) {
    chooseClass(context_.run.students.roster, index, context_.run.filter);
    fillGrid(true);
    changed();
}

void GradingPage::readCard() { context_.capture.loop().BtnAnswerCardClick(); }

void GradingPage::cardJudged(const Judgement& judgement) {
    offerSuggestions(judgement.unknownCard);
    if (!judgement.accepted) return;
    const GradingRecords& records = context_.run.records;
    if (judgement.currentRecord >= 0 && judgement.currentRecord < int(records.size()))
        currentNumber_ = records[size_t(judgement.currentRecord)].admissionNumber;
    fillGrid(true);
}

void GradingPage::setAnswerButtonEnabled(bool on) {
    answer_->setEnabled(on);
    batch_->setEnabled(on);
}

void GradingPage::setAutoButtonCaption(const std::string& caption) { auto_->setText(qs(caption)); }

void GradingPage::showMemo(const std::string& text) {
    memo_->setPlainText(memoText(text));
    // Shown before the sound starts, even while a read keeps the thread busy.
    memo_->repaint();
}

void GradingPage::openPopup(const QPoint& globalPosition) {
    const int recordCount = int(context_.run.records.size());
    const int currentRow = grid_->currentIndex().isValid() ? grid_->currentIndex().row() + 1 : 0;
    deleteOne_->setEnabled(deleteOneEnabled(model_.dataRows(), currentRow, recordCount));
    deleteAll_->setEnabled(recordCount > 0);
    popup_->popup(globalPosition);
}

void GradingPage::deleteSelected() {
    const int record = model_.recordAt(grid_->currentIndex().row());
    if (record < 0) return;
    GradingRun& run = context_.run;
    const std::string number = run.records[size_t(record)].admissionNumber;
    if (!deleteRecord(run.records, number, context_.services.prompter)) return;
    fillGrid(true);
    changed();
}

void GradingPage::deleteAllShown() {
    GradingRun& run = context_.run;
    const Roster& roster = run.students.roster;
    if (!deleteShownRecords(run.records, roster, choiceFromFilter(roster, run.filter), context_.services.prompter))
        return;
    fillGrid(true);
    changed();
}

void GradingPage::recalculate() {
    grid_->endEditing();
    model_.rescore();
    context_.capture.loop().setRescorePending(false);
    fillGrid(true);
    changed();
}

void GradingPage::standardAnswerEdited() {
    context_.capture.loop().setRescorePending(model_.rescorePending());
    // The standard answer is saved with the run. Told once, not on every
    // key: refreshing the pages would end the edit under way.
    if (!context_.run.unsaved) changed();
}

void GradingPage::splitterMoved() {
    // The picture is never drawn taller than the camera's 480 rows (plus a frame).
    const int handleTop = splitter_->handle(1)->mapTo(this, QPoint(0, 0)).y();
    if (handleTop > kPanel1Cap) {
        const QList<int> sizes = splitter_->sizes();
        splitter_->setSizes({kPanel1Cap, sizes[0] + sizes[1] - kPanel1Cap});
    }
    // ImageView's resize recomputes the preview rectangle.
}

void GradingPage::changed() {
    context_.run.unsaved = true;
    emit runChanged();
}

}  // namespace tarvel::app
