// FormTJProgress: the empty bar, the three-band block stepping 20, 40, ...,
// 240, 0, 20 on each tick of its 50 ms timer while the window shows, and the
// timer stopped when it closes.
#include "apptest.h"
#include "dialogs/formtjprogress.h"
#include "output/outputpage.h"

namespace tarvel::app::test {

class FormTJProgressTest : public QObject {
    Q_OBJECT
private slots:
    void theBlockStepsAlongTheBar() {
        FormTJProgress form;
        QCOMPARE(form.windowTitle(), QString("正在输出。。。"));
        QCOMPARE(form.size(), QSize(315, 47));
        QCOMPARE(form.findChild<QWidget*>("ImageProgress")->geometry(), QRect(8, 16, 300, 20));
        QCOMPARE(form.timer()->interval(), 50);
        QVERIFY(!form.timer()->isActive());

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.timer()->isActive());
        const QImage& bar = form.bar();
        QCOMPARE(bar.size(), QSize(300, 20));
        // Black frame, white inside, no block before the first tick.
        for (QPoint p : {QPoint(0, 0), QPoint(299, 19), QPoint(0, 10), QPoint(150, 0)}) QCOMPARE(bar.pixel(p), qRgb(0, 0, 0));
        QCOMPARE(bar.pixel(10, 10), qRgb(255, 255, 255));

        const QRgb light = qRgb(181, 231, 236), middle = qRgb(89, 200, 213), dark = qRgb(37, 133, 143);
        int expected = 20;
        for (int tick = 0; tick < 14; ++tick) {
            form.step();
            QCOMPARE(form.blockPosition(), expected);
            const int x = expected;
            QCOMPARE(bar.pixel(x + 5, 1), light);
            QCOMPARE(bar.pixel(x + 18, 18), light);
            QCOMPARE(bar.pixel(x + 19, 10), middle);  // each band starts on the last column of the one before
            QCOMPARE(bar.pixel(x + 38, 10), middle);
            QCOMPARE(bar.pixel(x + 39, 10), dark);
            QCOMPARE(bar.pixel(x + 59, 10), dark);
            QCOMPARE(bar.pixel(x + 5, 0), qRgb(0, 0, 0));  // the frame above and below stays
            QCOMPARE(bar.pixel(x + 5, 19), qRgb(0, 0, 0));
            // The block is drawn on an empty bar each time: nothing of the last place stays.
            if (x >= 20) QCOMPARE(bar.pixel(x - 10, 10), qRgb(255, 255, 255));
            if (x <= 220) QCOMPARE(bar.pixel(x + 70, 10), qRgb(255, 255, 255));
            expected = nextBusyPosition(expected);
        }
        QCOMPARE(expected, 40);  // 20 ... 240, 0, 20, then 40 next: 13 places

        // The timer drives it on its own.
        const int before = form.blockPosition();
        QTRY_VERIFY_WITH_TIMEOUT(form.blockPosition() != before, 2000);

        form.close();  // by the user: it stays
        QVERIFY(form.isVisible());
        form.hide();  // by the output at its end
        QVERIFY(!form.timer()->isActive());
        const int closedAt = form.blockPosition();
        form.step();
        QCOMPARE(form.blockPosition(), closedAt);

        // Shown again it starts over from the empty bar.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.blockPosition(), 0);
        QCOMPARE(form.bar().pixel(30, 10), qRgb(255, 255, 255));
        form.step();
        QCOMPARE(form.blockPosition(), 20);
    }

    void escapeDoesNotCloseIt() {
        FormTJProgress form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
        QVERIFY(form.timer()->isActive());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::FormTJProgressTest)
#include "formtjprogress_test.moc"
