// Compressor: turns one piece of text into one self-contained stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillery {

class Compressor {
  public:
    virtual ~Compressor() = default;
    // On entry *destinationLength is the capacity of `destination`; on success it is the number of bytes
    // produced. Returns false when the stream does not fit or cannot be made.
    [[nodiscard]] virtual bool compress(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                                        size_t* destinationLength) = 0;
};

// One zlib stream per call (2-byte header, deflate data, Adler-32) at zlib's default level.
class ZlibCompressor final : public Compressor {
  public:
    [[nodiscard]] bool compress(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                                size_t* destinationLength) override;
};

} // namespace quillery
