// The zlib compressor keeps its deflate states between pieces; every stream must still be the one zlib's
// one-shot compress() makes of the piece alone, whatever came before it and on whichever thread.
#include "tdb/compressor.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <thread>
#include <vector>

namespace quillery {
namespace {

std::string oneShot(const std::string& piece) {
    std::string out(compressBound(static_cast<uLong>(piece.size())), '\0');
    uLongf length = static_cast<uLongf>(out.size());
    EXPECT_EQ(Z_OK,
              ::compress(reinterpret_cast<Bytef*>(out.data()), &length,
                         reinterpret_cast<const Bytef*>(piece.data()), static_cast<uLong>(piece.size())));
    out.resize(length);
    return out;
}

// Returns the stream, or "refused" when it did not fit in `capacity`.
std::string compressed(Compressor& compressor, const std::string& piece, size_t capacity = 8192) {
    std::string out(capacity, '\0');
    size_t length = capacity;
    if (!compressor.compress(reinterpret_cast<const uint8_t*>(piece.data()), piece.size(),
                             reinterpret_cast<uint8_t*>(out.data()), &length)) {
        return "refused";
    }
    out.resize(length);
    return out;
}

std::string noise(size_t length, uint32_t seed) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 24);
    }
    return bytes;
}

std::string prose(size_t length, uint32_t seed) {
    static const char* const kWords[] = {"lamp ", "keeper ", "\\bbold\\b ", "sea\n", "tower, ", "log "};
    std::string text;
    while (text.size() < length) {
        seed = seed * 1103515245u + 12345u;
        text += kWords[(seed >> 16) % 6];
    }
    text.resize(length);
    return text;
}

TEST(ZlibCompressorTest, EachPieceIsTheOneShotStreamWhateverCameBefore) {
    ZlibCompressor compressor;
    // Long pieces after short ones and the reverse, repeats, an empty piece, and pieces after one that did
    // not fit (its state is left half done) or after a destination too small for a piece that fits later.
    const std::vector<std::string> pieces = {
        prose(8192, 1), "",
        prose(10, 2),   prose(8192, 3),
        noise(8192, 4), prose(8192, 3),
        prose(3000, 5), noise(300, 6),
        prose(8192, 7), prose(1, 8),
        prose(8192, 1),
    };
    for (size_t k = 0; k < pieces.size(); ++k) {
        SCOPED_TRACE(k);
        std::string expected = oneShot(pieces[k]);
        if (expected.size() > 8192) {
            EXPECT_EQ("refused", compressed(compressor, pieces[k]));
            continue;
        }
        EXPECT_EQ(expected, compressed(compressor, pieces[k]));
        if (!expected.empty()) {
            EXPECT_EQ("refused", compressed(compressor, pieces[k], expected.size() - 1));
        }
        EXPECT_EQ(expected, compressed(compressor, pieces[k], expected.size()));
    }
}

TEST(ZlibCompressorTest, OneCompressorServesSeveralThreadsAtOnce) {
    ZlibCompressor compressor;
    std::vector<std::string> pieces;
    for (uint32_t k = 0; k < 24; ++k) {
        pieces.push_back(prose(2000 + 263 * k, k));
    }
    std::vector<std::vector<std::string>> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                for (size_t k = t; k < pieces.size(); k += 2) {
                    results[t].push_back(compressed(compressor, pieces[k]));
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (size_t t = 0; t < results.size(); ++t) {
        size_t at = 0;
        for (int round = 0; round < 3; ++round) {
            for (size_t k = t; k < pieces.size(); k += 2) {
                EXPECT_EQ(oneShot(pieces[k]), results[t][at++]) << "thread " << t << " piece " << k;
            }
        }
    }
}

} // namespace
} // namespace quillery
