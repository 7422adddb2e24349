#include "markup/glyph_widths.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace quillery {
namespace {

// Eight codes from `first` on, as the device's tables hold them.
std::string row(const GlyphWidthTable& table, int first, int count) {
    std::ostringstream out;
    for (int code = first; code < first + count; ++code) {
        out << (code > first ? " " : "") << table[code];
    }
    return out.str();
}

TEST(GlyphWidthsTest, TablesMatchTheDevicesRows) {
    EXPECT_EQ("2 2 4 8 6 8 7 2 4 4 6 6 3 4 2 5 5 5 5 5 5 5 5 5 5 5 2 3 6 6 6 5",
              row(kGlyphWidths[0], 32, 32));
    EXPECT_EQ("5 5 3 8 5 6 6 6 4 11 5 4 8 10 10 10 10 3 3 5 5 4 4 7 7 10 4 4 8 8 8 6",
              row(kGlyphWidths[0], 128, 32));
    EXPECT_EQ("2 3 6 10 6 13 9 3 5 5 6 6 3 5 3 6 6 6 6 6 6 6 6 6 6 6 3 3 6 6 6 6",
              row(kGlyphWidths[1], 32, 32));
    EXPECT_EQ("6 6 6 6 6 6 11 6 7 7 7 7 3 2 3 3 6 7 7 7 7 7 7 6 7 7 7 7 7 7 6 7",
              row(kGlyphWidths[2], 224, 32));
    EXPECT_EQ("5 5 5 5 5 5 5 5 5 2 5 5 5 5 5 5 5 5 5 5 11 5 8 8 9 6 8 5 5 5 5 5",
              row(kGlyphWidths[3], 0, 32));
    EXPECT_EQ("2 2 5 5 6 6 2 5 4 7 5 6 6 4 7 5 5 4 4 4 3 4 6 2 3 2 4 6 8 8 10 4",
              row(kGlyphWidths[4], 160, 32));
}

TEST(GlyphWidthsTest, SelectsTheFirstTableThatHolds) {
    EXPECT_EQ(&kGlyphWidths[4], glyphMetricsFor(kFontLarge, kStyleSuperscript | kStyleBoldWeight).widths);
    EXPECT_EQ(7u, glyphMetricsFor(kFontSmall, kStyleSubscript).lineHeight);
    EXPECT_EQ(&kGlyphWidths[1], glyphMetricsFor(kFontSmall, kStyleBoldWeight).widths);
    EXPECT_EQ(&kGlyphWidths[0], glyphMetricsFor(kFontSmall, 0).widths);
    EXPECT_EQ(&kGlyphWidths[1], glyphMetricsFor(kFontBold, 0).widths);
    EXPECT_EQ(&kGlyphWidths[3], glyphMetricsFor(kFontLarge, kStyleBoldWeight).widths);
    EXPECT_EQ(15u, glyphMetricsFor(kFontLarge, kStyleBoldWeight).lineHeight);
    EXPECT_EQ(&kGlyphWidths[2], glyphMetricsFor(kFontLarge, kStyleItalic).widths);
    EXPECT_EQ(14u, glyphMetricsFor(kFontLarge, 0).lineHeight);
    EXPECT_EQ(10, kGlyphWidths[2]['m']); // the \U placeholder is the large-font m
}

} // namespace
} // namespace quillery
