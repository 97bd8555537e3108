// Frames without a card of ours: noise, random shapes, plain frames, single
// lines, near-degenerate line pairs and other makers' answer sheets. None may
// crash the read, touch memory outside an image (the sanitizer build runs
// these too) or come out as a located card.
//
// TARVEL_ROBUSTNESS_FRAMES sets the number of generated frames (default 300;
// the labelled full run uses 10000).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "recognition/cardread.h"
#include "recognition/imagefile.h"
#include "synthetic.h"

namespace tarvel {
namespace {

using synthetic::Pose;
using synthetic::Rect;

int frameCount() {
    const char* text = std::getenv("TARVEL_ROBUSTNESS_FRAMES");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 300;
}

class Robustness : public testing::Test {
protected:
    // Reads the frame as the grading station would; a located card is read too.
    ReadResult read(const Bitmap& picture) {
        images_.create(picture.bytesPerPixel());
        images_.frame.copyFrom(picture);
        LocationResult result;
        const ReadResult code = ReadCardFrame(images_, layout_, CardFamily::DY, result, locator_);
        if (code == ReadResult::Ok) {
            ScriptedPrompter prompter;
            ReadOptions options;
            options.admissionLength = layout_.admissionDigits;
            options.questionCount = layout_.questionCount;
            WholeReading reading;
            ReadLocatedCard(layout_, CardFamily::DY, result, images_, prompter, options, reading);
        }
        return code;
    }

    // TARVEL_ROBUSTNESS_DUMP names a folder for the frames that were not refused.
    void expectRefused(const Bitmap& picture, const std::string& what) {
        const ReadResult code = read(picture);
        EXPECT_NE(code, ReadResult::Ok) << what;
        EXPECT_NE(code, ReadResult::Refused) << what;
        const char* dump = std::getenv("TARVEL_ROBUSTNESS_DUMP");
        if (code == ReadResult::Ok && dump) writePngFile(std::string(dump) + "/" + what + ".png", picture);
    }

    Bitmap painted(const std::vector<Rect>& rects, const Pose& pose, int bytesPerPixel) {
        Bitmap frame = synthetic::blankFrame(bytesPerPixel);
        synthetic::paint(frame, rects, pose);
        return frame;
    }

    const CardTemplate layout_ = synthetic::testLayout();
    ImageSet images_;
    CardLocator locator_;
    std::mt19937 random_{12345};
    double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
};

TEST_F(Robustness, PlainFramesAreRefused) {
    Bitmap frame = synthetic::blankFrame();
    frame.fill(0, 0, 0);
    EXPECT_EQ(read(frame), ReadResult::TooMuchBlack);
    frame.fill(255, 255, 255);
    EXPECT_EQ(read(frame), ReadResult::TooFewLines);
}

TEST_F(Robustness, NoiseIsRefused) {
    const int n = frameCount() / 4;
    for (int i = 0; i < n; ++i) {
        Bitmap frame = synthetic::blankFrame(3 + i % 2);
        const double dark = uniform(0, 0.4);
        // Blotches of 1 to 8 pixels, so that some noise survives thinning as strokes.
        const int block = 1 + static_cast<int>(uniform(0, 8));
        const auto threshold = static_cast<uint32_t>(dark * 1000);
        for (int y = 0; y < kFrameHeight; y += block) {
            for (int x = 0; x < kFrameWidth; x += block) {
                const uint32_t r = random_();
                if (r % 1000 >= threshold) continue;
                const auto g = static_cast<uint8_t>(r / 1000 % 100);
                for (int dy = 0; dy < block; ++dy) {
                    for (int dx = 0; dx < block; ++dx) frame.setPixel(x + dx, y + dy, g, g, g);
                }
            }
        }
        expectRefused(frame, "noise " + std::to_string(i));
    }
}

TEST_F(Robustness, RandomShapesAreRefused) {
    const int n = frameCount() / 4;
    for (int i = 0; i < n; ++i) {
        std::vector<Rect> rects;
        const int shapes = 1 + static_cast<int>(uniform(0, 40));
        for (int k = 0; k < shapes; ++k) {
            const double x = uniform(-50, 640), y = uniform(-50, 480);
            if (uniform(0, 1) < 0.5) {  // a filled block
                rects.push_back({x, y, x + uniform(2, 150), y + uniform(2, 150)});
            } else {  // an outline narrower than a detection line
                const double w = uniform(10, 180), h = uniform(10, 180), t = uniform(1, 5);
                rects.push_back({x, y, x + w, y + t});
                rects.push_back({x, y + h - t, x + w, y + h});
                rects.push_back({x, y, x + t, y + h});
                rects.push_back({x + w - t, y, x + w, y + h});
            }
        }
        expectRefused(painted(rects, {uniform(-0.5, 0.5), 0, 0}, 3 + i % 2), "shapes " + std::to_string(i));
    }
}

TEST_F(Robustness, SingleLinesAreRefused) {
    const int n = frameCount() / 4;
    for (int i = 0; i < n; ++i) {
        const double x = uniform(-100, 300), y = uniform(0, 480), t = uniform(1, 12);
        const std::vector<Rect> rects = {{x, y, x + uniform(150, 700), y + t}};
        expectRefused(painted(rects, {uniform(-1.6, 1.6), 0, 0}, 3), "line " + std::to_string(i));
    }
}

TEST_F(Robustness, NearDegenerateLinePairsAreRefused) {
    const int n = frameCount() / 4;
    for (int i = 0; i < n; ++i) {
        const double length = uniform(250, 450), x = uniform(20, 120), y = uniform(60, 360), t = uniform(2, 6);
        std::vector<Rect> rects;
        std::string kind;
        switch (i % 3) {
            case 0:  // parallel, touching or a few pixels apart
                kind = "close";
                rects = {{x, y, x + length, y + t}, {x, y + t + uniform(0, 13), x + length, y + 2 * t + 13}};
                break;
            case 1: {  // collinear, end to end
                kind = "collinear";
                const double half = length / 2 - 10;
                const double gap = uniform(3, 40);
                rects = {{x, y, x + half, y + t}, {x + half + gap, y, x + 2 * half + gap, y + t}};
                break;
            }
            default:  // sharing one end, at a small angle
                kind = "shared end";
                rects = {{x, y, x + length, y + t}, {x + length - t, y, x + 2 * length - t, y + t}};
                break;
        }
        expectRefused(painted(rects, {uniform(-0.3, 0.3), 0, 0}, 3), kind + " " + std::to_string(i));
    }
}

TEST_F(Robustness, ForeignAnswerSheetsAreRefused) {
    const char* root = std::getenv("TARVEL_FIXTURES");
    const std::filesystem::path folder = std::filesystem::path(root ? root : "") / "foreign-sheets";
    if (!root || !std::filesystem::is_directory(folder)) GTEST_SKIP() << "no foreign sheets at " << folder;
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".jpg" && ext != ".jpeg" && ext != ".png") continue;
        Bitmap picture;
        std::string message;
        if (!readImageFile(entry.path().string(), picture, message)) continue;  // one is WebP under a .jpg name
        ++read;
        expectRefused(resized(picture, kFrameWidth, kFrameHeight), entry.path().filename().string());
    }
    EXPECT_GT(read, 20);
}

}  // namespace
}  // namespace tarvel
