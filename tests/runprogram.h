#pragma once
// Runs a command-line tool from a test: its standard output, standard error
// and exit status.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarvel::testing {

struct Ran {
    std::string out, err;
    int status = -1;
};

// `scratch` is a folder the test owns; standard error goes through a file in it.
inline Ran run(const std::string& command, const std::filesystem::path& scratch) {
    Ran r;
    const std::filesystem::path errFile = scratch / "stderr.txt";
    FILE* pipe = popen((command + " 2>'" + errFile.string() + "'").c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    r.status = WEXITSTATUS(pclose(pipe));
    std::ifstream e(errFile);
    std::ostringstream all;
    all << e.rdbuf();
    r.err = all.str();
    return r;
}

}  // namespace tarvel::testing
