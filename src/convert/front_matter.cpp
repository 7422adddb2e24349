#include "convert/front_matter.h"

#include <string_view>

namespace quillery::convert {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

// A value without its quotes: "..." with \" and \\ escapes, or '...' with '' for a quote.
std::string unquoted(std::string_view value) {
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') ||
        value.back() != value.front()) {
        return std::string(value);
    }
    char quote = value.front();
    value = value.substr(1, value.size() - 2);
    std::string result;
    for (size_t at = 0; at < value.size(); ++at) {
        bool escaped = quote == '"' && value[at] == '\\' && at + 1 < value.size() &&
                       (value[at + 1] == '"' || value[at + 1] == '\\');
        bool doubled = quote == '\'' && value[at] == '\'' && at + 1 < value.size() && value[at + 1] == '\'';
        if (escaped || doubled) {
            ++at;
        }
        result += value[at];
    }
    return result;
}

void takeField(std::string_view line, HeaderFields& fields) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return;
    }
    std::string key = lowered(trimmed(line.substr(0, colon)));
    std::string value = unquoted(trimmed(line.substr(colon + 1)));
    std::optional<std::string>* field = key == "title"                    ? &fields.title
                                        : key == "author"                 ? &fields.author
                                        : key == "publisher"              ? &fields.publisher
                                        : key == "isbn" || key == "eisbn" ? &fields.isbn
                                        : key == "copyright"              ? &fields.copyright
                                                                          : nullptr;
    if (field != nullptr) {
        *field = value;
    }
}

bool isDelimiter(std::string_view line, bool closing) {
    line = trimmed(line);
    return line == "---" || (closing && line == "...");
}

} // namespace

bool takeFrontMatter(std::string& text, HeaderFields& fields) {
    std::string_view view = text;
    size_t start = view.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    size_t lineEnd = view.find('\n', start);
    if (lineEnd == std::string_view::npos || !isDelimiter(view.substr(start, lineEnd - start), false)) {
        return false;
    }
    HeaderFields found;
    for (size_t at = lineEnd + 1; at < view.size();) {
        size_t end = view.find('\n', at);
        size_t next = end == std::string_view::npos ? view.size() : end + 1;
        std::string_view line = view.substr(at, (end == std::string_view::npos ? view.size() : end) - at);
        if (isDelimiter(line, true)) {
            for (size_t k = 0; k < next; ++k) {
                if (text[k] != '\n') {
                    text[k] = ' ';
                }
            }
            fields = found;
            return true;
        }
        takeField(line, found);
        at = next;
    }
    return false;
}

HeaderFields overridden(HeaderFields fields, const HeaderFields& overrides) {
    for (auto member : {&HeaderFields::title, &HeaderFields::author, &HeaderFields::publisher,
                        &HeaderFields::isbn, &HeaderFields::copyright}) {
        if (overrides.*member) {
            fields.*member = overrides.*member;
        }
    }
    return fields;
}

} // namespace quillery::convert
