#include <benchmark/benchmark.h>

#include <random>

#include "recognition/pixelops.h"
#include "recognition/reading.h"
#include "tests/samplecard/samplecard.h"

using namespace tarvel;

namespace {

Bitmap noisyFrame(unsigned start) {
    Bitmap frame(kFrameWidth, kFrameHeight, 3);
    std::mt19937 random(start);
    for (size_t i = 0; i < frame.byteSize(); ++i) frame.data()[i] = static_cast<uint8_t>(random());
    return frame;
}

void BM_BinarizeFixed(benchmark::State& state) {
    Bitmap source = noisyFrame(1);
    Bitmap frame = source.clone();
    for (auto _ : state) {
        state.PauseTiming();
        frame.copyFrom(source);
        state.ResumeTiming();
        BinarizeFixed(frame, 100);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_BinarizeFixed)->Unit(benchmark::kMillisecond);

void BM_MotionMeasure(benchmark::State& state) {
    Bitmap a = noisyFrame(1);
    Bitmap b = noisyFrame(2);
    BinarizeFixed(a, 100);
    BinarizeFixed(b, 100);
    for (auto _ : state) benchmark::DoNotOptimize(MotionMeasure(a, b));
}
BENCHMARK(BM_MotionMeasure)->Unit(benchmark::kMillisecond);

void BM_ReadCard(benchmark::State& state) {
    using namespace tarvel::sample;
    SampleCard card(sampleLayout(0));
    CardCells cells;
    computeCells(card.layout, card.place, 0, cells);
    for (int i = 0; i < 9; ++i) card.markDigit(cells.admission, i, (i * 7) % 10);
    card.markDigit(cells.subject, 0, 0);
    card.markDigit(cells.subject, 1, 3);
    for (int i = 0; i < 3; ++i) card.markDigit(cells.score, i, i + 4);
    for (int q = 0; q < 85; ++q) card.markAnswer(q, std::string(1, static_cast<char>('A' + q % 4)));
    card.markPaperFlag(false);
    Bitmap normalized = card.normalized.clone();
    Bitmap confirmation = card.confirmation.clone();
    std::array<bool, kMaxQuestions> multiple{};
    for (int q = 60; q < 85; ++q) multiple[q] = true;
    ScriptedPrompter prompter;

    for (auto _ : state) {
        state.PauseTiming();
        normalized.copyFrom(card.normalized);
        confirmation.copyFrom(card.confirmation);
        state.ResumeTiming();
        MarkReader reader(card.layout, CardFamily::DY, card.place, normalized, confirmation, prompter);
        CardReading r;
        reader.PrepareCardGeometry(r);
        reader.BinarizeReadingAreas();
        reader.ReadAdmissionNumber(r, 9);
        reader.ReadSubjectCode(r);
        reader.ReadSubjectiveScore(r);
        reader.ReadAnswers(r, 85, multiple);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ReadCard)->Unit(benchmark::kMillisecond);

}  // namespace
