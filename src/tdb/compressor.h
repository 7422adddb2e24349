// Compressor: turns one piece of text into one self-contained stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quillery {

class Compressor {
  public:
    virtual ~Compressor() = default;
    // On entry *destinationLength is the capacity of `destination`; on success it is the number of bytes
    // produced. Returns false when the stream does not fit or cannot be made.
    [[nodiscard]] virtual bool compress(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                                        size_t* destinationLength) = 0;
};

// One zlib stream per call (2-byte header, deflate data, Adler-32) at zlib's default level: the bytes zlib's
// one-shot compress() makes. Safe to call from several threads at once.
//
// Setting up a deflate state costs about as much as compressing a few hundred bytes (a quarter of a megabyte
// allocated and cleared), so the states are kept and reset between pieces: one for each thread that is
// compressing at the same moment, freed with the compressor.
class ZlibCompressor final : public Compressor {
  public:
    ZlibCompressor();
    ~ZlibCompressor() override;
    ZlibCompressor(const ZlibCompressor&) = delete;
    ZlibCompressor& operator=(const ZlibCompressor&) = delete;

    [[nodiscard]] bool compress(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                                size_t* destinationLength) override;

  private:
    struct Deflater;
    std::unique_ptr<Deflater> take();
    void giveBack(std::unique_ptr<Deflater> deflater);

    std::mutex mutex_;
    std::vector<std::unique_ptr<Deflater>> idle_; // guarded by mutex_
};

} // namespace quillery
