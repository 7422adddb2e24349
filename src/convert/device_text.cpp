#include "convert/device_text.h"

#include "convert/utf8_input.h"
#include "framework/windows1252.h"
#include "markup/title_text.h"

#include <array>
#include <cstdio>

namespace quillery::convert {
namespace {

// Base letters of U+00C0 to U+00FF ("." for the two signs there) and of U+0100 to U+017F.
constexpr std::string_view kLatin1Letters =
    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUYTsaaaaaaaceeeeiiiidnooooo.ouuuuyty";
constexpr std::string_view kLatinExtendedA =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";

// The bytes that go over as they are: printable ASCII other than the two that could start markup.
constexpr std::array<bool, 256> kPlainAscii = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c) {
        plain[c] = c != '\\' && c != '<';
    }
    return plain;
}();

bool isPlainAscii(char c) {
    return kPlainAscii[static_cast<uint8_t>(c)];
}

bool deviceHasByte(uint8_t byte) {
    return byte != 0x8D && byte != 0x8E && byte != 0x8F && byte != 0x90 && byte != 0x99;
}

void appendUnicodeTag(std::string& out, uint32_t codePoint) {
    char tag[8];
    std::snprintf(tag, sizeof tag, "\\U%04X", static_cast<unsigned>(codePoint));
    out += tag;
}

} // namespace

uint8_t deviceByteOf(uint32_t codePoint) {
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F) || codePoint > 0xFFFF) {
        return 0;
    }
    if (codePoint < 0x7F) {
        return static_cast<uint8_t>(codePoint);
    }
    uint8_t byte = unicodeToWindows1252(static_cast<char16_t>(codePoint));
    if (byte == '?' || !deviceHasByte(byte)) {
        return 0;
    }
    return byte;
}

char latinBaseLetter(uint32_t codePoint) {
    char letter = 0;
    if (codePoint >= 0xC0 && codePoint <= 0xFF) {
        letter = kLatin1Letters[codePoint - 0xC0];
    } else if (codePoint >= 0x100 && codePoint <= 0x17F) {
        letter = kLatinExtendedA[codePoint - 0x100];
    }
    return letter == '.' ? 0 : letter;
}

char asciiFallback(uint32_t codePoint) {
    if (char letter = latinBaseLetter(codePoint)) {
        return letter;
    }
    if ((codePoint >= 0x2010 && codePoint <= 0x2015) || codePoint == 0x2212) {
        return '-';
    }
    return '?';
}

void appendDeviceText(std::string& out, std::string_view utf8, TextMode mode, Notices& notices,
                      SourcePlace place) {
    for (size_t at = 0; at < utf8.size();) {
        // Plain ASCII goes over as it is, a run at a time.
        size_t run = at;
        while (run < utf8.size() && isPlainAscii(utf8[run])) {
            ++run;
        }
        if (run > at) {
            out.append(utf8.data() + at, run - at);
            at = run;
            continue;
        }
        size_t length = 1;
        uint32_t codePoint = decodeUtf8(utf8, at, length);
        at += length;
        if (codePoint == '\\') {
            out += "\\\\";
        } else if (codePoint == '<') {
            out += "\\a060";
        } else if (codePoint == '\t') {
            out += ' ';
        } else if (uint8_t byte = deviceByteOf(codePoint)) {
            out += static_cast<char>(byte);
        } else if (codePoint < 0xA0) {
            continue; // a control character: nothing to show
        } else if (codePoint > 0xFFFF) {
            out += '?';
            notices.add(Notice::BeyondBmp, place);
        } else if (mode == TextMode::Heading && transliterate(codePoint) < 0) {
            out += asciiFallback(codePoint);
            notices.add(Notice::TitleCharacter, place);
        } else {
            appendUnicodeTag(out, codePoint);
        }
    }
}

} // namespace quillery::convert
