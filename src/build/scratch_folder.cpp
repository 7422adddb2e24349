#include "build/scratch_folder.h"

#include "framework/interrupt_cleanup.h"

#include <cstdlib>
#include <filesystem>
#include <stdlib.h>

namespace quillery {

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        auto held = InterruptCleanup::hold();
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        InterruptCleanup::dropFolder(path_);
    }
}

bool ScratchFolder::make(const char* purpose) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quillery-" + purpose + "-XXXXXX";
    // Made and named for the cleanup under one hold, so that an interruption never falls between the two.
    auto held = InterruptCleanup::hold();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    path_ = pattern;
    InterruptCleanup::addFolder(path_);
    return true;
}

} // namespace quillery
