// The helpers of the book format that more than one layer uses to build or take apart a field.
#include "tdb/book_format.h"

#include <gtest/gtest.h>

#include <string>

namespace quillery {
namespace {

// Style bits from bit 7 up, the font code in bits 3 to 6, bit 2 clear, the alignment in bits 0 and 1.
TEST(BookFormatTest, PageStyleWordPacksStyleAlignmentAndFont) {
    EXPECT_EQ(0x0000, pageStyleWord(0, kAlignLeft, kFontSmall));
    EXPECT_EQ(0x8091, pageStyleWord(kStyleItalic | kStyleBoldWeight, kAlignCentre, kFontLarge));
    EXPECT_EQ(0x200A, pageStyleWord(kStyleIndent, kAlignRight, kFontBold));
    for (uint16_t font : {kFontSmall, kFontBold, kFontLarge}) {
        for (uint16_t alignment : {kAlignLeft, kAlignCentre, kAlignRight}) {
            uint16_t word = pageStyleWord(kStyleSubscript | kStyleReference, alignment, font);
            EXPECT_EQ(font, pageFont(word));
            EXPECT_EQ(alignment, pageAlignment(word));
            EXPECT_EQ(0, word & 0x0004);
            EXPECT_EQ(kStyleSubscript | kStyleReference, word & ~0x007F);
        }
    }
}

TEST(BookFormatTest, RandomTagHoldsTwoFifteenBitDraws) {
    EXPECT_EQ(0x00010002u, randomTag(1, 2));
    EXPECT_EQ(0x7FFF7FFFu, randomTag(0x7FFF, 0x7FFF));
    EXPECT_EQ(0u, randomTag(0x7FFF, 0x7FFF) & kRandomTagUnusedBits);
}

TEST(BookFormatTest, ImageNameMessageStatesTheLimit) {
    std::string message = kImageNameTooLongMessage;
    EXPECT_NE(std::string::npos, message.find(" " + std::to_string(kMaxImageNameLength) + " characters"));
    EXPECT_EQ(kImageNameSize, kMaxImageNameLength + 1); // the name field always ends with a zero byte
}

} // namespace
} // namespace quillery
