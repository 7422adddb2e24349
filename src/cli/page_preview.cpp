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

const char* fontLabel(PreviewFont font) {
    return font == PreviewFont::Small ? "small" : "large";
}

// The text of page i: from its position to the next page's (or the end of the text).
std::string_view pageText(std::string_view text, const PageTable& pages, size_t i) {
    size_t start = std::min<size_t>(pages[i].position, text.size());
    size_t end = i + 1 < pages.size() ? std::min<size_t>(pages[i + 1].position, text.size()) : text.size();
    return text.substr(start, end > start ? end - start : 0);
}

const char* pieceKindName(PieceKind kind) {
    switch (kind) {
    case PieceKind::Text:
        return "text";
    case PieceKind::Character:
        return "character";
    case PieceKind::Unicode:
        return "unicode";
    case PieceKind::SoftHyphen:
        return "softHyphen";
    case PieceKind::Image:
        return "image";
    case PieceKind::Rule:
        return "rule";
    case PieceKind::Indent:
        return "indent";
    case PieceKind::SidebarReference:
        return "sidebarReference";
    case PieceKind::FootnoteReference:
        return "footnoteReference";
    case PieceKind::LinkReference:
        return "linkReference";
    case PieceKind::Anchor:
        return "anchor";
    }
    return "?";
}

// The style word's parts as JSON members: "style", "font", "alignment" and one boolean per style bit.
std::string styleMembers(uint16_t style) {
    std::string out = "\"style\": " + std::to_string(style) + ", \"font\": \"" + fontName(style) +
                      "\", \"alignment\": \"" + alignmentName(style) + "\"";
    for (const StyleBit& bit : kStyleBits) {
        out += ", \"" + std::string(bit.name) + "\": " + ((style & bit.bit) != 0 ? "true" : "false");
    }
    return out;
}

std::string pieceJson(const LinePiece& piece) {
    std::string out = std::string("{\"kind\": \"") + pieceKindName(piece.kind) +
                      "\", \"start\": " + std::to_string(piece.start) +
                      ", \"end\": " + std::to_string(piece.end) + ", \"x\": " + std::to_string(piece.x) +
                      ", \"width\": " + std::to_string(piece.width) +
                      ", \"height\": " + std::to_string(piece.height) + ", " + styleMembers(piece.style);
    switch (piece.kind) {
    case PieceKind::Text:
        out += ", \"text\": " + jsonString(windows1252ToUtf8(piece.text));
        break;
    case PieceKind::Character:
    case PieceKind::Unicode:
    case PieceKind::SoftHyphen:
        out += ", \"code\": " + std::to_string(piece.code);
        break;
    case PieceKind::Rule:
    case PieceKind::Indent:
        break;
    default:
        out += ", \"name\": " + jsonString(windows1252ToUtf8(piece.name));
        break;
    }
    return out + "}";
}

std::string lineJson(const PageLine& line) {
    std::string out = "{\"start\": " + std::to_string(line.start) + ", \"end\": " + std::to_string(line.end) +
                      ", \"top\": " + std::to_string(line.top) +
                      ", \"height\": " + std::to_string(line.height) +
                      ", \"width\": " + std::to_string(line.width) +
                      ", \"text\": " + jsonString(lineText(line)) + ", \"pieces\": [";
    for (size_t i = 0; i < line.pieces.size(); ++i) {
        out += (i == 0 ? "" : ", ") + pieceJson(line.pieces[i]);
    }
    return out + "]}";
}

std::string pageHeading(const PageTable& pages, size_t i) {
    const PageEntry& page = pages[i];
    char heading[160];
    std::snprintf(
        heading, sizeof heading, "\nPage %zu: text record %u, offset %u, position %u; style 0x%04X: ", i + 1,
        unsigned{page.record}, unsigned{page.offset}, unsigned{page.position}, unsigned{page.style});
    return heading + describeStyle(page.style) + "\n";
}

std::string pageJson(ReaderView& view, std::string_view mainText, size_t i) {
    const PageEntry& page = view.pages()[i];
    std::string out = "{\"page\": " + std::to_string(i + 1) + ", \"record\": " + std::to_string(page.record) +
                      ", \"offset\": " + std::to_string(page.offset) +
                      ", \"position\": " + std::to_string(page.position) + ", " + styleMembers(page.style) +
                      ", \"text\": " + jsonString(readerText(pageText(mainText, view.pages(), i))) +
                      ", \"lines\": [";
    std::vector<PageLine> lines = view.linesOf(i);
    for (size_t k = 0; k < lines.size(); ++k) {
        out += (k == 0 ? "\n    " : ",\n    ") + lineJson(lines[k]);
    }
    return out + (lines.empty() ? "]}" : "\n  ]}");
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

std::string terminalText(std::string_view utf8, bool keepLineFeeds) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size(); ++at) {
        auto byte = static_cast<uint8_t>(utf8[at]);
        // A C1 control is U+0080 to U+009F: the two bytes C2 80 to C2 9F.
        bool c1 = byte == 0xC2 && at + 1 < utf8.size() && (static_cast<uint8_t>(utf8[at + 1]) & 0xE0) == 0x80;
        if (c1) {
            byte = static_cast<uint8_t>(utf8[++at]);
        }
        if (c1 || (byte < 0x20 && (byte != '\n' || !keepLineFeeds)) || byte == 0x7F) {
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

std::string lineText(const PageLine& line) {
    std::string out;
    for (const LinePiece& piece : line.pieces) {
        switch (piece.kind) {
        case PieceKind::Text:
            out += windows1252ToUtf8(piece.text);
            break;
        case PieceKind::Character: {
            char byte = static_cast<char>(piece.code);
            out += windows1252ToUtf8(std::string_view(&byte, 1));
            break;
        }
        case PieceKind::Unicode:
            appendCodePoint(out, static_cast<char16_t>(piece.code));
            break;
        case PieceKind::SoftHyphen:
            out += '-';
            break;
        case PieceKind::Image:
            out += "[image " + windows1252ToUtf8(piece.name) + "]";
            break;
        default:
            break;
        }
    }
    return out;
}

void writePagesText(ReaderView& view, bool dictionary, const PageOutput& out) {
    std::string name = fontLabel(view.font());
    const PageTable& pages = view.pages();
    if (pages.empty()) {
        out("This book has no pages in the " + name + " font" +
            (dictionary ? " (a dictionary book has none)." : ".") + "\n");
        return;
    }
    out(std::to_string(pages.size()) + " pages in the " + name + " font\n");
    for (size_t i = 0; i < pages.size(); ++i) {
        std::string text = pageHeading(pages, i);
        for (const PageLine& line : view.linesOf(i)) {
            text += "  | " + terminalText(lineText(line), false) + "\n";
        }
        out(text);
    }
}

void writePagesJson(ReaderView& view, std::string_view mainText, const PageOutput& out) {
    out(std::string("{\"font\": \"") + fontLabel(view.font()) + "\", \"pages\": [");
    size_t count = view.pageCount();
    for (size_t i = 0; i < count; ++i) {
        out((i == 0 ? "\n  " : ",\n  ") + pageJson(view, mainText, i));
    }
    out(count == 0 ? "]}\n" : "\n]}\n");
}

std::string formatPagesText(const BookContents& book, PreviewFont font) {
    ReaderView view(readerViewInputOf(book), font);
    std::string out;
    writePagesText(view, book.type == kDictionaryType, [&out](std::string_view piece) { out += piece; });
    return out;
}

std::string formatPagesJson(const BookContents& book, PreviewFont font) {
    ReaderView view(readerViewInputOf(book), font);
    std::string out;
    writePagesJson(view, book.mainText, [&out](std::string_view piece) { out += piece; });
    return out;
}

} // namespace quillery::cli
