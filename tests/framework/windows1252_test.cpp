#include "framework/wide_string.h"
#include "framework/windows1252.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(Windows1252Test, EveryByteRoundTrips) {
    for (int byte = 0; byte < 256; ++byte) {
        char16_t unit = windows1252ToUnicode(static_cast<uint8_t>(byte));
        EXPECT_EQ(byte, unicodeToWindows1252(unit)) << byte;
    }
}

TEST(Windows1252Test, MapsTheTypographicRangeAndTheUndefinedFive) {
    EXPECT_EQ(0x20AC, windows1252ToUnicode(0x80));
    EXPECT_EQ(0x2019, windows1252ToUnicode(0x92));
    EXPECT_EQ(0x0178, windows1252ToUnicode(0x9F));
    for (uint8_t undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(undefined, windows1252ToUnicode(undefined));
    }
    EXPECT_EQ(0xE9, windows1252ToUnicode(0xE9));
}

TEST(Windows1252Test, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ("a?b", encodeWindows1252(u"a\u0416b"));
    // A surrogate pair is one character and one question mark.
    EXPECT_EQ("?", encodeWindows1252(u"\U0001F600"));
    EXPECT_EQ("\x80", encodeWindows1252(u"\u20AC"));
}

TEST(Windows1252Test, Utf8ConversionsHandleMalformedInput) {
    EXPECT_EQ(u"Caf\u00E9", utf8ToUtf16("Caf\xC3\xA9"));
    EXPECT_EQ(u"\uFFFDx", utf8ToUtf16("\xC3x"));
    EXPECT_EQ(u"\uFFFD", utf8ToUtf16("\xC0\xAF").substr(0, 1)); // overlong
    EXPECT_EQ("\xE2\x82\xAC", windows1252ToUtf8("\x80"));
    EXPECT_EQ("\xF0\x9F\x98\x80", utf16ToUtf8(u"\U0001F600"));
}

TEST(WideStringTest, TrimCompareFindAndCut) {
    WideString text(u"  Hello World \n");
    text.trim();
    EXPECT_EQ(u"Hello World", text.text());
    EXPECT_EQ(0, text.compareNoCase(WideString(u"hello world")));
    EXPECT_NE(0, text.compare(WideString(u"hello world")));
    EXPECT_EQ(4u, text.findFirst(u'o'));
    EXPECT_EQ(7u, text.findLast(u'o'));
    EXPECT_EQ(WideString::npos, text.findFirst(u'z'));
    EXPECT_EQ(u"World", text.substring(6).text());
    text.cutTo(5);
    EXPECT_EQ(u"Hello", text.text());
    char buffer[4];
    EXPECT_EQ(3u, text.toAnsi(buffer, sizeof buffer));
    EXPECT_STREQ("Hel", buffer);
    EXPECT_EQ(u"n=7%", WideString::format("n=%d%%", 7).text());
}

} // namespace
} // namespace quillery
