// Text positions to text records: the record of a position p is the last one whose start offset is
// strictly less than p; position 0 is record 1, offset 0. A position equal to the start of record k+1 is
// therefore record k with an offset equal to the length of record k.
#pragma once

#include "framework/record_buffer.h"

#include <cstdint>

namespace quillery {

struct RecordPlace {
    uint16_t record = 1; // from 1
    uint16_t offset = 0;
};

// `recordStarts` holds big-endian u32 values: 0, end of record 1, end of record 2, ... An empty or one-value
// table places everything in record 1.
RecordPlace recordPlaceOf(const RecordBuffer& recordStarts, uint32_t position);

} // namespace quillery
