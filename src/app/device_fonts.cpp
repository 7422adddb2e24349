#include "app/device_fonts.h"

#include "markup/glyph_widths.h"

#include <QFile>
#include <QFont>
#include <QString>

#include <algorithm>

namespace quillery {
namespace {

// Where distributions put DejaVu Sans; Debian's fonts-dejavu-core first.
constexpr const char* kFontFolders[] = {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu",
                                        "/usr/share/fonts/TTF", "/usr/local/share/fonts"};
constexpr qreal kProbeSize = 100;

QRawFont loadFont(const char* fileName) {
    for (const char* folder : kFontFolders) {
        QString path = QString::fromLatin1(folder) + QLatin1Char('/') + QLatin1String(fileName);
        if (QFile::exists(path)) {
            QRawFont font(path, kProbeSize, QFont::PreferFullHinting);
            if (font.isValid()) {
                return font;
            }
        }
    }
    return {};
}

QRawFont substituteFont(bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(kProbeSize));
    font.setBold(bold);
    return QRawFont::fromFont(font);
}

size_t tableIndexOf(const GlyphMetrics& metrics) {
    return static_cast<size_t>(metrics.widths - kGlyphWidths.data());
}

// The scale that makes the font's lower-case letters and digits as wide on average as the table's.
qreal narrowingFor(const QRawFont& font, const GlyphWidthTable& widths) {
    QString sample;
    int32_t deviceTotal = 0;
    for (char c = 'a'; c <= 'z'; ++c) {
        sample += QLatin1Char(c);
        deviceTotal += widths[static_cast<uint8_t>(c)];
    }
    for (char c = '0'; c <= '9'; ++c) {
        sample += QLatin1Char(c);
        deviceTotal += widths[static_cast<uint8_t>(c)];
    }
    qreal fontTotal = 0;
    for (const QPointF& advance : font.advancesForGlyphIndexes(font.glyphIndexesForString(sample))) {
        fontTotal += advance.x();
    }
    if (fontTotal <= 0) {
        return 1;
    }
    return std::clamp(deviceTotal / fontTotal, qreal(0.5), qreal(1.2));
}

} // namespace

DeviceFonts& DeviceFonts::shared() {
    static DeviceFonts fonts;
    return fonts;
}

DeviceFonts::DeviceFonts() {
    regular_ = loadFont("DejaVuSans.ttf");
    bold_ = loadFont("DejaVuSans-Bold.ttf");
    fromFiles_ = regular_.isValid() && bold_.isValid();
    if (!fromFiles_) {
        regular_ = substituteFont(false);
        bold_ = substituteFont(true);
    }
}

DeviceFont DeviceFonts::make(bool bold, uint16_t fontCode, uint16_t style) const {
    GlyphMetrics metrics = glyphMetricsFor(fontCode, style);
    DeviceFont device;
    device.font = bold ? bold_ : regular_;
    device.lineHeight = metrics.lineHeight;
    if (!device.font.isValid()) {
        return device;
    }
    // Ascent and descent scale with the size: fill the line height with both.
    qreal extent = device.font.ascent() + device.font.descent();
    qreal size = extent > 0 ? kProbeSize * metrics.lineHeight / extent : metrics.lineHeight;
    device.font.setPixelSize(size);
    device.ascent = device.font.ascent();
    device.narrowing = narrowingFor(device.font, *metrics.widths);
    return device;
}

const DeviceFont& DeviceFonts::fontFor(uint16_t fontCode, uint16_t style) {
    GlyphMetrics metrics = glyphMetricsFor(fontCode, style);
    size_t table = tableIndexOf(metrics);
    // Tables 1 and 3 are the bold ones; superscript and subscript take the weight of their text.
    bool bold =
        table == 1 || table == 3 || (table == 4 && (fontCode == kFontBold || (style & kStyleBoldWeight)));
    size_t slot = table * 2 + (bold ? 1 : 0);
    if (!made_[slot]) {
        fonts_[slot] = make(bold, fontCode, style);
        made_[slot] = true;
    }
    return fonts_[slot];
}

} // namespace quillery
