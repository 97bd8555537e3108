#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <future>

#include "base/affinity.h"
#include "base/prompter.h"
#include "capture/connection.h"
#include "capture/frameloop.h"

#include <chrono>
#include <functional>
#include <thread>
#include "capture/virtualcamera.h"

namespace tarvel {
namespace {

// White pictures until `count` have been given, then none: a camera
// unplugged while streaming.
class FailingAfter : public FrameSequence {
public:
    explicit FailingAfter(int count) : left_(count) {}
    size_t size() const override { return 1; }
    bool picture(size_t, Bitmap& out) override {
        if (left_ == 0) return false;
        --left_;
        out = Bitmap(kFrameWidth, kFrameHeight, 3);
        return true;
    }

private:
    int left_;
};

struct Rig {
    std::vector<VirtualCamera*> cameras;  // owned by the connection once listed
    int count = 0;
    FrameFormat format = FrameFormat::Yuy2;
    int fps = 0;         // 0: frames only when the test asks
    int failAfter = -1;  // frames each camera gives before it fails; -1: never

    CameraList list() {
        cameras.clear();
        CameraList out;
        for (int i = 0; i < count; ++i) {
            std::unique_ptr<FrameSequence> frames;
            if (failAfter >= 0) {
                frames = std::make_unique<FailingAfter>(failAfter);
            } else {
                auto pictures = std::make_unique<PictureList>();
                pictures->add(std::make_shared<Bitmap>(kFrameWidth, kFrameHeight, 3));
                frames = std::move(pictures);
            }
            auto cam = std::make_unique<VirtualCamera>("camera " + std::to_string(i + 1), std::move(frames),
                                                       format, fps);
            cameras.push_back(cam.get());
            out.push_back(std::move(cam));
        }
        return out;
    }
};

TEST(CameraConnection, NoCameraShowsTheNoticeAndCountsZero) {
    Rig rig;
    CameraConnection connection([&] { return rig.list(); });
    ScriptedPrompter prompter;
    ImageSet images;
    EXPECT_EQ(connection.connect(prompter, nullptr, images), CameraConnection::Result::NoDevice);
    EXPECT_EQ(connection.deviceCount(), 0);
    EXPECT_FALSE(connection.running());
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].kind, PromptKind::Notice);
    EXPECT_EQ(prompter.shown()[0].text, kNoCameraMessage);
}

TEST(CameraConnection, OneCameraIsUsedWithoutAsking) {
    Rig rig;
    rig.count = 1;
    CameraConnection connection([&] { return rig.list(); });
    ScriptedPrompter prompter;
    ImageSet images;
    bool asked = false;
    auto chooser = [&](const std::vector<std::string>&, int) -> std::optional<int> {
        asked = true;
        return 0;
    };
    ASSERT_EQ(connection.connect(prompter, chooser, images), CameraConnection::Result::Connected);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(prompter.shown().empty());
    EXPECT_EQ(connection.subtype(), fourcc('Y', 'U', 'Y', '2'));
    EXPECT_EQ(connection.bytesPerPixel(), 4);
    EXPECT_EQ(images.frame.bytesPerPixel(), 4);
    EXPECT_EQ(images.normalized.width(), kCanvasSize);
    // Frames of the chosen camera reach the hand-off.
    EXPECT_FALSE(connection.grabber().takeNewest());
    rig.cameras[0]->deliverNext();
    ASSERT_TRUE(connection.grabber().takeNewest());
    EXPECT_EQ(connection.grabber().latest().bytes.size(), size_t(kFrameWidth * kFrameHeight * 2));
}

TEST(CameraConnection, SeveralCamerasFollowTheListWindow) {
    Rig rig;
    rig.count = 5;
    rig.format = FrameFormat::Mjpg;
    CameraConnection connection([&] { return rig.list(); });
    ScriptedPrompter prompter;
    ImageSet images;
    std::vector<std::string> shownNames;
    int shownPrevious = -1;
    std::optional<int> answer = 1;
    auto chooser = [&](const std::vector<std::string>& names, int previous) {
        shownNames = names;
        shownPrevious = previous;
        return answer;
    };
    ASSERT_EQ(connection.connect(prompter, chooser, images), CameraConnection::Result::Connected);
    EXPECT_EQ(connection.deviceCount(), kDeviceSlots);  // the fifth is not listed
    EXPECT_EQ(shownNames, (std::vector<std::string>{"camera 1", "camera 2", "camera 3", "camera 4"}));
    EXPECT_EQ(shownPrevious, 0);
    EXPECT_EQ(connection.chosenSlot(), 1);
    EXPECT_EQ(connection.camera()->friendlyName(), "camera 2");
    EXPECT_EQ(images.frame.bytesPerPixel(), 3);

    // Closing the window without "确定" keeps the previous choice.
    answer.reset();
    ASSERT_EQ(connection.connect(prompter, chooser, images), CameraConnection::Result::Connected);
    EXPECT_EQ(shownPrevious, 1);
    EXPECT_EQ(connection.camera()->friendlyName(), "camera 2");

    // Reconnecting forgets the samples of the previous connection.
    rig.cameras[1]->deliverNext();
    EXPECT_TRUE(connection.grabber().takeNewest());
    ASSERT_EQ(connection.connect(prompter, chooser, images), CameraConnection::Result::Connected);
    EXPECT_FALSE(connection.grabber().takeNewest());
}

TEST(CameraConnection, StreamingThreadFeedsTheTickWhileItConverts) {
    Rig rig;
    rig.count = 1;
    rig.fps = 200;  // faster than a camera, to meet the tick often
    CameraConnection connection([&] { return rig.list(); });
    ScriptedPrompter prompter;
    ImageSet images;
    ASSERT_EQ(connection.connect(prompter, nullptr, images), CameraConnection::Result::Connected);
    FrameConverter converter;
    uint64_t last = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (last < 40 && std::chrono::steady_clock::now() < deadline) {
        if (connection.grabber().takeNewest()) {
            const Sample& s = connection.grabber().latest();
            ASSERT_EQ(s.bytes.size(), size_t(kFrameWidth * kFrameHeight * 2));
            ASSERT_TRUE(converter.convert(connection.format(), s, images.frame));
            last = s.number;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GE(last, 40u);
    // Reconnecting stops the streaming camera before it goes.
    ASSERT_EQ(connection.connect(prompter, nullptr, images), CameraConnection::Result::Connected);
    connection.disconnect();
    EXPECT_FALSE(connection.running());
}

TEST(CameraConnection, ACameraFailingWhileStreamingStopsItsThreadAndConnectsAgain) {
    Rig rig;
    rig.count = 1;
    rig.fps = 200;
    rig.failAfter = 5;
    CameraConnection connection([&] { return rig.list(); });
    ScriptedPrompter prompter;
    ImageSet images;
    auto waitFor = [](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    };
    for (int connects = 0; connects < 2; ++connects) {
        ASSERT_EQ(connection.connect(prompter, nullptr, images), CameraConnection::Result::Connected);
        ASSERT_TRUE(waitFor([&] { return connection.takeLostCamera(); }));
        EXPECT_FALSE(connection.running());
        EXPECT_FALSE(connection.takeLostCamera()) << "told once";
        EXPECT_EQ(rig.cameras[0]->delivered(), 5u);
        ASSERT_TRUE(connection.grabber().takeNewest());
        EXPECT_EQ(connection.grabber().latest().number, 5u);
    }
    EXPECT_TRUE(prompter.shown().empty());
}

TEST(CameraConnection, ACameraThatCannotOpenIsReported) {
    CameraConnection connection([] {
        CameraList list;
        list.push_back(std::make_unique<VirtualCamera>("empty", std::make_unique<PictureList>(), FrameFormat::Yuy2, 0));
        return list;
    });
    ScriptedPrompter prompter;
    ImageSet images;
    EXPECT_EQ(connection.connect(prompter, nullptr, images), CameraConnection::Result::StartFailed);
    EXPECT_EQ(connection.deviceCount(), 1);
    EXPECT_FALSE(connection.running());
    EXPECT_EQ(prompter.texts(), (std::vector<std::string>{kCameraStartFailed}));
}

}  // namespace
}  // namespace tarvel

#include <filesystem>
#include <fstream>

#include "base/paths.h"

namespace tarvel {
namespace {

// A 24-bit bottom-up .bmp of a uniform colour.
void writeBmp(const std::string& path, int width, int height, uint8_t gray) {
    const uint32_t stride = (width * 3 + 3) & ~3u;
    std::vector<uint8_t> f(54 + stride * height, gray);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put(2, uint32_t(f.size()));
    put(6, 0);
    put(10, 54);
    put(14, 40);
    put(18, uint32_t(width));
    put(22, uint32_t(height));
    f[26] = 1, f[27] = 0, f[28] = 24, f[29] = 0;
    for (size_t i = 30; i < 54; ++i) f[i] = 0;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
}

TEST(DemoCamera, ListedWhenTheDemoFolderHoldsPictures) {
    const auto root = std::filesystem::temp_directory_path() / ("tarvel-demo-" + std::to_string(::getpid()));
    const auto demo = root / installed::kDemoCards;
    std::filesystem::create_directories(demo);
    setProgramFolder(root.string());
    EXPECT_EQ(demoCamera(), nullptr);

    writeBmp((demo / "b.bmp").string(), kFrameWidth, kFrameHeight, 0);
    writeBmp((demo / "a.bmp").string(), 320, 240, 90);  // smaller: placed top-left on white
    std::ofstream((demo / "notes.txt").string()) << "not a picture";
    auto camera = demoCamera(FrameFormat::Rgb24);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->friendlyName(), kVirtualCameraName);
    bool listed = false;
    for (const auto& c : listCameras()) listed = listed || c->friendlyName() == kVirtualCameraName;
    EXPECT_TRUE(listed);

    // Played in name order, in a loop, as 640 x 480 frames.
    VirtualCamera player("demo", std::make_unique<PictureFolder>(demo.string()), FrameFormat::Rgb24, 0);
    std::vector<std::vector<uint8_t>> frames;
    ASSERT_EQ(player.start([&](const uint8_t* d, size_t n, int w, int h) {
        EXPECT_EQ(w, kFrameWidth);
        EXPECT_EQ(h, kFrameHeight);
        frames.emplace_back(d, d + n);
    }, nullptr), 0);
    for (int i = 0; i < 3; ++i) player.deliverNext();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].size(), size_t(kFrameWidth * kFrameHeight * 3));
    const size_t topLeft = size_t(kFrameHeight - 1) * kFrameWidth * 3;  // bottom-up rows
    EXPECT_EQ(frames[0][topLeft], 90);   // a.bmp
    EXPECT_EQ(frames[0][0], 255);        // outside a.bmp's 320 x 240: white
    EXPECT_EQ(frames[1][topLeft], 0);    // b.bmp
    EXPECT_EQ(frames[2], frames[0]);     // and again from the start

    setProgramFolder("");
    std::filesystem::remove_all(root);
}

TEST(DemoCamera, RecordedCameraFramesPlayUnchangedInTheirFormat) {
    const auto folder = std::filesystem::temp_directory_path() / ("tarvel-recorded-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::vector<std::vector<uint8_t>> recorded;
    for (int i = 0; i < 2; ++i) {
        recorded.emplace_back(size_t(kFrameWidth) * kFrameHeight * 2, uint8_t(16 + i));
        std::ofstream((folder / ("0000" + std::to_string(i) + ".yuy2")).string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(recorded.back().data()), std::streamsize(recorded.back().size()));
    }
    writeBmp((folder / "cover.bmp").string(), 8, 8, 0);  // pictures beside recorded frames are not played

    VirtualCamera camera("recorded", std::make_unique<PictureFolder>(folder.string()), FrameFormat::Rgb24, 0);
    EXPECT_EQ(camera.format(), FrameFormat::Yuy2);
    std::vector<std::vector<uint8_t>> frames;
    camera.start([&](const uint8_t* d, size_t n, int, int) { frames.emplace_back(d, d + n); }, nullptr);
    for (int i = 0; i < 3; ++i) camera.deliverNext();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], recorded[0]);
    EXPECT_EQ(frames[1], recorded[1]);
    EXPECT_EQ(frames[2], recorded[0]);
    std::filesystem::remove_all(folder);
}


TEST(VirtualCamera, BrightnessAndContrastChangeThePicturesItSends) {
    auto pictures = std::make_unique<PictureList>();
    auto gray = std::make_shared<Bitmap>(kFrameWidth, kFrameHeight, 3);
    gray->fill(100, 100, 100);
    pictures->add(gray);
    VirtualCamera camera("picture", std::move(pictures), FrameFormat::Rgb24, 0);
    std::vector<CameraControl> controls = camera.controls();
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].name, "亮度");
    EXPECT_EQ(controls[0].defaultValue, 0);
    EXPECT_EQ(controls[1].name, "对比度");
    EXPECT_EQ(controls[1].defaultValue, 100);

    uint8_t seen = 0;
    camera.start([&](const uint8_t* d, size_t, int, int) { seen = d[0]; });
    auto next = [&] {
        camera.deliverNext();
        return int(seen);
    };
    EXPECT_EQ(next(), 100);
    EXPECT_EQ(camera.setControl(kBrightnessControl, 20), 0);
    EXPECT_EQ(next(), 120);
    EXPECT_EQ(camera.setControl(kContrastControl, 200), 0);
    EXPECT_EQ(next(), (100 - 128) * 2 + 128 + 20);
    EXPECT_EQ(camera.controls()[1].value, 200);
    // Out of range or unknown: refused, nothing changes.
    EXPECT_NE(camera.setControl(kBrightnessControl, 101), 0);
    EXPECT_NE(camera.setControl(99, 1), 0);
    EXPECT_EQ(next(), 92);
    camera.setControl(kBrightnessControl, 0);
    camera.setControl(kContrastControl, 100);
    EXPECT_EQ(next(), 100);
}

TEST(VirtualCamera, RecordedFramesOfferNoControls) {
    const auto folder = std::filesystem::temp_directory_path() / ("tarvel-raw-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream((folder / "00000.yuy2").string(), std::ios::binary) << std::string(16, '\x10');
    VirtualCamera camera("recorded", std::make_unique<PictureFolder>(folder.string()), FrameFormat::Yuy2, 0);
    EXPECT_TRUE(camera.controls().empty());
    EXPECT_NE(camera.setControl(kBrightnessControl, 10), 0);
    std::filesystem::remove_all(folder);
}

// The user-interface thread is bound to one processor; the camera's streaming
// thread it starts must not stay there.
TEST(VirtualCamera, StreamingThreadTakesTheProcessMaskBack) {
    cpu_set_t whole;
    pthread_getaffinity_np(pthread_self(), sizeof whole, &whole);
    if (CPU_COUNT(&whole) < 2) GTEST_SKIP() << "one processor only";
    auto masks = std::async(std::launch::async, [] {
        EXPECT_TRUE(bindToFirstProcessor());
        cpu_set_t ui;
        pthread_getaffinity_np(pthread_self(), sizeof ui, &ui);
        auto pictures = std::make_unique<PictureList>();
        pictures->add(std::make_shared<Bitmap>(kFrameWidth, kFrameHeight, 3));
        VirtualCamera camera("thread", std::move(pictures), FrameFormat::Rgb24, 50);
        std::promise<int> streaming;
        bool first = true;
        camera.start([&](const uint8_t*, size_t, int, int) {
            if (!first) return;
            first = false;
            cpu_set_t mine;
            pthread_getaffinity_np(pthread_self(), sizeof mine, &mine);
            streaming.set_value(CPU_COUNT(&mine));
        });
        const int streamingCount = streaming.get_future().get();
        camera.stop();
        return std::pair{CPU_COUNT(&ui), streamingCount};
    }).get();
    EXPECT_EQ(masks.first, 1);
    EXPECT_EQ(masks.second, CPU_COUNT(&whole));
}

}  // namespace
}  // namespace tarvel
