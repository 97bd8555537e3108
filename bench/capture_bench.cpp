// The frame loop per camera format. BM_TickPixels: one tick's pixel work on a
// synthetic scene (conversion into the frame bitmap, the colour copy,
// binarization at 100, the binary copy, the motion measure and the
// previous-frame copy). With the demo cards built: BM_Tick, a whole tick on a
// camera frame of a card, and BM_StillTickToSound, the tick that reads it.
#include <benchmark/benchmark.h>

#include "capture/frameencode.h"
#include "capture/frameloop.h"
#include "capture/virtualcamera.h"
#include "recognition/cardread.h"
#include "recognition/pixelops.h"

namespace tarvel {
namespace {

// A card-like scene: light paper with a gray gradient, dark lines and marks.
Bitmap benchScene() {
    Bitmap b(kFrameWidth, kFrameHeight, 3);
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            uint8_t v = uint8_t(200 + (x + y) % 50);
            if ((y > 60 && y < 66) || (y > 400 && y < 406) || ((x / 20 + y / 20) % 9 == 0)) v = 30;
            b.setPixel(x, y, v, uint8_t(v - 5), uint8_t(v - 10));
        }
    }
    return b;
}

void BM_TickPixels(benchmark::State& state, FrameFormat format) {
    const Bitmap scene = benchScene();
    Sample sample;
    sample.bytes = encodeFrame(scene, format);
    sample.width = kFrameWidth;
    sample.height = kFrameHeight;
    sample.number = 1;
    ImageSet images;
    images.create(frameBytesPerPixel(format));
    FrameConverter converter;
    for (auto _ : state) {
        if (!converter.convert(format, sample, images.frame)) state.SkipWithError("conversion failed");
        PrepareFrameImages(images);
        benchmark::DoNotOptimize(MotionMeasure(images.previous, images.frame));
        images.previous.copyFrom(images.frame);
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(BM_TickPixels, YUY2, FrameFormat::Yuy2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TickPixels, I420, FrameFormat::I420)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TickPixels, MJPG, FrameFormat::Mjpg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TickPixels, RGB, FrameFormat::Rgb24)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel

#ifdef TARVEL_DEMO_EXAM
#include "demostation.h"

namespace tarvel::demo {
namespace {

// The demo station with the real card read, after the standard answer and
// the first student's card have been read; the student's card lies still.
std::unique_ptr<DemoStation> stationWithStillCard(benchmark::State& state, FrameFormat format) {
    auto scene = stillCardsScene(TARVEL_PROGRAM_DIR "/演示答题卡");
    if (!scene) {
        state.SkipWithError("no demo sequence");
        return nullptr;
    }
    auto station = std::make_unique<DemoStation>(TARVEL_PROGRAM_DIR, TARVEL_DEMO_EXAM, std::move(scene), format);
    if (!station->problem().empty()) {
        state.SkipWithError(station->problem().c_str());
        return nullptr;
    }
    for (int i = 0; i < 60; ++i) station->tick();
    if (station->announced().size() != 2 || station->announced()[1].code != ReadResult::Ok) {
        state.SkipWithError("the demo cards were not read");
        return nullptr;
    }
    return station;
}

// A whole tick of the frame loop on a camera frame of a card lying still (the
// card already read): conversion, display, copies, binarization and the watch.
// Delivering the frame (the camera's work) is not timed.
void BM_Tick(benchmark::State& state, FrameFormat format) {
    auto station = stationWithStillCard(state, format);
    if (!station) return;
    for (auto _ : state) {
        state.PauseTiming();
        station->camera().deliverNext();
        station->clock().advance(kTickMs);
        state.ResumeTiming();
        station->loop().Timer1Timer();
    }
    if (station->announced().size() != 2) state.SkipWithError("a still card was read twice");
}

BENCHMARK_CAPTURE(BM_Tick, YUY2, FrameFormat::Yuy2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tick, I420, FrameFormat::I420)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tick, MJPG, FrameFormat::Mjpg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tick, RGB, FrameFormat::Rgb24)->Unit(benchmark::kMillisecond);

// The tick that finds the card still for more than 2000 ms, from its start to
// the start of the success sound, with the real card read (location, mark
// reading, judgement of a repeated read). From the first still frame the
// sound starts 2200 ms plus this time later: the tick after the first still
// frame still counts as moving (the motion measure drops from the sliding
// value to the noise level, more than the tolerance), and the first tick more
// than 2000 ms after that one comes 2100 ms after it.
void BM_StillTickToSound(benchmark::State& state, FrameFormat format) {
    auto station = stationWithStillCard(state, format);
    if (!station) return;
    for (auto _ : state) {
        state.PauseTiming();
        station->loop().BtnAutoAnswerCardClick();  // off and on: the card may be read again
        station->loop().BtnAutoAnswerCardClick();
        station->clock().advance(2 * kStillMs);
        station->camera().deliverNext();
        const size_t before = station->announced().size();
        state.ResumeTiming();
        station->loop().Timer1Timer();
        state.PauseTiming();
        if (station->announced().size() != before + 1 || station->announced().back().code != ReadResult::Ok) {
            state.SkipWithError("the still card was not read");
            break;
        }
        state.ResumeTiming();
    }
}

BENCHMARK_CAPTURE(BM_StillTickToSound, YUY2, FrameFormat::Yuy2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StillTickToSound, MJPG, FrameFormat::Mjpg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel::demo
#endif
