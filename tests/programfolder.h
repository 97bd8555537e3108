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
};

// Takes `budget` bytes, then fails as a full disk does. Does not wait for
// the disk on sync, so a test can save thousands of times.
class DiskFullAfter : public SaveOps {
public:
    explicit DiskFullAfter(size_t budget) : budget_(budget) {}
    long write(int fd, const void* data, size_t size) override {
        if (budget_ == 0) {
            errno = ENOSPC;
            return -1;
        }
        size_t n = std::min(size, budget_);
        budget_ -= n;
        return SaveOps::write(fd, data, n);
    }
    int sync(int) override { return 0; }

private:
    size_t budget_;
};

inline std::vector<uint8_t> fileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    readWholeFile(path, bytes);
    return bytes;
}

}  // namespace tarvel::testing
