// The card read as a black box over small simulator corpora (written by the
// corpus_frames and corpus_photos fixtures): clean and careless cards of
// every layout read exactly, in camera frames as in phone photos and scans,
// every kind of unusable frame refused with its own code.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "corpus.h"
#include "grading.h"

namespace tarvel::corpus {
namespace {

struct Counts {
    int frames = 0, right = 0, silent = 0, refused = 0, wrongCode = 0;
};

struct SetResult {
    Counts all;
    std::map<std::string, Counts> byLayout;
    std::set<int> codesSeen;  // expected codes of the frames read right
    std::string failures;
};

SetResult readSet(const std::string& set) {
    SetResult out;
    const std::string folder = std::string(TARVEL_TEST_CORPUS) + "/" + set;
    std::vector<Truth> truths;
    std::string message;
    EXPECT_TRUE(readTruthFile(folder, truths, message)) << message;
    CorpusReader reader(TARVEL_LAYOUTS);
    for (const Truth& truth : truths) {
        FrameResult r;
        if (!reader.readFrame(folder, truth, r, message)) {
            ADD_FAILURE() << message;
            continue;
        }
        for (Counts* c : {&out.all, &out.byLayout[truth.layout]}) {
            ++c->frames;
            c->right += r.verdict == Verdict::Right;
            c->silent += r.verdict == Verdict::SilentError;
            c->refused += r.verdict == Verdict::Refused;
            c->wrongCode += r.verdict == Verdict::WronglyRefused;
        }
        if (r.verdict == Verdict::Right) out.codesSeen.insert(truth.code);
        if (r.verdict != Verdict::Right) out.failures += "  " + truth.file + " " + truth.layout + ": " + r.difference + "\n";
    }
    return out;
}

// Per set: at most `missing` frames may fail to read (never with a wrong
// field), and every layout must have been read.
struct Goal {
    const char* set;
    int missing;
    size_t layouts;
};

class CorpusAccuracy : public ::testing::TestWithParam<Goal> {};

TEST_P(CorpusAccuracy, ReadsRightWithoutSilentErrors) {
    const Goal goal = GetParam();
    const SetResult r = readSet(goal.set);
    ASSERT_GT(r.all.frames, 0);
    EXPECT_EQ(r.byLayout.size(), goal.layouts) << "every layout in the corpus";
    EXPECT_GE(r.all.right, r.all.frames - goal.missing) << r.failures;
    EXPECT_EQ(r.all.silent, 0) << r.failures;
    EXPECT_EQ(r.all.wrongCode, 0) << r.failures;
    for (const auto& [layout, c] : r.byLayout) EXPECT_GT(c.right, 0) << layout;
}

// Six random layouts, three frames each, at their near, middle and far
// distances.
INSTANTIATE_TEST_SUITE_P(Sets, CorpusAccuracy,
                         ::testing::Values(Goal{"normal", 0, 3}, Goal{"bleed", 0, 3}, Goal{"hard", 1, 3},
                                           Goal{"photos", 0, 3}, Goal{"layouts", 0, 6}),
                         [](const auto& info) { return std::string(info.param.set); });

TEST(CorpusRefusals, CardsOfAnotherLayoutAreRefused) {
    const SetResult r = readSet("wronglayout");
    ASSERT_GT(r.all.frames, 0);
    EXPECT_EQ(r.all.right, r.all.frames) << r.failures;
}

// Each random layout graded as a class by tarvel-grade, its standard answer
// first: every total it stores is the one the cards' truth earns.
TEST(CorpusGrading, RandomLayoutsGradeWithoutAWrongTotal) {
    GradeCheck check;
    std::string message;
    const std::string scratch = ::testing::TempDir() + "tarvel-corpus-grade";
    ASSERT_TRUE(gradeSet(std::string(TARVEL_TEST_CORPUS) + "/layouts", TARVEL_LAYOUTS, TARVEL_GRADE_PROGRAM, scratch,
                         check, message))
        << message;
    EXPECT_EQ(check.classes, 6);
    EXPECT_EQ(check.standardsMissed, 0) << check.problems;
    EXPECT_EQ(check.wrongTotals, 0) << check.problems;
    EXPECT_EQ(check.stored, check.cards - check.classes) << check.problems;
}

TEST(CorpusRefusals, EveryKindOfUnusableFrameGetsItsCode) {
    const SetResult r = readSet("refuse");
    EXPECT_EQ(r.all.right, r.all.frames) << r.failures;
    EXPECT_EQ(r.all.silent, 0) << r.failures;
    // Cut off at each side and corner, turned round, dark desk, no card.
    const std::set<int> kinds = {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(r.codesSeen, kinds) << r.failures;
}

}  // namespace
}  // namespace tarvel::corpus
