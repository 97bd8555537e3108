// The demo sequence of the virtual camera graded automatically with the real
// card read: location, mark reading and judgement against the sample roster
// and the demo exam, on a clock that moves 100 ms per frame.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/floattext.h"
#include "base/paths.h"
#include "demofiles.h"
#include "demostation.h"
#include "output/voiceprompts.h"

namespace tarvel::demo {
namespace {

const std::string kProgram = TARVEL_PROGRAM_DIR;
const std::string kSequence = kProgram + "/演示答题卡/";

// The demo exam scored by hand: questions 1-70 worth 1, 71-85 worth 2.
int expectedTotal(const std::vector<std::string>& key, const std::vector<std::string>& answers) {
    int total = 0;
    for (size_t q = 0; q < key.size(); ++q) total += answers[q] == key[q] ? (q < 70 ? 1 : 2) : 0;
    return total;
}

int firstStillFrame(const DemoCard& card) { return std::stoi(card.file); }

TEST(DemoGrading, EveryCardIsGradedOnceWithItsTotalAndTheRefusedCardsAreNamed) {
    std::vector<DemoCard> cards;
    ASSERT_EQ(readCards(kSequence + "cards.tsv", cards), "");
    ASSERT_GE(cards.size(), 33u);
    auto folder = std::make_unique<PictureFolder>(kSequence);
    const size_t frames = folder->size();
    DemoStation station(kProgram, TARVEL_DEMO_EXAM, std::move(folder));
    ASSERT_EQ(station.problem(), "");
    // The hand scoring above is this exam.
    ASSERT_EQ(station.settings().questionCount, 85);
    EXPECT_EQ(station.settings().question(70).fullScore, 1.0f);
    EXPECT_EQ(station.settings().question(71).fullScore, 2.0f);
    EXPECT_EQ(station.settings().question(85).fullScore, 2.0f);

    for (size_t i = 0; i < frames; ++i) station.tick();

    // Each read belongs to the card lying still at that frame.
    std::vector<std::vector<Announced>> byCard(cards.size());
    for (const Announced& a : station.announced()) {
        size_t card = 0;
        while (card + 1 < cards.size() && firstStillFrame(cards[card + 1]) <= a.frame) ++card;
        ASSERT_GE(a.frame, firstStillFrame(cards[card])) << "read before the first card lay still";
        byCard[card].push_back(a);
    }
    const std::vector<std::string>& key = cards[0].answers;
    size_t students = 0;
    for (size_t i = 0; i < cards.size(); ++i) {
        const DemoCard& c = cards[i];
        SCOPED_TRACE(c.kind + " " + c.admission + " " + c.file);
        ASSERT_EQ(byCard[i].size(), 1u);
        const Announced& a = byCard[i][0];
        // Still for more than 2 s: at least 21 ticks after it came to rest,
        // and within its 3 s of rest.
        EXPECT_GE(a.frame, firstStillFrame(c) + 20);
        EXPECT_LT(a.frame, firstStillFrame(c) + 30);
        if (c.kind == "standard") {
            EXPECT_EQ(a.code, ReadResult::Ok);
            EXPECT_EQ(a.prompt, "标准答案已经读入");
            for (int q = 1; q <= 85; ++q) EXPECT_EQ(station.records()[0].answer(q).str(), key[size_t(q - 1)]) << q;
        } else if (c.kind == "student") {
            EXPECT_EQ(a.code, ReadResult::Ok) << a.memo;
            EXPECT_EQ(a.prompt, c.name + std::to_string(expectedTotal(key, c.answers)) + "分");
            EXPECT_EQ(a.wave, installedPath(kSuccessWave));
            const int r = findRecord(station.records(), c.admission);
            ASSERT_GT(r, 0);
            const GradingRecord& record = station.records()[size_t(r)];
            EXPECT_EQ(record.readCount, 1);
            EXPECT_EQ(record.paperType, c.abFlag);
            for (int q = 1; q <= 85; ++q) EXPECT_EQ(record.answer(q).str(), c.answers[size_t(q - 1)]) << q;
            ++students;
        } else if (c.kind == "cutoff") {
            EXPECT_GE(codeOf(a.code), 3) << a.prompt;
            EXPECT_LE(codeOf(a.code), 10) << a.prompt;
            EXPECT_EQ(a.prompt, readResultText(a.code));
            EXPECT_EQ(a.memo, a.prompt + kMoveCardSuffix);
            EXPECT_EQ(a.wave, installedPath(kWrongWave));
        } else {
            ASSERT_EQ(c.kind, "turned");
            EXPECT_EQ(a.code, ReadResult::UpsideDown);
            EXPECT_EQ(a.prompt, "图像倒立");
            EXPECT_EQ(a.wave, installedPath(kWrongWave));
        }
    }
    EXPECT_GE(students, 30u);
    EXPECT_EQ(station.records().size(), students + 1);
    EXPECT_TRUE(station.prompter().shown().empty());
}

// The stranger 202410199 of the batch pictures, refused as unknown: the
// students of the class one column away are named, and the card is given to
// the first of them by hand — who was graded already, so the repeated-read
// question comes first.
void storeStrangerForSuggestedStudent(DemoStation& station, const std::vector<DemoCard>& cards,
                                      const DemoCard& stranger, const std::optional<Judgement>& judged) {
    ASSERT_TRUE(judged && judged->unknownCard);
    const UnknownCard card = *judged->unknownCard;
    std::vector<std::string> numbers;
    for (const StudentSuggestion& s : card.suggestions) numbers.push_back(s.admissionNumber);
    EXPECT_EQ(numbers, (std::vector<std::string>{"202410109", "202410119", "202410129"}));
    EXPECT_NE(judged->hint.find("\r\n" + suggestionText(card.suggestions)), std::string::npos);

    auto graded =
        std::find_if(cards.begin(), cards.end(), [](const DemoCard& c) { return c.admission == "202410109"; });
    ASSERT_NE(graded, cards.end());
    int differing = 0;
    for (size_t q = 0; q < stranger.answers.size(); ++q) differing += stranger.answers[q] != graded->answers[q];
    ASSERT_GT(differing, 3) << "the stranger's card must differ from 202410109's in more than three answers";

    GradingRun& run = station.run();
    const GradingRecords before = run.records;
    std::string prompt, memo;
    EXPECT_FALSE(station.reader().storeForStudent(card, card.suggestions[0].student, prompt, memo));
    ASSERT_EQ(station.prompter().shown().size(), 1u);
    EXPECT_EQ(station.prompter().shown()[0].kind, PromptKind::OkCancel);
    EXPECT_EQ(run.records, before);
    EXPECT_FALSE(run.unsaved);

    station.prompter().answerNext(Answer::Ok);
    EXPECT_TRUE(station.reader().storeForStudent(card, card.suggestions[0].student, prompt, memo));
    EXPECT_TRUE(run.unsaved);
    const GradingRecord& r = run.records[size_t(findRecord(run.records, "202410109"))];
    EXPECT_TRUE(r.handAssigned);
    EXPECT_EQ(r.readCount, 2);
    for (int q = 1; q <= 85; ++q) EXPECT_EQ(r.answer(q).str(), stranger.answers[size_t(q - 1)]) << q;
    EXPECT_EQ(prompt, r.name + floatToText(r.total) + "分");
    EXPECT_EQ(memo.rfind("答题卡上的准考证号：202410199，已手动指定为：202410109 ", 0), 0u) << memo;
    station.prompter().clear();
}

// The still pictures for batch grading, read one by one with the grading
// button: the standard answer, the class, a repeated read, a stranger.
TEST(DemoGrading, BatchPicturesGiveTheirOutcomesInNameOrder) {
    const std::string grade = TARVEL_DEMO_GRADE "/";
    std::vector<DemoCard> cards;
    ASSERT_EQ(readCards(grade + "cards.tsv", cards), "");
    auto folder = std::make_unique<PictureFolder>(grade);
    ASSERT_EQ(folder->size(), cards.size());
    DemoStation station(kProgram, TARVEL_DEMO_EXAM, std::move(folder));
    ASSERT_EQ(station.problem(), "");
    station.loop().BtnAutoAnswerCardClick();  // by hand
    const std::vector<std::string>& key = cards[0].answers;
    // The reads judge against the main window's one grading run and change it.
    GradingRun& run = station.run();
    std::optional<Judgement> judged;
    station.reader().onJudged = [&](const Judgement& j) { judged = j; };
    std::string lastAccepted;
    for (const DemoCard& c : cards) {
        SCOPED_TRACE(c.file);
        station.tick();
        station.clearAnnounced();
        run.unsaved = false;
        station.loop().BtnAnswerCardClick();
        ASSERT_EQ(station.announced().size(), 1u);
        const Announced& a = station.announced()[0];
        if (c.kind == "standard") {
            EXPECT_EQ(a.prompt, "标准答案已经读入");
        } else if (c.kind == "unknown") {
            EXPECT_EQ(a.code, ReadResult::Refused);
            EXPECT_EQ(a.prompt, "学生名单中没有此学生");
            EXPECT_FALSE(run.unsaved);
            EXPECT_EQ(run.lastAdmissionNumber, lastAccepted);
            storeStrangerForSuggestedStudent(station, cards, c, judged);
            continue;
        } else {
            EXPECT_EQ(a.prompt, c.name + std::to_string(expectedTotal(key, c.answers)) + "分");
        }
        EXPECT_EQ(a.code, ReadResult::Ok) << a.memo;
        EXPECT_TRUE(run.unsaved);
        if (c.kind != "standard") {
            EXPECT_EQ(run.lastAdmissionNumber, c.admission);
        }
        lastAccepted = run.lastAdmissionNumber;
        if (c.kind == "repeat") {
            EXPECT_EQ(a.memo, "该答题卡这次阅卷结果和上次相同，已经阅卷次数：2");
        }
    }
    EXPECT_EQ(station.records().size(), cards.size() - 2);
}

}  // namespace
}  // namespace tarvel::demo
