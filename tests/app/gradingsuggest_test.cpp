// Roster suggestions on the grading page: a card whose number is not on the
// roster offers the close students under the memo; one click stores it for
// the student chosen, announced as a read, and the grid marks the record as
// assigned by hand. The offer holds for the latest judgement only.
#include <QAbstractItemModelTester>
#include <QPlainTextEdit>

#include "apptest.h"
#include "cardrun.h"
#include "pages/gradingpage.h"
#include "qt/text.h"

namespace tarvel::app::test {

class GradingSuggestTest : public QObject {
    Q_OBJECT

private slots:
    void aSuggestedStudentIsStoredWithOneClick() {
        WindowRig rig("gp-suggest");
        rig.cards.answers.push_back("DY测试卡.dat");
        rig.click("BtnNewYJ");
        rig.click("BtnNext1");
        rig.cameraNames = {"camera"};
        rig.frames = [] {
            auto cards = std::make_unique<PictureList>();
            for (const char* number : {"        ", "20240103", "20240101", "20240103"}) cards->add(cardFrame(number));
            return cards;
        };
        rig.click("BtnConn");
        FrameLoop& loop = rig.window.capture().loop();
        rig.window.capture().timer().stop();
        GradingRun& run = rig.window.run();
        cardExam(run);
        rig.enterGradingPage();
        auto* page = static_cast<GradingPage*>(rig.window.page(5));
        GradingGridModel& grid = page->gridModel();
        QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto* panel = rig.find<QWidget>("PanelSuggest");
        auto read = [&] {
            rig.deliver();
            rig.clock.advance(kTickMs);
            loop.Timer1Timer();
            rig.click("BtnAnswerCard");
        };

        read();  // the standard answer
        QCOMPARE(run.records.size(), size_t(1));
        QVERIFY(!panel->isVisible());

        read();  // 20240103: 李四 and 赵六 are a bubble off, 张三 another digit
        QVERIFY(ss(rig.find<QPlainTextEdit>("MemoTiShi")->toPlainText())
                    .find("可能是：20240102 李四、20240104 赵六、20240101 张三") != std::string::npos);
        QVERIFY(panel->isVisible());
        QCOMPARE(rig.find("BtnSuggest1")->text(), QString("20240102 李四"));
        QCOMPARE(rig.find("BtnSuggest3")->text(), QString("20240101 张三"));
        QVERIFY(!rig.find("BtnSuggest4")->isVisible());
        QCOMPARE(rig.sounds.played.back(), std::string("warning.wav"));
        QCOMPARE(run.records.size(), size_t(1));
        run.unsaved = false;
        rig.window.page(5)->refresh();  // as after a save: the offer stays
        QVERIFY(panel->isVisible());

        rig.click("BtnSuggest1");
        QCOMPARE(run.records.size(), size_t(2));
        const GradingRecord& li = run.records[1];
        QCOMPARE(li.admissionNumber, std::string("20240102"));
        QCOMPARE(li.name, std::string("李四"));
        QVERIFY(li.handAssigned);
        QCOMPARE(rig.sounds.played.back(), std::string("success.wav"));
        QVERIFY(rig.window.windowTitle().contains("李四"));
        QVERIFY(loop.promptText().find("李四") != std::string::npos);
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());
        QVERIFY(!panel->isVisible());
        // The grid: the row is current; number and name are marked, nothing else.
        const int row = grid.rowOf("20240102");
        QCOMPARE(page->grid()->currentIndex().row(), row);
        for (int column : {kNumberColumn, kNameColumn}) {
            const QModelIndex cell = grid.index(row, column);
            QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(), QColor(kHandAssignedColour));
            QCOMPARE(cell.data(Qt::ToolTipRole).toString(), QString(kHandAssignedTip));
        }
        QCOMPARE(grid.index(row, kNameColumn).data().toString(), QString("李四"));
        QVERIFY(!grid.index(row, 7).data(Qt::BackgroundRole).isValid());
        QVERIFY(!grid.index(0, kNameColumn).data(Qt::BackgroundRole).isValid());

        // A later judgement takes the offer away; a change of the roster too.
        read();  // 张三, on the roster
        QVERIFY(!panel->isVisible());
        QVERIFY(!run.records.back().handAssigned);
        read();  // 20240103 again
        QVERIFY(panel->isVisible());
        shot(rig.window, "suggest.png");
        run.students.roster.students.erase(run.students.roster.students.begin());
        rig.window.page(5)->refresh();
        QVERIFY(!panel->isVisible());
        QVERIFY(rig.prompter.shown().empty());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::GradingSuggestTest)
#include "gradingsuggest_test.moc"
