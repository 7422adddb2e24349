// Converted Markdown as the build sees it: hostile text never forms markup, every conversion builds without
// errors, images are checked at their Markdown line, and problems name Markdown places.
#include "markdown_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::bodyOf;
using test::CollectingSink;
using test::ReportCollector;

markdown::Conversion convert(const std::string& text, const std::string& folder = "") {
    markdown::ConversionSettings settings;
    settings.markdownFolder = folder;
    return markdown::convertMarkdown(text, settings);
}

TEST(MarkdownHostileTextTest, NothingInTheTextFormsMarkup) {
    EXPECT_EQ(
        "\\\\x\\\\\\\\ \\\\Fn=\"a\" \\a060footnote id=\"a\"> \\a060/footnote>\n\n"
        "\\t\\a060sidebar id=\"b\">\\t\n",
        bodyOf("\\\\x\\\\\\\\ \\\\Fn=\"a\" \\<footnote id=\"a\"> `</footnote>`\n\n    <sidebar id=\"b\">\n"));
    // A footnote body can hold neither an end tag nor another definition's opening.
    EXPECT_EQ(
        "x\\Fn=\"1\"[1]\\Fn\n<footnote id=\"1\">\n\\a060/footnote> \\a060footnote id=\"2\">\n</footnote>\n",
        bodyOf("x[^1]\n\n[^1]: `</footnote>` `<footnote id=\"2\">`\n"));
    // NUL and other control bytes vanish as a build drops them.
    EXPECT_EQ("ab c\n", bodyOf(std::string("a\0b\x01\x07 c\x7F\n", 8)));
}

TEST(MarkdownHostileTextTest, InvalidUtf8IsReportedAtItsPlace) {
    ReportCollector reports;
    markdown::Conversion conversion = convert("fine\n\nbad \xFF\xFE here\n# and \xC3\n");
    ASSERT_EQ(1u, reports.reports().size());
    EXPECT_EQ("W The text is not valid UTF-8 here; such bytes became \"?\" (3 in the file).",
              reports.lines()[0]);
    EXPECT_EQ(3u, reports.reports()[0].place->line);
    EXPECT_EQ(5u, reports.reports()[0].place->column);
    EXPECT_NE(std::string::npos, conversion.markup.find("bad ?? here\n\n\\x\\Q=\"and-\"and ?\\x"))
        << conversion.markup;
}

TEST(MarkdownHostileTextTest, EveryConversionBuildsWithoutErrors) {
    const char* inputs[] = {
        "",
        "\\",
        "# \\\n\n## \\\\\n\n[x](#section)",
        "# \"\n\n[a](#)",
        "<footnote id=\"x\">\n\nx</footnote>\n\n<sidebar id=\"s\">y</sidebar>",
        "TITLE=\"evil\" AUTHOR=\"x\"\n\nSUBTITLE=\"y\"",
        "# a [b](#a) ![c](d.png) [^1] `\\x`\n\n[^1]: [link](#a) # \\Fn=\"1\" ![](x.png)\n\n> # in a quote\n",
        "- a\n  - b\n    - c\n      > d\n      > ```\n      > \\q=\"#x\"\n      > ```\n",
        "***a **b*** c**\n\n~~~\n\\\\\n~~~\n\n|a|\\|b|\n|-|-|\n|`\\`|x|\n",
        "# \xF0\x9F\x98\x80 \xE2\x86\x92 caf\xC3\xA9 \xC5\x91\n\n\xE2\x82\xAC \xC5\xBD \xE2\x84\xA2 "
        "\xEF\xBF\xBD",
        "[^a]\n\n[^a]: [^a] [^b]\n[^b]: x",
        "<!-- pagebreak -->\n# x\n<!-- pagebreak -->",
    };
    for (const char* input : inputs) {
        SCOPED_TRACE(input);
        test::ScratchDir dir;
        markdown::Conversion conversion;
        {
            ReportCollector quiet;
            conversion = convert(input, dir.path());
        }
        CollectingSink reports;
        EXPECT_TRUE(test::buildsCleanly(dir, conversion.markup, reports)) << conversion.markup;
        for (const std::string& line : reports.lines()) {
            EXPECT_EQ(std::string::npos, line.find("Illegal")) << line;
            EXPECT_EQ(std::string::npos, line.find("not been defined")) << line;
        }
    }
}

TEST(MarkdownHostileTextTest, ATenMegabyteFileConvertsAndBuilds) {
    std::string paragraph =
        "Some *text* with \\\\ a [link](#part) and \xC5\x91 \xE2\x82\xAC, twelve words or so "
        "in a line.\n";
    std::string text;
    for (int part = 0; text.size() < 10 * 1024 * 1024; ++part) {
        text += "# Part\n\n";
        for (int k = 0; k < 200; ++k) {
            text += paragraph;
        }
        text += "\n";
    }
    markdown::Conversion conversion;
    {
        ReportCollector quiet;
        conversion = convert(text);
    }
    EXPECT_EQ(0, conversion.errors);
    EXPECT_NE(std::string::npos, conversion.markup.find("\\x\\Q=\"part-1\"Part\\x"));
    // Converted text may hold more pages than a book can: building a third of it is enough to show it builds.
    test::ScratchDir dir;
    CollectingSink reports;
    EXPECT_TRUE(test::buildsCleanly(
        dir, conversion.markup.substr(0, conversion.markup.find("# Part", 3 * 1024 * 1024)), reports));
}

TEST(MarkdownImageTest, ImagesAreCheckedAtTheirMarkdownLine) {
    test::ScratchDir dir;
    std::filesystem::create_directories(dir.file("pics"));
    test::writeGreyPng(dir.file("pics/a long picture name that goes on and on.png"));
    test::writeGreyPng(dir.file("pics/same.png"));
    test::writeGreyPng(dir.file("same.png"));
    test::writeFile(dir.file("fake.png"), "not a png");
    test::writeFile(dir.file("photo.jpg"), "jpeg");
    ReportCollector reports;
    markdown::Conversion conversion = convert("![a](<pics/a long picture name that goes on and on.png>)\n"
                                              "![b](pics/same.png) ![c](same.png) ![d](./pics/../same.png)\n"
                                              "![e](../outside.png)\n![f](/etc/x.png)\n![g](missing.png)\n"
                                              "![h](photo.jpg)\n![i](fake.png)\n",
                                              dir.path());
    std::vector<std::string> expected = {
        "E The image \"../outside.png\" lies outside the folder of the Markdown file.",
        "E The image \"/etc/x.png\" lies outside the folder of the Markdown file.",
        "E The image \"missing.png\" was not found.",
        "E The image \"photo.jpg\" could not be read: not a JPEG, PNG or GIF picture.",
        "E The image \"fake.png\" could not be read: not a JPEG, PNG or GIF picture.",
    };
    EXPECT_EQ(expected, reports.lines());
    for (size_t k = 0; k < reports.reports().size(); ++k) {
        EXPECT_EQ(k + 3, reports.reports()[k].place->line);
    }
    EXPECT_EQ(5, conversion.errors);
    ASSERT_EQ(3u, conversion.images.size());
    EXPECT_EQ("a_long_picture_name_.png", conversion.images[0].name);
    EXPECT_EQ("same.png", conversion.images[1].name);
    EXPECT_EQ("same-2.png", conversion.images[2].name);
    EXPECT_EQ(
        "\\m=\"a_long_picture_name_.png\" \\m=\"same.png\" \\m=\"same-2.png\" \\m=\"same-2.png\" e f g h i\n",
        bodyOf("![a](<pics/a long picture name that goes on and on.png>)\n"
               "![b](pics/same.png) ![c](same.png) ![d](./pics/../same.png)\n"
               "![e](../outside.png)\n![f](/etc/x.png)\n![g](missing.png)\n![h](photo.jpg)\n![i](fake.png)\n",
               dir.path()));
}

TEST(MarkdownPlaceTest, BuildMessagesTranslateToMarkdownPlaces) {
    markdown::Conversion conversion;
    {
        ReportCollector quiet;
        conversion = convert("---\ntitle: T\n---\n# Head\n\nplain\n\n> quote with caf\xC3\xA9\n");
    }
    test::ScratchDir dir;
    CollectingSink reports;
    ASSERT_TRUE(test::buildsCleanly(dir, conversion.markup, reports));
    const test::CollectedReport* nonAscii = nullptr;
    for (const test::CollectedReport& report : reports.reports()) {
        if (report.text == "Non-ASCII characters in file; attempting to map them") {
            nonAscii = &report;
        }
    }
    ASSERT_NE(nullptr, nonAscii);
    ASSERT_TRUE(nonAscii->place);
    SourcePlace place = conversion.places.translate(*nonAscii->place);
    EXPECT_EQ(8u, place.line);
    EXPECT_EQ(3u, place.column);
}

} // namespace
} // namespace quillery
