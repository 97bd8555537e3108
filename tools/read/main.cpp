// tarvel-read: reads card pictures as the grading station would and prints
// one JSON object per picture and line (camera frames, photos and scans of
// any size, each page of a PDF file). Its options and output are a stable
// interface for other programs.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "arguments.h"
#include "recognition/cardread.h"
#include "recognition/picturescale.h"

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
        PictureFile pictures;
        if (!pictures.open(file, message)) {
            std::cerr << message << '\n';
            printRefusal(file, -1, message);
            continue;
        }
        for (int page = 0; page < pictures.count(); ++page) {
            const std::string name = pictures.name(page);
            StillPicture picture;
            LocationResult result;
            std::optional<ReadResult> code;
            if (pictures.picture(page, picture, message)) {
                code = ReadStillPicture(picture, images, layout, family, result, locator);
                if (!code) message = unreadablePictureMessage(name);
            }
            if (!code) {
                std::cerr << message << '\n';
                printRefusal(name, -1, message);
            } else if (*code != ReadResult::Ok) {
                printRefusal(name, codeOf(*code), readResultText(*code));
            } else {
                ReadLocatedCard(layout, family, result, images, prompter, options, reading);
                printReading(name, reading, layout.scoreDigits > 0, options.questionCount);
            }
        }
    }
    return 0;
}

}  // namespace
}  // namespace tarvel::read

int main(int argc, char** argv) { return tarvel::read::run(argc, argv); }
