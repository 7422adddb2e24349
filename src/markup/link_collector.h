// Links and anchors: the link reference \q="#name" and the anchor \Q="name", the link table that
// pairs them, and its finishing.
#pragma once

#include "markup/book_tables.h"
#include "markup/scan_context.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace quillery {

class LinkCollector {
  public:
    LinkCollector(ScanContext& context, LinkTable& table) : context_(context), table_(table) {}

    // An opening \q at `tag` (the reference bit clear): returns where the scan resumes.
    size_t reference(size_t tag);
    // \Q at `tag`: returns where the scan resumes.
    size_t anchor(size_t tag);

    // After the last pass: sorts, removes duplicates and unused anchors, warns about undefined links.
    void finish();

  private:
    // Checks the line ends of the name in [from, to).
    void checkLineEnds(size_t tag, size_t from, size_t to, const char* message);
    // `stored` is the name as written in the tag, cut to 79 bytes when it is too long.
    void note(size_t tag, int32_t position, const std::string& stored);

    ScanContext& context_;
    LinkTable& table_;
    std::unordered_map<std::string, size_t> byName_;
};

} // namespace quillery
