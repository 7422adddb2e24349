#include "markup/image_file_check.h"
#include "png_fixture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

namespace quillery {
namespace {

class ImageFileCheckTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(0, ::mkdir(folder.c_str(), 0777)); }

    void writeImage(const std::string& name, uint32_t width, uint32_t height, int colourType = 3) {
        test::writeFile(folder + "/" + name,
                        test::pngFromChunks({{"IHDR", test::ihdrData(width, height, 8, colourType)}}));
    }

    test::ScratchDir dir;
    std::string folder = dir.file("book_img");
    test::ReportCollector reports;
};

TEST(PngExtensionTest, OnlyTheTextAfterTheLastDotCountsAndCaseDoesNot) {
    EXPECT_TRUE(hasPngExtension("pic.png"));
    EXPECT_TRUE(hasPngExtension("pic.PNG"));
    EXPECT_TRUE(hasPngExtension("pic.pNg"));
    EXPECT_TRUE(hasPngExtension("my.old.png"));
    EXPECT_TRUE(hasPngExtension(".png"));
    EXPECT_FALSE(hasPngExtension("pic.png.bak"));
    EXPECT_FALSE(hasPngExtension("picpng"));
    EXPECT_FALSE(hasPngExtension("png"));
    EXPECT_FALSE(hasPngExtension("pic.pngx"));
    EXPECT_FALSE(hasPngExtension("pic.pn"));
    EXPECT_FALSE(hasPngExtension(""));
    EXPECT_FALSE(hasPngExtension("pic.p\xCEg"));
}

TEST_F(ImageFileCheckTest, AnExistingPngGivesItsPathAndSize) {
    writeImage("pic.PNG", 200, 40);
    ImageSize size;
    ImageFileCheck check = checkImageFile("pic.PNG", folder, size, FirstPassMessages::Print);
    EXPECT_FALSE(check.failed);
    EXPECT_TRUE(check.pngName);
    EXPECT_EQ(folder + "/pic.PNG", check.fullPath);
    EXPECT_EQ(200, size.width);
    EXPECT_EQ(40, size.height);
    EXPECT_TRUE(reports.lines().empty());
}

TEST_F(ImageFileCheckTest, AWrongExtensionFailsWithoutTouchingTheSize) {
    writeImage("pic.png.bak", 10, 10);
    for (const char* name : {"pic.png.bak", "picture"}) {
        reports.clear();
        ImageSize size{7, 9};
        ImageFileCheck check = checkImageFile(name, folder, size, FirstPassMessages::Print);
        EXPECT_TRUE(check.failed);
        EXPECT_FALSE(check.pngName);
        EXPECT_EQ("", check.fullPath);
        EXPECT_EQ(7, size.width);
        EXPECT_EQ(9, size.height);
        EXPECT_EQ(
            (std::vector<std::string>{std::string("E Image file \"") + name + "\" doesn't end with .png!"}),
            reports.lines());
        // In the second pass the error still counts but is not printed.
        reports.clear();
        EXPECT_TRUE(checkImageFile(name, folder, size, FirstPassMessages::Skip).failed);
        EXPECT_TRUE(reports.lines().empty());
    }
}

TEST_F(ImageFileCheckTest, NamesThatLeaveTheImageFolderAreRefusedUnread) {
    // Real PNG files outside the folder: none of them may be looked at.
    test::writeFile(dir.file("secret.png"), test::pngFromChunks({{"IHDR", test::ihdrData(5, 5, 8, 3)}}));
    writeImage("inside.png", 3, 3);
    const std::vector<std::string> names = {"../secret.png",        dir.file("secret.png"),
                                            "sub/../../secret.png", "../book_img/inside.png",
                                            "..//secret.png",       "/" + dir.file("secret.png")};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        reports.clear();
        ImageSize size{7, 9};
        ImageFileCheck check = checkImageFile(name, folder, size, FirstPassMessages::Print);
        EXPECT_TRUE(check.failed);
        EXPECT_FALSE(check.pngName);
        EXPECT_EQ("", check.fullPath);
        EXPECT_EQ(7, size.width);
        EXPECT_EQ(9, size.height);
        EXPECT_EQ((std::vector<std::string>{"E Image name \"" + name +
                                            "\" must name a file inside the image folder."}),
                  reports.lines());
        reports.clear();
        EXPECT_TRUE(checkImageFile(name, folder, size, FirstPassMessages::Skip).failed);
        EXPECT_TRUE(reports.lines().empty());
    }
    // The .png rule comes first; dots that are no ".." component are ordinary names.
    EXPECT_TRUE(
        checkImageFile("../secret.txt", folder, *std::make_unique<ImageSize>(), FirstPassMessages::Print)
            .failed);
    EXPECT_EQ((std::vector<std::string>{"E Image file \"../secret.txt\" doesn't end with .png!"}),
              reports.lines());
    EXPECT_FALSE(leavesImageFolder("..png"));
    EXPECT_FALSE(leavesImageFolder("a..b/c.png"));
    EXPECT_FALSE(leavesImageFolder("sub/./pic.png"));
    EXPECT_FALSE(leavesImageFolder(".../pic.png"));
    EXPECT_TRUE(leavesImageFolder("sub/.."));
    EXPECT_TRUE(leavesImageFolder(".."));
}

TEST_F(ImageFileCheckTest, AMissingImageCountsAs16By16) {
    ImageSize size;
    ImageFileCheck check = checkImageFile("gone.png", folder, size, FirstPassMessages::Print);
    EXPECT_TRUE(check.failed);
    EXPECT_TRUE(check.pngName);
    EXPECT_EQ(folder + "/gone.png", check.fullPath);
    EXPECT_EQ(16, size.width);
    EXPECT_EQ(16, size.height);
    EXPECT_EQ((std::vector<std::string>{"E Image \"gone.png\" doesn't exist!"}), reports.lines());
    reports.clear();
    EXPECT_TRUE(checkImageFile("gone.png", folder, size, FirstPassMessages::Skip).failed);
    EXPECT_TRUE(reports.lines().empty());
}

TEST_F(ImageFileCheckTest, HeaderErrorsArePrintedInEveryPass) {
    writeImage("rgb.png", 10, 10, 2);
    ASSERT_EQ(0, ::mkdir((folder + "/dir.png").c_str(), 0777));
    for (FirstPassMessages messages : {FirstPassMessages::Print, FirstPassMessages::Skip}) {
        reports.clear();
        ImageSize size;
        EXPECT_TRUE(checkImageFile("rgb.png", folder, size, messages).failed);
        EXPECT_EQ(0, size.width);
        EXPECT_TRUE(checkImageFile("dir.png", folder, size, messages).failed);
        EXPECT_EQ((std::vector<std::string>{"E Unrecognized PNG color type for " + folder + "/rgb.png",
                                            "E Failed to open PNG file " + folder + "/dir.png\n"}),
                  reports.lines());
    }
}

TEST_F(ImageFileCheckTest, AnOverlongNameIsCheckedAndReportedWhole) {
    std::string name = std::string(600, 'n') + ".jpg";
    ImageSize size;
    EXPECT_TRUE(checkImageFile(name, folder, size, FirstPassMessages::Print).failed);
    ASSERT_EQ(1u, reports.lines().size());
    // Cut to the report limit, never past it.
    EXPECT_EQ(511u, reports.reports()[0].text.size());
    EXPECT_EQ("Image file \"nnn", reports.reports()[0].text.substr(0, 15));
}

} // namespace
} // namespace quillery
