// The simulator's frames: deterministic, geometrically where the truth says,
// readable with a perfect location, and delivered in the camera byte formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/prompter.h"
#include "camera.h"
#include "cardfill.h"
#include "cards_test_helpers.h"
#include "frameformats.h"
#include "recognition/pixelops.h"
#include "recognition/reading.h"

namespace tarvel::cards {
namespace {

struct Shot {
    CardContent content;
    std::vector<int> multiple;
    QImage frame;
};

Shot shoot(const CardDesign& d, const CameraView& view, const CameraLook& look, uint64_t start) {
    Shot s;
    Rng rng(start);
    s.content = randomContent(d.layout, rng, false, s.multiple);
    CardPlacement at;
    QImage sheet = renderFilledSheet(d, sheetResolutionFor(d.layout, view), s.content, {}, start, &at);
    s.frame = photograph(sheet, at, d.layout, view, look, start + 1);
    return s;
}

int grayAt(const QImage& frame, double x, double yDown) {
    QRgb p = frame.pixel(static_cast<int>(x), static_cast<int>(yDown));
    return GrayOf(qRed(p), qGreen(p), qBlue(p));
}

TEST(Camera, SameStartValueGivesTheSameFrameAndAnotherOneDiffers) {
    const CardDesign d = shippedDesign("DY标准85题自动AB卷");
    CameraView view;
    view.rotation = 3;
    const QImage a = shoot(d, view, {}, 5).frame;
    const QImage b = shoot(d, view, {}, 5).frame;
    const QImage c = shoot(d, view, {}, 6).frame;
    EXPECT_EQ(a.size(), QSize(640, 480));
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
}

TEST(Camera, DetectionLinesAppearWhereTheTruthGeometryPutsThem) {
    for (const std::string& name : layoutNames()) {
        const CardDesign d = shippedDesign(name);
        CameraView view;
        view.rotation = -6;
        view.tiltX = 4;
        view.tiltY = -3;
        view.shiftX = 10;
        const QImage frame = shoot(d, view, {}, 9).frame;
        const Homography h = cardToFrame(d.layout, view);
        const CardTemplate& t = d.layout;
        for (double v : {0.0, -static_cast<double>(t.lineSpacing)}) {
            for (double along : {0.05, 0.5, 0.95}) {
                double x, y;
                h.apply(along * t.lowerLineLength, v, x, y);
                EXPECT_LT(grayAt(frame, x, y), 100) << name << " on the line at " << along;
                // Two cells beyond the line end it is paper again.
                h.apply(t.lowerLineLength + 2 * t.cellWidth, v, x, y);
                EXPECT_GT(grayAt(frame, x, y), 150) << name << " beyond the line end";
            }
        }
    }
}

// With a perfect location, frames under ordinary conditions read exactly.
TEST(Camera, OrdinaryFramesReadExactlyWithPerfectLocation) {
    Rng rng(21);
    for (const std::string& name : layoutNames()) {
        const CardDesign d = shippedDesign(name);
        for (int k = 0; k < 3; ++k) {
            CameraView view;
            view.boxShare = rng.uniform(0.62, 0.88);
            view.rotation = rng.uniform(-8, 8);
            view.tiltX = rng.uniform(-4, 4);
            view.tiltY = rng.uniform(-4, 4);
            CameraLook look;
            look.blur = rng.uniform(0.4, 1.0);
            look.noise = rng.uniform(1.5, 3.5);
            look.exposure = rng.uniform(0.82, 0.97);
            Shot s = shoot(d, view, look, rng.next());
            CardPlacement at;
            Bitmap normalized = rectifyWithTruth(s.frame, d.layout, view, at);
            Bitmap confirmation = normalized.clone();
            const LocationResult place = locationFor(d.layout, at);
            ScriptedPrompter prompter;
            MarkReader reader(d.layout, d.family(), place, normalized, confirmation, prompter);
            CardReading r;
            reader.PrepareCardGeometry(r);
            reader.BinarizeReadingAreas();
            reader.ReadAdmissionNumber(r, d.layout.admissionDigits);
            reader.ReadSubjectCode(r);
            std::array<bool, kMaxQuestions> multiple{};
            for (int q : s.multiple) multiple[q - 1] = true;
            reader.ReadAnswers(r, d.layout.questionCount, multiple);
            SCOPED_TRACE(name + " view " + std::to_string(k));
            EXPECT_EQ(r.abFlag, effectiveAbFlag(d.layout, s.content.abFlag));
            EXPECT_EQ(r.admissionNumber, s.content.admission);
            EXPECT_EQ(r.subjectCode, s.content.subject);
            int wrong = 0;
            for (int q = 0; q < d.layout.questionCount; ++q) wrong += r.answers[q] != s.content.answers[q];
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(Camera, TurnedCardIsNotUprightUnderTheCamera) {
    const CardDesign d = shippedDesign("JD标准100题");
    for (bool turned : {false, true}) {
        CameraView view;
        view.turned = turned;
        view.rotation = 4;
        Shot s = shoot(d, view, {}, 3);
        CardPlacement at;
        Bitmap normalized = rectifyWithTruth(s.frame, d.layout, view, at);
        Bitmap confirmation = normalized.clone();
        const LocationResult place = locationFor(d.layout, at);
        ScriptedPrompter prompter;
        MarkReader reader(d.layout, d.family(), place, normalized, confirmation, prompter);
        EXPECT_EQ(reader.IsUpright(), !turned);
    }
}

// The capture side's conversion (BT.601 video range, 16 fractional bits).
void yuvToRgb(int y, int u, int v, int rgb[3]) {
    const int yy = 76309 * (y - 16);
    rgb[0] = std::clamp((yy + 104597 * (v - 128)) >> 16, 0, 255);
    rgb[1] = std::clamp((yy - 25674 * (u - 128) - 53278 * (v - 128)) >> 16, 0, 255);
    rgb[2] = std::clamp((yy + 132201 * (u - 128)) >> 16, 0, 255);
}

TEST(FrameFormats, ByteLayoutsMatchWhatCamerasDeliver) {
    QImage image(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 200 + 30));
    }
    image.setPixel(0, 479, qRgb(10, 20, 30));  // bottom-left
    const auto bgr = toBgr24BottomUp(image);
    ASSERT_EQ(bgr.size(), 640u * 480 * 3);
    EXPECT_EQ(bgr[0], 30);
    EXPECT_EQ(bgr[1], 20);
    EXPECT_EQ(bgr[2], 10);

    // Flat colour pairs survive YUY2 and I420 up to rounding.
    QImage flat(640, 480, QImage::Format_RGB32);
    flat.fill(qRgb(200, 120, 60));
    const auto yuy2 = toYuy2(flat);
    ASSERT_EQ(yuy2.size(), 640u * 480 * 2);
    int rgb[3];
    yuvToRgb(yuy2[0], yuy2[1], yuy2[3], rgb);
    EXPECT_NEAR(rgb[0], 200, 2);
    EXPECT_NEAR(rgb[1], 120, 2);
    EXPECT_NEAR(rgb[2], 60, 2);
    const auto i420 = toI420(flat);
    ASSERT_EQ(i420.size(), 640u * 480 * 3 / 2);
    yuvToRgb(i420[1000], i420[640 * 480 + 10], i420[640 * 480 * 5 / 4 + 10], rgb);
    EXPECT_NEAR(rgb[0], 200, 2);
    EXPECT_NEAR(rgb[1], 120, 2);
    EXPECT_NEAR(rgb[2], 60, 2);
    // Black and white of the video range.
    QImage bw(2, 2, QImage::Format_RGB32);
    bw.fill(qRgb(0, 0, 0));
    EXPECT_EQ(toYuy2(bw)[0], 16);
    bw.fill(qRgb(255, 255, 255));
    EXPECT_EQ(toYuy2(bw)[0], 235);

    const auto jpeg = toMjpg(image, 80);
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
}

TEST(FrameStream, CardsSlideInLieStillAndSlideOut) {
    const CardDesign d = shippedDesign("DY标准50题A卷");
    StreamCard card;
    card.layout = d.layout;
    card.stillFrames = 4;
    card.look.jpegQuality = 0;
    CardContent content;
    content.answers.assign(50, "A");
    card.sheet = renderFilledSheet(d, sheetResolutionFor(d.layout, card.view), content, {}, 1, &card.at);
    std::vector<StreamFrame> frames;
    frameStream({card, card}, 3, 2, 11, [&](const StreamFrame& f) { frames.push_back(f); });
    // Per card: 2 empty, 3 in, 4 still, 3 out; then 2 empty at the end.
    ASSERT_EQ(frames.size(), 2u * 12 + 2);
    EXPECT_EQ(frames[0].phase, StreamPhase::Empty);
    EXPECT_EQ(frames[2].phase, StreamPhase::SlideIn);
    EXPECT_EQ(frames[5].phase, StreamPhase::Still);
    EXPECT_EQ(frames[5].card, 0);
    EXPECT_EQ(frames[14 + 3].card, 1);
    // Still frames differ only by sensor noise: a small motion measure.
    Bitmap a = bitmapFromImage(frames[5].image), b = bitmapFromImage(frames[6].image);
    BinarizeFixed(a, 100);
    BinarizeFixed(b, 100);
    EXPECT_LT(MotionMeasure(a, b), 5);
    Bitmap in = bitmapFromImage(frames[3].image);
    BinarizeFixed(in, 100);
    EXPECT_GT(MotionMeasure(in, a), 20);
}

}  // namespace
}  // namespace tarvel::cards
