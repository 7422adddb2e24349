// The three decoders: every colour form they meet comes out as RGB over white, and hostile streams are
// refused with a one-line reason instead of crashing or reading past their end.
#include "picture_fixtures.h"
#include "pictures/gif_decoder.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/png_decoder.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using pictures::Raster;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb pixelAt(const Raster& raster, int x, int y) {
    const uint8_t* p = raster.row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

void PrintTo(const Rgb& c, std::ostream* out) {
    *out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

Raster decodedPng(const test::PngImage& image) {
    Raster raster;
    std::string error;
    EXPECT_FALSE(failed(pictures::decodePng(test::encodePng(image), raster, error))) << error;
    return raster;
}

TEST(PngDecoderTest, EveryColourTypeComesOutAsRgbOverWhite) {
    test::PngImage greyAlpha;
    greyAlpha.width = 3;
    greyAlpha.height = 1;
    greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.rows = {{0, 0, 0, 255, 100, 128}}; // clear black, opaque black, half-covered grey
    Raster raster = decodedPng(greyAlpha);
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(raster, 0, 0));
    EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(raster, 1, 0));
    EXPECT_EQ((Rgb{177, 177, 177}), pixelAt(raster, 2, 0)); // (100 x 128 + 255 x 127) / 255

    test::PngImage rgba;
    rgba.width = 2;
    rgba.height = 1;
    rgba.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    rgba.rows = {{255, 0, 0, 255, 0, 0, 255, 0}};
    raster = decodedPng(rgba);
    EXPECT_EQ((Rgb{255, 0, 0}), pixelAt(raster, 0, 0));
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(raster, 1, 0));

    test::PngImage rgb16;
    rgb16.width = 1;
    rgb16.height = 1;
    rgb16.bitDepth = 16;
    rgb16.colourType = PNG_COLOR_TYPE_RGB;
    rgb16.rows = {{0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00}};
    raster = decodedPng(rgb16);
    EXPECT_EQ((Rgb{255, 128, 0}), pixelAt(raster, 0, 0));

    test::PngImage palette;
    palette.width = 4;
    palette.height = 1;
    palette.bitDepth = 2;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {10, 20, 30}};
    palette.transparency = {0}; // entry 0 clear, the others opaque
    palette.rows = {{0b00011011}};
    raster = decodedPng(palette);
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(raster, 0, 0));
    EXPECT_EQ((Rgb{255, 0, 0}), pixelAt(raster, 1, 0));
    EXPECT_EQ((Rgb{0, 0, 255}), pixelAt(raster, 2, 0));
    EXPECT_EQ((Rgb{10, 20, 30}), pixelAt(raster, 3, 0));

    test::PngImage oneBit;
    oneBit.width = 3;
    oneBit.height = 1;
    oneBit.bitDepth = 1;
    oneBit.rows = {{0b10100000}};
    raster = decodedPng(oneBit);
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(raster, 0, 0));
    EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(raster, 1, 0));
}

TEST(PngDecoderTest, InterlacedPicturesReadLikePlainOnes) {
    test::PngImage plain;
    plain.width = 13;
    plain.height = 11;
    plain.colourType = PNG_COLOR_TYPE_RGB;
    plain.rows = test::noiseRows(plain, 7);
    test::PngImage interlaced = plain;
    interlaced.interlaced = true;
    Raster a = decodedPng(plain), b = decodedPng(interlaced);
    ASSERT_EQ(13, b.width());
    ASSERT_EQ(11, b.height());
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) {
            ASSERT_EQ(pixelAt(a, x, y), pixelAt(b, x, y)) << x << "," << y;
        }
    }
}

TEST(JpegDecoderTest, ColourAndGreyStreamsDecodeCloseToTheirPixels) {
    Raster raster;
    std::string error;
    ASSERT_FALSE(failed(pictures::decodeJpeg(test::encodeJpeg(test::plainPicture(16, 8, 200, 40, 60)), 150,
                                             148, raster, error)))
        << error;
    ASSERT_EQ(16, raster.width());
    ASSERT_EQ(8, raster.height());
    Rgb centre = pixelAt(raster, 8, 4);
    EXPECT_NEAR(200, centre.r, 3);
    EXPECT_NEAR(40, centre.g, 3);
    EXPECT_NEAR(60, centre.b, 3);

    ASSERT_FALSE(failed(pictures::decodeJpeg(test::encodeJpeg(test::plainPicture(9, 9, 90, 90, 90), true),
                                             150, 148, raster, error)));
    Rgb grey = pixelAt(raster, 4, 4);
    EXPECT_NEAR(90, grey.r, 2);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.r, grey.b);
}

TEST(JpegDecoderTest, CmykStreamsComeOutAsRgb) {
    // Inverted CMYK, as Adobe writes it: no cyan or black, full magenta and yellow is red; full black ink on
    // the right half.
    test::RgbPicture cmyk{16, 8, {}};
    for (int i = 0; i < 16 * 8; ++i) {
        bool right = i % 16 >= 8;
        cmyk.pixels.insert(cmyk.pixels.end(), {255, 0, 0, static_cast<uint8_t>(right ? 0 : 255)});
    }
    Raster raster;
    std::string error;
    ASSERT_FALSE(failed(pictures::decodeJpeg(test::encodeJpeg(cmyk), 150, 148, raster, error))) << error;
    ASSERT_EQ(16, raster.width());
    Rgb red = pixelAt(raster, 2, 4), black = pixelAt(raster, 13, 4);
    EXPECT_NEAR(255, red.r, 4);
    EXPECT_NEAR(0, red.g, 4);
    EXPECT_NEAR(0, red.b, 4);
    EXPECT_NEAR(0, black.r, 4);
    EXPECT_NEAR(0, black.g, 4);
}

TEST(JpegDecoderTest, LargePicturesAreDecodedAtAReducedScaleThatStillCoversThePage) {
    std::string stream = test::encodeJpeg(test::rampPicture(1600, 1200), false, true, 80);
    Raster raster;
    std::string error;
    ASSERT_FALSE(failed(pictures::decodeJpeg(stream, 150, 148, raster, error))) << error;
    // 1/8 gives 200 x 150, which covers 150 x 148; nothing smaller is offered.
    EXPECT_EQ(200, raster.width());
    EXPECT_EQ(150, raster.height());
    // 1/4 still covers 400 x 300, 1/8 does not.
    ASSERT_FALSE(failed(pictures::decodeJpeg(stream, 400, 300, raster, error)));
    EXPECT_EQ(400, raster.width());
}

TEST(JpegDecoderTest, AStreamCutShortDecodesTheSameWayEveryTime) {
    std::string stream = test::encodeJpeg(test::rampPicture(64, 64));
    std::string cut = stream.substr(0, stream.size() * 6 / 10);
    Raster first, second;
    std::string error;
    ASSERT_FALSE(failed(pictures::decodeJpeg(cut, 150, 148, first, error))) << error;
    ASSERT_FALSE(failed(pictures::decodeJpeg(cut, 150, 148, second, error)));
    ASSERT_EQ(64, first.height());
    EXPECT_EQ(0, std::memcmp(first.row(0), second.row(0), 64 * 64 * 3));
}

test::GifPicture fourColourGif(int width, int height) {
    test::GifPicture gif;
    gif.screenWidth = gif.width = width;
    gif.screenHeight = gif.height = height;
    gif.colours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            gif.indices.push_back(static_cast<uint8_t>((x + y) % 4));
        }
    }
    return gif;
}

TEST(GifDecoderTest, TransparencyInterlacingAndFramePlacement) {
    test::GifPicture gif = fourColourGif(5, 11);
    gif.transparent = 2;
    gif.interlaced = true;
    Raster raster;
    std::string error;
    ASSERT_FALSE(failed(pictures::decodeGif(test::encodeGif(gif), raster, error))) << error;
    ASSERT_EQ(5, raster.width());
    ASSERT_EQ(11, raster.height());
    const Rgb expected[] = {{0, 0, 0}, {255, 0, 0}, {255, 255, 255}, {0, 0, 255}};
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 5; ++x) {
            ASSERT_EQ(expected[(x + y) % 4], pixelAt(raster, x, y)) << x << "," << y;
        }
    }

    // A frame inside a larger screen lies at its place, white around it.
    test::GifPicture placed = fourColourGif(2, 2);
    placed.screenWidth = 6;
    placed.screenHeight = 4;
    placed.left = 3;
    placed.top = 1;
    ASSERT_FALSE(failed(pictures::decodeGif(test::encodeGif(placed), raster, error))) << error;
    ASSERT_EQ(6, raster.width());
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(raster, 0, 0));
    EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(raster, 3, 1));
    EXPECT_EQ((Rgb{255, 0, 0}), pixelAt(raster, 4, 1));

    // A frame that leaves the screen is taken alone.
    placed.left = 5;
    ASSERT_FALSE(failed(pictures::decodeGif(test::encodeGif(placed), raster, error))) << error;
    EXPECT_EQ(2, raster.width());
    EXPECT_EQ(2, raster.height());
}

// A stream with only a signature and an IHDR chunk for the given size.
std::string pngHeaderOnly(uint32_t width, uint32_t height) {
    std::string header;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(static_cast<char>(value >> shift));
        }
    }
    header += std::string("\x08\x02\x00\x00\x00", 5);
    return test::pngFromChunks({{"IHDR", header}});
}

TEST(PictureDecodersTest, HostileStreamsAreRefusedWithAReason) {
    test::PngImage good;
    good.width = 20;
    good.height = 20;
    good.colourType = PNG_COLOR_TYPE_RGB;
    good.rows = test::noiseRows(good);
    std::string png = test::encodePng(good);
    std::string jpeg = test::encodeJpeg(test::rampPicture(20, 20));
    std::string gif = test::encodeGif(fourColourGif(20, 20));
    // A JPEG whose frame header claims 65000 x 65000 pixels: too many even at 1/8.
    std::string hugeJpeg = jpeg;
    size_t sof = hugeJpeg.find("\xFF\xC0");
    ASSERT_NE(std::string::npos, sof);
    hugeJpeg.replace(sof + 5, 4, "\xFD\xE8\xFD\xE8");
    test::GifPicture hugeScreen = fourColourGif(2, 2);
    hugeScreen.screenWidth = hugeScreen.screenHeight = 20000;

    struct Case {
        const char* name;
        std::string bytes;
        Verdict (*decode)(std::string_view, Raster&, std::string&);
        std::string reason; // the whole reason, or its start when it ends with ':'
    };
    auto jpegAt = [](std::string_view bytes, Raster& raster, std::string& error) {
        return pictures::decodeJpeg(bytes, 150, 148, raster, error);
    };
    std::vector<Case> cases = {
        {"png truncated", png.substr(0, png.size() / 2), pictures::decodePng,
         "the picture is damaged: the file ends early"},
        {"png signature only", png.substr(0, 8), pictures::decodePng, "the picture is damaged:"},
        {"png huge", pngHeaderOnly(20000, 20000), pictures::decodePng,
         "the picture is too large: 20000 x 20000"},
        {"png many pixels", pngHeaderOnly(16384, 16384), pictures::decodePng,
         "the picture is too large: 16384 x 16384"},
        {"png zero width", pngHeaderOnly(0, 5), pictures::decodePng, "the picture is damaged:"},
        {"jpeg header cut", jpeg.substr(0, 30), jpegAt, "the picture is damaged:"},
        {"jpeg huge", hugeJpeg, jpegAt, "the picture is too large: 65000 x 65000"},
        {"gif truncated", gif.substr(0, gif.size() - 12), pictures::decodeGif, "the picture is damaged:"},
        {"gif no frame", gif.substr(0, 13 + 4 * 3) + ";", pictures::decodeGif,
         "the picture is damaged: it holds no picture"},
        {"gif huge", test::encodeGif(hugeScreen), pictures::decodeGif,
         "the picture is too large: 20000 x 20000"},
        {"gif empty", "", pictures::decodeGif, "the picture is damaged:"},
    };
    for (const Case& c : cases) {
        Raster raster;
        std::string error;
        EXPECT_TRUE(failed(c.decode(c.bytes, raster, error))) << c.name;
        if (c.reason.back() == ':') {
            EXPECT_EQ(0u, error.rfind(c.reason, 0)) << c.name << ": " << error;
        } else {
            EXPECT_EQ(c.reason, error) << c.name;
        }
        EXPECT_EQ(std::string::npos, error.find('\n')) << c.name;
    }
}

} // namespace
} // namespace quillery
