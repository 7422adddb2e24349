#include "build/source_text.h"

#include "framework/diagnostics.h"
#include "framework/file_service.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace quillery {
namespace {

constexpr size_t kExcerptBefore = 40;
constexpr size_t kExcerptLength = 79;
constexpr size_t kHistoryLength = kExcerptBefore + 1; // the bytes before the current one, and itself
constexpr uint8_t kEuroSign = 0x80;

constexpr bool hasDeviceCharacter(uint8_t byte) {
    return !(byte >= 0x8D && byte <= 0x90) && byte != 0x99;
}

// Bytes that need a second look while copying. Before the first byte >= 128 has been reported every such byte
// does; afterwards only the Euro sign and the unmappable bytes do.
struct SpecialBytes {
    bool before[256];
    bool after[256];
};

constexpr SpecialBytes kSpecialBytes = [] {
    SpecialBytes table{};
    for (int byte = 0; byte < 256; ++byte) {
        bool control = byte < 9 || byte == '\r';
        table.before[byte] = control || byte >= 128;
        table.after[byte] = control || byte == kEuroSign || !hasDeviceCharacter(static_cast<uint8_t>(byte));
    }
    return table;
}();

// The first byte at or after `from` that is special in `special`, or `length`. Eight bytes at a time: a word
// with no byte below 9, no CR and no byte >= 128 holds nothing special.
size_t nextSpecialByte(const uint8_t* bytes, size_t from, size_t length, const bool* special) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    size_t at = from;
    while (at + 8 <= length) {
        uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        uint64_t crs = word ^ (kOnes * '\r');
        uint64_t suspect = (word | ((word - kOnes * 9) & ~word) | ((crs - kOnes) & ~crs)) & kHighs;
        if (suspect != 0) {
            for (size_t end = at + 8; at < end; ++at) {
                if (special[bytes[at]]) {
                    return at;
                }
            }
            continue;
        }
        at += 8;
    }
    while (at < length && !special[bytes[at]]) {
        ++at;
    }
    return at;
}

} // namespace

ReadSourceResult readSource(const std::string& path, SourceText& source) {
    FileService file(path);
    if (file.open(FileService::Mode::Read) != 0) {
        return ReadSourceResult::CannotOpen;
    }
    uint64_t size = 0;
    if (file.size(&size) != 0) {
        return ReadSourceResult::ReadError;
    }
    if (size >= UINT32_MAX) {
        return ReadSourceResult::TooLarge;
    }
    // One byte more than the size: a file that grew meanwhile is then not taken for a short one.
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[size + 1]);
    if (!bytes) {
        return ReadSourceResult::TooLarge;
    }
    size_t got = 0;
    if (file.read(bytes.get(), static_cast<size_t>(size), &got) != 0) {
        return ReadSourceResult::ReadError;
    }
    source.bytes = std::move(bytes);
    source.length = got;
    return ReadSourceResult::Ok;
}

namespace {

// The last raw bytes up to the read position, kept because mapping in place overwrites them.
class RawHistory {
  public:
    void add(const uint8_t* bytes, size_t count) {
        // Only the last kHistoryLength bytes can be asked for; they go in with at most two copies.
        size_t skip = count > kHistoryLength ? count - kHistoryLength : 0;
        const uint8_t* from = bytes + skip;
        size_t position = total_ + skip;
        for (size_t left = count - skip; left > 0;) {
            size_t n = std::min(left, kRing - position % kRing);
            std::memcpy(ring_ + position % kRing, from, n);
            from += n;
            position += n;
            left -= n;
        }
        total_ += count;
    }
    void add(uint8_t byte) { ring_[total_++ % kRing] = byte; }
    // The raw byte at `position`, one of the last kHistoryLength added.
    uint8_t at(size_t position) const { return ring_[position % kRing]; }

  private:
    static constexpr size_t kRing = 64;
    static_assert(kRing >= kHistoryLength);
    uint8_t ring_[kRing] = {};
    size_t total_ = 0;
};

// Line and column of the mapped text written so far; line ends are counted only when a report needs them.
class MappedPlace {
  public:
    explicit MappedPlace(const uint8_t* mapped) : mapped_(mapped) {}
    SourcePlace at(size_t write) {
        for (; counted_ < write; ++counted_) {
            if (mapped_[counted_] == '\n') {
                ++line_;
                lineStart_ = counted_ + 1;
            }
        }
        return {line_, static_cast<uint32_t>(write - lineStart_ + 1)};
    }

  private:
    const uint8_t* mapped_;
    size_t counted_ = 0;
    size_t lineStart_ = 0;
    uint32_t line_ = 1;
};

} // namespace

size_t mapSourceText(char* text, size_t length) {
    auto* bytes = reinterpret_cast<uint8_t*>(text);
    RawHistory history;
    MappedPlace place(bytes);
    bool warnedNonAscii = false;
    size_t write = 0;
    size_t read = 0;
    while (read < length) {
        // Copy the run of plain bytes at once; in place, nothing moves until a byte has been dropped.
        size_t run =
            nextSpecialByte(bytes, read, length, warnedNonAscii ? kSpecialBytes.after : kSpecialBytes.before);
        if (run > read) {
            history.add(bytes + read, run - read);
            if (write != read) {
                std::memmove(bytes + write, bytes + read, run - read);
            }
            write += run - read;
            read = run;
            if (read == length) {
                break;
            }
        }
        uint8_t byte = bytes[read];
        history.add(byte);
        ++read;
        if (byte < 9) {
            continue;
        }
        if (byte == '\r') {
            if (read < length && bytes[read] == '\n') {
                continue;
            }
            bytes[write++] = '\n';
            continue;
        }
        size_t at = read - 1;
        SourcePlace where = place.at(write);
        if (!warnedNonAscii) {
            reportWarningIn(where, "Non-ASCII characters in file; attempting to map them");
            warnedNonAscii = true;
        }
        if (!hasDeviceCharacter(byte)) {
            // Up to 79 raw bytes from 40 before this one: those before it from the history (they may have
            // been overwritten), the rest still in place. The zero fill ends the text at the end.
            char excerpt[kExcerptLength + 1] = {};
            size_t before = std::min(at, kExcerptBefore);
            for (size_t i = 0; i < before; ++i) {
                excerpt[i] = static_cast<char>(history.at(at - before + i));
            }
            std::memcpy(excerpt + before, text + at, std::min(kExcerptLength - before, length - at));
            reportWarningIn(where, "Unmappable character in string \"%s\"", excerpt);
        }
        bytes[write++] = byte;
        if (byte == kEuroSign) {
            reportWarningIn(where, "The Euro symbol may not be on all Tarn OS devices");
        }
    }
    return write;
}

} // namespace quillery
