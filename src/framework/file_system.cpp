#include "framework/file_system.h"

#include "framework/interrupt_cleanup.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace quillery {
namespace {

constexpr int kHiddenNameAttempts = 100;
constexpr size_t kHiddenNameRandomLength = 8;

// Eight letters or digits, unpredictable enough that another user cannot claim the name first.
std::string randomSuffix() {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[kHiddenNameRandomLength] = {};
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // No entropy yet: the clock and the process id still make a collision unlikely, and O_EXCL makes it
        // harmless.
        static std::atomic<uint64_t> counter{0}; // builds on several threads may draw at once
        uint64_t mix = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                       (static_cast<uint64_t>(::getpid()) << 32) ^ ++counter * 0x9E3779B97F4A7C15ULL;
        for (unsigned char& byte : bytes) {
            byte = static_cast<unsigned char>(mix);
            mix = (mix >> 8) | (mix << 56);
            mix *= 0x100000001B3ULL;
        }
    }
    std::string suffix;
    for (unsigned char byte : bytes) {
        suffix += kAlphabet[byte % (sizeof kAlphabet - 1)];
    }
    return suffix;
}

} // namespace

std::unique_ptr<FileService> FileSystem::createNew(const std::string& path) {
    // Never while an interruption is removing the build's files: a file made after that would survive it.
    auto held = InterruptCleanup::hold();
    auto file = std::make_unique<FileService>(path);
    if (file->createNew() != 0) {
        return nullptr;
    }
    return file;
}

std::unique_ptr<FileService> FileSystem::createHidden(const std::string& folder) {
    std::string prefix = folder.empty() || folder.back() != '/' ? folder + "/" : folder;
    prefix += ".quillery-";
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        auto file = std::make_unique<FileService>(prefix + randomSuffix());
        if (file->createNew() == 0) {
            return file;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

int FileSystem::removeIfPresent(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : 1;
}

int FileSystem::rename(const std::string& from, const std::string& to, bool replace) {
    if (replace) {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : 1;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return 1;
    }
    // A file system without the no-replace rename: a hard link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return 1;
    }
    (void)::unlink(from.c_str());
    return 0;
}

int FileSystem::syncFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return 1;
    }
    int result = ::fsync(fd);
    ::close(fd);
    return result == 0 ? 0 : 1;
}

FileSystem& systemFileSystem() {
    static FileSystem system;
    return system;
}

} // namespace quillery
