#include "markup/title_text.h"

#include "tdb/tag_table.h"

#include <algorithm>
#include <iterator>

namespace quillery {
namespace {

struct Transliteration {
    uint16_t codePoint;
    char ascii; // 0: nothing
};

// The device's transliterations, sorted by code point.
constexpr Transliteration kTransliterations[] = {
    {0x0100, 'A'}, {0x0101, 'a'}, {0x0102, 'A'}, {0x0103, 'a'}, {0x0104, 'A'}, {0x0105, 'a'}, {0x0106, 'C'},
    {0x0107, 'c'}, {0x0108, 'C'}, {0x0109, 'c'}, {0x010A, 'C'}, {0x010B, 'c'}, {0x010C, 'C'}, {0x010D, 'c'},
    {0x0113, 'e'}, {0x0115, 'e'}, {0x0117, 'e'}, {0x0119, 'e'}, {0x011B, 'e'}, {0x011D, 'g'}, {0x011F, 'g'},
    {0x012A, 'I'}, {0x012B, 'i'}, {0x012D, 'i'}, {0x012F, 'i'}, {0x0131, 'i'}, {0x0141, 'L'}, {0x0142, 'l'},
    {0x0144, 'n'}, {0x0148, 'n'}, {0x014B, 'n'}, {0x014C, 'O'}, {0x014D, 'o'}, {0x014F, 'o'}, {0x0151, 'o'},
    {0x0155, 'r'}, {0x0159, 'r'}, {0x015A, 'S'}, {0x015B, 's'}, {0x015D, 's'}, {0x015F, 's'}, {0x0163, 't'},
    {0x0169, 'u'}, {0x016B, 'u'}, {0x016D, 'u'}, {0x0177, 'y'}, {0x017A, 'z'}, {0x017D, 'Z'}, {0x017E, 'z'},
    {0x01CE, 'a'}, {0x01D0, 'i'}, {0x01D2, 'o'}, {0x01D4, 'u'}, {0x01E1, 'a'}, {0x01E7, 'g'}, {0x01EB, 'o'},
    {0x01F0, 'j'}, {0x0207, 'e'}, {0x0227, 'a'}, {0x0233, 'y'}, {0x02BF, 0},   {0x1E0B, 'd'}, {0x1E0D, 'd'},
    {0x1E17, 'e'}, {0x1E22, 'H'}, {0x1E24, 'H'}, {0x1E25, 'h'}, {0x1E2B, 'h'}, {0x1E33, 'k'}, {0x1E37, 'l'},
    {0x1E41, 'm'}, {0x1E43, 'm'}, {0x1E45, 'n'}, {0x1E47, 'n'}, {0x1E53, 'o'}, {0x1E59, 'r'}, {0x1E5A, 'R'},
    {0x1E5B, 'r'}, {0x1E61, 's'}, {0x1E63, 's'}, {0x1E6B, 't'}, {0x1E6D, 't'}, {0x1E6F, 't'}, {0x1E91, 'z'},
    {0x1E93, 'z'}, {0x1E96, 'h'}, {0x1EA1, 'a'}, {0x1ECD, 'o'}, {0x1EF9, 'y'}, {0x2011, '-'}, {0xE000, 'a'},
    {0xE001, 'a'}, {0xE002, 'a'}, {0xE003, 'C'}, {0xE004, 'c'}, {0xE005, 'c'}, {0xE006, 'c'}, {0xE008, 'D'},
    {0xE009, 'e'}, {0xE00A, 'e'}, {0xE00B, 'e'}, {0xE00C, 'e'}, {0xE00D, 'e'}, {0xE00E, 'g'}, {0xE00F, 'i'},
    {0xE010, 'i'}, {0xE011, 'k'}, {0xE012, 'k'}, {0xE013, 'k'}, {0xE015, 'L'}, {0xE016, 'l'}, {0xE017, 'l'},
    {0xE018, 'M'}, {0xE019, 'm'}, {0xE01A, 'm'}, {0xE01B, 'o'}, {0xE01C, 'o'}, {0xE01D, 'o'}, {0xE023, 'r'},
    {0xE024, 'r'}, {0xE025, 'r'}, {0xE026, 's'}, {0xE027, 's'}, {0xE028, 's'}, {0xE02A, 's'}, {0xE02D, 'u'},
    {0xE02E, 'V'}, {0xE02F, 'X'}, {0xE030, 'x'}, {0xE031, 'y'},
};

constexpr size_t kMappingWarningLimit = 100;

bool isTitleDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The character of `\a` and three bytes at `tag`: the bytes are not validated; missing ones count as "0".
uint8_t decimalCharacterAt(const ScanContext& context, size_t tag) {
    int value = 0;
    for (size_t i = 0; i < 3; ++i) {
        size_t at = tag + 2 + i;
        char c = at < context.size() ? context.text[at] : '0';
        value = value * 10 + (static_cast<unsigned char>(c) - '0');
    }
    return static_cast<uint8_t>(((value % 256) + 256) % 256);
}

} // namespace

uint8_t decimalCharacter(const ScanContext& context, size_t tag) {
    return decimalCharacterAt(context, tag);
}

int transliterate(uint32_t codePoint) {
    auto found = std::lower_bound(
        std::begin(kTransliterations), std::end(kTransliterations), codePoint,
        [](const Transliteration& entry, uint32_t value) { return entry.codePoint < value; });
    if (found == std::end(kTransliterations) || found->codePoint != codePoint) {
        return -1;
    }
    return static_cast<unsigned char>(found->ascii);
}

uint32_t readUnicodeDigits(ScanContext& context, size_t tag) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        size_t at = tag + 2 + i;
        char c = context.at(at);
        if (at >= context.size() || !isTitleDigit(c)) {
            context.report.excerptError(tag, "Error in \\U specification: \"%s\"", static_cast<int64_t>(tag),
                                        6);
            return value;
        }
        value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value;
}

namespace {

// A `\U` in a title at `tag`: counts and gives the mapping warning, reads the digits and transliterates them.
// Returns the ASCII character, 0 for nothing, or -1 (reported) when the code point has no transliteration.
int unicodeInTitle(ScanContext& context, size_t tag) {
    uint32_t before = context.mappingWarnings++;
    if (context.firstPass) {
        if (before < kMappingWarningLimit) {
            context.report.excerptWarning(tag,
                                          "Unicode characters currently aren't allowed in chapter or index "
                                          "specifications! Mapping them. Begins with \"%s\"",
                                          static_cast<int64_t>(tag) - 2, 20);
        } else if (before == kMappingWarningLimit) {
            context.report.warning(tag, "Showing only the first 100 mapping warnings.");
        }
    }
    uint32_t value = readUnicodeDigits(context, tag);
    int ascii = transliterate(value);
    if (ascii < 0) {
        context.report.error(tag, "Don't know how to map unicode character %04X", value);
    }
    return ascii;
}

} // namespace

CollectedTitle collectTitle(ScanContext& context, TitleKind kind, char letter, size_t from,
                            std::string prefix, size_t tagPos) {
    CollectedTitle title;
    std::string& text = title.text;
    text = std::move(prefix);
    const size_t end = context.size();
    const bool chapter = kind == TitleKind::Chapter;
    auto append = [&](char c) {
        text.push_back(c);
        if (text.size() > kMaxTitleLength) {
            text.resize(kMaxTitleLength);
            title.tooLong = true;
        }
    };
    size_t p = from;
    while (p < end && !title.tooLong) {
        char c = context.text[p];
        if (chapter && c == '"') {
            title.closed = true;
            break;
        }
        if (isLineEnd(c)) {
            if (chapter) {
                context.report.excerptError(tagPos,
                                            "Returns are not permitted in \\C definitions.  See '%s'.",
                                            static_cast<int64_t>(p) - 10, 20);
            }
            ++p;
            if (!text.empty() && text.back() != ' ') {
                append(' ');
            }
            continue;
        }
        if (c != '\\') {
            ++p;
            append(c);
            continue;
        }
        bool hasTag = p + 1 < end;
        char tag = context.at(p + 1);
        if (hasTag &&
            ((kind == TitleKind::Heading && tag == letter) || (kind == TitleKind::Index && tag == 'I'))) {
            title.closed = true;
            break;
        }
        size_t inner = p;
        const TagSpec& tagSpec = letterTag(tag);
        if (tagSpec.kind == TagKind::LiteralBackslash) {
            p += tagSpec.length;
            if (chapter) {
                append('\\');
            }
        } else if (tagSpec.kind == TagKind::DecimalCharacter) {
            uint8_t code = decimalCharacterAt(context, inner);
            p = context.clip(p + tagSpec.length);
            if (!(kind == TitleKind::Index && code == 149)) {
                append(static_cast<char>(code));
            }
        } else if (tagSpec.kind == TagKind::UnicodeCharacter) {
            int ascii = unicodeInTitle(context, inner);
            p = context.clip(p + tagSpec.length);
            if (ascii < 0) {
                append(' ');
            } else if (ascii > 0) {
                append(static_cast<char>(ascii));
            }
        } else if (chapter) {
            context.report.error(inner, "Tags are not allowed inside \\C definitions!");
            p = context.clip(p + 2);
        } else if (argumentFollowsLetter(tagSpec)) {
            // Up to and including the second double quote after the tag, whether it opens or closes.
            size_t first = context.find('"', p + 2);
            size_t second = first < end ? context.find('"', first + 1) : end;
            p = context.clip(second + 1);
        } else {
            p = context.clip(p + 2);
        }
    }
    title.stop = std::min(p, end);
    size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    return title;
}

} // namespace quillery
