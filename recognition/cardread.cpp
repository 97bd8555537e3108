#include "recognition/cardread.h"

#include <exception>

#include "recognition/pixelops.h"

namespace tarvel {

ReadResult LocateOnce(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                      CardLocator& locator, const AfterLocated& afterLocated) {
    try {
        ReadResult code = locator.locate(images, layout, family, result);
        if (code == ReadResult::Ok && afterLocated && !afterLocated()) code = ReadResult::Refused;
        return code;
    } catch (const std::exception&) {
        // A read that breaks down is a card whose lines were not found.
        return ReadResult::TooFewLines;
    }
}

void PrepareFrameImages(ImageSet& images) {
    images.color.copyFrom(images.frame);
    BinarizeFixed(images.frame, kFrameThreshold);
    images.binary.copyFrom(images.frame);
}

ReadResult RetryDarker(ImageSet& images, const std::function<ReadResult()>& attempt) {
    ReadResult code = attempt();
    if (retriedDarker(code)) {
        images.frame.copyFrom(images.color);
        BinarizeFixed(images.frame, kRetryThreshold);
        code = attempt();
    }
    return code;
}

ReadResult LocateWithRetry(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                           CardLocator& locator, const AfterLocated& afterLocated) {
    return RetryDarker(images, [&] { return LocateOnce(images, layout, family, result, locator, afterLocated); });
}

ReadResult ReadCardFrame(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                         CardLocator& locator, const AfterLocated& afterLocated) {
    PrepareFrameImages(images);
    return LocateWithRetry(images, layout, family, result, locator, afterLocated);
}

void ReadLocatedCard(const CardTemplate& layout, CardFamily family, const LocationResult& result, ImageSet& images,
                     Prompter& prompter, const ReadOptions& options, WholeReading& out) {
    out.reading.clear();
    out.scoreText.clear();
    MarkReader reader(layout, family, result, images.normalized, images.rotation, prompter);
    reader.PrepareCardGeometry(out.reading);
    reader.BinarizeReadingAreas();
    reader.ReadAdmissionNumber(out.reading, options.admissionLength);
    reader.ReadSubjectCode(out.reading);
    if (layout.scoreDigits > 0) out.scoreText = reader.ReadDigitColumns(reader.cells().score);
    reader.ReadAnswers(out.reading, options.questionCount, options.multiple);
}

}  // namespace tarvel
