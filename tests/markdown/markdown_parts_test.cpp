// The pieces of the Markdown converter: slugs, front matter, the repair of UTF-8, device text and the map
// back to Markdown places.
#include "convert/device_text.h"
#include "convert/front_matter.h"
#include "convert/position_map.h"
#include "convert/slugs.h"
#include "convert/utf8_input.h"
#include "markdown/convert_names.h"
#include "markdown/parser_arena.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace quillery::markdown {
namespace {

TEST(MarkdownSlugTest, FollowsTheUsualRuleInAscii) {
    EXPECT_EQ("the-letter", slugOf("The Letter"));
    EXPECT_EQ("whats-new-in-v20_beta", slugOf("What's new in v2.0_beta?"));
    EXPECT_EQ("cafe-zolc", slugOf("Caf\xC3\xA9 \xC5\xBB\xC3\xB3\xC5\x82\xC4\x87"));
    EXPECT_EQ("section", slugOf("\xE2\x86\x92!"));
    EXPECT_EQ("-", slugOf("\xE2\x86\x92 !"));
    EXPECT_EQ("the-letter", anchorNameOfFragment("#The%20Letter"));
}

TEST(MarkdownSlugTest, RepeatsAreNumberedAndNamesStayWithin79Bytes) {
    SlugSet set;
    EXPECT_EQ("intro", set.claim("intro"));
    EXPECT_EQ("intro-1", set.claim("intro"));
    EXPECT_EQ("intro-2", set.claim("intro"));
    std::string longName(100, 'a');
    EXPECT_EQ(std::string(79, 'a'), set.claim(longName));
    EXPECT_EQ(std::string(77, 'a') + "-1", set.claim(longName));
    EXPECT_TRUE(set.contains("intro-1"));
}

TEST(MarkdownFrontMatterTest, ReadsFieldsAndBlanksTheBlockKeepingLines) {
    std::string text = "---\nTitle: \"A \\\"B\\\"\"\nauthor:  Me  \n# comment\n---\n# Head\n";
    HeaderFields fields;
    ASSERT_TRUE(takeFrontMatter(text, fields));
    EXPECT_EQ("A \"B\"", fields.title.value());
    EXPECT_EQ("Me", fields.author.value());
    EXPECT_FALSE(fields.publisher);
    std::string blanked = "---\nTitle: \"A \\\"B\\\"\"\nauthor:  Me  \n# comment\n---\n";
    for (char& c : blanked) {
        c = c == '\n' ? '\n' : ' ';
    }
    EXPECT_EQ(blanked + "# Head\n", text);

    std::string unclosed = "---\ntitle: x\n# Head\n";
    HeaderFields none;
    EXPECT_FALSE(takeFrontMatter(unclosed, none));
    EXPECT_EQ("---\ntitle: x\n# Head\n", unclosed);
    EXPECT_FALSE(none.title);

    HeaderFields overrides;
    overrides.title = "Given";
    EXPECT_EQ("Given", overridden(fields, overrides).title.value());
    EXPECT_EQ("Me", overridden(fields, overrides).author.value());
}

TEST(MarkdownUtf8Test, InvalidBytesBecomeQuestionMarksInPlace) {
    std::string text = std::string("a\0b\xC3\xA9\xC3(\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82", 16);
    Utf8Repair repair = repairUtf8(text);
    EXPECT_EQ(std::string("a\x01"
                          "b\xC3\xA9?(?????????",
                          16),
              text);
    EXPECT_EQ(10u, repair.invalidBytes);
    EXPECT_EQ(5u, repair.firstInvalid);
}

TEST(MarkdownUtf8Test, FindsEveryFaultAfterAsciiRunsOfAnyLength) {
    // ASCII is skipped several bytes at a time: a fault must be found wherever it falls in such a run.
    for (size_t run = 0; run < 20; ++run) {
        std::string text = std::string(run, 'x') + std::string("\xC3\0", 2) + std::string(run, 'y') +
                           "\xC3\xA9" + std::string(9, 'z') + "\x80";
        Utf8Repair repair = repairUtf8(text);
        std::string expected =
            std::string(run, 'x') + "?\x01" + std::string(run, 'y') + "\xC3\xA9" + std::string(9, 'z') + "?";
        EXPECT_EQ(expected, text) << run;
        EXPECT_EQ(2u, repair.invalidBytes) << run;
        EXPECT_EQ(run, repair.firstInvalid) << run;
    }
}

TEST(MarkdownDeviceTextTest, EscapesAndMapsCharacters) {
    Notices notices;
    std::string body;
    appendDeviceText(body,
                     "\\x <footnote id=\"a\"> "
                     "\xE2\x82\xAC\xC5\xBD\xE2\x84\xA2\xC5\x91\xE2\x86\x92\xF0\x9F\x98\x80\t\x01\x7F",
                     TextMode::Body, notices, {3, 4});
    EXPECT_EQ("\\\\x \\a060footnote id=\"a\"> \x80\\U017D\\U2122\\U0151\\U2192? ", body);
    EXPECT_EQ(1u, notices.count(Notice::BeyondBmp));
    std::string heading;
    appendDeviceText(heading, "\xC5\x91\xE2\x86\x92\xC4\xA7\xE2\x80\x91", TextMode::Heading, notices, {3, 4});
    EXPECT_EQ("\\U0151?h\\U2011", heading);
    EXPECT_EQ(2u, notices.count(Notice::TitleCharacter));
}

TEST(MarkdownPositionMapTest, TranslatesGeneratedPlacesToMarkdownPlaces) {
    PositionMap map;
    map.mark(0, {1, 1});
    map.mark(10, {4, 3});
    map.mark(10, {5, 2}); // a later mark at the same offset wins
    map.mark(20, {7, 1});
    map.index("0123456789\n123456789\n12345");
    EXPECT_EQ(1u, map.translate({1, 10}).line);
    EXPECT_EQ(5u, map.translate({1, 11}).line);
    EXPECT_EQ(2u, map.translate({1, 11}).column);
    EXPECT_EQ(7u, map.translate({2, 10}).line);
    EXPECT_EQ(7u, map.translate({9, 99}).line); // past the end: the last place
}

TEST(MarkdownParserArenaTest, AllocationsStartZeroedAndKeepTheirBytesWhenTheyGrow) {
    ParserArena arena;
    auto* first = static_cast<char*>(arena.allocate(10));
    std::memset(first, 'a', 10);
    auto* second = static_cast<char*>(arena.allocate(9 << 20)); // larger than a block
    EXPECT_EQ(0, second[(9 << 20) - 1]);
    // The latest allocation grows in place; an earlier one moves with its bytes.
    auto* grown = static_cast<char*>(arena.reallocate(second, (9 << 20) + 100));
    EXPECT_EQ(std::string(10, 'a'), std::string(static_cast<char*>(arena.reallocate(first, 5000)), 10));
    EXPECT_NE(nullptr, grown);
    auto* last = static_cast<char*>(arena.allocate(64));
    std::memset(last, 'b', 64);
    EXPECT_EQ(last, arena.reallocate(last, 8));
    EXPECT_EQ(last, arena.reallocate(last, 64));
    EXPECT_EQ(std::string(8, 'b') + std::string(56, '\0'),
              std::string(last, 64)); // shrunk bytes read as zero
}

TEST(MarkdownParserArenaTest, ManySmallAllocationsAcrossBlocksAreZeroedAndApart) {
    ParserArena arena;
    std::vector<char*> pieces;
    for (int k = 0; k < 60000; ++k) { // about 12 MB: several blocks
        auto* piece = static_cast<char*>(arena.allocate(180));
        ASSERT_NE(nullptr, piece);
        ASSERT_EQ(0u, reinterpret_cast<uintptr_t>(piece) % 16);
        ASSERT_EQ(0, piece[0]);
        ASSERT_EQ(0, piece[179]);
        std::memset(piece, 'x', 180);
        pieces.push_back(piece);
    }
    for (char* piece : pieces) {
        ASSERT_EQ(std::string(180, 'x'), std::string(piece, 180));
    }
}

TEST(MarkdownParserArenaTest, RefusesSizesNoBlockCanHold) {
    ParserArena arena;
    void* small = arena.allocate(32);
    // Rounding such sizes up would wrap around and hand out a few bytes for a request of exabytes.
    EXPECT_EQ(nullptr, arena.allocate(SIZE_MAX - 8));
    EXPECT_EQ(nullptr, arena.reallocate(small, SIZE_MAX - 8));
    EXPECT_EQ(nullptr, arena.reallocate(nullptr, SIZE_MAX / 2));
    EXPECT_NE(nullptr, arena.allocate(32));
}

} // namespace
} // namespace quillery::markdown
