// The size of an image as the layout sees it and its image entry records it.
#pragma once

#include <cstdint>

namespace quillery {

// The PNG header's 32-bit values keep their low 16 bits.
struct ImageSize {
    uint16_t width = 0;
    uint16_t height = 0;
};

} // namespace quillery
