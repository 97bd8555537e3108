#pragma once
// The camera side of the grading run, owned by the main window: the camera
// connection, the image set, the frame loop with the voice prompts, and its
// 100 ms timer Timer1, which ticks on the user-interface thread from the
// first successful connect until the program ends.
#include <QObject>
#include <QTimer>
#include <memory>

#include "capture/connection.h"
#include "capture/frameloop.h"
#include "output/speechthread.h"
#include "context.h"
#include "widgets/liveview.h"

namespace tarvel::app {

class CaptureState : public QObject {
    Q_OBJECT
public:
    // `read` is the card read of the grading page, `choice` its grade and
    // class boxes; `ui` the buttons and captions the frame loop changes.
    CaptureState(Services& services, FrameLoopUi& ui, CardReadFn read, std::function<GradingChoice()> choice,
            QObject* parent = nullptr);
    ~CaptureState() override;

    // "连接摄像头": connects (asking through the device list window when
    // there are several cameras) and, once connected, starts Timer1.
    CameraConnection::Result connect();
    // At shutdown: the timer stops, a prompt being spoken is let finish and
    // the camera is released.
    void stop();

    // The wizard page now showing, for what the tick draws.
    void setPage(FrameLoop::Page page);
    // ImageView was resized: the grading view's rectangle follows while the
    // grading page shows, and when it is next entered.
    void gradingViewResized(int width, int height);

    CameraConnection& connection() { return connection_; }
    ImageSet& images() { return images_; }
    FrameLoop& loop() { return *loop_; }
    Announcer& announcer() { return announcer_; }
    SurfaceRouter& views() { return views_; }
    QTimer& timer() { return timer_; }

private:
    Services& services_;
    CameraConnection connection_;
    ImageSet images_;
    Announcer announcer_;
    SurfaceRouter views_;
    std::unique_ptr<FrameLoop> loop_;
    // Pause and speech of each read, so that the window keeps painting; the
    // frame loop hears of the end on this thread.
    SpeechThread speech_;
    QTimer timer_;
    FrameLoop::Page page_ = FrameLoop::Page::Other;
    int viewWidth_ = 0;
    int viewHeight_ = 0;
};

}  // namespace tarvel::app
