#include "markup/text_positions.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

RecordBuffer startsOf(std::initializer_list<uint32_t> values) {
    RecordBuffer starts(4);
    for (uint32_t value : values) {
        EXPECT_TRUE(starts.appendU32(value));
    }
    return starts;
}

TEST(TextPositionsTest, PositionZeroIsRecordOneOffsetZero) {
    RecordBuffer starts = startsOf({0, 8000, 16000, 20000});
    RecordPlace place = recordPlaceOf(starts, 0);
    EXPECT_EQ(1, place.record);
    EXPECT_EQ(0, place.offset);
}

TEST(TextPositionsTest, ARecordStartBelongsToThePreviousRecord) {
    RecordBuffer starts = startsOf({0, 8000, 16000, 20000});
    EXPECT_EQ(1, recordPlaceOf(starts, 8000).record);
    EXPECT_EQ(8000, recordPlaceOf(starts, 8000).offset);
    EXPECT_EQ(2, recordPlaceOf(starts, 8001).record);
    EXPECT_EQ(1, recordPlaceOf(starts, 8001).offset);
    EXPECT_EQ(2, recordPlaceOf(starts, 16000).record);
    EXPECT_EQ(8000, recordPlaceOf(starts, 16000).offset);
    EXPECT_EQ(3, recordPlaceOf(starts, 16001).record);
    // The end of the text is the last record's length.
    EXPECT_EQ(3, recordPlaceOf(starts, 20000).record);
    EXPECT_EQ(4000, recordPlaceOf(starts, 20000).offset);
}

TEST(TextPositionsTest, AnEmptyTextHasOnlyRecordOne) {
    RecordBuffer starts = startsOf({0});
    EXPECT_EQ(1, recordPlaceOf(starts, 0).record);
    EXPECT_EQ(0, recordPlaceOf(starts, 0).offset);
    RecordBuffer none(4);
    EXPECT_EQ(1, recordPlaceOf(none, 0).record);
}

} // namespace
} // namespace quillery
