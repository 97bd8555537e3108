// Page 2: connecting one or several cameras, the live picture on
// ImageCheShi and the picture-quality button.
#include <QLabel>
#include <QSlider>

#include "apptest.h"
#include "dialogs/qualitydialog.h"
#include "pages/camerapage.h"

namespace tarvel::app::test {

class CameraPageTest : public QObject {
    Q_OBJECT

    static void toCameraPage(WindowRig& rig) {
        rig.cards.answers.push_back("DY测试卡.dat");
        rig.click("BtnNewYJ");
        rig.click("BtnNext1");
        QCOMPARE(rig.window.currentPage(), 2);
    }

private slots:
    void oneCameraConnectsAndTheLivePictureShows() {
        WindowRig rig("cam-one");
        rig.cameraNames = {"camera 1"};
        toCameraPage(rig);
        rig.click("BtnConn");
        QVERIFY(rig.cameraLists.empty());  // one camera: no list window
        QCOMPARE(rig.find<QLabel>("LblLianJie")->text(), QString(kConnectedHint));
        QVERIFY(rig.find("BtnViewCapProperty")->isEnabled());
        QVERIFY(rig.window.capture().timer().isActive());
        QCOMPARE(rig.window.capture().timer().interval(), 100);

        rig.deliver();
        rig.window.capture().loop().Timer1Timer();
        const QImage& picture = rig.find<LiveView>("ImageCheShi")->picture();
        // The frame upright: the black block lies at rows 280-379, columns 100-199.
        QVERIFY(qGray(picture.pixel(150, 330)) < 40);
        QVERIFY(qGray(picture.pixel(50, 330)) > 150);
        QVERIFY(qGray(picture.pixel(150, 250)) > 150);
        // Red writing at the top and at the bottom.
        auto redIn = [&](QRect area) {
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QRgb c = picture.pixel(x, y);
                    if (qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80) return true;
                }
            return false;
        };
        QVERIFY(redIn(QRect(150, 0, 300, 24)));
        QVERIFY(redIn(QRect(200, 460, 300, 20)));
        QVERIFY(!redIn(QRect(0, 60, 140, 380)));

        rig.click("BtnNext2");
        QCOMPARE(rig.window.currentPage(), 3);
    }

    void severalCamerasAreChosenInTheListWindow() {
        WindowRig rig("cam-two");
        rig.cameraNames = {"camera 1", "camera 2"};
        toCameraPage(rig);
        rig.cameraChoices.push_back(1);
        rig.click("BtnConn");
        QCOMPARE(rig.cameraLists, (std::vector<std::vector<std::string>>{{"camera 1", "camera 2"}}));
        QCOMPARE(rig.window.capture().connection().chosenSlot(), 1);
        // Closed without "确定": the previous choice stays.
        rig.cameraChoices.push_back(std::nullopt);
        rig.click("BtnConn");
        QCOMPARE(rig.window.capture().connection().chosenSlot(), 1);
        QVERIFY(rig.window.capture().connection().running());
        rig.deliver();
        rig.window.capture().loop().Timer1Timer();
        // Camera 2's picture has its block 50 pixels further right.
        QVERIFY(qGray(rig.find<LiveView>("ImageCheShi")->picture().pixel(220, 330)) < 40);
    }

    void qualityButtonOpensTheCamerasControls() {
        WindowRig rig("cam-quality");
        rig.cameraNames = {"camera 1"};
        toCameraPage(rig);
        rig.click("BtnConn");
        QString caption;
        int sliders = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QualityDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            caption = dialog->windowTitle();
            sliders = int(dialog->findChildren<QSlider*>().size());
            dialog->accept();
        });
        rig.click("BtnViewCapProperty");
        QCOMPARE(caption, QString("摄像头设备"));
        QCOMPARE(sliders, 2);  // the virtual camera's brightness and contrast
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::CameraPageTest)
#include "camerapage_test.moc"
