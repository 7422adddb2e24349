// Books with images, built by quillery-cli as a user builds them and read back twice: through --inspect
// --json, and record by record with the tests' own chunk walker and decoder.
#include "cli_runner.h"
#include "png_fixture.h"
#include "tdb/book_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillery::test {
namespace {

PngImage paletteImage(int bitDepth, uint32_t width, uint32_t height) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.bitDepth = bitDepth;
    image.colourType = PNG_COLOR_TYPE_PALETTE;
    for (int i = 0; i < (1 << bitDepth); ++i) {
        image.palette.push_back({static_cast<png_byte>(i * 9), static_cast<png_byte>(200 - i), 17});
    }
    image.transparency = {0, 64, 255};
    image.comments = {"made by the test"};
    image.rows = noiseRows(image, 5);
    return image;
}

PngImage greyImage(int bitDepth, uint32_t width, uint32_t height, bool interlaced = false) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.bitDepth = bitDepth;
    image.interlaced = interlaced;
    image.rows = noiseRows(image, 11);
    return image;
}

class ImageBookTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(0, ::mkdir(dir.file("story_img").c_str(), 0777)); }

    void addImage(const std::string& name, const std::string& bytes) {
        writeFile(dir.file("story_img/" + name), bytes);
    }

    CliRun build(const std::string& source) {
        writeFile(dir.file("story.tml"), source);
        return runCli("'" + dir.file("story.tml") + "'", "SOURCE_DATE_EPOCH=1000000000");
    }

    // The PNG streams of the book's image records, in record order, read from the record list directly.
    std::vector<std::pair<std::string, std::string>> imageRecords() const {
        std::string book = readFile(dir.file("story.tdb"));
        std::vector<std::pair<std::string, std::string>> records;
        size_t header = recordSpan(book, 0).first;
        for (size_t i = 0; i < u16At(book, header + 20); ++i) {
            std::string record = recordBytes(book, u16At(book, header + 40) + i);
            std::string name = record.substr(4, 32);
            name.resize(name.find('\0'));
            records.emplace_back(name, record.substr(62));
        }
        return records;
    }

    ScratchDir dir;
};

// The rows without the padding bits after the last pixel, which an encoder need not keep.
std::vector<std::vector<uint8_t>> pixels(const PngImage& image) {
    std::vector<std::vector<uint8_t>> rows = image.rows;
    int usedBits = static_cast<int>(size_t{image.width} * static_cast<size_t>(image.bitDepth) % 8);
    for (auto& row : rows) {
        if (usedBits != 0) {
            row.back() = static_cast<uint8_t>(row.back() & (0xFF00 >> usedBits));
        }
    }
    return rows;
}

TEST_F(ImageBookTest, ImagesOfTheTextAndOfAFootnoteAreStoredOnceEachInPathOrder) {
    PngImage b = paletteImage(4, 30, 20);
    PngImage a = greyImage(8, 200, 40, true); // laid out as 16 by 16, stored at its own size
    PngImage foot = greyImage(16, 12, 6);     // named only by the footnote
    addImage("b.png", encodePng(b));
    addImage("a.png", encodePng(a));
    addImage("foot.png", encodePng(foot));
    CliRun run = build("TITLE=\"Pictures\"\nFirst \\m=\"b.png\" then \\m=\"a.png\" and \\m=\"b.png\" again."
                       "\\Fn=\"n1\"note\\Fn\n<footnote id=\"n1\">See \\m=\"foot.png\".</footnote>\n");
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);

    CliRun inspect = runCli("--inspect --json '" + dir.file("story.tdb") + "'");
    ASSERT_EQ(0, inspect.status) << inspect.err;
    auto records = imageRecords();
    ASSERT_EQ(3u, records.size());
    std::string chunks = "\"chunks\": [\"IHDR\", \"PLTE\", \"IDAT\", \"IEND\"]";
    std::string greyChunks = "\"chunks\": [\"IHDR\", \"IDAT\", \"IEND\"]";
    std::string expected =
        "  \"images\": [{\"name\": \"a.png\", \"width\": 200, \"height\": 40, \"dataSize\": " +
        std::to_string(records[0].second.size()) + ", " + greyChunks +
        "}, {\"name\": \"b.png\", \"width\": 30, \"height\": 20, \"dataSize\": " +
        std::to_string(records[1].second.size()) + ", " + chunks +
        "}, {\"name\": \"foot.png\", \"width\": 12, \"height\": 6, \"dataSize\": " +
        std::to_string(records[2].second.size()) + ", " + greyChunks + "}],\n";
    EXPECT_NE(std::string::npos, inspect.out.find(expected)) << inspect.out;

    // Each stream holds the picture it was made from, plain, with nothing but its critical chunks.
    const std::pair<const char*, const PngImage*> sources[] = {
        {"a.png", &a}, {"b.png", &b}, {"foot.png", &foot}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(sources[i].first);
        EXPECT_EQ(sources[i].first, records[i].first);
        auto walked = pngChunks(records[i].second);
        ASSERT_TRUE(walked.has_value());
        for (const PngChunk& chunk : *walked) {
            EXPECT_TRUE(chunk.crcMatches) << chunk.type;
            EXPECT_TRUE(chunk.type == "IHDR" || chunk.type == "PLTE" || chunk.type == "IDAT" ||
                        chunk.type == "IEND")
                << chunk.type;
        }
        auto decoded = decodePng(records[i].second);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_FALSE(decoded->interlaced);
        EXPECT_EQ(sources[i].second->bitDepth, decoded->bitDepth);
        EXPECT_EQ(pixels(*sources[i].second), pixels(*decoded));
    }
    EXPECT_EQ(b.palette.size(), decodePng(records[1].second)->palette.size());

    // The text listing names the chunks too.
    CliRun text = runCli("--inspect '" + dir.file("story.tdb") + "'");
    EXPECT_NE(std::string::npos,
              text.out.find("  \"b.png\" 30x20, " + std::to_string(records[1].second.size()) +
                            " bytes of PNG: IHDR PLTE IDAT IEND\n"))
        << text.out;
}

// The same source gives the same book, whatever the heap held: rows that end inside a byte (odd widths, low
// bit depths, interlaced or not) carry no stray bits into the book. MALLOC_PERTURB_ makes the C library fill
// fresh memory with a byte of its choice.
TEST_F(ImageBookTest, BooksWithImagesAreReproducible) {
    addImage("p2.png", encodePng(paletteImage(2, 22, 22)));
    addImage("p1.png", encodePng(paletteImage(1, 13, 5)));
    addImage("g4.png", encodePng(greyImage(4, 7, 9, true)));
    addImage("g1.png", encodePng(greyImage(1, 3, 3)));
    writeFile(dir.file("story.tml"),
              "TITLE=\"Again\"\n\\m=\"p2.png\" \\m=\"p1.png\" \\m=\"g4.png\" \\m=\"g1.png\""
              "\\Fn=\"n\"x\\Fn\n<footnote id=\"n\">\\m=\"g1.png\"</footnote>\n");
    std::vector<std::string> books;
    for (const char* perturb : {"0", "85", "170"}) {
        CliRun run = runCli("'" + dir.file("story.tml") + "'",
                            std::string("SOURCE_DATE_EPOCH=1000000000 MALLOC_PERTURB_=") + perturb);
        ASSERT_EQ(0, run.status) << run.err;
        books.push_back(readFile(dir.file("story.tdb")));
    }
    EXPECT_EQ(books[0], books[1]);
    EXPECT_EQ(books[0], books[2]);
}

// Whatever lies in the image folder under an image's name, the build ends with clear errors and no book.
TEST_F(ImageBookTest, HostileImagesAreErrorsNeverCrashes) {
    std::string good = encodePng(greyImage(8, 20, 10));
    std::string badCrc = good;
    badCrc[good.find("IDAT") + 6] ^= 0x01;
    const std::string folder = dir.file("story_img/");
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<std::string> errors;
    };
    std::vector<std::pair<std::string, std::string>> textFirst{{"tEXt", "Comment"}};
    auto goodChunks = pngChunks(good);
    ASSERT_TRUE(goodChunks.has_value());
    for (const PngChunk& chunk : *goodChunks) {
        textFirst.emplace_back(chunk.type, chunk.data);
    }
    const Case cases[] = {
        {"empty.png", "", {"PNG file " + folder + "empty.png appears to be empty\n"}},
        // The header check of both passes, then the conversion.
        {"t.png",
         pngFromChunks(textFirst),
         {"Couldn't find PNG header for " + folder + "t.png",
          "Couldn't find PNG header for " + folder + "t.png", "Could not read the file \"t.png\""}},
        {"cut.png", good.substr(0, good.size() / 2), {"Could not read the file \"cut.png\""}},
        {"crc.png", badCrc, {"Could not read the file \"crc.png\""}},
        {"huge.png",
         pngFromChunks({{"IHDR", ihdrData(100000, 100000, 8, 0)}, {"IDAT", ""}, {"IEND", ""}}),
         {"Image \"" + folder + "huge.png\" is too large"}},
        {"rgb.png",
         encodePng([] {
             PngImage rgb = greyImage(8, 4, 4);
             rgb.colourType = PNG_COLOR_TYPE_RGB;
             rgb.rows = noiseRows(rgb);
             return rgb;
         }()),
         {"Unrecognized PNG color type for " + folder + "rgb.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        addImage(c.name, c.bytes);
        CliRun run = build("TITLE=\"Bad\"\nLook: \\m=\"" + c.name + "\"\n");
        EXPECT_EQ(1, run.status);
        // In this order.
        size_t from = 0;
        for (const std::string& error : c.errors) {
            size_t at = run.err.find("error: " + error, from);
            EXPECT_NE(std::string::npos, at) << run.err;
            from = at == std::string::npos ? from : at + 1;
        }
        EXPECT_NE(
            std::string::npos,
            run.err.find("error: Errors occurred while paginating the book. No output file generated."));
        EXPECT_FALSE(fileExists(dir.file("story.tdb")));
        ASSERT_EQ(0, ::unlink(dir.file("story_img/" + c.name).c_str()));
    }
    // A folder named like an image.
    ASSERT_EQ(0, ::mkdir(dir.file("story_img/dir.png").c_str(), 0777));
    CliRun run = build("TITLE=\"Bad\"\nLook: \\m=\"dir.png\"\n");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("error: Failed to open PNG file " + folder + "dir.png\n"))
        << run.err;
    EXPECT_FALSE(fileExists(dir.file("story.tdb")));
}

} // namespace
} // namespace quillery::test
