// Index items, dictionary builds only: the opening \I collects the item text up to the next \I and
// adds an index entry at the record and offset of its backslash.
#pragma once

#include "markup/scan_context.h"
#include "tdb/book_tables.h"

#include <cstddef>

namespace quillery {

class IndexCollector {
  public:
    IndexCollector(ScanContext& context, IndexTable& table) : context_(context), table_(table) {}

    // An opening \I at `tag`: adds the entry and returns the position right after the tag.
    size_t openItem(size_t tag);

    // After the last pass, when there are entries: the note "Processing index records...", then the entries
    // are sorted, cleared of duplicates and grouped (groupIndexEntries).
    void finish();

  private:
    ScanContext& context_;
    IndexTable& table_;
};

} // namespace quillery
