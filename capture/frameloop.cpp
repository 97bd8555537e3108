#include "capture/frameloop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "capture/yuv.h"
#include "grading/gradinggrid.h"
#include "recognition/cardread.h"
#include "recognition/pixelops.h"

namespace tarvel {
namespace {

// Top-left part of `source` copied onto `target` of the same pixel size.
void copyTopLeft(const Bitmap& source, Bitmap& target) {
    const int rows = std::min(source.height(), target.height());
    const size_t bytes = size_t(std::min(source.width(), target.width())) * target.bytesPerPixel();
    for (int r = 0; r < rows; ++r) std::memcpy(target.rowFromTop(r), source.rowFromTop(r), bytes);
}

}  // namespace

bool FrameConverter::convert(FrameFormat format, const Sample& sample, Bitmap& frame) {
    const uint8_t* data = sample.bytes.data();
    const size_t length = sample.bytes.size();
    switch (format) {
        case FrameFormat::Rgb24:
            // A device that kept another size must not write past the bitmap.
            std::memcpy(frame.data(), data, std::min(length, frame.byteSize()));
            return true;
        case FrameFormat::Mjpg:
            return mjpg_.decodeInto(data, length, frame);
        case FrameFormat::Yuy2:
        case FrameFormat::I420: {
            const bool yuy2 = format == FrameFormat::Yuy2;
            const int w = sample.width, h = sample.height;
            if (w <= 0 || h <= 0 || frame.bytesPerPixel() != 4) return true;
            if (length < (yuy2 ? yuy2FrameBytes(w, h) : i420FrameBytes(w, h))) return true;  // incomplete
            const bool exact = w == frame.width() && h == frame.height();
            if (!exact) scratch_ = Bitmap(w, h, 4);
            uint8_t* target = exact ? frame.data() : scratch_.data();
            if (yuy2) {
                convertYuy2(w, h, data, target);
            } else {
                convertI420(w, h, data, target);
            }
            if (!exact) copyTopLeft(scratch_, frame);
            return true;
        }
        case FrameFormat::Other: break;
    }
    return true;
}

FrameLoop::FrameLoop(Parts parts, CardReadFn readCard, std::function<GradingChoice()> choice)
    : p_(parts), readCard_(std::move(readCard)), choice_(std::move(choice)) {}

void FrameLoop::draw(DrawCommand::Kind kind, Surface surface, Rect area, int fontSize, std::string text,
                     Colour colour, const Bitmap* frame) {
    DrawCommand c{kind, surface, area, colour, fontSize, std::move(text)};
    p_.sink.draw(c, frame);
}

void FrameLoop::setPage(Page page) {
    page_ = page;
    if (page == Page::Grading) setViewSize(viewArea_.width, viewArea_.height);
}

void FrameLoop::setViewSize(int width, int height) {
    viewArea_ = {0, 0, width, height};
    const int w = height * kFrameWidth / kFrameHeight;
    if (w <= width) {
        viewRect_ = {(width - w) / 2, 0, w, height};
    } else {
        // A view narrower than 4:3: the frame fits its width, centred
        // vertically, instead of reaching out beyond the left edge.
        const int h = width * kFrameHeight / kFrameWidth;
        viewRect_ = {0, (height - h) / 2, width, h};
    }
    draw(DrawCommand::Kind::Fill, Surface::GradingView, viewArea_, 0, {}, kViewBackground);
}

void FrameLoop::Timer1Timer() {
    if (!timerEnabled_) return;
    ImageSet& images = p_.images;
    if (!p_.camera.running() || images.frame.empty()) return;
    if (p_.camera.takeLostCamera()) {
        cameraLost();
        return;
    }
    Csamplegrabbercb& grabber = p_.camera.grabber();
    if (!grabber.takeNewest()) return;
    if (!converter_.convert(p_.camera.format(), grabber.latest(), images.frame)) return;

    if (page_ == Page::Connect) {
        const Rect whole{0, 0, images.frame.width(), images.frame.height()};
        draw(DrawCommand::Kind::Frame, Surface::ConnectPicture, whole, 0, {}, kRed, &images.frame);
        draw(DrawCommand::Kind::Text, Surface::ConnectPicture, {150, 0, 0, 0}, 14, kConnectedText);
        draw(DrawCommand::Kind::Text, Surface::ConnectPicture, {200, 460, 0, 0}, 14, kWhiteBackgroundText);
        return;
    }
    if (page_ != Page::Grading) return;

    showFrame();
    PrepareFrameImages(images);
    if (rescorePending_) {
        draw(DrawCommand::Kind::CentredText, Surface::GradingView, viewArea_, 20, kStandardEditedWarning);
    }
    if (autoGrading_) watch();
}

void FrameLoop::cameraLost() {
    // The last picture must not stay up as if it were live.
    draw(DrawCommand::Kind::Fill, Surface::ConnectPicture, {0, 0, kFrameWidth, kFrameHeight}, 0, {},
         kViewBackground);
    draw(DrawCommand::Kind::Fill, Surface::GradingView, viewArea_, 0, {}, kViewBackground);
    // On the grading page the memo keeps saying why no card is read.
    if (page_ == Page::Grading) p_.ui.showMemo(kCameraLost);
    p_.prompter.notice(kCameraLost);
}

void FrameLoop::showFrame() {
    const Bitmap& frame = p_.images.frame;
    if (viewRect_.height == kFrameHeight) {
        draw(DrawCommand::Kind::Frame, Surface::GradingView, viewRect_, 0, {}, kRed, &frame);
    } else {
        draw(DrawCommand::Kind::Fill, Surface::GradingView, viewArea_, 0, {}, kViewBackground);
        draw(DrawCommand::Kind::StretchFrame, Surface::GradingView, viewRect_, 0, {}, kRed, &frame);
    }
}

int FrameLoop::releaseLevel(int motionAtRead) {
    if (motionAtRead <= 0) return 0;
    if (motionAtRead == 1) return 25;
    if (motionAtRead == 2) return 30;
    if (motionAtRead == 3) return 35;
    if (motionAtRead <= 5) return 40;
    if (motionAtRead <= 8) return 45;
    if (motionAtRead <= 14) return 50;
    return 75;
}

void FrameLoop::watch() {
    ImageSet& images = p_.images;
    if (!promptText_.empty()) draw(DrawCommand::Kind::CentredText, Surface::GradingView, viewArea_, 36, promptText_);

    const int m = MotionMeasure(images.previous, images.frame);
    if (m == -1) return;
    const bool moving = m >= kMovingMotion || std::abs(lastMotion_ - m) > motionTolerance_;
    images.previous.copyFrom(images.frame);
    if (moving) {
        draw(DrawCommand::Kind::Outline, Surface::GradingView, viewRect_);
        stableSince_ = p_.clock.nowMs();
    } else if (p_.clock.nowMs() - stableSince_ > kStillMs) {
        motionAtRead_ = m;
        if (!cardGraded_) {
            BtnAnswerCardClick();
            cardGraded_ = true;
        }
        stableSince_ = p_.clock.nowMs();
    }

    if (motionAtRead_ >= 0 && motionAtRead_ <= 5) {
        motionTolerance_ = 2;
    } else if (motionAtRead_ >= 6 && motionAtRead_ <= 10) {
        motionTolerance_ = 3;
    } else if (motionAtRead_ >= 11 && motionAtRead_ <= 15) {
        motionTolerance_ = 4;
    } else if (motionAtRead_ >= 16 && motionAtRead_ <= 20) {
        motionTolerance_ = 5;
    }

    if (m > releaseLevel(motionAtRead_)) {
        cardGraded_ = false;
        promptText_.clear();
    }
    lastMotion_ = m;
}

bool FrameLoop::choiceComplete() {
    const GradingChoice c = choice_ ? choice_() : GradingChoice{};
    if (c.gradesEnabled && !c.gradeChosen) {
        p_.prompter.message(kChooseGrade);
        return false;
    }
    if (c.classesEnabled && !c.classChosen) {
        p_.prompter.message(kChooseClass);
        return false;
    }
    return true;
}

ReadResult FrameLoop::readOnce() {
    p_.ui.setCaption(kAppTitle);
    ReadResult code = ReadResult::TooFewLines;
    try {
        if (readCard_) code = readCard_(p_.images, promptText_, memo_);
    } catch (...) {
        code = ReadResult::TooFewLines;
    }
    // A code outside the table is a fault of the reader: never a success.
    return readResultOf(codeOf(code)).value_or(ReadResult::TooFewLines);
}

void FrameLoop::BtnAnswerCardClick() {
    if (speaking_ || !choiceComplete()) return;
    if (p_.images.frame.empty()) {
        p_.prompter.message(kConnectFirst);
        return;
    }
    timerEnabled_ = false;
    announce(RetryDarker(p_.images, [this] { return readOnce(); }));
}

void FrameLoop::announce(ReadResult code) {
    // Another announcement may still be spoken: the speech thread says this
    // one after it, and the first end it reports lets the timer run again.
    const bool spoken =
        p_.announcer.AnnounceReading(code, promptText_, memo_, [this](const std::string& m) { p_.ui.showMemo(m); });
    speaking_ = speaking_ || spoken;
    timerEnabled_ = !speaking_;
}

void FrameLoop::announceJudgement(ReadResult code, std::string promptText, std::string memo) {
    promptText_ = std::move(promptText);
    memo_ = std::move(memo);
    announce(code);
}

void FrameLoop::speechEnded() {
    if (!speaking_) return;
    speaking_ = false;
    timerEnabled_ = true;
    if (autoGrading_) stableSince_ = p_.clock.nowMs();
}

void FrameLoop::BtnAutoAnswerCardClick() {
    if (!choiceComplete()) return;
    cardGraded_ = false;
    autoGrading_ = !autoGrading_;
    if (autoGrading_) promptText_.clear();
    p_.ui.setAnswerButtonEnabled(!autoGrading_);
    p_.ui.setAutoButtonCaption(autoButtonCaption());
}

}  // namespace tarvel
