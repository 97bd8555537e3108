#pragma once
// The command line shared by tarvel-report and tarvel-stats: one raw grading
// file, the group by its codes, the output file.
#include <string>
#include <utility>
#include <vector>

#include "gradingfile/rawfile.h"
#include "output/reportgroup.h"

namespace tarvel::outputcli {

inline constexpr int kWritten = 0;
inline constexpr int kRefused = 1;  // refused as the page would, or the file could not be written
inline constexpr int kUsage = 2;    // command line, or a run file that cannot be read

// Options of a tool besides the common ones.
struct Options {
    std::string runPath, gradeCode, classCode, outPath;
    bool csv = false;
    std::vector<std::pair<const char*, std::string*>> valued;  // the tool's own
    std::vector<std::pair<const char*, bool*>> flags;
};

// False with a message on a usage error.
bool parseOptions(int argc, char** argv, Options& options, std::string& message);

// Reads the run file and chooses the group; false with the message and the
// exit code.
bool loadRun(const Options& options, RawFileContent& run, GroupChoice& group, std::string& message, int& code);

}  // namespace tarvel::outputcli
