#include "cli/standard_output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace quillery::cli {

void reserveStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open() takes the lowest free number, which is this one.
            (void)::open("/dev/null", O_RDONLY);
        }
    }
}

int closeStandardOutput(FILE* out, FILE* err) {
    bool earlierFailure = std::ferror(out) != 0;
    errno = 0;
    bool flushFailed = std::fflush(out) != 0;
    int flushError = errno;
    errno = 0;
    bool closeFailed = std::fclose(out) != 0;
    int closeError = errno;
    // With everything flushed, a descriptor that was never open loses nothing.
    if (!earlierFailure && !flushFailed && (!closeFailed || closeError == EBADF)) {
        return 0;
    }
    int cause = flushFailed ? flushError : closeFailed ? closeError : 0;
    if (cause != 0) {
        std::fprintf(err, "quillery-cli: write error on standard output: %s\n", std::strerror(cause));
    } else {
        std::fputs("quillery-cli: write error on standard output\n", err);
    }
    return 1;
}

} // namespace quillery::cli
