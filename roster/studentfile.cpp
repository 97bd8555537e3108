#include "roster/studentfile.h"

#include <cstring>
#include <filesystem>

#include "base/paths.h"
#include "roster/recordtext.h"

namespace tarvel {
namespace {

std::string fileNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

FileDialogRequest studentDialog(const char* title) {
    return {title, kStudentFileFilter, kStudentFileExtension, installedPath(installed::kStudentFiles)};
}

// Makes `path` the current student file of a roster that now matches it.
void becomeCurrent(StudentFileState& state, const std::string& path) {
    state.currentPath = path;
    state.modified = false;
}

// Commits the page and writes the roster to `path`; false (told) on failure.
bool commitAndWrite(StudentFileState& state, const RosterPage& page, const std::string& path, Prompter& prompter,
                    SaveOps* ops) {
    RosterProblem problem = commitRosterFromPage(state.roster, page);
    if (!problem.ok()) {
        prompter.message(problem.message);
        return false;
    }
    std::string error, substituted;
    if (!writeStudentFile(path, state.roster, error, ops, &substituted)) {
        prompter.message(error);
        return false;
    }
    if (!substituted.empty() && !state.toldSubstitution) {
        prompter.notice(substitutionNotice(substituted));
        state.toldSubstitution = true;
    }
    return true;
}

}  // namespace

std::string currentFileLabel(const std::string& path) {
    return path.empty() ? std::string() : "当前学生文件：" + fileNameOf(path);
}

std::string parseStudentFile(const uint8_t* bytes, size_t size, Roster& roster) {
    Roster read;
    std::string problem = decodeStudentFile(bytes, size, read);
    if (!problem.empty()) return problem;
    // The length must match the count exactly: extra bytes mean the file is
    // not what its header says.
    if (size != studentFileSize(read)) {
        return "文件长度" + std::to_string(size) + "字节与其中的" + std::to_string(read.students.size()) +
               "名学生不符（应为" + std::to_string(studentFileSize(read)) + "字节）。";
    }
    roster = std::move(read);
    return {};
}

bool readStudentFile(const std::string& path, Roster& roster, std::string& error) {
    const std::string refused = "打开学生信息文件“" + fileNameOf(path) + "”失败：";
    std::vector<uint8_t> bytes;
    switch (readWholeFile(path, bytes, kMaxStudentFileSize)) {
        case FileRead::Ok: break;
        case FileRead::Unreadable: error = refused + "文件不存在或无法读取。"; return false;
        case FileRead::TooLarge: error = refused + "文件过大，不是学生信息文件。"; return false;
    }
    std::string problem = parseStudentFile(bytes.data(), bytes.size(), roster);
    if (!problem.empty()) {
        error = refused + problem;
        return false;
    }
    return true;
}

bool writeStudentFile(const std::string& path, const Roster& roster, std::string& error, SaveOps* ops,
                      std::string* substituted) {
    std::vector<uint8_t> bytes;
    std::string problem = encodeStudentFile(roster, bytes, substituted);
    if (!problem.empty()) {
        error = "保存学生信息文件“" + fileNameOf(path) + "”失败：" + problem;
        return false;
    }
    return saveFileAtomically(path, bytes, error, ops);
}

bool isSampleRoster(const std::string& path) {
    return sameFile(path, installedPath(std::string(installed::kStudentFiles) + installed::kSampleRoster));
}

bool rememberStudentFile(const std::string& path, SaveOps* ops) {
    if (path.empty() || path.size() >= kLastStudentFileSize || path.find('\0') != std::string::npos) return false;
    std::vector<uint8_t> bytes(kLastStudentFileSize, 0);
    std::memcpy(bytes.data(), path.data(), path.size());
    std::string ignored;
    return saveFileAtomically(installedPath(installed::kLastStudentFile), bytes, ignored, ops);
}

std::optional<std::string> parseLastStudentFile(const uint8_t* bytes, size_t size) {
    if (size < kLastStudentFileSize) return std::nullopt;
    const char* text = reinterpret_cast<const char*>(bytes);
    size_t length = strnlen(text, kLastStudentFileSize);
    if (length == 0 || length == kLastStudentFileSize) return std::nullopt;
    return std::string(text, length);
}

std::optional<std::string> lastStudentFile() {
    std::vector<uint8_t> bytes;
    if (readWholeFile(installedPath(installed::kLastStudentFile), bytes, kLastStudentFileSize) != FileRead::Ok) {
        return std::nullopt;
    }
    return parseLastStudentFile(bytes.data(), bytes.size());
}

void loadLastRoster(StudentFileState& state) {
    state.roster.reset();
    state.currentPath.clear();
    state.sampleHint = false;
    state.toldSubstitution = false;
    std::error_code ec;
    std::string path;
    if (std::filesystem::exists(installedPath(installed::kLastStudentFile), ec)) {
        auto remembered = lastStudentFile();
        if (!remembered) return;
        path = *remembered;
    } else {
        path = installedPath(std::string(installed::kStudentFiles) + installed::kSampleRoster);
        if (!std::filesystem::exists(path, ec)) return;
        state.sampleHint = true;
    }
    std::string ignored;
    if (readStudentFile(path, state.roster, ignored)) {
        becomeCurrent(state, path);
    } else {
        state.sampleHint = false;
    }
}

bool newStudentFile(StudentFileState& state, Prompter& prompter) {
    if (prompter.askYesNo(kNewStudentFileQuestion) != Answer::Yes) return false;
    state.roster.reset();
    state.currentPath.clear();
    state.sampleHint = false;
    state.toldSubstitution = false;
    return true;
}

bool openStudentFile(StudentFileState& state, Prompter& prompter, FileDialogs& dialogs) {
    auto path = dialogs.openFile(studentDialog("打开学生信息文件"));
    if (!path) return false;
    std::string error;
    if (!readStudentFile(*path, state.roster, error)) {
        prompter.message(error);
        return false;
    }
    becomeCurrent(state, *path);
    rememberStudentFile(*path);
    state.sampleHint = false;
    state.toldSubstitution = false;
    return true;
}

bool saveStudentFile(StudentFileState& state, const RosterPage& page, Prompter& prompter, FileDialogs& dialogs,
                     SaveOps* ops) {
    // The sample roster stays as supplied: saving it asks for a name of its own.
    if (state.currentPath.empty() || isSampleRoster(state.currentPath)) {
        return saveStudentFileAs(state, page, prompter, dialogs, ops);
    }
    if (!commitAndWrite(state, page, state.currentPath, prompter, ops)) return false;
    state.modified = false;
    return true;
}

bool saveStudentFileAs(StudentFileState& state, const RosterPage& page, Prompter& prompter, FileDialogs& dialogs,
                       SaveOps* ops) {
    auto path = dialogs.saveFile(studentDialog("另存学生信息文件"));
    if (!path) return false;
    if (!commitAndWrite(state, page, *path, prompter, ops)) return false;
    rememberStudentFile(*path);
    becomeCurrent(state, *path);
    state.sampleHint = false;
    return true;
}

}  // namespace tarvel
