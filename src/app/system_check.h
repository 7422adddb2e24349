// Whether the program may run on the system it was started on.
#pragma once

#include <cstdint>

namespace quillery {

// The platform identifier of the NT line in the Windows version record.
inline constexpr uint32_t kPlatformWin32Nt = 2;

// The rule on the version the system reports: a major version above 4, or 4 with a minor version above 0, or
// any release of the NT platform. So 95 (4.0) and the 3.x Win32s platform fail, 98 (4.10) and NT pass.
bool isSupportedWindowsVersion(uint32_t major, uint32_t minor, uint32_t platformId);

// True when the running system passes; every system other than Windows does.
bool runningSystemIsSupported();

} // namespace quillery
