#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <set>

#include <unistd.h>

#include "base/prompter.h"
#include "output/outputpage.h"
#include "output/scorereport.h"
#include "output/xlsxspreadsheet.h"
#include "tests/output/smallrun.h"

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using testing::smallGroup;
using testing::smallRun;

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own for each test, removed afterwards.
class OutputFolder {
public:
    OutputFolder() : path_(fs::temp_directory_path() / ("tarvel-output-" + std::to_string(::getpid()) + "-" +
                                                        ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~OutputFolder() { fs::remove_all(path_); }
    std::string folder() const { return path_.string() + "/"; }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path path_;
};

std::vector<std::string> names(const RunSnapshot& run, const std::vector<GroupMember>& members) {
    std::vector<std::string> out;
    for (const GroupMember& m : members) out.push_back(run.roster.students[m.student].name);
    return out;
}

TEST(OutputPage, SelectorsAndSummaryFollowTheRoster) {
    RunSnapshot run = smallRun();
    OutputPageData page = FillOutputPage(run.roster);
    EXPECT_EQ(page.gradeItems, (std::vector<std::string>{"2024级", "2023级"}));
    // Class codes of all grades, each once, in order of first occurrence.
    EXPECT_EQ(page.classItems, (std::vector<std::string>{"所有班级", "01", "02"}));

    // No grade chosen yet: there is no group, the memo stays empty.
    EXPECT_TRUE(ShowGroupSummary(run.view(), outputGroup(run.roster, -1, 0)).empty());
    EXPECT_EQ(ShowGroupSummary(run.view(), smallGroup(run)),
              (std::vector<std::string>{"学生人数：4", "未阅卷学生人数：1", "未阅卷学生名单：赵梦瑶"}));
    // Class 02 of 2024级: one student, read; no name line.
    EXPECT_EQ(ShowGroupSummary(run.view(), outputGroup(run.roster, 0, 2)),
              (std::vector<std::string>{"学生人数：1", "未阅卷学生人数：0"}));
    // No class chosen counts every class, like "所有班级".
    EXPECT_EQ(ShowGroupSummary(run.view(), outputGroup(run.roster, 0, -1))[0], "学生人数：4");

    // Grades and classes off: both selectors disabled, the report covers the whole roster.
    run.roster.gradesEnabled = run.roster.classesEnabled = false;
    page = FillOutputPage(run.roster);
    EXPECT_FALSE(page.gradesEnabled || page.classesEnabled);
    EXPECT_TRUE(page.gradeItems.empty() && page.classItems.empty());
    EXPECT_EQ(groupMembers(run.view(), outputGroup(run.roster, -1, -1)).size(), 5u);
}

TEST(OutputPage, RangeKeysAndBusyBlock) {
    for (char key : std::string("0123456789,-\b")) EXPECT_TRUE(acceptRangeKey(key)) << key;
    for (char key : std::string("a ;.")) EXPECT_FALSE(acceptRangeKey(key)) << key;
    std::vector<int> places{0};
    while (places.size() < 14) places.push_back(nextBusyPosition(places.back()));
    EXPECT_EQ(places, (std::vector<int>{0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220, 240, 0}));
}

TEST(ReportOrder, EveryStudentOnceInBothOrders) {
    const RunSnapshot run = smallRun();
    // The twenty-nines sort at the old start key and are reported all the same.
    EXPECT_EQ(names(run, reportOrder(run.view(), smallGroup(run), ReportOrder::ByAdmission)),
              (std::vector<std::string>{"王浩然", "赵梦瑶", "=SUM(1)", "刘洋"}));
    // 6.6 (float) before 6.5, the absent student as a total of 0.
    EXPECT_EQ(names(run, reportOrder(run.view(), smallGroup(run), ReportOrder::ByTotal)),
              (std::vector<std::string>{"刘洋", "王浩然", "=SUM(1)", "赵梦瑶"}));
}

// Random rosters with awkward numbers (above the nines, high bytes, prefixes,
// duplicates) and totals (equal, absent, not a number): repeated picks give
// every student exactly once, in the order the report sorts, equal keys in
// roster order.
TEST(ReportOrder, PickNextStudentMatchesTheSortedReport) {
    std::mt19937 random(7);
    const std::vector<std::string> numbers{"99999999999999999999", "9999999999999999999", "0", "00", "001", "1",
                                           "\xC0\xC1", "", "202410101", "99999999999999999999"};
    const std::vector<float> totals{0, 1, 1, 2.5f, std::numeric_limits<float>::quiet_NaN(), 100};
    for (int round = 0; round < 200; ++round) {
        RunSnapshot run;
        run.records.emplace_back();
        const int students = 1 + int(random() % 12);
        for (int s = 0; s < students; ++s) {
            const std::string number = numbers[random() % numbers.size()] + (random() % 3 ? "" : std::to_string(s));
            run.roster.students.push_back({number, "学生" + std::to_string(s), "", ""});
            if (random() % 4 && findRecord(run.records, number) < 0) {
                run.records.emplace_back();
                run.records.back().admissionNumber = number;
                run.records.back().total = totals[random() % totals.size()];
            }
        }
        const GroupChoice all;
        for (ReportOrder order : {ReportOrder::ByAdmission, ReportOrder::ByTotal}) {
            const std::vector<GroupMember> members = groupMembers(run.view(), all);
            std::vector<bool> taken(run.roster.students.size(), false);
            std::vector<int> picked;
            for (int s; (s = PickNextStudent(run.view(), members, order, taken)) >= 0;) {
                ASSERT_FALSE(taken[s]);
                taken[s] = true;
                picked.push_back(s);
            }
            std::vector<int> sorted;
            for (const GroupMember& m : reportOrder(run.view(), all, order)) sorted.push_back(m.student);
            ASSERT_EQ(picked, sorted);
            ASSERT_EQ(picked.size(), run.roster.students.size());
            for (size_t i = 1; i < picked.size(); ++i) {
                const std::string& a = run.roster.students[picked[i - 1]].admissionNumber;
                const std::string& b = run.roster.students[picked[i]].admissionNumber;
                if (order != ReportOrder::ByAdmission) continue;
                EXPECT_LE(a, b);
                if (a == b) {
                    EXPECT_LT(picked[i - 1], picked[i]);
                }
            }
        }
    }
}

TEST(ReportValues, QuestionListsByOutcome) {
    GradingRecord r;
    ExamSettings settings;
    settings.questionCount = 20;
    for (int q = 1; q <= 20; ++q) r.answers[q - 1].outcome = kOutcomeFull;
    r.answers[2] = {"ABD", kOutcomeExtra, 0};
    r.answers[16] = {"AC", kOutcomeExtra, 0};
    r.answers[11] = {"", kOutcomeWrong, 0};
    r.answers[19] = {"B", kOutcomeExtra, 0};
    EXPECT_EQ(ListQuestionsByOutcome(r, settings, kOutcomeExtra), "3.ABD 17.AC 20.B ");
    EXPECT_EQ(ListQuestionsByOutcome(r, settings, kOutcomeWrong), "12. ");
    EXPECT_EQ(ListQuestionsByOutcome(r, settings, kOutcomeMissing), "");
    // Only questions of the exam count.
    settings.questionCount = 19;
    EXPECT_EQ(ListQuestionsByOutcome(r, settings, kOutcomeExtra), "3.ABD 17.AC ");
}

TEST(ReportValues, ChoicesAreCheckedInOrder) {
    const RunSnapshot run = smallRun();
    ReportRequest request;
    EXPECT_EQ(checkReportChoices(run.roster, request), "请选择年级！");
    request.group = outputGroup(run.roster, 0, -1);
    EXPECT_EQ(checkReportChoices(run.roster, request), "请选择班级");
    request.group = smallGroup(run);
    EXPECT_EQ(checkReportChoices(run.roster, request), "请选择要输出的各个项");
    EXPECT_TRUE(addReportItem(request.items, ReportItem::Name));
    EXPECT_FALSE(addReportItem(request.items, ReportItem::Name));
    EXPECT_EQ(checkReportChoices(run.roster, request), "");
}

TEST(CsvReport, MatchesTheHandWrittenFileByteForByte) {
    const RunSnapshot run = smallRun();
    OutputFolder out;
    ReportRequest request{smallGroup(run), allReportItems(), ReportOrder::ByAdmission, true};
    const std::string path = out.folder() + "Result.csv";
    ASSERT_EQ(writeCsvReport(path, run.settings, request, reportRows(run.view(), request)), "");
    const std::string expected = readBytes(TARVEL_EXPECTED_DIR "/report-all-items.csv");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(readBytes(path), expected);

    // Without absent students the next student takes the absent one's line.
    request.includeAbsent = false;
    ASSERT_EQ(writeCsvReport(path, run.settings, request, reportRows(run.view(), request)), "");
    std::string withoutAbsent = expected;
    const size_t at = withoutAbsent.find("'202410102");
    withoutAbsent.erase(at, withoutAbsent.find("\r\n", at) + 2 - at);
    EXPECT_EQ(readBytes(path), withoutAbsent);
}

TEST(CsvReport, FormulaTextsAndTheBufferLimit) {
    for (const char* formula : {"=1+1", "+1", "-1", "@SUM(A1)"}) EXPECT_EQ(guardFormula(formula), std::string("'") + formula);
    EXPECT_EQ(guardFormula("a=1"), "a=1");
    EXPECT_EQ(guardFormula(""), "");

    // The buffer holds the text and its terminating zero: one byte less
    // than its size fits, its size is refused whole.
    std::string message;
    CsvText fits;
    fits.append(std::string(kCsvBufferSize - 3, 'x'));
    fits.endLine();
    EXPECT_EQ(fits.gbk(message).size(), kCsvBufferSize - 1);
    EXPECT_EQ(message, "");
    CsvText tooLong = fits;
    tooLong.append("x");
    EXPECT_EQ(tooLong.gbk(message), "");
    EXPECT_NE(message.find("20971519"), std::string::npos) << message;

    // A damaged name (U+FFFD from invalid GBK) is written as "?", not lost.
    CsvText damaged;
    damaged.textField("张\xEF\xBF\xBD");
    EXPECT_EQ(damaged.gbk(message), "\xD5\xC5?,");
}

TEST(XlsxSpreadsheet, ReportsWhatWentWrong) {
    OutputFolder out;
    XlsxSpreadsheet unwritable(out.folder() + "no/such/folder.xlsx");
    unwritable.addSheet("Sheet1");
    unwritable.writeText(1, 1, "x", {});
    EXPECT_NE(unwritable.save(), "");

    // Beyond the last row of a sheet: the first error is kept, nothing is written.
    const std::string path = out.folder() + "big.xlsx";
    XlsxSpreadsheet tooFar(path);
    tooFar.addSheet("Sheet1");
    tooFar.writeNumber(1048577, 1, 1, {});
    tooFar.writeText(1, 1, "x", {});
    EXPECT_NE(tooFar.save(), "");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_NE(tooFar.save(), "");  // once written or refused, never again

    XlsxSpreadsheet noSheet(out.folder() + "empty.xlsx");
    noSheet.writeText(1, 1, "x", {});
    EXPECT_EQ(noSheet.save(), "工作簿中没有工作表");
}

class FakeOpener : public FileOpener {
public:
    bool opens = true;
    std::vector<std::string> opened, edited;
    bool open(const std::string& path) override {
        opened.push_back(path);
        return opens;
    }
    bool openInTextEditor(const std::string& path) override {
        edited.push_back(path);
        return true;
    }
};

TEST(ReportRoute, EveryPressWritesANewWorkbook) {
    const RunSnapshot run = smallRun();
    OutputFolder out;
    const ReportRequest request{smallGroup(run), allReportItems(), ReportOrder::ByTotal, true};
    std::tm now{};
    now.tm_year = 125;
    now.tm_mon = 0;
    now.tm_mday = 14;
    now.tm_hour = 9;
    now.tm_min = 30;
    now.tm_sec = 5;
    std::vector<int> positions;
    const ProgressFn progress = [&](int p) {
        positions.push_back(p);
        return true;
    };
    const OutputFile first = WriteReport(run.view(), request, out.folder(), now, progress);
    const OutputFile second = WriteReport(run.view(), request, out.folder(), now);
    EXPECT_EQ(first.kind, OutputFile::Workbook);
    EXPECT_EQ(out.files(), (std::vector<std::string>{"期中数学_2024级_所有班级_20250114-093005.xlsx",
                                                     "期中数学_2024级_所有班级_20250114-093005_2.xlsx"}));
    EXPECT_EQ(second.path, out.folder() + "期中数学_2024级_所有班级_20250114-093005_2.xlsx");
    EXPECT_GT(fs::file_size(first.path), 0u);
    // 4 students taken of 5 records, so the bar stops at 80.
    ASSERT_FALSE(positions.empty());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), 80);

    // A stop from the progress leaves nothing behind.
    const OutputFile stopped = WriteReport(run.view(), request, out.folder(), now, [](int) { return false; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(out.files().size(), 2u);

    // Characters no file name may hold.
    RunSnapshot slashed = smallRun();
    slashed.settings.examName = "../期中/";
    EXPECT_EQ(outputFileStem(slashed.view(), outputGroup(slashed.roster, 1, 2), "统计", now),
              "_._期中_数学_2023级_02班_统计_20250114-093005");
}

TEST(ReportProgress, StaysWithinTheBar) {
    EXPECT_EQ(reportProgress(0, 0), 0);
    EXPECT_EQ(reportProgress(3, 0), 0);
    EXPECT_EQ(reportProgress(1, 3), 33);
    EXPECT_EQ(reportProgress(7, 5), 100);  // absent students are taken too
}

TEST(ReportRoute, CsvWhenTheWorkbookFailsAndShowingTheFile) {
    OutputFolder out;
    OutputWriters writers;
    std::string reserved;
    writers.writeWorkbook = [&](const std::string& path, bool&) {
        reserved = path;
        return std::string("disk full");
    };
    writers.writeCsv = [](const std::string& path) { return writeCsvFile(path, "a,\r\n") ? "" : "failed"; };
    const OutputFile file = writeWorkbookOrCsv(out.folder(), "报告", "Result.csv", writers);
    EXPECT_EQ(file.kind, OutputFile::Csv);
    EXPECT_EQ(reserved, out.folder() + "报告.xlsx");
    EXPECT_EQ(out.files(), std::vector<std::string>{"Result.csv"});  // the failed workbook is gone

    ScriptedPrompter prompter;
    FakeOpener opener;
    opener.opens = false;
    ShowOutputFile(file, opener, prompter);
    EXPECT_EQ(prompter.texts(), std::vector<std::string>{kInstallSpreadsheetMessage});
    EXPECT_EQ(opener.edited, std::vector<std::string>{file.path});

    // The folder cannot be written at all: the CSV route's message.
    const RunSnapshot run = smallRun();
    const ReportRequest request{smallGroup(run), allReportItems(), ReportOrder::ByAdmission, true};
    const std::string blocked = out.folder() + "Result.csv/";
    const OutputFile refused = WriteReport(run.view(), request, blocked, std::tm{});
    EXPECT_EQ(refused.kind, OutputFile::None);
    EXPECT_EQ(refused.message, kCsvReportFailed);
    prompter.clear();
    ShowOutputFile(refused, opener, prompter);
    EXPECT_EQ(prompter.texts(), std::vector<std::string>{kCsvReportFailed});
}

}  // namespace
}  // namespace tarvel
