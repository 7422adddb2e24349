#include "framework/string_list.h"

namespace quillery {
namespace {

bool endsLine(char16_t unit) {
    return unit == u'\n' || unit == u'\r' || unit == u'\u2028';
}

WideString unescapeLine(const std::u16string& line) {
    std::u16string text;
    text.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == u'\\' && i + 1 < line.size() && line[i + 1] == u'n') {
            text.push_back(u'\n');
            ++i;
        } else {
            text.push_back(line[i]);
        }
    }
    return WideString(std::move(text));
}

} // namespace

std::vector<WideString> parseStringList(std::string_view resource) {
    bool bigEndian = !resource.empty() && static_cast<uint8_t>(resource[0]) == 0xFE;
    std::vector<WideString> list;
    std::u16string line;
    // Unit 0 is the byte order mark.
    for (size_t at = 2; at + 1 < resource.size(); at += 2) {
        auto first = static_cast<uint8_t>(resource[at]);
        auto second = static_cast<uint8_t>(resource[at + 1]);
        auto unit = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
        if (!endsLine(unit)) {
            line.push_back(unit);
            continue;
        }
        if (!line.empty()) {
            list.push_back(unescapeLine(line));
            line.clear();
        }
    }
    if (!line.empty()) {
        list.push_back(unescapeLine(line));
    }
    return list;
}

} // namespace quillery
