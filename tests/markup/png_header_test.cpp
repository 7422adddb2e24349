#include "markup/png_header.h"
#include "png_fixture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillery {
namespace {

// The first 26 bytes of a PNG: signature, IHDR length and type, width, height, bit depth, colour type.
std::string header(uint32_t width, uint32_t height, int colourType, int bitDepth = 8) {
    return test::pngFromChunks({{"IHDR", test::ihdrData(width, height, bitDepth, colourType)}}).substr(0, 26);
}

class PngHeaderTest : public ::testing::Test {
  protected:
    // Reads `bytes` written to a file; the size starts as 7 by 9 so that clearing it shows.
    Verdict readBytes(const std::string& bytes, ImageSize& size) {
        test::writeFile(path, bytes);
        size = {7, 9};
        return readPngHeader(path, size);
    }

    test::ScratchDir dir;
    std::string path = dir.file("pic.png");
    test::ReportCollector reports;
};

TEST_F(PngHeaderTest, ReadsGreyAndPaletteSizesKeepingTheLow16Bits) {
    ImageSize size;
    EXPECT_EQ(Verdict::Ok, readBytes(header(200, 48, 0), size));
    EXPECT_EQ(200, size.width);
    EXPECT_EQ(48, size.height);
    EXPECT_EQ(Verdict::Ok, readBytes(header(0x12345, 0xABCDEF01, 3, 4) + "rest of the file", size));
    EXPECT_EQ(0x2345, size.width);
    EXPECT_EQ(0xEF01, size.height);
    EXPECT_TRUE(reports.lines().empty());
}

TEST_F(PngHeaderTest, EachFaultGivesItsMessageAndASizeOfZero) {
    std::string good = header(20, 30, 0);
    std::string badSignature = good;
    badSignature[1] = 'Q';
    std::string noHeader = good;
    noHeader.replace(12, 4, "IDAT");
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"", "E PNG file " + path + " appears to be empty\n"},
        {badSignature, "E Bad PNG signature for " + path},
        {"GIF89a and more than twenty-six bytes", "E Bad PNG signature for " + path},
        {noHeader, "E Couldn't find PNG header for " + path},
        {header(20, 30, 2), "E Unrecognized PNG color type for " + path},
        {header(20, 30, 4), "E Unrecognized PNG color type for " + path},
        {header(20, 30, 6, 16), "E Unrecognized PNG color type for " + path},
        // Short files read with zeros in place of the missing bytes.
        {good.substr(0, 1), "E Bad PNG signature for " + path},
        {good.substr(0, 10), "E Couldn't find PNG header for " + path},
    };
    for (const Case& c : cases) {
        reports.clear();
        ImageSize size;
        EXPECT_EQ(Verdict::Failed, readBytes(c.bytes, size)) << c.message;
        EXPECT_EQ(0, size.width);
        EXPECT_EQ(0, size.height);
        EXPECT_EQ((std::vector<std::string>{c.message}), reports.lines());
    }
}

TEST_F(PngHeaderTest, MissingBytesOfAShortFileReadAsZero) {
    // 25 bytes: the colour type is missing and counts as 0, grey scale.
    ImageSize size;
    EXPECT_EQ(Verdict::Ok, readBytes(header(21, 22, 6).substr(0, 25), size));
    EXPECT_EQ(21, size.width);
    EXPECT_EQ(22, size.height);
    // 18 bytes: the width's low half and the height are zero.
    EXPECT_EQ(Verdict::Ok, readBytes(header(0x10203, 22, 0).substr(0, 18), size));
    EXPECT_EQ(0, size.width);
    EXPECT_EQ(0, size.height);
    EXPECT_TRUE(reports.lines().empty());
}

TEST_F(PngHeaderTest, WhatIsNotARegularFileCannotBeOpened) {
    std::string folder = dir.file("folder.png");
    ASSERT_EQ(0, ::mkdir(folder.c_str(), 0777));
    std::string fifo = dir.file("fifo.png");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0666));
    std::string missing = dir.file("missing.png");
    for (const std::string& target : {folder, fifo, missing}) {
        reports.clear();
        ImageSize size{5, 5};
        EXPECT_EQ(Verdict::Failed, readPngHeader(target, size));
        EXPECT_EQ(0, size.width);
        EXPECT_EQ((std::vector<std::string>{"E Failed to open PNG file " + target + "\n"}), reports.lines());
    }
}

} // namespace
} // namespace quillery
