// Form3: the class size prompt of "批量增加".
#include "dialogs/form3.h"

#include <QClipboard>
#include <QLineEdit>
#include <QTimer>

#include "apptest.h"

namespace tarvel::app::test {

class Form3Test : public QObject {
    Q_OBJECT

    struct FormRig {
        ScriptedPrompter prompter;
        Form3 form{prompter};
        QLineEdit* edit() { return form.findChild<QLineEdit*>("Edit1"); }
        QPushButton* ok() { return form.findChild<QPushButton*>("BtnOK"); }
        void show() {
            form.prepare();
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
        }
    };

private slots:
    void moreThanAThousandIsRefusedAndTheFormStays() {
        FormRig rig;
        rig.show();
        QCOMPARE(rig.form.windowTitle(), QString("请输入班级人数"));
        QVERIFY(rig.edit()->hasFocus());
        QVERIFY(!rig.edit()->testAttribute(Qt::WA_InputMethodEnabled));
        QTest::keyClicks(rig.edit(), "1x0-0 19");  // digits only, four at most
        QCOMPARE(rig.edit()->text(), QString("1001"));
        QTest::mouseClick(rig.ok(), Qt::LeftButton);
        QCOMPARE(rig.prompter.texts(), std::vector<std::string>{"班级人数不能大于1000，请重新输入"});
        QVERIFY(rig.form.isVisible());
        QVERIFY(rig.edit()->text().isEmpty());
        QVERIFY(rig.edit()->hasFocus());

        QTest::keyClicks(rig.edit(), "1000");
        QTest::keyClick(rig.edit(), Qt::Key_Return);  // Enter acts as "确定"
        QVERIFY(!rig.form.isVisible());
        QCOMPARE(rig.form.result(), int(QDialog::Accepted));
        QCOMPARE(rig.form.size(), 1000);
    }

    void askingGivesTheSizeAndZeroWhenNothingWasGiven() {
        FormRig rig;
        auto answer = [&rig](const QString& text, bool close) {
            QTimer::singleShot(0, [&rig, text, close] {
                QTest::keyClicks(rig.edit(), text);
                if (close) {
                    rig.form.reject();
                } else {
                    QTest::mouseClick(rig.ok(), Qt::LeftButton);
                }
            });
        };
        answer("45", false);
        QCOMPARE(rig.form.askClassSize(), 45);
        answer("", false);
        QCOMPARE(rig.form.askClassSize(), 0);
        answer("12", true);  // closed without "确定"
        QCOMPARE(rig.form.askClassSize(), 0);
        // Each time the box starts empty.
        answer("7", false);
        QCOMPARE(rig.form.askClassSize(), 7);
        QVERIFY(rig.prompter.texts().empty());
    }

    void pastingNonDigitsIsRefused() {
        FormRig rig;
        rig.show();
        QGuiApplication::clipboard()->setText("3a");
        rig.edit()->paste();
        QVERIFY(rig.edit()->text().isEmpty());
        QGuiApplication::clipboard()->setText("30");
        rig.edit()->paste();
        QCOMPARE(rig.edit()->text(), QString("30"));
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::Form3Test)
#include "form3_test.moc"
