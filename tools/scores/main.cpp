// tarvel-scores RUN.yj: prints the students of a raw grading file with their
// totals, one per line in record order, for people to read (tarvel-grade's
// JSON lines are for programs).
#include <iostream>
#include <string>

#include "base/floattext.h"
#include "base/gbk.h"
#include "base/savefile.h"
#include "gradingfile/rawfile.h"

namespace {

// Pads to `width` terminal columns; a Chinese character takes two, as it
// takes two bytes in GBK.
std::string padded(const std::string& text, size_t width) {
    const size_t columns = tarvel::gbkLength(text).value_or(text.size());
    return text + std::string(columns < width ? width - columns : 1, ' ');
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvel;
    if (argc != 2) {
        std::cerr << "用法：tarvel-scores 阅卷原始文件.yj\n";
        return 2;
    }
    std::vector<uint8_t> bytes;
    RawFileContent run;
    std::string problem;
    if (readWholeFile(argv[1], bytes, kMaxRawFileSize) != FileRead::Ok ||
        !decodeRawFile(bytes.data(), bytes.size(), run, &problem)) {
        std::cerr << kOpenRawFileFailed << (problem.empty() ? "" : "（" + problem + "）") << '\n';
        return 2;
    }
    const size_t students = run.records.empty() ? 0 : run.records.size() - 1;
    std::cout << run.settings.examName << " " << run.settings.subjectName << "：" << students << "份\n";
    std::cout << padded("准考证号", 22) << padded("姓名", 22) << "总分\n";
    for (size_t i = 1; i < run.records.size(); ++i) {
        const GradingRecord& r = run.records[i];
        std::cout << padded(r.admissionNumber, 22) << padded(r.name, 22) << floatToText(r.total) << '\n';
    }
    return 0;
}
