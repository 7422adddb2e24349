#include "convert/utf8_input.h"

#include <cstring>

namespace quillery::convert {
namespace {

// The length of the valid sequence at `at`, or 0.
size_t validSequence(std::string_view text, size_t at) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(text[at + k]); };
    uint8_t lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong form
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    if (byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t k = 2; k < length; ++k) {
        if (byte(k) < 0x80 || byte(k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

} // namespace

Utf8Repair repairUtf8(std::string& text) {
    Utf8Repair repair;
    for (size_t at = 0; at < text.size();) {
        // Most text is ASCII: eight bytes at a time while none of them is NUL or above 127.
        constexpr uint64_t kOnes = 0x0101010101010101u, kHighBits = 0x8080808080808080u;
        uint64_t word = 0;
        while (text.size() - at >= sizeof word) {
            std::memcpy(&word, text.data() + at, sizeof word);
            if (((word | ((word - kOnes) & ~word)) & kHighBits) != 0) {
                break;
            }
            at += sizeof word;
        }
        if (at == text.size()) {
            break;
        }
        if (text[at] > 0) {
            ++at; // ASCII other than NUL
            continue;
        }
        if (text[at] == '\0') {
            text[at++] = kDroppedByte;
            continue;
        }
        size_t length = validSequence(text, at);
        if (length == 0) {
            if (repair.invalidBytes++ == 0) {
                repair.firstInvalid = at;
            }
            text[at++] = '?';
            continue;
        }
        at += length;
    }
    return repair;
}

uint32_t decodeUtf8(std::string_view text, size_t at, size_t& length) {
    auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(text[at + k])); };
    uint32_t lead = byte(0);
    if (lead < 0x80 || text.size() - at < 2) {
        length = 1;
        return lead;
    }
    if (lead < 0xE0) {
        length = 2;
        return ((lead & 0x1F) << 6) | (byte(1) & 0x3F);
    }
    if (lead < 0xF0 || text.size() - at < 4) {
        length = text.size() - at < 3 ? 1 : 3;
        return length == 1 ? lead : ((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    }
    length = 4;
    return ((lead & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
}

} // namespace quillery::convert
