#pragma once
// The card read of the grading page: the frame loop's CardReadFn for the real
// program. One attempt locates the card in the prepared images and, when it
// is found, judges it against the grading run the main window owns (layout,
// roster, exam settings, records, the grading page's filter). The frame loop
// retries codes 1 and 2 at threshold 120 itself, so this reads exactly once
// per call.
#include <functional>
#include <optional>
#include <string>

#include "base/prompter.h"
#include "capture/frameloop.h"
#include "grading/judgement.h"
#include "gradingfile/gradingrun.h"
#include "recognition/location.h"
#include "recognition/picturescale.h"

namespace tarvel {

class GradingCardReader {
public:
    // Keeps a reference to the run: a new layout, roster, exam or filter is
    // seen by the next read. The run and the prompter outlive the reader.
    GradingCardReader(GradingRun& run, Prompter& prompter) : run_(run), prompter_(prompter) {}

    // Ok accepted (the run is then unsaved), a location failure, or Refused
    // by the judgement. The judgement's hint goes to `memo`, its short text
    // to `promptText`.
    ReadResult read(ImageSet& images, std::string& promptText, std::string& memo);
    // A still picture of any size read and judged as a press of "阅卷"
    // reads a camera frame (see picturescale.h); nullopt when its data turn
    // out damaged. `used` receives how the picture was framed.
    std::optional<ReadResult> readPicture(StillPicture& picture, ImageSet& images, std::string& promptText,
                                          std::string& memo, FrameView* used = nullptr);
    // The reader as the frame loop calls it; the reader must outlive the loop.
    CardReadFn function() {
        return [this](ImageSet& images, std::string& prompt, std::string& memo) { return read(images, prompt, memo); };
    }

    // The grade and class boxes of the grading page, as the run's filter
    // sets them: the checks before a read.
    GradingChoice choice() const;

    // The grading page's one click on a roster suggestion: stores a card the
    // last read refused as unknown (Judgement::unknownCard) for roster student
    // `student` (StoreCardForStudent), with the same bookkeeping as a read:
    // hint and prompt, the run unsaved when accepted, onJudged. True when the
    // card was stored; the caller announces it as it announces a read.
    bool storeForStudent(const UnknownCard& card, int student, std::string& promptText, std::string& memo);

    // Called after every judgement (accepted or not): the main window refills
    // the grid, makes the card's row current, sets the caption and shows the
    // save button.
    std::function<void(const Judgement&)> onJudged;

    const LocationResult& location() const { return result_; }

private:
    // The judgement of a located card, as location's afterLocated.
    AfterLocated judge(ImageSet& images, std::string& promptText, std::string& memo);
    JudgeContext context() const;
    bool finish(const Judgement& judgement, std::string& promptText, std::string& memo);

    GradingRun& run_;
    Prompter& prompter_;
    CardLocator locator_;  // reused: its masks and tracer keep their memory between reads
    LocationResult result_;
};

}  // namespace tarvel
