#include "convert/image_names.h"

#include "tdb/book_format.h"

namespace quillery::convert {
namespace {

// Room for "-NN.png" behind the stem.
constexpr size_t kNameStemLength = 20;

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

std::string ImageNames::claim(std::string_view path) {
    std::string_view leaf = path;
    if (size_t slash = leaf.rfind('/'); slash != std::string_view::npos) {
        leaf.remove_prefix(slash + 1);
    }
    leaf = leaf.substr(0, leaf.rfind('.'));
    std::string stem;
    for (char c : leaf.substr(0, kNameStemLength)) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '_';
        stem += plain ? c : '_';
    }
    if (stem.empty()) {
        stem = "image";
    }
    std::string name = stem + ".png";
    for (unsigned number = 2; lowerNames_.count(lowered(name)) != 0; ++number) {
        std::string suffix = std::to_string(number).insert(0, 1, '-');
        name = stem.substr(0, kMaxImageNameLength - 4 - suffix.size()) + suffix + ".png";
    }
    lowerNames_.insert(lowered(name));
    return name;
}

} // namespace quillery::convert
