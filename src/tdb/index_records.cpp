#include "tdb/index_records.h"

#include <algorithm>
#include <string>

namespace quillery {
namespace {

std::array<uint8_t, 256> makeFoldTable() {
    std::array<uint8_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        table[byte] = static_cast<uint8_t>(byte);
    }
    auto fold = [&](int first, int last, uint8_t to) {
        for (int byte = first; byte <= last; ++byte) {
            table[byte] = to;
        }
    };
    for (int byte = 'A'; byte <= 'Z'; ++byte) {
        table[byte] = static_cast<uint8_t>(byte + 32);
    }
    fold(0x8A, 0x8A, 's');
    fold(0x9A, 0x9A, 's');
    fold(0x9F, 0x9F, 'y');
    fold(0xDD, 0xDD, 'y');
    fold(0xFD, 0xFD, 'y');
    fold(0xFF, 0xFF, 'y');
    fold(0xC0, 0xC5, 'a');
    fold(0xE0, 0xE5, 'a');
    fold(0xC7, 0xC7, 'c');
    fold(0xE7, 0xE7, 'c');
    fold(0xC8, 0xCB, 'd'); // the device's own order puts the capital E accents among the d's
    fold(0xE8, 0xEB, 'e');
    fold(0xCC, 0xCF, 'i');
    fold(0xEC, 0xEF, 'i');
    fold(0xD1, 0xD1, 'n');
    fold(0xF1, 0xF1, 'n');
    fold(0xD2, 0xD6, 'o');
    fold(0xD8, 0xD8, 'o');
    fold(0xF2, 0xF6, 'o');
    fold(0xF8, 0xF8, 'o');
    fold(0xD9, 0xDC, 'u');
    fold(0xF9, 0xFC, 'u');
    return table;
}

bool isSkipped(char c) {
    return c == ' ' || c == '-' || c == '\'';
}

// The folded byte at `at` after skipping; 0 once the text has ended.
uint8_t nextFolded(std::string_view text, size_t& at) {
    while (at < text.size() && isSkipped(text[at])) {
        ++at;
    }
    return at < text.size() ? indexFoldTable[static_cast<uint8_t>(text[at])] : 0;
}

} // namespace

const std::array<uint8_t, 256> indexFoldTable = makeFoldTable();

int compareIndexTexts(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        uint8_t x = nextFolded(a, i);
        uint8_t y = nextFolded(b, j);
        if (x != y) {
            return x < y ? -1 : 1;
        }
        if (i >= a.size()) {
            return 0;
        }
        ++i;
        ++j;
    }
}

std::string indexSortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size());
    for (char c : text) {
        if (!isSkipped(c)) {
            key.push_back(static_cast<char>(indexFoldTable[static_cast<uint8_t>(c)]));
        }
    }
    return key;
}

int compareIndexKeys(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        while (i < a.size() && isSkipped(a[i])) {
            ++i;
        }
        while (j < b.size() && isSkipped(b[j])) {
            ++j;
        }
        if (i == a.size() || j == b.size()) {
            return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
        }
        uint8_t x = indexFoldTable[static_cast<uint8_t>(a[i])];
        uint8_t y = indexFoldTable[static_cast<uint8_t>(b[j])];
        if (x != y) {
            return x < y ? -1 : 1;
        }
        ++i;
        ++j;
    }
}

void groupIndexEntries(IndexTable& index) {
    std::vector<IndexEntry>& entries = index.entries;
    if (entries.empty()) {
        return;
    }
    // Entry numbers are sorted, not entries: the texts stay where they were collected.
    std::vector<uint32_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<uint32_t>(i);
    }
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const IndexEntry& x = entries[a];
        const IndexEntry& y = entries[b];
        int byText = compareIndexKeys(index.textOf(x), index.textOf(y));
        if (byText != 0) {
            return byText < 0;
        }
        if (x.record != y.record) {
            return x.record < y.record;
        }
        if (x.offset != y.offset) {
            return x.offset < y.offset;
        }
        return a < b;
    });

    // The entries kept, in order, at the front of `order`; those dropped after them, so that `order` stays a
    // permutation to apply in place.
    std::vector<uint32_t> dropped;
    size_t kept = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        const IndexEntry& entry = entries[order[k]];
        bool drop = index.textOf(entry).empty();
        if (!drop && kept > 0) {
            const IndexEntry& last = entries[order[kept - 1]];
            drop = last.record == entry.record && last.offset == entry.offset &&
                   index.textOf(last) == index.textOf(entry);
        }
        if (drop) {
            dropped.push_back(order[k]);
        } else {
            order[kept++] = order[k];
        }
    }
    std::copy(dropped.begin(), dropped.end(), order.begin() + static_cast<std::ptrdiff_t>(kept));
    dropped = {};
    // entries[k] becomes what was entries[order[k]], one cycle at a time; a visited place points to itself.
    for (size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start) {
            continue;
        }
        IndexEntry first = entries[start];
        size_t at = start;
        for (;;) {
            size_t from = order[at];
            order[at] = static_cast<uint32_t>(at);
            if (from == start) {
                entries[at] = first;
                break;
            }
            entries[at] = entries[from];
            at = from;
        }
    }
    entries.resize(kept);

    index.groups.clear();
    uint32_t total = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string_view text = index.textOf(entries[i]);
        if (total == 0) {
            index.groups.push_back({std::string(text), 0, static_cast<uint32_t>(i)});
        }
        total += static_cast<uint32_t>(text.size()) + kIndexEntryOverhead;
        if (total > kIndexGroupLimit) {
            index.groups.back().byteSize = static_cast<uint16_t>(total);
            total = 0;
        }
    }
    if (total != 0) {
        index.groups.back().byteSize = static_cast<uint16_t>(total);
    }
}

} // namespace quillery
