// The style word travels from the layout through the book to the page preview: each side reads the same bits.
#include "cli/page_preview.h"
#include "markup/paginate_support.h"
#include "tdb/book_format.h"

#include <gtest/gtest.h>

namespace quillery::test {
namespace {

TEST(PageStyleTest, PreviewNamesTheStyleTheLayoutRecorded) {
    // The second page starts in the large font, centred, italic and in bold weight.
    Paginated book = paginate("\\l\\c\\i\\Bword\\pmore\\B\\i\\c\\n");
    ASSERT_EQ(Verdict::Ok, book.verdict);
    ASSERT_EQ(2u, book.tables.smallPages.size());
    uint16_t style = book.tables.smallPages[1].style;
    EXPECT_EQ(pageStyleWord(kStyleItalic | kStyleBoldWeight, kAlignCentre, kFontLarge), style);
    EXPECT_EQ("large font, centred, bold, italic", cli::describeStyle(style));
    EXPECT_EQ(kFontSmall, pageFont(book.tables.smallPages[0].style));
    EXPECT_EQ(kFontLarge, pageFont(book.tables.largePages[0].style));
}

} // namespace
} // namespace quillery::test
