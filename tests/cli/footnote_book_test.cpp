// A real book with many footnotes and a few sidebars, built by quillery-cli and read back twice: through
// --inspect --json and straight from the book's bytes.
#include "cli_runner.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <map>

namespace quillery {
namespace {

std::string threeDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

// Every fiftieth footnote is long enough for several text records.
std::string footnoteBody(int n) {
    std::string body = "Footnote " + std::to_string(n) + " says \"see the chart\".\n";
    if (n % 50 == 7) {
        for (int i = 0; i < 2500; ++i) {
            body += "tide" + std::to_string(i) + (i % 12 == 11 ? "\n" : " ");
        }
    }
    return body;
}

std::string jsonText(const std::string& bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

uint32_t be(const std::string& bytes, size_t at, int width) {
    uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value = value << 8 | static_cast<uint8_t>(bytes.at(at + i));
    }
    return value;
}

// The records of a book file, straight from its record list.
std::vector<std::string> recordsOf(const std::string& book) {
    size_t count = be(book, 76, 2);
    std::vector<std::string> records;
    for (size_t i = 0; i < count; ++i) {
        size_t start = be(book, 78 + 8 * i, 4);
        size_t end = i + 1 < count ? be(book, 78 + 8 * (i + 1), 4) : book.size();
        records.push_back(book.substr(start, end - start));
    }
    return records;
}

std::string inflateRecord(const std::string& record) {
    std::string out(8192, '\0');
    uLongf length = static_cast<uLongf>(out.size());
    EXPECT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                               reinterpret_cast<const Bytef*>(record.data()), record.size()));
    return out.substr(0, length);
}

// Reads one block section (directory and text records) from the book's records; name -> body.
std::map<std::string, std::string> readSection(const std::vector<std::string>& records, size_t first,
                                               size_t count, std::map<std::string, size_t>& recordCounts) {
    std::map<std::string, std::string> bodies;
    if (count == 0) {
        return bodies;
    }
    const std::string& directory = records.at(first);
    size_t next = first + 1;
    for (size_t at = 0; at < directory.size();) {
        size_t bodyRecords = be(directory, at, 2);
        size_t length = static_cast<uint8_t>(directory[at + 2]);
        std::string name = directory.substr(at + 3, length);
        EXPECT_EQ('\0', directory[at + 3 + length]);
        at += length + 4;
        std::string body;
        for (size_t k = 0; k < bodyRecords; ++k) {
            body += inflateRecord(records.at(next++));
        }
        recordCounts[name] = bodyRecords;
        bodies[name] = body;
    }
    EXPECT_EQ(first + count, next);
    return bodies;
}

TEST(FootnoteBookTest, ManyFootnotesAndSidebarsReachTheBookIntact) {
    const int kFootnotes = 300;
    std::string source = "TITLE=\"Tide Tables\"\n";
    for (int n = 0; n < kFootnotes; ++n) {
        source +=
            "The water rose at the " + std::to_string(n) + "th mark\\Fn=\"Fn" + threeDigits(n) + "\"*\\Fn";
        if (n % 100 == 0) {
            source += " beside the chart\\Sd=\"Chart" + std::to_string(n / 100) + "\"chart\\Sd";
        }
        source += " and fell again.\n";
    }
    // Definitions in reverse order, after some notes that belong to no definition.
    source += "Notes follow.\n<sidebar id=\"chart2\">\nThird chart.\n</sidebar>\n";
    for (int n = kFootnotes - 1; n >= 0; --n) {
        source += "<footnote id=\"fn" + threeDigits(n) + "\">\n" + footnoteBody(n) + "</footnote>\n";
    }
    source += "<sidebar id=\"chart0\">First chart \\\\m \\B.</sidebar>\n"
              "<sidebar id=\"chart1\">Second chart.</sidebar>\n";

    test::ScratchDir dir;
    test::writeFile(dir.file("tides.tml"), source);
    test::CliRun build = test::runCli("'" + dir.file("tides.tml") + "'", "SOURCE_DATE_EPOCH=1000000000");
    ASSERT_EQ(0, build.status) << build.err;
    EXPECT_EQ("", build.err);
    EXPECT_EQ((std::vector<std::string>{"tides.tdb", "tides.tml"}), dir.entries()); // no temp files left

    // Straight from the bytes: the header fields, the directories and every body record.
    std::string book = test::readFile(dir.file("tides.tdb"));
    std::vector<std::string> records = recordsOf(book);
    const std::string& header = records.at(0);
    size_t footnoteCount = be(header, 28, 2);
    size_t sidebarCount = be(header, 30, 2);
    size_t firstFootnote = be(header, 48, 2);
    size_t firstSidebar = be(header, 50, 2);
    EXPECT_EQ(firstSidebar + sidebarCount, firstFootnote); // sidebars come first in the file
    EXPECT_EQ(be(header, 52, 2), firstFootnote + footnoteCount);
    EXPECT_EQ(records.at(firstSidebar), std::string("\0\x01\x06"
                                                    "chart0\0\0\x01\x06"
                                                    "chart1\0"
                                                    "\0\x01\x06"
                                                    "chart2\0",
                                                    30));
    std::map<std::string, size_t> recordCounts;
    std::map<std::string, std::string> sidebars =
        readSection(records, firstSidebar, sidebarCount, recordCounts);
    EXPECT_EQ("First chart \\\\m \\B.", sidebars["chart0"]); // \\m is no image
    EXPECT_EQ("Third chart.\n", sidebars["chart2"]);
    std::map<std::string, std::string> footnotes =
        readSection(records, firstFootnote, footnoteCount, recordCounts);
    ASSERT_EQ(static_cast<size_t>(kFootnotes), footnotes.size());
    for (int n = 0; n < kFootnotes; ++n) {
        std::string name = "fn" + threeDigits(n);
        EXPECT_EQ(footnoteBody(n), footnotes[name]) << name;
        EXPECT_EQ(n % 50 == 7 ? 3u : 1u, recordCounts[name]) << name;
    }

    // Through the inspector: the same names, record counts and texts.
    test::CliRun inspect = test::runCli("--inspect --json '" + dir.file("tides.tdb") + "'");
    ASSERT_EQ(0, inspect.status) << inspect.err;
    size_t at = inspect.out.find("\"footnotes\": [");
    ASSERT_NE(std::string::npos, at);
    for (int n = 0; n < kFootnotes; ++n) {
        std::string name = "fn" + threeDigits(n);
        size_t entry = inspect.out.find("{\"name\": \"" + name + "\", \"records\": [", at);
        ASSERT_NE(std::string::npos, entry) << name;
        size_t text = inspect.out.find("], \"text\": ", entry);
        ASSERT_NE(std::string::npos, text);
        std::string recordList = inspect.out.substr(entry, text - entry);
        size_t listed = 0;
        for (size_t r = recordList.find("{\"compressed\""); r != std::string::npos;
             r = recordList.find("{\"compressed\"", r + 1)) {
            ++listed;
        }
        EXPECT_EQ(recordCounts[name], listed) << name;
        EXPECT_EQ(0u, inspect.out.compare(text + 11, jsonText(footnoteBody(n)).size() + 1,
                                          jsonText(footnoteBody(n)) + "}"))
            << name;
        at = text;
    }
}

TEST(FootnoteBookTest, AMissingEndTagIsReportedAndTheBookStillMade) {
    test::ScratchDir dir;
    test::writeFile(dir.file("open.tml"),
                    "TITLE=\"Open\"\nText\\Fn=\"a\"1\\Fn.\n<footnote id=\"a\">never closed\n");
    test::CliRun build = test::runCli("'" + dir.file("open.tml") + "'");
    EXPECT_EQ(0, build.status);
    // Placed where the body begins, after the opening tag.
    EXPECT_EQ(dir.file("open.tml") + ":3:18: error: No end tag for sidebar or footnote named a was found.\n",
              build.err);
    test::CliRun inspect = test::runCli("--inspect --json '" + dir.file("open.tdb") + "'");
    ASSERT_EQ(0, inspect.status) << inspect.err;
    EXPECT_NE(std::string::npos,
              inspect.out.find("\"footnotes\": [{\"name\": \"a\", \"records\": [], \"text\": \"\"}]"));

    // --werror treats it as the failure it also is.
    build = test::runCli("--werror '" + dir.file("open.tml") + "'");
    EXPECT_EQ(1, build.status);
    EXPECT_FALSE(test::fileExists(dir.file("open.tdb")));
}

} // namespace
} // namespace quillery
