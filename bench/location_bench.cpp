// Card location and the whole read of an 85-question card over synthetic
// 640 x 480 frames, and the location's steps one by one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>

#include "recognition/cardread.h"
#include "recognition/imagefile.h"
#include "recognition/locationsteps.h"
#include "recognition/pixelops.h"
#include "synthetic.h"

using namespace tarvel;

namespace {

// Cards with random marks in random poses inside the frame.
const std::vector<Bitmap>& normalFrames() {
    static const std::vector<Bitmap> frames = [] {
        std::vector<Bitmap> out;
        std::mt19937 random(42);
        std::uniform_real_distribution<double> angle(-0.1, 0.1);
        std::uniform_real_distribution<double> shift(-25, 25);
        for (int i = 0; i < 16; ++i) {
            synthetic::Card card = synthetic::randomCard(random, i % 2 == 1);
            Bitmap frame = synthetic::blankFrame();
            synthetic::paint(frame, synthetic::cardRects(card), {angle(random), shift(random), shift(random)});
            out.push_back(std::move(frame));
        }
        return out;
    }();
    return frames;
}

ReadOptions fullRead(const CardTemplate& layout) {
    ReadOptions options;
    options.admissionLength = layout.admissionDigits;
    options.questionCount = layout.questionCount;
    return options;
}

// Location with its retry plus the reading of every field, per frame; the
// median of the single frames is reported as median_ms.
void locateAndRead(benchmark::State& state, const std::vector<Bitmap>& frames, const CardTemplate& layout,
                   CardFamily family) {
    const ReadOptions options = fullRead(layout);
    ImageSet images;
    images.create(3);
    CardLocator locator;
    DecliningPrompter prompter;
    WholeReading reading;
    std::vector<double> times;
    size_t next = 0;
    int refused = 0;
    for (auto _ : state) {
        const Bitmap& frame = frames[next++ % frames.size()];
        const auto start = std::chrono::steady_clock::now();
        images.frame.copyFrom(frame);
        LocationResult result;
        const ReadResult code = ReadCardFrame(images, layout, family, result, locator);
        if (code == ReadResult::Ok) {
            ReadLocatedCard(layout, family, result, images, prompter, options, reading);
        } else {
            ++refused;
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["refused"] = refused;
}

void BM_LocateAndRead(benchmark::State& state) {
    locateAndRead(state, normalFrames(), synthetic::testLayout(), CardFamily::DY);
}
BENCHMARK(BM_LocateAndRead)->Unit(benchmark::kMillisecond);

// The same over simulated camera photos of the 85-question card: the frames
// of a corpus folder (cardtool corpus ... --sets normal) named by
// TARVEL_BENCH_CORPUS, with the layouts of the folder TARVEL_BENCH_LAYOUTS
// (the built 模板文件/).
void BM_LocateAndReadCorpus(benchmark::State& state) {
    const char* folder = std::getenv("TARVEL_BENCH_CORPUS");
    const char* layouts = std::getenv("TARVEL_BENCH_LAYOUTS");
    const std::string name = "DY标准85题自动AB卷.dat";
    static std::vector<Bitmap> frames;
    static CardTemplate layout;
    std::string message;
    if (frames.empty() && folder && layouts) {
        if (!readTemplateFile(std::string(layouts) + "/" + name, name, layout, message)) {
            state.SkipWithError(message.c_str());
            return;
        }
        std::ifstream truth(std::string(folder) + "/truth.jsonl");
        std::string line;
        while (std::getline(truth, line) && frames.size() < 40) {
            if (line.find(name) == std::string::npos) continue;
            const size_t at = line.find("\"file\": \"") + 9;
            Bitmap frame;
            if (readImageFile(std::string(folder) + "/" + line.substr(at, line.find('"', at) - at), frame, message)) {
                frames.push_back(std::move(frame));
            }
        }
    }
    if (frames.empty()) {
        state.SkipWithError("TARVEL_BENCH_CORPUS names no corpus folder with frames of the 85-question card");
        return;
    }
    locateAndRead(state, frames, layout, CardFamily::DY);
}
BENCHMARK(BM_LocateAndReadCorpus)->Unit(benchmark::kMillisecond);

// The steps, each on the state the step before leaves.
struct Stages {
    const CardTemplate layout = synthetic::testLayout();
    ImageSet images;
    BlackMask binarized;
    BlackMask thinned;
    std::vector<IntPoint> endpoints;
    std::vector<DetectedLine> lines;
    LocationResult result;
    double theta = 0;
    Projective forward{};
    Bitmap normalized;
    Bitmap rotation;

    Stages() {
        images.create(3);
        images.frame.copyFrom(normalFrames()[0]);
        PrepareFrameImages(images);
        binarized.readFrom(images.frame);
        Bitmap frame = images.frame.clone();
        CardLocator locator;
        locator.locate(images, layout, CardFamily::DY, result);
        const LocationDetails& d = locator.details();
        theta = d.theta;
        endpoints = d.endpoints;
        thinned.readFrom(frame);
        ThinMask(thinned);
        RemoveJunctions(thinned);
        SolveProjective(result.Q, result.P, forward);
        normalized = images.normalized.clone();
        rotation = images.rotation.clone();
    }
};

Stages& stages() {
    static Stages s;
    return s;
}

void BM_LocateThinning(benchmark::State& state) {
    Stages& s = stages();
    BlackMask mask;
    for (auto _ : state) {
        mask = s.binarized;
        ThinMask(mask);
        RemoveJunctions(mask);
        benchmark::DoNotOptimize(mask.black(1, 1));
    }
}
BENCHMARK(BM_LocateThinning)->Unit(benchmark::kMillisecond);

void BM_LocateTracing(benchmark::State& state) {
    Stages& s = stages();
    LineTracer tracer;
    std::vector<IntPoint> endpoints;
    std::vector<DetectedLine> lines;
    std::vector<LinePair> pairs;
    for (auto _ : state) {
        FindEndpoints(s.thinned, endpoints);
        tracer.trace(s.thinned, endpoints, lines);
        PairLines(lines, pairs);
        benchmark::DoNotOptimize(ChooseBestPair(lines, pairs, s.layout));
    }
}
BENCHMARK(BM_LocateTracing)->Unit(benchmark::kMillisecond);

void BM_LocateRotation(benchmark::State& state) {
    Stages& s = stages();
    Bitmap canvas(kCanvasSize, kCanvasSize, 3);
    const CanvasRotation rotation(s.theta);
    for (auto _ : state) {
        RotateIntoCanvas(s.images.color, rotation, canvas);
        benchmark::DoNotOptimize(canvas.data());
    }
}
BENCHMARK(BM_LocateRotation)->Unit(benchmark::kMillisecond);

void BM_LocateWarp(benchmark::State& state) {
    Stages& s = stages();
    Bitmap card(kCanvasSize, kCanvasSize, 3);
    for (auto _ : state) {
        Projective h;
        SolveProjective(s.result.Q, s.result.P, h);
        WarpIntoCard(s.rotation, h, card);
        benchmark::DoNotOptimize(card.data());
    }
}
BENCHMARK(BM_LocateWarp)->Unit(benchmark::kMillisecond);

void BM_ReadLocatedCard(benchmark::State& state) {
    Stages& s = stages();
    const ReadOptions options = fullRead(s.layout);
    DecliningPrompter prompter;
    WholeReading reading;
    for (auto _ : state) {
        state.PauseTiming();
        s.images.normalized.copyFrom(s.normalized);
        s.images.rotation.copyFrom(s.rotation);
        state.ResumeTiming();
        ReadLocatedCard(s.layout, CardFamily::DY, s.result, s.images, prompter, options, reading);
        benchmark::DoNotOptimize(reading.reading.answers[0].data());
    }
}
BENCHMARK(BM_ReadLocatedCard)->Unit(benchmark::kMillisecond);

}  // namespace
