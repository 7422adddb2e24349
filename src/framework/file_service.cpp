#include "framework/file_service.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillery {

std::string fullPathOf(std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::string joined;
    if (path.front() != '/') {
        std::error_code error;
        joined = std::filesystem::current_path(error).string();
        if (error) {
            // Without a current folder the path can only stay relative, to be resolved by the system.
            joined.assign(1, '.');
        }
    }
    joined += '/';
    joined += path;
    std::string full = joined.front() == '/' ? "" : ".";
    size_t at = 0;
    while (at < joined.size()) {
        size_t end = std::min(joined.find('/', at), joined.size());
        std::string_view component = std::string_view(joined).substr(at, end - at);
        if (!component.empty() && component != ".") {
            full += '/';
            full += component;
        }
        at = end + 1;
    }
    return full.empty() ? std::string("/") : full;
}

FileService::FileService(std::string path) : path_(fullPathOf(path)) {}

FileService::~FileService() {
    (void)close();
}

std::string FileService::fileName() const {
    size_t slash = path_.rfind('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

std::string FileService::parentFolder() const {
    size_t slash = path_.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path_.substr(0, slash);
}

bool FileService::isSameFile(const FileService& other) const {
    if (path_ == other.path_) {
        return true;
    }
    struct stat mine {};
    struct stat theirs {};
    return ::stat(path_.c_str(), &mine) == 0 && ::stat(other.path_.c_str(), &theirs) == 0 &&
           mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool FileService::exists() const {
    struct stat info {};
    return ::lstat(path_.c_str(), &info) == 0;
}

bool FileService::isDirectory() const {
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileService::isRegularFile() const {
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FileService::liesInside(const FileService& folder) const {
    struct stat target {};
    if (::stat(folder.path_.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
        return false;
    }
#ifdef O_PATH
    constexpr int kFolderOnly = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
    constexpr int kFolderOnly = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
    // Each step goes to the parent on disk (".." of the folder reached), never by cutting the path's text,
    // so symbolic links and ".." in the path cannot mislead it.
    int at = ::open(parentFolder().c_str(), kFolderOnly);
    bool inside = false;
    struct stat here {};
    while (at >= 0 && ::fstat(at, &here) == 0) {
        if (here.st_dev == target.st_dev && here.st_ino == target.st_ino) {
            inside = true;
            break;
        }
        int up = ::openat(at, "..", kFolderOnly);
        struct stat above {};
        bool atRoot = up < 0 || ::fstat(up, &above) != 0 ||
                      (above.st_dev == here.st_dev && above.st_ino == here.st_ino);
        ::close(at);
        at = up;
        if (atRoot) {
            break;
        }
    }
    if (at >= 0) {
        ::close(at);
    }
    return inside;
}

int FileService::remove() {
    return ::unlink(path_.c_str()) == 0 ? 0 : 1;
}

int FileService::createDirectory() {
    return ::mkdir(path_.c_str(), 0777) == 0 ? 0 : 1;
}

int FileService::createFile() {
    int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return 1;
    }
    return ::close(fd) == 0 ? 0 : 1;
}

int FileService::open(Mode mode) {
    if (close() != 0) {
        return 1;
    }
    int access = mode == Mode::Read ? O_RDONLY : mode == Mode::Write ? O_WRONLY : O_RDWR;
    // Non-blocking so that a FIFO at the path cannot hang the build before it is refused below.
    int fd = ::open(path_.c_str(), access | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return 1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return 1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return 1;
    }
    fd_ = fd;
    return 0;
}

int FileService::close() {
    if (fd_ < 0) {
        return 0;
    }
    int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : 1;
}

int FileService::read(void* buffer, size_t length, size_t* done) {
    *done = 0;
    if (fd_ < 0) {
        return 1;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (*done < length) {
        ssize_t got = ::read(fd_, bytes + *done, length - *done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return 1;
        }
        if (got == 0) {
            break;
        }
        *done += static_cast<size_t>(got);
    }
    return 0;
}

int FileService::write(const void* data, size_t length) {
    if (fd_ < 0) {
        return 1;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t written = 0;
    while (written < length) {
        ssize_t put = ::write(fd_, bytes + written, length - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return 1;
        }
        written += static_cast<size_t>(put);
    }
    return 0;
}

int FileService::size(uint64_t* bytes) const {
    struct stat info {};
    if (fd_ >= 0 ? ::fstat(fd_, &info) != 0 : ::stat(path_.c_str(), &info) != 0) {
        return 1;
    }
    *bytes = static_cast<uint64_t>(info.st_size);
    return 0;
}

int FileService::setSize(uint64_t bytes) {
    return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(bytes)) == 0 ? 0 : 1;
}

int FileService::position(uint64_t* offset) const {
    off_t at = fd_ >= 0 ? ::lseek(fd_, 0, SEEK_CUR) : -1;
    if (at < 0) {
        return 1;
    }
    *offset = static_cast<uint64_t>(at);
    return 0;
}

int FileService::seek(uint64_t offset) {
    return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0 ? 0 : 1;
}

int FileService::createNew() {
    if (close() != 0) {
        return 1;
    }
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return 1;
    }
    fd_ = fd;
    return 0;
}

bool FileService::isOpenAt(const std::string& path) const {
    struct stat open {};
    struct stat named {};
    return fd_ >= 0 && ::fstat(fd_, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

int FileService::sync() {
    return fd_ >= 0 && ::fsync(fd_) == 0 ? 0 : 1;
}

} // namespace quillery
