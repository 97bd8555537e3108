#include "dialogs/formshebei.h"

#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "capture/connection.h"
#include "qt/text.h"

namespace tarvel::app {

FormSheBei::FormSheBei(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    setObjectName("FormSheBei");
    setWindowTitle(kDeviceListCaption);
    list_ = new QTreeWidget(this);
    list_->setObjectName("ListView1");
    list_->setHeaderLabels({"序号", "设备名称"});
    list_->header()->setStretchLastSection(false);
    list_->setColumnWidth(0, 40);
    list_->setColumnWidth(1, 200);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* ok = new QPushButton("确定", this);
    ok->setObjectName("BtnOK");
    ok->setDefault(true);
    auto* column = new QVBoxLayout(this);
    column->addWidget(list_);
    column->addWidget(ok, 0, Qt::AlignRight);
    resize(300, 220);
    connect(ok, &QPushButton::clicked, this, &FormSheBei::confirm);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &FormSheBei::confirm);
}

void FormSheBei::prepare(const std::vector<std::string>& names) {
    chosen_.reset();
    list_->clear();
    for (size_t i = 0; i < names.size(); ++i)
        list_->addTopLevelItem(new QTreeWidgetItem({QString::number(i + 1), qs(names[i])}));
    list_->setFocus();
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
}

void FormSheBei::confirm() {
    const auto selected = list_->selectedItems();
    if (selected.isEmpty()) {
        prompter_.message(kChooseCameraFirst);
        return;
    }
    chosen_ = selected.first()->text(0).toInt() - 1;
    accept();
}

std::optional<int> FormSheBei::choose(const std::vector<std::string>& names, int /*previous*/) {
    prepare(names);
    exec();
    return chosen_;
}

}  // namespace tarvel::app
