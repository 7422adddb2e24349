// Sidebar and footnote references in the main text: \Sd="name" and \Fn="name", collected into the
// two reference tables, and the finishing of those tables.
#pragma once

#include "markup/book_tables.h"
#include "markup/scan_context.h"

#include <cstddef>

namespace quillery {

enum class ReferenceKind { Sidebar, Footnote };

class ReferenceCollector {
  public:
    ReferenceCollector(ScanContext& context, RefTable& sidebars, RefTable& footnotes)
        : context_(context), sidebars_(sidebars), footnotes_(footnotes) {}

    // An opening \Sd or \Fn at `tag` (the reference bit clear): validates the argument, adds the name in the
    // first pass, and returns where the scan resumes (after the closing quote, or 3 bytes after the backslash
    // without `="`).
    size_t open(size_t tag, ReferenceKind kind);

    // After the last pass: each table sorted by name, each name once, no empty names.
    void finish();

  private:
    ScanContext& context_;
    RefTable& sidebars_;
    RefTable& footnotes_;
};

// Sorts `table` by name (bytes compared as signed values), keeps each name once and drops empty names.
void finishReferenceTable(RefTable& table);

} // namespace quillery
