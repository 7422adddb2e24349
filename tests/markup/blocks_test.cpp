#include "markup/blocks.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace quillery {
namespace {

RefEntry ref(std::string name) {
    return RefEntry{std::move(name), 0, 0};
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
        EXPECT_EQ(expected,
                  writeBlocks(kind, section, refs, sizes, images, dir.file("b_img"), dir.file("b.sid")));
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

    test::ScratchDir dir;
    test::ReportCollector reports;
    ImageTable images;
    RecordBuffer sizes{4};
};

TEST_F(BlocksTest, NoReferencesCreateNoFile) {
    RefTable refs;
    EXPECT_EQ(Verdict::Ok, writeBlocks(BlockKind::Sidebar, "<sidebar id=\"a\">x</sidebar>", refs, sizes,
                                       images, dir.file("b_img"), dir.file("b.sid")));
    EXPECT_TRUE(dir.entries().empty());
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

TEST_F(BlocksTest, UnknownNamesAreErrors) {
    RefTable sidebars{ref("gone")};
    RefTable footnotes{ref("also")};
    EXPECT_EQ(Verdict::Failed, resolveBlockReferences("<sidebar id=\"other\">", sidebars, footnotes));
    EXPECT_EQ((std::vector<std::string>{"E No sidebar named \"gone\" was found.",
                                        "E No footnote named \"also\" was found."}),
              reports.lines());
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

TEST_F(BlocksTest, ImageNamesLongerThan31BytesFailTheBlocks) {
    RefTable refs{ref("n")};
    std::string name(32, 'p');
    store(BlockKind::Sidebar, "<sidebar id=\"n\">\\m=\"" + name + "\" \\m bad</sidebar>", refs,
          Verdict::Failed);
    ASSERT_EQ(2u, reports.lines().size());
    EXPECT_EQ("E Image name \"" + name + "\" is longer than 31 characters! Please rename the image.",
              reports.lines()[0]);
    EXPECT_EQ("W Image syntax incorrect.  It should be \\m=\"", reports.lines()[1]);
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
