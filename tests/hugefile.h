#pragma once
// A 4 GB file that takes no disk space, for the tests that prove a reader
// refuses an oversized file by its size, before reading it into memory.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace tarvel::testing {

inline constexpr uint64_t kHugeFileSize = uint64_t(4) << 30;

// One hole of 4 GB at `path`, removed again with the object.
class HugeFile {
public:
    explicit HugeFile(std::string path) : path_(std::move(path)) {
        const int fd = ::open(path_.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
        ok_ = fd >= 0 && ::ftruncate(fd, off_t(kHugeFileSize)) == 0;
        if (fd >= 0) ::close(fd);
    }
    ~HugeFile() { ::unlink(path_.c_str()); }
    HugeFile(const HugeFile&) = delete;
    HugeFile& operator=(const HugeFile&) = delete;

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool ok_ = false;
};

// How far the process's peak memory grew while `run` ran, in MB. A reader
// that took the huge file into memory grows it by gigabytes.
template <typename Run>
long peakMemoryGrowthMb(Run&& run) {
    auto peakKb = [] {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const long before = peakKb();
    run();
    return (peakKb() - before) / 1024;
}

}  // namespace tarvel::testing
