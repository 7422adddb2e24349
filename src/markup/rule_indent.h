// Rules \w="xx%" and indents \T="xx%": their argument checks and the room they take in the line.
#pragma once

#include "markup/scan_context.h"
#include "tdb/book_format.h"

#include <cstddef>
#include <cstdint>

namespace quillery {

struct PercentArgument {
    size_t resume = 0;
    bool acts = false;  // false without `="`: no layout effect
    uint32_t value = 0; // the number formed by the leading decimal digits
};

// \w at `tag`: validates the argument.
PercentArgument readRule(ScanContext& context, size_t tag);
// \T at `tag`: validates the argument; the value is limited to 100.
PercentArgument readIndent(ScanContext& context, size_t tag);

// The x after a rule at `x`: the page width when the line is empty (x is 0, or the block indent), else x plus
// the page width (the rule then overflows to a line of its own).
inline uint32_t xAfterRule(uint32_t x) {
    return (x == 0 || x == kBlockIndent) ? kPageWidth : x + kPageWidth;
}

// The x after an indent of `value` percent at `x`; warns (at `tag`) when x lies beyond the target.
uint32_t xAfterIndent(ScanContext& context, size_t tag, uint32_t value, uint32_t x);

} // namespace quillery
