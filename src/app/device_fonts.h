// The fonts a preview page is drawn in: DejaVu Sans (Debian's fonts-dejavu-core) at the device's line
// heights, narrowed to the device's glyph widths.
//
// The device's own letter shapes are not available, so each font is one of DejaVu Sans regular or bold, sized
// so that its ascent and descent fill the line height of the glyph table (11, 14, 15, or 7 for superscript
// and subscript) and narrowed so that its letters are on average as wide as the table's. The files are read
// directly rather than through the system's font matching, so that every machine with the package draws
// the same pages; without them the toolkit's own "DejaVu Sans" (or its nearest match) is used.
#pragma once

#include <QRawFont>

#include <cstdint>

namespace quillery {

struct DeviceFont {
    QRawFont font;
    uint32_t lineHeight = 0; // the glyph table's line height
    qreal ascent = 0;        // from the top of the line-height box to the baseline, in pixels
    qreal narrowing = 1;     // horizontal scale that brings the font's widths to the table's
};

class DeviceFonts {
  public:
    // The fonts of the running application (a QGuiApplication must exist); made on first use.
    static DeviceFonts& shared();

    // The font for a font code (0 small, 1 bold, 2 large) and style word, as the glyph tables choose.
    const DeviceFont& fontFor(uint16_t fontCode, uint16_t style);
    // Whether the DejaVu files were found (otherwise a substitute draws the letters).
    bool fromFiles() const { return fromFiles_; }

  private:
    DeviceFonts();
    DeviceFont make(bool bold, uint16_t fontCode, uint16_t style) const;

    QRawFont regular_;
    QRawFont bold_;
    bool fromFiles_ = false;
    DeviceFont fonts_[10]; // per glyph table and weight
    bool made_[10] = {};
};

} // namespace quillery
