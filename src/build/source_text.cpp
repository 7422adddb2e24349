#include "build/source_text.h"

#include "build/diagnostics.h"
#include "framework/file_service.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace quillery {
namespace {

constexpr size_t kExcerptBefore = 40;
constexpr size_t kExcerptLength = 79;
constexpr size_t kHistoryLength = kExcerptBefore + 1; // the bytes before the current one, and itself
constexpr uint8_t kEuroSign = 0x80;

bool hasDeviceCharacter(uint8_t byte) { return !(byte >= 0x8D && byte <= 0x90) && byte != 0x99; }

// Bytes the copying loop can pass over without a second look: everything but 0-8, CR and 128-255.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (int byte = 9; byte < 128; ++byte) {
        plain[byte] = byte != '\r';
    }
    return plain;
}();

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

// The raw bytes up to the read position, kept because mapping in place overwrites them.
class RawHistory {
public:
    void add(const uint8_t* bytes, size_t count) {
        if (count >= kHistoryLength) {
            std::memcpy(bytes_, bytes + count - kHistoryLength, kHistoryLength);
            size_ = kHistoryLength;
            return;
        }
        size_t keep = std::min(size_, kHistoryLength - count);
        std::memmove(bytes_, bytes_ + size_ - keep, keep);
        std::memcpy(bytes_ + keep, bytes, count);
        size_ = keep + count;
    }
    void add(uint8_t byte) { add(&byte, 1); }
    const uint8_t* data() const { return bytes_; }
    size_t size() const { return size_; }

private:
    uint8_t bytes_[kHistoryLength] = {};
    size_t size_ = 0;
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
        size_t run = read;
        while (run < length && kPlainBytes[bytes[run]]) {
            ++run;
        }
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
            std::memcpy(excerpt, history.data() + history.size() - 1 - before, before);
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
