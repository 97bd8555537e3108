// tarvel-read: the options and the JSON lines it prints.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "arguments.h"
#include "capture/frameencode.h"
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

// A folder of its own with the card's layout in it as DYtest.dat.
std::filesystem::path folderWithLayout(const std::string& name, const synthetic::Card& card) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(folder);
    const auto bytes = encodeTemplate(card.layout);
    std::ofstream((folder / "DYtest.dat").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return folder;
}

TEST(ReadProgram, PrintsOneJsonLinePerPicture) {
    namespace fs = std::filesystem;
    std::mt19937 random(4);
    synthetic::Card card = synthetic::randomCard(random, true);
    const fs::path folder = folderWithLayout("tarvel-read-test", card);
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
        "{\"file\":\"" + f + "small.png\",\"code\":1,\"message\":\"未获得正确的检测线\",\"abFlag\":null," +
        "\"admission\":null,\"subject\":null,\"score\":null,\"answers\":null}\n" +
        "{\"file\":\"" + f + "blank.png\",\"code\":1,\"message\":\"未获得正确的检测线\",\"abFlag\":null," +
        "\"admission\":null,\"subject\":null,\"score\":null,\"answers\":null}\n";
    EXPECT_EQ(out, expected);

    runProgram("--template " + f + "DYtest.dat", status);
    EXPECT_EQ(status, 2);
    runProgram("--template " + f + "missing.dat " + f + "card.png", status);
    EXPECT_EQ(status, 2);
    fs::remove_all(folder);
}

// A PDF file whose pages each show one JPEG picture over the whole page, as
// a scanner writes them: pictures of w x h pixels on pages of w x h / 150
// inches, so that a page drawn at 150 dpi gives the picture's own pixels.
std::string scannedPdf(const std::vector<Bitmap>& pages) {
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    auto object = [&](const std::string& body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    std::string kids;
    for (size_t k = 0; k < pages.size(); ++k) kids += std::to_string(3 + 3 * k) + " 0 R ";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
    for (size_t k = 0; k < pages.size(); ++k) {
        const Bitmap& picture = pages[k];
        const std::string w = std::to_string(picture.width()), h = std::to_string(picture.height());
        const std::string points = std::to_string(picture.width() * 72.0 / 150) + " " + std::to_string(picture.height() * 72.0 / 150);
        const std::vector<uint8_t> jpeg = encodeJpeg(picture, 92);
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + points + "] /Resources << /XObject << /Im0 " +
               std::to_string(4 + 3 * k) + " 0 R >> >> /Contents " + std::to_string(5 + 3 * k) + " 0 R >>");
        object("<< /Type /XObject /Subtype /Image /Width " + w + " /Height " + h +
               " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /Length " + std::to_string(jpeg.size()) +
               " >>\nstream\n" + std::string(jpeg.begin(), jpeg.end()) + "\nendstream");
        const std::string draw = "q " + points.substr(0, points.find(' ')) + " 0 0 " + points.substr(points.find(' ') + 1) +
                                 " 0 0 cm /Im0 Do Q";
        object("<< /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw + "\nendstream");
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    return pdf + "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
}

TEST(ReadProgram, ReadsLargePicturesAndEveryPageOfAPdfFile) {
    namespace fs = std::filesystem;
    std::mt19937 random(8);
    synthetic::Card card = synthetic::randomCard(random, false);
    const fs::path folder = folderWithLayout("tarvel-read-pdf-" + std::to_string(::getpid()), card);
    // The camera frame three times as large: each pixel a 3 x 3 block.
    Bitmap frame = synthetic::blankFrame();
    synthetic::paint(frame, synthetic::cardRects(card));
    Bitmap large(3 * kFrameWidth, 3 * kFrameHeight, 3);
    for (int y = 0; y < large.height(); ++y) {
        for (int x = 0; x < large.width(); ++x) std::copy_n(frame.pixel(x / 3, y / 3), 3, large.pixel(x, y));
    }
    ASSERT_TRUE(writePngFile((folder / "large.png").string(), large));
    std::vector<Bitmap> pages;
    pages.push_back(large.clone());
    pages.push_back(Bitmap(1240, 1754, 3));  // an empty A4 page
    std::ofstream((folder / "scan.pdf").string(), std::ios::binary) << scannedPdf(pages);
    std::ofstream((folder / "broken.pdf").string(), std::ios::binary) << "%PDF-1.4\nnothing else";

    int status = -1;
    const std::string f = folder.string() + "/";
    const std::string out = runProgram("--template " + f + "DYtest.dat --admission-length 8 --questions 2 " + f +
                                           "large.png " + f + "scan.pdf " + f + "broken.pdf",
                                       status);
    EXPECT_EQ(status, 0);
    const auto& t = card.truth;
    const std::string read = "\"code\":0,\"message\":\"\",\"abFlag\":0,\"admission\":\"" + t.admissionNumber +
                             "\",\"subject\":\"" + t.subjectCode + "\",\"score\":\"" + t.scoreText + "\",\"answers\":[\"" +
                             t.answers[0] + "\",\"" + t.answers[1] + "\"]}\n";
    const std::string none = "\"abFlag\":null,\"admission\":null,\"subject\":null,\"score\":null,\"answers\":null}\n";
    EXPECT_EQ(out, "{\"file\":\"" + f + "large.png\"," + read +                         //
                       "{\"file\":\"" + f + "scan.pdf#1\"," + read +                     //
                       "{\"file\":\"" + f + "scan.pdf#2\",\"code\":1,\"message\":\"未获得正确的检测线\"," + none +
                       "{\"file\":\"" + f + "broken.pdf\",\"code\":-1,\"message\":\"不是可读的PDF文件：" + f +
                       "broken.pdf\"," + none);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tarvel::read
