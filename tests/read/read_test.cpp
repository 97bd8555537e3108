// tarvel-read: the options and the JSON lines it prints.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>

#include "arguments.h"
#include "recognition/imagefile.h"
#include "synthetic.h"

namespace tarvel::read {
namespace {

TEST(ReadArguments, QuestionListTakesNumbersAndRanges) {
    std::array<bool, kMaxQuestions> multiple{};
    ASSERT_TRUE(parseQuestionList("1-5,11", multiple));
    for (int q = 1; q <= 200; ++q) EXPECT_EQ(multiple[q - 1], (q <= 5 || q == 11)) << q;
    for (const char* bad : {"", "0", "201", "5-1", "1,,2", "a", "1-", "-3", "1-2-3", "3 "}) {
        std::array<bool, kMaxQuestions> m{};
        EXPECT_FALSE(parseQuestionList(bad, m)) << bad;
    }
}

TEST(ReadArguments, OptionsAndTheirLimits) {
    auto parse = [](std::vector<std::string> words, Arguments& out, std::string& message) {
        words.insert(words.begin(), "tarvel-read");
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        return parseArguments(static_cast<int>(argv.size()), argv.data(), out, message);
    };
    Arguments a;
    std::string message;
    ASSERT_TRUE(parse({"--template", "DY.dat", "--admission-length", "6", "--questions", "40", "--multiple", "2",
                       "a.png", "b.jpg"},
                      a, message));
    EXPECT_EQ(a.templatePath, "DY.dat");
    EXPECT_EQ(a.admissionLength, 6);
    EXPECT_EQ(a.questionCount, 40);
    EXPECT_TRUE(a.multiple[1]);
    EXPECT_EQ(a.images, (std::vector<std::string>{"a.png", "b.jpg"}));
    Arguments b;
    EXPECT_FALSE(parse({"--template", "DY.dat"}, b, message));  // no picture
    Arguments c;
    EXPECT_FALSE(parse({"a.png"}, c, message));  // no layout
    Arguments d;
    EXPECT_FALSE(parse({"--template", "DY.dat", "--questions", "201", "a.png"}, d, message));
    Arguments e;
    EXPECT_FALSE(parse({"--template", "DY.dat", "--admission-length", "21", "a.png"}, e, message));
    Arguments f;
    EXPECT_FALSE(parse({"--template", "DY.dat", "--colour", "a.png"}, f, message));
    Arguments g;
    EXPECT_FALSE(parse({"--template", "DY.dat", "a.png", "--questions"}, g, message));
}

// Runs the program and returns its standard output and exit status.
std::string runProgram(const std::string& arguments, int& status) {
    std::string out;
    FILE* pipe = popen((std::string(TARVEL_READ_PROGRAM) + " " + arguments + " 2>/dev/null").c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    status = WEXITSTATUS(pclose(pipe));
    return out;
}

TEST(ReadProgram, PrintsOneJsonLinePerPicture) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "tarvel-read-test";
    fs::create_directories(folder);
    std::mt19937 random(4);
    synthetic::Card card = synthetic::randomCard(random, true);
    const auto bytes = encodeTemplate(card.layout);
    std::ofstream((folder / "DYtest.dat").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Bitmap frame = synthetic::blankFrame();
    synthetic::paint(frame, synthetic::cardRects(card));
    ASSERT_TRUE(writePngFile((folder / "card.png").string(), frame));
    Bitmap small(320, 240, 3);
    ASSERT_TRUE(writePngFile((folder / "small.png").string(), small));
    Bitmap blank = synthetic::blankFrame();
    ASSERT_TRUE(writePngFile((folder / "blank.png").string(), blank));

    int status = -1;
    const std::string f = folder.string() + "/";
    const std::string out = runProgram("--template " + f + "DYtest.dat --admission-length 5 --questions 3 --multiple 1-3 " +
                                           f + "card.png " + f + "small.png " + f + "blank.png",
                                       status);
    EXPECT_EQ(status, 0);
    const auto& t = card.truth;
    const std::string expected =
        "{\"file\":\"" + f + "card.png\",\"code\":0,\"message\":\"\",\"abFlag\":0,\"admission\":\"" +
        t.admissionNumber.substr(0, 5) + "\",\"subject\":\"" + t.subjectCode + "\",\"score\":\"" + t.scoreText +
        "\",\"answers\":[\"" + t.answers[0] + "\",\"" + t.answers[1] + "\",\"" + t.answers[2] + "\"]}\n" +
        "{\"file\":\"" + f + "small.png\",\"code\":-1,\"message\":\"图像不是640×480像素：" + f +
        "small.png\",\"abFlag\":null,\"admission\":null,\"subject\":null,\"score\":null,\"answers\":null}\n" +
        "{\"file\":\"" + f + "blank.png\",\"code\":1,\"message\":\"未获得正确的检测线\",\"abFlag\":null," +
        "\"admission\":null,\"subject\":null,\"score\":null,\"answers\":null}\n";
    EXPECT_EQ(out, expected);

    runProgram("--template " + f + "DYtest.dat", status);
    EXPECT_EQ(status, 2);
    runProgram("--template " + f + "missing.dat " + f + "card.png", status);
    EXPECT_EQ(status, 2);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tarvel::read
