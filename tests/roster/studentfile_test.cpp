#include "roster/studentfile.h"

#include <gtest/gtest.h>

#include "base/bytes.h"
#include "tests/corpus.h"
#include "tests/hugefile.h"
#include "tests/programfolder.h"

namespace tarvel {
namespace {

using testing::DiskFullAfter;
using testing::fileBytes;
using testing::ProgramFolder;
using testing::ScriptedDialogs;

Roster threeStudents() {
    Roster r;
    r.gradesEnabled = r.classesEnabled = true;
    r.grades = {{"初一", "20241"}};
    r.selectedGrade = r.grades[0];
    r.selectedClassCode = "01";
    r.admissionPrefix = "2024101";
    r.students = {{"202410101", "王浩然", "20241", "01"},
                  {"202410102", "赵梦瑶", "20241", "01"},
                  {"202410103", "胡昊然", "20241", "01"}};
    return r;
}

// The students page showing `roster` unchanged.
RosterPage pageOf(const Roster& r) {
    RosterPage p;
    p.gradesEnabled = r.gradesEnabled;
    p.gradeCodeLengthText = std::to_string(r.gradeCodeLength);
    p.grades = r.grades;
    p.classesEnabled = r.classesEnabled;
    p.classCodeLengthText = std::to_string(r.classCodeLength);
    p.classText = r.selectedClassCode;
    p.admissionLinked = r.admissionLinked;
    p.admissionLengthText = std::to_string(r.admissionLength);
    p.admissionPrefix = r.admissionPrefix;
    return p;
}

class StudentFiles : public ::testing::Test {
protected:
    ProgramFolder folder{"tarvel-studentfile"};
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    std::string xs(const std::string& name) { return folder.path(std::string(installed::kStudentFiles) + name); }
    std::string baseDat() { return folder.path(installed::kLastStudentFile); }
};

TEST_F(StudentFiles, LengthIsHeaderPlusUsedRowsAndOpenSaveGivesTheSameBytes) {
    std::string error;
    Roster empty;
    ASSERT_TRUE(writeStudentFile(xs("空.xs"), empty, error)) << error;
    EXPECT_EQ(fileBytes(xs("空.xs")).size(), 3158u);

    ASSERT_TRUE(writeStudentFile(xs("三人.xs"), threeStudents(), error)) << error;
    std::vector<uint8_t> bytes = fileBytes(xs("三人.xs"));
    ASSERT_EQ(bytes.size(), 3326u);
    EXPECT_EQ(readI32(bytes.data() + 3154), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 3158 + 56 * 2)), "202410103");
    testing::addToCorpus("studentfile_fuzz", "three.xs", bytes);

    StudentFileState state;
    dialogs.pick(xs("三人.xs"));
    ASSERT_TRUE(openStudentFile(state, prompter, dialogs));
    EXPECT_EQ(state.roster, threeStudents());
    EXPECT_TRUE(saveStudentFile(state, pageOf(state.roster), prompter, dialogs));
    EXPECT_EQ(fileBytes(xs("三人.xs")), bytes);
}

TEST_F(StudentFiles, DamagedFilesAreRefusedNamingTheFileAndTheRosterStays) {
    std::vector<uint8_t> good;
    ASSERT_TRUE(encodeStudentFile(threeStudents(), good).empty());
    auto withCount = [&](int32_t n) {
        std::vector<uint8_t> b = good;
        writeI32(b.data() + 3154, n);
        return b;
    };
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    std::vector<uint8_t> shorter(good.begin(), good.end() - 1);
    std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 100);

    for (const auto& bad : {withCount(-1), withCount(5001), withCount(2), longer, shorter, headerOnly}) {
        std::string error;
        ASSERT_TRUE(saveFileAtomically(xs("坏.xs"), bad, error));
        Roster roster = threeStudents();
        roster.students.pop_back();
        const Roster before = roster;
        EXPECT_FALSE(readStudentFile(xs("坏.xs"), roster, error));
        EXPECT_NE(error.find("“坏.xs”"), std::string::npos) << error;
        EXPECT_EQ(roster, before);
    }
    std::string error;
    Roster roster;
    EXPECT_FALSE(readStudentFile(xs("没有.xs"), roster, error));
    EXPECT_NE(error.find("没有.xs"), std::string::npos);
}

TEST_F(StudentFiles, AFailedSaveAtAnyByteKeepsTheOldFileAndTheUnsavedState) {
    std::string error;
    Roster old = threeStudents();
    ASSERT_TRUE(writeStudentFile(xs("班.xs"), old, error));
    const std::vector<uint8_t> oldBytes = fileBytes(xs("班.xs"));

    // The page adds a fourth student, so the new file is 56 bytes longer.
    StudentFileState state;
    state.roster = old;
    state.currentPath = xs("班.xs");
    RosterPage page = pageOf(old);
    page.studentRows = {{"202410104", "梁雨桐", "20241", "01"}};
    const size_t newSize = studentFileSize(old) + 56;
    for (size_t n = 0; n < newSize; ++n) {
        state.roster = old;
        state.modified = true;
        prompter.clear();
        DiskFullAfter disk(n);
        ASSERT_FALSE(saveStudentFile(state, page, prompter, dialogs, &disk)) << n;
        ASSERT_EQ(fileBytes(xs("班.xs")), oldBytes) << n;
        ASSERT_TRUE(state.modified) << n;
        ASSERT_EQ(prompter.texts().size(), 1u);
        ASSERT_NE(prompter.texts()[0].find("磁盘空间不足"), std::string::npos);
    }
    EXPECT_EQ(folder.filesIn(installed::kStudentFiles), 1u);  // no temp file left behind

    DiskFullAfter enough(newSize);
    state.roster = old;
    EXPECT_TRUE(saveStudentFile(state, page, prompter, dialogs, &enough));
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(fileBytes(xs("班.xs")).size(), newSize);
}

TEST_F(StudentFiles, BaseDatNamesTheFileInExactly1024BytesAndAFailedWriteKeepsTheOld) {
    const std::string first = xs("一班.xs");
    ASSERT_TRUE(rememberStudentFile(first));
    std::vector<uint8_t> bytes = fileBytes(baseDat());
    ASSERT_EQ(bytes.size(), 1024u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), first);
    EXPECT_TRUE(std::all_of(bytes.begin() + first.size(), bytes.end(), [](uint8_t b) { return b == 0; }));
    testing::addToCorpus("studentfile_fuzz", "base.dat", bytes);

    for (size_t n = 0; n < 1024; n += 7) {
        DiskFullAfter disk(n);
        ASSERT_FALSE(rememberStudentFile(xs("二班.xs"), &disk));
        ASSERT_EQ(fileBytes(baseDat()), bytes) << n;
    }
    EXPECT_FALSE(rememberStudentFile(std::string(1024, 'a')));
    EXPECT_EQ(lastStudentFile(), first);
}

TEST_F(StudentFiles, ANewRunLoadsTheRememberedFileOrTheSampleRoster) {
    std::string error;
    Roster sample = threeStudents();
    ASSERT_TRUE(writeStudentFile(xs(installed::kSampleRoster), sample, error));

    StudentFileState state;
    state.roster.admissionLength = 4;
    loadLastRoster(state);  // no base.dat yet
    EXPECT_EQ(state.roster, sample);
    EXPECT_EQ(state.currentPath, xs(installed::kSampleRoster));
    EXPECT_TRUE(state.sampleHint);
    EXPECT_EQ(currentFileLabel(state.currentPath), "当前学生文件：测试.xs");

    Roster other = threeStudents();
    other.students.resize(1);
    ASSERT_TRUE(writeStudentFile(xs("二班.xs"), other, error));
    rememberStudentFile(xs("二班.xs"));
    loadLastRoster(state);
    EXPECT_EQ(state.roster, other);
    EXPECT_FALSE(state.sampleHint);

    // base.dat naming a file that is gone, or a damaged one: the reset roster.
    for (const std::string& named : {xs("已删除.xs"), baseDat()}) {
        rememberStudentFile(named);
        loadLastRoster(state);
        EXPECT_EQ(state.roster, Roster{});
        EXPECT_EQ(state.currentPath, "");
        EXPECT_FALSE(state.sampleHint);
    }

    // A base.dat of 4 GB is not read: the reset roster.
    {
        const testing::HugeFile huge(baseDat());
        ASSERT_TRUE(huge.ok());
        EXPECT_LT(testing::peakMemoryGrowthMb([&] { loadLastRoster(state); }), 100);
        EXPECT_EQ(state.roster, Roster{});
    }

    // No base.dat and no sample roster: the reset roster and no hint.
    std::filesystem::remove(baseDat());
    std::filesystem::remove(xs(installed::kSampleRoster));
    loadLastRoster(state);
    EXPECT_EQ(state.roster, Roster{});
    EXPECT_FALSE(state.sampleHint);
}

TEST_F(StudentFiles, NewThenSaveAsksForANameAndRemembersIt) {
    StudentFileState state;
    state.roster = threeStudents();
    state.currentPath = xs("旧.xs");
    state.sampleHint = true;

    EXPECT_FALSE(newStudentFile(state, prompter));  // answered No
    EXPECT_EQ(state.roster, threeStudents());
    prompter.answerNext(Answer::Yes);
    ASSERT_TRUE(newStudentFile(state, prompter));
    EXPECT_EQ(prompter.shown().back().text, kNewStudentFileQuestion);
    EXPECT_EQ(state.roster, Roster{});
    EXPECT_EQ(state.currentPath, "");
    EXPECT_FALSE(state.sampleHint);

    RosterPage page = pageOf(state.roster);
    page.studentRows = {{"123456789", "张三", "", ""}};
    state.modified = true;
    dialogs.pick(xs("新.xs"));
    ASSERT_TRUE(saveStudentFile(state, page, prompter, dialogs));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "另存学生信息文件");
    EXPECT_EQ(dialogs.shown[0].filter, "学生信息(*.xs)|*.xs");
    EXPECT_EQ(dialogs.shown[0].initialFolder, xs(""));
    EXPECT_EQ(state.currentPath, xs("新.xs"));
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(lastStudentFile(), xs("新.xs"));
    EXPECT_EQ(fileBytes(xs("新.xs")).size(), 3158u + 56);

    // Saving to the named file again leaves base.dat alone.
    rememberStudentFile(xs("别的.xs"));
    ASSERT_TRUE(saveStudentFile(state, page, prompter, dialogs));
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(lastStudentFile(), xs("别的.xs"));
}

TEST_F(StudentFiles, OpenCancelledOrRefusedChangesNothing) {
    StudentFileState state;
    state.roster = threeStudents();
    state.currentPath = xs("旧.xs");
    state.sampleHint = true;
    EXPECT_FALSE(openStudentFile(state, prompter, dialogs));  // cancelled
    EXPECT_EQ(dialogs.shown.at(0).title, "打开学生信息文件");

    std::string error;
    ASSERT_TRUE(saveFileAtomically(xs("坏.xs"), std::vector<uint8_t>(3000, 0), error));
    const testing::HugeFile huge(xs("大.xs"));
    ASSERT_TRUE(huge.ok());
    for (const char* name : {"坏.xs", "大.xs"}) {
        prompter.clear();
        dialogs.pick(xs(name));
        const long grewMb =
            testing::peakMemoryGrowthMb([&] { EXPECT_FALSE(openStudentFile(state, prompter, dialogs)); });
        EXPECT_LT(grewMb, 100) << name;  // refused by its size, unread
        ASSERT_EQ(prompter.texts().size(), 1u);
        EXPECT_EQ(prompter.texts()[0].rfind(std::string("打开学生信息文件“") + name + "”失败：", 0), 0u);
        EXPECT_EQ(state.roster, threeStudents());
        EXPECT_EQ(state.currentPath, xs("旧.xs"));
        EXPECT_TRUE(state.sampleHint);
        EXPECT_FALSE(lastStudentFile());
    }
    EXPECT_EQ(prompter.texts()[0], "打开学生信息文件“大.xs”失败：文件过大，不是学生信息文件。");
}

TEST_F(StudentFiles, SavingTheSampleRosterAsksForANewNameAndLeavesTheSampleAsSupplied) {
    std::string error;
    ASSERT_TRUE(writeStudentFile(xs(installed::kSampleRoster), threeStudents(), error));
    const std::vector<uint8_t> sample = fileBytes(xs(installed::kSampleRoster));
    StudentFileState state;
    loadLastRoster(state);  // no base.dat yet: the sample roster
    ASSERT_TRUE(state.sampleHint);

    RosterPage page = pageOf(state.roster);
    page.studentRows = {{"202410104", "梁雨桐", "20241", "01"}};
    EXPECT_FALSE(saveStudentFile(state, page, prompter, dialogs));  // the name dialog cancelled
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "另存学生信息文件");
    EXPECT_EQ(fileBytes(xs(installed::kSampleRoster)), sample);

    dialogs.pick(xs("一班.xs"));
    ASSERT_TRUE(saveStudentFile(state, page, prompter, dialogs));
    EXPECT_EQ(fileBytes(xs(installed::kSampleRoster)), sample);
    EXPECT_EQ(fileBytes(xs("一班.xs")).size(), 3158u + 4 * 56);
    EXPECT_EQ(state.currentPath, xs("一班.xs"));
    EXPECT_EQ(lastStudentFile(), xs("一班.xs"));
    EXPECT_FALSE(state.sampleHint);
}

TEST_F(StudentFiles, ANameWithBytesThatAreNotGbkIsSavedAsItWasReadOrWithAQuestionMarkOnce) {
    // A foreign file: the second student's name is "张" and the byte 0xFF.
    std::vector<uint8_t> bytes;
    ASSERT_EQ(encodeStudentFile(threeStudents(), bytes), "");
    const size_t name = 3158 + 56 + 21;
    const std::vector<uint8_t> damaged = {0xD5, 0xC5, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::copy(damaged.begin(), damaged.end(), bytes.begin() + name);
    std::string error;
    ASSERT_TRUE(saveFileAtomically(xs("外校.xs"), bytes, error));
    StudentFileState state;
    dialogs.pick(xs("外校.xs"));
    ASSERT_TRUE(openStudentFile(state, prompter, dialogs));

    // The page shows the group and gets a fourth student.
    RosterPage page = pageOf(state.roster);
    page.studentRows = state.roster.students;
    page.studentRows.push_back({"202410104", "梁雨桐", "20241", "01"});
    ASSERT_TRUE(saveStudentFile(state, page, prompter, dialogs)) << prompter.texts().at(0);
    std::vector<uint8_t> saved = fileBytes(xs("外校.xs"));
    ASSERT_EQ(saved.size(), bytes.size() + 56);
    EXPECT_TRUE(std::equal(damaged.begin(), damaged.end(), saved.begin() + name));
    EXPECT_TRUE(prompter.shown().empty());

    // Edited so that the byte is lost: saved as "?", told once.
    page.studentRows[1].name = "张\xEF\xBF\xBD三";
    for (int save = 0; save < 2; ++save) {
        ASSERT_TRUE(saveStudentFile(state, page, prompter, dialogs));
        saved = fileBytes(xs("外校.xs"));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&saved[name])), "\xD5\xC5?\xC8\xFD");
        ASSERT_EQ(prompter.shown().size(), 1u);
        EXPECT_EQ(prompter.shown()[0].kind, PromptKind::Notice);
        EXPECT_NE(prompter.shown()[0].text.find("姓名“张\xEF\xBF\xBD三”"), std::string::npos);
        EXPECT_NE(prompter.shown()[0].text.find("“?”"), std::string::npos);
    }
}

}  // namespace
}  // namespace tarvel
