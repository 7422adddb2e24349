#include "markup/paginate_book.h"

#include "markup/scanner.h"

namespace quillery {

Verdict paginateBook(std::string_view text, const std::string& imageFolder,
                     const RecordBuffer& textRecordStarts, BookTables& tables, uint32_t flags,
                     const ImageConverter& convertImages) {
    Scanner scanner(text, imageFolder, textRecordStarts, tables, flags, convertImages);
    return scanner.run();
}

} // namespace quillery
