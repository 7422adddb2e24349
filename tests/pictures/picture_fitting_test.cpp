// Fitting pictures to the page: the size arithmetic, the area filter, and the PNG streams that come out,
// which the build must take as they are.
#include "picture_fixtures.h"
#include "pictures/area_scaler.h"
#include "pictures/picture_as_is.h"
#include "pictures/picture_fitting.h"

#include <gtest/gtest.h>
#include <set>

namespace quillery {
namespace {

using pictures::FittedPicture;
using pictures::PictureColors;
using pictures::PictureSize;

TEST(FittedSizeTest, KeepsTheAspectRatioWithinThePageAndNeverScalesUp) {
    struct Case {
        int64_t width, height;
        int fittedWidth, fittedHeight;
    };
    const Case cases[] = {
        {300, 100, 150, 50},                            // wide: the width decides
        {100, 400, 37, 148},                            // tall: the height decides (37.0)
        {150, 148, 150, 148},                           // exactly the page
        {151, 148, 150, 147},                           // one pixel too wide (147.02)
        {10, 10, 10, 10},                               // small: never scaled up
        {1, 1, 1, 1},           {16384, 1, 150, 1},     // a line stays one pixel high
        {1, 16384, 1, 148},     {4000, 3000, 150, 113}, // 112.5 rounds up
        {3000, 4000, 111, 148},
    };
    for (const Case& c : cases) {
        PictureSize size = pictures::fittedSize(c.width, c.height, 150, 148);
        EXPECT_EQ(c.fittedWidth, size.width) << c.width << "x" << c.height;
        EXPECT_EQ(c.fittedHeight, size.height) << c.width << "x" << c.height;
    }
}

pictures::Raster rasterOf(int width, int height, std::initializer_list<uint8_t> pixels) {
    pictures::Raster raster;
    EXPECT_TRUE(raster.allocate(width, height));
    std::copy(pixels.begin(), pixels.end(), raster.row(0));
    return raster;
}

TEST(AreaScalerTest, EveryTargetPixelIsTheMeanOfItsExactFootprint) {
    // Three pixels onto two: 2/3 + 1/3 of a pixel each.
    pictures::Raster row = rasterOf(3, 1, {0, 0, 0, 90, 90, 90, 255, 255, 255});
    pictures::Raster scaled;
    ASSERT_TRUE(pictures::scaleDown(row, 2, 1, scaled));
    EXPECT_EQ(30, scaled.row(0)[0]);  // (0 x 2 + 90) / 3
    EXPECT_EQ(200, scaled.row(0)[3]); // (90 + 255 x 2) / 3

    // A checkerboard averages to the middle grey, rounded.
    pictures::Raster board = rasterOf(2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0});
    ASSERT_TRUE(pictures::scaleDown(board, 1, 1, scaled));
    EXPECT_EQ(128, scaled.row(0)[0]);
}

std::string fitted(const std::string& bytes, PictureColors colors, FittedPicture& picture) {
    std::string error;
    EXPECT_FALSE(failed(pictures::fitPicture(bytes, colors, picture, error))) << error;
    return error;
}

// Whether the build takes `png` unchanged (its own header check and conversion).
bool buildTakes(const std::string& png) {
    test::ScratchDir dir;
    test::writeFile(dir.file("p.png"), png);
    return pictures::takenAsIs(dir.file("p.png"));
}

TEST(PictureFittingTest, GreyPicturesAreScaledDownEightBitGreyPngsTheBuildTakes) {
    FittedPicture picture;
    fitted(test::encodeJpeg(test::plainPicture(600, 200, 255, 0, 0)), PictureColors::Grey, picture);
    EXPECT_EQ(150, picture.width);
    EXPECT_EQ(50, picture.height);
    std::optional<test::PngImage> png = test::decodePng(picture.png);
    ASSERT_TRUE(png);
    EXPECT_EQ(PNG_COLOR_TYPE_GRAY, png->colourType);
    EXPECT_EQ(8, png->bitDepth);
    EXPECT_EQ(150u, png->width);
    EXPECT_EQ(50u, png->height);
    EXPECT_NEAR(76, png->rows[25][75], 3); // the luminance of red
    EXPECT_TRUE(buildTakes(picture.png));

    // A small picture keeps its size and its pixels.
    test::PngImage small;
    small.width = 7;
    small.height = 5;
    small.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    small.rows = test::noiseRows(small);
    fitted(test::encodePng(small), PictureColors::Grey, picture);
    png = test::decodePng(picture.png);
    ASSERT_TRUE(png);
    ASSERT_EQ(7u, png->width);
    uint8_t grey = small.rows[2][6], alpha = small.rows[2][7];
    EXPECT_EQ(pictures::overWhite(grey, alpha), png->rows[2][3]);

    // A GIF line as long as a picture may be stays one pixel high.
    test::GifPicture line;
    line.screenWidth = line.width = 16384;
    line.screenHeight = line.height = 1;
    line.colours = {{0, 0, 0}, {255, 255, 255}};
    line.indices.assign(16384, 0);
    fitted(test::encodeGif(line), PictureColors::Grey, picture);
    EXPECT_EQ(150, picture.width);
    EXPECT_EQ(1, picture.height);
    EXPECT_TRUE(buildTakes(picture.png));
}

TEST(PictureFittingTest, ColourPicturesBecomePalettesOfAtMost256ColoursTheSameEveryTime) {
    std::string ramp = test::encodeJpeg(test::rampPicture(400, 300));
    FittedPicture first, second;
    fitted(ramp, PictureColors::Palette, first);
    fitted(ramp, PictureColors::Palette, second);
    EXPECT_EQ(first.png, second.png);
    std::optional<test::PngImage> png = test::decodePng(first.png);
    ASSERT_TRUE(png);
    EXPECT_EQ(PNG_COLOR_TYPE_PALETTE, png->colourType);
    EXPECT_EQ(8, png->bitDepth);
    EXPECT_EQ(150u, png->width);
    EXPECT_EQ(113u, png->height);
    EXPECT_LE(png->palette.size(), 256u);
    EXPECT_GE(png->palette.size(), 200u); // a ramp uses the room it has
    std::set<int> used;
    for (const auto& row : png->rows) {
        for (uint8_t index : row) {
            ASSERT_LT(index, png->palette.size());
            used.insert(index);
        }
    }
    EXPECT_GT(used.size(), 100u);
    EXPECT_TRUE(buildTakes(first.png));

    // The corner colours survive the palette (dithering keeps the mean near them).
    png_color topLeft = png->palette[png->rows[0][0]];
    EXPECT_NEAR(0, topLeft.red, 24);
    EXPECT_NEAR(0, topLeft.green, 24);

    // A picture with few colours keeps them exactly, transparency laid over white.
    test::PngImage few;
    few.width = 4;
    few.height = 1;
    few.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    few.rows = {{255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 9, 0, 255}};
    FittedPicture exact;
    fitted(test::encodePng(few), PictureColors::Palette, exact);
    png = test::decodePng(exact.png);
    ASSERT_TRUE(png);
    ASSERT_EQ(3u, png->palette.size());
    std::vector<std::tuple<int, int, int>> colours;
    for (uint8_t index : png->rows[0]) {
        colours.emplace_back(png->palette[index].red, png->palette[index].green, png->palette[index].blue);
    }
    EXPECT_EQ((std::vector<std::tuple<int, int, int>>{{255, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 9, 0}}),
              colours);
}

TEST(PictureFittingTest, WhatIsNoPictureIsRefusedWithAOneLineReason) {
    FittedPicture picture;
    std::string error;
    for (std::string bytes : {std::string(), std::string("plain text"), std::string("\xFF\xD8", 2),
                              std::string("BM\x36\x00\x00\x00", 6)}) {
        EXPECT_TRUE(failed(pictures::fitPicture(bytes, PictureColors::Grey, picture, error)));
        EXPECT_EQ("not a JPEG, PNG or GIF picture", error);
    }
    EXPECT_TRUE(picture.png.empty());
}

} // namespace
} // namespace quillery
