// Sidebar and footnote references in the main text: \Sd="name" and \Fn="name", collected into the
// two reference tables, and the finishing of those tables.
#pragma once

#include "markup/scan_context.h"
#include "tdb/book_tables.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

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
    // The name whose first byte is at `nameStart` as the table keeps it, before lowering: up to the next
    // double quote or the end of the text, at most 255 bytes.
    std::string_view storedName(uint32_t nameStart) const;
    // Sorts the names by their lowered bytes (compared as signed values) into `table`, each name once,
    // no empty name.
    void finishTable(std::vector<uint32_t>& names, RefTable& table) const;

    ScanContext& context_;
    RefTable& sidebars_;
    RefTable& footnotes_;
    // Each reference as where its name starts in the text, until the end of the scan.
    std::vector<uint32_t> sidebarNames_;
    std::vector<uint32_t> footnoteNames_;
};

} // namespace quillery
