// Running paginateBook on a text in a test: the record start table, the report text and a report collector.
#pragma once

#include "markup/paginate_book.h"
#include "tdb/image_conversion.h"
#include "test_support.h"

#include <string>
#include <vector>

namespace quillery::test {

struct Paginated {
    Verdict verdict = Verdict::Ok;
    BookTables tables;
    std::vector<std::string> lines; // "E text", "W text", "N text"
    std::vector<CollectedReport> reports;

    std::vector<uint32_t> smallPositions() const { return positions(tables.smallPages); }
    std::vector<uint32_t> largePositions() const { return positions(tables.largePages); }
    static std::vector<uint32_t> positions(const PageTable& pages) {
        std::vector<uint32_t> out;
        for (const auto& page : pages) {
            out.push_back(page.position);
        }
        return out;
    }
    // The reports without the notes.
    std::vector<std::string> problems() const {
        std::vector<std::string> out;
        for (const auto& line : lines) {
            if (line[0] != 'N') {
                out.push_back(line);
            }
        }
        return out;
    }
};

// Record starts {0, each of `cuts`, text length}.
inline Paginated paginate(const std::string& text, uint32_t flags = 0, const std::vector<uint32_t>& cuts = {},
                          const std::string& imageFolder = "/nonexistent-image-folder") {
    RecordBuffer starts(4);
    (void)starts.appendU32(0);
    for (uint32_t cut : cuts) {
        (void)starts.appendU32(cut);
    }
    if (!text.empty()) {
        (void)starts.appendU32(static_cast<uint32_t>(text.size()));
    }
    Paginated result;
    ReportCollector collector;
    ReportTextScope scope(text);
    // The images are converted as in a build, so that conversion problems show where a build reports them.
    result.verdict = paginateBook(text, imageFolder, starts, result.tables, flags, convertImageTable);
    result.lines = collector.lines();
    result.reports = collector.reports();
    return result;
}

inline std::string repeat(const std::string& piece, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

} // namespace quillery::test
