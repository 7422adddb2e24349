#include "markup/text_positions.h"

namespace quillery {

RecordPlace recordPlaceOf(const RecordBuffer& recordStarts, uint32_t position) {
    size_t count = recordStarts.count();
    if (count == 0) {
        return {1, static_cast<uint16_t>(position)};
    }
    // The last value is the end of the text, never the start of a record.
    size_t records = count > 1 ? count - 1 : 1;
    // Find the last record start strictly below `position` (record 1 when there is none).
    size_t low = 0;
    size_t high = records; // starts[low] < position holds for every index below the answer
    while (high - low > 1) {
        size_t middle = low + (high - low) / 2;
        if (recordStarts.u32At(middle) < position) {
            low = middle;
        } else {
            high = middle;
        }
    }
    uint32_t start = recordStarts.u32At(low);
    uint32_t offset = position > start ? position - start : 0;
    return {static_cast<uint16_t>(low + 1), static_cast<uint16_t>(offset)};
}

} // namespace quillery
