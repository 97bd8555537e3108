#include "recognition/cardread.h"

#include <exception>

#include "recognition/pixelops.h"

namespace tarvel {

int LocateOnce(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
               CardLocator& locator, const AfterLocated& afterLocated) {
    try {
        int code = locator.locate(images, layout, family, result);
        if (code == location::kLocated && afterLocated && !afterLocated()) code = location::kJudgementRejected;
        return code;
    } catch (const std::exception&) {
        // A read that breaks down is a card whose lines were not found.
        return location::kTooFewLines;
    }
}

void PrepareFrameImages(ImageSet& images) {
    images.color.copyFrom(images.frame);
    BinarizeFixed(images.frame, kFrameThreshold);
    images.binary.copyFrom(images.frame);
}

int LocateWithRetry(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                    CardLocator& locator, const AfterLocated& afterLocated) {
    int code = LocateOnce(images, layout, family, result, locator, afterLocated);
    if (code == location::kTooFewLines || code == location::kNoFittingPair) {
        images.frame.copyFrom(images.color);
        BinarizeFixed(images.frame, kRetryThreshold);
        code = LocateOnce(images, layout, family, result, locator, afterLocated);
    }
    return code;
}

int ReadCardFrame(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                  CardLocator& locator, const AfterLocated& afterLocated) {
    PrepareFrameImages(images);
    return LocateWithRetry(images, layout, family, result, locator, afterLocated);
}

void ReadLocatedCard(const CardTemplate& layout, CardFamily family, const LocationResult& result, ImageSet& images,
                     Prompter& prompter, const ReadOptions& options, WholeReading& out) {
    out.reading.clear();
    out.scoreText.clear();
    MarkReader reader(layout, family, result, images.normalized, images.rotation, prompter, options.method);
    reader.PrepareCardGeometry(out.reading);
    reader.BinarizeReadingAreas();
    reader.ReadAdmissionNumber(out.reading, options.admissionLength);
    reader.ReadSubjectCode(out.reading);
    if (layout.scoreDigits > 0) out.scoreText = reader.ReadDigitColumns(reader.cells().score);
    reader.ReadAnswers(out.reading, options.questionCount, options.multiple);
    out.withoutShareRule = reader.withoutShareRule();
}

}  // namespace tarvel
