// The main window: its initial state, page moves with their checks, refused
// tab clicks, help, the save menu item, folder commands, the preview
// rectangle and the two closing questions.
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "apptest.h"
#include "base/paths.h"
#include "dialogs/helpwindow.h"
#include "pages/cardpage.h"
#include "pages/gradingpage.h"

namespace tarvel::app::test {

class MainWindowTest : public QObject {
    Q_OBJECT

    // Through the pages with a card chosen and one camera connected.
    static void goTo(WindowRig& rig, int page) {
        if (rig.window.currentPage() == 1 && page > 1) {
            rig.cards.answers.push_back("DY测试卡.dat");
            rig.click("BtnNewYJ");
            rig.click("BtnNext1");
        }
        if (rig.window.currentPage() == 2 && page > 2 && rig.window.capture().connection().deviceCount() == 0) {
            rig.cameraNames = {"camera"};
            rig.click("BtnConn");
        }
        readyForGrading(rig.window.run());
        while (rig.window.currentPage() < page) rig.click(qPrintable(QString("BtnNext%1").arg(rig.window.currentPage())));
        QCOMPARE(rig.window.currentPage(), page);
    }

    static void writeHelpPages(Rig& rig) {
        std::filesystem::create_directories(rig.folder.path("帮助"));
        for (const char* topic : kHelpTopics)
            std::ofstream(rig.folder.path(std::string("帮助/") + topic)) << "<html><body>" << topic << "</body></html>";
    }

private slots:
    void startsOnPageOneInItsInitialState() {
        WindowRig rig("mw-start");
        QCOMPARE(rig.window.windowTitle(), QString(kAppTitle));
        QCOMPARE(rig.window.minimumWidth(), 840);
        QCOMPARE(rig.window.currentPage(), 1);
        auto* tabs = rig.find<QTabWidget>("PageControl1");
        QCOMPARE(tabs->tabPosition(), QTabWidget::South);
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
        QCOMPARE(captions, QStringList({"准备答题卡", "连接摄像头", "学生信息设置", "考试信息设置", "进行阅卷", "成绩输出"}));
        QVERIFY(!rig.find("BtnNext1")->isEnabled());
        QVERIFY(!rig.find("BtnBack1")->isEnabled());
        QVERIFY(!rig.find("BtnViewCapProperty")->isEnabled());
        QVERIFY(!rig.find("BtnOpenYJFile1")->isEnabled());  // no raw file was ever saved here
        QVERIFY(rig.find<QLabel>("LCardName")->text().isEmpty());
        QVERIFY(rig.find<QLabel>("LblLianJie")->text().isEmpty());
        QVERIFY(!rig.find<QAction>("BtnSave")->isEnabled());
        QVERIFY(!rig.window.capture().timer().isActive());
        QVERIFY(rig.window.findChild<QPushButton*>("BtnGoToFirst"));
        QVERIFY(!rig.window.findChild<QPushButton*>("BtnNext6"));
    }

    void tabClicksAndPageKeysAreRefused() {
        WindowRig rig("mw-tabs");
        auto* tabs = rig.find<QTabWidget>("PageControl1");
        for (int tab : {1, 2, 5}) {
            rig.prompter.clear();
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(tab).center());
            QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kUseNextOrBack});
            QCOMPARE(rig.window.currentPage(), 1);
        }
        rig.prompter.clear();
        QTest::keyClick(rig.find("BtnNewYJ"), Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(rig.find("BtnNewYJ"), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(rig.window.currentPage(), 1);
        QCOMPARE(rig.prompter.texts().size(), size_t(2));
    }

    void nextChecksAndBackMovesFollowTheTable() {
        WindowRig rig("mw-moves");
        // Page 1 without a card: refused, focus on "新阅卷".
        rig.find("BtnNext1")->setEnabled(true);
        rig.click("BtnNext1");
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kChooseRunFirst});
        QCOMPARE(rig.window.currentPage(), 1);
        QVERIFY(rig.find("BtnNewYJ")->hasFocus());

        rig.cards.answers.push_back("DY测试卡.dat");
        rig.click("BtnNewYJ");
        rig.click("BtnNext1");
        QCOMPARE(rig.window.currentPage(), 2);
        // Page 2 without a camera found: refused, focus on "连接摄像头".
        rig.prompter.clear();
        rig.click("BtnConn");
        rig.click("BtnNext2");
        QCOMPARE(rig.prompter.texts(), (std::vector<std::string>{kNoCameraMessage, kConnectFirst}));
        QCOMPARE(rig.window.currentPage(), 2);
        QVERIFY(rig.find("BtnConn")->hasFocus());
        rig.click("BtnBack2");
        QCOMPARE(rig.window.currentPage(), 1);

        goTo(rig, 5);
        rig.window.setWindowTitle("李四 92.5分");  // as a read sets it
        rig.click("BtnNext5");
        QCOMPARE(rig.window.currentPage(), 6);
        QCOMPARE(rig.window.windowTitle(), QString(kAppTitle));
        rig.click("BtnBack6");
        rig.window.setWindowTitle("李四 92.5分");
        rig.click("BtnBack5");
        QCOMPARE(rig.window.currentPage(), 4);
        QCOMPARE(rig.window.windowTitle(), QString(kAppTitle));
        rig.click("BtnBack4");
        rig.click("BtnBack3");
        QCOMPARE(rig.window.currentPage(), 2);
        goTo(rig, 6);
        rig.click("BtnGoToFirst");
        QCOMPARE(rig.window.currentPage(), 1);
    }

    void helpOpensTheTopicOfThePageAfterTheClick() {
        WindowRig rig("mw-help");
        writeHelpPages(rig);
        for (int page = 1; page <= 6; ++page) {
            goTo(rig, page);
            QTest::keyClick(rig.window.page(page)->helpButton(), Qt::Key_F1);  // F1 on the page
            QTRY_VERIFY(rig.window.helpWindow() && rig.window.helpWindow()->topic() == page);
            rig.window.showHelp(0);
            rig.click(qPrintable(QString("BtnHelp%1").arg(page)));
            QCOMPARE(rig.window.helpWindow()->topic(), 0);  // not yet: after the click has been handled
            QTRY_COMPARE(rig.window.helpWindow()->topic(), page);
        }
        rig.find<QAction>("N6")->trigger();
        QTRY_COMPARE(rig.window.helpWindow()->topic(), 0);
        rig.window.showHelp(4);
        rig.find<QAction>("ToolButton6")->trigger();
        QTRY_COMPARE(rig.window.helpWindow()->topic(), 0);
        // A topic outside 0-6 does nothing.
        rig.window.showHelp(7);
        rig.window.showHelp(-1);
        QCOMPARE(rig.window.helpWindow()->topic(), 0);
        QVERIFY(rig.desktop.opened.empty());
        QVERIFY(rig.prompter.shown().empty());
    }

    void missingHelpGoesToTheDesktopThenToAMessage() {
        WindowRig rig("mw-nohelp");
        rig.window.showHelp(3);
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{rig.folder.path("帮助/简介.htm")});
        QVERIFY(rig.prompter.shown().empty());
        rig.desktop.works = false;
        rig.window.showHelp(3);
        QCOMPARE(rig.prompter.texts().size(), size_t(1));
        QVERIFY(rig.prompter.texts()[0].find("找不到帮助文件") == 0);
    }

    void saveItemFollowsTheSaveButtonAndSaves() {
        WindowRig rig("mw-save");
        auto* file = rig.find<QMenu>("N1");
        auto* item = rig.find<QAction>("N15");
        emit file->aboutToShow();
        QVERIFY(!item->isEnabled());
        QCOMPARE(item->shortcut(), QKeySequence("Ctrl+S"));
        rig.window.run().settings.examName = "期中";
        rig.window.run().settings.subjectName = "数学";
        rig.window.run().unsaved = true;
        emit file->aboutToShow();
        QVERIFY(item->isEnabled());
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        QTest::keyClick(&rig.window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(std::filesystem::exists(rig.folder.path("阅卷原始文件/期中数学.yj")));
        QVERIFY(!item->isEnabled());
        QVERIFY(!rig.find<QAction>("BtnSave")->isEnabled());
        QVERIFY(rig.find("BtnOpenYJFile1")->isEnabled());  // the marker exists now
    }

    void folderCommandsOpenTheFoldersBesideTheProgram() {
        WindowRig rig("mw-folders");
        rig.find<QAction>("N16")->trigger();
        rig.find<QAction>("N18")->trigger();
        rig.find<QAction>("N19")->trigger();
        QCOMPARE(rig.desktop.opened, (std::vector<std::string>{installedPath("阅卷原始文件/"),
                                                               installedPath("学生信息文件/"),
                                                               installedPath("语音引擎/")}));
        rig.desktop.works = false;
        rig.find<QAction>("N16")->trigger();
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{"无法打开文件夹：" + installedPath("阅卷原始文件/")});
    }

    void previewRectangleFollowsTheGradingView() {
        WindowRig rig("mw-preview");
        goTo(rig, 5);
        auto* view = rig.find<LiveView>("ImageView");
        for (QSize size : {QSize(1000, 700), QSize(840, 900)}) {
            rig.window.resize(size);
            QTRY_COMPARE(rig.window.size(), size);
            const int h = view->height(), w = h * 640 / 480;
            const Rect expected = w <= view->width()
                                      ? Rect{(view->width() - w) / 2, 0, w, h}
                                      : Rect{0, (h - view->width() * 480 / 640) / 2, view->width(), view->width() * 480 / 640};
            QCOMPARE(rig.window.capture().loop().viewRect(), expected);
        }
    }

    void closingAsksToSaveThenToClose() {
        {
            // Nothing unsaved: only the close question; No keeps the window.
            WindowRig rig("mw-close1");
            QVERIFY(!rig.window.close());
            QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kConfirmClose});
            QVERIFY(rig.window.isVisible());
            rig.prompter.answerNext(Answer::Yes);
            QVERIFY(rig.window.close());
        }
        {
            // Unsaved: Yes saves, No to the second question still keeps it open.
            WindowRig rig("mw-close2");
            rig.window.run().settings.examName = "期中";
            rig.window.run().settings.subjectName = "数学";
            rig.window.run().unsaved = true;
            rig.prompter.answerNext(Answer::Yes);
            rig.prompter.answerNext(Answer::No);
            QVERIFY(!rig.window.close());
            QCOMPARE(rig.prompter.texts(), (std::vector<std::string>{kSaveBeforeClosing, kConfirmClose}));
            QVERIFY(std::filesystem::exists(rig.folder.path("阅卷原始文件/期中数学.yj")));
            QVERIFY(!rig.window.run().unsaved);
        }
        {
            // A save that fails keeps the program open with the run unsaved.
            WindowRig rig("mw-close3");
            rig.window.run().settings.examName = "期中";
            rig.window.run().settings.subjectName = "数学";
            std::ofstream(rig.folder.path("阅卷原始文件")) << "a file where the folder should be";
            rig.window.run().unsaved = true;
            rig.prompter.answerNext(Answer::Yes);
            rig.prompter.answerNext(Answer::Yes);
            QVERIFY(!rig.window.close());
            QCOMPARE(rig.prompter.shown().size(), size_t(2));  // the question and the failure
            QCOMPARE(rig.prompter.shown()[0].text, std::string(kSaveBeforeClosing));
            QVERIFY(rig.window.run().unsaved);
            QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        }
        {
            // No to saving, Yes to closing: closes, and the camera stops.
            WindowRig rig("mw-close4");
            goTo(rig, 3);
            rig.window.run().unsaved = true;
            rig.prompter.answerNext(Answer::No);
            rig.prompter.answerNext(Answer::Yes);
            QVERIFY(rig.window.close());
            QVERIFY(!rig.window.capture().connection().running());
            QVERIFY(!rig.window.capture().timer().isActive());
        }
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::MainWindowTest)
#include "mainwindow_test.moc"
