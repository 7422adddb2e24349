#include "tdb/index_records.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

struct Item {
    std::string text;
    uint16_t record = 1;
    uint16_t offset = 0;
};

Item entry(std::string text, uint16_t record = 1, uint16_t offset = 0) {
    return Item{std::move(text), record, offset};
}

void addAll(IndexTable& index, const std::vector<Item>& items) {
    for (const Item& item : items) {
        index.add(item.record, item.offset, item.text);
    }
}

std::vector<std::string> texts(const IndexTable& index) {
    std::vector<std::string> out;
    for (const IndexEntry& e : index.entries) {
        out.push_back(std::string(index.textOf(e)) + "@" + std::to_string(e.record) + ":" +
                      std::to_string(e.offset));
    }
    return out;
}

TEST(IndexFoldTableTest, FoldsLettersAndAccentsAsTheDeviceDoes) {
    EXPECT_EQ('a', indexFoldTable['A']);
    EXPECT_EQ('d', indexFoldTable[0xC9]); // capital E acute sorts among the d's
    EXPECT_EQ('e', indexFoldTable[0xE9]);
    EXPECT_EQ('s', indexFoldTable[0x8A]);
    EXPECT_EQ('y', indexFoldTable[0xFF]);
    EXPECT_EQ('o', indexFoldTable[0xD8]);
    for (uint8_t kept : {0xC6, 0xD0, 0xD7, 0xDE, 0xDF, 0xE6, 0xF0, 0xF7, 0xFE, 0x80}) {
        EXPECT_EQ(kept, indexFoldTable[kept]);
    }
}

TEST(IndexOrderTest, SkipsSpacesHyphensApostrophesAndFolds) {
    EXPECT_EQ(0, compareIndexTexts("co-op", "coop"));
    EXPECT_EQ(0, compareIndexTexts("o'clock", "o clock"));
    EXPECT_LT(compareIndexTexts("apple", "Zebra"), 0);
    EXPECT_LT(compareIndexTexts("ab", "abc"), 0);
    EXPECT_LT(compareIndexTexts("\xC9t", "dz"), 0);
    EXPECT_GT(compareIndexTexts("\xC9t", "da"), 0);
    EXPECT_GT(compareIndexTexts("\xE9t", "Ea"), 0);
    EXPECT_LT(compareIndexTexts("\xE9t", "ez"), 0);
    EXPECT_EQ(0, compareIndexTexts("", "- '"));
}

TEST(IndexOrderTest, SortKeysOrderAsTheComparisonDoes) {
    auto sign = [](int value) { return (value > 0) - (value < 0); };
    const char* texts[] = {"",     "a",     "A-",   "ab",   "a b", "abc",     "\xC9t", "dz",   "e",
                           "\xE9", "\xE9t", "\xFF", "\x80", "zz",  "o'clock", "\xE6",  "\xDE", "~"};
    for (const char* a : texts) {
        for (const char* b : texts) {
            EXPECT_EQ(sign(compareIndexTexts(a, b)), sign(indexSortKey(a).compare(indexSortKey(b))))
                << a << " / " << b;
            EXPECT_EQ(sign(compareIndexKeys(a, b)), sign(indexSortKey(a).compare(indexSortKey(b))))
                << a << " / " << b;
        }
    }
}

TEST(GroupIndexEntriesTest, SortsByTextThenPlaceAndDropsExactDuplicates) {
    IndexTable index;
    addAll(index, {entry("Zebra"), entry("apple", 2, 9), entry("Apple", 2, 3), entry("coop", 1, 7),
                   entry("co-op", 1, 2), entry("apple", 2, 9), entry("", 1, 1)});
    groupIndexEntries(index);
    EXPECT_EQ((std::vector<std::string>{"Apple@2:3", "apple@2:9", "co-op@1:2", "coop@1:7", "Zebra@1:0"}),
              texts(index));
    ASSERT_EQ(1u, index.groups.size());
    EXPECT_EQ("Apple", index.groups[0].name);
    EXPECT_EQ(0u, index.groups[0].firstEntry);
    EXPECT_EQ(5u + 5 + 5 + 4 + 5 + 5 * 5, index.groups[0].byteSize);
}

TEST(GroupIndexEntriesTest, GroupsCloseWithTheEntryThatPassesTheLimit) {
    IndexTable index;
    // 85 bytes per entry: the 730th entry carries the total to 62050 > 62000.
    for (int i = 0; i < 1000; ++i) {
        char text[81];
        std::snprintf(text, sizeof text, "%04d%076d", i, 0);
        index.add(1, static_cast<uint16_t>(i), text);
    }
    groupIndexEntries(index);
    ASSERT_EQ(2u, index.groups.size());
    EXPECT_EQ(730u * 85, index.groups[0].byteSize);
    EXPECT_EQ(730u, index.groups[1].firstEntry);
    EXPECT_EQ(270u * 85, index.groups[1].byteSize);
    EXPECT_EQ(index.textOf(index.entries[730]), index.groups[1].name);

    // When the closing entry is the last one, no empty group follows.
    index.entries.resize(730);
    index.groups.clear();
    groupIndexEntries(index);
    EXPECT_EQ(1u, index.groups.size());

    IndexTable empty;
    groupIndexEntries(empty);
    EXPECT_TRUE(empty.groups.empty());
}

// The grouping as it was done on whole copies of the entries: sorted by folded key, place and arrival,
// exact duplicates and empty texts dropped, groups cut by the byte limit.
struct Reference {
    std::vector<Item> entries;
    std::vector<IndexGroup> groups;
};

Reference referenceGrouping(std::vector<Item> items) {
    std::vector<size_t> order(items.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int byText = indexSortKey(items[a].text).compare(indexSortKey(items[b].text));
        if (byText != 0) {
            return byText < 0;
        }
        if (items[a].record != items[b].record) {
            return items[a].record < items[b].record;
        }
        return items[a].offset < items[b].offset;
    });
    Reference out;
    for (size_t at : order) {
        const Item& item = items[at];
        if (item.text.empty()) {
            continue;
        }
        if (!out.entries.empty() && out.entries.back().text == item.text &&
            out.entries.back().record == item.record && out.entries.back().offset == item.offset) {
            continue;
        }
        out.entries.push_back(item);
    }
    uint32_t total = 0;
    for (size_t i = 0; i < out.entries.size(); ++i) {
        if (total == 0) {
            out.groups.push_back({out.entries[i].text, 0, static_cast<uint32_t>(i)});
        }
        total += static_cast<uint32_t>(out.entries[i].text.size()) + kIndexEntryOverhead;
        if (total > kIndexGroupLimit) {
            out.groups.back().byteSize = static_cast<uint16_t>(total);
            total = 0;
        }
    }
    if (total != 0) {
        out.groups.back().byteSize = static_cast<uint16_t>(total);
    }
    return out;
}

TEST(GroupIndexEntriesTest, MatchesTheGroupingOfWholeCopiesOnGeneratedItems) {
    // Letters in both cases, folded accents, skipped characters, a NUL and bytes past ASCII; few places, so
    // that equal keys, equal places and exact duplicates are common.
    const std::string alphabet = std::string("aAbB -'\xC9\xE9\xFF\x80z") + std::string(1, '\0');
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 40; ++round) {
        std::vector<Item> items;
        size_t count = round < 30 ? next() % 200 : 3000 + next() % 2000; // the large ones span groups
        for (size_t i = 0; i < count; ++i) {
            std::string text;
            size_t length = round < 30 ? next() % 6 : 40 + next() % 41;
            for (size_t k = 0; k < length; ++k) {
                text.push_back(alphabet[next() % alphabet.size()]);
            }
            items.push_back({text, static_cast<uint16_t>(1 + next() % 3), static_cast<uint16_t>(next() % 4)});
        }
        IndexTable index;
        addAll(index, items);
        groupIndexEntries(index);
        Reference expected = referenceGrouping(items);
        ASSERT_EQ(expected.entries.size(), index.entries.size()) << "round " << round;
        for (size_t i = 0; i < expected.entries.size(); ++i) {
            EXPECT_EQ(expected.entries[i].text, index.textOf(index.entries[i])) << round << " " << i;
            EXPECT_EQ(expected.entries[i].record, index.entries[i].record) << round << " " << i;
            EXPECT_EQ(expected.entries[i].offset, index.entries[i].offset) << round << " " << i;
        }
        ASSERT_EQ(expected.groups.size(), index.groups.size()) << "round " << round;
        for (size_t g = 0; g < expected.groups.size(); ++g) {
            EXPECT_EQ(expected.groups[g].name, index.groups[g].name);
            EXPECT_EQ(expected.groups[g].byteSize, index.groups[g].byteSize);
            EXPECT_EQ(expected.groups[g].firstEntry, index.groups[g].firstEntry);
        }
    }
}

} // namespace
} // namespace quillery
