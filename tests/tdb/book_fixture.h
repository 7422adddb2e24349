// A book's worth of writer input built by hand: text records in a temp file, tables filled directly.
#pragma once

#include "framework/byte_order.h"
#include "framework/random_generator.h"
#include "tdb/book_format.h"
#include "tdb/book_writer.h"
#include "tdb/compressor.h"
#include "tdb/text_records.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quillery::test {

// A well-formed chunk stream shaped like a converted PNG: signature, IHDR with the given size, one IDAT of
// `extra` filler bytes and IEND, each chunk with its CRC. (The pixels are not a valid image: the book reader
// checks the chunks, not the pixels.)
inline std::string fakePng(uint32_t width, uint32_t height, size_t extra = 20) {
    auto chunk = [](const char* type, const std::string& data) {
        std::string out(4, '\0');
        putU32BE(reinterpret_cast<uint8_t*>(out.data()), static_cast<uint32_t>(data.size()));
        out += type;
        out += data;
        uint8_t crc[4];
        putU32BE(crc, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(out.data() + 4),
                                                  static_cast<uInt>(data.size() + 4))));
        out.append(reinterpret_cast<const char*>(crc), 4);
        return out;
    };
    std::string header(13, '\0');
    putU32BE(reinterpret_cast<uint8_t*>(header.data()), width);
    putU32BE(reinterpret_cast<uint8_t*>(header.data()) + 4, height);
    header[8] = 8;
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", std::string(extra, 'x')) + chunk("IEND", "");
}

// A text of `length` bytes: words separated by spaces, so that records break at white space.
inline std::string sampleText(size_t length) {
    std::string text;
    static const char* const kWords[] = {"lamp", "gull", "tide", "heather", "granite", "keeper", "letter"};
    for (size_t i = 0; text.size() < length; ++i) {
        text += kWords[(i * 7 + i / 3) % 7];
        text += (i % 17 == 16) ? '\n' : ' ';
    }
    text.resize(length);
    return text;
}

class BookFixture {
  public:
    BookFixture() {
        info.title = u"The Lamp on Gull Point";
        setText("A short text.\n");
    }

    // Stores `text` as compressed text records in the text temp file.
    void setText(const std::string& text) {
        textLength = text.size();
        starts.clear();
        sizes.clear();
        textTemp = std::make_unique<FileService>(dir.file("book.tml.tmp"));
        (void)textTemp->remove();
        ASSERT_EQ(textTemp->createNew(), 0);
        ZlibCompressor compressor;
        ASSERT_FALSE(failed(compressTextRecords(text, *textTemp, sizes, &starts, compressor)));
    }

    // Adds sidebars (or footnotes) with the given names and bodies, compressed into their temp file.
    void setBlocks(bool sidebars, const std::vector<std::pair<std::string, std::string>>& blocks) {
        RefTable& table = sidebars ? tables.sidebars : tables.footnotes;
        RecordBuffer& recordSizes = sidebars ? sidebarSizes : footnoteSizes;
        std::unique_ptr<FileService>& file = sidebars ? sidebarTemp : footnoteTemp;
        file = std::make_unique<FileService>(dir.file(sidebars ? "book.tml.sid" : "book.tml.ftn"));
        ASSERT_EQ(file->createNew(), 0);
        FileService& temp = *file;
        ASSERT_TRUE(recordSizes.appendU32(0));
        ZlibCompressor compressor;
        for (const auto& [name, body] : blocks) {
            size_t before = recordSizes.count();
            ASSERT_FALSE(failed(compressTextRecords(body, temp, recordSizes, nullptr, compressor)));
            table.add(name).recordCount = static_cast<uint16_t>(recordSizes.count() - before);
        }
    }

    // `count` page entries spread evenly over the text, each consistent with the text records.
    PageTable pages(size_t count, uint16_t style = 0) const {
        PageTable table;
        for (size_t i = 0; i < count; ++i) {
            PageEntry page;
            page.pageIndex = static_cast<uint16_t>(i);
            page.position = static_cast<uint32_t>(count ? i * textLength / count : 0);
            size_t record = 1;
            while (record + 1 < starts.count() && starts.u32At(record) < page.position) {
                ++record;
            }
            page.record = static_cast<uint16_t>(record);
            page.offset = static_cast<uint16_t>(page.position - starts.u32At(record - 1));
            page.style = style;
            table.push_back(page);
        }
        return table;
    }

    // An image whose converted stream is `png`, or fakePng(width, height) when none is given.
    void addImage(const std::string& name, uint16_t width, uint16_t height, std::string png = {}) {
        if (png.empty()) {
            png = fakePng(width, height);
        }
        ImageEntry entry;
        entry.path = dir.file("book_img/" + name);
        entry.width = width;
        entry.height = height;
        entry.dataOffset = static_cast<uint32_t>(tables.images.streams.length());
        entry.dataSize = static_cast<uint32_t>(png.size());
        ASSERT_EQ(Verdict::Ok, tables.images.streams.append(png.data(), png.size()));
        tables.images.entries.push_back(entry);
    }

    // The writer's input for the fixture's book, written through `files`; a temp file not made is one that
    // is not open.
    BookWriterInput input(FileSystem& files = systemFileSystem()) {
        RandomGenerator random(seed);
        uint32_t high = random.next();
        uint32_t low = random.next();
        auto stored = [this](const std::unique_ptr<FileService>& file, const RecordBuffer& recordSizes) {
            return StoredRecords{file ? *file : noFile, recordSizes};
        };
        return BookWriterInput{
            .bookName = bookName,
            .flags = flags,
            .creationTime = creationTime,
            .randomTag = randomTag(high, low),
            .info = info,
            .tables = tables,
            .text = stored(textTemp, sizes),
            .textRecordStarts = starts,
            .sidebars = stored(sidebarTemp, sidebarSizes),
            .footnotes = stored(footnoteTemp, footnoteSizes),
            .outputPath = outputPath(),
            .files = files,
        };
    }

    std::string outputPath() const { return dir.file("book.tdb"); }

    // Writes the book (replacing an earlier one, as the driver does) and returns its bytes ("" on failure).
    std::string write() {
        std::remove(outputPath().c_str());
        if (failed(writeBook(input()))) {
            return "";
        }
        return readFile(outputPath());
    }

    ReportCollector background; // keeps the reports of a test's set-up off the console
    ScratchDir dir;
    BookInfo info;
    BookTables tables;
    RecordBuffer starts{4};
    RecordBuffer sizes{4};
    RecordBuffer sidebarSizes{4};
    RecordBuffer footnoteSizes{4};
    // The temporary files, open as the driver keeps them.
    std::unique_ptr<FileService> textTemp;
    std::unique_ptr<FileService> sidebarTemp;
    std::unique_ptr<FileService> footnoteTemp;
    FileService noFile{std::string()};
    size_t textLength = 0;
    std::string bookName = "The Lamp on Gull Point";
    uint32_t flags = 0;
    uint32_t creationTime = 1000000000;
    uint32_t seed = 1780000000; // of the generator that draws the random tag
};

inline uint16_t u16At(const std::string& bytes, size_t offset) {
    return readU16BE(reinterpret_cast<const uint8_t*>(bytes.data()) + offset);
}

inline uint32_t u32At(const std::string& bytes, size_t offset) {
    return readU32BE(reinterpret_cast<const uint8_t*>(bytes.data()) + offset);
}

// Offset and size of record `index` of a written book, from its record list.
inline std::pair<uint32_t, uint32_t> recordSpan(const std::string& book, size_t index) {
    size_t count = u16At(book, 76);
    uint32_t offset = u32At(book, 78 + 8 * index);
    uint32_t end = index + 1 < count ? u32At(book, 78 + 8 * (index + 1)) : static_cast<uint32_t>(book.size());
    return {offset, end - offset};
}

inline std::string recordBytes(const std::string& book, size_t index) {
    auto [offset, size] = recordSpan(book, index);
    return book.substr(offset, size);
}

} // namespace quillery::test
