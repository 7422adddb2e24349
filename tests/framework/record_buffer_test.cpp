#include "framework/byte_order.h"
#include "framework/record_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quillery {
namespace {

TEST(ByteOrderTest, WritesAndReadsBigEndian) {
    uint8_t bytes[4];
    putU32BE(bytes, 0x3B9ACA00);
    EXPECT_EQ(0x3B, bytes[0]);
    EXPECT_EQ(0x9A, bytes[1]);
    EXPECT_EQ(0xCA, bytes[2]);
    EXPECT_EQ(0x00, bytes[3]);
    EXPECT_EQ(0x3B9ACA00u, readU32BE(bytes));
    putU16BE(bytes, 0x6240);
    EXPECT_EQ(0x62, bytes[0]);
    EXPECT_EQ(0x40, bytes[1]);
    EXPECT_EQ(0x6240, readU16BE(bytes));
}

TEST(RecordBufferTest, AppendsBigEndianValuesAndReadsThemBack) {
    RecordBuffer list(4);
    ASSERT_TRUE(list.appendU32(0));
    ASSERT_TRUE(list.appendU32(8101));
    ASSERT_TRUE(list.appendU32(0xFFFFFFFF));
    EXPECT_EQ(3u, list.count());
    EXPECT_EQ(12u, list.byteLength());
    EXPECT_EQ(8101u, list.u32At(1));
    EXPECT_EQ(0xFFFFFFFFu, list.u32At(2));
    EXPECT_EQ(0x1F, list.data()[6]);
    EXPECT_EQ(0xA5, list.data()[7]);
}

TEST(RecordBufferTest, GrowsByDoublingOrByFixedStepKeepingContents) {
    for (size_t step : {size_t{0}, size_t{3}}) {
        RecordBuffer bytes(1, 2, step);
        for (int i = 0; i < 1000; ++i) {
            uint8_t value = static_cast<uint8_t>(i);
            ASSERT_TRUE(bytes.appendBytes(&value, 1));
        }
        ASSERT_EQ(1000u, bytes.count());
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(static_cast<uint8_t>(i), bytes.data()[i]);
        }
    }
}

// A buffer with a growth step must still grow geometrically: with the step alone, megabytes appended a few
// bytes at a time were copied again every few kilobytes, and thousands of images took minutes.
TEST(RecordBufferTest, GrowsGeometricallyEvenWithAFixedStep) {
    for (size_t step : {size_t{0}, size_t{16}, size_t{2000}, size_t{32768}}) {
        RecordBuffer bytes(1, 16, step);
        size_t reallocations = 0;
        size_t capacity = bytes.byteCapacity();
        const uint8_t chunk[7] = {1, 2, 3, 4, 5, 6, 7};
        for (size_t i = 0; i < (256u << 10) / sizeof chunk; ++i) {
            ASSERT_TRUE(bytes.appendBytes(chunk, sizeof chunk));
            if (bytes.byteCapacity() != capacity) {
                ++reallocations;
                capacity = bytes.byteCapacity();
            }
        }
        // 256 kB in steps of at least half the capacity: about 25 reallocations (by the step alone, 16383
        // for a step of 16 and 131 for one of 2000).
        EXPECT_LE(reallocations, 30u) << "step " << step;
        EXPECT_GE(bytes.byteCapacity(), bytes.byteLength());
        EXPECT_LE(bytes.byteCapacity(), 2 * bytes.byteLength() + step) << "step " << step;
    }
}

TEST(RecordBufferTest, SetLengthZeroFillsWhenGrowingAndCutsWhenShrinking) {
    RecordBuffer bytes;
    ASSERT_TRUE(bytes.appendBytes("abc", 3));
    ASSERT_TRUE(bytes.setByteLength(2));
    ASSERT_TRUE(bytes.setByteLength(5));
    EXPECT_EQ(0, std::memcmp("ab\0\0\0", bytes.data(), 5));
}

TEST(RecordBufferTest, InsertsRemovesAndCopiesElements) {
    RecordBuffer pairs(2);
    ASSERT_TRUE(pairs.appendBytes("aabbcc", 6));
    ASSERT_TRUE(pairs.insert(1, "xx"));
    EXPECT_EQ(0, std::memcmp("aaxxbbcc", pairs.data(), 8));
    pairs.remove(0);
    EXPECT_EQ(0, std::memcmp("xxbbcc", pairs.data(), 6));
    pairs.remove(2, 10); // clipped at the end
    EXPECT_EQ(2u, pairs.count());
    char element[2];
    pairs.copyOut(1, element);
    EXPECT_EQ(0, std::memcmp("bb", element, 2));
    pairs.copyIn(0, "zz");
    EXPECT_EQ(0, std::memcmp("zzbb", pairs.data(), 4));
    EXPECT_FALSE(pairs.insert(5, "qq"));
}

TEST(RecordBufferTest, SortIsStable) {
    // Sort by the first byte only; equal keys keep their order.
    RecordBuffer pairs(2);
    ASSERT_TRUE(pairs.appendBytes("b1a1b2a2c1a3", 12));
    ASSERT_TRUE(pairs.sort([](const uint8_t* a, const uint8_t* b) { return a[0] < b[0]; }));
    EXPECT_EQ(0, std::memcmp("a1a2a3b1b2c1", pairs.data(), 12));
}

} // namespace
} // namespace quillery
