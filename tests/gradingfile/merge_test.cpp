// Merging the raw grading files of several stations: what joins, what
// conflicts and which file wins, the differences that refuse a merge, the
// capacities, and files that cannot be read.
#include "gradingfile/merge.h"

#include <gtest/gtest.h>

#include "base/bytes.h"
#include "tests/gradingfile/stations.h"
#include "tests/programfolder.h"

namespace tarvel {
namespace {

using testing::stationRun;

std::vector<std::string> numbers(const GradingRecords& records) {
    std::vector<std::string> out;
    for (size_t i = 1; i < records.size(); ++i) out.push_back(records[i].admissionNumber);
    return out;
}

std::vector<std::string> texts(const std::vector<MergeConflict>& conflicts) {
    std::vector<std::string> out;
    for (const MergeConflict& c : conflicts) out.push_back(conflictText(c));
    return out;
}

TEST(Merge, StationsOfOneExamBecomeOneRunWithEveryClass) {
    RawFileContent a = stationRun("01", {{"202410101", 3}, {"202410102", 2}});
    a.records[2].handAssigned = true;
    RawFileContent b = stationRun("02", {{"202410201", 1}});
    b.roster.students.push_back({"202410203", "新同学", "20241", "02"});
    RunMerger merger;
    ASSERT_TRUE(merger.add("站1", a));
    ASSERT_TRUE(merger.add("站2", b));
    EXPECT_TRUE(merger.conflicts().empty());
    const RawFileContent& run = merger.merged();
    EXPECT_EQ(run.settings, a.settings);
    EXPECT_EQ(run.roster.grades, a.roster.grades);
    std::vector<StudentEntry> students = a.roster.students;
    students.push_back(b.roster.students.back());
    EXPECT_EQ(run.roster.students, students);  // the same roster once, the new student added
    EXPECT_EQ(numbers(run.records), (std::vector<std::string>{"202410101", "202410102", "202410201"}));
    EXPECT_EQ(run.records[2], a.records[2]);  // hand-assigned mark included
    EXPECT_EQ(run.records[3], b.records[1]);
    EXPECT_EQ(run.filter.gradeCode, "20241");
    EXPECT_EQ(run.filter.classCode, "ALL");
}

TEST(Merge, ConflictsAreListedAndTheFileNamedLaterWins) {
    RawFileContent a = stationRun("01", {{"202410101", 3}, {"202410201", 2}});
    RawFileContent b = stationRun("02", {{"202410201", 1}, {"202410202", 3}});
    b.roster.grades[0].name = "2024届";
    b.roster.students[1].classCode = "02";  // 202410102 in another class
    b.roster.students[2].name = "胡浩然";
    b.records[1].name = "胡浩然";
    b.records[0].readCount = 5;
    RawFileContent c = stationRun("02", {{"202410201", 3}});
    c.roster = b.roster;
    c.records[1].name = "胡浩然";

    RunMerger merger;
    ASSERT_TRUE(merger.add("A.yj", a));
    ASSERT_TRUE(merger.add("B.yj", b));
    ASSERT_TRUE(merger.add("C.yj", c)) << merger.refusal();
    EXPECT_EQ(texts(merger.conflicts()),
              (std::vector<std::string>{
                  "年级名称不一致：年级编码20241——A.yj：2024级；B.yj：2024届。采用B.yj的。",
                  "准考证号重复：202410102在不同的年级或班级中——A.yj：年级20241 班级01 赵梦瑶；"
                  "B.yj：年级20241 班级02 赵梦瑶。都保留。",
                  "学生姓名不一致：准考证号202410201——A.yj：胡昊然；B.yj：胡浩然。采用B.yj的。",
                  "重复阅卷：准考证号202410201——A.yj：胡昊然 2分；B.yj：胡浩然 1分；C.yj：胡浩然 3分。"
                  "采用C.yj的阅卷记录。",
              }));
    const RawFileContent& run = merger.merged();
    EXPECT_EQ(run.roster.grades, (std::vector<GradeEntry>{{"2024届", "20241"}}));
    ASSERT_EQ(run.roster.students.size(), 5u);
    EXPECT_EQ(run.roster.students[2].name, "胡浩然");
    EXPECT_EQ(run.roster.students[4], b.roster.students[1]);
    // The record of the file named last, in the place of the first.
    EXPECT_EQ(numbers(run.records), (std::vector<std::string>{"202410101", "202410201", "202410202"}));
    EXPECT_EQ(run.records[2], c.records[1]);
    EXPECT_EQ(run.records[0].readCount, 1);  // C's standard answer
}

TEST(Merge, AnotherExamIsRefusedNamingTheFirstDifference) {
    struct Case {
        void (*change)(RawFileContent&);
        std::string message;
    };
    const Case cases[] = {
        {[](RawFileContent& r) { r.settings.cardName = "JD答题卡.dat"; },
         "无法合并：答题卡不同——A.yj：“DY标准85题自动AB卷.dat”；B.yj：“JD答题卡.dat”。"},
        {[](RawFileContent& r) {
             r.settings.examName = "期末";
             r.records[0].answers[2].answer = "D";
         },
         "无法合并：考试名称不同——A.yj：“期中”；B.yj：“期末”。"},
        {[](RawFileContent& r) { r.settings.sections[0].score = 2; },
         "无法合并：第1大题不同——A.yj：1-3题 每题1分 单选题；B.yj：1-3题 每题2分 单选题。"},
        {[](RawFileContent& r) { r.settings.questions[1].fullScore = 2; },
         "无法合并：第2题的分值不同——A.yj：满分1 单选题 部分得分0；B.yj：满分2 单选题 部分得分0。"},
        {[](RawFileContent& r) { r.roster.classesEnabled = false; },
         "无法合并：学生名单的“启用班级”不同——A.yj：是；B.yj：否。"},
        {[](RawFileContent& r) { r.roster.admissionLength = 10; }, "无法合并：准考证长度不同——A.yj：9；B.yj：10。"},
        {[](RawFileContent& r) { r.records[0].answers[2].answer = "D"; },
         "无法合并：标准答案第3题不同——A.yj：C；B.yj：D。"},
        {[](RawFileContent& r) { r.records[0].answers[1].answer = ""; },
         "无法合并：标准答案第2题不同——A.yj：B；B.yj：（空）。"},
        {[](RawFileContent& r) { r.records.clear(); }, "无法合并：B.yj中还没有标准答案。"},
    };
    const RawFileContent a = stationRun("01", {{"202410101", 3}});
    for (const Case& k : cases) {
        RunMerger merger;
        ASSERT_TRUE(merger.add("A.yj", a));
        RawFileContent b = stationRun("02", {{"202410201", 1}});
        k.change(b);
        EXPECT_FALSE(merger.add("B.yj", b));
        EXPECT_EQ(merger.refusal(), k.message);
        EXPECT_EQ(merger.files(), 1);
        EXPECT_EQ(merger.merged().records, a.records);
    }
    // Scores beyond the question count and unused sections do not matter.
    RunMerger merger;
    ASSERT_TRUE(merger.add("A.yj", a));
    RawFileContent b = stationRun("02", {});
    b.settings.sections[5] = {7, 9, 3, kMultipleChoice};
    b.records[0].answers[3].answer = "D";
    EXPECT_TRUE(merger.add("B.yj", b)) << merger.refusal();
}

TEST(Merge, CapacitiesAreRefusedBeforeAnythingChanges) {
    auto numbered = [](int from, int count) {
        std::vector<StudentEntry> students;
        for (int i = from; i < from + count; ++i) {
            students.push_back({std::to_string(100000000 + i), "学生", "20241", "01"});
        }
        return students;
    };
    RawFileContent a = stationRun("01", {});
    a.roster.students = numbered(0, 4000);
    RawFileContent b = stationRun("02", {});
    b.roster.students = numbered(3000, 2001);  // 1001 new
    RunMerger merger;
    ASSERT_TRUE(merger.add("A.yj", a));
    EXPECT_FALSE(merger.add("B.yj", b));
    EXPECT_EQ(merger.refusal(), "无法合并：加入B.yj后学生名单共有5001人，超过了5000人的上限。");
    EXPECT_EQ(merger.merged().roster.students.size(), 4000u);
    b.roster.students.pop_back();
    EXPECT_TRUE(merger.add("B.yj", b));
    EXPECT_EQ(merger.merged().roster.students.size(), 5000u);

    // Records: the standard answer counts once.
    RawFileContent c = stationRun("01", {});
    c.records.resize(3000, c.records[0]);
    for (int i = 1; i < 3000; ++i) c.records[size_t(i)].admissionNumber = std::to_string(i);
    RawFileContent d = c;
    for (int i = 1; i < 3000; ++i) d.records[size_t(i)].admissionNumber = std::to_string(i + 2001);  // 2001 new
    RunMerger records;
    ASSERT_TRUE(records.add("C.yj", c));
    EXPECT_FALSE(records.add("D.yj", d));
    EXPECT_EQ(records.refusal(), "无法合并：加入D.yj后共有5001条阅卷记录（含标准答案），超过了5000条的上限。");
    d.records.pop_back();
    EXPECT_TRUE(records.add("D.yj", d));
    EXPECT_EQ(records.merged().records.size(), 5000u);
    EXPECT_EQ(records.conflicts().size(), 998u);  // 2002 .. 2999 graded in both
}

TEST(Merge, FilesThatCannotBeReadOrAreNamedTwiceAreRefused) {
    testing::ProgramFolder folder("tarvel-merge-bad");
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_EQ(encodeRawFile(stationRun("01", {}), {}, bytes), "");
    const std::string good = folder.path("a.yj");
    ASSERT_TRUE(saveFileAtomically(good, bytes, error));
    bytes.pop_back();
    const std::string cut = folder.path("cut.yj");
    ASSERT_TRUE(saveFileAtomically(cut, bytes, error));

    MergeOutcome m = mergeRawFiles({good, folder.path("missing.yj")});
    EXPECT_EQ(m.status, MergeOutcome::Unreadable);
    EXPECT_EQ(m.message, "打开阅卷原始文件失败！（" + folder.path("missing.yj") + "）");
    m = mergeRawFiles({good, cut}, {"a.yj", "cut.yj"});
    EXPECT_EQ(m.status, MergeOutcome::Unreadable);
    EXPECT_EQ(m.message, "打开阅卷原始文件失败！（cut.yj：文件长度与记录数不符）");
    m = mergeRawFiles({good, folder.path("./a.yj")}, {"a.yj", "./a.yj"});
    EXPECT_EQ(m.status, MergeOutcome::Refused);
    EXPECT_EQ(m.message, "无法合并：./a.yj被指定了两次。");
    EXPECT_EQ(mergeRawFiles({}).status, MergeOutcome::Refused);
}

}  // namespace
}  // namespace tarvel
