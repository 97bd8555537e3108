// The three commands of a grading run over plain state: save, open and new,
// with the save-first questions, the marker file and saves that fail.
#include "gradingfile/gradingrun.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/bytes.h"
#include "base/gbk.h"
#include "base/paths.h"
#include "roster/recordtext.h"
#include "tests/hugefile.h"
#include "tests/programfolder.h"
#include "tests/samplecard/samplecard.h"

namespace tarvel {
namespace {

using testing::DiskFullAfter;
using testing::fileBytes;
using testing::ProgramFolder;
using testing::ScriptedDialogs;

class Chooser : public CardChooser {
public:
    std::string answer;
    std::string shownWith, caption;
    std::string choose(const std::string& current, const std::string& c) override {
        shownWith = current;
        caption = c;
        return answer;
    }
};

class GradingRunCommands : public ::testing::Test {
protected:
    GradingRunCommands() {
        const auto layout = encodeTemplate(sample::sampleLayout());
        std::string error;
        EXPECT_TRUE(saveFileAtomically(folder.path("模板文件/DYtest.dat"),
                                       std::vector<uint8_t>(layout.begin(), layout.end()), error));
        run.students.roster.admissionLength = 9;
        run.students.roster.students = {{"202410101", "王浩然", "", ""}, {"202410102", "赵梦瑶", "", ""}};
        run.students.currentPath = folder.path("学生信息文件/一班.xs");
        run.settings.cardName = run.layout.chosenCardName = "DYtest.dat";
        run.settings.examName = "期中";
        run.settings.subjectCode = "01";
        run.settings.subjectName = "数学";
        run.settings.sections[0] = {1, 2, 1.0f, kSingleChoice};
        run.settings.sectionCount = 1;
        run.settings.questions[0] = run.settings.questions[1] = {1.0f, kSingleChoice, 0, 0};
        run.settings.questionCount = 2;
        run.filter = {"", "ALL"};
        run.records.resize(2);
        run.records[0].readCount = 1;
        run.records[0].answers[0].answer = "A";
        run.records[1].readCount = 3;
        run.records[1].admissionNumber = "202410101";
        run.records[1].total = 1;
        run.unsaved = run.runStarted = run.next1Enabled = true;
    }

    std::string yj(const std::string& name) { return folder.path(std::string(installed::kRawFiles) + name); }
    std::string marker() { return folder.path(installed::kSavedMarker); }

    ProgramFolder folder{"tarvel-gradingrun"};
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    GradingRun run;
};

TEST_F(GradingRunCommands, SaveWritesExamAndSubjectNamedFileAndTheMarkerOnce) {
    EXPECT_FALSE(savedMarkerExists());
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));  // the folder did not exist yet
    EXPECT_FALSE(run.unsaved);
    EXPECT_TRUE(prompter.shown().empty());
    EXPECT_EQ(fileBytes(yj("期中数学.yj")).size(), 287775u + 2 * 2620);
    EXPECT_EQ(fileBytes(marker()), std::vector<uint8_t>{0x01});
    EXPECT_TRUE(savedMarkerExists());

    // Later saves leave the marker alone; the same exam and subject replace the file.
    std::ofstream(marker(), std::ios::binary | std::ios::app).put('x');
    run.records.pop_back();
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    EXPECT_EQ(fileBytes(yj("期中数学.yj")).size(), 287775u + 2620);
    EXPECT_EQ(fileBytes(marker()).size(), 2u);
    EXPECT_EQ(folder.filesIn(installed::kRawFiles), 1u);

    run.settings.examName = "期中/补考";
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    EXPECT_EQ(fileBytes(yj("期中_补考数学.yj")).size(), 287775u + 2620);
}

TEST_F(GradingRunCommands, AFailedSaveKeepsTheOldFileTheRunUnsavedAndNoMarker) {
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    std::filesystem::remove(marker());
    const std::vector<uint8_t> old = fileBytes(yj("期中数学.yj"));
    run.records.push_back(run.records[1]);
    run.records[2].admissionNumber = "202410102";
    const size_t newSize = old.size() + 2620;

    // Every byte count at the start, then a stride through the rest.
    for (size_t n = 0; n < newSize; n += n < 512 ? 1 : 997) {
        run.unsaved = true;
        prompter.clear();
        DiskFullAfter disk(n);
        ASSERT_FALSE(BtnSaveClick(run, ActivePage{}, prompter, dialogs, &disk)) << n;
        ASSERT_TRUE(run.unsaved) << n;
        ASSERT_EQ(prompter.texts().size(), 1u) << n;
        ASSERT_NE(prompter.texts()[0].find("磁盘空间不足"), std::string::npos) << prompter.texts()[0];
        ASSERT_EQ(fileBytes(yj("期中数学.yj")), old) << n;
    }
    EXPECT_EQ(folder.filesIn(installed::kRawFiles), 1u);  // no temporary file left
    EXPECT_FALSE(savedMarkerExists());

    DiskFullAfter enough(newSize);
    EXPECT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs, &enough));
    EXPECT_EQ(fileBytes(yj("期中数学.yj")).size(), newSize);
    EXPECT_TRUE(savedMarkerExists());
}

TEST_F(GradingRunCommands, NothingToSaveOrAnInvalidExamPageWritesNothing) {
    GradingRun empty;
    RosterPage noStudents;
    noStudents.admissionLengthText = "9";
    ActivePage students{ActivePage::Students, &noStudents, nullptr};
    EXPECT_FALSE(BtnSaveClick(empty, students, prompter, dialogs));
    EXPECT_EQ(prompter.texts(), std::vector<std::string>{"请先输入学生数据或打开学生信息文件！"});

    ExamPage exam = FillExamPage(run.settings, run.layout.current);
    exam.examName.clear();
    ActivePage examPage{ActivePage::Exam, nullptr, &exam};
    EXPECT_FALSE(BtnSaveClick(run, examPage, prompter, dialogs));
    EXPECT_EQ(prompter.texts().back(), "本次考试名称不能为空。");
    EXPECT_TRUE(run.unsaved);
    EXPECT_EQ(folder.filesIn(installed::kRawFiles), 0u);
    EXPECT_FALSE(savedMarkerExists());
}

TEST_F(GradingRunCommands, OpenRestoresTheRunAndSavesItBackUnchanged) {
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    const std::vector<uint8_t> saved = fileBytes(yj("期中数学.yj"));

    GradingRun opened;
    opened.students.currentPath = "旧.xs";
    dialogs.pick(yj("期中数学.yj"));
    ASSERT_TRUE(BtnOpenYJFile1Click(opened, prompter, dialogs));
    EXPECT_TRUE(prompter.shown().empty());  // nothing unsaved: no question
    EXPECT_EQ(dialogs.shown.at(0).title, "打开阅卷原始文件");
    EXPECT_EQ(dialogs.shown[0].filter, "阅卷原始文件(*.yj)|*.yj");
    EXPECT_EQ(dialogs.shown[0].initialFolder, yj(""));
    EXPECT_EQ(opened.students.roster, run.students.roster);
    EXPECT_EQ(opened.students.currentPath, "");
    EXPECT_EQ(opened.settings, run.settings);
    EXPECT_EQ(opened.records, run.records);
    EXPECT_EQ(opened.filter.classCode, "ALL");
    EXPECT_EQ(opened.layout.chosenCardName, "DYtest.dat");
    EXPECT_EQ(opened.layout.current.questionCount, 85);
    EXPECT_TRUE(opened.runStarted && opened.next1Enabled);
    EXPECT_FALSE(opened.unsaved);

    ASSERT_TRUE(BtnSaveClick(opened, ActivePage{}, prompter, dialogs));
    EXPECT_EQ(fileBytes(yj("期中数学.yj")), saved);
}

TEST_F(GradingRunCommands, OpenAsksToSaveFirstAndRefusesDamagedFilesWithNothingChanged) {
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    std::vector<uint8_t> good = fileBytes(yj("期中数学.yj"));
    std::string error;
    ASSERT_TRUE(saveFileAtomically(yj("短.yj"), std::vector<uint8_t>(good.begin(), good.end() - 1), error));
    std::vector<uint8_t> tooMany = good;
    writeI32(&tooMany[287771], 5001);
    ASSERT_TRUE(saveFileAtomically(yj("多.yj"), tooMany, error));

    const testing::HugeFile huge(yj("大.yj"));  // refused by its size, unread
    ASSERT_TRUE(huge.ok());

    run.records.pop_back();  // unsaved work
    run.unsaved = true;
    const GradingRun before = run;
    for (const char* name : {"短.yj", "多.yj", "没有.yj", "大.yj"}) {
        prompter.clear();
        dialogs.pick(yj(name));
        const long grewMb = testing::peakMemoryGrowthMb([&] {
            EXPECT_FALSE(BtnOpenYJFile1Click(run, prompter, dialogs)) << name;  // the question answered No
        });
        EXPECT_LT(grewMb, 100) << name;
        ASSERT_EQ(prompter.shown().size(), 2u);
        EXPECT_EQ(prompter.shown()[0].kind, PromptKind::YesNo);
        EXPECT_EQ(prompter.shown()[0].title, "Tarvel阅卷");
        EXPECT_EQ(prompter.shown()[0].text, "是否要保存原来阅卷原始文件?");
        EXPECT_EQ(prompter.shown()[1].text, "打开阅卷原始文件失败！");
        EXPECT_EQ(run.records, before.records);
        EXPECT_EQ(run.students.currentPath, before.students.currentPath);
        EXPECT_TRUE(run.unsaved);
    }
    // Cancelling the dialog keeps the run and its unsaved state; Yes saved it first.
    prompter.answerNext(Answer::Yes);
    EXPECT_FALSE(BtnOpenYJFile1Click(run, prompter, dialogs));
    EXPECT_EQ(fileBytes(yj("期中数学.yj")).size(), 287775u + 2620);
    EXPECT_EQ(run.records, before.records);
}

TEST_F(GradingRunCommands, NewRunSavesWhenAskedResetsAndChoosesTheCard) {
    Roster last;
    last.students = {{"123456789", "张三", "", ""}};
    std::string error;
    ASSERT_TRUE(writeStudentFile(folder.path("学生信息文件/二班.xs"), last, error));
    rememberStudentFile(folder.path("学生信息文件/二班.xs"));

    Chooser chooser;
    chooser.answer = "DYtest.dat";
    prompter.answerNext(Answer::Yes);
    ASSERT_TRUE(BtnNewYJClick(run, prompter, chooser, dialogs));
    EXPECT_EQ(prompter.texts().at(0), "是否要保存原来阅卷原始文件?");
    EXPECT_EQ(fileBytes(yj("期中数学.yj")).size(), 287775u + 2 * 2620);
    EXPECT_EQ(chooser.shownWith, "DYtest.dat");
    EXPECT_EQ(chooser.caption, "新阅卷——请先选择本次阅卷要使用的答题卡");
    EXPECT_EQ(run.students.roster, last);
    EXPECT_EQ(run.settings, ExamSettings{});
    EXPECT_TRUE(run.records.empty());
    EXPECT_EQ(run.filter.classCode, "");
    EXPECT_EQ(run.layout.current.questionCount, 85);
    EXPECT_TRUE(run.next1Enabled);
    EXPECT_FALSE(run.runStarted || run.unsaved);

    chooser.answer = "";
    ASSERT_TRUE(BtnNewYJClick(run, prompter, chooser, dialogs));
    EXPECT_FALSE(run.next1Enabled);
    EXPECT_EQ(run.layout.chosenCardName, "");
}

TEST_F(GradingRunCommands, ASaveFirstThatFailsStopsNewAndOpen) {
    const GradingRun before = run;
    Chooser chooser;
    DiskFullAfter full(0);
    prompter.answerNext(Answer::Yes);
    EXPECT_FALSE(BtnNewYJClick(run, prompter, chooser, dialogs, &full));
    prompter.answerNext(Answer::Yes);
    EXPECT_FALSE(BtnOpenYJFile1Click(run, prompter, dialogs, &full));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(chooser.caption, "");
    EXPECT_EQ(run.records, before.records);
    EXPECT_EQ(run.students.roster, before.students.roster);
    EXPECT_TRUE(run.unsaved);
}

TEST_F(GradingRunCommands, SavingOverAFileThatIsNotTheRunsOwnAsksFirst) {
    // Another class of the same exam and subject was saved first.
    GradingRun otherClass = run;
    otherClass.records.pop_back();
    ASSERT_TRUE(BtnSaveClick(otherClass, ActivePage{}, prompter, dialogs));
    const std::vector<uint8_t> theirs = fileBytes(yj("期中数学.yj"));

    // No, then the name dialog cancelled: nothing written, the run unsaved.
    EXPECT_FALSE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].kind, PromptKind::YesNo);
    EXPECT_EQ(prompter.shown()[0].title, "Tarvel阅卷");
    EXPECT_EQ(prompter.shown()[0].text, overwriteRawFileQuestion("期中数学.yj"));
    EXPECT_NE(prompter.shown()[0].text.find("“期中数学.yj”"), std::string::npos);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "另存阅卷原始文件");
    EXPECT_EQ(dialogs.shown[0].filter, "阅卷原始文件(*.yj)|*.yj");
    EXPECT_EQ(dialogs.shown[0].initialFolder, yj(""));
    EXPECT_TRUE(run.unsaved);
    EXPECT_EQ(fileBytes(yj("期中数学.yj")), theirs);

    // No, then another name: saved there; later saves go there without a question.
    dialogs.pick(yj("期中数学二班.yj"));
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    EXPECT_EQ(fileBytes(yj("期中数学二班.yj")).size(), 287775u + 2 * 2620);
    EXPECT_EQ(fileBytes(yj("期中数学.yj")), theirs);
    prompter.clear();
    run.records.push_back(run.records[1]);
    run.records[2].admissionNumber = "202410102";
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    EXPECT_TRUE(prompter.shown().empty());
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(fileBytes(yj("期中数学二班.yj")).size(), 287775u + 3 * 2620);

    // A run never saved, of another exam whose names map to the same file
    // name; Yes replaces the file.
    GradingRun sameName = otherClass;
    sameName.filePath.clear();
    sameName.settings.examName = "期中数";
    sameName.settings.subjectName = "学";
    prompter.answerNext(Answer::Yes);
    ASSERT_TRUE(BtnSaveClick(sameName, ActivePage{}, prompter, dialogs));
    EXPECT_EQ(prompter.texts(), std::vector<std::string>{overwriteRawFileQuestion("期中数学.yj")});
    EXPECT_NE(fileBytes(yj("期中数学.yj")), theirs);
}

TEST_F(GradingRunCommands, EveryChangeOfALargeRunLandsInTheSavedFile) {
    // Enough records that the file is written in several pieces.
    for (int i = 2; i < 400; ++i) {
        GradingRecord r = run.records[1];
        r.admissionNumber = std::to_string(202410000 + i);
        r.name = "学生" + std::to_string(i);
        r.total = float(i);
        r.answers[i % 85].answer = "BD";
        run.records.push_back(r);
    }
    const std::string path = yj("期中数学.yj");
    auto reopened = [&](const GradingRun& saved) {
        GradingRun back;
        EXPECT_TRUE(openRawFile(back, path, prompter));
        EXPECT_EQ(fileBytes(path).size(), 287775u + saved.records.size() * 2620);
        EXPECT_EQ(back.records, saved.records);
        EXPECT_EQ(back.students.roster, saved.students.roster);
        return back;
    };
    ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
    GradingRun opened = reopened(run);

    // Saved after the open (compared with the file's bytes), then again.
    for (int save = 0; save < 2; ++save) {
        opened.records[150 + save].total += 0.5f;
        opened.records.push_back(opened.records[3]);
        opened.records.back().admissionNumber = "20241099" + std::to_string(save);
        opened.records.erase(opened.records.begin() + 10 + save);
        opened.students.roster.students.push_back({"20241030" + std::to_string(save), "新生", "", ""});
        ASSERT_TRUE(BtnSaveClick(opened, ActivePage{}, prompter, dialogs)) << save;
        reopened(opened);
    }

    // A disk that fills up in a later piece keeps the old file and the run unsaved.
    const std::vector<uint8_t> old = fileBytes(path);
    opened.records[300].total = 99;
    DiskFullAfter full(old.size() / 2);
    EXPECT_FALSE(BtnSaveClick(opened, ActivePage{}, prompter, dialogs, &full));
    EXPECT_TRUE(opened.unsaved);
    EXPECT_EQ(fileBytes(path), old);
    EXPECT_EQ(folder.filesIn(installed::kRawFiles), 1u);

    // Bytes of another installation's file in an unchanged record stay
    // through every later save.
    std::vector<uint8_t> foreign = old;
    const size_t stale = 287775 + 200 * 2620 + 115;
    foreign[stale] = 0x55;
    std::string error;
    ASSERT_TRUE(saveFileAtomically(path, foreign, error));
    GradingRun theirs;
    ASSERT_TRUE(openRawFile(theirs, path, prompter));
    for (int save = 0; save < 2; ++save) {
        theirs.records[5 + save].readCount++;
        ASSERT_TRUE(BtnSaveClick(theirs, ActivePage{}, prompter, dialogs)) << save;
        EXPECT_EQ(fileBytes(path)[stale], 0x55) << save;
        reopened(theirs);
    }
}

TEST_F(GradingRunCommands, ANameWithBytesThatAreNotGbkNeverStopsASave) {
    // The student's name came from a foreign file: "王" and the byte 0xFF;
    // the grading record copies it.
    const uint8_t damaged[] = {0xCD, 0xF5, 0xFF, 0};
    run.students.roster.students[0].name = readGbkField(damaged, sizeof damaged);
    run.records[1].name = run.students.roster.students[0].name;
    auto nameBytes = [&](size_t at) {
        const std::vector<uint8_t> file = fileBytes(yj("期中数学.yj"));
        return std::string(reinterpret_cast<const char*>(&file.at(at)));
    };
    const size_t inRoster = 3168 + 21, inRecord = 287775 + 2620 + 29;

    // Saved, read again (the record changes), a student added: saved each time, the byte kept.
    for (int change = 0; change < 3; ++change) {
        if (change == 1) ++run.records[1].readCount;
        if (change == 2) run.students.roster.students.push_back({"202410103", "胡昊然", "", ""});
        ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs)) << change;
        EXPECT_EQ(nameBytes(inRoster), "\xCD\xF5\xFF");
        EXPECT_EQ(nameBytes(inRecord), "\xCD\xF5\xFF");
        EXPECT_TRUE(prompter.shown().empty());
    }

    // A name edited so that the byte is lost: "?" and one notice for the run.
    run.records[1].name = "王\xEF\xBF\xBD";
    for (int save = 0; save < 2; ++save) {
        ++run.records[1].readCount;
        ASSERT_TRUE(BtnSaveClick(run, ActivePage{}, prompter, dialogs));
        EXPECT_EQ(nameBytes(inRecord), "\xCD\xF5?");
        ASSERT_EQ(prompter.shown().size(), 1u);
        EXPECT_EQ(prompter.shown()[0].kind, PromptKind::Notice);
        EXPECT_EQ(prompter.shown()[0].text, substitutionNotice("姓名“王\xEF\xBF\xBD”"));
    }
}

}  // namespace
}  // namespace tarvel
