#include "capture/gradingread.h"

#include "recognition/cardread.h"
#include "recognition/reading.h"

namespace tarvel {

int GradingCardReader::read(ImageSet& images, std::string& promptText, std::string& memo) {
    const CardTemplate& layout = run_.layout.current;
    const CardFamily family = run_.layout.family();
    return LocateOnce(images, layout, family, result_, locator_, [&] {
        MarkReader reader(layout, family, result_, images.normalized, images.rotation, run_.prompter);
        MarkReaderMarks marks(reader);
        JudgeContext context{run_.roster,  run_.settings,    run_.choice ? run_.choice() : GroupChoice{},
                             run_.records, run_.lastAdmissionNumber, promptText, run_.prompter};
        const Judgement judgement = JudgeCard(marks, context);
        memo = judgement.hint;
        if (onJudged) onJudged(judgement);
        return judgement.accepted;
    });
}

}  // namespace tarvel
