// FormTJProgress: the three-band block on the empty bar, stepping 20, 40,
// ..., 240, 0, 20 on each tick of its 50 ms timer while the window shows,
// and standing still once the output hides it.
#include "apptest.h"
#include "dialogs/formtjprogress.h"

namespace tarvel::app::test {

class FormTJProgressTest : public QObject {
    Q_OBJECT
private slots:
    void theBlockStepsAlongTheBar() {
        FormTJProgress form;
        QCOMPARE(form.size(), QSize(315, 47));
        QCOMPARE(form.findChild<QWidget*>("ImageProgress")->geometry(), QRect(8, 16, 300, 20));
        QCOMPARE(form.timer()->interval(), 50);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage& bar = form.bar();
        const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
        QCOMPARE(bar.pixel(0, 0), black);
        QCOMPARE(bar.pixel(299, 19), black);
        QCOMPARE(bar.pixel(30, 10), white);  // no block before the first tick

        const QRgb light = qRgb(181, 231, 236), middle = qRgb(89, 200, 213), dark = qRgb(37, 133, 143);
        const int places[] = {20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220, 240, 0, 20};
        for (int x : places) {
            form.step();
            QCOMPARE(form.blockPosition(), x);
            QCOMPARE(bar.pixel(x, 1), light);
            QCOMPARE(bar.pixel(x + 19, 18), middle);  // each band starts on the last column of the one before
            QCOMPARE(bar.pixel(x + 39, 10), dark);
            QCOMPARE(bar.pixel(x + 59, 10), dark);
            QCOMPARE(bar.pixel(x + 5, 19), black);  // the frame below stays
            // Drawn on an empty bar each time: nothing of the last place stays.
            QCOMPARE(bar.pixel(x == 0 ? 200 : x - 10, 10), white);
        }

        // The timer drives it on its own while it shows; closing by the user
        // does nothing, hiding by the output stops it.
        const int before = form.blockPosition();
        QTRY_VERIFY_WITH_TIMEOUT(form.blockPosition() != before, 2000);
        QTest::keyClick(&form, Qt::Key_Escape);
        form.close();
        QVERIFY(form.isVisible());
        form.hide();
        QVERIFY(!form.timer()->isActive());

        form.show();  // starts over
        QCOMPARE(form.blockPosition(), 0);
        QCOMPARE(form.bar().pixel(30, 10), white);
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::FormTJProgressTest)
#include "formtjprogress_test.moc"
