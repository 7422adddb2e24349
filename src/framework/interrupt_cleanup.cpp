#include "framework/interrupt_cleanup.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillery {
namespace {

struct Registry {
    std::recursive_mutex lock;
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

Registry& registry() {
    static Registry* instance = new Registry; // never destroyed: the watcher may use it while exit runs
    return *instance;
}

void dropOne(std::vector<std::string>& list, const std::string& path) {
    auto found = std::find(list.rbegin(), list.rend(), path);
    if (found != list.rend()) {
        list.erase(std::next(found).base());
    }
}

std::atomic<int> signalPipe{-1};

void onSignal(int number) {
    int savedErrno = errno;
    int fd = signalPipe.load(std::memory_order_relaxed);
    unsigned char byte = static_cast<unsigned char>(number);
    if (fd >= 0) {
        (void)!::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void watch(int readEnd) {
    unsigned char number = 0;
    for (;;) {
        ssize_t got = ::read(readEnd, &number, 1);
        if (got == 1) {
            break;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return; // the pipe is gone: nothing more to watch
    }
    // The lock stays held: no build step can create or rename a file after this.
    auto held = InterruptCleanup::hold();
    InterruptCleanup::removeAll();
    ::_exit(128 + number);
}

} // namespace

std::unique_lock<std::recursive_mutex> InterruptCleanup::hold() {
    return std::unique_lock<std::recursive_mutex>(registry().lock);
}

void InterruptCleanup::addFile(const std::string& path) {
    auto held = hold();
    // Named once however often it is added, so that one drop forgets it.
    std::vector<std::string>& files = registry().files;
    if (std::find(files.begin(), files.end(), path) == files.end()) {
        files.push_back(path);
    }
}

void InterruptCleanup::dropFile(const std::string& path) {
    auto held = hold();
    dropOne(registry().files, path);
}

void InterruptCleanup::addFolder(const std::string& path) {
    auto held = hold();
    registry().folders.push_back(path);
}

void InterruptCleanup::dropFolder(const std::string& path) {
    auto held = hold();
    dropOne(registry().folders, path);
}

void InterruptCleanup::removeAll() {
    auto held = hold();
    for (const std::string& file : registry().files) {
        (void)::unlink(file.c_str());
    }
    for (const std::string& folder : registry().folders) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

bool installInterruptCleanup() {
    // Two threads that install at once must not start two watchers.
    static std::mutex installing;
    static bool installed = false;
    std::lock_guard<std::mutex> held(installing);
    if (installed) {
        return true;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    try {
        std::thread(watch, ends[0]).detach();
    } catch (const std::system_error&) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    signalPipe.store(ends[1]);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    installed = true;
    return true;
}

} // namespace quillery
