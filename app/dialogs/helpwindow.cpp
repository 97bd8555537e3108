#include "dialogs/helpwindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QSplitter>

#include "base/paths.h"
#include "qt/text.h"

namespace tarvel::app {

std::string helpTopicPath(int topic) { return installedPath(installed::kHelp) + kHelpTopics.at(size_t(topic)); }

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle("Tarvel阅卷帮助");
    topics_ = new QListWidget(this);
    topics_->setObjectName("HelpTopics");
    for (const char* file : kHelpTopics) topics_->addItem(QFileInfo(QString::fromUtf8(file)).completeBaseName());
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenExternalLinks(true);
    auto* split = new QSplitter(this);
    split->addWidget(topics_);
    split->addWidget(browser_);
    split->setSizes({150, 650});
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(split);
    resize(820, 620);

    connect(topics_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != topic()) showTopic(row);
    });
    // A link to another topic keeps the list in step.
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& source) {
        const QSignalBlocker block(topics_);
        topics_->setCurrentRow(topicOf(source));
    });
}

bool HelpWindow::showTopic(int topic) {
    if (topic < 0 || topic >= kHelpTopicCount) return false;
    const QString path = qs(helpTopicPath(topic));
    if (!QFileInfo::exists(path)) return false;
    browser_->setSource(QUrl::fromLocalFile(path));
    return true;
}

int HelpWindow::topic() const { return topicOf(browser_->source()); }

int HelpWindow::topicOf(const QUrl& source) {
    const QString file = source.fileName();
    for (int t = 0; t < kHelpTopicCount; ++t)
        if (file == QString::fromUtf8(kHelpTopics[size_t(t)])) return t;
    return -1;
}

}  // namespace tarvel::app
