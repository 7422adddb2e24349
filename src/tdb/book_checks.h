// What a book cannot hold and what the earlier stages should never hand over, refused with an error before
// the book's file is made.
#pragma once

#include "tdb/book_plan.h"
#include "tdb/book_writer.h"

namespace quillery {

// The tables the format cannot hold (too many pages in a font, a long image name) and tables that
// contradict each other or their records; every problem found is reported.
[[nodiscard]] bool checkBookInput(const BookWriterInput& input);

// A book of more records or more bytes than the format can hold.
[[nodiscard]] bool checkBookPlan(const BookPlan& plan, const BookTables& tables);

// Reports input that contradicts itself: "The book could not be written: <what>. No output file generated."
void reportInconsistentInput(const char* what);

} // namespace quillery
