#pragma once
// Sound output through pcaudiolib (PulseAudio/PipeWire or ALSA), wave files
// and speech. Without an audio device nothing is heard and nothing fails.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "output/voiceprompts.h"

struct audio_object;

namespace tarvel {

// 16-bit PCM samples with their rate and channel count.
struct PcmSound {
    uint32_t rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved
};

// Reads a RIFF/WAVE file of 8- or 16-bit PCM. False for anything else.
bool parseWave(const std::vector<uint8_t>& bytes, PcmSound& out);
bool readWaveFile(const std::string& path, PcmSound& out);

// One output stream of the sound system.
class AudioOutput {
public:
    AudioOutput();
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Plays and waits until the samples have been handed to the device (or
    // `cancelled` turns true between chunks). False when no device took them.
    bool play(const PcmSound& sound, const std::atomic<bool>* cancelled = nullptr);
    void flush();

private:
    audio_object* device_ = nullptr;
    bool open_ = false;
    uint32_t rate_ = 0;
    int channels_ = 0;
};

// Wave files played on a thread of their own; a new sound replaces the one
// still playing, as the system's sound player does.
class WavePlayer : public SoundPlayer {
public:
    WavePlayer();
    ~WavePlayer() override;
    void play(const std::string& path) override;

private:
    void run();

    std::mutex lock_;
    std::condition_variable wake_;
    std::string pending_;
    bool hasPending_ = false;
    std::atomic<bool> cancelled_{false};  // checked between chunks of the sound playing
    bool ending_ = false;
    std::thread worker_;
};

// The Mandarin voice of espeak-ng ("cmn-latn-pinyin"), played through its own
// AudioOutput. Understands the two tags the program sends: <lang langid="804">
// picks the Mandarin voice, <rate speed="n"> speaks n steps faster.
class EspeakSpeaker : public Speaker {
public:
    // Null when the engine or the voice cannot be loaded.
    static std::unique_ptr<EspeakSpeaker> create();
    ~EspeakSpeaker() override;
    void speak(const std::string& markedUpText) override;
    // Same for GBK bytes (the form of text in the record files).
    void speakGbk(const std::string& gbkText);

    // The text without tags and the rate step the tags asked for.
    struct Parsed {
        std::string text;
        int rateSteps = 0;
        bool mandarin = false;
    };
    static Parsed parseMarkup(const std::string& markedUpText);
    // Synthesizes without playing (for tests): the samples of one utterance.
    PcmSound synthesize(const std::string& markedUpText);

private:
    EspeakSpeaker() = default;
    AudioOutput output_;
    int sampleRate_ = 22050;
};

}  // namespace tarvel
