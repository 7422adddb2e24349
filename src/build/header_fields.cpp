#include "build/header_fields.h"

#include "framework/file_service.h"

namespace quillery {
namespace {

// A value's escapes: "\\" is one backslash, "\a" and three bytes the byte of that decimal value (mod 256).
// An escape cut off by the end of the value is kept as it stands; a NUL byte ends the value.
std::string decodeValue(std::string_view raw) {
    std::string value;
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\\' && i + 1 < raw.size() && raw[i + 1] == '\\') {
            c = '\\';
            ++i;
        } else if (c == '\\' && i + 4 < raw.size() && raw[i + 1] == 'a') {
            int code = 100 * (static_cast<uint8_t>(raw[i + 2]) - 48) +
                       10 * (static_cast<uint8_t>(raw[i + 3]) - 48) + (static_cast<uint8_t>(raw[i + 4]) - 48);
            c = static_cast<char>(((code % 256) + 256) % 256);
            i += 4;
        }
        if (c == '\0') {
            break;
        }
        value += c;
    }
    return value;
}

WideString fieldValue(std::string_view window, std::string_view key) {
    size_t at = window.find(key);
    if (at == std::string_view::npos) {
        return {};
    }
    size_t open = window.find('"', at);
    if (open == std::string_view::npos) {
        return {};
    }
    size_t close = window.find('"', open + 1);
    if (close == std::string_view::npos) {
        return {};
    }
    return WideString::fromAnsi(decodeValue(window.substr(open + 1, close - open - 1)));
}

} // namespace

void parseHeaderFields(std::string_view window, BookInfo& info) {
    window = window.substr(0, kHeaderWindow);
    info.title = fieldValue(window, "TITLE=");
    info.author = fieldValue(window, "AUTHOR=");
    info.publisher = fieldValue(window, "PUBLISHER=");
    info.isbn = fieldValue(window, "EISBN=");
    info.copyright = fieldValue(window, "COPYRIGHT=");
}

void readHeaderFields(const std::string& path, BookInfo& info) {
    FileService file(path);
    if (file.open(FileService::Mode::Read) != 0) {
        return;
    }
    std::string window(kHeaderWindow, '\0');
    size_t got = 0;
    if (file.read(window.data(), window.size(), &got) != 0 || got == 0) {
        return;
    }
    window.resize(got);
    parseHeaderFields(window, info);
}

} // namespace quillery
