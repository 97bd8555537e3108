#pragma once
// The voice prompts of a card read: a wave sound chosen by the outcome and,
// when "语音提示" is on, the prompt spoken half a second later.
#include <functional>
#include <memory>
#include <string>

#include "base/prompter.h"
#include "output/clock.h"
#include "recognition/readresult.h"

namespace tarvel {

inline constexpr const char* kSpeechOpen = "<lang langid=\"804\"><rate speed=\"1\">";
inline constexpr const char* kSpeechClose = "</rate></lang>";
inline constexpr const char* kMoveCardSuffix = "，请移动答题卡。";
inline constexpr const char* kSuccessWave = "wave/success.wav";
inline constexpr const char* kWarningWave = "wave/warning.wav";
inline constexpr const char* kWrongWave = "wave/wrong.wav";
// UTF-16 units of the speech buffer, terminator included.
inline constexpr int kSpeechBufferUnits = 100;
inline constexpr int kSpeechPauseMs = 500;
extern const char* const kSpeechOptionNotice;

// The wave file (relative to the program folder) for the result of a read.
std::string waveFor(ReadResult result);

// What is spoken for a prompt: decimal numbers said the Chinese way
// ("92.5分" -> "92点5分"), the prompt cut so that markup and prompt fit the
// speech buffer (never inside a character), wrapped in the markup.
std::string speechTextFor(const std::string& prompt);

// The texts a read leaves: for a location failure `promptText` becomes its
// short text and `memo` the same, with "，请移动答题卡。" where moving the card
// helps; Ok and Refused keep what the judgement left.
void setReadingTexts(ReadResult result, std::string& promptText, std::string& memo);

// Plays a wave file asynchronously; a missing file is silence.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const std::string& path) = 0;
};

// Speaks marked-up UTF-8 text and returns when it has been spoken.
class Speaker {
public:
    virtual ~Speaker() = default;
    virtual void speak(const std::string& markedUpText) = 0;
};

class SpeechThread;

class Announcer {
public:
    using VoiceFactory = std::function<std::unique_ptr<Speaker>()>;
    using MemoDisplay = std::function<void(const std::string&)>;

    Announcer(SoundPlayer& sounds, Clock& clock, VoiceFactory makeVoice);

    // "语音提示" ticked or cleared. Ticking shows the engine notice and makes
    // a new voice (which may fail silently: then nothing is spoken).
    void CBYuYinClick(bool checked, Prompter& prompter);
    bool speechOn() const { return speechOn_; }
    bool hasVoice() const { return voice_ != nullptr; }

    // Pause and speech go to `thread` instead of blocking the caller (the
    // window's thread); null speaks on the caller's thread.
    void speakOn(SpeechThread* thread) { thread_ = thread; }

    // The closing steps of a card read. Location failures set `promptText`
    // and `memo` from the result's text; Ok and Refused keep what the
    // judgement left. The memo is shown, the sound started, then, with speech
    // on, a 500 ms pause and the prompt spoken. True when the pause and the
    // speech go on on the speech thread, which reports their end.
    bool AnnounceReading(ReadResult result, std::string& promptText, std::string& memo, const MemoDisplay& showMemo);

private:
    SoundPlayer& sounds_;
    Clock& clock_;
    VoiceFactory makeVoice_;
    bool speechOn_ = false;
    std::shared_ptr<Speaker> voice_;  // shared with the speech thread while it speaks
    SpeechThread* thread_ = nullptr;
};

}  // namespace tarvel
