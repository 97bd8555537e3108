#include "capture/gradingread.h"

#include "recognition/cardread.h"
#include "recognition/reading.h"

namespace tarvel {

GradingChoice GradingCardReader::choice() const {
    const Roster& roster = run_.students.roster;
    const GroupChoice chosen = choiceFromFilter(roster, run_.filter);
    return GradingChoice{roster.gradesEnabled, chosen.gradeChosen, roster.classesEnabled, chosen.classIndex >= 0};
}

ReadResult GradingCardReader::read(ImageSet& images, std::string& promptText, std::string& memo) {
    return LocateOnce(images, run_.layout.current, run_.layout.family(), result_, locator_,
                      judge(images, promptText, memo));
}

std::optional<ReadResult> GradingCardReader::readPicture(StillPicture& picture, ImageSet& images,
                                                        std::string& promptText, std::string& memo,
                                                        FrameView* used) {
    return ReadStillPicture(picture, images, run_.layout.current, run_.layout.family(), result_, locator_,
                            judge(images, promptText, memo), used);
}

AfterLocated GradingCardReader::judge(ImageSet& images, std::string& promptText, std::string& memo) {
    return [this, &images, &promptText, &memo] {
        const CardTemplate& layout = run_.layout.current;
        const CardFamily family = run_.layout.family();
        MarkReader reader(layout, family, result_, images.normalized, images.rotation, prompter_);
        MarkReaderMarks marks(reader);
        return finish(JudgeCard(marks, context(), run_.records, run_.lastAdmissionNumber), promptText, memo);
    };
}

bool GradingCardReader::storeForStudent(const UnknownCard& card, int student, std::string& promptText,
                                        std::string& memo) {
    return finish(StoreCardForStudent(card, student, context(), run_.records, run_.lastAdmissionNumber), promptText,
                  memo);
}

JudgeContext GradingCardReader::context() const {
    const Roster& roster = run_.students.roster;
    return {roster, run_.settings, choiceFromFilter(roster, run_.filter), prompter_};
}

bool GradingCardReader::finish(const Judgement& judgement, std::string& promptText, std::string& memo) {
    memo = judgement.hint;
    if (judgement.prompt) promptText = *judgement.prompt;
    if (judgement.accepted) run_.unsaved = true;
    if (onJudged) onJudged(judgement);
    return judgement.accepted;
}

}  // namespace tarvel
