// One frame-loop tick's pixel work per camera format: conversion into the
// frame bitmap, the colour copy, binarization at 100, the binary copy, the
// motion measure and the previous-frame copy.
#include <benchmark/benchmark.h>

#include "capture/frameencode.h"
#include "capture/frameloop.h"
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
        BinarizeFixed(images.frame, kFrameThreshold);
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
