#include "cli/page_preview.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(PagePreviewTest, ReaderTextDropsTagsAndShowsCharacters) {
    EXPECT_EQ("Caf\xC3\xA9 \\ \xE2\x82\xAC", cli::readerText("Caf\\a233 \\\\ \\U20AC"));
    EXPECT_EQ("Title\nbold and italic",
              cli::readerText("\\C0=\"Chapter One\"\\x\\c\\bTitle\\b\\c\\x\nbold and \\iitalic\\i"));
    EXPECT_EQ("see here, note", cli::readerText("\\q=\"#a\"see\\q \\Q=\"b\"here, \\Fn=\"n\"note\\Fn\\Sp"));
    EXPECT_EQ("[image map.png] shown", cli::readerText("\\m=\"map.png\" \\vhidden\n\\vshown\\w=\"50%\""));
    EXPECT_EQ("xy", cli::readerText("x\\-y\\F")); // a soft hyphen shows only at a line break
    // Cut-off tags at the end never read past the text.
    EXPECT_EQ("a", cli::readerText("a\\U12"));
    EXPECT_EQ("a", cli::readerText("a\\C0=\"unclosed"));
}

// ESC from the source, \a027 and \U009B reach the terminal only as text.
TEST(PagePreviewTest, PageTextCannotDriveTheTerminal) {
    EXPECT_EQ("a\\x1B[2Jb\\x1B\\x9B\\x7F\\x09\\x0D\xE2\x80\xA6\\x81\\\\ \xC2\xA0\xC3\xA9\n",
              cli::terminalText(cli::readerText("a\x1B[2Jb\\a027\\U009B\x7F\t\r\\a133\x81\\\\ \xA0\xE9\n")));
    BookContents book;
    book.mainText = "Bell\\a007 \x1B]0;title\x07\nnext";
    book.smallPages = {PageEntry{0, 1, 0, 0, 0}};
    EXPECT_EQ("1 pages in the small font\n"
              "\nPage 1: text record 1, offset 0, position 0; style 0x0000: small font, left\n"
              "  | Bell\\x07 \\x1B]0;title\\x07\n"
              "  | next\n",
              cli::formatPagesText(book, cli::PreviewFont::Small));
}

TEST(PagePreviewTest, StyleWordsAreDecoded) {
    EXPECT_EQ("small font, left", cli::describeStyle(0x0000));
    EXPECT_EQ("large font, centred, bold, italic", cli::describeStyle(0x8000 | 0x0080 | (2 << 3) | 1));
    EXPECT_EQ("bold font, right, indented", cli::describeStyle(0x2000 | (1 << 3) | 2));
}

TEST(PagePreviewTest, PagesAreShownAsTheDevicesLines) {
    BookContents book;
    book.mainText =
        "First page.\nA paragraph long enough to be wrapped by the reader into lines.\\i\\pSecond "
        "\\m=\"map.png\"page\\a010.\\i";
    book.text = {BookTextRecord{0, static_cast<uint32_t>(book.mainText.size())}};
    EXPECT_EQ("2 pages in the small font\n"
              "\nPage 1: text record 1, offset 0, position 0; style 0x0000: small font, left\n"
              "  | First page.\n"
              "  | A paragraph long enough to be \n"
              "  | wrapped by the reader into lines.\n"
              "\nPage 2: text record 1, offset 79, position 79; style 0x8000: small font, left, italic\n"
              "  | Second [image map.png]page\\x0A.\n",
              cli::formatPagesText(book, cli::PreviewFont::Small));

    std::string json = cli::formatPagesJson(book, cli::PreviewFont::Small);
    EXPECT_NE(std::string::npos, json.find("\"page\": 2, \"record\": 1, \"offset\": 79, \"position\": 79"));
    EXPECT_NE(std::string::npos, json.find("\"italic\": true, \"underline\": false"));
    EXPECT_NE(
        std::string::npos,
        json.find("\"lines\": [\n    {\"start\": 0, \"end\": 12, \"top\": 0, \"height\": 11, \"width\": 42, "
                  "\"text\": \"First page.\", \"pieces\": [{\"kind\": \"text\", \"start\": 0, \"end\": 11, "
                  "\"x\": 0, \"width\": 42, \"height\": 11, \"style\": 0, \"font\": \"small\""));
    EXPECT_NE(std::string::npos, json.find("{\"kind\": \"image\", \"start\": 86, \"end\": 98, \"x\": 31, "
                                           "\"width\": 0, \"height\": 0, \"style\": 32768"));
    EXPECT_NE(std::string::npos, json.find("\"name\": \"map.png\"}"));
    EXPECT_NE(std::string::npos, json.find("{\"kind\": \"character\", \"start\": 102, \"end\": 107"));
    EXPECT_NE(std::string::npos, json.find("\"text\": \"Second [image map.png]page\\n.\""));
}

TEST(PagePreviewTest, ABookWithoutPagesSaysSo) {
    BookContents book;
    book.mainText = "\\Iword\\I meaning";
    book.type = "WgHy";
    EXPECT_EQ("This book has no pages in the large font (a dictionary book has none).\n",
              cli::formatPagesText(book, cli::PreviewFont::Large));
    EXPECT_EQ("{\"font\": \"large\", \"pages\": []}\n", cli::formatPagesJson(book, cli::PreviewFont::Large));
}

} // namespace
} // namespace quillery
