// The Western code page in which book content (titles, header fields, metadata) travels.
//
// A fixed table: 0x80-0x9F carry the typographic characters, the five bytes the code page leaves undefined
// (0x81 0x8D 0x8F 0x90 0x9D) stand for the control characters of the same value, and every other byte for the
// Latin-1 character of its value. So every byte has exactly one character and the mapping is lossless.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

char16_t windows1252ToUnicode(uint8_t byte);

// The byte for `unit`, or '?' when the code page has none (surrogates included).
uint8_t unicodeToWindows1252(char16_t unit);

std::u16string decodeWindows1252(std::string_view bytes);
std::string encodeWindows1252(std::u16string_view text);

// UTF-8 for the console and JSON: each byte taken as its Windows-1252 character.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 (command-line options) to UTF-16; a malformed sequence gives U+FFFD per byte.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view text);

} // namespace quillery
