// quillery-cli with EPUB sources: books built from .epub files made by a common tool, messages at places
// inside the EPUB's documents, refusals, and --emit-tml.
#include "../epub/epub_support.h"
#include "cli_runner.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::CliRun;
using test::runCli;

std::string dataFile(const std::string& name) {
    return std::string(QUILLERY_TEST_DATA_DIR) + "/epub/" + name;
}

TEST(EpubCliTest, BooksOfBothEpubVersionsBuildWithTheirChaptersLinksFootnotesImagesAndMetadata) {
    test::ScratchDir dir;
    for (const char* name : {"small-book-epub2", "small-book-epub3"}) {
        test::writeFile(dir.file(std::string(name) + ".epub"),
                        test::readFile(dataFile(std::string(name) + ".epub")));
        CliRun run =
            runCli("'" + dir.file(std::string(name) + ".epub") + "'", "SOURCE_DATE_EPOCH=1780000000");
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_EQ("", run.err);
        CliRun inspect = runCli("--inspect '" + dir.file(std::string(name) + ".tdb") + "'");
        EXPECT_EQ(0, inspect.status);
        for (const char* shown :
             {"Chapters: 4\n", "\"The Harbour Light\"\n", "\"The Keeper\"\n", "\"    Her Log\"\n",
              "\"The Storm\"\n", "Links: 1\n", "\"the-storm\"\n", "\"file0.png\" 24x16", "Footnotes: 2\n",
              "author:    \"Ada Wren\"", "publisher: \"Quay Press\"", "isbn:      \"978-3-16-148410-0\"",
              "copyright: \"Copyright 2026 Ada Wren\""}) {
            EXPECT_NE(std::string::npos, inspect.out.find(shown)) << name << ": " << shown << "\n"
                                                                  << inspect.out;
        }
    }
    // Both versions of the same text make the same book.
    EXPECT_EQ(test::readFile(dir.file("small-book-epub2.tdb")),
              test::readFile(dir.file("small-book-epub3.tdb")));
    // Nothing of the conversion is left beside the source.
    EXPECT_EQ((std::vector<std::string>{"small-book-epub2.epub", "small-book-epub2.tdb",
                                        "small-book-epub3.epub", "small-book-epub3.tdb"}),
              dir.entries());
}

TEST(EpubCliTest, MessagesNameTheDocumentInsideTheEpubAndItsLine) {
    test::ScratchDir dir;
    test::writeFile(
        dir.file("book.epub"),
        test::makeBook({{"a.xhtml", test::xhtml("<p>One</p>\n<p>Caf\xC3\xA9</p>\n<table><tr><td>x</td>"
                                                "</tr></table>")}}));
    CliRun run = runCli("'" + dir.file("book.epub") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    // The build's own warning comes back to the document and line it came from.
    EXPECT_EQ(
        dir.file("book.epub") +
            ": warning: OEBPS/a.xhtml:6: Tables cannot be shown on the device and are kept as plain text (1 "
            "in the book).\n" +
            dir.file("book.epub") +
            ": warning: OEBPS/a.xhtml:5: Non-ASCII characters in file; attempting to map them\n",
        run.err);
    run = runCli("--diagnostics=json -o '" + dir.file("other.tdb") + "' '" + dir.file("book.epub") + "'");
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("\"file\": \"" + dir.file("book.epub") +
                                              "\", \"part\": \"OEBPS/a.xhtml\", \"line\": 6}"))
        << run.out;
}

TEST(EpubCliTest, RefusedEpubsFailTheSourceWithTheirReason) {
    test::ScratchDir dir;
    test::writeFile(
        dir.file("locked.epub"),
        test::makeBook({{"a.xhtml", test::xhtml("<p>x</p>")}}, "",
                       {{"META-INF/encryption.xml",
                         "<encryption><EncryptedData><EncryptionMethod "
                         "Algorithm=\"http://www.w3.org/2001/04/xmlenc#aes256-cbc\"/></EncryptedData>"
                         "</encryption>"}}));
    test::writeFile(dir.file("plain.epub"), "just text");
    CliRun run = runCli("'" + dir.file("locked.epub") + "' '" + dir.file("plain.epub") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(dir.file("locked.epub") + ": error: This EPUB is encrypted (DRM) and cannot be converted.\n" +
                  dir.file("plain.epub") +
                  ": error: The file is not an EPUB: it is no ZIP archive, or a damaged one.\n",
              run.err);
    EXPECT_FALSE(test::fileExists(dir.file("locked.tdb")));
}

TEST(EpubCliTest, EmitTmlWritesTheMarkupAndImagesAndKeepsAnAuthorsFiles) {
    test::ScratchDir dir;
    test::writeFile(dir.file("book.epub"), test::readFile(dataFile("small-book-epub3.epub")));
    CliRun run = runCli("--emit-tml '" + dir.file("book.epub") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos,
              test::readFile(dir.file("book.tml")).find("\\x\\Q=\"the-storm\"The Storm\\x"));
    EXPECT_TRUE(test::fileExists(dir.file("book_img/file0.png")));
    run = runCli("--emit-tml '" + dir.file("book.epub") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("already exists; pass --force to replace it.")) << run.err;
    run = runCli("--force --emit-tml '" + dir.file("book.epub") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    // The written source builds as it is.
    run = runCli("'" + dir.file("book.tml") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(test::fileExists(dir.file("book.tdb")));
}

} // namespace
} // namespace quillery
