#pragma once
// Where the output page's files go and how they are shown: every press of
// "输出" writes a new workbook into "成绩输出/" under a name that never
// overwrites an earlier one; when the workbook cannot be written the CSV
// route writes its fixed file instead; the file is then opened through an
// opener the window provides (the desktop's programs). Shared by the score
// report and the statistics.
#include <ctime>
#include <functional>
#include <string>

#include "base/prompter.h"
#include "grading/gradinggrid.h"
#include "output/reportgroup.h"

namespace tarvel {

// Opens a written file. The window backs it with the desktop's default
// program (QDesktopServices / xdg-open) and a plain text editor.
class FileOpener {
public:
    virtual ~FileOpener() = default;
    // The desktop's program for the file's kind; false when none started.
    virtual bool open(const std::string& path) = 0;
    virtual bool openInTextEditor(const std::string& path) = 0;
};

// Called during long output with a position 0-100; returning false stops it
// and nothing is written. May be called on a worker thread.
using ProgressFn = std::function<bool(int percent)>;

// What one press of "输出" gave.
struct OutputFile {
    enum Kind { None, Workbook, Csv } kind = None;
    std::string path;     // the file written (Workbook, Csv)
    std::string message;  // None: why nothing was written ("" when stopped by the progress)
    bool stopped = false;
};

// The free spreadsheet program's download site, named in the notes and here.
inline constexpr const char* kFreeSpreadsheetSite = "https://www.wps.cn/";
inline const std::string kInstallSpreadsheetMessage =
    std::string("如需正常显示输出结果，请安装Excel软件或WPS表格软件（WPS有个人免费版") + kFreeSpreadsheetSite +
    "可以下载）";

// Shows the result on the user-interface thread: a refusal as a message; a
// workbook opened with the desktop's program (when none opens, the message
// names where it is); a CSV file opened with the desktop's program, else the
// install message and a text editor.
void ShowOutputFile(const OutputFile& file, FileOpener& opener, Prompter& prompter);

// The file name without extension: exam and subject, the grade, the class,
// `what` (empty for the score report) and the date and time, joined by "_",
// with characters no file name may hold replaced.
std::string outputFileStem(const RunView& run, const GroupChoice& group, const std::string& what,
                           const std::tm& now);

// Creates `folder` + stem + extension, or with "_2", "_3", ... before the
// extension when that exists, as an empty file (so no other press can take the
// name) and returns its path; "" when the folder cannot be written.
std::string reserveOutputPath(const std::string& folder, const std::string& stem, const std::string& extension);

// The route of one press: a new workbook written by `writeWorkbook` (which
// returns "" or its error); on an error, the CSV route writes `csvName` in
// the folder with `writeCsv` (which returns "" or the message for the user).
// A stop from the progress writes nothing more.
struct OutputWriters {
    std::function<std::string(const std::string& path, bool& stopped)> writeWorkbook;
    std::function<std::string(const std::string& path)> writeCsv;
};
OutputFile writeWorkbookOrCsv(const std::string& folder, const std::string& stem, const std::string& csvName,
                              const OutputWriters& writers);

}  // namespace tarvel
