#include "output/voiceprompts.h"

#include "base/paths.h"
#include "output/speechthread.h"

namespace tarvel {

const char* const kSpeechOptionNotice =
    "语音提示需要语音引擎支持。选中此选项后如果发现没有语音或只能报数字和英文,不能报中文姓名,"
    "请到软件安装目录的语音引擎文件夹(可以通过菜单 文件-浏览 语音引擎 文件夹 打开)下安装语音引擎。"
    "如仍有问题，请联系为您安装本软件的技术支持人员。";

namespace {

// Length in bytes of the UTF-8 sequence that starts with `lead`.
size_t utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;  // stray byte: counted alone
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Replaces the point of "92.5" by "点": the engine would read it as "92 5".
std::string sayDecimals(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' && i > 0 && i + 1 < text.size() && isDigit(text[i - 1]) && isDigit(text[i + 1])) {
            out += "点";
        } else {
            out += text[i];
        }
    }
    return out;
}

// The longest prefix of whole characters that takes at most `units` UTF-16 units.
std::string cutToUnits(const std::string& text, int units) {
    size_t pos = 0;
    int used = 0;
    while (pos < text.size()) {
        const size_t len = utf8Length(static_cast<unsigned char>(text[pos]));
        const int need = len == 4 ? 2 : 1;  // outside the BMP: a surrogate pair
        if (used + need > units || pos + len > text.size()) break;
        used += need;
        pos += len;
    }
    return text.substr(0, pos);
}

int unitsOf(const std::string& text) {
    int units = 0;
    for (size_t pos = 0; pos < text.size();) {
        const size_t len = utf8Length(static_cast<unsigned char>(text[pos]));
        units += len == 4 ? 2 : 1;
        pos += len;
    }
    return units;
}

}  // namespace

std::string waveFor(ReadResult result) {
    if (result == ReadResult::Ok) return kSuccessWave;
    if (result == ReadResult::Refused) return kWarningWave;
    return kWrongWave;
}

std::string speechTextFor(const std::string& prompt) {
    const std::string open = kSpeechOpen;
    const std::string close = kSpeechClose;
    const int room = kSpeechBufferUnits - 1 - unitsOf(open) - unitsOf(close);
    return open + cutToUnits(sayDecimals(prompt), room) + close;
}

Announcer::Announcer(SoundPlayer& sounds, Clock& clock, VoiceFactory makeVoice)
    : sounds_(sounds), clock_(clock), makeVoice_(std::move(makeVoice)) {}

void Announcer::CBYuYinClick(bool checked, Prompter& prompter) {
    if (checked) {
        prompter.message(kSpeechOptionNotice);
        speechOn_ = true;
        voice_.reset();
        voice_ = makeVoice_ ? makeVoice_() : nullptr;
    } else {
        speechOn_ = false;
        voice_.reset();
    }
}

void setReadingTexts(ReadResult result, std::string& promptText, std::string& memo) {
    if (result == ReadResult::Ok || result == ReadResult::Refused) return;
    promptText = readResultText(result);
    memo = asksToMoveCard(result) ? promptText + kMoveCardSuffix : promptText;
}

bool Announcer::AnnounceReading(ReadResult result, std::string& promptText, std::string& memo,
                                const MemoDisplay& showMemo) {
    setReadingTexts(result, promptText, memo);
    if (showMemo) showMemo(memo);
    sounds_.play(installedPath(waveFor(result)));
    if (!speechOn_) return false;
    if (thread_) {
        thread_->start(voice_, speechTextFor(promptText), kSpeechPauseMs);
        return true;
    }
    clock_.sleepMs(kSpeechPauseMs);
    if (voice_) voice_->speak(speechTextFor(promptText));
    return false;
}

}  // namespace tarvel
