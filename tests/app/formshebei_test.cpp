// FormSheBei: the camera list, its first row preselected, "确定" with and
// without a row, and closing without choosing.
#include <QHeaderView>

#include "apptest.h"
#include "dialogs/formshebei.h"

namespace tarvel::app::test {

class FormSheBeiTest : public QObject {
    Q_OBJECT
private slots:
    void listsTheCamerasAndChoosesTheSelectedRow() {
        ScriptedPrompter prompter;
        FormSheBei form(prompter);
        form.prepare({"USB Camera", "虚拟摄像头（演示答题卡）"});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* list = form.findChild<QTreeWidget*>("ListView1");
        QCOMPARE(form.windowTitle(), QString("摄像头设备列表"));
        QCOMPARE(list->headerItem()->text(0), QString("序号"));
        QCOMPARE(list->headerItem()->text(1), QString("设备名称"));
        QCOMPARE(list->columnWidth(0), 40);
        QCOMPARE(list->columnWidth(1), 200);
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(1)->text(0), QString("2"));
        QCOMPARE(list->topLevelItem(1)->text(1), QString("虚拟摄像头（演示答题卡）"));
        QCOMPARE(list->selectedItems().value(0), list->topLevelItem(0));
        QCOMPARE(form.focusWidget(), list);

        list->setCurrentItem(list->topLevelItem(1));
        form.findChild<QPushButton*>("BtnOK")->click();
        QCOMPARE(form.chosen(), std::optional<int>(1));
        QVERIFY(prompter.shown().empty());
    }

    void okWithoutARowAsksForOne() {
        ScriptedPrompter prompter;
        FormSheBei form(prompter);
        form.prepare({"A", "B"});
        form.findChild<QTreeWidget*>("ListView1")->clearSelection();
        form.findChild<QPushButton*>("BtnOK")->click();
        QCOMPARE(prompter.texts(), std::vector<std::string>{"请先选择一个摄像头设备！"});
        QCOMPARE(form.chosen(), std::nullopt);
    }

    void closingWithoutOkChoosesNothing() {
        ScriptedPrompter prompter;
        FormSheBei form(prompter);
        QTimer::singleShot(0, &form, &QDialog::reject);
        QCOMPARE(form.choose({"A", "B"}, 1), std::nullopt);
        QTimer::singleShot(0, [&] { form.findChild<QPushButton*>("BtnOK")->click(); });
        QCOMPARE(form.choose({"A", "B"}, 1), std::optional<int>(0));
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::FormSheBeiTest)
#include "formshebei_test.moc"
