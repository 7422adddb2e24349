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

void groupIndexEntries(IndexTable& index) {
    std::vector<IndexEntry>& entries = index.entries;
    if (entries.empty()) {
        return;
    }
    // Each text is folded once, and its first eight key bytes are packed into one number: most comparisons of
    // a large dictionary are then settled by one integer comparison on a compact array.
    struct SortItem {
        uint64_t head; // the first 8 key bytes, big-endian, zero-filled
        uint32_t at;   // index of the entry; settles ties, so that the order is stable
    };
    std::vector<std::string> keys;
    keys.reserve(entries.size());
    std::vector<SortItem> items;
    items.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        keys.push_back(indexSortKey(entries[i].text));
        uint64_t head = 0;
        for (size_t b = 0; b < 8; ++b) {
            head = (head << 8) | (b < keys[i].size() ? static_cast<uint8_t>(keys[i][b]) : 0);
        }
        items.push_back({head, static_cast<uint32_t>(i)});
    }
    std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        if (a.head != b.head) {
            return a.head < b.head;
        }
        // Equal heads: the whole keys decide.
        int byText = keys[a.at].compare(keys[b.at]);
        if (byText != 0) {
            return byText < 0;
        }
        const IndexEntry& x = entries[a.at];
        const IndexEntry& y = entries[b.at];
        if (x.record != y.record) {
            return x.record < y.record;
        }
        if (x.offset != y.offset) {
            return x.offset < y.offset;
        }
        return a.at < b.at;
    });

    std::vector<IndexEntry> kept;
    kept.reserve(entries.size());
    for (const SortItem& item : items) {
        IndexEntry& entry = entries[item.at];
        if (entry.text.empty()) {
            continue;
        }
        if (!kept.empty() && kept.back().text == entry.text && kept.back().record == entry.record &&
            kept.back().offset == entry.offset) {
            continue;
        }
        kept.push_back(std::move(entry));
    }
    entries = std::move(kept);

    index.groups.clear();
    uint32_t total = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (total == 0) {
            index.groups.push_back({entries[i].text, 0, static_cast<uint32_t>(i)});
        }
        total += static_cast<uint32_t>(entries[i].text.size()) + kIndexEntryOverhead;
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
