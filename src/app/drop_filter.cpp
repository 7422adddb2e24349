#include "app/drop_filter.h"

#include <array>

namespace quillery {
namespace {

constexpr std::array<std::string_view, 2> kAcceptedExtensions = {".tml", ".txt"};

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

} // namespace quillery
