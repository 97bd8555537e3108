#include "dialogs/batchresults.h"

#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>
#include <filesystem>

#include "qt/text.h"
#include "widgets/liveview.h"

namespace tarvel::app {
namespace {

constexpr QSize kPictureSize(480, 360);

std::string choiceText(const BatchOutcome& o) {
    if (o.awaitsChoice()) return "待选择：存入或不存入";
    if (o.question != BatchQuestion::None) return "已选择：不存入";
    if (o.unknownCard && !o.unknownCard->suggestions.empty()) return "可存为建议的学生";
    return "";
}

// The picture, the student or the whole hint, what the read said in message
// boxes and the question still open.
QString detailText(const BatchOutcome& o) {
    std::string text = o.picture + "\n\n";
    if (o.stored()) text += outcomeLine(o) + "\n";
    text += o.hint.empty() ? o.prompt : o.hint;
    for (const std::string& m : o.messages) text += "\n\n" + m;
    if (o.awaitsChoice()) text += "\n\n" + o.questionText;
    return qs(text).replace("\r\n", "\n");
}

}  // namespace

PictureDrawer::~PictureDrawer() {
    if (!thread_) return;
    thread_->wait();
    delete thread_;
}

void PictureDrawer::draw(const BatchOutcome& outcome, int row) {
    pending_ = outcome;
    pendingRow_ = row;
    if (!thread_) next();
}

void PictureDrawer::next() {
    BatchOutcome outcome = std::move(*pending_);
    pending_.reset();
    row_ = pendingRow_;
    thread_ = QThread::create([this, outcome = std::move(outcome)] {
        Bitmap frame;
        std::string message;
        if (drawOutcomePicture(outcome, frame, message)) {
            copyToImage(frame, picture_);
            message_.clear();
        } else {
            picture_ = QImage();
            message_ = qs(message);
        }
    });
    connect(thread_, &QThread::finished, this, &PictureDrawer::done);
    thread_->start();
}

void PictureDrawer::done() {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    if (pending_) {
        next();  // a later row was clicked meanwhile
    } else {
        emit drawn(row_, picture_, message_);
    }
}

int BatchOutcomeModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

void BatchOutcomeModel::refill() {
    beginResetModel();
    rows_.clear();
    for (const BatchOutcome& o : job_.batch().outcomes()) {
        rows_.push_back({{qs(std::filesystem::path(o.picture).filename().string()), qs(outcomeLine(o)), qs(choiceText(o))},
                         qs(o.picture),
                         o.stored(),
                         o.awaitsChoice()});
    }
    endResetModel();
}

QVariant BatchOutcomeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()) || index.column() >= 3) return {};
    const Row& row = rows_[size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole: return row.cells[index.column()];
        case Qt::ToolTipRole: return row.path;
        case Qt::ForegroundRole:
            if (index.column() == 1 && !row.stored) return QBrush(QColor(176, 0, 0));
            return {};
        case Qt::BackgroundRole:
            if (row.waiting) return QBrush(QColor(255, 236, 179));
            return {};
        default: return {};
    }
}

QVariant BatchOutcomeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical) return section + 1;
    static const char* const headers[] = {"图片", "结果", "选择"};
    return section >= 0 && section < 3 ? QString(headers[section]) : QVariant();
}

BatchResults::BatchResults(GradingRun& run, std::vector<std::string> files, QWidget* parent)
    : QDialog(parent), job_(run, std::move(files)), model_(job_) {
    setObjectName("FormBatchResults");
    setWindowTitle("批量阅卷结果");
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    summary_ = new QLabel(this);
    summary_->setObjectName("LblBatchSummary");
    list_ = new QTableView(this);
    list_->setObjectName("BatchList");
    list_->setModel(&model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->setDefaultSectionSize(22);
    list_->setColumnWidth(0, 130);
    list_->setColumnWidth(1, 250);
    picture_ = new QLabel(this);
    picture_->setObjectName("BatchPicture");
    picture_->setFixedSize(kPictureSize);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setWordWrap(true);
    picture_->setStyleSheet("background: rgb(173, 190, 214);");
    detail_ = new QPlainTextEdit(this);
    detail_->setObjectName("BatchDetail");
    detail_->setReadOnly(true);
    store_ = new QPushButton("存入", this);
    store_->setObjectName("BtnBatchStore");
    leave_ = new QPushButton("不存入", this);
    leave_->setObjectName("BtnBatchLeave");
    close_ = new QPushButton("关闭", this);
    close_->setObjectName("BtnBatchClose");

    auto* choices = new QHBoxLayout;
    choices->addWidget(store_);
    choices->addWidget(leave_);
    for (int i = 0; i < kMaxSuggestions; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString("BtnBatchSuggest%1").arg(i + 1));
        choices->addWidget(b);
        suggestions_.push_back(b);
        connect(b, &QPushButton::clicked, this, [this, i] {
            const int row = currentRow();
            if (row < 0 || job_.busy()) return;
            const BatchOutcome& o = job_.batch().outcomes()[size_t(row)];
            if (!o.unknownCard || size_t(i) >= o.unknownCard->suggestions.size()) return;
            setBusy(true);
            job_.storeForStudent(size_t(row), o.unknownCard->suggestions[size_t(i)].student);
        });
    }
    choices->addStretch();
    auto* side = new QVBoxLayout;
    side->addWidget(picture_);
    side->addWidget(detail_, 1);
    side->addLayout(choices);
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    row->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(summary_);
    column->addLayout(row, 1);
    column->addLayout(bottom);
    resize(1060, 560);

    auto answer = [this](bool store) {
        const int row = currentRow();
        if (row < 0 || job_.busy() || !job_.batch().outcomes()[size_t(row)].awaitsChoice()) return;
        setBusy(true);
        job_.choose(size_t(row), store);
    };
    connect(store_, &QPushButton::clicked, this, [answer] { answer(true); });
    connect(leave_, &QPushButton::clicked, this, [answer] { answer(false); });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &BatchResults::showOutcome);
    connect(&drawer_, &PictureDrawer::drawn, this, [this](int row, const QImage& picture, const QString& message) {
        if (row != currentRow()) return;  // another row was chosen meanwhile
        if (picture.isNull()) {
            picture_->setText(message);
        } else {
            picture_->setPixmap(
                QPixmap::fromImage(picture.scaled(kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        }
        emit pictureShown(row);
    });
    connect(&job_, &BatchJob::finished, this, [this](bool stored) {
        if (stored) emit runChanged();
        workEnded();
    });
    showOutcome();
}

void BatchResults::start() {
    progress_ = new QProgressDialog("正在阅卷……", "停止", 0, 1, parentWidget());
    progress_->setObjectName("BatchProgress");
    progress_->setWindowTitle("批量阅卷");
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setAttribute(Qt::WA_DeleteOnClose);
    progress_->setValue(0);
    connect(&job_, &BatchJob::progress, progress_, [this](int done, int all) {
        progress_->setMaximum(std::max(all, 1));
        progress_->setValue(done);
        progress_->setLabelText(QString("正在阅卷：已阅%1张，共%2张").arg(done).arg(all));
    });
    // Stopping is taken between pictures; the window stays until the work ends.
    connect(progress_, &QProgressDialog::canceled, this, [this] {
        job_.stop();
        progress_->setLabelText("正在停止……");
        progress_->show();
    });
    progress_->show();
    setBusy(true);
    job_.start();
}

void BatchResults::workEnded() {
    setBusy(false);
    const int row = std::max(currentRow(), 0);
    model_.refill();
    summary_->setText(qs(batchSummary(job_.batch().outcomes(), job_.batch().total())));
    if (!listed_) {
        listed_ = true;
        if (progress_) progress_->close();
        emit graded();
        open();
    }
    // The reset left no row current: choosing one shows it.
    if (model_.rowCount() > 0) {
        list_->selectRow(std::min(row, model_.rowCount() - 1));
    } else {
        showOutcome();
    }
}

int BatchResults::currentRow() const {
    const QModelIndex current = list_->currentIndex();
    return current.isValid() && current.row() < model_.rowCount() ? current.row() : -1;
}

void BatchResults::setBusy(bool busy) {
    for (QPushButton* b : suggestions_) b->setEnabled(!busy);
    store_->setEnabled(!busy);
    leave_->setEnabled(!busy);
    close_->setEnabled(!busy);
}

void BatchResults::reject() {
    // A card being stored must reach the run before the list goes.
    if (!job_.busy()) QDialog::reject();
}

void BatchResults::showOutcome() {
    const int row = job_.busy() ? -1 : currentRow();
    const BatchOutcome* o = row >= 0 ? &job_.batch().outcomes()[size_t(row)] : nullptr;
    store_->setVisible(o && o->awaitsChoice());
    leave_->setVisible(o && o->awaitsChoice());
    const bool suggest = o && o->unknownCard && !o->stored();
    for (size_t i = 0; i < suggestions_.size(); ++i) {
        const bool shown = suggest && i < o->unknownCard->suggestions.size();
        suggestions_[i]->setVisible(shown);
        if (shown) {
            const StudentSuggestion& s = o->unknownCard->suggestions[i];
            suggestions_[i]->setText(qs("存为 " + s.admissionNumber + " " + s.name));
        }
    }
    if (!o) {
        picture_->clear();
        detail_->clear();
        return;
    }
    detail_->setPlainText(detailText(*o));
    picture_->setText("正在显示图片……");
    drawer_.draw(*o, row);
}

}  // namespace tarvel::app
