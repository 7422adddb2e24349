// The markup each Markdown construct becomes, compared whole.
#include "markdown_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::bodyOf;

TEST(MarkdownMappingTest, HeadingsAreChaptersSpansOrBoldLinesWithAnchors) {
    EXPECT_EQ("\\x\\Q=\"one\"One\\x\n\n"
              "\\X1\\Q=\"two\"Two\\X1\n\n"
              "\\X2\\Q=\"three\"Three\\X2\n\n"
              "\\Q=\"four\"\\BFour\\B\n\n"
              "\\Q=\"six\"\\BSix\\B\n",
              bodyOf("# One\n## Two\n### Three\n#### Four\n###### Six\n"));
}

TEST(MarkdownMappingTest, ParagraphsBreaksAndInlineStyles) {
    EXPECT_EQ("Para one soft line\nhard.\n\nPlain \\iem\\i \\Bstrong\\B \\ogone\\o code \\i\\Bboth\\B\\i "
              "\\ia \\Bb c d\\B e\\i\n",
              bodyOf("Para one\nsoft line  \nhard.\n\nPlain *em* **strong** ~~gone~~ `code` ***both*** "
                     "*a **b *c* d** e*\n"));
}

TEST(MarkdownMappingTest, CodeBlocksAndQuotesAreIndentedBlocks) {
    EXPECT_EQ(
        "\\tx = 1\n    if y\\t\n\n\\tindented\\t\n\n\\tquote one\n\nquote two\n\n\\\\inner\\t\n\nafter\n",
        bodyOf(
            "```c\nx = 1\n\tif y\n\n```\n\n    indented\n\n> quote one\n>\n> quote two\n>\n> > \\\\inner\n\n"
            "after\n"));
}

TEST(MarkdownMappingTest, ListsKeepTheirBulletsAndNumbers) {
    EXPECT_EQ(
        "\\a149 a\n  1. nested\n  2. two\n\\a149 b\n\n3) three\n4) four\n\n\\a149 loose\n\n\\a149 items\n",
        bodyOf("- a\n  1. nested\n  2. two\n- b\n\n3) three\n4) four\n\n* loose\n\n* items\n"));
}

TEST(MarkdownMappingTest, RulesAndPageBreaks) {
    EXPECT_EQ("before\n\n\\w=\"50%\"\n\n\\pafter\n",
              bodyOf("before\n\n***\n\n<!-- pagebreak -->\n\nafter\n"));
}

TEST(MarkdownMappingTest, LinksToHeadingsBecomeReferencesAndOthersKeepTheirText) {
    EXPECT_EQ(
        "\\x\\Q=\"the-letter\"The Letter\\x\n\n"
        "\\q=\"#the-letter\"see\\q, \\q=\"#the-letter\"\\ialso\\i\\q and elsewhere.\n",
        bodyOf(
            "# The Letter\n\n[see](#the-letter), [*also*](#The%20Letter) and [elsewhere](http://x.org).\n"));
}

TEST(MarkdownMappingTest, RepeatedHeadingsGetNumberedAnchors) {
    EXPECT_EQ(
        "\\x\\Q=\"repeat\"Repeat\\x\n\n\\x\\Q=\"repeat-1\"Repeat\\x\n\n\\x\\Q=\"repeat-2\"REPEAT!\\x\n\n"
        "\\q=\"#repeat-1\"a\\q \\q=\"#repeat-2\"b\\q\n",
        bodyOf("# Repeat\n# Repeat\n# REPEAT!\n[a](#repeat-1) [b](#Repeat-2)\n"));
}

TEST(MarkdownMappingTest, FootnotesAreReferencesWithBodiesAfterTheText) {
    EXPECT_EQ("Text\\Fn=\"1\"[1]\\Fn and more\\Fn=\"2\"[2]\\Fn.\n"
              "<footnote id=\"1\">\nFirst \\inote\\i.\n\n\\BHeading in a note\\B\n</footnote>\n"
              "<footnote id=\"2\">\nSecond, see [1].\n</footnote>\n",
              bodyOf("Text[^a] and more[^b].\n\n[^a]: First *note*.\n\n    #### Heading in a note\n"
                     "[^b]: Second, see [^a].\n[^unused]: Never referred to.\n"));
}

TEST(MarkdownMappingTest, ImagesAndFootnotesInsideLinksAndHeadingsGoAfterThem) {
    test::ScratchDir dir;
    test::writeGreyPng(dir.file("pic.png"));
    EXPECT_EQ("\\x\\Q=\"title-link\"Title link \\x\\m=\"pic.png\"\\Fn=\"1\"[1]\\Fn\n\n"
              "\\q=\"#title-link\"go \\q\\m=\"pic.png\"\\Fn=\"1\"[1]\\Fn \\m=\"pic.png\"\n"
              "<footnote id=\"1\">\nnote with link and \\m=\"pic.png\"\n</footnote>\n",
              bodyOf("# Title [link](#x) ![alt](pic.png)[^1]\n\n[go ![a](pic.png)[^1]](#title-link) "
                     "![b](./pic.png)\n\n"
                     "[^1]: note with [link](#title-link) and ![c](pic.png)\n",
                     dir.path()));
}

TEST(MarkdownMappingTest, TablesTaskListsAndHtmlArePlainTextOrDropped) {
    EXPECT_EQ("a | b\n1 | 2\n\n\\a149 [x] done\n\\a149 [ ] open\n\nx y\n",
              bodyOf("| a | b |\n|---|---|\n| 1 | 2 |\n\n- [x] done\n- [ ] open\n\n<div>\nblock\n</div>\n\nx "
                     "<b>y</b>\n"));
}

TEST(MarkdownMappingTest, FrontMatterGivesTheHeaderBlockAndOverridesWin) {
    markdown::ConversionSettings settings;
    settings.overrides.author = "Given \"Quoted\" \\ Author";
    markdown::Conversion conversion = markdown::convertMarkdown(
        "---\ntitle: 'It''s: Caf\xC3\xA9'\nauthor: someone\nisbn: \"1-2\"\nunknown: x\n---\nText\n",
        settings);
    EXPECT_EQ(
        "\\vTITLE=\"It's: Caf\\a233\"\nAUTHOR=\"Given \\a034Quoted\\a034 \\\\ Author\"\nPUBLISHER=\"\"\n"
        "EISBN=\"1-2\"\nCOPYRIGHT=\"\"\n\n\\vText\n",
        conversion.markup);
    EXPECT_EQ(u"It's: Caf\u00E9", conversion.info.title.text());
    EXPECT_EQ(u"Given \"Quoted\" \\ Author", conversion.info.author.text());
    EXPECT_TRUE(conversion.info.publisher.empty());
}

} // namespace
} // namespace quillery
