#include "tdb/index_records.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

IndexEntry entry(std::string text, uint16_t record = 1, uint16_t offset = 0) {
    return IndexEntry{record, offset, std::move(text)};
}

std::vector<std::string> texts(const IndexTable& index) {
    std::vector<std::string> out;
    for (const IndexEntry& e : index.entries) {
        out.push_back(e.text + "@" + std::to_string(e.record) + ":" + std::to_string(e.offset));
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
        }
    }
}

TEST(GroupIndexEntriesTest, SortsByTextThenPlaceAndDropsExactDuplicates) {
    IndexTable index;
    index.entries = {entry("Zebra"),       entry("apple", 2, 9), entry("Apple", 2, 3), entry("coop", 1, 7),
                     entry("co-op", 1, 2), entry("apple", 2, 9), entry("", 1, 1)};
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
        index.entries.push_back(entry(text, 1, static_cast<uint16_t>(i)));
    }
    groupIndexEntries(index);
    ASSERT_EQ(2u, index.groups.size());
    EXPECT_EQ(730u * 85, index.groups[0].byteSize);
    EXPECT_EQ(730u, index.groups[1].firstEntry);
    EXPECT_EQ(270u * 85, index.groups[1].byteSize);
    EXPECT_EQ(index.entries[730].text, index.groups[1].name);

    // When the closing entry is the last one, no empty group follows.
    index.entries.resize(730);
    index.groups.clear();
    groupIndexEntries(index);
    EXPECT_EQ(1u, index.groups.size());

    IndexTable empty;
    groupIndexEntries(empty);
    EXPECT_TRUE(empty.groups.empty());
}

} // namespace
} // namespace quillery
