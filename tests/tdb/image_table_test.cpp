#include "tdb/image_table.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

std::vector<std::string> paths(const ImageTable& table) {
    std::vector<std::string> out;
    for (const ImageEntry& entry : table.entries) {
        out.push_back(entry.path);
    }
    return out;
}

TEST(ImageTableTest, TheFirstReferenceOfAPathDecidesItsEntry) {
    ImageTable table;
    EXPECT_TRUE(addImage(table, "img/b.png", {30, 40}));
    EXPECT_TRUE(addImage(table, "img/a.png", {16, 16}));
    EXPECT_FALSE(addImage(table, "img/b.png", {99, 99}));
    // Paths are compared exactly: case counts.
    EXPECT_TRUE(addImage(table, "img/B.png", {1, 2}));
    ASSERT_EQ(3u, table.entries.size());
    EXPECT_EQ(30, table.entries[0].width);
    EXPECT_EQ(40, table.entries[0].height);
    EXPECT_EQ(0u, table.entries[0].dataOffset);
    EXPECT_EQ(0u, table.entries[0].dataSize);
}

TEST(ImageTableTest, ManyImagesAreAddedOnceEachAfterSortingAndDirectFilling) {
    ImageTable table;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 20000; ++i) {
            EXPECT_EQ(round == 0, addImage(table, "img/" + std::to_string(i) + ".png", {1, 1}));
        }
    }
    sortImageTable(table);
    EXPECT_FALSE(addImage(table, "img/123.png", {1, 1}));
    ImageEntry direct;
    direct.path = "img/direct.png";
    table.entries.push_back(direct);
    EXPECT_FALSE(addImage(table, "img/direct.png", {1, 1}));
    EXPECT_TRUE(addImage(table, "img/new.png", {1, 1}));
    EXPECT_EQ(20002u, table.entries.size());
}

TEST(ImageTableTest, PathsSortAsSignedBytesShorterFirst) {
    EXPECT_TRUE(imagePathLess("a", "b"));
    EXPECT_FALSE(imagePathLess("b", "a"));
    EXPECT_FALSE(imagePathLess("a", "a"));
    EXPECT_TRUE(imagePathLess("a.png", "a.png2"));
    EXPECT_FALSE(imagePathLess("a.png2", "a.png"));
    // Bytes 128 to 255 are negative, before every ASCII byte, and keep their order among themselves.
    EXPECT_TRUE(imagePathLess("\xE9t\xE9.png", "A.png"));
    EXPECT_TRUE(imagePathLess("\x80", "\xFF"));
    EXPECT_TRUE(imagePathLess("\xFF", "\x01"));
    EXPECT_TRUE(imagePathLess("B.png", "a.png"));

    ImageTable table;
    for (const char* path :
         {"img/b.png", "img/a.png", "img/\xE9.png", "img/a.png.png", "img/B.png", "img/a"}) {
        EXPECT_TRUE(addImage(table, path, {}));
    }
    sortImageTable(table);
    EXPECT_EQ((std::vector<std::string>{"img/\xE9.png", "img/B.png", "img/a", "img/a.png", "img/a.png.png",
                                        "img/b.png"}),
              paths(table));
}

} // namespace
} // namespace quillery
