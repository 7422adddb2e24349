#include "bench_text.h"

#include <cstdint>

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

} // namespace quillery::bench
