// Pictures fitted for a build: the scratch image folder of a markup source, and books built from markup and
// Markdown sources with pictures the device could not show as they are.
#include "cli/cli_runner.h"
#include "picture_fixtures.h"
#include "pictures/fitted_image_folder.h"
#include "pictures/picture_as_is.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::CliRun;
using test::runCli;

test::PngImage rgbPng(uint32_t width, uint32_t height) {
    test::PngImage picture;
    picture.width = width;
    picture.height = height;
    picture.colourType = PNG_COLOR_TYPE_RGB;
    picture.rows = test::noiseRows(picture);
    return picture;
}

std::string greyPng(uint32_t width, uint32_t height) {
    test::PngImage picture;
    picture.width = width;
    picture.height = height;
    picture.rows = test::noiseRows(picture);
    return test::encodePng(picture);
}

TEST(FittedImageFolderTest, FitsEveryPngNamedPictureAndLeavesTheAuthorsFolderAlone) {
    test::ScratchDir dir;
    std::string folder = dir.file("book_img");
    std::filesystem::create_directories(folder + "/sub");
    test::writeFile(folder + "/wide.png", test::encodePng(rgbPng(300, 100)));
    std::string ready = greyPng(20, 10);
    test::writeFile(folder + "/ready.png", ready);
    test::writeFile(folder + "/photo.PNG", test::encodeJpeg(test::rampPicture(90, 60)));
    test::writeFile(folder + "/sub/deep.png", test::encodePng(rgbPng(10, 10)));
    test::writeFile(folder + "/junk.png", "not a picture");
    // A picture made for the page is the author's choice; one pixel wider is fitted.
    std::string page = greyPng(158, 148);
    test::writeFile(folder + "/page.png", page);
    test::writeFile(folder + "/over.png", greyPng(159, 10));
    test::writeFile(folder + "/notes.txt", "notes");
    std::string scratch;
    {
        pictures::FittedImageFolder fitted;
        ASSERT_FALSE(failed(fitted.prepare(folder, pictures::PictureColors::Grey)));
        scratch = fitted.folder();
        ASSERT_FALSE(scratch.empty());
        EXPECT_EQ(ready, test::readFile(scratch + "/ready.png"));
        EXPECT_EQ("not a picture", test::readFile(scratch + "/junk.png"));
        EXPECT_EQ(page, test::readFile(scratch + "/page.png"));
        std::optional<test::PngImage> over = test::decodePng(test::readFile(scratch + "/over.png"));
        ASSERT_TRUE(over);
        EXPECT_EQ(150u, over->width);
        EXPECT_EQ(9u, over->height);
        EXPECT_FALSE(test::fileExists(scratch + "/notes.txt"));
        for (const char* name : {"wide.png", "photo.PNG", "sub/deep.png"}) {
            EXPECT_TRUE(pictures::takenAsIs(scratch + "/" + name)) << name;
        }
        std::optional<test::PngImage> wide = test::decodePng(test::readFile(scratch + "/wide.png"));
        ASSERT_TRUE(wide);
        EXPECT_EQ(150u, wide->width);
        EXPECT_EQ(50u, wide->height);
    }
    EXPECT_FALSE(std::filesystem::exists(scratch));
    EXPECT_FALSE(pictures::takenAsIs(folder + "/wide.png")); // the author's file is as it was
    EXPECT_EQ(9, std::distance(std::filesystem::recursive_directory_iterator(folder),
                               std::filesystem::recursive_directory_iterator()));

    pictures::FittedImageFolder none;
    ASSERT_FALSE(failed(none.prepare(dir.file("missing_img"), pictures::PictureColors::Grey)));
    EXPECT_TRUE(none.folder().empty());
}

TEST(FitImagesCliTest, AMarkupSourceWithAnRgbPictureBuildsOnlyWithFitImages) {
    test::ScratchDir dir;
    test::writeFile(dir.file("book.tml"), "TITLE=\"Pictures\"\nA photo: \\m=\"photo.png\" done.\n");
    std::filesystem::create_directories(dir.file("book_img"));
    std::string photo = test::encodePng(rgbPng(300, 200));
    test::writeFile(dir.file("book_img/photo.png"), photo);

    CliRun run = runCli("'" + dir.file("book.tml") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos,
              run.err.find("The file \"photo.png\" must be an 8-bit color image or a grayscale image."))
        << run.err;
    EXPECT_FALSE(test::fileExists(dir.file("book.tdb")));

    run = runCli("--fit-images '" + dir.file("book.tml") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    CliRun inspect = runCli("--inspect '" + dir.file("book.tdb") + "'");
    EXPECT_NE(std::string::npos, inspect.out.find("\"photo.png\" 150x100")) << inspect.out;
    EXPECT_EQ(photo, test::readFile(dir.file("book_img/photo.png")));
    EXPECT_EQ((std::vector<std::string>{"book.tdb", "book.tml", "book_img"}), dir.entries());

    run = runCli("--fit-images --color-images -o '" + dir.file("colour.tdb") + "' '" + dir.file("book.tml") +
                 "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(test::readFile(dir.file("book.tdb")), test::readFile(dir.file("colour.tdb")));
}

TEST(FitImagesCliTest, AMarkdownBookWithAJpegBuilds) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.md"), "---\ntitle: Story\n---\n# One\n\n![a photo](photo.jpg)\n");
    test::writeFile(dir.file("photo.jpg"), test::encodeJpeg(test::rampPicture(800, 600)));
    CliRun run = runCli("'" + dir.file("story.md") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    CliRun inspect = runCli("--inspect '" + dir.file("story.tdb") + "'");
    EXPECT_NE(std::string::npos, inspect.out.find("\"photo.png\" 150x113")) << inspect.out;

    // --emit-tml writes the fitted picture into the generated image folder; --color-images makes it a
    // palette.
    run = runCli("--emit-tml --color-images '" + dir.file("story.md") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    std::optional<test::PngImage> emitted = test::decodePng(test::readFile(dir.file("story_img/photo.png")));
    ASSERT_TRUE(emitted);
    EXPECT_EQ(PNG_COLOR_TYPE_PALETTE, emitted->colourType);
    EXPECT_EQ(150u, emitted->width);

    // What cannot be read as a picture is an error at its line, with the reason.
    test::writeFile(dir.file("photo.jpg"), "\xFF\xD8\xFF garbage");
    run = runCli("'" + dir.file("story.md") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos,
              run.err.find(":6:1: error: The image \"photo.jpg\" could not be read: the picture "
                           "is damaged: "))
        << run.err;
}

} // namespace
} // namespace quillery
