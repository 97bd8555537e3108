// tarvel-grade end to end: camera frames of filled cards made by cardtool
// (the standard answer, students of the sample roster, a wrong answer, a
// repeat read, a student not on the roster) graded by the program; the raw
// grading file it writes opens again and continues.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/savefile.h"
#include "gradingfile/rawfile.h"
#include "tests/runprogram.h"

namespace tarvel {
namespace {

namespace fs = std::filesystem;

const std::string kFolder = TARVEL_PROGRAM_FOLDER;
const std::string kLayout = kFolder + "/模板文件/DY标准85题自动AB卷.dat";
const std::string kRoster = kFolder + "/学生信息文件/测试.xs";

// 75 single-choice answers, then 10 multiple-choice ones.
std::vector<std::string> answerKey() {
    std::vector<std::string> key;
    for (int q = 0; q < 75; ++q) key.push_back(std::string(1, "ABCD"[(q * 3) % 4]));
    for (const char* m : {"AB", "BCD", "AC", "ABD", "CD", "BD", "ABC", "AD", "BC", "ACD"}) key.push_back(m);
    return key;
}

std::string joined(const std::vector<std::string>& answers) {
    std::string out;
    for (size_t i = 0; i < answers.size(); ++i) out += (i ? "," : "") + answers[i];
    return out;
}

using testing::Ran;
using testing::run;

std::vector<QJsonObject> jsonLines(const std::string& out) {
    std::vector<QJsonObject> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    return lines;
}

class GradeProgram : public ::testing::Test {
protected:
    GradeProgram() : scratch(fs::temp_directory_path() / ("tarvel-grade-e2e-" + std::to_string(::getpid()))) {
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        std::ofstream(scratch / "exam.json")
            << R"({"name":"期中","subject":"02","subjective":false,)"
               R"("sections":[[1,75,1,"单选题"],[76,85,2,"多选题"]],"rules":[["76-85","0.5/"]]})";
    }
    ~GradeProgram() override { fs::remove_all(scratch); }

    // A camera frame of a card; `admission` empty for the standard answer.
    std::string photo(const std::string& name, const std::string& admission, const std::vector<std::string>& answers,
                      const std::string& look = "") {
        const std::string out = (scratch / (name + ".jpg")).string();
        std::string content = "subject=02 ab=A answers=" + joined(answers);
        if (!admission.empty()) content = "admission=" + admission + " " + content;
        Ran r = run(std::string(TARVEL_CARDTOOL_PROGRAM) + " photo '" + TARVEL_LAYOUT_SOURCE + "' --out '" + out +
                        "' --content '" + content + "'" + (admission.empty() ? " --blank-admission" : "") + " " +
                        look,
                    scratch);
        EXPECT_EQ(r.status, 0) << r.err;
        return "'" + out + "'";
    }

    std::string grade(const std::string& options) {
        return std::string(TARVEL_GRADE_PROGRAM) + " --layout '" + kLayout + "' --roster '" + kRoster +
               "' --exam '" + (scratch / "exam.json").string() + "' " + options;
    }

    fs::path scratch;
};

TEST_F(GradeProgram, GradesAClassAndTheRunOpensAgain) {
    const std::vector<std::string> key = answerKey();
    std::vector<std::string> oneWrong = key;
    oneWrong[2] = oneWrong[2] == "A" ? "B" : "A";  // single choice: -1
    std::vector<std::string> partial = key;
    partial[75] = "A";  // "AB" answered "A": 0.5 per correct option
    const std::string pictures = photo("0-standard", "", key) + " " + photo("1-wang", "202410101", key) + " " +
                                 photo("2-zhao", "202410102", oneWrong) + " " +
                                 photo("3-hu", "202410103", partial, "--rotation 3") + " " +
                                 photo("4-wang-again", "202410101", key, "--rotation -4 --shift-x 12") + " " +
                                 photo("5-stranger", "202410199", key);
    const std::string yj = (scratch / "run.yj").string();
    Ran r = run(grade("--grade 20241 --class 01 --out '" + yj + "' " + pictures), scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;

    struct Expected {
        int code;
        const char* prompt;
        int record;  // -1: null
        double total;
    };
    const Expected expected[] = {{0, "标准答案已经读入", 0, 0},     {0, "王浩然95分", 1, 95},
                                 {0, "赵梦瑶94分", 2, 94},          {0, "胡昊然93.5分", 3, 93.5},
                                 {0, "王浩然95分", 1, 95},          {13, "学生名单中没有此学生", -1, 0}};
    for (size_t i = 0; i < 6; ++i) {
        const QJsonObject& o = lines[i];
        EXPECT_TRUE(o.value("file").toString().endsWith(".jpg")) << i;
        EXPECT_EQ(o.value("code").toInt(), expected[i].code) << r.out;
        EXPECT_EQ(o.value("prompt").toString().toStdString(), expected[i].prompt) << i;
        if (expected[i].record < 0) {
            EXPECT_TRUE(o.value("record").isNull() && o.value("total").isNull()) << i;
        } else {
            EXPECT_EQ(o.value("record").toInt(-1), expected[i].record) << i;
            EXPECT_EQ(o.value("total").toDouble(-1), expected[i].total) << i;
        }
    }
    EXPECT_EQ(lines[1].value("hint").toString().toStdString(), "该答题卡第一次阅读！");
    EXPECT_EQ(lines[4].value("hint").toString().toStdString(), "该答题卡这次阅卷结果和上次相同，已经阅卷次数：2");
    EXPECT_NE(lines[5].value("hint").toString().toStdString().find("202410199"), std::string::npos);

    std::vector<uint8_t> bytes;
    ASSERT_EQ(readWholeFile(yj, bytes, kMaxRawFileSize), FileRead::Ok);
    RawFileContent content;
    ASSERT_TRUE(decodeRawFile(bytes.data(), bytes.size(), content));
    ASSERT_EQ(content.records.size(), 4u);
    EXPECT_EQ(content.records[1].readCount, 2);
    EXPECT_EQ(content.records[3].missingCount, 1);
    EXPECT_EQ(content.records[3].answers[75].score, 0.5f);
    EXPECT_EQ(content.filter.gradeCode, "20241");
    EXPECT_EQ(content.filter.classCode, "01");
    EXPECT_EQ(content.settings.examName, "期中");
    EXPECT_EQ(content.settings.subjectName, "数学");
    EXPECT_EQ(content.settings.cardName, "DY标准85题自动AB卷.dat");

    // The score table of the run.
    Ran table = run(std::string(TARVEL_SCORES_PROGRAM) + " '" + yj + "'", scratch);
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("202410102"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("赵梦瑶"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("94"), std::string::npos) << table.out;
}

TEST_F(GradeProgram, AStandardAnswerAloneSavesOneRecordAndTheNextBlankCardRepeatsIt) {
    const std::vector<std::string> key = answerKey();
    const std::string yj = (scratch / "standard.yj").string();
    Ran first = run(grade("--grade 20241 --class ALL --out '" + yj + "' " + photo("standard", "", key)), scratch);
    ASSERT_EQ(first.status, 0) << first.err;
    std::vector<uint8_t> bytes;
    ASSERT_EQ(readWholeFile(yj, bytes, kMaxRawFileSize), FileRead::Ok);
    EXPECT_EQ(bytes.size(), 287775u + 2620);

    // Continued from the file alone: its roster, exam and group.
    const std::string again = (scratch / "again.yj").string();
    Ran second = run(std::string(TARVEL_GRADE_PROGRAM) + " --layout '" + kLayout + "' --open '" + yj + "' --out '" +
                         again + "' " + photo("standard-again", "", key, "--rotation 5"),
                     scratch);
    ASSERT_EQ(second.status, 0) << second.err;
    const auto lines = jsonLines(second.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].value("code").toInt(-1), 0);
    EXPECT_EQ(lines[0].value("record").toInt(-1), 0);
    EXPECT_EQ(lines[0].value("prompt").toString().toStdString(), "结果和上次相同");
    RawFileContent content;
    ASSERT_EQ(readWholeFile(again, bytes, kMaxRawFileSize), FileRead::Ok);
    ASSERT_TRUE(decodeRawFile(bytes.data(), bytes.size(), content));
    ASSERT_EQ(content.records.size(), 1u);
    EXPECT_EQ(content.records[0].readCount, 2);
    EXPECT_EQ(content.filter.classCode, "ALL");
}

TEST_F(GradeProgram, RefusalsComeWithTheirMessages) {
    std::ofstream(scratch / "bad.json") << R"({"name":"","subject":"02","subjective":false,"sections":[[1,5,1,"单选题"]]})";
    const std::string out = " --out '" + (scratch / "x.yj").string() + "' '" + (scratch / "none.jpg").string() + "'";
    const std::string base = std::string(TARVEL_GRADE_PROGRAM) + " --layout '" + kLayout + "' --roster '" + kRoster + "'";
    Ran exam = run(base + " --exam '" + (scratch / "bad.json").string() + "' --grade 20241 --class 01" + out, scratch);
    EXPECT_EQ(exam.status, 1);
    EXPECT_EQ(exam.err, "本次考试名称不能为空。\n");
    EXPECT_FALSE(fs::exists(scratch / "x.yj"));

    // The roster uses classes: the grading button reads nothing without one.
    Ran noClass = run(grade("--grade 20241" + out), scratch);
    EXPECT_EQ(noClass.status, 2);
    EXPECT_EQ(noClass.err, "请选择班级\n");

    // A picture that cannot be read is reported and the rest still saved.
    Ran missing = run(grade("--grade 20241 --class 01" + out), scratch);
    EXPECT_EQ(missing.status, 1);
    const auto lines = jsonLines(missing.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].value("code").toInt(), -1);
    EXPECT_TRUE(fs::exists(scratch / "x.yj"));
}

}  // namespace
}  // namespace tarvel
