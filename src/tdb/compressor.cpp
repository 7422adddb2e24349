#include "tdb/compressor.h"

#include <zlib.h>

namespace quillery {

bool ZlibCompressor::compress(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                              size_t* destinationLength) {
    uLongf produced = static_cast<uLongf>(*destinationLength);
    if (::compress(destination, &produced, source, static_cast<uLong>(sourceLength)) != Z_OK) {
        return false;
    }
    *destinationLength = produced;
    return true;
}

} // namespace quillery
