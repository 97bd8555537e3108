#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "output/audio.h"

namespace tarvel {
namespace {

std::vector<uint8_t> chunk(const char* id, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out(id, id + 4);
    const uint32_t n = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(n >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    if (n & 1) out.push_back(0);
    return out;
}

std::vector<uint8_t> fmtBody(int format, int channels, uint32_t rate, int bits) {
    std::vector<uint8_t> b(16, 0);
    b[0] = uint8_t(format);
    b[2] = uint8_t(channels);
    for (int i = 0; i < 4; ++i) b[4 + i] = uint8_t(rate >> (8 * i));
    b[14] = uint8_t(bits);
    return b;
}

std::vector<uint8_t> riff(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return chunk("RIFF", body);
}

TEST(WaveFile, ReadsPcmChunksFieldByField) {
    // A 3-byte odd chunk before "data" is padded to 4.
    const auto bytes = riff({chunk("fmt ", fmtBody(1, 1, 8000, 16)), chunk("LIST", {1, 2, 3}),
                             chunk("data", {0x01, 0x00, 0xFF, 0x7F, 0x00, 0x80})});
    PcmSound s;
    ASSERT_TRUE(parseWave(bytes, s));
    EXPECT_EQ(s.rate, 8000u);
    EXPECT_EQ(s.channels, 1);
    EXPECT_EQ(s.samples, (std::vector<int16_t>{1, 32767, -32768}));

    const auto eightBit = riff({chunk("fmt ", fmtBody(1, 2, 11025, 8)), chunk("data", {128, 255, 0, 128})});
    ASSERT_TRUE(parseWave(eightBit, s));
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.samples, (std::vector<int16_t>{0, 127 << 8, -32768, 0}));
}

TEST(WaveFile, RefusesWhatItCannotPlay) {
    PcmSound s;
    EXPECT_FALSE(parseWave({}, s));
    EXPECT_FALSE(parseWave(riff({chunk("fmt ", fmtBody(3, 1, 8000, 32)), chunk("data", {0, 0, 0, 0})}), s));
    EXPECT_FALSE(parseWave(riff({chunk("data", {0, 0})}), s));  // no format before the samples
    auto cut = riff({chunk("fmt ", fmtBody(1, 1, 8000, 16))});
    cut.resize(cut.size() - 6);
    EXPECT_FALSE(parseWave(cut, s));
    EXPECT_FALSE(readWaveFile("/nonexistent/success.wav", s));
}

// Zero crossings per second of a stretch of samples: twice its pitch.
double crossingsPerSecond(const PcmSound& s, size_t from, size_t to) {
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) crossings += (s.samples[i - 1] < 0) != (s.samples[i] < 0);
    return crossings * double(s.rate) / double(to - from);
}

TEST(PromptSounds, GeneratedFilesAreTheThreeDistinctSounds) {
    const std::string folder = TARVEL_PROGRAM_DIR "/wave/";
    PcmSound success, warning, wrong;
    ASSERT_TRUE(readWaveFile(folder + "success.wav", success));
    ASSERT_TRUE(readWaveFile(folder + "warning.wav", warning));
    ASSERT_TRUE(readWaveFile(folder + "wrong.wav", wrong));

    // Success: the second note is higher than the first.
    const size_t n = success.samples.size();
    EXPECT_GT(crossingsPerSecond(success, n * 3 / 4, n), crossingsPerSecond(success, 0, n / 4) * 1.2);
    // Warning: two beeps of one pitch with silence between.
    const size_t w = warning.samples.size();
    size_t silent = 0;
    for (size_t i = w * 2 / 5; i < w * 3 / 5; ++i) silent += warning.samples[i] == 0;
    EXPECT_GT(silent, 0u);
    EXPECT_NEAR(crossingsPerSecond(warning, 0, w / 3), crossingsPerSecond(warning, w * 2 / 3, w), 60);
    // Wrong: a low buzz, well below the other two.
    EXPECT_LT(crossingsPerSecond(wrong, 0, wrong.samples.size()), 400);
    EXPECT_GT(crossingsPerSecond(warning, 0, w / 3), 1000);
}

TEST(SpeechMarkup, TheTwoTagsAreUnderstoodAndRemoved) {
    auto p = EspeakSpeaker::parseMarkup("<lang langid=\"804\"><rate speed=\"1\">张三92点5分</rate></lang>");
    EXPECT_EQ(p.text, "张三92点5分");
    EXPECT_TRUE(p.mandarin);
    EXPECT_EQ(p.rateSteps, 1);
    p = EspeakSpeaker::parseMarkup("a<b<rate speed=\"x\">c");
    EXPECT_EQ(p.text, "ac");  // an unknown tag is dropped, a bad speed ignored
    EXPECT_EQ(p.rateSteps, 0);
    EXPECT_EQ(EspeakSpeaker::parseMarkup("1 < 2").text, "1 < 2");
}

TEST(SpeechEngine, MandarinVoiceSpeaksFasterOneStepUp) {
    auto speaker = EspeakSpeaker::create();
    ASSERT_NE(speaker, nullptr) << "espeak-ng with the cmn-latn-pinyin voice is installed with the build dependencies";
    const PcmSound normal = speaker->synthesize("<lang langid=\"804\">学生名单中没有此学生</lang>");
    const PcmSound faster = speaker->synthesize("<lang langid=\"804\"><rate speed=\"1\">学生名单中没有此学生</rate></lang>");
    ASSERT_GT(normal.rate, 0u);
    EXPECT_GT(normal.samples.size(), normal.rate);  // ten syllables take more than a second
    EXPECT_LT(faster.samples.size(), normal.samples.size());
    EXPECT_TRUE(speaker->synthesize("<rate speed=\"1\"></rate>").samples.empty());
}

TEST(SoundOutput, MissingFilesAndMissingDevicesAreSilent) {
    WavePlayer player;
    player.play("/nonexistent/wave/success.wav");
    player.play(TARVEL_PROGRAM_DIR "/wave/warning.wav");
    player.play(TARVEL_PROGRAM_DIR "/wave/success.wav");  // replaces the one playing
    // Leaving the scope stops playback; nothing may hang or throw.
}

}  // namespace
}  // namespace tarvel
