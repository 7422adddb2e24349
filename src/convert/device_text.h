// Markdown text (UTF-8) written as book text: device characters, with every character that could start a tag
// or a sidebar or footnote opening written so that it cannot.
//
// - A backslash becomes `\\` and "<" becomes `\a060`: no tag, no `<footnote id="` and no end tag can form.
// - A character the device has (Windows-1252, without the five bytes the device lacks) becomes its byte.
// - Any other character up to U+FFFF becomes `\Uxxxx`; beyond U+FFFF, "?" (a BeyondBmp notice).
// - In heading text, which is also a chapter title, a character outside the title transliteration table
//   becomes its ASCII letter or "?" instead (a TitleCharacter notice).
// - Control characters are dropped; a tab becomes a space.
#pragma once

#include "convert/notices.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillery::convert {

enum class TextMode { Body, Heading };

// Appends `utf8` (valid UTF-8) to `out`. Notices are counted at `place`.
void appendDeviceText(std::string& out, std::string_view utf8, TextMode mode, Notices& notices,
                      SourcePlace place);

// The device byte of a code point, or 0 when the device has none (control characters included).
uint8_t deviceByteOf(uint32_t codePoint);

// A plain ASCII letter or sign standing for `codePoint` where a title cannot hold it: the base letter of a
// Latin letter, "-" for dashes, else "?".
char asciiFallback(uint32_t codePoint);

// The base ASCII letter of a Latin letter (Latin-1 and Latin Extended-A), or 0.
char latinBaseLetter(uint32_t codePoint);

} // namespace quillery::convert
