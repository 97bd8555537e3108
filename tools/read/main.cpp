// tarvel-read: reads card pictures as the grading station would and prints
// one JSON object per picture and line. Its options and output are a stable
// interface for other programs.
#include <cstdio>
#include <iostream>
#include <string>

#include "arguments.h"
#include "recognition/cardread.h"
#include "recognition/imagefile.h"

namespace tarvel::read {
namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void printRefusal(const std::string& file, int code, const std::string& message) {
    std::cout << "{\"file\":" << quoted(file) << ",\"code\":" << code << ",\"message\":" << quoted(message)
              << ",\"abFlag\":null,\"admission\":null,\"subject\":null,\"score\":null,\"answers\":null}\n";
}

void printReading(const std::string& file, const WholeReading& r, bool hasScore, int questions) {
    std::cout << "{\"file\":" << quoted(file) << ",\"code\":0,\"message\":\"\",\"abFlag\":" << r.reading.abFlag
              << ",\"admission\":" << quoted(r.reading.admissionNumber)
              << ",\"subject\":" << quoted(r.reading.subjectCode)
              << ",\"score\":" << (hasScore ? quoted(r.scoreText) : std::string("null")) << ",\"answers\":[";
    for (int q = 0; q < questions; ++q) std::cout << (q ? "," : "") << quoted(r.reading.answers[q]);
    std::cout << "]}\n";
}

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int run(int argc, char** argv) {
    Arguments args;
    std::string message;
    if (!parseArguments(argc, argv, args, message)) {
        std::cerr << message << '\n' << kUsage;
        return 2;
    }
    CardTemplate layout;
    if (!readTemplateFile(args.templatePath, baseName(args.templatePath), layout, message)) {
        std::cerr << message << '\n';
        return 2;
    }
    const CardFamily family = familyOf(baseName(args.templatePath));
    ReadOptions options;
    options.admissionLength = args.admissionLength >= 0 ? args.admissionLength : layout.admissionDigits;
    options.questionCount = args.questionCount >= 0 ? args.questionCount : layout.questionCount;
    options.multiple = args.multiple;

    ImageSet images;
    images.create(3);
    CardLocator locator;
    // Messages of the mark reader ("AB卷标识未选") go to stderr; the read goes on.
    DecliningPrompter prompter(&std::cerr);
    WholeReading reading;
    for (const std::string& file : args.images) {
        Bitmap picture;
        if (!readImageFile(file, picture, message)) {
            std::cerr << message << '\n';
            printRefusal(file, -1, message);
            continue;
        }
        if (picture.width() != kFrameWidth || picture.height() != kFrameHeight) {
            message = "图像不是640×480像素：" + file;
            std::cerr << message << '\n';
            printRefusal(file, -1, message);
            continue;
        }
        images.frame.copyFrom(picture);
        LocationResult result;
        const ReadResult code = ReadCardFrame(images, layout, family, result, locator);
        if (code != ReadResult::Ok) {
            printRefusal(file, codeOf(code), readResultText(code));
            continue;
        }
        ReadLocatedCard(layout, family, result, images, prompter, options, reading);
        printReading(file, reading, layout.scoreDigits > 0, options.questionCount);
    }
    return 0;
}

}  // namespace
}  // namespace tarvel::read

int main(int argc, char** argv) { return tarvel::read::run(argc, argv); }
