#include "output/audio.h"

#include <espeak-ng/speak_lib.h>
#include <pcaudiolib/audio.h>

#include <algorithm>
#include <cmath>

#include "base/affinity.h"
#include "base/bytes.h"
#include "base/gbk.h"
#include "base/savefile.h"

namespace tarvel {

bool parseWave(const std::vector<uint8_t>& b, PcmSound& out) {
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
        return false;
    }
    int format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const std::string id(b.begin() + pos, b.begin() + pos + 4);
        const uint32_t size = static_cast<uint32_t>(readI32(&b[pos + 4]));
        const size_t body = pos + 8;
        const size_t available = std::min<size_t>(size, b.size() - body);
        if (id == "fmt " && available >= 16) {
            format = b[body] | b[body + 1] << 8;
            channels = b[body + 2] | b[body + 3] << 8;
            rate = static_cast<uint32_t>(readI32(&b[body + 4]));
            bits = b[body + 14] | b[body + 15] << 8;
        } else if (id == "data") {
            if (format != 1 || channels < 1 || channels > 2 || rate == 0 || (bits != 8 && bits != 16)) return false;
            out.rate = rate;
            out.channels = channels;
            out.samples.clear();
            if (bits == 16) {
                for (size_t i = 0; i + 1 < available; i += 2) {
                    out.samples.push_back(static_cast<int16_t>(b[body + i] | b[body + i + 1] << 8));
                }
            } else {
                for (size_t i = 0; i < available; ++i) out.samples.push_back(static_cast<int16_t>((b[body + i] - 128) * 256));
            }
            return true;
        }
        pos = body + size + (size & 1);  // chunks are padded to even sizes
        if (size > b.size()) break;
    }
    return false;
}

bool readWaveFile(const std::string& path, PcmSound& out) {
    // A result sound lasts a second or two; a file beyond this is no sound of ours.
    constexpr size_t kMaxWaveFileSize = 16 << 20;
    std::vector<uint8_t> bytes;
    return readWholeFile(path, bytes, kMaxWaveFileSize) == FileRead::Ok && parseWave(bytes, out);
}

AudioOutput::AudioOutput() { device_ = create_audio_device_object(nullptr, "Tarvel", "Tarvel阅卷"); }

AudioOutput::~AudioOutput() {
    if (!device_) return;
    if (open_) audio_object_close(device_);
    audio_object_destroy(device_);
}

bool AudioOutput::play(const PcmSound& sound, const std::atomic<bool>* cancelled) {
    if (!device_ || sound.samples.empty() || sound.rate == 0 || sound.channels <= 0) return false;
    if (!open_ || rate_ != sound.rate || channels_ != sound.channels) {
        if (open_) audio_object_close(device_);
        open_ = audio_object_open(device_, AUDIO_OBJECT_FORMAT_S16LE, sound.rate, uint8_t(sound.channels)) == 0;
        if (!open_) return false;
        rate_ = sound.rate;
        channels_ = sound.channels;
    }
    // Chunks of about 50 ms, so a newer sound can cut this one short.
    const size_t chunk = std::max<size_t>(size_t(sound.rate / 20) * sound.channels, 1);
    for (size_t at = 0; at < sound.samples.size(); at += chunk) {
        if (cancelled && cancelled->load()) {
            audio_object_flush(device_);
            return true;
        }
        const size_t n = std::min(chunk, sound.samples.size() - at);
        if (audio_object_write(device_, sound.samples.data() + at, n * sizeof(int16_t)) != 0) {
            audio_object_close(device_);
            open_ = false;
            return false;
        }
    }
    audio_object_drain(device_);
    return true;
}

void AudioOutput::flush() {
    if (device_ && open_) audio_object_flush(device_);
}

WavePlayer::WavePlayer() : worker_(&WavePlayer::run, this) {}

WavePlayer::~WavePlayer() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        ending_ = true;
        cancelled_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void WavePlayer::play(const std::string& path) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        pending_ = path;
        hasPending_ = true;
        cancelled_ = true;
    }
    wake_.notify_all();
}

void WavePlayer::run() {
    takeProcessAffinity();  // not the user-interface thread's single processor
    AudioOutput output;  // opened on this thread, used only here
    std::unique_lock<std::mutex> hold(lock_);
    while (true) {
        wake_.wait(hold, [this] { return hasPending_ || ending_; });
        if (ending_) return;
        const std::string path = pending_;
        hasPending_ = false;
        cancelled_ = false;
        hold.unlock();
        PcmSound sound;
        if (readWaveFile(path, sound)) output.play(sound, &cancelled_);  // a missing file is silence
        hold.lock();
    }
}

namespace {

constexpr const char* kMandarinVoice = "cmn-latn-pinyin";
constexpr int kDefaultRate = 175;  // words per minute, the engine's normal rate

int synthCallback(short* wav, int count, espeak_EVENT* events) {
    if (wav && count > 0 && events && events->user_data) {
        auto* out = static_cast<std::vector<int16_t>*>(events->user_data);
        out->insert(out->end(), wav, wav + count);
    }
    return 0;
}

// The engine keeps global state: it is set up once per process.
int engineSampleRate() {
    static const int rate = [] {
        int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
        if (r <= 0) return 0;
        espeak_SetSynthCallback(synthCallback);
        return espeak_SetVoiceByName(kMandarinVoice) == EE_OK ? r : 0;
    }();
    return rate;
}

std::mutex& engineLock() {
    static std::mutex m;
    return m;
}

}  // namespace

std::unique_ptr<EspeakSpeaker> EspeakSpeaker::create() {
    std::lock_guard<std::mutex> hold(engineLock());
    const int rate = engineSampleRate();
    if (rate <= 0) return nullptr;
    std::unique_ptr<EspeakSpeaker> speaker(new EspeakSpeaker());
    speaker->sampleRate_ = rate;
    return speaker;
}

EspeakSpeaker::~EspeakSpeaker() = default;

EspeakSpeaker::Parsed EspeakSpeaker::parseMarkup(const std::string& s) {
    Parsed p;
    size_t pos = 0;
    while (pos < s.size()) {
        if (s[pos] != '<') {
            p.text += s[pos++];
            continue;
        }
        const size_t end = s.find('>', pos);
        if (end == std::string::npos) {  // a lone "<" is text
            p.text += s.substr(pos);
            break;
        }
        const std::string tag = s.substr(pos + 1, end - pos - 1);
        auto valueOf = [&tag](const std::string& name) -> std::string {
            const size_t at = tag.find(name + "=\"");
            if (at == std::string::npos) return {};
            const size_t from = at + name.size() + 2;
            const size_t to = tag.find('"', from);
            return to == std::string::npos ? std::string() : tag.substr(from, to - from);
        };
        if (tag.rfind("lang", 0) == 0) {
            p.mandarin = valueOf("langid") == "804";
        } else if (tag.rfind("rate", 0) == 0) {
            const std::string v = valueOf("speed");
            char* tail = nullptr;
            const long steps = std::strtol(v.c_str(), &tail, 10);
            if (!v.empty() && *tail == '\0') p.rateSteps = static_cast<int>(std::clamp(steps, -10L, 10L));
        }
        pos = end + 1;
    }
    return p;
}

PcmSound EspeakSpeaker::synthesize(const std::string& markedUpText) {
    const Parsed parsed = parseMarkup(markedUpText);
    PcmSound sound;
    sound.rate = static_cast<uint32_t>(sampleRate_);
    sound.channels = 1;
    if (parsed.text.empty()) return sound;
    std::lock_guard<std::mutex> hold(engineLock());
    // Mandarin is the only voice loaded; the tag confirms it.
    espeak_SetVoiceByName(kMandarinVoice);
    // Each rate step is about ten per cent, like the desktop voices' scale.
    const int rate = static_cast<int>(std::lround(kDefaultRate * std::pow(1.1, parsed.rateSteps)));
    espeak_SetParameter(espeakRATE, std::clamp(rate, 80, 450), 0);
    espeak_Synth(parsed.text.c_str(), parsed.text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                 &sound.samples);
    espeak_Synchronize();
    return sound;
}

void EspeakSpeaker::speak(const std::string& markedUpText) { output_.play(synthesize(markedUpText)); }

void EspeakSpeaker::speakGbk(const std::string& gbkText) {
    if (auto utf8 = gbkToUtf8(gbkText)) speak(*utf8);
}

}  // namespace tarvel
