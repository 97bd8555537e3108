#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "base/savefile.h"
#include "tests/diskfull.h"

using namespace tarvel;
namespace fs = std::filesystem;

namespace {

class FailRename : public SaveOps {
public:
    int rename(const char*, const char*) override {
        errno = EACCES;
        return -1;
    }
};

class SaveFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tarvel-save-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    size_t filesIn(const fs::path& p) {
        size_t n = 0;
        for (auto& e : fs::directory_iterator(p)) n += e.is_regular_file();
        return n;
    }
    fs::path folder_;
};

}  // namespace

TEST_F(SaveFolder, WritesTheWholeFileAndCreatesTheFolder) {
    std::string path = (folder_ / "阅卷原始文件" / "期中语文.yj").string();
    std::vector<uint8_t> bytes(5000, 0x5A);
    std::string error;
    ASSERT_TRUE(saveFileAtomically(path, bytes, error)) << error;
    std::vector<uint8_t> back;
    ASSERT_EQ(readWholeFile(path, back, 1 << 20), FileRead::Ok);
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(filesIn(folder_ / "阅卷原始文件"), 1u) << "no temporary file is left behind";
}

TEST_F(SaveFolder, AFailureAtAnyByteLeavesTheOldFileIntact) {
    std::string path = (folder_ / "base.dat").string();
    const std::vector<uint8_t> old(40, 0x11);
    std::string error;
    ASSERT_TRUE(saveFileAtomically(path, old, error));
    std::vector<uint8_t> fresh(40);
    for (size_t i = 0; i < fresh.size(); ++i) fresh[i] = static_cast<uint8_t>(i);

    for (size_t n = 0; n < fresh.size(); ++n) {
        tarvel::testing::DiskFullAfter ops(n);
        error.clear();
        EXPECT_FALSE(saveFileAtomically(path, fresh, error, &ops)) << "failing after " << n << " bytes";
        EXPECT_NE(error.find("磁盘空间不足"), std::string::npos) << error;
        std::vector<uint8_t> back;
        ASSERT_EQ(readWholeFile(path, back, 1 << 20), FileRead::Ok);
        EXPECT_EQ(back, old) << "after " << n << " bytes";
        EXPECT_EQ(filesIn(folder_), 1u);
    }
    tarvel::testing::DiskFullAfter enough(fresh.size());
    EXPECT_TRUE(saveFileAtomically(path, fresh, error, &enough));

    FailRename noRename;
    EXPECT_FALSE(saveFileAtomically(path, old, error, &noRename));
    std::vector<uint8_t> back;
    ASSERT_EQ(readWholeFile(path, back, 1 << 20), FileRead::Ok);
    EXPECT_EQ(back, fresh);
    EXPECT_EQ(filesIn(folder_), 1u);
}

TEST_F(SaveFolder, AFolderThatCannotBeCreatedIsReported) {
    fs::create_directories(folder_);
    std::string blocker = (folder_ / "file").string();
    std::string error;
    ASSERT_TRUE(saveFileAtomically(blocker, {1}, error));
    EXPECT_FALSE(saveFileAtomically(blocker + "/inner/x.yj", {1, 2}, error));
    EXPECT_NE(error.find("x.yj"), std::string::npos);
}

TEST_F(SaveFolder, ReadingRefusesWhatIsTooLongUnreadAndNeverWaitsForAPipe) {
    fs::create_directories(folder_);
    const std::string path = (folder_ / "x.xs").string();
    std::string error;
    ASSERT_TRUE(saveFileAtomically(path, std::vector<uint8_t>(100, 7), error));
    std::vector<uint8_t> bytes;
    EXPECT_EQ(readWholeFile(path, bytes, 100), FileRead::Ok);
    EXPECT_EQ(bytes, std::vector<uint8_t>(100, 7));
    bytes.clear();
    EXPECT_EQ(readWholeFile(path, bytes, 99), FileRead::TooLarge);
    EXPECT_TRUE(bytes.empty());

    // A pipe has no writer and would block an ordinary open for ever.
    const std::string pipe = (folder_ / "pipe.yj").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(readWholeFile(pipe, bytes, 100), FileRead::Unreadable);
    EXPECT_EQ(readWholeFile(folder_.string(), bytes, 100), FileRead::Unreadable);
    EXPECT_EQ(readWholeFile((folder_ / "missing").string(), bytes, 100), FileRead::Unreadable);
}

TEST(SafeFileName, NothingCanLeaveItsFolder) {
    EXPECT_EQ(safeFileName("期中考试语文"), "期中考试语文");
    EXPECT_EQ(safeFileName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(safeFileName("a\\b:c*d?e\"f<g>h|i\n"), "a_b_c_d_e_f_g_h_i_");
}
