#include "app/drop_filter.h"

#include <algorithm>
#include <array>

namespace quillery {
namespace {

constexpr std::array<std::string_view, 4> kAcceptedExtensions = {".tml", ".txt", ".md", ".epub"};

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool isAcceptedSourceName(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) {
        return false;
    }
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    std::string_view extension = name.substr(dot);
    for (std::string_view accepted : kAcceptedExtensions) {
        if (equalsIgnoringCase(extension, accepted)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> acceptedSourceFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> accepted;
    for (const std::string& path : paths) {
        if (isAcceptedSourceName(path)) {
            accepted.push_back(path);
        }
    }
    return accepted;
}

DroppedName nameOfDroppedUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file:";
    if (uri.size() < kScheme.size() || !equalsIgnoringCase(uri.substr(0, kScheme.size()), kScheme)) {
        return {DroppedName::Other, {}};
    }
    std::string_view rest = uri.substr(kScheme.size());
    rest = rest.substr(0, std::min(rest.find('?'), rest.find('#')));
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        std::string_view host = rest.substr(0, rest.find('/'));
        if (!host.empty() && !equalsIgnoringCase(host, "localhost")) {
            return {DroppedName::Other, {}};
        }
        rest.remove_prefix(host.size());
    }
    if (rest.empty() || rest.front() != '/') {
        return {DroppedName::Unusable, {}};
    }
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path.push_back(rest[i]);
            continue;
        }
        int high = i + 2 < rest.size() ? hexValue(rest[i + 1]) : -1;
        int low = high >= 0 ? hexValue(rest[i + 2]) : -1;
        if (low < 0) {
            return {DroppedName::Unusable, {}};
        }
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0' || byte == '/') {
            return {DroppedName::Unusable, {}};
        }
        path.push_back(byte);
        i += 2;
    }
    return {DroppedName::LocalFile, std::move(path)};
}

} // namespace quillery
