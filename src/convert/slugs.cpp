#include "convert/slugs.h"

#include "convert/device_text.h"
#include "convert/utf8_input.h"

namespace quillery::convert {
namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isAsciiAlnum(uint32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = lowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

std::string slugOf(std::string_view utf8) {
    std::string slug;
    for (size_t at = 0; at < utf8.size();) {
        size_t length = 1;
        uint32_t c = decodeUtf8(utf8, at, length);
        at += length;
        if (isAsciiAlnum(c) || c == '-' || c == '_') {
            slug += lowerAscii(static_cast<char>(c));
        } else if (c == ' ') {
            slug += '-';
        } else if (char letter = latinBaseLetter(c)) {
            slug += lowerAscii(letter);
        }
    }
    return slug.empty() ? "section" : slug;
}

std::string SlugSet::claim(const std::string& slug) {
    std::string name = slug.substr(0, kMaxAnchorName);
    for (unsigned number = 1; taken_.count(name) != 0; ++number) {
        std::string suffix = std::to_string(number).insert(0, 1, '-');
        name = slug.substr(0, kMaxAnchorName - suffix.size()) + suffix;
    }
    taken_.insert(name);
    return name;
}

std::string anchorNameOfFragment(std::string_view fragment) {
    if (!fragment.empty() && fragment.front() == '#') {
        fragment.remove_prefix(1);
    }
    std::string decoded;
    for (size_t at = 0; at < fragment.size(); ++at) {
        if (fragment[at] == '%' && at + 2 < fragment.size() && hexValue(fragment[at + 1]) >= 0 &&
            hexValue(fragment[at + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(fragment[at + 1]) * 16 + hexValue(fragment[at + 2]));
            at += 2;
        } else {
            decoded += fragment[at];
        }
    }
    std::string repaired = decoded;
    repairUtf8(repaired);
    return slugOf(repaired).substr(0, kMaxAnchorName);
}

} // namespace quillery::convert
