// The EPUB importer facing hostile and broken files: names that would leave a folder, entries that inflate
// without end, encrypted books, missing or broken package documents, DTDs and external entities, deep
// nesting, and files that are no EPUB at all. Each is refused with a clear error or converted safely.
#include "../markdown/markdown_support.h"
#include "epub_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::BookFile;
using test::convertBook;
using test::epubBody;
using test::makeBook;
using test::makeZip;
using test::PartCollector;
using test::xhtml;
using test::ZipEntry;

constexpr const char* kDrm = "This EPUB is encrypted (DRM) and cannot be converted.";

std::vector<std::string> texts(const PartCollector& reports) {
    std::vector<std::string> out;
    for (const test::PartReport& report : reports.reports) {
        out.push_back((report.level == ReportLevel::Error     ? "E "
                       : report.level == ReportLevel::Warning ? "W "
                                                              : "N ") +
                      report.text);
    }
    return out;
}

std::string encryption(const std::string& algorithm, const std::string& uri) {
    return "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" "
           "xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\"><enc:EncryptedData><enc:EncryptionMethod "
           "Algorithm=\"" +
           algorithm + "\"/><enc:CipherData><enc:CipherReference URI=\"" + uri +
           "\"/></enc:CipherData></enc:EncryptedData></encryption>";
}

TEST(EpubSafetyTest, EntryNamesThatCouldLeaveAFolderAreNeverUsed) {
    EXPECT_TRUE(epub::isSafeEntryName("OEBPS/text/ch1.xhtml"));
    for (const char* name :
         {"../evil.xhtml", "/etc/passwd", "OEBPS/../../x", "C:/x", "a\\..\\b", "./a", ""}) {
        EXPECT_FALSE(epub::isSafeEntryName(name)) << name;
    }
    // A manifest that names entries above the root or through a link finds nothing there.
    std::string opf =
        "<package xmlns=\"http://www.idpf.org/2007/opf\"><metadata "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>T</dc:title></metadata><manifest>"
        "<item id=\"a\" href=\"../../evil.xhtml\" media-type=\"application/xhtml+xml\"/>"
        "<item id=\"b\" href=\"link.xhtml\" media-type=\"application/xhtml+xml\"/>"
        "<item id=\"c\" href=\"ok.xhtml\" media-type=\"application/xhtml+xml\"/>"
        "</manifest><spine><itemref idref=\"a\"/><itemref idref=\"b\"/><itemref idref=\"c\"/></spine>"
        "</package>";
    std::string bytes = makeZip({{"META-INF/container.xml", test::containerXml()},
                                 {"OEBPS/content.opf", opf},
                                 {"../evil.xhtml", xhtml("<p>evil</p>")},
                                 {"OEBPS/link.xhtml", "/etc/passwd", true},
                                 {"OEBPS/ok.xhtml", xhtml("<p>ok</p>")}});
    PartCollector reports;
    epub::EpubConversion conversion = convertBook(bytes);
    EXPECT_EQ(0, conversion.errors);
    EXPECT_EQ("ok\n", epubBody(conversion));
    EXPECT_EQ(
        (std::vector<std::string>{"W The EPUB holds 2 entries whose names could reach outside a folder (such "
                                  "as \"../evil.xhtml\"); they were ignored.",
                                  "W The document \"OEBPS/link.xhtml\" of the reading order is missing from "
                                  "the EPUB or cannot be read; it was left out."}),
        texts(reports));
}

TEST(EpubSafetyTest, InflationStopsAtTheCapWhateverTheArchiveDeclares) {
    std::string zeros(size_t{3} << 20, '\0');
    epub::EpubSettings settings;
    settings.limits.entryBytes = size_t{1} << 20;
    {
        PartCollector reports;
        epub::EpubConversion conversion =
            epub::convertEpub(makeBook({{"a.xhtml", xhtml("<p>x</p>") + zeros}}), settings);
        EXPECT_EQ(1, conversion.errors);
        EXPECT_TRUE(conversion.markup.empty());
        EXPECT_EQ(
            (std::vector<std::string>{"E The EPUB entry \"OEBPS/a.xhtml\" inflates to more than 1 MB; the "
                                      "EPUB was not converted."}),
            texts(reports));
    }
    // A picture is no way round it, nor is the total of many entries.
    {
        PartCollector reports;
        epub::EpubConversion conversion =
            epub::convertEpub(makeBook({{"a.xhtml", xhtml("<img src=\"big.png\"/>")},
                                        {"big.png", zeros, "", "image/png", false}}),
                              settings);
        EXPECT_EQ(1, conversion.errors);
    }
    settings.limits.entryBytes = size_t{4} << 20;
    settings.limits.totalBytes = size_t{5} << 20;
    PartCollector reports;
    epub::EpubConversion conversion = epub::convertEpub(
        makeBook({{"a.xhtml", xhtml("<p>a</p>") + zeros}, {"b.xhtml", xhtml("<p>b</p>") + zeros}}), settings);
    EXPECT_EQ(1, conversion.errors);
}

TEST(EpubSafetyTest, EncryptedContentIsRefusedButObfuscatedFontsAreNot) {
    std::vector<BookFile> files = {{"a.xhtml", xhtml("<p>x</p>")}};
    for (const std::vector<ZipEntry>& extra :
         {std::vector<ZipEntry>{{"META-INF/encryption.xml",
                                 encryption("http://www.w3.org/2001/04/xmlenc#aes128-cbc", "OEBPS/a.xhtml")}},
          std::vector<ZipEntry>{{"META-INF/rights.xml", "<rights/>"}},
          std::vector<ZipEntry>{{"META-INF/encryption.xml", "<encryption><broken"}}}) {
        PartCollector reports;
        epub::EpubConversion conversion = convertBook(makeBook(files, "", extra));
        EXPECT_EQ(1, conversion.errors);
        EXPECT_EQ((std::vector<std::string>{std::string("E ") + kDrm}), texts(reports));
    }
    PartCollector reports;
    epub::EpubConversion conversion = convertBook(makeBook(
        files, "",
        {{"META-INF/encryption.xml", encryption("http://www.idpf.org/2008/embedding", "OEBPS/font.otf")}}));
    EXPECT_EQ(0, conversion.errors);
    EXPECT_EQ("x\n", epubBody(conversion));
}

TEST(EpubSafetyTest, MissingOrBrokenPackagesAreClearErrors) {
    struct Case {
        std::vector<ZipEntry> entries;
        std::string message;
    };
    std::string noSpine = "<package xmlns=\"http://www.idpf.org/2007/opf\"><metadata/><manifest/></package>";
    std::vector<Case> cases = {
        {{{"mimetype", "application/epub+zip"}},
         "E The EPUB has no readable META-INF/container.xml, so its package document cannot be found."},
        {{{"META-INF/container.xml", "<container><rootfiles>"}},
         "E META-INF/container.xml of the EPUB names no package document (it is missing or not "
         "well-formed)."},
        {{{"META-INF/container.xml", test::containerXml()}},
         "E The package document \"OEBPS/content.opf\" of the EPUB is missing or cannot be read."},
        {{{"META-INF/container.xml", test::containerXml("../content.opf")}},
         "E The package document \"../content.opf\" of the EPUB is missing or cannot be read."},
        {{{"META-INF/container.xml", test::containerXml()}, {"OEBPS/content.opf", "<package><metadata>"}},
         "E The package document \"OEBPS/content.opf\" of the EPUB is not well-formed."},
        {{{"META-INF/container.xml", test::containerXml()}, {"OEBPS/content.opf", noSpine}},
         "E The package document \"OEBPS/content.opf\" of the EPUB has no spine (no reading order)."},
    };
    for (const Case& one : cases) {
        PartCollector reports;
        epub::EpubConversion conversion = convertBook(makeZip(one.entries));
        EXPECT_EQ(1, conversion.errors);
        EXPECT_EQ((std::vector<std::string>{one.message}), texts(reports));
    }
    for (std::string notZip : {std::string(), std::string("PK\x03\x04 not really"), std::string(5000, 'x')}) {
        PartCollector reports;
        EXPECT_EQ(1, convertBook(notZip).errors);
        EXPECT_EQ(
            (std::vector<std::string>{"E The file is not an EPUB: it is no ZIP archive, or a damaged one."}),
            texts(reports));
    }
}

TEST(EpubSafetyTest, NoDtdOrExternalEntityIsLoaded) {
    test::ScratchDir dir;
    test::writeFile(dir.file("secret.txt"), "SECRET-CONTENT");
    std::string document =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE html [\n<!ENTITY secret SYSTEM \"file://" +
        dir.file("secret.txt") +
        "\">\n<!ENTITY lol \"lollollollollol\">\n<!ENTITY lol2 "
        "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n]>\n<html><body><p>A &secret; "
        "&lol2; &nbsp;B</p></body></html>";
    PartCollector reports;
    epub::EpubConversion conversion = convertBook(makeBook({{"a.xhtml", document}}));
    EXPECT_EQ(0, conversion.errors);
    EXPECT_EQ(std::string::npos, conversion.markup.find("SECRET")) << conversion.markup;
    // Entities nobody can know stay as written; the document type's declarations are no text.
    EXPECT_EQ(std::string::npos, conversion.markup.find("lollol")) << conversion.markup;
    EXPECT_EQ("A &secret; &lol2; \xA0"
              "B\n",
              epubBody(conversion));
}

TEST(EpubSafetyTest, DeepNestingNeitherCrashesNorLosesTheText) {
    std::string deep;
    std::string deepNav;
    for (int k = 0; k < 100000; ++k) {
        deep += "<div><b>";
        deepNav += "<ol><li>";
    }
    PartCollector reports;
    epub::EpubConversion conversion = convertBook(makeBook(
        {{"a.xhtml", "<html><body>" + deep + "deep text</body></html>"}, {"b.xhtml", xhtml("<p>after</p>")}},
        deepNav + "<a href=\"b.xhtml\">B</a>"));
    EXPECT_EQ(0, conversion.errors);
    EXPECT_NE(std::string::npos, conversion.markup.find("after"));
    test::ScratchDir dir;
    test::CollectingSink built;
    EXPECT_TRUE(test::buildsCleanly(dir, conversion.markup, built));
}

} // namespace
} // namespace quillery
