// FormProgress: the fixed 461 x 38 window with ProgressBar1 0-100, positions
// held to the bar, and no closing by the user half-way.
#include <QProgressBar>

#include "apptest.h"
#include "dialogs/formprogress.h"

namespace tarvel::app::test {

class FormProgressTest : public QObject {
    Q_OBJECT
private slots:
    void followsThePositionsWithinTheBar() {
        FormProgress form;
        QCOMPARE(form.windowTitle(), QString("进度"));
        QCOMPARE(form.size(), QSize(461, 38));
        auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        form.setPosition(40);
        QCOMPARE(bar->value(), 40);
        // A bar ignores values outside its range; these reach its ends.
        form.setPosition(130);
        QCOMPARE(bar->value(), 100);
        form.setPosition(-3);
        QCOMPARE(bar->value(), 0);

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
        form.hide();
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::FormProgressTest)
#include "formprogress_test.moc"
