// The bytes of a Markdown file made fit for the parser: valid UTF-8 with no NUL byte, each byte in its place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillery::convert {

// A byte that stands for a NUL of the input: the parser passes it on as text and the text writer drops it, as
// a build drops bytes below 9.
constexpr char kDroppedByte = '\x01';

struct Utf8Repair {
    size_t invalidBytes = 0; // bytes that were no part of a valid UTF-8 sequence, each now "?"
    size_t firstInvalid = 0; // offset of the first of them
};

// Replaces, in place, every byte that is no part of a valid UTF-8 sequence (overlong forms, surrogates and
// values above U+10FFFF included) by "?" and every NUL by kDroppedByte. Lengths and offsets do not change,
// so lines and columns stay those of the file.
Utf8Repair repairUtf8(std::string& text);

// The code point of the valid UTF-8 sequence at `at`, and its length in bytes. The text must be valid there.
uint32_t decodeUtf8(std::string_view text, size_t at, size_t& length);

} // namespace quillery::convert
