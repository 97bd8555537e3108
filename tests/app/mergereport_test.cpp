// "合并阅卷原始文件…" in the file menu: unsaved work may be saved first; the
// chosen files are merged in name order into a new file that opens as the
// run from page 1, its conflicts listed beside it. Files of different exams
// are refused naming the difference, one file is not a merge, and the merged
// run never replaces one of the files it came from.
#include <QLabel>
#include <QPlainTextEdit>

#include "apptest.h"
#include "cardrun.h"
#include "dialogs/mergereport.h"
#include "qt/text.h"

namespace tarvel::app::test {
namespace {

GradingRecord graded(const std::string& number, const std::string& name, const std::string& cls, float total) {
    GradingRecord r;
    r.readCount = 1;
    r.admissionNumber = number;
    r.name = name;
    r.classCode = cls;
    r.total = total;
    return r;
}

struct MergeRig : WindowRig {
    explicit MergeRig(const std::string& name) : WindowRig(name) {}
    // A station's raw file of the exam with these students graded.
    std::string station(const std::string& file, std::vector<GradingRecord> students,
                        const std::string& standard = "A") {
        GradingRun run;
        cardExam(run);
        run.settings.cardName = "DY测试卡.dat";
        GradingRecord key;
        key.readCount = 1;
        key.answers[0].answer = AnswerText(standard);
        run.records.push_back(key);
        for (GradingRecord& r : students) run.records.push_back(std::move(r));
        const std::string path = folder.path("阅卷原始文件/" + file);
        const std::string error = writeRawFile(run, path);
        if (!error.empty()) qFatal("%s", error.c_str());
        return path;
    }
    std::vector<std::string> texts() { return prompter.texts(); }
};

}  // namespace

class MergeReportTest : public QObject {
    Q_OBJECT

private slots:
    void theMergedRunOpensWithItsConflictsListed() {
        MergeRig rig("merge-open");
        const std::string a = rig.station("站1.yj", {graded("20240101", "张三", "01", 80)});
        const std::string b =
            rig.station("站2.yj", {graded("20240201", "王五", "02", 70), graded("20240101", "张三", "01", 85)});
        GradingRun& run = rig.window.run();
        run.unsaved = true;  // work of this station, not to be saved here
        rig.prompter.answerNext(Answer::No);
        rig.files.pickFiles({b, a});  // merged in name order all the same
        const std::string merged = rig.folder.path("阅卷原始文件/全年级.yj");
        rig.files.pick(merged);
        rig.find<QAction>("NMergeYJ")->trigger();

        QCOMPARE(rig.texts(), std::vector<std::string>{kSaveOldRunQuestion});
        QCOMPARE(rig.files.shown[0].title, std::string(kMergeFilesTitle));
        QCOMPARE(rig.files.shown[1].title, std::string(kSaveMergedTitle));
        QCOMPARE(run.filePath, merged);
        QVERIFY(!run.unsaved);
        QVERIFY(!rig.find<QAction>("BtnSave")->isEnabled());
        QCOMPARE(rig.window.currentPage(), 1);
        QCOMPARE(rig.find<QLabel>("LCardName")->text(), QString("DY测试卡.dat"));
        // 张三 from 站1 first, kept from 站2 (named later); 王五 after him.
        QCOMPARE(run.records.size(), size_t(3));
        QCOMPARE(run.records[1].admissionNumber, std::string("20240101"));
        QCOMPARE(run.records[1].total, 85.0f);
        QCOMPARE(run.records[2].name, std::string("王五"));

        auto* report = rig.window.findChild<MergeReport*>("MergeReport");
        QVERIFY(report && report->isVisible());
        QCOMPARE(report->findChild<QLabel*>("LblMergeSummary")->text(),
                 QString("已将2个阅卷原始文件合并为“全年级.yj”并打开。有1处冲突，见列表。"));
        const QString conflicts = report->findChild<QPlainTextEdit*>("MergeConflicts")->toPlainText();
        QVERIFY2(conflicts.startsWith("重复阅卷：准考证号20240101——站1.yj：张三 80分；站2.yj：张三 85分"),
                 qPrintable(conflicts));
        QVERIFY(conflicts.endsWith("采用站2.yj的阅卷记录。"));
        shot(*report, "merge.png");
        report->close();

        // Without conflicts a message tells it.
        rig.prompter.clear();
        rig.files.pickFiles({a, rig.station("站3.yj", {graded("20240102", "李四", "01", 60)})});
        rig.files.pick(rig.folder.path("阅卷原始文件/一班.yj"));
        rig.find<QAction>("NMergeYJ")->trigger();
        QCOMPARE(rig.texts(), std::vector<std::string>{"已将2个阅卷原始文件合并为“一班.yj”并打开。没有冲突。"});
        QCOMPARE(run.records.size(), size_t(3));
    }

    void refusalsLeaveTheRunAndTheFilesAsTheyWere() {
        MergeRig rig("merge-refuse");
        const std::string a = rig.station("站1.yj", {graded("20240101", "张三", "01", 80)});
        const std::string other = rig.station("站2.yj", {graded("20240102", "李四", "01", 60)}, "B");
        GradingRun& run = rig.window.run();
        run.records = {graded("", "", "", 0)};
        run.unsaved = true;

        // Another standard answer: refused, naming it; the run is untouched.
        rig.prompter.answerNext(Answer::No);
        rig.files.pickFiles({a, other});
        rig.find<QAction>("NMergeYJ")->trigger();
        QCOMPARE(rig.texts().size(), size_t(2));
        QVERIFY2(rig.texts()[1].find("标准答案第1题不同——站1.yj：A；站2.yj：B") != std::string::npos,
                 rig.texts()[1].c_str());
        QCOMPARE(run.records.size(), size_t(1));
        QVERIFY(run.unsaved);
        QVERIFY(rig.find<QAction>("BtnSave")->isEnabled());

        // One file is no merge.
        rig.prompter.clear();
        rig.prompter.answerNext(Answer::No);
        rig.files.pickFiles({a});
        rig.find<QAction>("NMergeYJ")->trigger();
        QCOMPARE(rig.texts().back(), std::string(kMergeNeedsTwo));

        // The merged run is never saved over a file it came from; cancelling
        // the second name writes nothing.
        const std::vector<uint8_t> before = tarvel::testing::fileBytes(a);
        const std::string same = rig.station("站3.yj", {graded("20240102", "李四", "01", 60)});
        rig.prompter.clear();
        rig.prompter.answerNext(Answer::No);
        rig.files.pickFiles({a, same});
        rig.files.pick(a);
        rig.find<QAction>("NMergeYJ")->trigger();
        QCOMPARE(rig.texts().size(), size_t(2));
        QVERIFY(rig.texts()[1].find("不能保存为参与合并的文件“站1.yj”") != std::string::npos);
        QCOMPARE(rig.files.shown.back().title, std::string(kSaveMergedTitle));
        QVERIFY(tarvel::testing::fileBytes(a) == before);
        QCOMPARE(run.records.size(), size_t(1));
        QVERIFY(run.unsaved);
        QCOMPARE(rig.folder.filesIn("阅卷原始文件"), size_t(3));
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::MergeReportTest)
#include "mergereport_test.moc"
