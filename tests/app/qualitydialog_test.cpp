// The picture-quality dialog: one widget per control of the camera, applied
// live, "默认" back to the defaults, failures shown in the dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "apptest.h"
#include "dialogs/qualitydialog.h"

namespace tarvel::app::test {

// A camera with one control of every kind that remembers what was set.
struct ControlCamera : CameraSource {
    std::vector<std::pair<uint32_t, int>> set;
    int failWith = 0;
    std::string friendlyName() const override { return "controls"; }
    int open() override { return 0; }
    FrameFormat format() const override { return FrameFormat::Yuy2; }
    int start(FrameCallback, StreamEndCallback) override { return 0; }
    void stop() override {}
    std::vector<CameraControl> controls() override {
        CameraControl gain{1, "Gain", CameraControl::Kind::Integer, 0, 255, 1, 32, 64, {}};
        CameraControl autoWhite{2, "White Balance, Automatic", CameraControl::Kind::Boolean, 0, 1, 1, 1, 0, {}};
        CameraControl mains{3, "Power Line Frequency", CameraControl::Kind::Menu, 0, 2, 1, 1, 2,
                            {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}};
        CameraControl reset{4, "Pan, Reset", CameraControl::Kind::Button, 0, 0, 1, 0, 0, {}};
        return {gain, autoWhite, mains, reset};
    }
    int setControl(uint32_t id, int value) override {
        set.emplace_back(id, value);
        return failWith;
    }
};

class QualityDialogTest : public QObject {
    Q_OBJECT
private slots:
    void virtualCameraBrightnessChangesTheNextFrame() {
        auto pictures = std::make_unique<PictureList>();
        pictures->add(scene(100, 100));
        VirtualCamera camera("demo", std::move(pictures), FrameFormat::Rgb24, 0);
        uint8_t corner = 0;
        camera.start([&](const uint8_t* d, size_t, int, int) { corner = d[0]; });
        QualityDialog dialog(camera);
        QCOMPARE(dialog.windowTitle(), QString("摄像头设备"));
        auto* brightness = dialog.findChild<QSlider*>("亮度");
        QVERIFY(brightness && dialog.findChild<QSlider*>("对比度"));
        brightness->setValue(30);
        camera.deliverNext();
        QCOMPARE(int(corner), 130);
        dialog.findChild<QPushButton*>("BtnDefault")->click();
        QCOMPARE(brightness->value(), 0);
        camera.deliverNext();
        QCOMPARE(int(corner), 100);
    }

    void everyKindOfControlGetsItsWidget() {
        ControlCamera camera;
        QualityDialog dialog(camera);
        auto* gain = dialog.findChild<QSlider*>("Gain");
        auto* white = dialog.findChild<QCheckBox*>("White Balance, Automatic");
        auto* mains = dialog.findChild<QComboBox*>("Power Line Frequency");
        auto* reset = dialog.findChild<QPushButton*>("Pan, Reset");
        QVERIFY(gain && white && mains && reset);
        QCOMPARE(gain->value(), 64);
        QCOMPARE(mains->currentText(), QString("60 Hz"));
        QCOMPARE(QualityDialog::displayName("Gain"), QString("增益"));

        white->setChecked(true);
        mains->setCurrentIndex(1);
        emit mains->activated(1);
        reset->click();
        QCOMPARE(camera.set, (std::vector<std::pair<uint32_t, int>>{{2, 1}, {3, 1}, {4, 1}}));
        camera.set.clear();
        dialog.findChild<QPushButton*>("BtnDefault")->click();  // back to 32, on, 50 Hz
        QCOMPARE(camera.set, (std::vector<std::pair<uint32_t, int>>{{1, 32}}));
        QCOMPARE(white->isChecked(), true);
        QCOMPARE(mains->currentIndex(), 1);

        camera.failWith = -16;  // EBUSY
        gain->setValue(100);
        QVERIFY(dialog.findChild<QLabel*>("LblStatus")->text().startsWith("无法设置“增益”"));
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::QualityDialogTest)
#include "qualitydialog_test.moc"
