// The device's glyph widths: which of the five tables measures a character in a given font and
// style, and the line height it demands.
#pragma once

#include "tdb/book_format.h" // font codes and style bits

#include <array>
#include <cstdint>

namespace quillery {

using GlyphWidthTable = std::array<int32_t, 256>;
using GlyphWidthTables = std::array<GlyphWidthTable, 5>;

// Table 0 small, 1 bold, 2 large, 3 large bold, 4 superscript and subscript; indexed by the device character
// code.
extern const GlyphWidthTables kGlyphWidths;

struct GlyphMetrics {
    const GlyphWidthTable* widths;
    uint32_t lineHeight;
};

// The table and line height for a font code and style word: the first rule that holds.
inline GlyphMetrics glyphMetricsFor(uint16_t font, uint16_t style) {
    if (style & (kStyleSuperscript | kStyleSubscript)) {
        return {&kGlyphWidths[4], 7};
    }
    bool bold = (style & kStyleBoldWeight) != 0;
    if (font == kFontSmall) {
        return {&kGlyphWidths[bold ? 1 : 0], 11};
    }
    if (font == kFontBold) {
        return {&kGlyphWidths[1], 11};
    }
    return bold ? GlyphMetrics{&kGlyphWidths[3], 15} : GlyphMetrics{&kGlyphWidths[2], 14};
}

} // namespace quillery
