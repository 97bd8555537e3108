// One frame-loop tick's pixel work per camera format: conversion into the
// frame bitmap, the colour copy, binarization at 100, the binary copy, the
// motion measure and the previous-frame copy.
#include <benchmark/benchmark.h>

#include "capture/frameencode.h"
#include "capture/frameloop.h"
#include "capture/virtualcamera.h"
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

void BM_Tick(benchmark::State& state, FrameFormat format) {
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
        images.color.copyFrom(images.frame);
        BinarizeFixed(images.frame, FrameLoop::kTickThreshold);
        images.binary.copyFrom(images.frame);
        benchmark::DoNotOptimize(MotionMeasure(images.previous, images.frame));
        images.previous.copyFrom(images.frame);
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(BM_Tick, YUY2, FrameFormat::Yuy2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tick, I420, FrameFormat::I420)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tick, MJPG, FrameFormat::Mjpg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tick, RGB, FrameFormat::Rgb24)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel

namespace tarvel {
namespace {

struct NullSink : DrawingSink {
    void draw(const DrawCommand&, const Bitmap*) override {}
};
struct CountingSounds : SoundPlayer {
    long played = 0;
    void play(const std::string&) override { ++played; }
};
struct TwoScenes : FrameSequence {
    std::shared_ptr<const Bitmap> scenes[2];
    size_t next = 0;
    size_t size() const override { return 1; }
    bool picture(size_t, Bitmap& out) override {
        out.copyFrom(*scenes[next++ % 2]);
        return true;
    }
};

// The tick that finds the card still for more than 2000 ms, from its start to
// the start of the success sound, with a card read that takes no time (the
// location and judgement have their own benchmarks). The end-to-end latency
// adds at most one tick period of waiting and the read itself.
void BM_StillTickToSound(benchmark::State& state, FrameFormat format) {
    auto scenes = std::make_unique<TwoScenes>();
    for (int i = 0; i < 2; ++i) {
        auto b = std::make_shared<Bitmap>(benchScene());
        for (int y = 20; y < 42 && i == 1; ++y)
            for (int x = 578; x < 600; ++x) b->setPixel(x, y, 0, 0, 0);
        scenes->scenes[i] = b;
    }
    VirtualCamera* camera = nullptr;
    std::unique_ptr<TwoScenes> pending = std::move(scenes);
    CameraConnection connection([&] {
        auto cam = std::make_unique<VirtualCamera>("bench", std::move(pending), format, 0);
        camera = cam.get();
        CameraList list;
        list.push_back(std::move(cam));
        return list;
    });
    ImageSet images;
    ManualClock clock;
    NullSink sink;
    ScriptedPrompter prompter;
    CountingSounds sounds;
    Announcer announcer(sounds, clock, [] { return std::unique_ptr<Speaker>(); });
    FrameLoopUi ui;
    FrameLoop loop({connection, images, clock, sink, prompter, announcer, ui},
                   [](ImageSet&, std::string& prompt, std::string&) {
                       prompt = "张三92.5分";
                       return 0;
                   },
                   [] { return GradingChoice{}; });
    connection.connect(prompter, nullptr, images);
    loop.setTimerEnabled(true);
    loop.setViewSize(640, 480);
    loop.setPage(FrameLoop::Page::Grading);
    loop.BtnAutoAnswerCardClick();
    for (int i = 0; i < 40; ++i) {  // settle: the first read happens here
        camera->deliverNext();
        clock.advance(kTickMs);
        loop.Timer1Timer();
    }
    for (auto _ : state) {
        state.PauseTiming();
        loop.BtnAutoAnswerCardClick();  // off and on: the card may be read again
        loop.BtnAutoAnswerCardClick();
        clock.advance(2 * kStillMs);
        camera->deliverNext();
        const long before = sounds.played;
        state.ResumeTiming();
        loop.Timer1Timer();
        if (sounds.played != before + 1) state.SkipWithError("no read");
    }
}

BENCHMARK_CAPTURE(BM_StillTickToSound, YUY2, FrameFormat::Yuy2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StillTickToSound, MJPG, FrameFormat::Mjpg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel
