#include "framework/file_service.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace quillery {
namespace {

TEST(FullPathTest, DropsDotsAndRepeatedSeparatorsButKeepsParentSteps) {
    EXPECT_EQ("/a/b/c.tml", fullPathOf("/a//./b/c.tml"));
    EXPECT_EQ("/a/link/../x.tdb", fullPathOf("/a/link/../x.tdb"));
    EXPECT_EQ("/a/b", fullPathOf("/a/b/"));
    EXPECT_EQ("/", fullPathOf("/./"));
    EXPECT_EQ("/..", fullPathOf("/.."));
    EXPECT_EQ("", fullPathOf(""));
    std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(here + "/link/../x.tdb", fullPathOf("./link/../x.tdb"));
    EXPECT_EQ(here + "/s.tml", fullPathOf("s.tml"));
}

TEST(FullPathTest, EveryOperationUsesTheFullPath) {
    FileService file("dir/./sub//tale.tml");
    std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(here + "/dir/sub/tale.tml", file.path());
    EXPECT_EQ(file.path(), file.fullPath());
    EXPECT_EQ("tale.tml", file.fileName());
    EXPECT_EQ(here + "/dir/sub", file.parentFolder());
    EXPECT_TRUE(file.isSameFile(FileService(here + "/dir/sub/tale.tml")));
    EXPECT_FALSE(file.isSameFile(FileService("dir/tale.tml")));
}

// "link/.." is where the system goes from the link's target, not the folder holding the link.
TEST(FullPathTest, ParentStepsBehindALinkNameTheFileTheSystemOpens) {
    test::ScratchDir dir;
    std::filesystem::create_directories(dir.file("real/sub"));
    ASSERT_EQ(0, ::symlink(dir.file("real/sub").c_str(), dir.file("link").c_str()));
    test::writeFile(dir.file("real/x.tdb"), "real");
    test::writeFile(dir.file("x.tdb"), "beside the link");
    FileService viaLink(dir.file("link/../x.tdb"));
    EXPECT_TRUE(viaLink.isSameFile(FileService(dir.file("real/x.tdb"))));
    EXPECT_FALSE(viaLink.isSameFile(FileService(dir.file("x.tdb"))));
    ASSERT_EQ(0, viaLink.open(FileService::Mode::Read));
    char bytes[4] = {};
    size_t done = 0;
    ASSERT_EQ(0, viaLink.read(bytes, sizeof bytes, &done));
    EXPECT_EQ("real", std::string(bytes, done));
}

TEST(FullPathTest, LiesInsideFollowsTheFoldersOnDisk) {
    test::ScratchDir dir;
    std::filesystem::create_directories(dir.file("s_img/deep"));
    std::filesystem::create_directories(dir.file("other"));
    ASSERT_EQ(0, ::symlink(dir.file("s_img/deep").c_str(), dir.file("into").c_str()));
    FileService images(dir.file("s_img"));
    EXPECT_TRUE(FileService(dir.file("s_img/pic.png")).liesInside(images));
    EXPECT_TRUE(FileService(dir.file("s_img/deep/pic.png")).liesInside(images));
    EXPECT_TRUE(FileService(dir.file("into/x.tdb")).liesInside(images));
    EXPECT_TRUE(FileService(dir.file("into/../x.tdb")).liesInside(images));
    EXPECT_FALSE(FileService(dir.file("s.tdb")).liesInside(images));
    EXPECT_FALSE(FileService(dir.file("other/s.tdb")).liesInside(images));
    EXPECT_FALSE(FileService(dir.file("s_img")).liesInside(images));
    EXPECT_FALSE(FileService(dir.file("s.tdb")).liesInside(FileService(dir.file("missing_img"))));
}

} // namespace
} // namespace quillery
