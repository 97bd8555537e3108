#pragma once
// Helpers for tests of the file commands: a throw-away program folder, file
// dialogs answered from a script, and a disk that fills up after N bytes.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/savefile.h"
#include "roster/studentfile.h"
#include "tests/diskfull.h"

namespace tarvel::testing {

// A fresh program folder for one test; the program's paths point into it.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& name) {
        root_ = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        setProgramFolder(root_.string());
    }
    ~ProgramFolder() {
        setProgramFolder("");
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::string path(const std::string& relative) const { return (root_ / relative).string(); }
    // Regular files in a folder of the program folder (left-over temp files show here).
    size_t filesIn(const std::string& relative) const {
        size_t n = 0;
        std::error_code ec;
        for (auto& e : std::filesystem::directory_iterator(root_ / relative, ec)) n += e.is_regular_file();
        return n;
    }

private:
    std::filesystem::path root_;
};

// Answers dialogs in order; an empty script cancels. Remembers what was shown.
class ScriptedDialogs : public FileDialogs {
public:
    void pick(const std::string& path) { answers_.push_back(path); }
    void cancelNext() { answers_.push_back(std::nullopt); }
    std::optional<std::string> openFile(const FileDialogRequest& request) override { return take(request); }
    std::optional<std::string> saveFile(const FileDialogRequest& request) override { return take(request); }
    std::optional<std::string> chooseFolder(const FileDialogRequest& request) override { return take(request); }
    // Several files are answered from their own script; an empty one cancels.
    void pickFiles(std::vector<std::string> paths) { many_.push_back(std::move(paths)); }
    std::optional<std::vector<std::string>> openFiles(const FileDialogRequest& request) override {
        shown.push_back(request);
        if (many_.empty()) return std::nullopt;
        auto a = std::move(many_.front());
        many_.pop_front();
        return a;
    }
    std::vector<FileDialogRequest> shown;

private:
    std::optional<std::string> take(const FileDialogRequest& request) {
        shown.push_back(request);
        if (answers_.empty()) return std::nullopt;
        auto a = answers_.front();
        answers_.pop_front();
        return a;
    }
    std::deque<std::optional<std::string>> answers_;
    std::deque<std::vector<std::string>> many_;
};

inline std::vector<uint8_t> fileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    readWholeFile(path, bytes, size_t(1) << 30);
    return bytes;
}

}  // namespace tarvel::testing
