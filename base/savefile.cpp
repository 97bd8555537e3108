#include "base/savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

bool saveFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error,
                        SaveOps* ops) {
    SaveOps real;
    if (!ops) ops = &real;
    auto fail = [&](int err) {
        error = "保存文件“" + path + "”失败：" + describe(err) + "。原来的文件没有被改动。";
        return false;
    };

    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);

    std::string temp = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail(errno);
    ::fchmod(fd, 0644);

    size_t done = 0;
    int err = 0;
    while (done < bytes.size()) {
        long n = ops->write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (err == 0 && ops->sync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ops->rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        return fail(err);
    }
    return true;
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
