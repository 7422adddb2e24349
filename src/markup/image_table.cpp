#include "markup/image_table.h"

#include "markup/signed_byte_order.h"

#include <algorithm>

namespace quillery {

bool addImage(ImageTable& table, std::string_view path, ImageSize size) {
    if (table.paths.size() != table.entries.size()) {
        table.paths.clear();
        for (const ImageEntry& entry : table.entries) {
            table.paths.insert(entry.path);
        }
    }
    if (!table.paths.insert(std::string(path)).second) {
        return false;
    }
    ImageEntry entry;
    entry.path = std::string(path);
    entry.width = size.width;
    entry.height = size.height;
    table.entries.push_back(std::move(entry));
    return true;
}

bool imagePathLess(std::string_view left, std::string_view right) {
    return signedByteLess(left, right);
}

void sortImageTable(ImageTable& table) {
    std::stable_sort(table.entries.begin(), table.entries.end(),
                     [](const ImageEntry& a, const ImageEntry& b) { return imagePathLess(a.path, b.path); });
}

} // namespace quillery
