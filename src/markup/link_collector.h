// Links and anchors: the link reference \q="#name" and the anchor \Q="name", the link table that
// pairs them, and its finishing.
#pragma once

#include "framework/offset_set.h"
#include "markup/scan_context.h"
#include "tdb/book_tables.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

class LinkCollector {
  public:
    LinkCollector(ScanContext& context, LinkTable& table, size_t& notKept)
        : context_(context), table_(table), notKept_(notKept) {}

    // An opening \q at `tag` (the reference bit clear): returns where the scan resumes.
    size_t reference(size_t tag);
    // \Q at `tag`: returns where the scan resumes.
    size_t anchor(size_t tag);

    // After the last pass: one entry per name, referenced names first and then by name, anchors nobody
    // links to dropped when some name is referenced; warns about undefined links. Entries past the most a
    // book can hold are counted in `notKept`, not kept (such a book is refused in any case).
    void finish();

  private:
    // Checks the line ends of the name in [from, to).
    void checkLineEnds(size_t tag, size_t from, size_t to, const char* message);
    // The name of the tag whose name starts at `nameStart` as it is stored (before lowering): the bytes up to
    // the next double quote or the end of the text, only the first 79 when there are more than 80.
    std::string_view storedName(uint32_t nameStart) const;
    // The anchor's position: its closing quote plus 2, never past the end of the text.
    int32_t anchorPosition(uint32_t nameStart) const;
    // Names compared with ASCII letters lowered.
    bool sameName(uint32_t a, uint32_t b) const;
    bool nameLess(uint32_t a, uint32_t b) const;
    size_t nameHash(uint32_t nameStart) const;

    ScanContext& context_;
    LinkTable& table_;
    size_t& notKept_;
    // Names are kept as where they start in the text. Anchors once each (the first one of a name decides
    // its position); references as often as they occur, since they give no message until the end.
    OffsetSet anchors_;
    std::vector<uint32_t> references_;
};

} // namespace quillery
