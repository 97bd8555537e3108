#include "output/outputfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "base/savefile.h"

namespace tarvel {

void ShowOutputFile(const OutputFile& file, FileOpener& opener, Prompter& prompter) {
    switch (file.kind) {
        case OutputFile::None:
            if (!file.message.empty()) prompter.message(file.message);
            break;
        case OutputFile::Workbook:
            if (!opener.open(file.path)) prompter.message(kInstallSpreadsheetMessage + "\n已输出到：" + file.path);
            break;
        case OutputFile::Csv:
            if (!opener.open(file.path)) {
                prompter.message(kInstallSpreadsheetMessage);
                opener.openInTextEditor(file.path);
            }
            break;
    }
}

std::string outputFileStem(const RunView& run, const GroupChoice& group, const std::string& what,
                           const std::tm& now) {
    std::string stem = run.settings.examName + run.settings.subjectName;
    auto add = [&](const std::string& part) {
        if (part.empty()) return;
        if (!stem.empty()) stem += '_';
        stem += part;
    };
    for (const std::string& part : groupNameParts(run.roster, group)) add(part);
    add(what);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                  now.tm_hour, now.tm_min, now.tm_sec);
    add(stamp);
    stem = safeFileName(stem);
    // A leading dot would hide the file, a leading dash looks like an option.
    if (stem[0] == '.' || stem[0] == '-') stem[0] = '_';
    return stem;
}

std::string reserveOutputPath(const std::string& folder, const std::string& stem, const std::string& extension) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (int n = 1; n < 10000; ++n) {
        const std::string path = folder + stem + (n == 1 ? "" : "_" + std::to_string(n)) + extension;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

OutputFile writeWorkbookOrCsv(const std::string& folder, const std::string& stem, const std::string& csvName,
                              const OutputWriters& writers) {
    OutputFile file;
    const std::string path = reserveOutputPath(folder, stem, ".xlsx");
    if (!path.empty()) {
        bool stopped = false;
        const std::string error = writers.writeWorkbook(path, stopped);
        if (error.empty() && !stopped) {
            file.kind = OutputFile::Workbook;
            file.path = path;
            return file;
        }
        std::remove(path.c_str());
        if (stopped) {
            file.stopped = true;
            return file;
        }
    }
    // The workbook could not be written: the CSV route, as without a
    // spreadsheet program.
    const std::string csvPath = folder + csvName;
    file.message = writers.writeCsv(csvPath);
    if (file.message.empty()) {
        file.kind = OutputFile::Csv;
        file.path = csvPath;
    }
    return file;
}

}  // namespace tarvel
