#include "tdb/index_records.h"

#include <algorithm>

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

void groupIndexEntries(IndexTable& index) {
    std::vector<IndexEntry>& entries = index.entries;
    if (entries.empty()) {
        return;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
        int order = compareIndexTexts(a.text, b.text);
        if (order != 0) {
            return order < 0;
        }
        if (a.record != b.record) {
            return a.record < b.record;
        }
        return a.offset < b.offset;
    });

    std::vector<IndexEntry> kept;
    kept.reserve(entries.size());
    for (IndexEntry& entry : entries) {
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
