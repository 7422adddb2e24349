#include "framework/display_text.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(DisplayTextTest, FileNamesReadAsUtf8AndExcerptsAsWindows1252) {
    EXPECT_EQ(u"The input file \"caf\u00E9.tml\" could not be opened.",
              decodeDisplayText("The input file \"caf\xC3\xA9.tml\" could not be opened."));
    EXPECT_EQ(u"Unmappable character in string \"na\u00EFve \u2019\"",
              decodeDisplayText("Unmappable character in string \"na\xEFve \x92\""));
    EXPECT_EQ(u"\U0001F600 \u20AC", decodeDisplayText("\xF0\x9F\x98\x80 \xE2\x82\xAC"));
}

TEST(DisplayTextTest, MalformedSequencesFallBackByteByByte) {
    EXPECT_EQ(u"\u00C3", decodeDisplayText("\xC3"));                               // cut short at the end
    EXPECT_EQ(u"\u00C0\u00AF", decodeDisplayText("\xC0\xAF"));                     // overlong
    EXPECT_EQ(u"\u00ED\u00A0\u20AC", decodeDisplayText("\xED\xA0\x80"));           // a surrogate
    EXPECT_EQ(u"\u00F4\u0090\u20AC\u20AC", decodeDisplayText("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_EQ(u"\u00E9x", decodeDisplayText("\xE9x"));
    EXPECT_EQ(u"\u0081\u008D", decodeDisplayText("\x81\x8D"));
    EXPECT_EQ(u"a\nb\rc", decodeDisplayText("a\nb\rc"));
}

} // namespace
} // namespace quillery
