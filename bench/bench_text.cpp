#include "bench_text.h"

#include "build/source_text.h"
#include "framework/file_service.h"
#include "framework/record_buffer.h"
#include "tdb/compressor.h"
#include "tdb/text_records.h"

#include <cstdint>
#include <cstdio>

namespace quillery::bench {

std::string generateBookText(size_t bytes) {
    static const char* const kWords[] = {"the",   "lamp",  "keeper",  "climbed",     "ninety-one",
                                         "steps", "of",    "tower",   "and",         "wrote",
                                         "a",     "line",  "in",      "log",         "wind",
                                         "sea",   "ships", "caf\xE9", "\\iquiet\\i", "\\bbold\\b"};
    std::string text;
    text.reserve(bytes + 64);
    uint32_t state = 1;
    size_t sinceChapter = 0;
    while (text.size() < bytes) {
        state = state * 1103515245u + 12345u;
        uint32_t pick = (state >> 16) % 100;
        if (sinceChapter > 20000) {
            text += "\r\n\\p\\C0=\"Chapter\"\\c\\bChapter\\b\\c\r\n\r\n";
            sinceChapter = 0;
        } else if (pick < 3) {
            text += ".\r\n\r\n";
        } else {
            text += kWords[pick % (sizeof kWords / sizeof kWords[0])];
            text += pick % 9 == 0 ? ", " : " ";
        }
        sinceChapter = text.size() - (text.size() - sinceChapter) + 6;
    }
    text.resize(bytes);
    return text;
}

void readAndCompress(const std::string& sourcePath, const std::string& tempPath) {
    SourceText text;
    if (readSource(sourcePath, text) != ReadSourceResult::Ok) {
        return;
    }
    std::remove(tempPath.c_str());
    FileService temp(tempPath);
    (void)temp.createFile();
    (void)temp.open(FileService::Mode::ReadWrite);
    RecordBuffer starts(4);
    RecordBuffer sizes(4);
    ZlibCompressor compressor;
    (void)compressTextRecords(text.view(), temp, sizes, &starts, compressor);
}

} // namespace quillery::bench
