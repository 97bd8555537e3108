// Writes the three prompt sounds of the grading station as 16-bit mono wave
// files: success (two rising notes), warning (two equal beeps), wrong (a low
// buzz). Usage: tarvel-wavegen <output folder>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

using Samples = std::vector<int16_t>;

// A tone with 10 ms fades so it starts and stops without a click.
void tone(Samples& out, double hertz, double seconds, double level, bool square = false) {
    const int n = static_cast<int>(seconds * kRate);
    const int fade = kRate / 100;
    for (int i = 0; i < n; ++i) {
        double v = std::sin(2 * kPi * hertz * i / kRate);
        if (square) v = v >= 0 ? 0.6 : -0.6;
        const double envelope = std::min({1.0, double(i) / fade, double(n - 1 - i) / fade});
        out.push_back(static_cast<int16_t>(v * envelope * level * 32767));
    }
}

void silence(Samples& out, double seconds) { out.insert(out.end(), static_cast<size_t>(seconds * kRate), 0); }

void put32(std::ofstream& f, uint32_t v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    f.write(b, 4);
}
void put16(std::ofstream& f, uint16_t v) {
    const char b[2] = {char(v), char(v >> 8)};
    f.write(b, 2);
}

bool writeWave(const std::string& path, const Samples& s) {
    std::ofstream f(path, std::ios::binary);
    const uint32_t dataBytes = static_cast<uint32_t>(s.size() * 2);
    f.write("RIFF", 4);
    put32(f, 36 + dataBytes);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, 1);  // PCM
    put16(f, 1);  // mono
    put32(f, kRate);
    put32(f, kRate * 2);
    put16(f, 2);
    put16(f, 16);
    f.write("data", 4);
    put32(f, dataBytes);
    for (int16_t v : s) put16(f, static_cast<uint16_t>(v));
    return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    Samples success, warning, wrong;
    tone(success, 659.25, 0.12, 0.5);  // E5, then A5
    tone(success, 880.0, 0.22, 0.5);
    tone(warning, 740.0, 0.12, 0.5);
    silence(warning, 0.08);
    tone(warning, 740.0, 0.12, 0.5);
    tone(wrong, 150.0, 0.45, 0.5, true);
    const bool ok = writeWave(folder + "success.wav", success) && writeWave(folder + "warning.wav", warning) &&
                    writeWave(folder + "wrong.wav", wrong);
    if (!ok) std::fprintf(stderr, "cannot write the wave files into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
