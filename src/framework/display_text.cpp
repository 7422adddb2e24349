#include "framework/display_text.h"

#include "framework/windows1252.h"

#include <cstdint>

namespace quillery {
namespace {

bool isContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `at` (shortest form, no surrogates, at most U+10FFFF) and
// its code point, or 0 when the bytes there are not one.
size_t utf8SequenceAt(std::string_view bytes, size_t at, char32_t& codePoint) {
    auto lead = static_cast<uint8_t>(bytes[at]);
    size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - at < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        auto next = static_cast<uint8_t>(bytes[at + i]);
        if (!isContinuation(next)) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || codePoint > 0x10FFFF || surrogate) {
        return 0;
    }
    return length;
}

} // namespace

std::u16string decodeDisplayText(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        auto byte = static_cast<uint8_t>(bytes[at]);
        if (byte < 0x80) {
            text.push_back(byte);
            ++at;
            continue;
        }
        char32_t codePoint = 0;
        size_t length = utf8SequenceAt(bytes, at, codePoint);
        if (length == 0) {
            text.push_back(windows1252ToUnicode(byte));
            ++at;
            continue;
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(codePoint));
        }
        at += length;
    }
    return text;
}

} // namespace quillery
