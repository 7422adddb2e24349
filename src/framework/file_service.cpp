#include "framework/file_service.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillery {

FileService::FileService(std::string path) : path_(std::move(path)) {}

FileService::~FileService() {
    (void)close();
}

std::string FileService::fileName() const {
    size_t slash = path_.rfind('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

std::string FileService::fullPath() const {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path_, error);
    if (error) {
        return path_;
    }
    return absolute.lexically_normal().string();
}

std::string FileService::parentFolder() const {
    std::string full = fullPath();
    size_t slash = full.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : full.substr(0, slash);
}

bool FileService::isSameFile(const FileService& other) const {
    if (fullPath() == other.fullPath()) {
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
