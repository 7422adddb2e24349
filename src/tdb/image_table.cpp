#include "tdb/image_table.h"

#include "tdb/signed_byte_order.h"

#include <algorithm>
#include <functional>

namespace quillery {

namespace {

size_t pathHash(std::string_view path) {
    return std::hash<std::string_view>{}(path);
}

} // namespace

bool addImage(ImageTable& table, std::string_view path, ImageSize size) {
    std::vector<ImageEntry>& entries = table.entries;
    // The entry being added stands for itself at the end of the table.
    auto pathOf = [&](uint32_t at) {
        return at < entries.size() ? std::string_view(entries[at].path) : path;
    };
    auto hashOf = [&](uint32_t at) { return pathHash(pathOf(at)); };
    auto equal = [&](uint32_t a, uint32_t b) { return pathOf(a) == pathOf(b); };
    if (table.byPathStale || table.byPath.size() != entries.size()) {
        (void)table.byPath.take();
        for (size_t at = 0; at < entries.size(); ++at) {
            (void)table.byPath.findOrAdd(static_cast<uint32_t>(at), hashOf, equal);
        }
        table.byPathStale = false;
    }
    if (table.byPath.findOrAdd(static_cast<uint32_t>(entries.size()), hashOf, equal)) {
        return false;
    }
    ImageEntry entry;
    entry.path = std::string(path);
    entry.width = size.width;
    entry.height = size.height;
    table.entries.push_back(std::move(entry));
    return true;
}

void noteMissingImage(ImageTable& table, std::string_view path) {
    if (!table.anyMissing || imagePathLess(path, table.leastMissingPath)) {
        table.leastMissingPath.assign(path);
        table.anyMissing = true;
    }
}

bool imagePathLess(std::string_view left, std::string_view right) {
    return signedByteLess(left, right);
}

void sortImageTable(ImageTable& table) {
    // Entry numbers no longer stand for the same paths.
    table.byPathStale = true;
    std::stable_sort(table.entries.begin(), table.entries.end(),
                     [](const ImageEntry& a, const ImageEntry& b) { return imagePathLess(a.path, b.path); });
}

} // namespace quillery
