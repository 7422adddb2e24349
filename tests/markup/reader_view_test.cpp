#include "markup/reader_view.h"

#include "paginate_support.h"
#include "tdb/book_reader.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::paginate;
using test::repeat;

// The lines of every page of `view` cover the page's text exactly and in order, and every piece lies inside
// its line.
void expectLinesCoverPages(ReaderView& view, std::string_view text) {
    const PageTable& pages = view.pages();
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        uint32_t end = i + 1 < pages.size() ? pages[i + 1].position : static_cast<uint32_t>(text.size());
        uint32_t at = pages[i].position;
        uint32_t top = 0;
        std::vector<PageLine> lines = view.linesOf(i);
        for (const PageLine& line : lines) {
            ASSERT_EQ(at, line.start);
            ASSERT_LE(line.start, line.end);
            EXPECT_GE(line.top, top); // \d moves lines down
            EXPECT_TRUE(line.top + line.height <= kPageHeight || &line == &lines.front());
            top = line.top + line.height;
            for (const LinePiece& piece : line.pieces) {
                EXPECT_GE(piece.start, line.start);
                EXPECT_LE(piece.end, line.end);
                if (piece.kind == PieceKind::Text) {
                    EXPECT_EQ(text.substr(piece.start, piece.end - piece.start), piece.text);
                    uint32_t width = 0;
                    for (char byte : piece.text) {
                        width += glyphWidth(piece.style, static_cast<uint8_t>(byte));
                    }
                    EXPECT_EQ(piece.width, width);
                }
            }
            at = line.end;
        }
        EXPECT_EQ(end, at);
    }
}

void expectSamePages(const PageTable& expected, const PageTable& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].pageIndex, actual[i].pageIndex);
        EXPECT_EQ(expected[i].record, actual[i].record);
        EXPECT_EQ(expected[i].offset, actual[i].offset);
        EXPECT_EQ(expected[i].position, actual[i].position);
        EXPECT_EQ(expected[i].style, actual[i].style) << "page " << i + 1;
    }
}

ReaderViewInput inputOf(const std::string& text) {
    ReaderViewInput input;
    input.text = text;
    input.imageFolder = "/nonexistent-image-folder";
    return input;
}

// The lines of the only page of `text` in the small font.
std::vector<PageLine> firstPageLines(const std::string& text) {
    ReaderView view(inputOf(text), ViewFont::Small);
    return view.linesOf(0);
}

std::vector<const LinePiece*> piecesOf(const std::vector<PageLine>& lines, PieceKind kind) {
    std::vector<const LinePiece*> found;
    for (const PageLine& line : lines) {
        for (const LinePiece& piece : line.pieces) {
            if (piece.kind == kind) {
                found.push_back(&piece);
            }
        }
    }
    return found;
}

TEST(ReaderViewTest, EveryStoredBookHasItsOwnPagesAndLinesInBothFonts) {
    for (const char* name : {"lighthouse", "generated0", "generated1", "dictionary"}) {
        SCOPED_TRACE(name);
        std::string bytes = test::readFile(std::string(QUILLERY_TEST_DATA_DIR "/golden/") + name + ".tdb");
        BookContents book;
        std::string error;
        ASSERT_TRUE(readBook(bytes, book, error)) << error;
        for (ViewFont font : {ViewFont::Small, ViewFont::Large}) {
            ReaderView view(readerViewInputOf(book), font);
            expectSamePages(font == ViewFont::Small ? book.smallPages : book.largePages, view.pages());
            expectLinesCoverPages(view, book.mainText);
        }
    }
}

// A text with every tag that moves the layout, over many pages, against the build's own page tables.
TEST(ReaderViewTest, TextsWithEveryTagGiveTheBuildsPagesAndCoveringLines) {
    std::string text = repeat("Plain words\\- that wrap a\\-cross the line, \\bbold\\b and \\iitalic\\i, "
                              "\\lLARGE \\Bheavy\\B\\l, x\\Spup\\Sp y\\Sbdown\\Sb; \\vhidden\\v "
                              "\\\\ \\a233 \\U20AC \\q=\"#here\"link\\q \\Q=\"here\" \\Fn=\"n\"note\\Fn "
                              "\\Sd=\"s\"side\\Sd \\m=\"pic.png\" \\w=\"50%\" \\T=\"30%\"after\n"
                              "\\tIndented block that goes on long enough to wrap once or twice.\\t\n"
                              "\\cCentred\\c \\rRight\\r\n\n\n\\d\\x Heading\\x\n\\X1Level\\X1 "
                              "averyveryverylongwordthatcannotbreakanywhereatallinthisline\\p",
                              12);
    test::Paginated book = paginate(text);
    for (ViewFont font : {ViewFont::Small, ViewFont::Large}) {
        ReaderView view(inputOf(text), font);
        expectSamePages(font == ViewFont::Small ? book.tables.smallPages : book.tables.largePages,
                        view.pages());
        expectLinesCoverPages(view, text);
    }
}

TEST(ReaderViewTest, AWordWiderThanTheLineIsCutWhereTheLayoutCutsIt) {
    // 40 letters of width 5: 31 fit (155 pixels), the 32nd starts the next line.
    std::vector<PageLine> lines = firstPageLines(std::string(40, 'a'));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, lines[0].start);
    EXPECT_EQ(31u, lines[0].end);
    EXPECT_EQ(155u, lines[0].width);
    ASSERT_EQ(1u, lines[0].pieces.size());
    EXPECT_EQ(std::string(31, 'a'), lines[0].pieces[0].text);
    EXPECT_EQ(11u, lines[1].top);
    EXPECT_EQ(std::string(9, 'a'), lines[1].pieces[0].text);
}

TEST(ReaderViewTest, TrailingSpacesStayOnTheLineTheyEnd) {
    std::string first(25, 'a');
    std::vector<PageLine> lines = firstPageLines(first + "   " + std::string(10, 'b') + "\nnext");
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(first + "   ", lines[0].pieces.at(0).text);
    EXPECT_EQ(std::string(10, 'b'), lines[1].pieces.at(0).text);
    EXPECT_EQ(lines[1].start + 11, lines[1].end); // its line end included
    EXPECT_EQ("next", lines[2].pieces.at(0).text);
}

TEST(ReaderViewTest, ALineBrokenAtASoftHyphenEndsInTheHyphen) {
    std::string text = std::string(28, 'a') + "\\-" + std::string(10, 'b');
    std::vector<PageLine> lines = firstPageLines(text);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(30u, lines[0].end);
    ASSERT_EQ(2u, lines[0].pieces.size());
    const LinePiece& hyphen = lines[0].pieces[1];
    EXPECT_EQ(PieceKind::SoftHyphen, hyphen.kind);
    EXPECT_EQ(140u, hyphen.x);
    EXPECT_EQ(173, hyphen.code);
    EXPECT_EQ(std::string(10, 'b'), lines[1].pieces.at(0).text);
    // Where the line does not break there, the soft hyphen shows nothing.
    EXPECT_TRUE(piecesOf(firstPageLines("a\\-b"), PieceKind::SoftHyphen).empty());
}

TEST(ReaderViewTest, TagsBecomePiecesWithTheirPlaceAndStyle) {
    std::vector<PageLine> lines = firstPageLines(
        "\\q=\"#There\"go\\q \\Q=\"there\"\\a233\\U20AC\\vno\\a065\\v\\Sd=\"s1\"i\\Sd \\iit\\i");
    ASSERT_EQ(1u, lines.size());
    auto link = piecesOf(lines, PieceKind::LinkReference);
    ASSERT_EQ(1u, link.size());
    EXPECT_EQ("There", link[0]->name);
    auto go = lines[0].pieces.at(1);
    EXPECT_EQ("go", go.text);
    EXPECT_EQ(kStyleReference, go.style & kStyleReference);
    auto anchor = piecesOf(lines, PieceKind::Anchor);
    ASSERT_EQ(1u, anchor.size());
    EXPECT_EQ("there", anchor[0]->name);
    auto characters = piecesOf(lines, PieceKind::Character);
    ASSERT_EQ(1u, characters.size()); // the \a inside \v is hidden
    EXPECT_EQ(233, characters[0]->code);
    auto unicode = piecesOf(lines, PieceKind::Unicode);
    ASSERT_EQ(1u, unicode.size());
    EXPECT_EQ(0x20AC, unicode[0]->code);
    EXPECT_EQ(characters[0]->x + characters[0]->width, unicode[0]->x);
    EXPECT_EQ(10u, unicode[0]->width);
    EXPECT_EQ(16u, lines[0].height); // the sidebar icon
    auto sidebar = piecesOf(lines, PieceKind::SidebarReference);
    ASSERT_EQ(1u, sidebar.size());
    EXPECT_EQ("s1", sidebar[0]->name);
    EXPECT_EQ(unicode[0]->x + 10, sidebar[0]->x);
    EXPECT_EQ(16u + 2u, sidebar[0]->width); // the icon and a space
    const LinePiece& italic = lines[0].pieces.back();
    EXPECT_EQ("it", italic.text);
    EXPECT_EQ(kStyleItalic, italic.style & kStyleItalic);
}

TEST(ReaderViewTest, ImagesTakeTheSizeOfTheBooksRecordsOrThePlaceholder) {
    std::string text = "a\\m=\"pics/map.png\"b\\m=\"wide.png\"\\m=\"unknown.png\"c";
    ReaderViewInput input = inputOf(text);
    input.imagesFromBook = true;
    input.images = {{"map.png", 20, 30}, {"wide.png", 200, 10}};
    ReaderView view(std::move(input), ViewFont::Small);
    std::vector<PageLine> lines = view.linesOf(0);
    auto images = piecesOf(lines, PieceKind::Image);
    ASSERT_EQ(3u, images.size());
    EXPECT_EQ("pics/map.png", images[0]->name);
    EXPECT_EQ(5u, images[0]->x);
    EXPECT_EQ(20u, images[0]->width);
    EXPECT_EQ(30u, images[0]->height);
    EXPECT_EQ(16u, images[1]->width); // too wide for the page
    EXPECT_EQ(16u, images[1]->height);
    EXPECT_EQ(0u, images[2]->width);
    EXPECT_EQ(30u, lines.at(0).height);
}

TEST(ReaderViewTest, ALineThatDoesNotFitStartsTheNextPageWithNothingLeftBehind) {
    // 13 lines of 11 pixels fill 143 of 148; the 14th starts page 2.
    std::string text = repeat("line\n", 13) + "\\iwrapped text\\i that moves on\n";
    ReaderView view(inputOf(text), ViewFont::Small);
    ASSERT_EQ(2u, view.pageCount());
    std::vector<PageLine> first = view.linesOf(0);
    ASSERT_EQ(13u, first.size());
    EXPECT_EQ("line", first.back().pieces.at(0).text);
    std::vector<PageLine> second = view.linesOf(1);
    ASSERT_EQ(1u, second.size());
    EXPECT_EQ(0u, second[0].top);
    EXPECT_EQ("wrapped text", second[0].pieces.at(0).text);
    EXPECT_EQ(1u, view.pageOf(static_cast<uint32_t>(text.size() - 1)));
    EXPECT_EQ(0u, view.pageOf(0));
}

TEST(ReaderViewTest, APageStartingAtAHeadingBeginsWithItsTag) {
    std::string text = "Before.\\x Title\\x\nAfter.";
    ReaderView view(inputOf(text), ViewFont::Large);
    ASSERT_EQ(2u, view.pageCount());
    std::vector<PageLine> lines = view.linesOf(1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(7u, lines[0].start);
    EXPECT_EQ(" Title", lines[0].pieces.at(0).text);
    EXPECT_EQ(kFontLarge, pageFont(lines[0].pieces[0].style));
}

TEST(ReaderViewTest, ADictionaryHasNoPagesAndAnEmptyTextOneEmptyPage) {
    std::string text = "\\Iword\\I meaning\n";
    ReaderViewInput input = inputOf(text);
    input.dictionary = true;
    ReaderView dictionary(std::move(input), ViewFont::Small);
    EXPECT_EQ(0u, dictionary.pageCount());
    EXPECT_TRUE(dictionary.linesOf(0).empty());

    std::string empty;
    ReaderView view(inputOf(empty), ViewFont::Small);
    ASSERT_EQ(1u, view.pageCount());
    EXPECT_TRUE(view.linesOf(0).empty() || view.linesOf(0).front().pieces.empty());
}

TEST(ReaderViewTest, TheViewReportsNothing) {
    test::ReportCollector collector;
    std::string text = "\\z bad tag \\C9=\"x\" and \\m=\"missing.png\"";
    ReaderView view(inputOf(text), ViewFont::Small);
    (void)view.linesOf(0);
    EXPECT_TRUE(collector.lines().empty());
}

} // namespace
} // namespace quillery
