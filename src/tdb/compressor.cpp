#include "tdb/compressor.h"

#include <climits>
#include <new>
#include <zlib.h>

namespace quillery {

// A deflate state with zlib's defaults, made once and reset for every piece.
struct ZlibCompressor::Deflater {
    z_stream stream{};
    bool ready = false;

    Deflater() { ready = deflateInit(&stream, Z_DEFAULT_COMPRESSION) == Z_OK; }
    ~Deflater() {
        if (ready) {
            deflateEnd(&stream);
        }
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
};

ZlibCompressor::ZlibCompressor() = default;
ZlibCompressor::~ZlibCompressor() = default;

std::unique_ptr<ZlibCompressor::Deflater> ZlibCompressor::take() {
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<Deflater> deflater = std::move(idle_.back());
            idle_.pop_back();
            return deflater;
        }
    }
    std::unique_ptr<Deflater> made(new (std::nothrow) Deflater);
    if (made && !made->ready) {
        made.reset();
    }
    return made;
}

void ZlibCompressor::giveBack(std::unique_ptr<Deflater> deflater) {
    std::lock_guard lock(mutex_);
    try {
        idle_.push_back(std::move(deflater));
    } catch (const std::bad_alloc&) {
        // Not kept: the next piece makes a state of its own.
    }
}

bool ZlibCompressor::compress(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                              size_t* destinationLength) {
    if (sourceLength > UINT_MAX || *destinationLength > UINT_MAX) {
        // Beyond one call of deflate: zlib's own one-shot function feeds it in parts.
        uLongf produced = static_cast<uLongf>(*destinationLength);
        if (::compress(destination, &produced, source, static_cast<uLong>(sourceLength)) != Z_OK) {
            return false;
        }
        *destinationLength = produced;
        return true;
    }
    std::unique_ptr<Deflater> deflater = take();
    if (!deflater) {
        return false;
    }
    z_stream& stream = deflater->stream;
    // A reset state compresses exactly as a new one: the same bytes as compress() at the default level.
    bool done = deflateReset(&stream) == Z_OK;
    if (done) {
        stream.next_in = const_cast<Bytef*>(source);
        stream.avail_in = static_cast<uInt>(sourceLength);
        stream.next_out = destination;
        stream.avail_out = static_cast<uInt>(*destinationLength);
        // Anything but the stream's end means the output did not fit (or zlib failed).
        done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
        if (done) {
            *destinationLength = static_cast<size_t>(stream.total_out);
        }
    }
    giveBack(std::move(deflater));
    return done;
}

} // namespace quillery
