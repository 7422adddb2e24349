#include "convert/header_block.h"

#include "build/header_fields.h"
#include "framework/windows1252.h"

#include <cstdio>

namespace quillery::convert {
namespace {

std::string headerValue(const std::optional<std::string>& utf8) {
    std::string value;
    if (!utf8) {
        return value;
    }
    for (char c : encodeWindows1252(utf8ToUtf16(*utf8))) {
        auto byte = static_cast<uint8_t>(c);
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '"' || byte >= 0x80) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\a%03u", static_cast<unsigned>(byte));
            value += escape;
        } else if (byte >= 0x20 && byte != 0x7F) {
            value += c;
        }
    }
    return value;
}

} // namespace

std::string headerBlock(const HeaderFields& fields) {
    return "\\vTITLE=\"" + headerValue(fields.title) + "\"\nAUTHOR=\"" + headerValue(fields.author) +
           "\"\nPUBLISHER=\"" + headerValue(fields.publisher) + "\"\nEISBN=\"" + headerValue(fields.isbn) +
           "\"\nCOPYRIGHT=\"" + headerValue(fields.copyright) + "\"\n\n\\v";
}

BookInfo bookInfoOf(const HeaderFields& fields) {
    BookInfo info;
    parseHeaderFields(headerBlock(fields), info);
    return info;
}

} // namespace quillery::convert
