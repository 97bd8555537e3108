#include "capturestate.h"

namespace tarvel::app {

CaptureState::CaptureState(Services& services, FrameLoopUi& ui, CardReadFn read, std::function<GradingChoice()> choice,
                 QObject* parent)
    : QObject(parent),
      services_(services),
      connection_(services.cameraList),
      announcer_(services.sounds, services.clock, services.voices),
      loop_(std::make_unique<FrameLoop>(
          FrameLoop::Parts{connection_, images_, services.clock, views_, services.prompter, announcer_, ui},
          std::move(read), std::move(choice))),
      speech_(services.clock, [this] {
          QMetaObject::invokeMethod(this, [this] { loop_->speechEnded(); }, Qt::QueuedConnection);
      }) {
    announcer_.speakOn(&speech_);
    timer_.setObjectName("Timer1");
    timer_.setInterval(kTickMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { loop_->Timer1Timer(); });
}

CaptureState::~CaptureState() { stop(); }

CameraConnection::Result CaptureState::connect() {
    const auto result = connection_.connect(services_.prompter, services_.cameras, images_);
    if (result == CameraConnection::Result::Connected) {
        // While a prompt is spoken the loop waits for its end to run again.
        if (!loop_->speaking()) loop_->setTimerEnabled(true);
        timer_.start();
    }
    return result;
}

void CaptureState::stop() {
    timer_.stop();
    loop_->setTimerEnabled(false);
    speech_.wait();
    connection_.disconnect();
}

void CaptureState::setPage(FrameLoop::Page page) {
    page_ = page;
    loop_->setPage(page);
    if (page == FrameLoop::Page::Grading) loop_->setViewSize(viewWidth_, viewHeight_);
}

void CaptureState::gradingViewResized(int width, int height) {
    viewWidth_ = width;
    viewHeight_ = height;
    if (page_ == FrameLoop::Page::Grading) loop_->setViewSize(width, height);
}

}  // namespace tarvel::app
