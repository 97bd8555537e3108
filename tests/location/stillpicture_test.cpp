// Still pictures of any size into the working frame: the EXIF orientation
// (every value, both byte orders, damaged blocks), the decoder's reduction,
// the scale a card is brought to, the paper-white padding, no enlargement,
// and refusals of pictures without a card. Cards are the synthetic frames of
// the location tests, magnified and placed in larger pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "capture/frameencode.h"
#include "recognition/cardread.h"
#include "recognition/exif.h"
#include "recognition/imagefile.h"
#include "recognition/picturescale.h"
#include "synthetic.h"
#include "tests/corpus.h"

namespace tarvel {
namespace {

using synthetic::Card;

// The marker segments of a JPEG file: SOI, APP1 with the given EXIF body,
// a frame header of width x height, SOS.
std::vector<uint8_t> jpegHead(const std::vector<uint8_t>& exif, int width, int height) {
    std::vector<uint8_t> b = {0xFF, 0xD8};
    if (!exif.empty()) {
        const size_t length = exif.size() + 2;
        b.insert(b.end(), {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)});
        b.insert(b.end(), exif.begin(), exif.end());
    }
    b.insert(b.end(), {0xFF, 0xC0, 0, 17, 8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8),
                       uint8_t(width), 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    b.insert(b.end(), {0xFF, 0xDA, 0, 12, 3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
    return b;
}

// "Exif\0\0" and a TIFF block whose first directory holds one entry.
std::vector<uint8_t> exifBlock(int orientation, bool bigEndian, uint16_t type = 3, uint32_t directory = 8) {
    std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0};
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
    };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    put(42, 2), put(directory, 4);
    put(1, 2), put(0x0112, 2), put(type, 2), put(1, 4), put(uint32_t(orientation), 2), put(0, 2), put(0, 4);
    return b;
}

// A JPEG file: the encoder's bytes with an EXIF block put in after SOI.
std::vector<uint8_t> withExif(std::vector<uint8_t> jpeg, int orientation) {
    const std::vector<uint8_t> exif = exifBlock(orientation, orientation % 2 == 0);
    const size_t length = exif.size() + 2;
    std::vector<uint8_t> segment = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)};
    segment.insert(segment.end(), exif.begin(), exif.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

TEST(Exif, OrientationAndSizeFromTheMarkerSegments) {
    for (bool big : {false, true}) {
        for (int o = 1; o <= 8; ++o) {
            JpegHeader h;
            const std::vector<uint8_t> bytes = jpegHead(exifBlock(o, big), 4000, 3000);
            ASSERT_TRUE(readJpegHeader(bytes.data(), bytes.size(), h));
            EXPECT_EQ(h.orientation, o) << (big ? "MM" : "II");
            EXPECT_EQ(h.width, 4000);
            EXPECT_EQ(h.height, 3000);
        }
    }
    // No block, a value outside 1-8, a LONG instead of a SHORT, a directory
    // beyond the block, a block cut short: as stored, the size still read.
    const std::vector<std::vector<uint8_t>> asStored = {
        {}, exifBlock(9, false), exifBlock(6, false, 4), exifBlock(6, true, 3, 4000)};
    for (const auto& exif : asStored) {
        const std::vector<uint8_t> bytes = jpegHead(exif, 64, 48);
        JpegHeader h;
        ASSERT_TRUE(readJpegHeader(bytes.data(), bytes.size(), h));
        EXPECT_EQ(h.orientation, 1);
        EXPECT_EQ(h.width, 64);
    }
    std::vector<uint8_t> cut = jpegHead(exifBlock(6, false), 64, 48);
    cut.resize(20);
    JpegHeader h;
    EXPECT_FALSE(readJpegHeader(cut.data(), cut.size(), h));
    EXPECT_EQ(h.orientation, 1);
}

// Where the stored picture's first row and first column end up, as the EXIF
// standard words each value: "the 0th row is the visual top, the 0th column
// the visual left-hand side" for 1, and so on.
TEST(Exif, EveryOrientationTurnsTheStoredPictureAsTheStandardSays) {
    enum Side { Top, Bottom, Left, Right };
    const struct {
        Side row0, column0;
    } table[9] = {{}, {Top, Left}, {Top, Right}, {Bottom, Right}, {Bottom, Left},
                  {Left, Top}, {Right, Top}, {Right, Bottom}, {Left, Bottom}};
    const int w = 5, h = 3;
    Bitmap stored(w, h, 3);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) stored.rowFromTop(r)[3 * c] = uint8_t(10 * r + c);
    }
    auto opposite = [](Side s) { return s == Top ? Bottom : s == Bottom ? Top : s == Left ? Right : Left; };
    for (int o = 1; o <= 8; ++o) {
        const Bitmap up = upright(stored, o);
        ASSERT_EQ(up.width(), swapsSides(o) ? h : w);
        // The value at the corner where two sides meet.
        auto corner = [&](Side a, Side b) {
            const Side vertical = (a == Top || a == Bottom) ? a : b, horizontal = (a == Left || a == Right) ? a : b;
            const int x = horizontal == Left ? 0 : up.width() - 1, r = vertical == Top ? 0 : up.height() - 1;
            return int(up.rowFromTop(r)[3 * x]);
        };
        const Side row0 = table[o].row0, column0 = table[o].column0;
        EXPECT_EQ(corner(row0, column0), 0) << o;                        // stored row 0, column 0
        EXPECT_EQ(corner(row0, opposite(column0)), w - 1) << o;          // row 0, last column
        EXPECT_EQ(corner(opposite(row0), column0), 10 * (h - 1)) << o;   // last row, column 0
    }
}

// A picture of four colours, one per quadrant, to see it turned.
Bitmap quadrants(int w, int h) {
    Bitmap b(w, h, 3);
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            const int q = (r < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1);
            const uint8_t colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {40, 40, 40}};
            std::copy(colours[q], colours[q] + 3, b.rowFromTop(r) + 3 * x);
        }
    }
    return b;
}

TEST(StillPicture, PhotosStandUprightAndDecodeNoFinerThanAsked) {
    const Bitmap stored = quadrants(1600, 1200);
    const std::vector<uint8_t> plain = encodeJpeg(stored, 90);
    Bitmap decodedWhole;
    ASSERT_TRUE(decodeImage(plain.data(), plain.size(), decodedWhole));
    for (int o = 1; o <= 8; ++o) {
        StillPicture picture;
        ASSERT_TRUE(picture.open(withExif(plain, o)));
        EXPECT_EQ(picture.width(), swapsSides(o) ? 1200 : 1600);
        EXPECT_FALSE(picture.isCameraFrame());
        // The decoder's reductions: 1/8, 1/4, 1/2, whole.
        const struct {
            double asked;
            int width;
        } steps[] = {{0.1, 200}, {0.2, 400}, {0.3, 800}, {0.9, 1600}};
        for (const auto& step : steps) {
            const Bitmap* p = picture.pixels(step.asked);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(swapsSides(o) ? p->height() : p->width(), step.width) << o << " " << step.asked;
        }
        EXPECT_DOUBLE_EQ(picture.detail(), 1.0);
        const Bitmap expected = upright(decodedWhole, o);
        const Bitmap* whole = picture.pixels(1);
        ASSERT_EQ(whole->byteSize(), expected.byteSize());
        EXPECT_TRUE(std::equal(whole->data(), whole->data() + whole->byteSize(), expected.data())) << o;
    }
    testing::addToCorpus("picture_fuzz", "turned.jpg", withExif(encodeJpeg(quadrants(320, 240), 80), 6));
    // Damage past the header shows when the data are decoded.
    std::vector<uint8_t> damaged = plain;
    damaged.resize(damaged.size() / 2);
    StillPicture picture;
    ASSERT_TRUE(picture.open(damaged));
    EXPECT_EQ(picture.pixels(1), nullptr);
}

TEST(PictureFile, RefusesFilesItCannotOrMustNotRead) {
    const std::string folder = ::testing::TempDir();
    std::string message;
    PictureFile file;
    EXPECT_FALSE(file.open(folder + "/no-such-picture.jpg", message));
    EXPECT_EQ(message, "无法打开图像文件：" + folder + "/no-such-picture.jpg");
    // Far larger than any scanner's PDF: refused unread (the file is sparse).
    const std::string huge = folder + "/huge.pdf";
    { std::ofstream(huge) << "%PDF-1.4"; }
    std::filesystem::resize_file(huge, kMaxPictureFileBytes + 1);
    EXPECT_FALSE(file.open(huge, message));
    EXPECT_EQ(message, "图像文件过大：" + huge);
    std::filesystem::remove(huge);
}

struct Read {
    std::optional<ReadResult> code;
    WholeReading reading;
    FrameView view;
    Bitmap frame;  // the colour frame the read saw
};

Read readPicture(StillPicture& picture, const CardTemplate& layout) {
    ImageSet images;
    images.create(3);
    CardLocator locator;
    LocationResult result;
    Read out;
    out.code = ReadStillPicture(picture, images, layout, CardFamily::DY, result, locator, {}, &out.view);
    out.frame = images.color.clone();
    if (out.code == ReadResult::Ok) {
        ScriptedPrompter prompter;
        ReadOptions options;
        options.admissionLength = layout.admissionDigits;
        options.questionCount = layout.questionCount;
        ReadLocatedCard(layout, CardFamily::DY, result, images, prompter, options, out.reading);
    }
    return out;
}

Read readBitmap(Bitmap picture, const CardTemplate& layout) {
    StillPicture still;
    still.assign(std::move(picture));
    return readPicture(still, layout);
}

void expectCard(const Card& card, const Read& r) {
    ASSERT_EQ(r.code, ReadResult::Ok);
    EXPECT_EQ(r.reading.reading.admissionNumber, card.truth.admissionNumber);
    EXPECT_EQ(r.reading.reading.subjectCode, card.truth.subjectCode);
    EXPECT_EQ(r.reading.scoreText, card.truth.scoreText);
    for (int q = 0; q < card.questions; ++q) EXPECT_EQ(r.reading.reading.answers[q], card.truth.answers[q]) << q + 1;
}

Card randomCard(unsigned start) {
    std::mt19937 random(start);
    return synthetic::randomCard(random, false);
}

Bitmap cardFrame(const Card& card) {
    Bitmap frame = synthetic::blankFrame();
    synthetic::paint(frame, synthetic::cardRects(card));
    return frame;
}

// The frame magnified `times` (each pixel a block) at (left, top) of a
// larger picture of plain paper.
Bitmap magnified(const Bitmap& frame, int times, int width, int height, int left, int top) {
    Bitmap out(width, height, 3);
    out.fill(228, 231, 233);
    for (int r = 0; r < frame.height() * times; ++r) {
        const uint8_t* src = frame.rowFromTop(r / times);
        uint8_t* dst = out.rowFromTop(top + r) + 3 * left;
        for (int x = 0; x < frame.width() * times; ++x) std::copy(src + 3 * (x / times), src + 3 * (x / times) + 3, dst + 3 * x);
    }
    return out;
}

// Height of the synthetic card's field-of-view box in frame pixels.
double boxHeight(const Card& card) {
    const CardTemplate& t = card.layout;
    return (t.lineSpacing + 13 * t.cellHeight) * synthetic::cardScale(card);
}

TEST(PictureScale, CardsAnywhereInLargePicturesAreBroughtToWebcamSize) {
    const Card card = randomCard(11);
    const Bitmap frame = cardFrame(card);
    const struct {
        int times, width, height, left, top;
    } pictures[] = {{3, 2400, 1800, 300, 200}, {6, 4000, 3000, 80, 60}, {2, 4000, 3000, 2500, 1900},
                    {4, 2600, 3600, 10, 1500}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.times);
        const Read r = readBitmap(magnified(frame, p.times, p.width, p.height, p.left, p.top), card.layout);
        expectCard(card, r);
        // The box as high as a webcam shows it, or as wide as the frame takes.
        const double box = boxHeight(card) * p.times / r.view.factor;
        const double wide = (card.layout.lowerLineLength + 3 * card.layout.cellWidth) * synthetic::cardScale(card) *
                            p.times / r.view.factor;
        EXPECT_TRUE(std::abs(box - kCardHeightShare * kFrameHeight) < 8 || std::abs(wide - kCardWidthShare * kFrameWidth) < 8)
            << box << " " << wide;
        EXPECT_EQ(r.view.quarterTurns, 0);
    }
}

TEST(PictureScale, CardsTurnedInThePictureAreTurnedUpright) {
    const Card card = randomCard(12);
    const Bitmap picture = magnified(cardFrame(card), 4, 3000, 2400, 200, 300);
    // Turned a quarter clockwise, half round, a quarter counter-clockwise.
    const struct {
        int orientation, turnsBack;
    } turns[] = {{6, 3}, {3, 2}, {8, 1}};
    for (const auto& t : turns) {
        const Read r = readBitmap(upright(picture, t.orientation), card.layout);
        expectCard(card, r);
        EXPECT_EQ(r.view.quarterTurns, t.turnsBack) << t.orientation;
    }
}

TEST(PictureScale, PhotoWithOrientationTagReadsThroughTheReducedDecode) {
    const Card card = randomCard(13);
    const Bitmap upright4000 = magnified(cardFrame(card), 5, 4000, 3000, 300, 250);
    // Stored as a phone held upside down stores it, tagged 3.
    StillPicture photo;
    ASSERT_TRUE(photo.open(withExif(encodeJpeg(upright(upright4000, 3), 90), 3)));
    const Read r = readPicture(photo, card.layout);
    expectCard(card, r);
    EXPECT_LT(photo.detail(), 1.0) << "a twelve-megapixel photo is never decoded whole for a large card";
}

// Checks that the frame shows the picture pixel for pixel where the view
// puts it and paper white everywhere else; returns the white pixels.
int expectShownAsItIs(const Bitmap& picture, const Read& r) {
    EXPECT_EQ(r.view.factor, 1.0);
    const int left = int(std::floor(r.view.centreX - kFrameWidth / 2.0));
    const int top = int(std::floor(r.view.centreY - kFrameHeight / 2.0));
    int padded = 0;
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            const uint8_t* seen = r.frame.rowFromTop(y) + 3 * x;
            const int sx = x + left, sy = y + top;
            if (sx >= 0 && sy >= 0 && sx < picture.width() && sy < picture.height()) {
                if (!std::equal(seen, seen + 3, picture.rowFromTop(sy) + 3 * sx)) {
                    ADD_FAILURE() << "frame pixel " << x << "," << y;
                    return -1;
                }
            } else if (seen[0] + seen[1] + seen[2] != 3 * 255) {
                ADD_FAILURE() << "padding at " << x << "," << y;
                return -1;
            } else {
                ++padded;
            }
        }
    }
    return padded;
}

TEST(PictureScale, SmallPicturesArePaddedWithPaperNeverEnlarged) {
    const Card card = randomCard(14);
    const Bitmap frame = cardFrame(card);
    // Cut round the card: 560 x 420, read at its own size in a frame of paper.
    Bitmap cut(560, 420, 3);
    for (int r = 0; r < 420; ++r) {
        std::copy(frame.rowFromTop(30 + r) + 3 * 40, frame.rowFromTop(30 + r) + 3 * 600, cut.rowFromTop(r));
    }
    const Read r = readBitmap(cut.clone(), card.layout);
    expectCard(card, r);
    EXPECT_EQ(expectShownAsItIs(cut, r), kFrameWidth * kFrameHeight - 560 * 420);

    // A third of the size: shown pixel for pixel in the middle, its lines are
    // then too short to be traced - refused, not enlarged into a read.
    const Bitmap small = resized(frame, 213, 160);
    Read whole;
    whole.view = wholePictureView(213, 160);
    renderView(small, 1.0, whole.view, whole.frame);
    EXPECT_EQ(expectShownAsItIs(small, whole), kFrameWidth * kFrameHeight - 213 * 160);
    const Read tiny = readBitmap(small.clone(), card.layout);
    ASSERT_TRUE(tiny.code);
    EXPECT_NE(*tiny.code, ReadResult::Ok);
    EXPECT_EQ(tiny.view.factor, 1.0);
}

TEST(PictureScale, PicturesWithoutACardAreRefused) {
    std::mt19937 random(5);
    // Blank paper with sensor noise.
    Bitmap paper(4000, 3000, 3);
    std::normal_distribution<double> noise(0, 3);
    for (size_t i = 0; i < paper.byteSize(); ++i) paper.data()[i] = uint8_t(std::clamp(225 + noise(random), 0.0, 255.0));
    // Print everywhere: bars, blocks and lines of every size, some parallel.
    std::vector<synthetic::Rect> clutter;
    std::uniform_real_distribution<double> at(0, 640), size(2, 300), thin(1, 6);
    for (int i = 0; i < 150; ++i) {
        const double x = at(random), y = at(random) * 0.75;
        clutter.push_back(i % 3 ? synthetic::Rect{x, y, x + size(random), y + thin(random), 30}
                                : synthetic::Rect{x, y, x + thin(random) * 5, y + thin(random) * 5, 60});
    }
    Bitmap print = synthetic::blankFrame();
    synthetic::paint(print, clutter, {0.05, 0, 0});
    print = magnified(print, 4, 2800, 2000, 60, 40);
    for (Bitmap* picture : {&paper, &print}) {
        const Read r = readBitmap(picture->clone(), synthetic::testLayout());
        ASSERT_TRUE(r.code);
        EXPECT_NE(*r.code, ReadResult::Ok);
        EXPECT_NE(*r.code, ReadResult::Refused);
    }
}

TEST(PictureScale, CameraFramesAreReadAsTheFrameTheyAre) {
    const Card card = randomCard(15);
    const Bitmap frame = cardFrame(card);
    const Read r = readBitmap(frame.clone(), card.layout);
    expectCard(card, r);
    ASSERT_EQ(r.frame.byteSize(), frame.byteSize());
    EXPECT_TRUE(std::equal(frame.data(), frame.data() + frame.byteSize(), r.frame.data()));
}

}  // namespace
}  // namespace tarvel
