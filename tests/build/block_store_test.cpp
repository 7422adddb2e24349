#include "build/block_store.h"
#include "png_fixture.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace quillery {
namespace {

// A referenced name, as the tables below are written.
std::string ref(std::string name) {
    return name;
}

class BlocksTest : public ::testing::Test {
  protected:
    // Resolves and writes one kind; returns the bodies as stored, one string per entry.
    std::vector<std::string> store(BlockKind kind, std::string_view section, RefTable& refs,
                                   Verdict expected = Verdict::Ok) {
        RefTable none;
        RefTable& sidebars = kind == BlockKind::Sidebar ? refs : none;
        RefTable& footnotes = kind == BlockKind::Footnote ? refs : none;
        EXPECT_EQ(Verdict::Ok, resolveBlockReferences(section, sidebars, footnotes));
        sizes = RecordBuffer(4);
        std::remove(dir.file("b.sid").c_str());
        TempTextFile temp;
        EXPECT_EQ(Verdict::Ok, temp.create(systemFileSystem(), dir.file("b.sid")));
        EXPECT_EQ(expected, storeBlockBodies(kind, section, 0, refs, sizes, images, dir.file("b_img"), temp));
        std::string file = test::readFile(dir.file("b.sid"));
        std::vector<std::string> bodies;
        size_t record = 1;
        size_t offset = 0;
        for (const RefEntry& entry : refs) {
            std::string body;
            for (int k = 0; k < entry.recordCount; ++k, ++record) {
                uint32_t size = sizes.u32At(record);
                std::string out(8192, '\0');
                uLongf length = static_cast<uLongf>(out.size());
                EXPECT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                                           reinterpret_cast<const Bytef*>(file.data() + offset), size));
                body += out.substr(0, length);
                offset += size;
            }
            bodies.push_back(body);
        }
        EXPECT_EQ(file.size(), offset);
        return bodies;
    }

    // A grey image in the folder the tests give as the image folder.
    void writeImage(const std::string& name, uint32_t width = 2, uint32_t height = 2) {
        std::filesystem::create_directories(dir.file("b_img"));
        test::PngImage image;
        image.width = width;
        image.height = height;
        image.rows = test::noiseRows(image);
        test::writeFile(dir.file("b_img") + "/" + name, test::encodePng(image));
    }

    test::ScratchDir dir;
    test::ReportCollector reports;
    ImageTable images;
    RecordBuffer sizes{4};
};

TEST_F(BlocksTest, NoReferencesNeedNoFile) {
    RefTable refs;
    TempTextFile none;
    EXPECT_EQ(Verdict::Ok, storeBlockBodies(BlockKind::Sidebar, "<sidebar id=\"a\">x</sidebar>", 0, refs,
                                            sizes, images, dir.file("b_img"), none));
    EXPECT_EQ(0u, sizes.count());
}

TEST_F(BlocksTest, BodiesStartAfterTheTagAndItsLineEndsAndKeepTheLastLineEnd) {
    RefTable refs{ref("note")};
    auto bodies = store(BlockKind::Sidebar, "<SIDEBAR ID=\"Note\">\n\n\nA body.\n</sidebar>", refs);
    EXPECT_EQ((std::vector<std::string>{"A body.\n"}), bodies);
    EXPECT_EQ(1, refs[0].recordCount);
    EXPECT_EQ(0u, sizes.u32At(0));
    EXPECT_TRUE(reports.lines().empty());
}

TEST_F(BlocksTest, FirstDefinitionWinsAndOtherEndTagsAreBodyText) {
    RefTable refs{ref("a"), ref("b")};
    auto bodies = store(BlockKind::Footnote,
                        "<footnote id=\"a\">first</sidebar></footnote><footnote id=\"a\">second</footnote>"
                        "<footnote id=\"b\">bee</footnote>",
                        refs);
    EXPECT_EQ((std::vector<std::string>{"first</sidebar>", "bee"}), bodies);
}

TEST_F(BlocksTest, MissingEndTagIsAnErrorButTheBookGoesOn) {
    RefTable refs{ref("a")};
    auto bodies = store(BlockKind::Sidebar, "<sidebar id=\"a\">never closed", refs);
    EXPECT_EQ((std::vector<std::string>{""}), bodies);
    EXPECT_EQ(0, refs[0].recordCount);
    EXPECT_EQ((std::vector<std::string>{"E No end tag for sidebar or footnote named a was found."}),
              reports.lines());

    // With a later end tag the body runs on into the next definition.
    reports.clear();
    RefTable two{ref("a"), ref("b")};
    bodies = store(BlockKind::Sidebar, "<sidebar id=\"a\">one <sidebar id=\"b\">two</sidebar>", two);
    EXPECT_EQ((std::vector<std::string>{"one <sidebar id=\"b\">two", "two"}), bodies);
}

// Many bodies, some without end tags: each either ends at the first end tag after its start, running on
// into the definitions after it, or is reported and stored empty, in table order.
TEST_F(BlocksTest, BodiesWithoutEndTagsAmongManyRunOnOrAreReportedInTableOrder) {
    RefTable refs{ref("a"), ref("b"), ref("c"), ref("d"), ref("e")};
    auto bodies = store(BlockKind::Footnote,
                        "<footnote id=\"d\">dee</footnote><footnote id=\"a\">ay <footnote id=\"c\">cee"
                        "</footnote><footnote id=\"b\">bee<footnote id=\"e\">ee",
                        refs);
    EXPECT_EQ((std::vector<std::string>{"ay <footnote id=\"c\">cee", "", "cee", "dee", ""}), bodies);
    EXPECT_EQ((std::vector<std::string>{"E No end tag for sidebar or footnote named b was found.",
                                        "E No end tag for sidebar or footnote named e was found."}),
              reports.lines());
}

TEST_F(BlocksTest, IllegalTagsAreWarnedAndTheBodyKept) {
    RefTable refs{ref("n")};
    auto bodies =
        store(BlockKind::Sidebar, "<sidebar id=\"n\">\\d \\Sdx \\\\Sd \\i ok\\i \\C0 \\S</sidebar>", refs);
    EXPECT_EQ((std::vector<std::string>{"\\d \\Sdx \\\\Sd \\i ok\\i \\C0 \\S"}), bodies);
    EXPECT_EQ((std::vector<std::string>{"W Illegal tag \"\\d\" in sidebar or footnote \"n\"",
                                        "W Illegal tag \"\\d\" in sidebar or footnote \"n\"",
                                        "W Illegal tag \"\\C\" in sidebar or footnote \"n\"",
                                        "W Illegal tag \"\\S\" in sidebar or footnote \"n\""}),
              reports.lines());
}

TEST_F(BlocksTest, EveryTagLetterInABodyIsCheckedOnce) {
    // Each possible letter after a backslash, then the letters that \S selects.
    std::string body;
    for (int letter = 0; letter < 256; ++letter) {
        body += std::string("\\") + static_cast<char>(letter) + " ";
    }
    body += "\\Sp \\Sb \\Sx \\Sd";
    RefTable refs{ref("n")};
    store(BlockKind::Sidebar, "<sidebar id=\"n\">" + body + "</sidebar>", refs);
    std::string warned;
    for (const std::string& line : reports.lines()) {
        if (line.find("Image syntax") == std::string::npos) { // the bare \m
            ASSERT_EQ(0u, line.find("W Illegal tag \"\\")) << line;
            warned += line[16];
        }
    }
    // Chapters, \F, index items, anchors, headings, \d, links, and the sidebar reference.
    EXPECT_EQ("CFIQXdqxd", warned);
}

TEST_F(BlocksTest, ImageNamesLongerThan31BytesFailTheBlocks) {
    RefTable refs{ref("n")};
    std::string name = std::string(28, 'p') + ".png";
    writeImage(name);
    store(BlockKind::Sidebar, "<sidebar id=\"n\">\\m=\"" + name + "\" \\m bad</sidebar>", refs,
          Verdict::Failed);
    EXPECT_EQ((std::vector<std::string>{"E Image name \"" + name +
                                            "\" is longer than 31 characters! Please rename the image.",
                                        "W Image syntax incorrect.  It should be \\m=\""}),
              reports.lines());
    // The image itself is fine: it is in the table and converted.
    ASSERT_EQ(1u, images.entries.size());
    EXPECT_NE(0u, images.entries[0].dataSize);
}

TEST_F(BlocksTest, BodyImagesAreCheckedWithEveryMessageThenConvertedInPathOrder) {
    RefTable refs{ref("n"), ref("m")};
    writeImage("b.png", 12, 7);
    writeImage("a.png", 3, 4);
    images.entries.push_back(ImageEntry{dir.file("b_img") + "/main.png", 1, 1, 0, 0});
    writeImage("main.png", 1, 1);
    store(BlockKind::Sidebar,
          "<sidebar id=\"n\">\\m=\"b.png\" \\m=\"a.png\" \\m=\"b.png\"</sidebar>"
          "<sidebar id=\"m\">\\m=\"c.gif\" \\m=\"gone.png\"</sidebar>",
          refs, Verdict::Failed);
    EXPECT_EQ((std::vector<std::string>{"E Image file \"c.gif\" doesn't end with .png!",
                                        "E Image \"gone.png\" doesn't exist!"}),
              reports.lines());
    // One entry per path (none for the name that is not a PNG name, nor for the missing one), sorted; the
    // missing image stops the conversion silently before the entries after its place.
    std::vector<std::string> paths;
    for (const ImageEntry& entry : images.entries) {
        paths.push_back(entry.path.substr(entry.path.rfind('/') + 1));
    }
    EXPECT_EQ((std::vector<std::string>{"a.png", "b.png", "main.png"}), paths);
    EXPECT_EQ(dir.file("b_img") + "/gone.png", images.leastMissingPath);
    ASSERT_EQ(3u, images.entries.size());
    EXPECT_EQ(3, images.entries[0].width);
    EXPECT_EQ(7, images.entries[1].height);
    EXPECT_NE(0u, images.entries[1].dataSize);
    EXPECT_EQ(0u, images.entries[2].dataSize);
}

TEST_F(BlocksTest, BodyImagesOutsideTheImageFolderFailTheBlocksWithoutAnEntry) {
    RefTable refs{ref("n")};
    writeImage("a.png", 3, 4);
    writeImage("secret.png");
    std::filesystem::rename(dir.file("b_img") + "/secret.png", dir.file("secret.png"));
    store(BlockKind::Footnote, "<footnote id=\"n\">\\m=\"../secret.png\" \\m=\"a.png\"</footnote>", refs,
          Verdict::Failed);
    EXPECT_EQ((std::vector<std::string>{
                  "E Image name \"../secret.png\" must name a file inside the image folder."}),
              reports.lines());
    ASSERT_EQ(1u, images.entries.size());
    EXPECT_EQ(dir.file("b_img") + "/a.png", images.entries[0].path);
}

TEST_F(BlocksTest, BodiesWithGoodImagesSucceed) {
    RefTable refs{ref("n")};
    writeImage("a.png", 3, 4);
    store(BlockKind::Footnote, "<footnote id=\"n\">see \\m=\"a.png\"</footnote>", refs);
    EXPECT_TRUE(reports.lines().empty());
    ASSERT_EQ(1u, images.entries.size());
    EXPECT_EQ(0u, images.entries[0].dataOffset);
    EXPECT_EQ(images.streams.length(), images.entries[0].dataSize);
}

TEST_F(BlocksTest, OverlappingBodiesTooLargeForABookAreRefusedBeforeCompression) {
    // 1100 definitions without their end tag, then one end tag: every body runs on to it, and together
    // they would need about 70000 records.
    std::string section;
    RefTable refs;
    for (int i = 0; i < 1100; ++i) {
        std::string name = "n";
        name += std::to_string(10000 + i);
        section += "<footnote id=\"" + name + "\">" + std::string(950, 'x') + "\n";
        refs.add(name);
    }
    section += "</footnote>";
    RefTable none;
    ASSERT_EQ(Verdict::Ok, resolveBlockReferences(section, none, refs));
    TempTextFile temp;
    ASSERT_EQ(Verdict::Ok, temp.create(systemFileSystem(), dir.file("b.ftn")));
    EXPECT_EQ(Verdict::Failed, storeBlockBodies(BlockKind::Footnote, section, 0, refs, sizes, images,
                                                dir.file("b_img"), temp));
    EXPECT_EQ(
        (std::vector<std::string>{"E The footnotes need more than the 65535 records a book can hold. No "
                                  "output file generated."}),
        reports.lines());
    EXPECT_EQ(1u, sizes.count()); // nothing compressed
}

TEST_F(BlocksTest, LongBodiesSpanSeveralRecords) {
    std::string body;
    for (int i = 0; i < 3000; ++i) {
        body += "word" + std::to_string(i) + " ";
    }
    RefTable refs{ref("long")};
    auto bodies = store(BlockKind::Sidebar, "<sidebar id=\"long\">" + body + "</sidebar>", refs);
    EXPECT_EQ(body, bodies[0]);
    EXPECT_EQ(refs[0].recordCount + 1u, sizes.count());
    EXPECT_GT(refs[0].recordCount, 1);
}

} // namespace
} // namespace quillery
