#pragma once
// A disk that fills up after N bytes, for the tests that prove a failed save
// never loses the old file.
#include <algorithm>
#include <cerrno>

#include "base/savefile.h"

namespace tarvel::testing {

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

}  // namespace tarvel::testing
