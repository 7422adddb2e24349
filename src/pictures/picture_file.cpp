#include "pictures/picture_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillery::pictures {

Verdict readPictureFile(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "the file could not be opened";
        return Verdict::Failed;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        error = "the file could not be opened";
        return Verdict::Failed;
    }
    if (static_cast<uint64_t>(status.st_size) > kMaxPictureFileBytes) {
        ::close(fd);
        error = "the file is too large";
        return Verdict::Failed;
    }
    bytes.resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    // Until end of file, however the reads are cut, and never past the size the file had when opened.
    while (done < bytes.size()) {
        ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ::close(fd);
            bytes.clear();
            error = "the file could not be read";
            return Verdict::Failed;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    ::close(fd);
    return Verdict::Ok;
}

} // namespace quillery::pictures
