// Page 1: "新阅卷" through the card chooser, "打开阅卷原始文件" through the
// file dialog, the card name and the Next button that follows them.
#include <filesystem>

#include "apptest.h"
#include "base/paths.h"
#include "pages/cardpage.h"

namespace tarvel::app::test {

class CardPageTest : public QObject {
    Q_OBJECT
private slots:
    void newRunChoosesTheLayoutThroughTheChooser() {
        WindowRig rig("cp-new");
        rig.cards.answers.push_back("DY测试卡.dat");
        rig.click("BtnNewYJ");
        QCOMPARE(rig.cards.shown.size(), size_t(1));
        QCOMPARE(rig.cards.shown[0].first, std::string());
        QCOMPARE(rig.cards.shown[0].second, std::string(kNewRunCaption));
        QCOMPARE(rig.find<QLabel>("LCardName")->text(), QString("DY测试卡.dat"));
        QVERIFY(rig.find("BtnNext1")->isEnabled());
        QCOMPARE(rig.window.run().layout.current.questionCount, sample::sampleLayout().questionCount);

        // The next new run presets the previous card; closing the chooser
        // leaves no card and Next disabled again.
        rig.click("BtnNewYJ");
        QCOMPARE(rig.cards.shown[1].first, std::string("DY测试卡.dat"));
        QVERIFY(rig.find<QLabel>("LCardName")->text().isEmpty());
        QVERIFY(!rig.find("BtnNext1")->isEnabled());
    }

    void aLayoutThatDoesNotLoadLeavesNextDisabled() {
        WindowRig rig("cp-bad");
        rig.cards.answers.push_back("DY不存在.dat");
        rig.click("BtnNewYJ");
        QVERIFY(!rig.find("BtnNext1")->isEnabled());
        QCOMPARE(rig.prompter.texts().size(), size_t(1));  // the layout's own message
    }

    void newRunOffersToSaveUnsavedWorkFirst() {
        WindowRig rig("cp-unsaved");
        rig.window.run().unsaved = true;
        rig.prompter.answerNext(Answer::No);
        rig.click("BtnNewYJ");
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kSaveOldRunQuestion});
        QVERIFY(!rig.find<QAction>("BtnSave")->isEnabled());
    }

    void openingARawFileShowsItsCard() {
        WindowRig rig("cp-open");
        // A run saved by this installation: the marker enables the button.
        GradingRun saved;
        saved.layout.chosenCardName = saved.settings.cardName = "JD测试卡.dat";
        saved.settings.examName = "期末";
        saved.settings.subjectName = "英语";
        saved.records.resize(1);
        saved.records[0].readCount = 1;
        ScriptedPrompter quiet;
        ScriptedDialogs none;
        QVERIFY(BtnSaveClick(saved, {}, quiet, none));
        rig.window.page(1)->refresh();
        QVERIFY(rig.find("BtnOpenYJFile1")->isEnabled());

        rig.files.cancelNext();
        rig.click("BtnOpenYJFile1");
        QVERIFY(rig.find<QLabel>("LCardName")->text().isEmpty());
        QCOMPARE(rig.files.shown.at(0).title, std::string("打开阅卷原始文件"));
        QCOMPARE(rig.files.shown.at(0).initialFolder, installedPath("阅卷原始文件/"));

        rig.files.pick(rig.folder.path("阅卷原始文件/期末英语.yj"));
        rig.click("BtnOpenYJFile1");
        QCOMPARE(rig.find<QLabel>("LCardName")->text(), QString("JD测试卡.dat"));
        QVERIFY(rig.find("BtnNext1")->isEnabled());
        QCOMPARE(rig.window.run().records.size(), size_t(1));
        QVERIFY(rig.prompter.shown().empty());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::CardPageTest)
#include "cardpage_test.moc"
