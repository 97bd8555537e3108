#include "recognition/picturescale.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "recognition/exif.h"
#include "recognition/reading.h"

namespace tarvel {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The overview is decoded with at least this many picture pixels per frame
// pixel of the whole-picture view, so that thin lines survive in it.
constexpr double kOverviewDetail = 1.5;

// EXIF orientations that turn a picture 0, 1, 2 or 3 quarter turns clockwise.
constexpr int kTurnOrientation[4] = {1, 6, 3, 8};

int floorInt(double v) { return static_cast<int>(std::floor(v)); }

// Area average of the picture over the blocks of a grid: block (x, r) covers
// pixel columns cols[x] .. cols[x + 1] - 1 and rows rows[r] .. rows[r + 1] - 1,
// which may reach beyond the picture (paper white there).
void averageBlocks(const Bitmap& src, const std::vector<int>& cols, const std::vector<int>& rows, Bitmap& out) {
    const int outW = out.width(), bpp = src.bytesPerPixel(), outBpp = out.bytesPerPixel();
    // Each block's columns inside the picture, and a reciprocal for every
    // block area (a multiplication instead of a division per pixel).
    std::vector<int> first(static_cast<size_t>(outW)), last(static_cast<size_t>(outW));
    int widest = 1, tallest = 1;
    for (int x = 0; x < outW; ++x) {
        first[size_t(x)] = std::clamp(cols[size_t(x)], 0, src.width());
        last[size_t(x)] = std::clamp(cols[size_t(x) + 1], 0, src.width());
        widest = std::max(widest, cols[size_t(x) + 1] - cols[size_t(x)]);
    }
    for (int r = 0; r < out.height(); ++r) tallest = std::max(tallest, rows[size_t(r) + 1] - rows[size_t(r)]);
    std::vector<uint64_t> reciprocal(size_t(widest) * tallest + 1);
    for (size_t a = 1; a < reciprocal.size(); ++a) reciprocal[a] = ((uint64_t(1) << 32) + a - 1) / a;
    std::vector<uint32_t> acc(size_t(outW) * 3);
    for (int r = 0; r < out.height(); ++r) {
        std::fill(acc.begin(), acc.end(), 0);
        const int r0 = std::max(rows[size_t(r)], 0), r1 = std::min(rows[size_t(r) + 1], src.height());
        for (int sr = r0; sr < r1; ++sr) {
            const uint8_t* row = src.rowFromTop(sr);
            uint32_t* a = acc.data();
            for (int x = 0; x < outW; ++x, a += 3) {
                const uint8_t* end = row + ptrdiff_t(last[size_t(x)]) * bpp;
                for (const uint8_t* p = row + ptrdiff_t(first[size_t(x)]) * bpp; p < end; p += bpp) {
                    a[0] += p[0], a[1] += p[1], a[2] += p[2];
                }
            }
        }
        const uint32_t high = uint32_t(rows[size_t(r) + 1] - rows[size_t(r)]), insideRows = uint32_t(std::max(0, r1 - r0));
        uint8_t* dst = out.rowFromTop(r);
        for (int x = 0; x < outW; ++x, dst += outBpp) {
            const uint32_t area = uint32_t(cols[size_t(x) + 1] - cols[size_t(x)]) * high;
            const uint32_t white = 255 * (area - uint32_t(last[size_t(x)] - first[size_t(x)]) * insideRows);
            for (int c = 0; c < 3; ++c) {
                dst[c] = uint8_t((uint64_t(acc[size_t(3 * x + c)] + white + area / 2) * reciprocal[area]) >> 32);
            }
        }
    }
}

// Block edges along one side: `count` blocks of `step` source pixels from
// `first`, each at least one pixel.
std::vector<int> blockEdges(double first, double step, int count) {
    std::vector<int> edges(size_t(count) + 1);
    for (int i = 0; i <= count; ++i) edges[size_t(i)] = floorInt(first + i * step);
    for (int i = 1; i <= count; ++i) edges[size_t(i)] = std::max(edges[size_t(i)], edges[size_t(i) - 1] + 1);
    return edges;
}

// Views that show the same thing as one tried already need not be read again.
bool sameView(const FrameView& a, const FrameView& b) {
    return a.quarterTurns == b.quarterTurns && std::fabs(a.factor - b.factor) < 0.03 * a.factor &&
           std::hypot(a.centreX - b.centreX, a.centreY - b.centreY) < 3 * a.factor;
}

// One attempt on a view: location, the orientation test on the located
// card, then afterLocated.
ReadResult locateUpright(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                         CardLocator& locator, const AfterLocated& afterLocated) {
    bool turned = false;
    const ReadResult code = LocateOnce(images, layout, family, result, locator, [&] {
        // On copies: the test binarizes the mark's cells in the card images,
        // which the reading then takes as location left them.
        thread_local Bitmap normalized, confirmation;
        normalized.copyFrom(images.normalized);
        confirmation.copyFrom(images.rotation);
        DecliningPrompter silent;
        turned = !MarkReader(layout, family, result, normalized, confirmation, silent).IsUpright();
        return !turned && (!afterLocated || afterLocated());
    });
    return turned ? ReadResult::UpsideDown : code;
}

}  // namespace

FrameView wholePictureView(int width, int height) {
    FrameView v;
    v.centreX = width / 2.0;
    v.centreY = height / 2.0;
    v.factor = std::max({double(width) / kFrameWidth, double(height) / kFrameHeight, 1.0});
    return v;
}

FrameView cardView(const CardSighting& card, const FrameView& overview, const CardTemplate& t, int pictureWidth,
                   int pictureHeight) {
    // The field-of-view box location checks: 1.5 cells beyond the line ends,
    // one cell below the lower line, 12 above the upper one.
    const double left = -1.5 * t.cellWidth, right = t.lowerLineLength + 1.5 * t.cellWidth;
    const double bottom = -double(t.lineSpacing) - t.cellHeight, top = 12.0 * t.cellHeight;
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (double u : {left, right}) {
        for (double v : {bottom, top}) {
            double x, y;
            card.at(u, v, x, y);
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    // Overview pixels to full-size picture pixels.
    auto pictureX = [&](double x) { return overview.centreX + (x - kFrameWidth / 2.0) * overview.factor; };
    auto pictureY = [&](double y) { return overview.centreY + (y - kFrameHeight / 2.0) * overview.factor; };
    FrameView v;
    v.centreX = std::clamp(pictureX((x0 + x1) / 2), 0.0, double(pictureWidth));
    v.centreY = std::clamp(pictureY((y0 + y1) / 2), 0.0, double(pictureHeight));
    // The card's up, counted counter-clockwise from the picture's right.
    const double degrees = std::atan2(-card.upY, card.upX) * 180 / kPi;
    v.quarterTurns = ((static_cast<int>(std::lround((degrees - 90) / 90)) % 4) + 4) % 4;
    double wide = (x1 - x0) * overview.factor, high = (y1 - y0) * overview.factor;
    if (v.quarterTurns % 2) std::swap(wide, high);
    v.factor = std::max({wide / (kCardWidthShare * kFrameWidth), high / (kCardHeightShare * kFrameHeight), 1.0});
    return v;
}

void renderView(const Bitmap& pixels, double detail, const FrameView& view, Bitmap& frame) {
    const int bpp = frame.empty() ? 3 : frame.bytesPerPixel();
    const bool sideways = view.quarterTurns % 2 != 0;
    const int outW = sideways ? kFrameHeight : kFrameWidth, outH = sideways ? kFrameWidth : kFrameHeight;
    const double step = view.factor * detail;  // decoded pixels per frame pixel
    const std::vector<int> cols = blockEdges(view.centreX * detail - outW * step / 2, step, outW);
    const std::vector<int> rows = blockEdges(view.centreY * detail - outH * step / 2, step, outH);
    if (view.quarterTurns % 4 == 0) {
        if (frame.width() != kFrameWidth || frame.height() != kFrameHeight) frame = Bitmap(kFrameWidth, kFrameHeight, bpp);
        averageBlocks(pixels, cols, rows, frame);
        return;
    }
    thread_local Bitmap seen;
    if (seen.width() != outW || seen.height() != outH || seen.bytesPerPixel() != bpp) seen = Bitmap(outW, outH, bpp);
    averageBlocks(pixels, cols, rows, seen);
    upright(seen, kTurnOrientation[view.quarterTurns % 4], frame);
}

std::optional<ReadResult> ReadStillPicture(StillPicture& picture, ImageSet& images, const CardTemplate& layout,
                                           CardFamily family, LocationResult& result, CardLocator& locator,
                                           const AfterLocated& afterLocated, FrameView* used) {
    if (picture.isCameraFrame()) {
        // Exactly the camera's frame: read as the frame loop reads it.
        const Bitmap* frame = picture.pixels(1);
        if (!frame) return std::nullopt;
        images.frame.copyFrom(*frame);
        if (used) *used = wholePictureView(picture.width(), picture.height());
        return ReadCardFrame(images, layout, family, result, locator, afterLocated);
    }
    const FrameView whole = wholePictureView(picture.width(), picture.height());
    const Bitmap* pixels = picture.pixels(kOverviewDetail / whole.factor);
    if (!pixels) return std::nullopt;
    renderView(*pixels, picture.detail(), whole, images.frame);
    std::vector<FrameView> views;
    for (const CardSighting& card : findCards(images.frame, layout)) {
        const FrameView v = cardView(card, whole, layout, picture.width(), picture.height());
        if (std::none_of(views.begin(), views.end(), [&](const FrameView& o) { return sameView(o, v); })) {
            views.push_back(v);
        }
    }
    if (std::none_of(views.begin(), views.end(), [&](const FrameView& o) { return sameView(o, whole); })) {
        views.push_back(whole);
    }
    if (views.size() > size_t(kMostViews)) views.erase(views.begin() + (kMostViews - 1), views.end() - 1);

    std::optional<ReadResult> first;
    for (FrameView view : views) {
        // The frame never enlarges the pixels it is made from. Where the
        // picture is decoded too coarsely for the card's share, the card is
        // shown a little smaller rather than decoded again, down to the
        // nearest share a webcam is used at.
        if (view.factor * picture.detail() < 1 &&
            view.factor * picture.detail() * kCardHeightShare / kNearestCardShare >= 1) {
            view.factor = 1 / picture.detail();
        }
        pixels = picture.pixels(1 / view.factor);
        if (!pixels) return std::nullopt;
        renderView(*pixels, picture.detail(), view, images.frame);
        PrepareFrameImages(images);
        const ReadResult code =
            RetryDarker(images, [&] { return locateUpright(images, layout, family, result, locator, afterLocated); });
        if (code == ReadResult::Ok || code == ReadResult::Refused) {
            if (used) *used = view;
            return code;
        }
        if (!first) {
            first = code;
            if (used) *used = view;
        }
    }
    return first;
}

}  // namespace tarvel
