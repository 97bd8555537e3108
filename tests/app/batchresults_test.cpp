// "批量阅卷…" on the grading page: a folder graded off the window's thread
// behind the progress window, then the list of every picture, where the
// teacher looks at a picture and answers what a press of "阅卷" would have
// asked (another class, a repeated read that differs, a number not on the
// roster with its suggestions); the grid and the save button follow. Stopping
// between pictures, and what keeps a batch from starting.
#include <QAbstractItemModelTester>
#include <QMenu>
#include <QPlainTextEdit>
#include <filesystem>
#include <fstream>

#include "apptest.h"
#include "cardrun.h"
#include "dialogs/batchresults.h"
#include "pages/gradingpage.h"
#include "qt/text.h"

namespace tarvel::app::test {
namespace {

namespace fs = std::filesystem;

struct BatchRig : WindowRig {
    explicit BatchRig(const std::string& name) : WindowRig(name), pictures(folder.path("照片")) {
        fs::create_directories(pictures);
        cardExam(window.run());
        enterGradingPage();
    }
    GradingPage* page() { return static_cast<GradingPage*>(window.page(5)); }
    GradingGridModel& grid() { return page()->gridModel(); }
    std::string picture(const std::string& name) { return pictures + "/" + name; }
    // The list once the batch has been graded and every choice is done.
    BatchResults* list() {
        BatchResults* found = nullptr;
        const bool listed = QTest::qWaitFor(
            [&] {
                found = window.findChild<BatchResults*>("FormBatchResults");
                return found && found->isVisible() && !found->job().busy();
            },
            30000);
        if (!listed) qFatal("the batch was not listed");
        return found;
    }
    QString cell(BatchResults* results, int row, int column) {
        auto* view = results->findChild<QTableView*>("BatchList");
        return view->model()->index(row, column).data().toString();
    }
    void select(BatchResults* results, int row) { results->findChild<QTableView*>("BatchList")->selectRow(row); }
    void press(BatchResults* results, const char* button) {
        auto* b = results->findChild<QPushButton*>(button);
        QVERIFY(b && b->isVisible() && b->isEnabled());
        b->click();
        QTRY_VERIFY_WITH_TIMEOUT(!results->job().busy(), 30000);
    }
    std::string pictures;
};

}  // namespace

class BatchResultsTest : public QObject {
    Q_OBJECT

private slots:
    void aFolderIsGradedAndTheListTakesTheTeachersChoices() {
        BatchRig rig("batch-list");
        QVERIFY(writeCard(rig.picture("卡1.png"), "        "));
        QVERIFY(writeCard(rig.picture("卡2.png"), "20240101"));  // 张三
        QVERIFY(writeCard(rig.picture("卡3.png"), "20240201"));  // 王五, class 02
        std::ofstream(rig.picture("卡4.jpg")) << "not a picture";
        QVERIFY(writeCard(rig.picture("卡5.png"), "20240103"));  // not on the roster: 李四, 赵六, 张三 are close
        QVERIFY(writeCard(rig.picture("卡6.png"), "20240102"));  // 李四
        // 张三 again, five answers changed: another card than the one read last.
        QVERIFY(writeCard(rig.picture("卡10.png"), "20240101", keyWithChanges(5)));
        rig.files.pick(rig.pictures);
        rig.find<QAction>("NBatchFolder")->trigger();
        QCOMPARE(rig.files.shown.back().title, std::string("选择要批量阅卷的图片文件夹"));
        QVERIFY(rig.window.findChild<QProgressDialog*>("BatchProgress"));

        BatchResults* results = rig.list();
        QAbstractItemModelTester tester(results->findChild<QTableView*>("BatchList")->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(!rig.window.findChild<QProgressDialog*>("BatchProgress"));
        QVERIFY2(rig.prompter.shown().empty(), "no message box per picture");
        const QStringList names = {"卡1.png", "卡2.png", "卡3.png", "卡4.jpg", "卡5.png", "卡6.png", "卡10.png"};
        for (int row = 0; row < names.size(); ++row) QCOMPARE(rig.cell(results, row, 0), names[row]);
        QCOMPARE(rig.cell(results, 0, 1), QString("标准答案"));
        QCOMPARE(rig.cell(results, 1, 1), QString("20240101 张三 85分"));
        QCOMPARE(rig.cell(results, 2, 2), QString("待选择：存入或不存入"));
        QVERIFY(rig.cell(results, 3, 1).startsWith("不是可读的"));
        QVERIFY(rig.cell(results, 4, 1).contains("学生名单中没有此学生"));
        QCOMPARE(rig.cell(results, 4, 2), QString("可存为建议的学生"));
        QCOMPARE(rig.cell(results, 6, 2), QString("待选择：存入或不存入"));
        const QString summary = "共7张图片：存入3张，未存入2张，待选择2张。";
        QCOMPARE(results->findChild<QLabel*>("LblBatchSummary")->text(), summary);
        // Behind the list the page shows what was stored.
        QCOMPARE(rig.find<QPlainTextEdit>("MemoTiShi")->toPlainText(), summary);
        QCOMPARE(rig.grid().rowCount(), 3);
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());

        // Another class: the picture and the question, then stored on "存入".
        rig.select(results, 2);
        QTRY_VERIFY(!results->findChild<QLabel*>("BatchPicture")->pixmap().isNull());
        QVERIFY(results->findChild<QPlainTextEdit*>("BatchDetail")->toPlainText().contains(qs(kOtherClassQuestion)));
        rig.press(results, "BtnBatchStore");
        QCOMPARE(rig.cell(results, 2, 1), QString("20240201 王五 85分"));
        QCOMPARE(rig.window.run().records.size(), size_t(4));
        QCOMPARE(rig.window.run().filter.classCode, std::string("01"));

        // The repeated read left out: 张三 keeps his first card.
        rig.select(results, 6);
        rig.press(results, "BtnBatchLeave");
        QCOMPARE(rig.cell(results, 6, 2), QString("已选择：不存入"));
        QVERIFY(!results->findChild<QPushButton*>("BtnBatchStore")->isVisible());
        QCOMPARE(rig.window.run().records[1].readCount, 1);

        // The unknown number given to the second suggestion.
        rig.select(results, 4);
        QCOMPARE(results->findChild<QPushButton*>("BtnBatchSuggest1")->text(), QString("存为 20240102 李四"));
        QCOMPARE(results->findChild<QPushButton*>("BtnBatchSuggest2")->text(), QString("存为 20240104 赵六"));
        QVERIFY(!results->findChild<QPushButton*>("BtnBatchSuggest4")->isVisible());
        rig.press(results, "BtnBatchSuggest2");
        QCOMPARE(rig.cell(results, 4, 1), QString("20240104 赵六 85分（手动指定）"));
        QVERIFY(!results->findChild<QPushButton*>("BtnBatchSuggest1")->isVisible());
        const GradingRecord& zhao = rig.window.run().records.back();
        QCOMPARE(zhao.name, std::string("赵六"));
        QVERIFY(zhao.handAssigned);
        const int row = rig.grid().rowOf("20240104");
        QVERIFY(row > 0);
        QCOMPARE(rig.grid().data(rig.grid().index(row, kNameColumn), Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(kHandAssignedColour));
        QCOMPARE(results->findChild<QLabel*>("LblBatchSummary")->text(), QString("共7张图片：存入5张，未存入2张。"));
        QVERIFY(rig.prompter.shown().empty());
        results->findChild<QPushButton*>("BtnBatchClose")->click();
        QTRY_VERIFY(!rig.window.findChild<BatchResults*>("FormBatchResults"));
    }

    void aBatchStopsBetweenPicturesAndStartsOnlyWhenItMay() {
        BatchRig rig("batch-stop");
        GradingRun& run = rig.window.run();
        // No class chosen: told before any dialog, as "阅卷" tells it.
        run.filter.classCode.clear();
        rig.find<QAction>("NBatchFiles")->trigger();
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{kChooseClass});
        QVERIFY(rig.files.shown.empty());
        run.filter.classCode = "01";
        rig.prompter.clear();
        // A folder without pictures.
        rig.files.pick(rig.folder.path("模板文件"));
        rig.find<QAction>("NBatchFolder")->trigger();
        QCOMPARE(rig.prompter.texts().size(), size_t(1));
        QVERIFY(rig.prompter.texts()[0].find("没有图片文件") != std::string::npos);
        QVERIFY(!rig.window.findChild<BatchResults*>());

        std::vector<std::string> files;
        QVERIFY(writeCard(rig.picture("0.png"), "        "));
        for (int i = 1; i <= 40; ++i) {
            files.push_back(rig.picture(std::to_string(i) + ".png"));
            fs::copy_file(rig.picture("0.png"), files.back());
        }
        rig.files.pickFiles(files);
        rig.find<QAction>("NBatchFiles")->trigger();
        auto* progress = rig.window.findChild<QProgressDialog*>("BatchProgress");
        QVERIFY(progress && progress->isVisible());
        progress->findChild<QPushButton*>()->click();  // "停止"
        BatchResults* results = rig.list();
        const auto& outcomes = results->job().batch().outcomes();
        QVERIFY(outcomes.size() < files.size());
        QVERIFY(results->findChild<QLabel*>("LblBatchSummary")->text().contains("已停止"));
        // What was graded before the stop is in the run (the standard answer).
        QCOMPARE(run.records.size(), std::min(outcomes.size(), size_t(1)));
        results->close();

        // Automatic grading takes the camera; no batch meanwhile.
        rig.click("BtnAutoAnswerCard");
        QVERIFY(!rig.find("BtnBatchAnswerCard")->isEnabled());
        rig.click("BtnAutoAnswerCard");
        QVERIFY(rig.find("BtnBatchAnswerCard")->isEnabled());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::BatchResultsTest)
#include "batchresults_test.moc"
