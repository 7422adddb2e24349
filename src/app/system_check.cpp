#include "app/system_check.h"

namespace quillery {

bool isSupportedWindowsVersion(uint32_t major, uint32_t minor, uint32_t platformId) {
    return major > 4 || (major == 4 && minor > 0) || platformId == kPlatformWin32Nt;
}

bool runningSystemIsSupported() {
    // Only a Windows build has a version record to check; this program is built for POSIX systems.
    return true;
}

} // namespace quillery
