#include "dialogs/mergereport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/text.h"

namespace tarvel::app {

MergeReport::MergeReport(const MergeCommandOutcome& outcome, QWidget* parent) : QDialog(parent) {
    setObjectName("MergeReport");
    setWindowTitle("合并阅卷原始文件");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* summary = new QLabel(qs(mergeDoneText(outcome)), this);
    summary->setObjectName("LblMergeSummary");
    summary->setWordWrap(true);
    auto* list = new QPlainTextEdit(this);
    list->setObjectName("MergeConflicts");
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QStringList lines;
    for (const MergeConflict& c : outcome.conflicts) lines << qs(conflictText(c));
    list->setPlainText(lines.join("\n"));
    auto* close = new QPushButton("关闭", this);
    close->setObjectName("BtnMergeClose");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close);
    auto* column = new QVBoxLayout(this);
    column->addWidget(summary);
    column->addWidget(list, 1);
    column->addLayout(bottom);
    resize(640, 360);
}

bool mergeRawFilesWindow(GradingRun& run, Services& services, QWidget* parent) {
    const MergeCommandOutcome outcome = mergeRawFilesClick(run, services.prompter, services.files);
    if (!outcome.opened) return false;
    if (outcome.conflicts.empty()) {
        services.prompter.message(mergeDoneText(outcome));
    } else {
        (new MergeReport(outcome, parent))->show();
    }
    return true;
}

}  // namespace tarvel::app
