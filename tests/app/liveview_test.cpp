// The live view carries out the frame loop's drawing commands: frames of
// both pixel sizes land upright where they are placed (clipped at the
// edges), stretched frames fill their rectangle, texts and outlines are
// drawn, and the router sends each command to its surface's view.
#include "apptest.h"
#include "widgets/liveview.h"

namespace tarvel::app::test {

class LiveViewTest : public QObject {
    Q_OBJECT

    // A frame with a marked top-left pixel (bottom-up bitmap: the top row is the last).
    static Bitmap marked(int bytesPerPixel) {
        Bitmap frame(kFrameWidth, kFrameHeight, bytesPerPixel);
        frame.fill(255, 255, 255);
        frame.setPixel(0, kFrameHeight - 1, 255, 0, 0);    // blue, top left
        frame.setPixel(kFrameWidth - 1, 0, 0, 0, 255);     // red, bottom right
        return frame;
    }

private slots:
    void framesLandUprightAndClipped() {
        for (int bpp : {3, 4}) {
            LiveView view;
            view.resize(800, 500);
            const Bitmap frame = marked(bpp);
            view.draw({DrawCommand::Kind::Frame, Surface::GradingView, {80, 10, 640, 480}, {0, 0, 0}, 0, ""}, &frame);
            QCOMPARE(view.picture().pixelColor(80, 10), QColor(0, 0, 255));
            QCOMPARE(view.picture().pixelColor(80 + 639, 10 + 479), QColor(255, 0, 0));
            QCOMPARE(view.picture().pixelColor(79, 10), QColor(Qt::white));

            // Placed beyond the right and top edges: what fits is drawn.
            view.draw({DrawCommand::Kind::Frame, Surface::GradingView, {400, -100, 640, 480}, {0, 0, 0}, 0, ""}, &frame);
            QCOMPARE(view.picture().pixelColor(799, 379), QColor(Qt::white));
            QCOMPARE(view.picture().pixelColor(400, 0), QColor(Qt::white));
        }
    }

    void stretchFillOutlineAndTexts() {
        LiveView view;
        view.resize(400, 400);
        Bitmap black(kFrameWidth, kFrameHeight, 4);
        black.fill(0, 0, 0);
        view.draw({DrawCommand::Kind::Fill, Surface::GradingView, {0, 0, 400, 400}, kViewBackground, 0, ""}, nullptr);
        view.draw({DrawCommand::Kind::StretchFrame, Surface::GradingView, {0, 50, 400, 300}, {0, 0, 0}, 0, ""}, &black);
        QCOMPARE(view.picture().pixelColor(200, 60), QColor(Qt::black));
        QCOMPARE(view.picture().pixelColor(200, 40), QColor(173, 190, 214));
        QCOMPARE(view.picture().pixelColor(200, 360), QColor(173, 190, 214));

        view.draw({DrawCommand::Kind::Outline, Surface::GradingView, {0, 50, 400, 300}, kRed, 0, ""}, nullptr);
        QCOMPARE(view.picture().pixelColor(0, 200), QColor(Qt::red));
        QCOMPARE(view.picture().pixelColor(399, 349), QColor(Qt::red));

        view.draw({DrawCommand::Kind::Fill, Surface::GradingView, {0, 0, 400, 400}, {255, 255, 255}, 0, ""}, nullptr);
        view.draw({DrawCommand::Kind::CentredText, Surface::GradingView, {0, 0, 400, 400}, kRed, 36, "李四92.5分"},
                  nullptr);
        int red = 0, rows = 0;
        for (int y = 0; y < 400; ++y) {
            bool any = false;
            for (int x = 0; x < 400; ++x) {
                const QColor c = view.picture().pixelColor(x, y);
                if (c.red() > 200 && c.green() < 100) ++red, any = true;
            }
            rows += any;
        }
        QVERIFY(red > 300);             // 36-point writing, not a speck
        QVERIFY(rows > 30 && rows < 80);  // one line, around the middle
        QCOMPARE(view.picture().pixelColor(200, 20), QColor(Qt::white));
    }

    void routerSendsEachSurfaceToItsView() {
        LiveView connect, grading;
        connect.resize(100, 100);
        grading.resize(100, 100);
        SurfaceRouter router;
        router.draw({DrawCommand::Kind::Fill, Surface::GradingView, {0, 0, 100, 100}, kRed, 0, ""}, nullptr);  // nowhere yet
        router.attach(Surface::ConnectPicture, &connect);
        router.attach(Surface::GradingView, &grading);
        router.draw({DrawCommand::Kind::Fill, Surface::GradingView, {0, 0, 100, 100}, kRed, 0, ""}, nullptr);
        QCOMPARE(grading.picture().pixelColor(50, 50), QColor(Qt::red));
        QVERIFY(connect.picture().pixelColor(50, 50) != QColor(Qt::red));
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::LiveViewTest)
#include "liveview_test.moc"
