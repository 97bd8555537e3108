// Writes the small run of smallrun.h as a raw grading file, for the checks
// of the workbooks that tarvel-report and tarvel-stats write.
#include <iostream>

#include "base/savefile.h"
#include "gradingfile/rawfile.h"
#include "tests/output/smallrun.h"

int main(int argc, char** argv) {
    using namespace tarvel;
    if (argc != 2) {
        std::cerr << "usage: make_small_run RUN.yj\n";
        return 2;
    }
    const RunSnapshot run = testing::smallRun();
    std::vector<uint8_t> bytes;
    std::string error = encodeRawFile(run.roster, run.settings, GradingFilter{}, run.records, {}, bytes);
    if (error.empty()) saveFileAtomically(argv[1], bytes, error);
    if (!error.empty()) {
        std::cerr << error << '\n';
        return 1;
    }
    return 0;
}
