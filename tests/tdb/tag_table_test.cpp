// The tag table: how tags are found and measured from their bytes alone.
#include "tdb/tag_table.h"

#include <gtest/gtest.h>

#include <string>

namespace quillery::test {
namespace {

TEST(TagTableTest, TheByteAfterSAndFSelectsTheTagAndAnyOtherSelectsTheFallback) {
    EXPECT_EQ(TagKind::Superscript, tagAt("\\Sp", 0).kind);
    EXPECT_EQ(TagKind::SidebarReference, tagAt("\\Sd", 0).kind);
    EXPECT_EQ(TagKind::IllegalSelection, tagAt("\\Sz", 0).kind);
    EXPECT_EQ(TagKind::IllegalSelection, tagAt("\\S", 0).kind);
    EXPECT_EQ(TagKind::FootnoteReference, tagAt("\\Fn", 0).kind);
    EXPECT_EQ(TagKind::NoEffect, tagAt("\\Fd", 0).kind);
    EXPECT_EQ(TagKind::NoEffect, tagAt("\\F", 0).kind);
    // A letter that selects nothing ignores the byte after it.
    EXPECT_EQ(TagKind::Italic, tagAt("\\id", 0).kind);
    EXPECT_EQ(TagKind::Illegal, tagAt("\\7", 0).kind);
    EXPECT_EQ(TagKind::Illegal, tagAt(std::string("\\\0", 2), 0).kind);
}

TEST(TagTableTest, AMeasuredTagNeverPassesTheEndOfTheText) {
    EXPECT_EQ(0u, measureTag("ab", 2).length);
    TagExtent alone = measureTag("ab\\", 2);
    EXPECT_EQ(1u, alone.length);
    EXPECT_EQ(nullptr, alone.tagSpec);
    EXPECT_EQ(2u, textTagExtent("\\S", 0));
    EXPECT_EQ(4u, textTagExtent("\\a12", 0));
    EXPECT_EQ(8u, textTagExtent("\\Fn=\"abc", 0)); // no closing quote: to the end of the text
    EXPECT_EQ(5u, textTagExtent("\\Fn=\"", 0));
    EXPECT_EQ(3u, textTagExtent("\\Fn=", 0));
}

TEST(TagTableTest, TheArgumentIsTheTextBetweenTheOpenerAndTheNextQuote) {
    TagExtent image = measureTag("x\\m=\"map.png\"y", 1);
    ASSERT_TRUE(image.hasArgument);
    EXPECT_EQ(5u, image.argumentStart);
    EXPECT_EQ(12u, image.argumentEnd);
    EXPECT_EQ(12u, image.length);
    // The argument is measured as text: a quote inside a chapter title's \a ends it here.
    EXPECT_EQ(9u, textTagExtent("\\C0=\"a\\a\"1\"", 0));
    // A tag without an argument stops before `="`; a bare opening tag before anything else.
    EXPECT_FALSE(measureTag("\\i=\"x\"", 0).hasArgument);
    EXPECT_EQ(2u, textTagExtent("\\q x", 0));
    EXPECT_EQ(3u, textTagExtent("\\Sd=x", 0));
}

TEST(TagTableTest, TitlesSkipTheArgumentsOfTheTagsWhoseArgumentFollowsTheLetter) {
    std::string letters;
    for (int letter = 0; letter < 256; ++letter) {
        if (argumentFollowsLetter(letterTag(static_cast<char>(letter)))) {
            letters += static_cast<char>(letter);
        }
    }
    EXPECT_EQ("QTmqw", letters);
}

} // namespace
} // namespace quillery::test
