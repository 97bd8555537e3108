#pragma once
// The card read shared by the frame loop and the tools: the frame images are
// prepared as the timer tick leaves them, the card is located, and a failure
// to find the detection lines is retried once with the frame binarized at 120
// (a darker threshold that lets faint lines through).
#include <array>
#include <functional>
#include <string>

#include "base/prompter.h"
#include "recognition/location.h"
#include "recognition/readresult.h"
#include "recognition/reading.h"

namespace tarvel {

// The threshold every frame is binarized at, and the darker one of the
// second attempt when the detection lines were not found.
inline constexpr int kFrameThreshold = 100;
inline constexpr int kRetryThreshold = 120;

// images.frame holds the colour frame: it is copied to images.color,
// binarized at 100 and copied to images.binary.
void PrepareFrameImages(ImageSet& images);

// Runs `attempt` on the prepared images; when it did not find the detection
// lines (codes 1 and 2), binarizes the colour copy at 120 into images.frame
// and runs it once more. Returns the result of the last attempt.
ReadResult RetryDarker(ImageSet& images, const std::function<ReadResult()>& attempt);

// Runs after a successful location (the judgement in the frame loop); false
// turns the read into code 13.
using AfterLocated = std::function<bool()>;

// One attempt: locates the card in the prepared images and, when located,
// runs afterLocated. An exception during the attempt counts as code 1.
ReadResult LocateOnce(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
               CardLocator& locator, const AfterLocated& afterLocated = {});

// LocateOnce under RetryDarker.
ReadResult LocateWithRetry(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                    CardLocator& locator, const AfterLocated& afterLocated = {});

// PrepareFrameImages and LocateWithRetry.
ReadResult ReadCardFrame(ImageSet& images, const CardTemplate& layout, CardFamily family, LocationResult& result,
                  CardLocator& locator, const AfterLocated& afterLocated = {});

// What to read from a located card.
struct ReadOptions {
    int admissionLength = 0;
    int questionCount = 0;
    std::array<bool, kMaxQuestions> multiple{};  // per question, from question 1
};

struct WholeReading {
    CardReading reading;
    std::string scoreText;  // the digits of the subjective-score grid as read
};

// The reading operations in the judgement's order: geometry and A/B flag,
// area binarization, admission number, subject code, score digits (when the
// layout has a score field), answers. Only after a location that gave 0.
void ReadLocatedCard(const CardTemplate& layout, CardFamily family, const LocationResult& result, ImageSet& images,
                     Prompter& prompter, const ReadOptions& options, WholeReading& out);

}  // namespace tarvel
