#include "markup/blocks.h"

namespace quillery {

Verdict resolveBlockReferences(std::string_view, RefTable&, RefTable&) {
    return Verdict::Ok;
}

Verdict writeBlocks(BlockKind, std::string_view, RefTable&, RecordBuffer&, ImageTable&, const std::string&,
                    const std::string&) {
    return Verdict::Ok;
}

} // namespace quillery
