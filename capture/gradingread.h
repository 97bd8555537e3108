#pragma once
// The card read of the grading page: the frame loop's CardReadFn for the real
// program. One attempt locates the card in the prepared images and, when it
// is found, judges it against the grading run the main window holds (layout,
// roster, exam settings, records). The frame loop retries codes 1 and 2 at
// threshold 120 itself, so this reads exactly once per call.
#include <functional>
#include <string>

#include "base/prompter.h"
#include "capture/frameloop.h"
#include "grading/judgement.h"
#include "recognition/cardtemplate.h"
#include "recognition/location.h"

namespace tarvel {

// The state a card read judges against, owned by the main window. The read
// keeps references: a new layout, roster or exam is seen by the next read.
struct GradingRun {
    const TemplateStore& layout;
    const Roster& roster;
    const ExamSettings& settings;
    GradingRecords& records;
    std::string& lastAdmissionNumber;
    Prompter& prompter;
    std::function<GroupChoice()> choice;  // the grading page's grade and class selectors
};

class GradingCardReader {
public:
    explicit GradingCardReader(GradingRun run) : run_(std::move(run)) {}

    // 0 accepted, 1-12 location code, 13 refused by the judgement. The
    // judgement's hint goes to `memo`, its short text to `promptText`.
    int read(ImageSet& images, std::string& promptText, std::string& memo);
    // The reader as the frame loop calls it; the reader must outlive the loop.
    CardReadFn function() {
        return [this](ImageSet& images, std::string& prompt, std::string& memo) { return read(images, prompt, memo); };
    }

    // Called after every judgement (accepted or not): the main window refills
    // the grid, makes the card's row current and sets the caption.
    std::function<void(const Judgement&)> onJudged;

    const LocationResult& location() const { return result_; }

private:
    GradingRun run_;
    CardLocator locator_;  // reused: its masks and tracer keep their memory between reads
    LocationResult result_;
};

}  // namespace tarvel
