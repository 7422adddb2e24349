#include "png_fixture.h"
#include "tdb/image_conversion.h"
#include "tdb/image_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillery {
namespace {

using test::PngImage;

PngImage paletteImage(int bitDepth, uint32_t width, uint32_t height) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.bitDepth = bitDepth;
    image.colourType = PNG_COLOR_TYPE_PALETTE;
    int colours = 1 << bitDepth;
    for (int i = 0; i < colours; ++i) {
        image.palette.push_back(
            {static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 7)});
    }
    image.transparency = {0, 128};
    image.comments = {"drawn by the test"};
    // Every index within the palette.
    image.rows = test::noiseRows(image, static_cast<uint32_t>(bitDepth));
    if (bitDepth == 8) {
        for (auto& row : image.rows) {
            for (auto& index : row) {
                index = static_cast<uint8_t>(index % colours);
            }
        }
    }
    return image;
}

PngImage greyImage(int bitDepth, uint32_t width, uint32_t height, bool interlaced = false) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.bitDepth = bitDepth;
    image.colourType = PNG_COLOR_TYPE_GRAY;
    image.interlaced = interlaced;
    image.rows = test::noiseRows(image, 7);
    return image;
}

// The rows without the padding bits after the last pixel, which a PNG encoder need not keep.
std::vector<std::vector<uint8_t>> pixelRows(const PngImage& image) {
    std::vector<std::vector<uint8_t>> rows = image.rows;
    int usedBits = static_cast<int>((size_t{image.width} * static_cast<size_t>(image.bitDepth)) % 8);
    if (usedBits != 0) {
        for (auto& row : rows) {
            row.back() = static_cast<uint8_t>(row.back() & (0xFF00 >> usedBits));
        }
    }
    return rows;
}

class ImageConversionTest : public ::testing::Test {
  protected:
    std::string writeImage(const std::string& name, const std::string& bytes) {
        std::string path = dir.file(name);
        test::writeFile(path, bytes);
        return path;
    }

    ImageConversion convert(const std::string& path) {
        FileService file(path);
        EXPECT_EQ(0, file.open(FileService::Mode::Read));
        return convertImage(file, data);
    }

    // Converts the image and returns the stream it appended (empty on failure).
    std::string converted(const PngImage& image) {
        std::string input = test::encodePng(image);
        EXPECT_FALSE(input.empty());
        size_t before = data.byteLength();
        ImageConversion conversion = convert(writeImage("in.png", input));
        EXPECT_EQ(ImageConversionResult::Converted, conversion.result);
        EXPECT_EQ(data.byteLength() - before, conversion.appendedBytes);
        return std::string(reinterpret_cast<const char*>(data.data()) + before, conversion.appendedBytes);
    }

    // The stream has IHDR, PLTE when `palette`, one or more IDAT and IEND, each with its right CRC, and every
    // row filtered with None.
    void expectLeanStream(const std::string& stream, const PngImage& image, bool palette) {
        auto chunks = test::pngChunks(stream);
        ASSERT_TRUE(chunks.has_value());
        std::vector<std::string> types;
        std::string idat;
        for (const auto& chunk : *chunks) {
            EXPECT_TRUE(chunk.crcMatches) << chunk.type;
            if (types.empty() || types.back() != chunk.type) {
                types.push_back(chunk.type);
            }
            if (chunk.type == "IDAT") {
                idat += chunk.data;
            }
        }
        std::vector<std::string> expected{"IHDR", "IDAT", "IEND"};
        if (palette) {
            expected.insert(expected.begin() + 1, "PLTE");
        }
        EXPECT_EQ(expected, types);
        EXPECT_EQ(test::ihdrData(image.width, image.height, image.bitDepth, image.colourType, 0),
                  chunks->front().data);
        size_t rowBytes = test::pngRowBytes(image);
        std::string raw(image.height * (rowBytes + 1), '\0');
        uLongf rawLength = static_cast<uLongf>(raw.size());
        ASSERT_EQ(Z_OK,
                  uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawLength,
                             reinterpret_cast<const Bytef*>(idat.data()), static_cast<uLong>(idat.size())));
        ASSERT_EQ(raw.size(), rawLength);
        for (size_t y = 0; y < image.height; ++y) {
            EXPECT_EQ(0, raw[y * (rowBytes + 1)]) << "filter of row " << y;
        }
    }

    test::ScratchDir dir;
    test::ReportCollector reports;
    RecordBuffer data{1, 32768, 32768};
};

TEST_F(ImageConversionTest, PaletteImagesKeepPixelsAndPaletteAndLoseEveryOtherChunk) {
    for (int bitDepth : {1, 2, 4, 8}) {
        SCOPED_TRACE(bitDepth);
        PngImage image = paletteImage(bitDepth, 37, 11);
        std::string stream = converted(image);
        expectLeanStream(stream, image, true);
        auto decoded = test::decodePng(stream);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(bitDepth, decoded->bitDepth);
        EXPECT_EQ(PNG_COLOR_TYPE_PALETTE, decoded->colourType);
        ASSERT_EQ(image.palette.size(), decoded->palette.size());
        for (size_t i = 0; i < image.palette.size(); ++i) {
            EXPECT_EQ(image.palette[i].red, decoded->palette[i].red);
            EXPECT_EQ(image.palette[i].green, decoded->palette[i].green);
            EXPECT_EQ(image.palette[i].blue, decoded->palette[i].blue);
        }
        EXPECT_EQ(pixelRows(image), pixelRows(*decoded));
    }
    EXPECT_TRUE(reports.lines().empty());
}

TEST_F(ImageConversionTest, GreyImagesOfEveryDepthKeepTheirPixels) {
    for (int bitDepth : {1, 2, 4, 8, 16}) {
        SCOPED_TRACE(bitDepth);
        PngImage image = greyImage(bitDepth, 29, 13);
        image.comments = {"a comment"};
        std::string stream = converted(image);
        expectLeanStream(stream, image, false);
        auto decoded = test::decodePng(stream);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(pixelRows(image), pixelRows(*decoded));
    }
    EXPECT_TRUE(reports.lines().empty());
}

TEST_F(ImageConversionTest, InterlacedImagesAreReadThroughAllPassesAndWrittenPlain) {
    PngImage grey = greyImage(8, 33, 17, true);
    PngImage palette = paletteImage(2, 19, 9);
    palette.interlaced = true;
    for (const PngImage* image : {&grey, &palette}) {
        std::string stream = converted(*image);
        expectLeanStream(stream, *image, image == &palette);
        auto decoded = test::decodePng(stream);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_FALSE(decoded->interlaced);
        EXPECT_EQ(pixelRows(*image), pixelRows(*decoded));
    }
}

TEST_F(ImageConversionTest, StreamsAreAppendedAfterWhatTheBufferHolds) {
    ASSERT_TRUE(data.appendBytes("xyz", 3));
    PngImage image = greyImage(8, 4, 4);
    std::string stream = converted(image);
    EXPECT_EQ("xyz", std::string(reinterpret_cast<const char*>(data.data()), 3));
    EXPECT_EQ(3 + stream.size(), data.byteLength());
    EXPECT_EQ("\x89PNG", stream.substr(0, 4));
}

TEST_F(ImageConversionTest, ColourImagesAreRefusedByLeafName) {
    ASSERT_TRUE(data.appendBytes("keep", 4));
    struct Case {
        int colourType;
        int bitDepth;
    };
    for (Case c : {Case{PNG_COLOR_TYPE_RGB, 8}, Case{PNG_COLOR_TYPE_RGB_ALPHA, 8},
                   Case{PNG_COLOR_TYPE_GRAY_ALPHA, 8}, Case{PNG_COLOR_TYPE_RGB, 16}}) {
        reports.clear();
        PngImage image;
        image.width = 5;
        image.height = 3;
        image.bitDepth = c.bitDepth;
        image.colourType = c.colourType;
        image.rows = test::noiseRows(image);
        FileService file(writeImage("photo.png", test::encodePng(image)));
        ASSERT_EQ(0, file.open(FileService::Mode::Read));
        ImageConversion conversion = convertImage(file, data);
        EXPECT_EQ(ImageConversionResult::WrongColourType, conversion.result);
        EXPECT_EQ(0u, conversion.appendedBytes);
        EXPECT_EQ(4u, data.byteLength());
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ((std::vector<std::string>{
                      "E The file \"photo.png\" must be an 8-bit color image or a grayscale image."}),
                  reports.lines());
    }
}

TEST_F(ImageConversionTest, BrokenFilesAreUnreadable) {
    std::string good = test::encodePng(paletteImage(4, 40, 20));
    auto chunks = test::pngChunks(good);
    ASSERT_TRUE(chunks.has_value());
    size_t idatAt = good.find("IDAT") - 4;
    std::string badIhdrCrc = good;
    badIhdrCrc[8 + 8 + 13] ^= 1;
    std::string badIdatCrc = good;
    badIdatCrc[idatAt + 8 + 3] ^= 0x40;
    std::string noPalette =
        test::pngFromChunks({{"IHDR", test::ihdrData(4, 4, 8, 3)}, {"IDAT", ""}, {"IEND", ""}});
    std::string noImageData = test::pngFromChunks({{"IHDR", test::ihdrData(4, 4, 8, 0)}, {"IEND", ""}});
    const std::string inputs[] = {
        "",
        "plain text, not an image at all",
        good.substr(0, 8),
        good.substr(0, 20),
        good.substr(0, idatAt + 30),
        badIhdrCrc,
        badIdatCrc,
        noPalette,
        noImageData,
        test::pngFromChunks({{"IHDR", test::ihdrData(0, 4, 8, 0)}}),
        test::pngFromChunks({{"IHDR", test::ihdrData(4, 4, 3, 0)}}),
        test::pngFromChunks({{"IHDR", test::ihdrData(4, 4, 16, 3)}}),
    };
    ASSERT_TRUE(data.appendBytes("keep", 4));
    for (const std::string& input : inputs) {
        reports.clear();
        ImageConversion conversion = convert(writeImage("broken.png", input));
        EXPECT_EQ(ImageConversionResult::Unreadable, conversion.result) << input.size();
        EXPECT_EQ(4u, data.byteLength());
        EXPECT_EQ((std::vector<std::string>{"E Could not read the file \"broken.png\""}), reports.lines());
    }
}

TEST_F(ImageConversionTest, AChunkBeforeTheHeaderMakesTheFileUnreadable) {
    auto chunks = test::pngChunks(test::encodePng(greyImage(8, 4, 4)));
    ASSERT_TRUE(chunks.has_value());
    for (const char* first : {"tEXt", "abcD", "IDAT"}) {
        SCOPED_TRACE(first);
        std::vector<std::pair<std::string, std::string>> reordered{{first, "Comment\0x"}};
        for (const auto& chunk : *chunks) {
            reordered.emplace_back(chunk.type, chunk.data);
        }
        reports.clear();
        ImageConversion conversion = convert(writeImage("t.png", test::pngFromChunks(reordered)));
        EXPECT_EQ(ImageConversionResult::Unreadable, conversion.result);
        EXPECT_EQ(0u, data.byteLength());
        EXPECT_EQ((std::vector<std::string>{"E Could not read the file \"t.png\""}), reports.lines());
    }
}

// Memory for the pixel rows that holds whatever `garbage` says, as a heap may hand out.
uint8_t garbage = 0;
void* garbageMemory(size_t bytes) {
    void* memory = std::malloc(bytes);
    if (memory != nullptr) {
        std::memset(memory, garbage, bytes);
    }
    return memory;
}

// Rows that end inside a byte leave bits after the last pixel: whatever memory the rows are read into, the
// same image gives the same stream.
TEST_F(ImageConversionTest, TheStreamDoesNotDependOnWhatThePixelMemoryHeld) {
    std::vector<PngImage> images;
    for (uint32_t width : {1u, 3u, 5u, 13u, 22u}) {
        for (int bitDepth : {1, 2, 4, 8, 16}) {
            images.push_back(greyImage(bitDepth, width, 9));
            images.push_back(greyImage(bitDepth, width, 9, true));
            if (bitDepth != 16) {
                images.push_back(paletteImage(bitDepth, width, 7));
            }
        }
    }
    for (const PngImage& image : images) {
        SCOPED_TRACE(::testing::Message() << image.width << " x " << image.bitDepth << " bits, colour type "
                                          << image.colourType << (image.interlaced ? ", interlaced" : ""));
        std::vector<std::string> streams;
        for (uint8_t fill : {0x00, 0xFF, 0xA5}) {
            garbage = fill;
            setPixelAllocatorForTesting(garbageMemory);
            data.clear();
            streams.push_back(converted(image));
            setPixelAllocatorForTesting(nullptr);
        }
        EXPECT_EQ(streams[0], streams[1]);
        EXPECT_EQ(streams[0], streams[2]);
    }
}

TEST_F(ImageConversionTest, ADamagedAncillaryChunkIsDroppedLikeAnyOther) {
    std::string good = test::encodePng(paletteImage(1, 8, 8));
    size_t textAt = good.find("tEXt");
    ASSERT_NE(std::string::npos, textAt);
    good[textAt + 6] ^= 0x20;
    std::string stream;
    ImageConversion conversion = convert(writeImage("pic.png", good));
    EXPECT_EQ(ImageConversionResult::Converted, conversion.result);
    EXPECT_TRUE(reports.lines().empty());
}

// Every truncation and every flipped byte of a small image gives a clean result: converted, or refused
// with one message and the buffer as it was.
TEST_F(ImageConversionTest, DamagedFilesNeverEscapeACleanResult) {
    std::string good = test::encodePng(paletteImage(2, 9, 7));
    std::vector<std::string> inputs;
    for (size_t length = 0; length < good.size(); ++length) {
        inputs.push_back(good.substr(0, length));
    }
    for (size_t at = 0; at < good.size(); ++at) {
        std::string flipped = good;
        flipped[at] = static_cast<char>(flipped[at] ^ 0xA5);
        inputs.push_back(flipped);
    }
    for (const std::string& input : inputs) {
        reports.clear();
        ImageConversion conversion = convert(writeImage("damaged.png", input));
        if (conversion.result == ImageConversionResult::Converted) {
            EXPECT_EQ(data.byteLength(), conversion.appendedBytes);
            EXPECT_TRUE(reports.lines().empty());
            EXPECT_TRUE(
                test::decodePng(std::string(reinterpret_cast<const char*>(data.data()), data.byteLength()))
                    .has_value());
        } else {
            EXPECT_EQ(0u, data.byteLength());
            EXPECT_EQ(1u, reports.lines().size());
        }
        data.clear();
    }
}

TEST_F(ImageConversionTest, AbsurdSizesAreRefusedBeforeAllocating) {
    struct Case {
        uint32_t width;
        uint32_t height;
        int bitDepth;
    };
    // The last case is within both sides but holds 65535 x 8193 raw bytes.
    for (Case c : {Case{100000, 100000, 8}, Case{65536, 1, 1}, Case{1, 65536, 1}, Case{0x7FFFFFFF, 1, 8},
                   Case{65535, 65535, 1}}) {
        reports.clear();
        std::string path = writeImage(
            "huge.png", test::pngFromChunks({{"IHDR", test::ihdrData(c.width, c.height, c.bitDepth, 0)},
                                             {"IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)},
                                             {"IEND", ""}}));
        ImageConversion conversion = convert(path);
        EXPECT_EQ(ImageConversionResult::TooLarge, conversion.result) << c.width << " x " << c.height;
        EXPECT_EQ(0u, data.byteLength());
        EXPECT_EQ((std::vector<std::string>{"E Image \"" + path + "\" is too large"}), reports.lines());
    }
}

TEST_F(ImageConversionTest, TheLargestRawSizeIsStillDecoded) {
    // 65535 x 1030 grey bytes is just below the raw limit: it passes the size test and then fails only on
    // its missing image data.
    std::string path = writeImage(
        "big.png", test::pngFromChunks({{"IHDR", test::ihdrData(65535, 1030, 8, 0)},
                                        {"IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)},
                                        {"IEND", ""}}));
    EXPECT_EQ(ImageConversionResult::Unreadable, convert(path).result);
}

// libpng refuses to write pixels that index past the palette (the PNG format calls them an error), so such
// an image is not converted rather than handed to the reader broken.
TEST_F(ImageConversionTest, IndicesPastThePaletteAreUnreadable) {
    PngImage image = paletteImage(8, 16, 4);
    image.palette.resize(4);
    image.transparency.clear();
    std::string input = test::encodePng(image);
    ASSERT_FALSE(input.empty());
    EXPECT_EQ(ImageConversionResult::Unreadable, convert(writeImage("short.png", input)).result);
    EXPECT_EQ((std::vector<std::string>{"E Could not read the file \"short.png\""}), reports.lines());
    EXPECT_EQ(0u, data.byteLength());
}

class ImageTableConversionTest : public ImageConversionTest {
  protected:
    void SetUp() override { ASSERT_EQ(0, ::mkdir(folder.c_str(), 0777)); }

    std::string addFile(const std::string& name, const std::string& bytes) {
        std::string path = folder + "/" + name;
        test::writeFile(path, bytes);
        EXPECT_TRUE(addImage(table, path, {1, 1}));
        return path;
    }

    std::string streamOf(const ImageEntry& entry) const {
        std::string stream(entry.dataSize, '\0');
        EXPECT_TRUE(table.streams.read(entry.dataOffset, stream.data(), stream.size()));
        return stream;
    }

    std::string folder = dir.file("book_img");
    ImageTable table;
};

TEST_F(ImageTableConversionTest, EntriesAreSortedAndTheirStreamsStoredBackToBack) {
    PngImage b = greyImage(8, 20, 20);
    PngImage a = paletteImage(4, 10, 10);
    addFile("b.png", test::encodePng(b));
    addFile("a.png", test::encodePng(a));
    EXPECT_EQ(Verdict::Ok, convertImageTable(table));
    EXPECT_TRUE(reports.lines().empty());
    ASSERT_EQ(2u, table.entries.size());
    EXPECT_EQ(folder + "/a.png", table.entries[0].path);
    EXPECT_EQ(0u, table.entries[0].dataOffset);
    EXPECT_EQ(table.entries[0].dataSize, table.entries[1].dataOffset);
    EXPECT_EQ(table.streams.length(), table.entries[1].dataOffset + table.entries[1].dataSize);
    EXPECT_EQ(pixelRows(a), pixelRows(*test::decodePng(streamOf(table.entries[0]))));
    EXPECT_EQ(pixelRows(b), pixelRows(*test::decodePng(streamOf(table.entries[1]))));

    // A second run after another image joined converts only that one: the streams already made are kept
    // once, where they are, and the new one follows them although it sorts first.
    const uint64_t firstRun = table.streams.length();
    const std::string firstA = streamOf(table.entries[0]);
    PngImage early = greyImage(8, 6, 6);
    addFile("0.png", test::encodePng(early));
    EXPECT_EQ(Verdict::Ok, convertImageTable(table));
    ASSERT_EQ(3u, table.entries.size());
    EXPECT_EQ(folder + "/0.png", table.entries[0].path);
    EXPECT_EQ(firstRun, table.entries[0].dataOffset);
    EXPECT_EQ(firstRun + table.entries[0].dataSize, table.streams.length());
    EXPECT_EQ(0u, table.entries[1].dataOffset);
    EXPECT_EQ(firstA, streamOf(table.entries[1]));
    EXPECT_EQ(pixelRows(early), pixelRows(*test::decodePng(streamOf(table.entries[0]))));
}

TEST_F(ImageTableConversionTest, TheFirstFailureStopsAndLaterEntriesKeepTheirPlace) {
    addFile("a.png", test::encodePng(greyImage(8, 5, 5)));
    addFile("b.png", "not a PNG");
    addFile("c.png", test::encodePng(greyImage(8, 5, 5)));
    EXPECT_EQ(Verdict::Failed, convertImageTable(table));
    EXPECT_EQ((std::vector<std::string>{"E Could not read the file \"b.png\""}), reports.lines());
    EXPECT_NE(0u, table.entries[0].dataSize);
    EXPECT_EQ(table.entries[0].dataSize, table.streams.length());
    EXPECT_EQ(0u, table.entries[1].dataSize);
    EXPECT_EQ(0u, table.entries[2].dataSize);
}

TEST_F(ImageTableConversionTest, AMissingFileFailsSilentlyAndADirectoryIsUnreadable) {
    EXPECT_TRUE(addImage(table, folder + "/gone.png", {16, 16}));
    EXPECT_EQ(Verdict::Failed, convertImageTable(table));
    EXPECT_TRUE(reports.lines().empty());

    ImageTable folders;
    ASSERT_EQ(0, ::mkdir((folder + "/dir.png").c_str(), 0777));
    EXPECT_TRUE(addImage(folders, folder + "/dir.png", {0, 0}));
    EXPECT_EQ(Verdict::Failed, convertImageTable(folders));
    EXPECT_EQ((std::vector<std::string>{"E Could not read the file \"dir.png\""}), reports.lines());
}

// The size of the stream converted from a grey image of `width` x 1 noise pixels.
size_t convertedSize(const std::string& path, uint32_t width) {
    PngImage image;
    image.width = width;
    image.height = 1;
    image.rows = test::noiseRows(image, 3);
    test::writeFile(path, test::encodePng(image));
    FileService file(path);
    if (file.open(FileService::Mode::Read) != 0) {
        return 0;
    }
    RecordBuffer data;
    return convertImage(file, data).appendedBytes;
}

TEST_F(ImageTableConversionTest, AStreamOfExactly65443BytesIsTheLargestAccepted) {
    // Noise does not deflate: the stream grows with the width, a byte per pixel plus the framing. Find the
    // width whose stream is exactly the limit, and one that is just above it.
    std::string probe = dir.file("probe.png");
    uint32_t width = 65300;
    while (width > 1 && convertedSize(probe, width) > kMaxImageDataSize) {
        --width;
    }
    while (convertedSize(probe, width + 1) <= kMaxImageDataSize) {
        ++width;
    }
    ASSERT_EQ(kMaxImageDataSize, convertedSize(probe, width)) << "no width gives exactly the limit";
    uint32_t over = width + 1;
    ASSERT_EQ(kMaxImageDataSize + 1, convertedSize(probe, over)) << "no width gives the limit + 1";

    PngImage fits;
    fits.width = width;
    fits.height = 1;
    fits.rows = test::noiseRows(fits, 3);
    addFile("fits.png", test::encodePng(fits));
    EXPECT_EQ(Verdict::Ok, convertImageTable(table));
    EXPECT_EQ(kMaxImageDataSize, table.entries[0].dataSize);
    EXPECT_TRUE(reports.lines().empty());

    PngImage tooBig = fits;
    tooBig.width = over;
    tooBig.rows = test::noiseRows(tooBig, 3);
    ImageTable second;
    std::string path = folder + "/over.png";
    test::writeFile(path, test::encodePng(tooBig));
    EXPECT_TRUE(addImage(second, path, {1, 1}));
    EXPECT_EQ(Verdict::Failed, convertImageTable(second));
    EXPECT_EQ((std::vector<std::string>{"E Image \"" + path + "\" is too large"}), reports.lines());
    EXPECT_EQ(0u, second.entries[0].dataSize);
    EXPECT_EQ(0u, second.streams.length());
}

// A missing image takes no entry, only its place in the order: on generated mixes of good, broken and
// missing files (names with bytes that sort before ASCII among them), conversion stops where the table with
// an entry for every missing file would stop, with the same messages and the same streams.
TEST_F(ImageTableConversionTest, MissingImagesStopConversionWhereTheirEntriesWould) {
    const std::string good = test::encodePng(greyImage(8, 3, 3));
    const std::vector<std::string> stems = {"a", "b", "ab", "\xC3\xA9", "B", "a0", "z", "_"};
    unsigned seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 60; ++round) {
        ImageTable everyEntry;
        ImageTable missingNoted;
        std::vector<std::string> paths;
        for (size_t i = 0; i < stems.size(); ++i) {
            std::string path = folder + "/" + stems[i] + std::to_string(round) + ".png";
            unsigned kind = next() % 4; // good twice as often as broken or missing
            if (kind != 3) {
                test::writeFile(path, kind == 2 ? std::string("not a PNG") : good);
            }
            paths.push_back(path);
            EXPECT_TRUE(addImage(everyEntry, path, {3, 3}));
            if (kind == 3) {
                noteMissingImage(missingNoted, path);
            } else {
                EXPECT_TRUE(addImage(missingNoted, path, {3, 3}));
            }
        }
        reports.clear();
        Verdict before = convertImageTable(everyEntry);
        std::vector<std::string> beforeLines = reports.lines();
        reports.clear();
        Verdict after = convertImageTable(missingNoted);
        EXPECT_EQ(before, after) << "round " << round;
        EXPECT_EQ(beforeLines, reports.lines()) << "round " << round;
        EXPECT_EQ(everyEntry.streams.length(), missingNoted.streams.length());
        size_t at = 0;
        for (const ImageEntry& entry : everyEntry.entries) {
            if (!test::fileExists(entry.path)) {
                continue;
            }
            ASSERT_LT(at, missingNoted.entries.size());
            EXPECT_EQ(entry.path, missingNoted.entries[at].path);
            EXPECT_EQ(entry.dataSize, missingNoted.entries[at].dataSize);
            EXPECT_EQ(entry.dataOffset, missingNoted.entries[at].dataOffset);
            ++at;
        }
        EXPECT_EQ(at, missingNoted.entries.size());
    }
}

} // namespace
} // namespace quillery
