#include "cli/page_preview.h"

#include "cli/diagnostic_printer.h"
#include "framework/windows1252.h"
#include "tdb/book_format.h"
#include "tdb/tag_table.h"

#include <cstdio>

namespace quillery::cli {
namespace {

struct StyleBit {
    uint16_t bit;
    const char* name;
};
constexpr StyleBit kStyleBits[] = {
    {kStyleBoldWeight, "bold"},       {kStyleItalic, "italic"},           {kStyleUnderline, "underline"},
    {kStyleOverstrike, "overstrike"}, {kStyleIndent, "indented"},         {kStyleInvisible, "invisible"},
    {kStyleReference, "reference"},   {kStyleSuperscript, "superscript"}, {kStyleSubscript, "subscript"},
};

std::string fontName(uint16_t style) {
    unsigned font = pageFont(style);
    switch (font) {
    case kFontSmall:
        return "small";
    case kFontBold:
        return "bold";
    case kFontLarge:
        return "large";
    default:
        return "font " + std::to_string(font);
    }
}

const char* alignmentName(uint16_t style) {
    switch (pageAlignment(style)) {
    case kAlignLeft:
        return "left";
    case kAlignCentre:
        return "centred";
    case kAlignRight:
        return "right";
    default:
        return "alignment 3";
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

void appendCodePoint(std::string& out, char16_t unit) {
    out += utf16ToUtf8(std::u16string_view(&unit, 1));
}

std::string pagesOf(const BookContents& book, PreviewFont font, const std::vector<PageEntry>*& pages) {
    pages = font == PreviewFont::Small ? &book.smallPages : &book.largePages;
    return font == PreviewFont::Small ? "small" : "large";
}

// The text of page i: from its position to the next page's (or the end of the text).
std::string_view pageText(const BookContents& book, const std::vector<PageEntry>& pages, size_t i) {
    size_t start = std::min<size_t>(pages[i].position, book.mainText.size());
    size_t end = i + 1 < pages.size() ? std::min<size_t>(pages[i + 1].position, book.mainText.size())
                                      : book.mainText.size();
    return std::string_view(book.mainText).substr(start, end > start ? end - start : 0);
}

} // namespace

std::string readerText(std::string_view text) {
    std::string out;
    bool invisible = false;
    for (size_t at = 0; at < text.size();) {
        char c = text[at];
        if (c != '\\') {
            if (!invisible) {
                out += windows1252ToUtf8(text.substr(at, 1));
            }
            ++at;
            continue;
        }
        TagExtent tag = measureTag(text, at);
        TagKind kind = tag.tagSpec ? tag.tagSpec->kind : TagKind::Illegal;
        switch (kind) {
        case TagKind::LiteralBackslash:
            if (!invisible) {
                out += '\\';
            }
            break;
        case TagKind::DecimalCharacter:
            if (!invisible && at + 5 <= text.size()) {
                int code = 0;
                for (size_t k = 2; k < 5; ++k) {
                    code = code * 10 + (static_cast<uint8_t>(text[at + k]) - '0');
                }
                char byte = static_cast<char>(((code % 256) + 256) % 256);
                out += windows1252ToUtf8(std::string_view(&byte, 1));
            }
            break;
        case TagKind::UnicodeCharacter: {
            int value = 0;
            for (size_t k = 2; k < 6 && value >= 0; ++k) {
                int digit = at + k < text.size() ? hexValue(text[at + k]) : -1;
                value = digit < 0 ? -1 : value * 16 + digit;
            }
            if (!invisible && value >= 0) {
                appendCodePoint(out, static_cast<char16_t>(value));
            }
            break;
        }
        case TagKind::Invisible:
            invisible = !invisible;
            break;
        case TagKind::Image:
            if (tag.hasArgument && !invisible) {
                std::string_view name = text.substr(tag.argumentStart, tag.argumentEnd - tag.argumentStart);
                out += "[image " + windows1252ToUtf8(name) + "]";
            }
            break;
        default:
            break;
        }
        at += tag.length;
    }
    return out;
}

std::string terminalText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size(); ++at) {
        auto byte = static_cast<uint8_t>(utf8[at]);
        // A C1 control is U+0080 to U+009F: the two bytes C2 80 to C2 9F.
        bool c1 = byte == 0xC2 && at + 1 < utf8.size() && (static_cast<uint8_t>(utf8[at + 1]) & 0xE0) == 0x80;
        if (c1) {
            byte = static_cast<uint8_t>(utf8[++at]);
        }
        if (c1 || (byte < 0x20 && byte != '\n') || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned{byte});
            out += escaped;
        } else if (byte == '\\') {
            out += "\\\\";
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string describeStyle(uint16_t style) {
    std::string out = fontName(style) + " font, " + alignmentName(style);
    for (const StyleBit& bit : kStyleBits) {
        if ((style & bit.bit) != 0) {
            out += ", ";
            out += bit.name;
        }
    }
    return out;
}

std::string formatPagesText(const BookContents& book, PreviewFont font) {
    const std::vector<PageEntry>* pages = nullptr;
    std::string name = pagesOf(book, font, pages);
    if (pages->empty()) {
        return "This book has no pages in the " + name + " font" +
               (book.type == kDictionaryType ? " (a dictionary book has none)." : ".") + "\n";
    }
    std::string out = std::to_string(pages->size()) + " pages in the " + name + " font\n";
    for (size_t i = 0; i < pages->size(); ++i) {
        const PageEntry& page = (*pages)[i];
        char heading[160];
        std::snprintf(heading, sizeof heading,
                      "\nPage %zu: text record %u, offset %u, position %u; style 0x%04X: ", i + 1,
                      unsigned{page.record}, unsigned{page.offset}, unsigned{page.position},
                      unsigned{page.style});
        out += heading + describeStyle(page.style) + "\n";
        std::string shown = terminalText(readerText(pageText(book, *pages, i)));
        size_t lineStart = 0;
        while (lineStart < shown.size()) {
            size_t lineEnd = shown.find('\n', lineStart);
            size_t stop = lineEnd == std::string::npos ? shown.size() : lineEnd;
            out += "  | " + shown.substr(lineStart, stop - lineStart) + "\n";
            lineStart = stop + 1;
        }
    }
    return out;
}

std::string formatPagesJson(const BookContents& book, PreviewFont font) {
    const std::vector<PageEntry>* pages = nullptr;
    std::string name = pagesOf(book, font, pages);
    std::string out = "{\"font\": \"" + name + "\", \"pages\": [";
    for (size_t i = 0; i < pages->size(); ++i) {
        const PageEntry& page = (*pages)[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"page\": " + std::to_string(i + 1) + ", \"record\": " + std::to_string(page.record) +
               ", \"offset\": " + std::to_string(page.offset) +
               ", \"position\": " + std::to_string(page.position) +
               ", \"style\": " + std::to_string(page.style) + ", \"font\": \"" + fontName(page.style) +
               "\", \"alignment\": \"" + alignmentName(page.style) + "\"";
        for (const StyleBit& bit : kStyleBits) {
            out += ", \"" + std::string(bit.name) + "\": " + ((page.style & bit.bit) != 0 ? "true" : "false");
        }
        out += ", \"text\": " + jsonString(readerText(pageText(book, *pages, i))) + "}";
    }
    out += pages->empty() ? "]}\n" : "\n]}\n";
    return out;
}

} // namespace quillery::cli
