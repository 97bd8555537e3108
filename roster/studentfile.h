#pragma once
// Student files ("学生信息文件/*.xs"), the pointer file "base.dat" that names
// the last one used, and the new / open / save / save-as commands of the
// students page over plain state. Every write goes through an atomic save, so
// a failing save never damages the file it was meant to replace.
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "base/savefile.h"
#include "roster/rostermodel.h"
#include "roster/xuesheng.h"

namespace tarvel {

inline constexpr size_t kLastStudentFileSize = 1024;
inline constexpr const char* kStudentFileFilter = "学生信息(*.xs)|*.xs";
inline constexpr const char* kStudentFileExtension = "xs";
inline constexpr const char* kSampleRosterHint =
    "测试软件阅卷效果时可以直接使用默认的学生名单,如果需要自己设置请按新建学生信息文件按钮";
inline constexpr const char* kNewStudentFileQuestion = "当前打开的文件将会被关闭，如有需要请先保存。是否继续新建？";

// What an open or save dialog starts with. The file name always starts empty.
struct FileDialogRequest {
    std::string title;
    std::string filter;            // "学生信息(*.xs)|*.xs"
    std::string defaultExtension;  // "xs"
    std::string initialFolder;     // absolute, ends in "/"
};

// The program's file dialogs; tests answer them. nullopt means cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
    // Several files of one folder at once (batch grading, merging); without
    // its own dialog for that, one file is asked for.
    virtual std::optional<std::vector<std::string>> openFiles(const FileDialogRequest& request) {
        if (auto one = openFile(request)) return std::vector<std::string>{*one};
        return std::nullopt;
    }
    // A folder (initialFolder to start in; filter unused); none without such a dialog.
    virtual std::optional<std::string> chooseFolder(const FileDialogRequest&) { return std::nullopt; }
};

// The roster and what the main window keeps about its file.
struct StudentFileState {
    Roster roster;
    std::string currentPath;  // "" while the roster was never saved or opened
    bool modified = false;    // enables "保存学生信息文件"
    bool sampleHint = false;  // the blue hint about the sample roster
    bool toldSubstitution = false;  // the notice about texts saved with "?" was shown
};

// "当前学生文件：" + file name without folder; "" without a current file.
std::string currentFileLabel(const std::string& path);

// The checks of readStudentFile over bytes already read: "" and `roster`
// replaced, or what is wrong (roster untouched).
std::string parseStudentFile(const uint8_t* bytes, size_t size, Roster& roster);
// Reads a student file. Refuses, with a message naming the file and the
// roster untouched, a file that cannot be read or whose length or counts do
// not match 3158 + 56 * n with n in 0..5000.
bool readStudentFile(const std::string& path, Roster& roster, std::string& error);
// Writes 3158 + 56 * n bytes atomically; false with a message on failure.
// `substituted` receives the first text saved with "?".
bool writeStudentFile(const std::string& path, const Roster& roster, std::string& error, SaveOps* ops = nullptr,
                      std::string* substituted = nullptr);
// Whether `path` is the sample roster "学生信息文件/测试.xs" beside the program.
bool isSampleRoster(const std::string& path);

// "base.dat" beside the executable: the path (UTF-8) at offset 0, NUL, zeros
// up to 1024 bytes. Errors are ignored (the return value is for tests); a path
// that does not fit is not written, so an old pointer never turns into a
// truncated one.
bool rememberStudentFile(const std::string& path, SaveOps* ops = nullptr);
// The path "base.dat" names, or nullopt when there is no usable base.dat.
std::optional<std::string> lastStudentFile();
// The same over the bytes of a base.dat.
std::optional<std::string> parseLastStudentFile(const uint8_t* bytes, size_t size);

// A new grading run: reset the roster, then load the file "base.dat" names
// (errors leave the reset roster) or, without "base.dat", the sample roster
// "学生信息文件/测试.xs" with the sample hint. A missing sample roster leaves
// the reset roster and no hint.
void loadLastRoster(StudentFileState& state);

// The four buttons. Each returns true when it changed the roster or its file
// state; the caller then shows the roster on the page where the Part says so
// and refreshes the raw-file save button. Failures are told through the
// prompter and change nothing but what was committed from the page. Saving
// without a current file, or while the current file is the sample roster
// (which stays as supplied), asks for a name as "另存学生信息文件" does. A
// text saved with "?" is told once.
bool newStudentFile(StudentFileState& state, Prompter& prompter);
bool openStudentFile(StudentFileState& state, Prompter& prompter, FileDialogs& dialogs);
bool saveStudentFile(StudentFileState& state, const RosterPage& page, Prompter& prompter, FileDialogs& dialogs,
                     SaveOps* ops = nullptr);
bool saveStudentFileAs(StudentFileState& state, const RosterPage& page, Prompter& prompter, FileDialogs& dialogs,
                       SaveOps* ops = nullptr);

}  // namespace tarvel
