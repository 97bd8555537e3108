#pragma once
// The frame loop of the grading station: the 100 ms tick that takes the
// newest camera sample, shows it and, in automatic mode, watches for a card
// that has come to rest and reads it once; the grading button and the
// automatic-grading toggle. Free of any window system: time comes from a
// Clock, pictures go to a DrawingSink, questions to a Prompter, buttons and
// captions to FrameLoopUi.
#include <cstdint>
#include <functional>
#include <string>

#include "base/prompter.h"
#include "capture/connection.h"
#include "capture/drawing.h"
#include "capture/mjpg.h"
#include "output/clock.h"
#include "output/voiceprompts.h"
#include "recognition/image.h"
#include "recognition/readresult.h"

namespace tarvel {

inline constexpr int kTickMs = 100;
inline constexpr uint32_t kStillMs = 2000;
inline constexpr int kMovingMotion = 20;
inline constexpr const char* kChooseGrade = "请选择年级！";
inline constexpr const char* kChooseClass = "请选择班级";
inline constexpr const char* kAutoOn = "开启自动阅卷";
inline constexpr const char* kAutoOff = "关闭自动阅卷";
inline constexpr const char* kConnectedText = "连接成功，请将摄像头画面调节到最清晰";
inline constexpr const char* kWhiteBackgroundText = "注意：背景不能为黑，请垫白纸";

// The grade and class boxes of the grading page, as the roster uses them.
struct GradingChoice {
    bool gradesEnabled = false;
    bool gradeChosen = false;
    bool classesEnabled = false;
    bool classChosen = false;
};

// One attempt to read the card in `images`: locate it and, when located,
// judge it. On entry images.frame is binarized (at 100, or at 120 on the
// second attempt), images.color holds the colour frame and images.binary the
// frame binarized at 100. Returns Ok when the judgement accepted the card, a
// location failure, or Refused when the judgement refused it; the judgement
// leaves its short text in `promptText` and its memo text in `memo`. The
// frame loop does the retry at 120 itself, so this must not retry. An
// exception counts as TooFewLines, a value outside the table too.
using CardReadFn = std::function<ReadResult(ImageSet& images, std::string& promptText, std::string& memo)>;

// Buttons, captions and the hint memo of the main window: they show the
// loop's state, the loop never reads them back.
class FrameLoopUi {
public:
    virtual ~FrameLoopUi() = default;
    virtual void setCaption(const std::string&) {}
    virtual void setAnswerButtonEnabled(bool) {}
    virtual void setAutoButtonCaption(const std::string&) {}
    virtual void showMemo(const std::string&) {}
};

// Pixel work of one tick: the sample turned into the frame bitmap.
class FrameConverter {
public:
    // False when the tick must end here (damaged MJPG sample). A format that
    // is not converted leaves the frame as it was and returns true.
    bool convert(FrameFormat format, const Sample& sample, Bitmap& frame);

private:
    MjpgDecoder mjpg_;
    Bitmap scratch_;  // YUV samples of a size other than 640 x 480
};

class FrameLoop {
public:
    enum class Page { Connect, Grading, Other };

    struct Parts {
        CameraConnection& camera;
        ImageSet& images;
        Clock& clock;
        DrawingSink& sink;
        Prompter& prompter;
        Announcer& announcer;
        FrameLoopUi& ui;
    };

    FrameLoop(Parts parts, CardReadFn readCard, std::function<GradingChoice()> choice);

    // Timer1: started after a connect, paused during a card read.
    void setTimerEnabled(bool on) { timerEnabled_ = on; }
    bool timerEnabled() const { return timerEnabled_; }
    void setPage(Page page);
    // The view's size on the grading page; recomputes the picture rectangle
    // and paints the background.
    void setViewSize(int width, int height);
    // The standard answer was edited and not yet rescored.
    void setRescorePending(bool pending) { rescorePending_ = pending; }
    bool rescorePending() const { return rescorePending_; }

    void Timer1Timer();
    // One card read with its messages and sounds. Ignored while the previous
    // read is still being spoken; without a picture to read, the user is
    // asked to connect the camera.
    void BtnAnswerCardClick();
    void BtnAutoAnswerCardClick();
    // A judgement made without a read (the grading page's click on a roster
    // suggestion) ends as a read does: its texts shown, its sound and voice.
    void announceJudgement(ReadResult code, std::string promptText, std::string memo);
    // The announcer has spoken the last read on its speech thread: the timer
    // runs again, and the watch counts the stillness from now, as it does
    // after a read spoken on this thread.
    void speechEnded();
    bool speaking() const { return speaking_; }

    bool autoGrading() const { return autoGrading_; }
    bool cardGraded() const { return cardGraded_; }
    uint32_t stableSince() const { return stableSince_; }
    int lastMotion() const { return lastMotion_; }
    int motionAtRead() const { return motionAtRead_; }
    int motionTolerance() const { return motionTolerance_; }
    const std::string& promptText() const { return promptText_; }
    const std::string& memo() const { return memo_; }
    // "开启自动阅卷" while automatic grading is off, "关闭自动阅卷" while on.
    const char* autoButtonCaption() const { return autoGrading_ ? kAutoOff : kAutoOn; }
    const Rect& viewRect() const { return viewRect_; }

    // Release level for the motion seen at the last automatic read: the
    // motion a later tick must exceed before the next card can be read.
    static int releaseLevel(int motionAtRead);

private:
    bool choiceComplete();
    ReadResult readOnce();
    // The end of a read: memo, sound and voice; the timer runs again unless
    // the voice goes on on the speech thread.
    void announce(ReadResult code);
    void cameraLost();
    void showFrame();
    void watch();
    void draw(DrawCommand::Kind kind, Surface surface, Rect area, int fontSize = 0, std::string text = {},
              Colour colour = kRed, const Bitmap* frame = nullptr);

    Parts p_;
    CardReadFn readCard_;
    std::function<GradingChoice()> choice_;
    FrameConverter converter_;

    Page page_ = Page::Other;
    bool timerEnabled_ = false;
    bool rescorePending_ = false;
    Rect viewRect_;
    Rect viewArea_;

    bool speaking_ = false;
    bool autoGrading_ = false;
    bool cardGraded_ = false;
    uint32_t stableSince_ = 0;
    int lastMotion_ = 0;
    int motionAtRead_ = 0;
    int motionTolerance_ = 2;
    std::string promptText_;
    std::string memo_;
};

}  // namespace tarvel
