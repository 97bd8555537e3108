#pragma once
// Saving without ever losing the previous file: the bytes go to a temporary
// file in the same folder, are flushed to disk and only then renamed over the
// old file. A failure at any point leaves the old file untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

// The few file-system calls a save makes; tests replace them to fail on purpose.
class SaveOps {
public:
    virtual ~SaveOps() = default;
    virtual long write(int fd, const void* data, size_t size);  // like ::write
    virtual int sync(int fd);                                   // like ::fsync
    virtual int rename(const char* from, const char* to);       // like ::rename
};

// A file written atomically piece by piece, for contents too large to build
// in memory first: the pieces go to a temporary file beside `path`; commit()
// flushes it to disk and renames it over `path`. Uncommitted (a failure, or
// the writer gave up), the temporary file is removed and `path` untouched.
class AtomicFile {
public:
    // Creates a missing folder and the temporary file.
    explicit AtomicFile(std::string path, SaveOps* ops = nullptr);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends; false once anything failed (the rest is then ignored).
    bool write(const uint8_t* data, size_t size);
    // True when the file replaced `path`; otherwise a Chinese message naming
    // the file goes into `error`.
    bool commit(std::string& error);

private:
    std::string path_, temp_;
    SaveOps* ops_;
    SaveOps real_;
    int fd_ = -1;
    int err_ = 0;
    bool committed_ = false;
    size_t written_ = 0, handedToDisk_ = 0;
};

// Writes `bytes` to `path` atomically. Creates a missing folder. On failure
// returns false and puts a Chinese message naming the file into `error`.
bool saveFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error,
                        SaveOps* ops = nullptr);

// Whether two paths name the same file (existing or not); false when either
// is empty.
bool sameFile(const std::string& a, const std::string& b);

enum class FileRead { Ok, Unreadable, TooLarge };
// Reads a whole file of at most maxBytes. A larger file is refused by its
// size before anything is read; anything but a regular file (a folder, a
// pipe, a device) is unreadable and never waited for.
FileRead readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t maxBytes);

// A name usable as a file name on Linux and Windows: / \ : * ? " < > | and
// control characters become "_", so the name can never leave its folder.
std::string safeFileName(const std::string& name);

}  // namespace tarvel
