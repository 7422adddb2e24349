#include "tdb/text_records.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace quillery {
namespace {

std::string inflated(const std::string& stream, size_t expected) {
    std::string out(expected + 16, '\0');
    uLongf length = static_cast<uLongf>(out.size());
    EXPECT_EQ(Z_OK,
              uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                         reinterpret_cast<const Bytef*>(stream.data()), static_cast<uLong>(stream.size())));
    out.resize(length);
    return out;
}

struct Stored {
    std::vector<uint32_t> starts;
    std::vector<uint32_t> sizes;
    std::string file;
};

Stored store(const std::string& text, bool mainText = true) {
    test::ScratchDir dir;
    FileService file(dir.file("text.tmp"));
    EXPECT_EQ(0, file.createFile());
    EXPECT_EQ(0, file.open(FileService::Mode::ReadWrite));
    RecordBuffer starts(4);
    RecordBuffer sizes(4);
    ZlibCompressor compressor;
    EXPECT_EQ(Verdict::Ok, compressTextRecords(text, file, sizes, mainText ? &starts : nullptr, compressor));
    EXPECT_EQ(0, file.close());
    Stored stored;
    for (size_t i = 0; i < starts.count(); ++i) {
        stored.starts.push_back(starts.u32At(i));
    }
    for (size_t i = 0; i < sizes.count(); ++i) {
        stored.sizes.push_back(sizes.u32At(i));
    }
    stored.file = test::readFile(dir.file("text.tmp"));
    return stored;
}

std::string piece(size_t length, char fill = 'x') {
    return std::string(length, fill);
}

TEST(FindRecordBreakTest, CutsAfterTheLastWhitespace) {
    std::string text = piece(20000);
    text[8100] = ' ';
    text[16290] = ' ';
    Stored stored = store(text);
    EXPECT_EQ((std::vector<uint32_t>{0, 8101, 16291, 20000}), stored.starts);
    ASSERT_EQ(4u, stored.sizes.size());
    EXPECT_EQ(0u, stored.sizes[0]);
    // Every record is a complete stream of its own piece.
    size_t offset = 0;
    for (size_t k = 1; k < stored.sizes.size(); ++k) {
        std::string stream = stored.file.substr(offset, stored.sizes[k]);
        EXPECT_EQ(text.substr(stored.starts[k - 1], stored.starts[k] - stored.starts[k - 1]),
                  inflated(stream, 8192));
        offset += stored.sizes[k];
    }
    EXPECT_EQ(stored.file.size(), offset);
}

TEST(FindRecordBreakTest, MovesATagNearTheEndToTheNextRecord) {
    std::string text = piece(9000, ' ');
    text.replace(8192 - 40, 5, "\\C0=\"");
    text[8192 - 40 + 9] = '"';
    EXPECT_EQ(8152u, findRecordBreak(text));
    // A run of three backslashes moves whole.
    text = piece(9000, ' ');
    text.replace(8192 - 12, 3, "\\\\\\");
    EXPECT_EQ(8180u, findRecordBreak(text));
}

TEST(FindRecordBreakTest, LastByteBackslashOrLineEndFallBackToWhitespace) {
    std::string text = piece(9000);
    text[8000] = ' ';
    text[8191] = '\\';
    EXPECT_EQ(8001u, findRecordBreak(text));

    text = piece(9000);
    text[8150] = '\\';
    text[8170] = '\n';
    EXPECT_EQ(8171u, findRecordBreak(text));
}

TEST(FindRecordBreakTest, PieceWithoutAnyBreakIsKeptWhole) {
    EXPECT_EQ(8192u, findRecordBreak(piece(9000)));
    Stored stored = store(piece(8193));
    EXPECT_EQ((std::vector<uint32_t>{0, 8192, 8193}), stored.starts);
}

TEST(FindRecordBreakTest, CutNeverFallsInsideATag) {
    // The chapter argument spans the last whitespace: the cut moves back to the tag's backslash.
    std::string text = piece(8192 - 100) + "\\C0=\"Chapter One\"\\x";
    size_t tagStart = 8192 - 100;
    text += piece(9000 - text.size());
    text[8191] = '\\';
    EXPECT_EQ(tagStart, findRecordBreak(text));

    // "\a233" straddling the whitespace cut is never split.
    text = piece(8192 - 200) + " \\a233" + piece(300);
    text[8192 - 1] = '\\'; // last byte a backslash: whitespace rule
    EXPECT_EQ(8192u - 200 + 1, findRecordBreak(text));
}

std::string repeated(const std::string& unit, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) {
        out += unit;
    }
    return out;
}

// The record lengths of a stored text, from its start table or, for a body, from inflating each record.
std::vector<size_t> recordLengths(const std::string& text, bool mainText) {
    Stored stored = store(text, mainText);
    std::vector<size_t> lengths;
    size_t offset = 0;
    // A body's sizes have no leading 0 for a header record.
    for (size_t k = mainText ? 1 : 0; k < stored.sizes.size(); ++k) {
        lengths.push_back(inflated(stored.file.substr(offset, stored.sizes[k]), 8192).size());
        offset += stored.sizes[k];
    }
    return lengths;
}

// True when every cut of `lengths` over `text` falls between two tags, measured from the text's start.
bool cutsOutsideTags(const std::string& text, const std::vector<size_t>& lengths) {
    size_t cut = 0;
    size_t at = 0;
    for (size_t length : lengths) {
        cut += length;
        while (at < cut) {
            at += text[at] == '\\' ? textTagExtent(text, at) : 1;
        }
        if (at != cut) {
            return false;
        }
    }
    return true;
}

TEST(FindRecordBreakTest, APieceKeptWholeStillNeverEndsInsideATag) {
    // No white space and the last byte a backslash: the whole piece would end between "\" and "p".
    std::string text = repeated("a\\p", 3000);
    EXPECT_EQ(8191u, findRecordBreak(text));
    // The same for a sidebar or footnote body, which has no start table.
    for (bool mainText : {true, false}) {
        std::vector<size_t> lengths = recordLengths(text, mainText);
        ASSERT_EQ(2u, lengths.size());
        EXPECT_EQ(8191u, lengths[0]);
        EXPECT_TRUE(cutsOutsideTags(text, lengths));
    }
    // An argument that runs over the end of the piece moves whole.
    text = piece(8000) + "\\Q=\"" + piece(1000) + "\"";
    EXPECT_EQ(8000u, findRecordBreak(text));
}

TEST(FindRecordBreakTest, ATagThatStartsThePieceStaysWhole) {
    // Nothing before the tag: the piece is kept whole even though the tag runs on.
    std::string text = "\\C0=\"" + piece(9000) + "\"";
    EXPECT_EQ(8192u, findRecordBreak(text));
    // The only white space lies inside a tag that starts the piece, and no backslash stands among the last
    // bytes: the piece is kept whole but for the later tag that its end would split.
    text = "\\C0=\"a b\"" + piece(7000) + "\\Q=\"" + piece(2000, 'n') + "\"";
    EXPECT_EQ(7009u, findRecordBreak(text));
}

TEST(CompressTextRecordsTest, ExactPieceSizesAndTheEmptyText) {
    EXPECT_EQ((std::vector<uint32_t>{0, 8192}), store(piece(8192)).starts);
    Stored empty = store("");
    EXPECT_EQ((std::vector<uint32_t>{0}), empty.starts);
    EXPECT_EQ((std::vector<uint32_t>{0}), empty.sizes);
    EXPECT_TRUE(empty.file.empty());
    // Bodies of sidebars and footnotes get no leading 0 from here.
    Stored body = store("body", false);
    EXPECT_TRUE(body.starts.empty());
    EXPECT_EQ(1u, body.sizes.size());
}

class RefusingCompressor : public Compressor {
  public:
    bool compress(const uint8_t*, size_t, uint8_t*, size_t*) override { return false; }
};

class FailingFile : public FileService {
  public:
    using FileService::FileService;
    int write(const void*, size_t) override { return 1; }
};

TEST(CompressTextRecordsTest, FailuresStopWithAnErrorAndNoPartialRecord) {
    test::ScratchDir dir;
    test::ReportCollector reports;
    RecordBuffer starts(4);
    RecordBuffer sizes(4);
    FileService file(dir.file("t.tmp"));
    ASSERT_EQ(0, file.createFile());
    ASSERT_EQ(0, file.open(FileService::Mode::ReadWrite));
    RefusingCompressor refusing;
    EXPECT_EQ(Verdict::Failed, compressTextRecords("some text", file, sizes, &starts, refusing));
    EXPECT_EQ((std::vector<std::string>{
                  "E The text at position 0 could not be compressed into a record of 8192 bytes."}),
              reports.lines());
    EXPECT_EQ(0, file.close());
    EXPECT_TRUE(test::readFile(dir.file("t.tmp")).empty());

    reports.clear();
    FailingFile failing(dir.file("t.tmp"));
    ASSERT_EQ(0, failing.open(FileService::Mode::ReadWrite));
    ZlibCompressor zlib;
    EXPECT_EQ(Verdict::Failed, compressTextRecords("some text", failing, sizes, &starts, zlib));
    EXPECT_EQ((std::vector<std::string>{"E An error occurred writing the file " + dir.file("t.tmp") + "."}),
              reports.lines());
}

TEST(CompressTextRecordsTest, IncompressiblePieceIsAnErrorNotAPartialRecord) {
    // Random bytes do not fit in 8192 bytes once compressed.
    std::string noise;
    uint32_t state = 12345;
    for (int i = 0; i < 8192; ++i) {
        state = state * 1103515245u + 12345u;
        noise += static_cast<char>(state >> 24);
    }
    test::ScratchDir dir;
    test::ReportCollector reports;
    FileService file(dir.file("t.tmp"));
    ASSERT_EQ(0, file.createFile());
    ASSERT_EQ(0, file.open(FileService::Mode::ReadWrite));
    RecordBuffer starts(4);
    RecordBuffer sizes(4);
    ZlibCompressor zlib;
    EXPECT_EQ(Verdict::Failed, compressTextRecords(noise, file, sizes, &starts, zlib));
    EXPECT_TRUE(reports.hasErrors());
}

} // namespace
} // namespace quillery
