// Soak run: N virtual-camera frames through the frame loop with automatic
// grading on, a card sliding in, lying still and sliding out again and again.
// Prints the resident memory after warm-up and at the end; it must stay flat.
//   build/tests/capture/capture_soak [frames] [RGB|YUY2|I420|MJPG]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "capture/frameloop.h"
#include "capture/virtualcamera.h"

using namespace tarvel;

namespace {

long residentKb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct NullSink : DrawingSink {
    void draw(const DrawCommand&, const Bitmap*) override {}
};
struct CountingSounds : SoundPlayer {
    long played = 0;
    void play(const std::string&) override { ++played; }
};

// One cycle of 60 frames: 5 sliding in, 45 still (with sensor-like flicker), 10 away.
std::shared_ptr<const Bitmap> sceneFor(long frame) {
    static std::vector<std::shared_ptr<const Bitmap>> cycle = [] {
        std::vector<std::shared_ptr<const Bitmap>> out;
        for (int i = 0; i < 60; ++i) {
            auto b = std::make_shared<Bitmap>(kFrameWidth, kFrameHeight, 3);
            const int x = i < 5 ? i * 50 : i < 50 ? 250 : -1;
            for (int y = 150; y < 330 && x >= 0; ++y)
                for (int c = x; c < x + 200; ++c) b->setPixel(c, y, 0, 0, 0);
            if (i % 2)
                for (int y = 20; y < 42; ++y)
                    for (int c = 578; c < 600; ++c) b->setPixel(c, y, 0, 0, 0);
            out.push_back(b);
        }
        return out;
    }();
    return cycle[frame % 60];
}

struct Feed : FrameSequence {
    long frame = 0;
    size_t size() const override { return 1; }
    bool picture(size_t, Bitmap& out) override {
        out.copyFrom(*sceneFor(frame++));
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const long frames = argc > 1 ? std::atol(argv[1]) : 100000;
    FrameFormat format = FrameFormat::Rgb24;
    for (FrameFormat f : {FrameFormat::Yuy2, FrameFormat::I420, FrameFormat::Mjpg})
        if (argc > 2 && std::strcmp(argv[2], formatName(f)) == 0) format = f;

    VirtualCamera* camera = nullptr;
    CameraConnection connection([&] {
        auto cam = std::make_unique<VirtualCamera>("soak", std::make_unique<Feed>(), format, 0);
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
    long reads = 0;
    FrameLoop loop({connection, images, clock, sink, prompter, announcer, ui},
                   [&](ImageSet&, std::string& prompt, std::string& memo) {
                       ++reads;
                       prompt = "张三92.5分";
                       memo = "张三 92.5";
                       return 0;
                   },
                   [] { return GradingChoice{}; });
    if (connection.connect(prompter, nullptr, images) != CameraConnection::Result::Connected) return 1;
    loop.setTimerEnabled(true);
    loop.setViewSize(640, 480);
    loop.setPage(FrameLoop::Page::Grading);
    loop.BtnAutoAnswerCardClick();

    long warm = 0;
    for (long i = 0; i < frames; ++i) {
        camera->deliverNext();
        clock.advance(kTickMs);
        loop.Timer1Timer();
        if (i == 1000) warm = residentKb();
    }
    const long end = residentKb();
    std::printf("%s: %ld frames, %ld reads, %ld sounds; resident %ld kB after 1000 frames, %ld kB at the end\n",
                formatName(format), frames, reads, sounds.played, warm, end);
    // A card every 60 frames must be read once each, and memory must not grow.
    const bool readsRight = reads >= frames / 60 - 1 && reads <= frames / 60 + 1;
    return readsRight && end - warm < 1024 ? 0 : 1;
}
