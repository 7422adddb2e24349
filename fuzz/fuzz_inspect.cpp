// Any bytes through the book reader, and a book it accepts through both --inspect formats.
#include "cli/inspect_command.h"
#include "tdb/book_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quillery::BookContents book;
    std::string error;
    if (quillery::readBook(std::string_view(reinterpret_cast<const char*>(data), size), book, error)) {
        (void)quillery::cli::formatInspectText(book, size);
        (void)quillery::cli::formatInspectJson(book, size);
    }
    return 0;
}
