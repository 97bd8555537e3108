#include "dialogs/formcard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "base/paths.h"
#include "qt/text.h"

namespace tarvel::app {
namespace {

constexpr int kPictureMargin = 20;
const QSize kPictureArea(820, 600);

QTreeWidget* makeList(const char* objectName, const char* heading, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(objectName);
    list->setHeaderLabels({QString::fromUtf8(heading)});
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return list;
}

bool endsWithDat(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".dat";
}

}  // namespace

FormCard::FormCard(Prompter& prompter, Desktop& desktop, QWidget* parent)
    : QDialog(parent), prompter_(prompter), desktop_(desktop) {
    setObjectName("FormCard");
    setWindowTitle("选择答题卡");
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);

    selfPrinted_ = makeList("LVCards1", "自打印卡", this);
    machineRead_ = makeList("LVCards2", "机读卡", this);
    auto* lists = new QSplitter(Qt::Vertical, this);
    lists->addWidget(selfPrinted_);
    lists->addWidget(machineRead_);
    auto* note = new QLabel(
        "自打印卡：用普通打印机把“答题卡.pdf”中的卡打印在A4纸上使用。\n"
        "机读卡：使用印刷好的标准机读卡，不需要打印。",
        this);
    note->setWordWrap(true);
    note->setStyleSheet("color: gray;");
    auto* left = new QVBoxLayout;
    left->addWidget(lists, 1);
    left->addWidget(note);
    auto* leftPanel = new QWidget(this);
    leftPanel->setLayout(left);
    leftPanel->setFixedWidth(240);

    auto* tip = new QLabel("单击左边列表框中的答题卡名称可显示图片", this);
    print_ = new QPushButton("打印答题卡", this);
    print_->setObjectName("BtnPrint");
    auto* ok = new QPushButton("确定", this);
    ok->setObjectName("BtnDaiRu");
    ok->setDefault(true);
    auto* bar = new QHBoxLayout;
    bar->addWidget(tip);
    bar->addStretch();
    bar->addWidget(print_);
    bar->addWidget(ok);

    picture_ = new QLabel;
    picture_->setObjectName("ImageCard");
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("ScrollBox1");
    scroll->setWidget(picture_);
    auto* right = new QVBoxLayout;
    right->addLayout(bar);
    right->addWidget(scroll, 1);

    auto* row = new QHBoxLayout(this);
    row->addWidget(leftPanel);
    row->addLayout(right, 1);

    for (QTreeWidget* list : {selfPrinted_, machineRead_}) {
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this, list] { rowSelected(list); });
        connect(list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
            current_ = ss(item->text(0));
            chooseCurrent();
        });
        list->viewport()->installEventFilter(this);
    }
    connect(ok, &QPushButton::clicked, this, &FormCard::chooseCurrent);
    connect(print_, &QPushButton::clicked, this, &FormCard::print);
}

void FormCard::fill(QTreeWidget* list, const char* family) {
    list->clear();
    std::error_code error;
    // The order the file system lists them in, as the card folder is kept.
    for (const auto& entry : std::filesystem::directory_iterator(installedPath(installed::kTemplates), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(family, 0) == 0 && endsWithDat(name)) list->addTopLevelItem(new QTreeWidgetItem({qs(name)}));
    }
}

void FormCard::prepare(const std::string& current, const QString& caption) {
    setWindowTitle(caption);
    current_ = current;
    chosen_.clear();
    {
        const QSignalBlocker blockSelf(selfPrinted_), blockMachine(machineRead_);
        fill(selfPrinted_, "DY");
        fill(machineRead_, "JD");
    }
    const std::string family = current_.substr(0, 2);
    QTreeWidget* list = family == "DY" ? selfPrinted_ : family == "JD" ? machineRead_ : nullptr;
    if (current_.empty()) list = selfPrinted_;
    if (list) {
        const auto found = list->findItems(qs(current_), Qt::MatchExactly);
        QTreeWidgetItem* row = current_.empty() ? list->topLevelItem(0) : found.value(0);
        if (row) {
            list->setCurrentItem(row);  // selects it; the current name follows
            list->setFocus();
        }
    }
    showPicture();
}

void FormCard::rowSelected(QTreeWidget* list) {
    const auto selected = list->selectedItems();
    if (selected.isEmpty()) return;
    // One layout is selected at a time, in either list.
    QTreeWidget* other = list == selfPrinted_ ? machineRead_ : selfPrinted_;
    {
        const QSignalBlocker block(other);
        other->clearSelection();
    }
    current_ = ss(selected.first()->text(0));
    // Machine-readable cards are not printed.
    print_->setEnabled(list == selfPrinted_);
    showPicture();
}

bool FormCard::eventFilter(QObject* watched, QEvent* event) {
    // A click beside the rows changes nothing but the print button.
    if (event->type() == QEvent::MouseButtonRelease) {
        for (QTreeWidget* list : {selfPrinted_, machineRead_}) {
            if (watched != list->viewport()) continue;
            const auto* click = static_cast<QMouseEvent*>(event);
            if (!list->itemAt(click->position().toPoint())) print_->setEnabled(list == selfPrinted_);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FormCard::showPicture() {
    QImage card;
    if (current_.size() > 4) {
        const std::string file = current_.substr(0, current_.size() - 4) + ".jpg";
        card.load(qs(installedPath(installed::kCardImages) + file), "JPG");
    }
    // The area grows to hold a tall card whole; a layout without a picture
    // leaves it grey and stays usable.
    const QSize size = kPictureArea.expandedTo(card.size() + QSize(2 * kPictureMargin, 2 * kPictureMargin));
    QPixmap canvas(size);
    canvas.fill(palette().color(QPalette::Window));
    if (!card.isNull()) {
        QPainter p(&canvas);
        p.drawImage(kPictureMargin, kPictureMargin, card);
    }
    picture_->setPixmap(canvas);
    picture_->resize(size);
}

void FormCard::chooseCurrent() {
    chosen_ = current_;
    accept();
}

void FormCard::print() {
    const std::string path = installedPath(installed::kPrintableCards);
    if (!desktop_.open(path))
        prompter_.message("无法打开答题卡文件“" + path + "”。请用PDF阅读器打开这个文件并打印。");
}

std::string FormCard::choose(const std::string& current, const std::string& caption) {
    prepare(current, qs(caption));
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
    return chosen_;
}

}  // namespace tarvel::app
