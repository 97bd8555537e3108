// tarvel-merge end to end: two stations' files merged into one that
// tarvel-report and tarvel-stats take like any other; refusals and usage
// errors with their exit codes.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/savefile.h"
#include "tests/gradingfile/stations.h"
#include "tests/programfolder.h"
#include "tests/runprogram.h"

namespace tarvel {
namespace {

using testing::run;
using testing::stationRun;

std::string quote(const std::string& path) { return "'" + path + "'"; }

class MergeTool : public ::testing::Test {
protected:
    MergeTool() : folder_("tarvel-merge-tool"), scratch(folder_.path("")) {}
    std::string save(const std::string& name, const RawFileContent& content) {
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_EQ(encodeRawFile(content, {}, bytes), "");
        EXPECT_TRUE(saveFileAtomically(folder_.path(name), bytes, error)) << error;
        return folder_.path(name);
    }
    static std::string merge(const std::string& arguments) { return std::string(TARVEL_MERGE_PROGRAM) + " " + arguments; }

    testing::ProgramFolder folder_;
    std::filesystem::path scratch;
};

TEST_F(MergeTool, MergedFileReportsAndCountsLikeAnyOther) {
    RawFileContent first = stationRun("01", {{"202410101", 3}, {"202410201", 2}});
    first.records[1].handAssigned = true;
    const std::string a = save("a.yj", first);
    const std::string b = save("b.yj", stationRun("02", {{"202410201", 1}}));
    const std::string all = (scratch / "all.yj").string();
    testing::Ran merged = run(merge(quote(a) + " " + quote(b) + " --out " + quote(all)), scratch);
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.err, "");
    EXPECT_EQ(merged.out, "重复阅卷：准考证号202410201——" + a + "：胡昊然 2分；" + b + "：胡昊然 1分。采用" + b +
                              "的阅卷记录。\n已合并2个文件：学生名单4人，阅卷记录2份（另有标准答案），冲突1处，已写入" +
                              all + "\n");

    // The hand-assigned mark of 202410101 stays in its byte.
    std::vector<uint8_t> bytes;
    ASSERT_EQ(readWholeFile(all, bytes, kMaxRawFileSize), FileRead::Ok);
    ASSERT_EQ(bytes.size(), rawFileSize(3));
    EXPECT_EQ(bytes[kRawRecordsAt + kGradingRecordSize + kHandAssignedAt], 1);

    const std::string csv = (scratch / "report.csv").string();
    testing::Ran report =
        run(std::string(TARVEL_REPORT_PROGRAM) + " " + quote(all) + " --grade 20241 --class ALL --items 准考证号,总得分 "
                                                                     "--csv --out " + quote(csv),
            scratch);
    ASSERT_EQ(report.status, 0) << report.err;
    ASSERT_EQ(readWholeFile(csv, bytes, 1 << 20), FileRead::Ok);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("202410101,3"), std::string::npos) << text;
    EXPECT_NE(text.find("202410201,1"), std::string::npos) << text;
    EXPECT_NE(text.find("202410202"), std::string::npos) << text;  // absent, still listed
    testing::Ran stats = run(std::string(TARVEL_STATS_PROGRAM) + " " + quote(all) +
                                 " --grade 20241 --class ALL --csv --out " + quote((scratch / "s.csv").string()),
                             scratch);
    EXPECT_EQ(stats.status, 0) << stats.err;
}

TEST_F(MergeTool, RefusalsAndUsageErrorsHaveTheirExitCodes) {
    const std::string a = save("a.yj", stationRun("01", {{"202410101", 3}}));
    RawFileContent other = stationRun("02", {});
    other.settings.subjectName = "语文";
    const std::string b = save("b.yj", other);
    const std::string out = (scratch / "all.yj").string();

    testing::Ran refused = run(merge(quote(a) + " " + quote(b) + " --out " + quote(out)), scratch);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "无法合并：科目名称不同——" + a + "：“数学”；" + b + "：“语文”。\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    testing::Ran unreadable = run(merge(quote(a) + " " + quote(out) + " --out " + quote(out)), scratch);
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_EQ(unreadable.err, "打开阅卷原始文件失败！（" + out + "）\n");
    for (const std::string& arguments : {std::string(), quote(a), quote(a) + " --out", "--out " + quote(out),
                                         quote(a) + " --overwrite --out " + quote(out)}) {
        testing::Ran usage = run(merge(arguments), scratch);
        EXPECT_EQ(usage.status, 2) << arguments;
        EXPECT_NE(usage.err.find("用法：tarvel-merge"), std::string::npos) << arguments;
    }
    // One file alone is written as it is.
    EXPECT_EQ(run(merge(quote(a) + " --out " + quote(out)), scratch).status, 0);
    EXPECT_TRUE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace tarvel
