#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "base/paths.h"
#include "output/speechthread.h"
#include "output/voiceprompts.h"

namespace tarvel {
namespace {

int utf16Units(const std::string& s) {
    int units = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) != 0x80) units += 1;  // a lead byte starts a character
        if ((c & 0xF8) == 0xF0) units += 1;  // outside the BMP: two units
    }
    return units;
}

TEST(VoicePromptTexts, WaveOfEachResult) {
    EXPECT_EQ(waveFor(ReadResult::Ok), "wave/success.wav");
    EXPECT_EQ(waveFor(ReadResult::Refused), "wave/warning.wav");
    EXPECT_EQ(waveFor(ReadResult::LowerLeftCornerOut), "wave/wrong.wav");
}

TEST(SpokenText, MarkupWrapsThePromptAndDecimalsAreSaidInChinese) {
    EXPECT_EQ(utf16Units(kSpeechOpen), 35);
    EXPECT_EQ(utf16Units(kSpeechClose), 14);
    EXPECT_EQ(speechTextFor("张三92.5分"), std::string(kSpeechOpen) + "张三92点5分" + kSpeechClose);
    // Only a point between digits is a decimal point.
    EXPECT_EQ(speechTextFor("第3题.5分.0"), std::string(kSpeechOpen) + "第3题.5分.0" + kSpeechClose);
    EXPECT_EQ(speechTextFor("100.25"), std::string(kSpeechOpen) + "100点25" + kSpeechClose);
}

TEST(SpokenText, FitsTheHundredUnitBufferWithoutSplittingACharacter) {
    std::string longPrompt;
    for (int i = 0; i < 80; ++i) longPrompt += "学";
    std::string spoken = speechTextFor(longPrompt);
    EXPECT_EQ(utf16Units(spoken), kSpeechBufferUnits - 1);
    EXPECT_EQ(spoken, std::string(kSpeechOpen) + longPrompt.substr(0, 50 * 3) + kSpeechClose);

    // 49 units of text, then a character that takes two: it does not fit whole.
    std::string edge;
    for (int i = 0; i < 49; ++i) edge += "a";
    edge += "\xF0\xA0\x80\x80";  // U+20000
    spoken = speechTextFor(edge);
    EXPECT_EQ(spoken, std::string(kSpeechOpen) + std::string(49, 'a') + kSpeechClose);
    EXPECT_EQ(speechTextFor(std::string(50, 'b')), std::string(kSpeechOpen) + std::string(50, 'b') + kSpeechClose);
}

struct FakeSounds : SoundPlayer {
    std::vector<std::string> played;
    void play(const std::string& path) override { played.push_back(path); }
};

struct FakeVoice : Speaker {
    std::vector<std::string>* spoken;
    int* alive;
    FakeVoice(std::vector<std::string>* s, int* a) : spoken(s), alive(a) { ++*alive; }
    ~FakeVoice() override { --*alive; }
    void speak(const std::string& text) override { spoken->push_back(text); }
};

class AnnouncerTest : public ::testing::Test {
protected:
    void SetUp() override { setProgramFolder("/opt/tarvel/"); }
    void TearDown() override { setProgramFolder(""); }

    ManualClock clock;
    FakeSounds sounds;
    std::vector<std::string> spoken;
    int alive = 0;
    int made = 0;
    bool voiceAvailable = true;
    Announcer announcer{sounds, clock, [this]() -> std::unique_ptr<Speaker> {
                            ++made;
                            if (!voiceAvailable) return nullptr;
                            return std::make_unique<FakeVoice>(&spoken, &alive);
                        }};
    ScriptedPrompter prompter;
};

TEST_F(AnnouncerTest, SpeechOffPlaysTheSoundWithoutPause) {
    std::string prompt, memo;
    std::vector<std::string> shown;
    announcer.AnnounceReading(ReadResult::LowerRightOut, prompt, memo, [&](const std::string& m) {
        shown.push_back(m);
        EXPECT_TRUE(sounds.played.empty());  // the memo is shown before the sound starts
    });
    EXPECT_EQ(prompt, "下边检测线右边越界");
    EXPECT_EQ(memo, "下边检测线右边越界，请移动答题卡。");
    EXPECT_EQ(shown, (std::vector<std::string>{memo}));
    EXPECT_EQ(sounds.played, (std::vector<std::string>{"/opt/tarvel/wave/wrong.wav"}));
    EXPECT_TRUE(clock.pauses().empty());
    EXPECT_TRUE(spoken.empty());
}

TEST_F(AnnouncerTest, SpeechOnPausesThenSpeaksOnlyThePrompt) {
    announcer.CBYuYinClick(true, prompter);
    ASSERT_EQ(prompter.texts(), (std::vector<std::string>{kSpeechOptionNotice}));
    std::string prompt, memo;
    announcer.AnnounceReading(ReadResult::TooMuchBlack, prompt, memo, nullptr);
    EXPECT_EQ(memo, "黑点过多，请检查是否已垫白纸");
    EXPECT_EQ(clock.pauses(), (std::vector<int>{500}));
    EXPECT_EQ(spoken, (std::vector<std::string>{std::string(kSpeechOpen) + "黑点过多，请检查是否已垫白纸" + kSpeechClose}));

    // Accepted and refused cards keep what the judgement wrote.
    prompt = "王五88.5分";
    memo = "王五 总分 88.5";
    announcer.AnnounceReading(ReadResult::Ok, prompt, memo, nullptr);
    EXPECT_EQ(memo, "王五 总分 88.5");
    EXPECT_EQ(spoken.back(), std::string(kSpeechOpen) + "王五88点5分" + kSpeechClose);
    prompt = "学生名单中没有此学生";
    announcer.AnnounceReading(ReadResult::Refused, prompt, memo, nullptr);
    EXPECT_EQ(sounds.played.back(), "/opt/tarvel/wave/warning.wav");
    EXPECT_EQ(spoken.back(), std::string(kSpeechOpen) + "学生名单中没有此学生" + kSpeechClose);
}

TEST_F(AnnouncerTest, EachSwitchOnMakesANewVoiceAndSwitchOffReleasesIt) {
    announcer.CBYuYinClick(false, prompter);  // no voice yet: nothing happens
    EXPECT_EQ(made, 0);
    announcer.CBYuYinClick(true, prompter);
    announcer.CBYuYinClick(true, prompter);
    EXPECT_EQ(made, 2);
    EXPECT_EQ(alive, 1);
    announcer.CBYuYinClick(false, prompter);
    EXPECT_EQ(alive, 0);
    EXPECT_FALSE(announcer.speechOn());

    // A voice that could not be made is never called; the pause stays.
    voiceAvailable = false;
    announcer.CBYuYinClick(true, prompter);
    EXPECT_TRUE(announcer.speechOn());
    EXPECT_FALSE(announcer.hasVoice());
    std::string prompt, memo;
    announcer.AnnounceReading(ReadResult::TooFewLines, prompt, memo, nullptr);
    EXPECT_EQ(clock.pauses(), (std::vector<int>{500}));
    EXPECT_TRUE(spoken.empty());
}

// What happened on the speech thread, in order.
struct SpeechLog {
    std::mutex lock;
    std::vector<std::string> events;
    void add(std::string e) {
        std::lock_guard<std::mutex> hold(lock);
        events.push_back(std::move(e));
    }
};

// A voice that speaks until released; it logs its words and the pauses seen before them.
struct GatedVoice : Speaker {
    SpeechLog& log;
    ManualClock& clock;
    std::atomic<bool>& open;
    int* alive;
    GatedVoice(SpeechLog& l, ManualClock& c, std::atomic<bool>& o, int* a) : log(l), clock(c), open(o), alive(a) {
        ++*alive;
    }
    ~GatedVoice() override { --*alive; }
    void speak(const std::string& text) override {
        while (!open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        log.add("after " + std::to_string(clock.pauses().size()) + " pauses: " + text);
    }
};

TEST(SpeechThreadTest, PausesSpeaksAndReportsEachAnnouncementInTurn) {
    ManualClock clock;
    SpeechLog log;
    std::atomic<bool> open{true};
    int alive = 0;
    {
        SpeechThread thread(clock, [&] { log.add("spoken"); });
        auto voice = std::make_shared<GatedVoice>(log, clock, open, &alive);
        thread.start(voice, "一", 500);
        thread.start(voice, "二", 500);
        thread.start(nullptr, "", 500);  // no voice: only the pause
        thread.wait();
        EXPECT_FALSE(thread.busy());
        // Started and not yet spoken when the thread ends: still spoken.
        open = false;
        thread.start(voice, "三", 500);
        voice.reset();
        std::thread opener([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            open = true;
        });
        EXPECT_TRUE(thread.busy());
        opener.join();
    }
    EXPECT_EQ(log.events, (std::vector<std::string>{"after 1 pauses: 一", "spoken", "after 2 pauses: 二", "spoken",
                                                    "spoken", "after 4 pauses: 三", "spoken"}));
    EXPECT_EQ(clock.pauses(), (std::vector<int>{500, 500, 500, 500}));
    EXPECT_EQ(alive, 0);
}

TEST_F(AnnouncerTest, OnASpeechThreadTheReadReturnsAtOnceAndTheVoiceOutlivesSwitchingOff) {
    SpeechLog log;
    std::atomic<bool> open{false};
    SpeechThread thread(clock, [&] { log.add("spoken"); });
    Announcer gated{sounds, clock, [&]() -> std::unique_ptr<Speaker> {
                        return std::make_unique<GatedVoice>(log, clock, open, &alive);
                    }};
    gated.speakOn(&thread);
    std::string prompt, memo;
    EXPECT_FALSE(gated.AnnounceReading(ReadResult::UpsideDown, prompt, memo, nullptr));  // speech off
    gated.CBYuYinClick(true, prompter);
    EXPECT_TRUE(gated.AnnounceReading(ReadResult::UpsideDown, prompt, memo, nullptr));
    EXPECT_EQ(sounds.played.size(), 2u);  // the sound is started before the caller gets back
    // Switched off while the voice still talks: it finishes, then goes.
    gated.CBYuYinClick(false, prompter);
    EXPECT_EQ(alive, 1);
    open = true;
    thread.wait();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(log.events, (std::vector<std::string>{"after 1 pauses: " + speechTextFor("图像倒立"), "spoken"}));
}

}  // namespace
}  // namespace tarvel
