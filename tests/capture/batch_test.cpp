// Batch grading of a folder of pictures: name order, grading as "阅卷"
// does, stopping between pictures and going on, pictures that cannot be
// read, and the judgement's questions kept as choices that store the card
// only when the teacher says so.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "capture/batchgrading.h"
#include "capture/frameloop.h"
#include "recognition/imagefile.h"
#include "synthetic.h"

namespace tarvel {
namespace {

namespace fs = std::filesystem;

// One line per picture in the list, and the count over it.
TEST(BatchList, OutcomeLinesAndSummary) {
    BatchOutcome standard;
    standard.record = 0;
    EXPECT_EQ(outcomeLine(standard), "标准答案");
    BatchOutcome given;
    given.record = 3;
    given.admissionNumber = "20240104";
    given.name = "赵六";
    given.total = 92.5f;
    given.assignedStudent = 3;
    EXPECT_EQ(outcomeLine(given), "20240104 赵六 92.5分（手动指定）");
    BatchOutcome refused;
    refused.prompt = "标准答案答题卡准考证号必须全空";
    refused.hint = "\u3000\u3000标准答案答题卡准考证号必须全空。\r\n\u3000\u3000如果需要……";
    EXPECT_EQ(outcomeLine(refused), "标准答案答题卡准考证号必须全空。") << "the first line, without its indent";
    refused.hint.clear();
    EXPECT_EQ(outcomeLine(refused), "标准答案答题卡准考证号必须全空");

    BatchOutcome waiting;
    waiting.question = BatchQuestion::OtherClass;
    EXPECT_EQ(batchSummary({standard, given, refused, waiting}, 4), "共4张图片：存入2张，未存入1张，待选择1张。");
    waiting.answered = true;
    EXPECT_EQ(batchSummary({standard, waiting}, 5), "共2张图片：存入1张，未存入1张。已停止，还有3张未阅。");
}

TEST(BatchOrder, NumbersInNamesCountByValue) {
    EXPECT_TRUE(comesBefore("卡2.jpg", "卡10.jpg"));
    EXPECT_FALSE(comesBefore("卡10.jpg", "卡2.jpg"));
    EXPECT_TRUE(comesBefore("IMG_0009.jpg", "IMG_0010.jpg"));
    EXPECT_TRUE(comesBefore("a9.png", "b1.png"));
    EXPECT_TRUE(comesBefore("/z/scan1.png", "/a/scan2.png")) << "the file's name decides, not its folder";
    EXPECT_FALSE(comesBefore("x.png", "x.png"));
}

std::vector<std::string> key() {
    std::vector<std::string> answers;
    for (int q = 0; q < 85; ++q) answers.push_back(std::string(1, "ABCD"[(q * 7) % 4]));
    return answers;
}

class BatchGradingTest : public ::testing::Test {
protected:
    BatchGradingTest() : folder(fs::temp_directory_path() / ("tarvel-batch-" + std::to_string(::getpid()))) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        run.layout.chosenCardName = synthetic::kTestLayoutName;
        run.layout.current = synthetic::testLayout();
        Roster& roster = run.students.roster;
        roster.admissionLength = 8;
        roster.classesEnabled = true;
        roster.students = {{"20240101", "张三", "", "01"}, {"20240102", "李四", "", "01"}, {"20240201", "王五", "", "02"}};
        run.filter.classCode = "01";
        ExamSettings& s = run.settings;
        s.subjectCode = "01";
        s.sections[0] = {1, 85, 1.0f, kSingleChoice};
        s.sectionCount = 1;
        for (int q = 0; q < 85; ++q) s.questions[q] = {1.0f, kSingleChoice, 0, 0};
        s.questionCount = 85;
    }
    ~BatchGradingTest() override { fs::remove_all(folder); }

    // A camera frame of a card, saved as `name` in the folder.
    void card(const std::string& name, const std::string& admission, std::vector<std::string> answers = key()) {
        synthetic::Card c;
        c.truth.admissionNumber = admission;
        c.truth.subjectCode = "01";
        c.truth.scoreText = "000";
        for (size_t q = 0; q < answers.size(); ++q) c.truth.answers[q] = answers[q];
        Bitmap frame = synthetic::blankFrame();
        synthetic::paint(frame, synthetic::cardRects(c));
        ASSERT_TRUE(writePngFile((folder / name).string(), frame));
    }

    fs::path folder;
    GradingRun run;
};

TEST_F(BatchGradingTest, GradesInNameOrderAndKeepsTheQuestionsForTheTeacher) {
    std::vector<std::string> changed = key();
    for (int q : {1, 2, 3, 4, 5}) changed[q] = changed[q] == "A" ? "B" : "A";
    card("卡1.png", "        ");              // the standard answer
    card("卡2.png", "20240101");              // 张三
    card("卡3.png", "20240102");              // 李四
    card("卡4.png", "20240201");              // 王五, class 02
    card("卡10.png", "20240101", changed);    // 张三 again, five answers differ
    std::ofstream(folder / "卡5.jpg") << "not a picture";
    std::ofstream(folder / "说明.txt") << "skipped";

    const std::vector<std::string> files = picturesInFolder(folder.string());
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(fs::path(files[4]).filename().string(), "卡5.jpg");
    EXPECT_EQ(fs::path(files[5]).filename().string(), "卡10.png");
    ASSERT_EQ(BatchGrading::cannotStart(run), "");
    BatchGrading batch(run, files);
    const std::atomic<bool> stop{false};
    ASSERT_TRUE(batch.run(stop));
    const auto& o = batch.outcomes();
    ASSERT_EQ(o.size(), 6u);

    EXPECT_EQ(o[0].record, 0);
    EXPECT_EQ(o[0].prompt, "标准答案已经读入");
    EXPECT_EQ(o[1].name, "张三");
    EXPECT_EQ(o[1].total, 85.0f);
    EXPECT_EQ(o[2].name, "李四");
    // Another class: nothing stored, the choice offered.
    EXPECT_FALSE(o[3].stored());
    EXPECT_EQ(o[3].question, BatchQuestion::OtherClass);
    EXPECT_EQ(o[3].prompt, kOtherClassPrompt);
    // Not a picture: told, and the batch went on.
    EXPECT_FALSE(o[4].code);
    EXPECT_EQ(o[4].hint, "不是可读的PNG、JPEG或BMP图像：" + files[4]);
    // The repeated read that differs much: the question instead of a box.
    EXPECT_FALSE(o[5].stored());
    EXPECT_EQ(o[5].question, BatchQuestion::RepeatDiffers);
    EXPECT_NE(o[5].questionText.find("准考证号：20240101 姓名：张三。这是此答题卡第2次读入"), std::string::npos);
    ASSERT_EQ(run.records.size(), 3u);
    EXPECT_EQ(run.records[1].readCount, 1);
    EXPECT_TRUE(run.unsaved);

    // Choices: only open questions take one.
    EXPECT_FALSE(batch.choose(1, true));
    EXPECT_TRUE(batch.choose(3, false));
    EXPECT_FALSE(batch.choose(3, true)) << "answered";
    EXPECT_EQ(run.records.size(), 3u);
    EXPECT_TRUE(batch.choose(5, true));
    EXPECT_TRUE(o[5].stored());
    EXPECT_EQ(o[5].record, 1);
    EXPECT_EQ(run.records[1].readCount, 2);
    EXPECT_EQ(run.records[1].total, 80.0f);
    EXPECT_EQ(run.records[1].answer(2).str(), changed[1]);
}

TEST_F(BatchGradingTest, AStudentOfAnotherClassIsStoredWhenTheTeacherSaysSo) {
    card("a.png", "        ");
    card("b.png", "20240201");
    BatchGrading batch(run, picturesInFolder(folder.string()));
    batch.gradeNext();
    ASSERT_EQ(batch.gradeNext().question, BatchQuestion::OtherClass);
    EXPECT_TRUE(batch.choose(1, true));
    const BatchOutcome& stored = batch.outcomes()[1];
    EXPECT_EQ(stored.name, "王五");
    EXPECT_TRUE(stored.anyClass);
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_EQ(run.records[1].classCode, "02");
    EXPECT_EQ(run.filter.classCode, "01") << "the page's class stays chosen";
}

TEST_F(BatchGradingTest, AnUnknownNumberIsStoredForTheSuggestedStudent) {
    card("a.png", "        ");
    card("b.png", "20240110");  // 张三's 20240101 with two columns swapped
    BatchGrading batch(run, picturesInFolder(folder.string()));
    batch.gradeNext();
    const BatchOutcome& unknown = batch.gradeNext();
    EXPECT_EQ(unknown.prompt, "学生名单中没有此学生");
    ASSERT_TRUE(unknown.unknownCard);
    ASSERT_EQ(unknown.unknownCard->suggestions.size(), 1u);
    EXPECT_EQ(unknown.unknownCard->suggestions[0].name, "张三");
    EXPECT_FALSE(batch.storeForStudent(0, 0)) << "the standard answer is no unknown card";
    ASSERT_TRUE(batch.storeForStudent(1, unknown.unknownCard->suggestions[0].student));
    const BatchOutcome& stored = batch.outcomes()[1];
    EXPECT_EQ(stored.name, "张三");
    EXPECT_FALSE(stored.unknownCard);
    EXPECT_EQ(stored.hint.rfind("答题卡上的准考证号：20240110，已手动指定为：20240101 张三", 0), 0u);
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_TRUE(run.records[1].handAssigned);
    EXPECT_EQ(run.records[1].total, 85.0f);
}

TEST_F(BatchGradingTest, StopsBetweenPicturesAndGoesOnWhereItStopped) {
    card("1.png", "        ");
    card("2.png", "20240101");
    card("3.png", "20240102");
    BatchGrading batch(run, {(folder / "3.png").string(), (folder / "1.png").string(), (folder / "2.png").string()});
    ASSERT_EQ(batch.total(), 3u);
    std::atomic<bool> stop{false};
    std::vector<size_t> seen;
    EXPECT_FALSE(batch.run(stop, [&](size_t done, size_t total) {
        seen.push_back(done);
        EXPECT_EQ(total, 3u);
        if (done == 1) stop = true;
    }));
    EXPECT_EQ(seen, std::vector<size_t>{1});
    EXPECT_EQ(run.records.size(), 1u) << "only the standard answer, the first in name order";
    stop = false;
    EXPECT_TRUE(batch.run(stop));
    EXPECT_EQ(batch.done(), 3u);
    EXPECT_EQ(batch.outcomes()[2].name, "李四");
}

TEST_F(BatchGradingTest, DoesNotStartWithoutTheGradingPagesClass) {
    run.filter.classCode = "";
    EXPECT_EQ(BatchGrading::cannotStart(run), kChooseClass);
}

}  // namespace
}  // namespace tarvel
