#include "base/savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

namespace tarvel {
namespace {

std::string describe(int err) {
    switch (err) {
        case ENOSPC: return "磁盘空间不足";
        case EACCES:
        case EPERM: return "没有写入权限";
        case EROFS: return "磁盘为只读";
        case ENOENT: return "文件夹不存在";
        default: return std::strerror(err);
    }
}

}  // namespace

long SaveOps::write(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int SaveOps::sync(int fd) { return ::fsync(fd); }
int SaveOps::rename(const char* from, const char* to) { return ::rename(from, to); }

// Every this many bytes the disk is told to start writing what it has, so
// it works while the next pieces are produced and the final flush has less
// left to wait for.
constexpr size_t kHandToDiskEvery = size_t(4) << 20;

AtomicFile::AtomicFile(std::string path, SaveOps* ops)
    : path_(std::move(path)), temp_(path_ + ".tmp-XXXXXX"), ops_(ops ? ops : &real_) {
    namespace fs = std::filesystem;
    const fs::path target(path_);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        err_ = errno;
        temp_.clear();
        return;
    }
    ::fchmod(fd_, 0644);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool AtomicFile::write(const uint8_t* data, size_t size) {
    size_t done = 0;
    while (err_ == 0 && done < size) {
        long n = ops_->write(fd_, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err_ = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    written_ += done;
    if (err_ == 0 && written_ - handedToDisk_ >= kHandToDiskEvery) {
        // Only a hint: the flush in commit() is what makes the file safe.
        ::sync_file_range(fd_, off_t(handedToDisk_), off_t(written_ - handedToDisk_), SYNC_FILE_RANGE_WRITE);
        handedToDisk_ = written_;
    }
    return err_ == 0;
}

bool AtomicFile::commit(std::string& error) {
    if (err_ == 0 && ops_->sync(fd_) != 0) err_ = errno;
    if (fd_ >= 0 && ::close(fd_) != 0 && err_ == 0) err_ = errno;
    fd_ = -1;
    // The file being replaced stays open over the rename: freeing its blocks
    // (milliseconds for a 13 MB run) then happens when it is closed, on a
    // thread of its own rather than in the save.
    const int replaced = err_ == 0 ? ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
    if (err_ == 0 && ops_->rename(temp_.c_str(), path_.c_str()) != 0) err_ = errno;
    committed_ = err_ == 0;
    if (replaced >= 0) {
        bool handedOff = false;
        if (committed_) {
            try {
                std::thread([replaced] { ::close(replaced); }).detach();
                handedOff = true;
            } catch (const std::system_error&) {
                // No thread to be had: the file is saved, so close it here.
            }
        }
        if (!handedOff) ::close(replaced);
    }
    if (committed_) return true;
    error = "保存文件“" + path_ + "”失败：" + describe(err_) + "。原来的文件没有被改动。";
    return false;
}

bool saveFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error,
                        SaveOps* ops) {
    AtomicFile file(path, ops);
    file.write(bytes.data(), bytes.size());
    return file.commit(error);
}

FileRead readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t maxBytes) {
    // Opened without blocking: a pipe picked by mistake must not wait for a
    // writer. One read of the known size: a raw grading file is up to 13 MB,
    // too much to gather byte by byte.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FileRead::Unreadable;
    struct stat info;
    FileRead result = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? FileRead::Ok : FileRead::Unreadable;
    if (result == FileRead::Ok && static_cast<unsigned long long>(info.st_size) > maxBytes) {
        result = FileRead::TooLarge;
    }
    if (result == FileRead::Ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n < 0) result = FileRead::Unreadable;
                bytes.resize(done);  // the file shrank while being read: keep what is there
                break;
            }
            done += static_cast<size_t>(n);
        }
    }
    ::close(fd);
    return result;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return fs::absolute(a, ec).lexically_normal() == fs::absolute(b, ec).lexically_normal();
}

std::string safeFileName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        bool bad = c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr;
        out += bad ? '_' : static_cast<char>(c);
    }
    return out;
}

}  // namespace tarvel
