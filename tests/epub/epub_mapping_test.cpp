// The EPUB importer's mapping: each construct of the content documents, the navigation and the metadata as
// the markup it becomes. The generated text is compared whole, and every one of these texts builds cleanly.
#include "../markdown/markdown_support.h"
#include "epub_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::BookFile;
using test::convertBook;
using test::epubBody;
using test::makeBook;
using test::PartCollector;
using test::xhtml;

void expectBuildsCleanly(const epub::EpubConversion& conversion) {
    test::ScratchDir dir;
    test::CollectingSink reports;
    EXPECT_TRUE(test::buildsCleanly(dir, conversion.markup, reports)) << conversion.markup;
    for (const std::string& line : reports.lines()) {
        EXPECT_NE('E', line[0]) << line;
    }
}

// The body markup of a book of `files`, checked to build without errors.
std::string mappedBook(const std::vector<BookFile>& files, const std::string& nav = "") {
    PartCollector quiet;
    epub::EpubConversion conversion = convertBook(makeBook(files, nav));
    EXPECT_EQ(0, conversion.errors);
    expectBuildsCleanly(conversion);
    return epubBody(conversion);
}

std::string mapped(const std::string& body, const std::string& nav = "") {
    return mappedBook({{"a.xhtml", xhtml(body)}}, nav);
}

TEST(EpubMappingTest, TextStylesAndLineBreaks) {
    EXPECT_EQ("One \\a060 \\Btwo\\B\nthree.\n\nNext \\\\ para. \\iit\\i \\uu\\u \\os\\o \\od\\o x\\Sp2\\Sp "
              "H\\Sb2\\SbO \\Spab\\Sp\n",
              mapped("<p>One &lt;<!-- x --> <b>two</b><br/>three.</p>\n<p>Next \\ para. <i>it</i> <u>u</u> "
                     "<s>s</s> <del>d</del> x<sup>2</sup> H<sub>2</sub>O <sup>a<sub>b</sub></sup></p>"));
    // Whitespace of the document collapses; styles given as CSS count too.
    EXPECT_EQ("A \\Bbold\\B \\iand\\i \\uline\\u.\n",
              mapped("<p>\n   A\n  <span style=\"font-weight: bold\">bold</span>   <span "
                     "style=\"font-style:italic\">and</span> <span class=\"underline\">line</span>.  </p>"));
}

TEST(EpubMappingTest, QuotesListsRulesAlignmentAndPageBreaks) {
    EXPECT_EQ(
        "\\tQuoted\n\ntwo\\t\n\n\\a149 a\n\\a149 b\n  3. c\n  4. d\n\n\\w=\"50%\"\n\nafter\n",
        mapped("<blockquote><p>Quoted</p><p>two</p></blockquote><ul><li>a</li><li>b<ol start=\"3\"><li>c</li>"
               "<li>d</li></ol></li></ul><hr/><p>after</p>"));
    // A nested alignment would switch without closing: the outer one holds.
    EXPECT_EQ(
        "\\cCentred\\c\n\n\\rRight\n\ninner\\r\n\n\\pNew page\n\nx\n\n\\py\n",
        mapped("<p class=\"center\">Centred</p><div style=\"text-align: right\">Right <p "
               "align=\"center\">inner</p></div><p style=\"page-break-before: always\">New page</p><div "
               "style=\"break-after: page\">x</div><p>y</p>"));
    EXPECT_EQ("\\tline one\n  indented \\a060x>\\t\n",
              mapped("<pre>\nline one\n  indented &lt;x&gt;\n</pre>"));
}

TEST(EpubMappingTest, HeadingsFromTheDocumentsWithoutNavigation) {
    EXPECT_EQ("\\xChapter\\x\n\nt\n\n\\X1Sec\\X1\n\n\\X2Sub\\X2\n\n\\BDeep\\B\n\nz\n",
              mapped("<h1>Chapter</h1><p>t</p><h2>Sec</h2><h3>Sub</h3><h4>Deep</h4><p>z</p>"));
}

TEST(EpubMappingTest, HeadingsFromTheNavigationWhereItNamesAPlace) {
    // The section's own heading takes the navigation's level; a place without one gets the navigation's
    // title; a heading the navigation does not name in a part it covers is a bold line.
    EXPECT_EQ("\\xNamed\\x\n\ntext\n\n\\X1Second Place\\X1\n\nNo heading here\n\n\\BPlain\\B\n",
              mapped("<section id=\"s1\"><h2>Named</h2><p>text</p></section><div id=\"s2\"><p>No heading "
                     "here</p></div><h1>Plain</h1>",
                     "<ol><li><a href=\"a.xhtml#s1\">Named Nav</a><ol><li><a href=\"a.xhtml#s2\">Second "
                     "Place</a></li></ol></li></ol>"));
}

TEST(EpubMappingTest, ReadingOrderPutsNonLinearDocumentsLast) {
    EXPECT_EQ("First\n\nSecond\n\nAside\n", mappedBook({{"x.xhtml", xhtml("<p>Aside</p>"), "linear=\"no\""},
                                                        {"a.xhtml", xhtml("<p>First</p>")},
                                                        {"b.xhtml", xhtml("<p>Second</p>")}}));
}

TEST(EpubMappingTest, LinksBecomeReferencesToAnchorsAtTheirTargets) {
    EXPECT_EQ("\\x\\Q=\"c1\"Chapter\\x\n\nGo to \\q=\"#p2\"two\\q and \\q=\"#c1\"top\\q or out or lost.\n\n"
              "\\Q=\"p2\"Two\n",
              mapped("<h1 id=\"c1\">Chapter</h1><p id=\"p1\">Go to <a href=\"#p2\">two</a> and <a "
                     "href=\"#c1\">top</a> or <a href=\"http://x.org\">out</a> or <a "
                     "href=\"missing.xhtml#q\">lost</a>.</p><p id=\"p2\">Two</p>"));
    // Across documents, to a document's start, and ids that make the same anchor name.
    EXPECT_EQ(
        "See \\q=\"#b\"b\\q, \\q=\"#part\"c\\q and "
        "\\q=\"#part-1\"d\\q.\n\n\\Q=\"b\"B\n\nC\\Q=\"part\"\\Q=\"part-1\" "
        "D\n",
        mappedBook({{"a.xhtml", xhtml("<p>See <a href=\"b.xhtml\">b</a>, <a href=\"b.xhtml#Part\">c</a> "
                                      "and <a href=\"b.xhtml#part\">d</a>.</p>")},
                    {"b.xhtml", xhtml("<p>B</p><p>C <span id=\"Part\"/><span id=\"part\">D</span></p>")}}));
}

TEST(EpubMappingTest, ALinkReferenceEndsWhereABlockStartsInsideIt) {
    EXPECT_EQ("\\x\\Q=\"a\"T\\x\n\nx \\q=\"#a\"l\\q\n\n\\xU\\x\n\nm\n\n\\w=\"50%\"\n",
              mapped("<h1 id=\"a\">T</h1><div>x <a href=\"#a\">l<h1>U</h1>m<hr/></a></div>"));
}

TEST(EpubMappingTest, Epub3FootnotesLeaveTheTextAndFollowIt) {
    // The body is shown once, as the footnote; the link back to the reference is dropped, and a link inside
    // the body keeps its text only.
    EXPECT_EQ("Note\\Fn=\"1\"[1]\\Fn and again\\Fn=\"1\"[1]\\Fn, \\q=\"#t\"see\\q.\n\n\\Q=\"t\"end\n"
              "<footnote id=\"1\">\nThe \\inote\\i, t.\n</footnote>\n",
              mapped("<p>Note<a epub:type=\"noteref\" id=\"r1\" href=\"#n1\">1</a> and again<a "
                     "epub:type=\"noteref\" href=\"#n1\">1</a>, <a href=\"#t\">see</a>.</p><aside "
                     "epub:type=\"footnote\" id=\"n1\"><p>The <i>note</i>, <a href=\"#t\">t</a>.<a "
                     "href=\"#r1\">back</a></p></aside><p id=\"t\">end</p>"));
}

TEST(EpubMappingTest, CommonEpub2FootnotePatterns) {
    // Targets named fn..., note...; the section that holds them leaves the text with its rule.
    EXPECT_EQ("A\\Fn=\"1\"[1]\\Fn b\\Fn=\"2\"[2]\\Fn \\q=\"#notes\"all\\q.\n\n\\x\\Q=\"notes\"Notes\\x\n\n"
              "Long text.\n<footnote id=\"1\">\nOne.\n</footnote>\n<footnote id=\"2\">\nTwo.\n</footnote>\n",
              mappedBook(
                  {{"a.xhtml", xhtml("<p>A<a href=\"n.xhtml#fn1\" id=\"fnref1\">1</a> b<a "
                                     "href=\"n.xhtml#note-2\">2</a> <a href=\"n.xhtml#notes\">all</a>.</p>")},
                   {"n.xhtml", xhtml("<div class=\"footnotes\"><hr/><ol><li id=\"fn1\"><p>One.<a "
                                     "href=\"a.xhtml#fnref1\">&#8617;</a></p></li></ol></div><p "
                                     "id=\"note-2\">Two.</p><section id=\"notes\"><h1>Notes</h1><p>Long "
                                     "text.</p></section>")}}));
}

TEST(EpubMappingTest, WhatTheDeviceCannotShowIsWarnedOncePerKindWithItsPlace) {
    PartCollector reports;
    epub::EpubConversion conversion = convertBook(makeBook(
        {{"a.xhtml", xhtml("<p>x</p>")},
         {"b.xhtml", xhtml("<p>y</p>\n<table><tr><th>A</th><th>B</th></tr><tr><td>1</td><td>2</td></tr>"
                           "</table>\n<script>alert(1)</script><svg><text>s</text></svg>\n<math><mi>x</mi>"
                           "</math><form><input/>Label</form><video src=\"v.mp4\">fallback</video>"
                           "<table><tr><td>again</td></tr></table>")}}));
    EXPECT_EQ("x\n\ny\n\nA | B\n1 | 2\n\nx\n\nLabel\n\nagain\n", epubBody(conversion));
    expectBuildsCleanly(conversion);
    std::vector<std::string> seen;
    for (const test::PartReport& report : reports.reports) {
        EXPECT_EQ("OEBPS/b.xhtml", report.part) << report.text;
        seen.push_back(std::to_string(report.line) + " " + report.text);
    }
    EXPECT_EQ(
        (std::vector<std::string>{
            "5 Tables cannot be shown on the device and are kept as plain text (2 in the book).",
            "6 Scripts cannot run on the device and were dropped (1 in the book).",
            "6 SVG drawings cannot be shown on the device and were dropped (1 in the book).",
            "7 Forms cannot be used on the device; only their text is kept (2 in the book).",
            "7 Mathematics (MathML) cannot be shown on the device and is kept as plain text (1 in the book).",
            "7 Sound, video and embedded objects cannot be shown on the device and were dropped (1 in the "
            "book)."}),
        seen);
}

TEST(EpubMappingTest, NamedEntitiesComeFromTheParsersOwnTable) {
    // An XHTML 1.1 document naming HTML entities it does not declare (its DTD is never loaded), and a
    // document that is no XML at all.
    std::string declared =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" "
        "\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n<html "
        "xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>a&nbsp;b&mdash;c</p></body></html>";
    EXPECT_EQ("a\xA0"
              "b\x97"
              "c\n",
              mappedBook({{"a.xhtml", declared}}));
    EXPECT_EQ("Loose & \xA0 text\n\nnext\n",
              mappedBook({{"a.xhtml", "<html><body><p>Loose & &nbsp; text<p>next</body>"}}));
}

TEST(EpubMappingTest, PicturesAreFittedToThePageAndOnesThatCannotBeReadAreLeftOut) {
    test::PngImage photo;
    photo.width = 300;
    photo.height = 200;
    photo.colourType = PNG_COLOR_TYPE_RGB;
    photo.rows = test::noiseRows(photo);
    std::vector<BookFile> files = {
        {"a.xhtml", xhtml("<p>x<img src=\"img/photo.png\"/> <img src=\"img/bad.png\"/> "
                          "<img src=\"img/photo.png\"/></p>")},
        {"img/photo.png", test::encodePng(photo), "", "image/png", false},
        {"img/bad.png", "not a picture", "", "image/png", false}};
    PartCollector reports;
    epub::EpubConversion conversion = convertBook(makeBook(files));
    EXPECT_EQ("x\\m=\"photo.png\"\\m=\"photo.png\"\n", epubBody(conversion));
    ASSERT_EQ(1u, conversion.images.size());
    EXPECT_EQ("photo.png", conversion.images[0].name);
    const std::string& png = conversion.images[0].png;
    EXPECT_EQ(0, static_cast<uint8_t>(png[25])); // grey
    EXPECT_EQ(150,
              static_cast<uint8_t>(png[18]) * 256 + static_cast<uint8_t>(png[19])); // 300 wide scaled down
    ASSERT_EQ(1u, reports.reports.size());
    EXPECT_EQ("OEBPS/a.xhtml", reports.reports[0].part);
    EXPECT_EQ(0u, reports.reports[0].text.find("The image \"img/bad.png\" was left out: "))
        << reports.reports[0].text;

    epub::EpubSettings settings;
    settings.colors = pictures::PictureColors::Palette;
    PartCollector quiet;
    epub::EpubConversion colored = epub::convertEpub(makeBook(files), settings);
    ASSERT_EQ(1u, colored.images.size());
    EXPECT_EQ(3, static_cast<uint8_t>(colored.images[0].png[25])); // a palette PNG
    test::ScratchDir dir;
    ASSERT_FALSE(failed(epub::writeImages(colored.images, dir.file("img"), false)));
    test::CollectingSink built;
    EXPECT_TRUE(test::buildsCleanly(dir, colored.markup, built, dir.file("img")));
}

TEST(EpubMappingTest, MetadataGivesTheHeaderFieldsAndTheOptionsOverrideThem) {
    std::string metadata =
        "<dc:title>T \"Q\"</dc:title><dc:creator>Ann</dc:creator><dc:creator>Bo</dc:creator>"
        "<dc:publisher>P</dc:publisher><dc:rights>R</dc:rights>"
        "<dc:identifier>urn:uuid:123</dc:identifier><dc:identifier>urn:isbn:9780306406157"
        "</dc:identifier>";
    PartCollector quiet;
    std::string book = makeBook({{"a.xhtml", xhtml("<p>x</p>")}}, "", {}, metadata);
    epub::EpubConversion conversion = convertBook(book);
    EXPECT_EQ("\\vTITLE=\"T \\a034Q\\a034\"\nAUTHOR=\"Ann, Bo\"\nPUBLISHER=\"P\"\nEISBN=\"9780306406157\"\n"
              "COPYRIGHT=\"R\"\n\n\\vx\n",
              conversion.markup);
    epub::EpubSettings settings;
    settings.overrides.title = "Other";
    EXPECT_EQ(u"Other", epub::convertEpub(book, settings).info.title);
}

} // namespace
} // namespace quillery
