// The page renderer on pages made by hand (where every piece goes, what a reference covers) and on the sample
// book's pages, compared with stored pictures; the page export and the export command.
#include "app/export_command.h"
#include "app/page_export.h"
#include "app/page_renderer.h"
#include "app/preview_book.h"
#include "markup/glyph_widths.h"
#include "preview_support.h"

#include <QColor>
#include <QDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillery {
namespace {

LinePiece textPiece(std::string text, uint32_t x, uint16_t style = 0) {
    LinePiece piece;
    piece.kind = PieceKind::Text;
    piece.text = std::move(text);
    piece.x = x;
    piece.style = style;
    for (char c : piece.text) {
        piece.width += static_cast<uint32_t>(glyphMetricsFor(pageFont(style), style).widths->at(uint8_t(c)));
    }
    piece.height = glyphMetricsFor(pageFont(style), style).lineHeight;
    return piece;
}

LinePiece boxPiece(PieceKind kind, std::string name, uint32_t x, uint32_t width, uint32_t height,
                   uint16_t style = 0) {
    LinePiece piece;
    piece.kind = kind;
    piece.name = std::move(name);
    piece.x = x;
    piece.width = width;
    piece.height = height;
    piece.style = style;
    return piece;
}

PageLine lineOf(uint32_t top, uint32_t height, std::vector<LinePiece> pieces) {
    PageLine line;
    line.top = top;
    line.height = height;
    for (const LinePiece& piece : pieces) {
        line.width = std::max(line.width, piece.x + piece.width);
    }
    line.pieces = std::move(pieces);
    return line;
}

// The columns that hold ink (darker than mid grey) in rows [top, bottom): first and last, or {-1, -1}.
std::pair<int, int> inkColumns(const QImage& page, int top, int bottom) {
    int first = -1;
    int last = -1;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 128) {
                first = first < 0 ? x : std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

TEST(PageRendererTest, GlyphsStandInTheirDeviceCellsAndAlignmentShiftsTheLine) {
    // "MMMM" in the small font takes 4 x 8 pixels; its ink stays within them (a pixel of slack for the
    // letter shapes), wherever the layout or the alignment puts the line.
    struct Case {
        uint16_t alignment;
        uint32_t x;
        int left;
    };
    for (Case c :
         {Case{kAlignLeft, 20, 20}, Case{kAlignCentre, 0, (158 - 32) / 2}, Case{kAlignRight, 0, 158 - 32}}) {
        // An anchor before the alignment tag does not decide the line's alignment.
        PageLine line = lineOf(11, 11,
                               {boxPiece(PieceKind::Anchor, "top", 0, 0, 0),
                                textPiece("MMMM", c.x, pageStyleWord(0, c.alignment, kFontSmall))});
        QImage page = renderPage({line}, {});
        ASSERT_EQ(page.size(), QSize(158, 148));
        auto [first, last] = inkColumns(page, 11, 22);
        EXPECT_GE(first, c.left - 1) << c.alignment;
        EXPECT_LE(first, c.left + 2) << c.alignment;
        EXPECT_LE(last, c.left + 32) << c.alignment;
        EXPECT_GE(last, c.left + 28) << c.alignment;
        EXPECT_EQ(inkColumns(page, 0, 11).first, -1) << "nothing above the line";
        EXPECT_EQ(inkColumns(page, 22, 148).first, -1) << "nothing below the line";
    }
}

TEST(PageRendererTest, ImagesComeFromTheBookAndPlaceholdersStandForTheRest) {
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(QColor(200, 0, 0));
    PageArt art{"", [&](std::string_view name) { return name == "red.png" ? picture : QImage(); }};
    PageLine line = lineOf(0, 16,
                           {boxPiece(PieceKind::Image, "red.png", 30, 20, 10),
                            boxPiece(PieceKind::Image, "missing.png", 60, 16, 16),
                            boxPiece(PieceKind::Image, "red.png", 90, 16, 16)});
    QImage page = renderPage({line}, art);
    // Standing on the bottom of its 16-pixel line.
    EXPECT_EQ(page.pixelColor(30, 6), QColor(200, 0, 0));
    EXPECT_EQ(page.pixelColor(49, 15), QColor(200, 0, 0));
    EXPECT_EQ(page.pixelColor(30, 5), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(50, 10), QColor(Qt::white));
    // A picture the book does not hold, and one laid out at another size, are framed crosses.
    for (int left : {60, 90}) {
        EXPECT_EQ(page.pixelColor(left, 0), QColor(Qt::black)) << left;
        EXPECT_EQ(page.pixelColor(left + 15, 15), QColor(Qt::black)) << left;
        EXPECT_EQ(page.pixelColor(left + 7, 7), QColor(Qt::black)) << left;
        EXPECT_EQ(page.pixelColor(left + 7, 2), QColor(Qt::white)) << left;
    }
}

TEST(PageRendererTest, RulesTakeTheShareTheirTagAsksFor) {
    std::string text = "\\w=\"50%\"";
    LinePiece rule = boxPiece(PieceKind::Rule, "", 0, 158, 11);
    rule.start = 0;
    rule.end = static_cast<uint32_t>(text.size());
    QImage page = renderPage({lineOf(0, 11, {rule})}, PageArt{text, {}});
    EXPECT_EQ(inkColumns(page, 0, 11), std::make_pair(39, 117)); // 79 pixels, centred
}

TEST(PageRendererTest, ScalingMakesEachDevicePixelACrispSquare) {
    QImage page(158, 148, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setPixelColor(5, 7, QColor(40, 40, 40));
    for (int scale : {1, 3, 4}) {
        QImage big = scaledPage(page, scale);
        ASSERT_EQ(big.size(), QSize(158 * scale, 148 * scale));
        for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) {
                EXPECT_EQ(big.pixelColor(5 * scale + dx, 7 * scale + dy), QColor(40, 40, 40));
            }
        }
        EXPECT_EQ(big.pixelColor(5 * scale + scale, 7 * scale), QColor(Qt::white));
    }
    EXPECT_EQ(scaledPage(page, 9).size(), QSize(158 * 4, 148 * 4));
    EXPECT_EQ(scaledPage(page, 0).size(), QSize(158, 148));
}

TEST(PageTargetsTest, ReferencesCoverTheirTextOnEveryLineAndEndWithIt) {
    const uint16_t reference = kStyleReference;
    std::vector<PageLine> lines = {
        lineOf(0, 11,
               {textPiece("See ", 0), boxPiece(PieceKind::LinkReference, "keeper", 20, 0, 0),
                textPiece("the first", 20, reference)}),
        lineOf(11, 11,
               {textPiece("chapter", 0, reference), textPiece(" or", 32),
                boxPiece(PieceKind::FootnoteReference, "board", 45, 0, 0), textPiece("*", 45, reference)}),
        lineOf(22, 16, {boxPiece(PieceKind::SidebarReference, "log", 10, 18, 16), textPiece("log", 28)}),
    };
    std::vector<PageTarget> targets = pageTargets(lines);
    ASSERT_EQ(targets.size(), 4u);
    EXPECT_EQ(targets[0].kind, TargetKind::Link);
    EXPECT_EQ(targets[0].name, "keeper");
    EXPECT_EQ(targets[0].area, QRect(20, 0, int(lines[0].pieces[2].width), 11));
    EXPECT_EQ(targets[1].name, "keeper");
    EXPECT_EQ(targets[1].area, QRect(0, 11, int(lines[1].pieces[0].width), 11));
    EXPECT_EQ(targets[2].kind, TargetKind::Footnote);
    EXPECT_EQ(targets[2].area.left(), 45);
    EXPECT_EQ(targets[3].kind, TargetKind::Sidebar);
    EXPECT_EQ(targets[3].area, QRect(10, 22, 16, 16));
    EXPECT_FALSE(referenceOpenAfter(lines, std::nullopt));

    // A reference that runs on past the page is followed from the next one.
    std::vector<PageLine> first(lines.begin(), lines.begin() + 1);
    std::optional<OpenReference> open = referenceOpenAfter(first, std::nullopt);
    ASSERT_TRUE(open);
    std::vector<PageLine> next(lines.begin() + 1, lines.end());
    EXPECT_EQ(pageTargets(next, open).front().name, "keeper");
    EXPECT_EQ(pageTargets(next).front().kind, TargetKind::Footnote);
}

class SamplePagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string path = test::buildSampleBook(folder);
        ASSERT_FALSE(path.empty());
        std::string error;
        book = PreviewBook::open(path, error);
        ASSERT_TRUE(book) << error;
    }

    QImage page(ViewFont font, size_t index, size_t withoutLine = SIZE_MAX) {
        PageArt art{book->contents().mainText, [this](std::string_view name) { return book->image(name); }};
        std::vector<PageLine> lines = book->view(font).linesOf(index);
        if (withoutLine < lines.size()) {
            lines.erase(lines.begin() + static_cast<long>(withoutLine));
        }
        return renderPage(lines, art);
    }

    test::ScratchDir folder;
    std::unique_ptr<PreviewBook> book;
};

// Stored pictures of three pages. QUILLERY_UPDATE_PAGE_PICTURES=1 writes them afresh (after a change that
// is meant to alter how pages look).
TEST_F(SamplePagesTest, PagesLookLikeTheirStoredPictures) {
    struct Stored {
        ViewFont font;
        size_t page;
        const char* file;
    };
    const bool update = std::getenv("QUILLERY_UPDATE_PAGE_PICTURES") != nullptr;
    const double kTolerance = 0.01;
    for (Stored stored : {Stored{ViewFont::Small, 0, "lighthouse-small-1.png"},
                          Stored{ViewFont::Small, 2, "lighthouse-small-3.png"},
                          Stored{ViewFont::Large, 3, "lighthouse-large-4.png"}}) {
        QString path = QStringLiteral(QUILLERY_TEST_DATA_DIR "/preview/") + QLatin1String(stored.file);
        QImage drawn = page(stored.font, stored.page);
        if (update) {
            QDir().mkpath(QStringLiteral(QUILLERY_TEST_DATA_DIR "/preview"));
            ASSERT_TRUE(drawn.save(path, "PNG"));
        }
        QImage expected(path);
        ASSERT_FALSE(expected.isNull()) << stored.file;
        // Font rasterisers differ in the edges of letters, never in where lines and pictures are.
        EXPECT_LT(test::differingShare(drawn, expected, 96), kTolerance) << stored.file;
    }
    // The comparison does see a page that lacks one line of text.
    QImage firstPage(QStringLiteral(QUILLERY_TEST_DATA_DIR "/preview/lighthouse-small-1.png"));
    EXPECT_GT(test::differingShare(page(ViewFont::Small, 0, 2), firstPage, 96), kTolerance);
}

TEST_F(SamplePagesTest, TheSampleBookFindsItsPicturesAnchorsAndBodies) {
    EXPECT_EQ(book->image("tower.png").size(), QSize(96, 96));
    EXPECT_EQ(book->image("folder/tower.png").size(), QSize(96, 96));
    EXPECT_TRUE(book->image("nothing.png").isNull());
    EXPECT_EQ(book->anchorPosition("Keeper"), book->contents().links.at(0).position);
    EXPECT_FALSE(book->anchorPosition("nowhere"));
    ASSERT_NE(book->footnote("BOARD"), nullptr);
    EXPECT_NE(book->footnote("board")->text.find("Board of Lights"), std::string::npos);
    ASSERT_NE(book->sidebar("log"), nullptr);
    EXPECT_EQ(book->sidebar("board"), nullptr);
    EXPECT_EQ(book->title(), QStringLiteral("The Lamp on Gull Point"));
}

TEST_F(SamplePagesTest, ExportSavesOnePageOrEveryPageAndNamesWhatFails) {
    EXPECT_EQ(exportFileName(0, 10), "page-001.png");
    EXPECT_EQ(exportFileName(1233, 1234), "page-1234.png");
    EXPECT_EQ(exportFileName(4, 65535), "page-00005.png");

    std::string error;
    std::vector<std::string> written;
    ExportRequest request;
    request.folder = folder.file("pages");
    request.scale = 2;
    ASSERT_TRUE(exportPages(*book, request, error, &written)) << error;
    ASSERT_EQ(written.size(), book->view(ViewFont::Small).pageCount());
    QImage first(QString::fromStdString(written.front()));
    EXPECT_EQ(first.size(), QSize(316, 296));
    EXPECT_EQ(first, scaledPage(page(ViewFont::Small, 0), 2).convertToFormat(first.format()));

    written.clear();
    request.font = ViewFont::Large;
    request.page = 13;
    request.folder = folder.file("one");
    ASSERT_TRUE(exportPages(*book, request, error, &written)) << error;
    EXPECT_EQ(written, std::vector<std::string>{folder.file("one/page-014.png")});

    request.page = 14;
    EXPECT_FALSE(exportPages(*book, request, error));
    EXPECT_EQ(error, "The book has no page 15 in the large font.");
    request.page.reset();
    request.folder = folder.file("lighthouse.tml"); // a file, not a folder
    EXPECT_FALSE(exportPages(*book, request, error));
    EXPECT_EQ(error, "The folder \"" + request.folder + "\" could not be created.");
}

// A dictionary book has no pages: nothing to draw and nothing to export, which the export says.
TEST(PageExportTest, ABookWithoutPagesSaysSo) {
    test::ScratchDir folder;
    test::writeFile(folder.file("words.tml"), "TITLE=\"Words\"\n\\Iaardvark\\I An animal.\n");
    FileService source(folder.file("words.tml"));
    FileService output(folder.file("words.tdb"));
    BookInfo info;
    info.title = WideString(u"Words");
    test::CollectingSink reports;
    BuildSettings settings;
    settings.diagnostics = &reports;
    ASSERT_FALSE(failed(buildBook(&source, &output, info, kFlagDictionary, settings)))
        << reports.lines().front();
    std::string error;
    std::unique_ptr<PreviewBook> book = PreviewBook::open(output.path(), error);
    ASSERT_TRUE(book) << error;
    EXPECT_EQ(book->view(ViewFont::Small).pageCount(), 0u);
    ExportRequest request;
    request.folder = folder.file("pages");
    EXPECT_FALSE(exportPages(*book, request, error));
    EXPECT_EQ(error, "The book has no pages in the small font.");
    EXPECT_FALSE(test::fileExists(request.folder));
}

TEST(ExportCommandTest, ArgumentsAreCheckedBeforeAnythingIsRead) {
    std::string error;
    std::optional<ExportCommand> command =
        parseExportPagesCommand({"--export-pages", "out", "--font=large", "--scale", "1", "b.tdb"}, error);
    ASSERT_TRUE(command) << error;
    EXPECT_EQ(command->folder, "out");
    EXPECT_EQ(command->font, ViewFont::Large);
    EXPECT_EQ(command->scale, 1);
    EXPECT_EQ(command->book, "b.tdb");
    command = parseExportPagesCommand({"--export-pages=out", "b.tdb"}, error);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->font, ViewFont::Small);
    EXPECT_EQ(command->scale, 3);

    struct Bad {
        std::vector<std::string> arguments;
        const char* error;
    };
    for (const Bad& bad : std::vector<Bad>{
             {{"--export-pages", "out"}, "no book named"},
             {{"--export-pages", "out", "a.tdb", "b.tdb"}, "one book at a time"},
             {{"--export-pages"}, "--export-pages needs a value"},
             {{"--export-pages", "out", "--scale", "5", "b.tdb"}, "--scale must be 1, 2, 3 or 4, not \"5\""},
             {{"--export-pages", "out", "--scale=22", "b.tdb"}, "--scale must be 1, 2, 3 or 4, not \"22\""},
             {{"--export-pages", "out", "--font", "huge", "b.tdb"},
              "--font must be small or large, not \"huge\""},
             {{"--export-pages", "out", "--colour", "b.tdb"}, "unknown option --colour"},
             {{"--export-pages", "a", "--export-pages", "b", "b.tdb"}, "--export-pages given twice"},
         }) {
        EXPECT_FALSE(parseExportPagesCommand(bad.arguments, error));
        EXPECT_EQ(error, bad.error);
    }
}

// The program itself, as a pipeline runs it.
TEST(ExportCommandTest, TheProgramSavesThePagesAndExitsWithItsStatus) {
    test::ScratchDir folder;
    std::string book = test::buildSampleBook(folder);
    ASSERT_FALSE(book.empty());
    auto run = [&](const std::string& arguments) {
        std::string command = "'" QUILLERY_APP_PATH "' " + arguments + " 2>'" + folder.file("err") + "'";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("--export-pages '" + folder.file("pages") + "' --font large --scale 1 '" + book + "'"), 0);
    EXPECT_EQ(test::readFile(folder.file("err")), "");
    EXPECT_EQ(QDir(QString::fromStdString(folder.file("pages"))).entryList(QDir::Files).size(), 14);
    EXPECT_EQ(QImage(QString::fromStdString(folder.file("pages/page-001.png"))).size(), QSize(158, 148));

    EXPECT_EQ(run("--export-pages '" + folder.file("pages") + "' --scale 0 '" + book + "'"), 2);
    EXPECT_EQ(test::readFile(folder.file("err")),
              std::string("quillery: --scale must be 1, 2, 3 or 4, not \"0\"\n") + kExportPagesUsage + "\n");
    EXPECT_EQ(run("--export-pages '" + folder.file("pages") + "' '" + folder.file("lighthouse.tml") + "'"),
              1);
    EXPECT_EQ(
        test::readFile(folder.file("err")).rfind("quillery: The file \"lighthouse.tml\" is not a book", 0),
        0u);
}

} // namespace
} // namespace quillery
