#include "base/paths.h"

#include <unistd.h>

#include <climits>

namespace tarvel {
namespace {

std::string& overrideFolder() {
    static std::string folder;
    return folder;
}

std::string executableFolder() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "./";
    std::string path(buffer, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

}  // namespace

std::string programFolder() {
    if (!overrideFolder().empty()) return overrideFolder();
    static const std::string folder = executableFolder();
    return folder;
}

void setProgramFolder(const std::string& folder) {
    overrideFolder() = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

std::string installedPath(const std::string& relative) { return programFolder() + relative; }

}  // namespace tarvel
