#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <type_traits>

#include "capture/frameloop.h"
#include "capture/virtualcamera.h"
#include "output/speechthread.h"
#include "grading/gradinggrid.h"
#include "grading/judgement.h"
#include "recognition/pixelops.h"

namespace tarvel {
namespace {

// What the test puts in front of the camera next; nothing once unplugged.
class ScriptedFrames : public FrameSequence {
public:
    std::shared_ptr<const Bitmap> next;
    bool unplugged = false;
    size_t size() const override { return 1; }
    bool picture(size_t, Bitmap& out) override {
        if (unplugged) return false;
        out.copyFrom(*next);
        return true;
    }
};

struct RecordingSink : DrawingSink {
    struct Drawn {
        DrawCommand command;
        int tick;
    };
    std::vector<Drawn> drawn;
    int tick = 0;
    void draw(const DrawCommand& c, const Bitmap*) override { drawn.push_back({c, tick}); }
    std::vector<Drawn> of(DrawCommand::Kind kind) const {
        std::vector<Drawn> out;
        for (const auto& d : drawn)
            if (d.command.kind == kind) out.push_back(d);
        return out;
    }
};

struct RecordingUi : FrameLoopUi {
    bool answerEnabled = true;
    std::string autoCaption;
    std::vector<std::string> memos;
    void setAnswerButtonEnabled(bool on) override { answerEnabled = on; }
    void setAutoButtonCaption(const std::string& c) override { autoCaption = c; }
    void showMemo(const std::string& m) override { memos.push_back(m); }
};

struct FakeSounds : SoundPlayer {
    std::vector<std::string> played;
    void play(const std::string& path) override { played.push_back(path.substr(path.rfind('/') + 1)); }
};

// Scene: white, a black card of 160 x 120 at (cardX, 180) unless cardX < 0,
// a 22 x 22 square at (600, 20) that flickers like sensor noise (121 sampled
// pixels, a motion of 3), and `dots` black pixels on sampled positions from
// row 400 on (each one a motion of 255 / 10000).
struct Scene {
    int cardX = -1;
    bool noise = false;
    int dots = 0;
    int noiseSize = 22;
    uint8_t cardGray = 0;
};

std::shared_ptr<Bitmap> render(const Scene& s) {
    auto b = std::make_shared<Bitmap>(kFrameWidth, kFrameHeight, 3);
    auto fillTopDown = [&](int x0, int r0, int w, int h, uint8_t v) {
        for (int r = r0; r < r0 + h; ++r)
            for (int x = x0; x < x0 + w; ++x) b->setPixel(x, kFrameHeight - 1 - r, v, v, v);
    };
    if (s.cardX >= 0) fillTopDown(s.cardX, 180, 160, 120, s.cardGray);
    if (s.noise) fillTopDown(600 - s.noiseSize, 20, s.noiseSize, s.noiseSize, 0);
    for (int i = 0; i < s.dots; ++i) fillTopDown(2 * (i % 320), 400 + 2 * (i / 320), 1, 1, 0);
    return b;
}

class LoopRig {
public:
    explicit LoopRig(FrameFormat format = FrameFormat::Rgb24)
        : connection_([this, format] {
              auto frames = std::make_unique<ScriptedFrames>();
              frames_ = frames.get();
              auto cam = std::make_unique<VirtualCamera>("test", std::move(frames), format, 0);
              camera_ = cam.get();
              CameraList list;
              list.push_back(std::move(cam));
              return list;
          }),
          announcer(sounds, clock, [this]() -> std::unique_ptr<Speaker> { return nullptr; }),
          loop({connection_, images, clock, sink, prompter, announcer, ui},
               [this](ImageSet& im, std::string& prompt, std::string& memo) { return read(im, prompt, memo); },
               [this] { return choice; }) {
        EXPECT_EQ(connection_.connect(prompter, nullptr, images), CameraConnection::Result::Connected);
        loop.setTimerEnabled(true);
        loop.setViewSize(640, 480);
        loop.setPage(FrameLoop::Page::Grading);
    }

    // One 100 ms tick showing `scene`.
    void tick(const Scene& scene) {
        frames_->next = render(scene);
        camera_->deliverNext();
        clock.advance(kTickMs);
        sink.tick = ++ticks;
        loop.Timer1Timer();
    }
    void unplug() { frames_->unplugged = true; }
    CameraConnection& connection() { return connection_; }
    // `count` ticks of a still scene with flickering noise.
    void still(Scene scene, int count) {
        for (int i = 0; i < count; ++i) {
            scene.noise = !scene.noise;
            tick(scene);
            noisePhase = scene.noise;
        }
    }

    struct ReadCall {
        int tick;
        uint32_t time;
        bool timerEnabled;
        uint8_t probe;  // frame blue byte at the card's centre
    };
    std::vector<ReadCall> reads;
    std::deque<int> codes;  // scripted outcomes; 0 when empty; -1 throws
    std::string judgedPrompt = "李四92.5分";
    std::string judgedMemo = "李四 总分92.5";
    std::function<void()> duringRead;

    ManualClock clock{50000};
    ScriptedPrompter prompter;
    RecordingSink sink;
    RecordingUi ui;
    FakeSounds sounds;
    ImageSet images;
    GradingChoice choice;
    int ticks = 0;
    bool noisePhase = false;

private:
    ReadResult read(ImageSet& im, std::string& prompt, std::string& memo) {
        reads.push_back({ticks, clock.nowMs(), loop.timerEnabled(), im.frame.rowFromTop(240)[80 * im.frame.bytesPerPixel() + 200 * im.frame.bytesPerPixel()]});
        if (duringRead) duringRead();
        int code = 0;
        if (!codes.empty()) {
            code = codes.front();
            codes.pop_front();
        }
        if (code == -1) throw std::runtime_error("reader fault");
        if (code == 0 || code == 13) {
            prompt = judgedPrompt;
            memo = judgedMemo;
        }
        return static_cast<ReadResult>(code);
    }

    ScriptedFrames* frames_ = nullptr;
    VirtualCamera* camera_ = nullptr;
    CameraConnection connection_;

public:
    Announcer announcer;
    FrameLoop loop;
};

// Card slides in over five ticks, then lies still at x = 200.
void slideIn(LoopRig& rig) {
    for (int x = 0; x <= 200; x += 50) rig.tick({x, false});
}

class StillCardRead : public ::testing::TestWithParam<FrameFormat> {};

TEST_P(StillCardRead, OnceAtTheFirstTickMoreThanTwoSecondsAfterTheLastMovement) {
    LoopRig rig(GetParam());
    rig.loop.BtnAutoAnswerCardClick();
    ASSERT_TRUE(rig.loop.autoGrading());
    slideIn(rig);
    rig.still({200}, 120);  // 12 s of stillness

    ASSERT_EQ(rig.reads.size(), 1u);
    const auto outlines = rig.sink.of(DrawCommand::Kind::Outline);
    ASSERT_FALSE(outlines.empty());
    int lastMoving = 0;
    for (const auto& o : outlines)
        if (o.tick < rig.reads[0].tick) lastMoving = o.tick;
    // Ticks are 100 ms apart: +20 is exactly 2000 ms (not more), +21 is the first.
    EXPECT_EQ(rig.reads[0].tick, lastMoving + 21);
    EXPECT_FALSE(rig.reads[0].timerEnabled);
    EXPECT_EQ(rig.reads[0].probe, 0);  // the card, binarized, where it lies
    EXPECT_TRUE(rig.loop.cardGraded());
    EXPECT_EQ(rig.loop.motionAtRead(), 3);
    EXPECT_EQ(rig.sounds.played, (std::vector<std::string>{"success.wav"}));
    EXPECT_TRUE(rig.loop.timerEnabled());
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, StillCardRead,
                         ::testing::Values(FrameFormat::Rgb24, FrameFormat::Yuy2, FrameFormat::I420, FrameFormat::Mjpg),
                         [](const auto& info) { return std::string(formatName(info.param)); });

TEST(FrameLoopWatch, IdenticalFramesChangeNothing) {
    LoopRig rig;
    rig.loop.BtnAutoAnswerCardClick();
    slideIn(rig);
    rig.still({200}, 40);
    ASSERT_EQ(rig.reads.size(), 1u);
    const uint32_t stable = rig.loop.stableSince();
    const int last = rig.loop.lastMotion();
    const size_t outlines = rig.sink.of(DrawCommand::Kind::Outline).size();
    // Noise gone: every tick sees the same picture (m = -1) for 10 s.
    for (int i = 0; i < 100; ++i) rig.tick({200, rig.noisePhase});
    EXPECT_EQ(rig.reads.size(), 1u);
    EXPECT_EQ(rig.loop.stableSince(), stable);
    EXPECT_EQ(rig.loop.lastMotion(), last);
    EXPECT_TRUE(rig.loop.cardGraded());
    EXPECT_EQ(rig.sink.of(DrawCommand::Kind::Outline).size(), outlines);
    EXPECT_EQ(rig.loop.promptText(), rig.judgedPrompt);
}

TEST(FrameLoopWatch, ACompletelyStillPictureIsNeverRead) {
    LoopRig rig;
    rig.loop.BtnAutoAnswerCardClick();
    slideIn(rig);
    for (int i = 0; i < 100; ++i) rig.tick({200});
    EXPECT_TRUE(rig.reads.empty());
}

struct ReleaseCase {
    int noiseSize;     // gives the motion at the read
    int motionAtRead;
    int tolerance;
    int belowDots;     // change that must not release
    int aboveDots;     // change that releases
};

class ReleaseLevel : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(ReleaseLevel, TheNextCardNeedsMoreChangeThanTheLevel) {
    const ReleaseCase c = GetParam();
    LoopRig rig;
    rig.loop.BtnAutoAnswerCardClick();
    slideIn(rig);
    Scene scene{200, false, 0, c.noiseSize};
    rig.still(scene, 30);
    ASSERT_EQ(rig.reads.size(), 1u);
    ASSERT_EQ(rig.loop.motionAtRead(), c.motionAtRead);
    EXPECT_EQ(rig.loop.motionTolerance(), c.tolerance);
    scene.noise = rig.noisePhase;

    for (int dots : {c.belowDots, 0}) {
        scene.dots = dots;
        rig.tick(scene);
        EXPECT_TRUE(rig.loop.cardGraded()) << dots;
        EXPECT_EQ(rig.loop.promptText(), rig.judgedPrompt);
    }
    scene.dots = c.aboveDots;
    rig.tick(scene);
    EXPECT_FALSE(rig.loop.cardGraded());
    EXPECT_TRUE(rig.loop.promptText().empty());

    // Released and still again: the next card is read.
    rig.still(scene, 30);
    EXPECT_EQ(rig.reads.size(), 2u);
}

// 121 sampled pixels give 3, 625 give 15; a change of n samples measures n * 255 / 10000.
INSTANTIATE_TEST_SUITE_P(Levels, ReleaseLevel,
                         ::testing::Values(ReleaseCase{22, 3, 2, 1380, 1420}, ReleaseCase{50, 15, 4, 2950, 3000}));

TEST(FrameLoopWatch, PromptIsDrawnOverThePictureWhileAutomatic) {
    LoopRig rig;
    rig.loop.BtnAutoAnswerCardClick();
    slideIn(rig);
    rig.still({200}, 30);
    rig.tick({200, !rig.noisePhase});
    const auto texts = rig.sink.of(DrawCommand::Kind::CentredText);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().command.text, rig.judgedPrompt);
    EXPECT_EQ(texts.back().command.fontSize, 36);
    EXPECT_EQ(texts.back().command.colour, kRed);
}

// The window shows the loop's state; it cannot change it behind the loop's back.
static_assert(std::is_same_v<decltype(std::declval<FrameLoop&>().promptText()), const std::string&>);

TEST(FrameLoopToggle, OffAndOnReadsTheSameCardAgain) {
    LoopRig rig;
    rig.loop.BtnAutoAnswerCardClick();
    EXPECT_EQ(rig.ui.autoCaption, kAutoOff);
    EXPECT_FALSE(rig.ui.answerEnabled);
    slideIn(rig);
    rig.still({200}, 30);
    ASSERT_EQ(rig.reads.size(), 1u);

    rig.loop.BtnAutoAnswerCardClick();
    EXPECT_EQ(rig.ui.autoCaption, kAutoOn);
    EXPECT_TRUE(rig.ui.answerEnabled);
    EXPECT_FALSE(rig.loop.autoGrading());
    rig.still({200}, 30);  // no watch while off
    EXPECT_EQ(rig.reads.size(), 1u);

    rig.loop.BtnAutoAnswerCardClick();
    EXPECT_TRUE(rig.loop.promptText().empty());
    EXPECT_FALSE(rig.loop.cardGraded());
    rig.still({200}, 30);
    EXPECT_EQ(rig.reads.size(), 2u);
}

TEST(FrameLoopToggle, GradeAndClassMustBeChosen) {
    LoopRig rig;
    rig.choice = {true, false, true, false};
    rig.loop.BtnAutoAnswerCardClick();
    rig.loop.BtnAnswerCardClick();
    rig.choice = {true, true, true, false};
    rig.loop.BtnAnswerCardClick();
    EXPECT_EQ(rig.prompter.texts(), (std::vector<std::string>{kChooseGrade, kChooseGrade, kChooseClass}));
    EXPECT_FALSE(rig.loop.autoGrading());
    EXPECT_TRUE(rig.reads.empty());
    EXPECT_TRUE(rig.loop.timerEnabled());
    rig.choice = {true, true, true, true};
    rig.loop.BtnAnswerCardClick();
    EXPECT_EQ(rig.reads.size(), 1u);
}

// A gray card (gray 110): white after the tick's threshold 100, black at 120.
class CardReadRetry : public ::testing::Test {
protected:
    void SetUp() override {
        rig.tick({200, false, 0, 22, 110});
        ASSERT_EQ(rig.images.frame.rowFromTop(240)[280 * 3], 255);
    }
    LoopRig rig;
};

TEST_F(CardReadRetry, CodesOneAndTwoAreReadAgainAtThresholdOneTwentyBeforeAnyMessage) {
    for (int first : {1, 2, -1}) {
        rig.reads.clear();
        rig.ui.memos.clear();
        rig.sounds.played.clear();
        rig.codes = {first, 0};
        rig.tick({200, false, 0, 22, 110});
        rig.loop.BtnAnswerCardClick();
        ASSERT_EQ(rig.reads.size(), 2u) << first;
        EXPECT_EQ(rig.reads[0].probe, 255);
        EXPECT_EQ(rig.reads[1].probe, 0);  // rebinarized from the colour copy at 120
        EXPECT_EQ(rig.ui.memos, (std::vector<std::string>{rig.judgedMemo}));
        EXPECT_EQ(rig.sounds.played, (std::vector<std::string>{"success.wav"}));
        EXPECT_TRUE(rig.prompter.shown().empty());
    }
}

TEST_F(CardReadRetry, OutcomesChooseTextsAndSounds) {
    struct Case {
        std::deque<int> codes;
        size_t reads;
        std::string prompt, memo, sound;
    };
    const std::string moved = kMoveCardSuffix;
    const std::vector<Case> cases = {
        {{1, 1}, 2, "未获得正确的检测线", "未获得正确的检测线" + moved, "wrong.wav"},
        {{-1, -1}, 2, "未获得正确的检测线", "未获得正确的检测线" + moved, "wrong.wav"},
        {{2, 3}, 2, "下边检测线左边越界", "下边检测线左边越界" + moved, "wrong.wav"},
        {{3}, 1, "下边检测线左边越界", "下边检测线左边越界" + moved, "wrong.wav"},
        {{11}, 1, "图像倒立", "图像倒立" + moved, "wrong.wav"},
        {{12}, 1, "黑点过多，请检查是否已垫白纸", "黑点过多，请检查是否已垫白纸", "wrong.wav"},
        {{13}, 1, "李四92.5分", "李四 总分92.5", "warning.wav"},
        {{99, 99}, 2, "未获得正确的检测线", "未获得正确的检测线" + moved, "wrong.wav"},  // not a code: never success
    };
    for (const Case& c : cases) {
        rig.reads.clear();
        rig.sounds.played.clear();
        rig.ui.memos.clear();
        rig.codes = c.codes;
        rig.loop.BtnAnswerCardClick();
        EXPECT_EQ(rig.reads.size(), c.reads) << c.prompt;
        EXPECT_EQ(rig.loop.promptText(), c.prompt);
        EXPECT_EQ(rig.ui.memos, (std::vector<std::string>{c.memo}));
        EXPECT_EQ(rig.sounds.played, (std::vector<std::string>{c.sound}));
    }
}

TEST_F(CardReadRetry, NoTickRunsDuringARead) {
    rig.duringRead = [this] {
        rig.tick({200, false, 0, 22, 110});  // would bring back the unbinarized gray
    };
    rig.codes = {3};
    rig.loop.BtnAnswerCardClick();
    EXPECT_FALSE(rig.reads[0].timerEnabled);
    EXPECT_EQ(rig.images.frame.rowFromTop(240)[280 * 3], 255);
    EXPECT_TRUE(rig.loop.timerEnabled());
}

// Speech on its own thread: the read returns while the voice talks; ticks
// change nothing and reads are refused until the end is reported, and the
// watch then counts the stillness from that moment.
TEST(FrameLoopSpeech, TheTimerRunsAgainWhenTheSpeechHasEnded) {
    LoopRig rig;
    SpeechThread speech(rig.clock, nullptr);
    rig.announcer.speakOn(&speech);
    rig.announcer.CBYuYinClick(true, rig.prompter);
    rig.loop.BtnAutoAnswerCardClick();
    slideIn(rig);
    rig.still({200}, 30);  // read once; the ticks after it are not run
    ASSERT_EQ(rig.reads.size(), 1u);
    speech.wait();
    EXPECT_TRUE(rig.loop.speaking());
    EXPECT_FALSE(rig.loop.timerEnabled());
    const size_t drawn = rig.sink.drawn.size();
    rig.still({200}, 5);
    rig.loop.BtnAnswerCardClick();
    EXPECT_EQ(rig.reads.size(), 1u);
    EXPECT_EQ(rig.sink.drawn.size(), drawn);

    rig.clock.advance(1500);  // the voice took its time
    rig.loop.speechEnded();
    EXPECT_FALSE(rig.loop.speaking());
    EXPECT_TRUE(rig.loop.timerEnabled());
    EXPECT_EQ(rig.loop.stableSince(), rig.clock.nowMs());
    rig.loop.speechEnded();  // a stray report changes nothing
    EXPECT_TRUE(rig.loop.timerEnabled());
    EXPECT_EQ(rig.sounds.played, (std::vector<std::string>{"success.wav"}));
}

// The grading page's click on a roster suggestion ends as a read does; while
// an earlier prompt is still spoken, the timer waits for the speech's end.
TEST(FrameLoopSpeech, AJudgementWithoutAReadIsAnnouncedAsOne) {
    LoopRig rig;
    rig.loop.announceJudgement(ReadResult::Ok, "李四85分", "该答题卡第一次阅读！");
    EXPECT_EQ(rig.loop.promptText(), "李四85分");
    EXPECT_EQ(rig.loop.memo(), "该答题卡第一次阅读！");
    EXPECT_TRUE(rig.loop.timerEnabled());
    EXPECT_FALSE(rig.loop.speaking());

    SpeechThread speech(rig.clock, nullptr);
    rig.announcer.speakOn(&speech);
    rig.announcer.CBYuYinClick(true, rig.prompter);
    rig.loop.announceJudgement(ReadResult::Refused, kOtherClassPrompt, "");
    EXPECT_TRUE(rig.loop.speaking());
    EXPECT_FALSE(rig.loop.timerEnabled());
    rig.loop.announceJudgement(ReadResult::Ok, "王五85分", "");
    EXPECT_TRUE(rig.loop.speaking());
    EXPECT_FALSE(rig.loop.timerEnabled());
    speech.wait();
    rig.loop.speechEnded();
    EXPECT_FALSE(rig.loop.speaking());
    EXPECT_TRUE(rig.loop.timerEnabled());
    EXPECT_EQ(rig.sounds.played, (std::vector<std::string>{"success.wav", "warning.wav", "success.wav"}));
}

TEST(FrameLoopRead, WithoutAPictureTheCameraIsAskedFor) {
    LoopRig rig;
    rig.images.frame = Bitmap();
    rig.loop.BtnAnswerCardClick();
    EXPECT_TRUE(rig.reads.empty());
    EXPECT_EQ(rig.prompter.texts(), (std::vector<std::string>{kConnectFirst}));
    EXPECT_TRUE(rig.sounds.played.empty());
}

TEST(FrameLoopTick, DrawsWhatEachPageShows) {
    LoopRig rig;
    rig.loop.setPage(FrameLoop::Page::Connect);
    rig.sink.drawn.clear();
    rig.tick({200});
    ASSERT_EQ(rig.sink.drawn.size(), 3u);
    EXPECT_EQ(rig.sink.drawn[0].command.kind, DrawCommand::Kind::Frame);
    EXPECT_EQ(rig.sink.drawn[0].command.surface, Surface::ConnectPicture);
    EXPECT_EQ(rig.sink.drawn[1].command.text, kConnectedText);
    EXPECT_EQ(rig.sink.drawn[1].command.area, (Rect{150, 0, 0, 0}));
    EXPECT_EQ(rig.sink.drawn[2].command.text, kWhiteBackgroundText);
    EXPECT_EQ(rig.sink.drawn[2].command.area, (Rect{200, 460, 0, 0}));
    EXPECT_EQ(rig.sink.drawn[2].command.fontSize, 14);
    EXPECT_EQ(rig.images.frame.rowFromTop(240)[280 * 3], 0);
    EXPECT_EQ(rig.images.frame.rowFromTop(240)[100 * 3], 255);

    // Grading page, view 1000 x 480: the frame unscaled, centred.
    rig.loop.setViewSize(1000, 480);
    rig.loop.setPage(FrameLoop::Page::Grading);
    rig.loop.setRescorePending(true);
    rig.sink.drawn.clear();
    rig.tick({200, false, 0, 22, 110});
    ASSERT_EQ(rig.sink.drawn.size(), 2u);
    EXPECT_EQ(rig.sink.drawn[0].command.kind, DrawCommand::Kind::Frame);
    EXPECT_EQ(rig.sink.drawn[0].command.area, (Rect{180, 0, 640, 480}));
    EXPECT_EQ(rig.sink.drawn[1].command.text, kStandardEditedWarning);
    EXPECT_EQ(rig.sink.drawn[1].command.fontSize, 20);
    EXPECT_EQ(rig.images.color.rowFromTop(240)[280 * 3], 110);   // colour copy before binarizing
    EXPECT_EQ(rig.images.binary.rowFromTop(240)[280 * 3], 255);  // binarized at 100

    // Another view size: background, then the frame stretched.
    rig.loop.setRescorePending(false);
    rig.loop.setViewSize(900, 600);
    rig.sink.drawn.clear();
    rig.tick({200});
    ASSERT_EQ(rig.sink.drawn.size(), 2u);
    EXPECT_EQ(rig.sink.drawn[0].command.kind, DrawCommand::Kind::Fill);
    EXPECT_EQ(rig.sink.drawn[0].command.colour, kViewBackground);
    EXPECT_EQ(rig.sink.drawn[1].command.kind, DrawCommand::Kind::StretchFrame);
    EXPECT_EQ(rig.sink.drawn[1].command.area, (Rect{50, 0, 800, 600}));

    // The resize rule: an 800 x 480 view centres the unscaled frame; a view
    // narrower than 4:3 fits the frame to its width, centred vertically.
    rig.loop.setViewSize(800, 480);
    EXPECT_EQ(rig.loop.viewRect(), (Rect{80, 0, 640, 480}));
    rig.loop.setViewSize(400, 600);
    EXPECT_EQ(rig.loop.viewRect(), (Rect{0, 150, 400, 300}));

    // Other pages: converted, not shown, not binarized.
    rig.loop.setPage(FrameLoop::Page::Other);
    rig.sink.drawn.clear();
    rig.tick({200, false, 0, 22, 110});
    EXPECT_TRUE(rig.sink.drawn.empty());
    EXPECT_EQ(rig.images.frame.rowFromTop(240)[280 * 3], 110);
}

TEST(FrameLoopTick, AnUnpluggedCameraLeavesNoFrozenPictureIsToldOnceAndConnectsAgain) {
    LoopRig rig;
    rig.loop.BtnAutoAnswerCardClick();
    slideIn(rig);
    rig.unplug();
    rig.sink.drawn.clear();
    rig.still({200}, 40);  // long enough for a read, were the last picture still shown

    EXPECT_TRUE(rig.reads.empty());
    EXPECT_FALSE(rig.connection().running());
    ASSERT_EQ(rig.prompter.shown().size(), 1u);
    EXPECT_EQ(rig.prompter.shown()[0].kind, PromptKind::Notice);
    EXPECT_EQ(rig.prompter.shown()[0].text, kCameraLost);
    // The pictures are cleared once, and no frame is drawn after that.
    ASSERT_EQ(rig.sink.drawn.size(), 2u);
    for (const auto& d : rig.sink.drawn) {
        EXPECT_EQ(d.command.kind, DrawCommand::Kind::Fill);
        EXPECT_EQ(d.command.colour, kViewBackground);
        EXPECT_EQ(d.tick, rig.ticks - 39);
    }
    EXPECT_EQ(rig.sink.drawn[0].command.surface, Surface::ConnectPicture);
    EXPECT_EQ(rig.sink.drawn[1].command.surface, Surface::GradingView);
    EXPECT_EQ(rig.ui.memos, (std::vector<std::string>{kCameraLost}));

    ASSERT_EQ(rig.connection().connect(rig.prompter, nullptr, rig.images), CameraConnection::Result::Connected);
    rig.sink.drawn.clear();
    slideIn(rig);
    rig.still({200}, 30);
    EXPECT_EQ(rig.sink.of(DrawCommand::Kind::Frame).size(), 35u);
    EXPECT_EQ(rig.reads.size(), 1u);
    EXPECT_EQ(rig.prompter.shown().size(), 1u);
}

}  // namespace
}  // namespace tarvel
