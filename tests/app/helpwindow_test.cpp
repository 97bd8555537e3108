// The help window and the help pages the build puts beside the program:
// seven topics, links between them, and every link and picture present.
#include <QFile>
#include <QRegularExpression>
#include <filesystem>

#include "apptest.h"
#include "base/paths.h"
#include "dialogs/helpwindow.h"

namespace tarvel::app::test {

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void theBuiltPagesAreCompleteAndLinked() {
        setProgramFolder(TARVEL_PROGRAM_DIR);
        const QRegularExpression reference("(?:href|src)=\"([^\"#:]+)\"");
        for (int t = 0; t < kHelpTopicCount; ++t) {
            QFile page(QString::fromStdString(helpTopicPath(t)));
            QVERIFY2(page.open(QIODevice::ReadOnly), kHelpTopics[size_t(t)]);
            const QString html = QString::fromUtf8(page.readAll());
            QVERIFY(html.contains("<h1>"));
            for (auto m = reference.globalMatch(html); m.hasNext();) {
                const QString target = m.next().captured(1);
                QVERIFY2(std::filesystem::exists(installedPath("帮助/") + target.toStdString()), qPrintable(target));
            }
        }
        setProgramFolder("");
    }

    void showsTopicsAndFollowsLinks() {
        setProgramFolder(TARVEL_PROGRAM_DIR);
        HelpWindow help;
        QVERIFY(help.showTopic(4));
        QCOMPARE(help.topic(), 4);
        QVERIFY(help.findChild<QTextBrowser*>("HelpBrowser")->toPlainText().contains("考试信息设置"));
        QVERIFY(!help.showTopic(7));
        QCOMPARE(help.topic(), 4);
        // The introduction links to page 5's topic; the topic list follows.
        help.showTopic(0);
        auto* browser = help.findChild<QTextBrowser*>("HelpBrowser");
        browser->setSource(QUrl("进行阅卷.htm"));
        QCOMPARE(help.topic(), 5);
        QCOMPARE(help.findChild<QListWidget*>("HelpTopics")->currentRow(), 5);
        help.findChild<QListWidget*>("HelpTopics")->setCurrentRow(2);
        QCOMPARE(help.topic(), 2);
        setProgramFolder("");
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::HelpWindowTest)
#include "helpwindow_test.moc"
