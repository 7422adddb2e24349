#include "markup/paginate_book.h"

namespace quillery {

Verdict paginateBook(std::string_view, const std::string&, const RecordBuffer&, BookTables&, uint32_t) {
    return Verdict::Ok;
}

} // namespace quillery
