#include "framework/diagnostics.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <thread>

namespace quillery {
namespace {

TEST(DiagnosticsTest, ChannelsCarryLevelsAndAnEmptyHandlerChangesNothing) {
    test::ChannelCollector reports;
    setWarningHandler(nullptr);
    reportError("e%d", 1);
    reportWarning("w%s", "2");
    reportNote("n%04X", 0x3B);
    EXPECT_EQ((std::vector<std::string>{"E e1", "W w2", "N n003B"}), reports.lines());
}

TEST(DiagnosticsTest, TrailingLineFeedIsPartOfTheTextAndLongTextIsCutTo511Bytes) {
    test::ReportCollector reports;
    reportError("An error occurred reading the file %s.\n", "/x");
    std::string longName(600, 'n');
    reportWarning("%s", longName.c_str());
    ASSERT_EQ(2u, reports.reports().size());
    EXPECT_EQ("An error occurred reading the file /x.\n", reports.reports()[0].text);
    EXPECT_EQ(std::string(511, 'n'), reports.reports()[1].text);
}

TEST(DiagnosticsTest, MessagesThatNameFilesMarkTheirPaths) {
    std::vector<std::string> marked;
    test::ChannelCollector restore;
    auto collect = [&](const Report& report) {
        std::string spans;
        for (const TextSpan& path : report.paths) {
            spans += "[" + std::string(report.text.substr(path.offset, path.length)) + "]";
        }
        marked.push_back(spans);
        return 0;
    };
    setErrorHandler(collect);
    setNoteHandler(collect);
    reportError("The input file \"%s\" could not be opened.", "na\xC3\xAFve.tml");
    reportNote("Writing book <%s> from file <%s>...", "Caf\xE9", "/b/caf\xC3\xA9.tml");
    reportError("Image name \"%s\" must name a file inside the image folder.", "../x.png"); // book text
    std::string longPath = "/" + std::string(600, 'p');
    reportError("An error occurred reading the file %s.\n", longPath.c_str());
    EXPECT_EQ((std::vector<std::string>{"[na\xC3\xAFve.tml]", "[/b/caf\xC3\xA9.tml]", "",
                                        "[" + longPath.substr(0, 511 - 35) + "]"}),
              marked);
}

TEST(DiagnosticsTest, PlacesOfPositions) {
    auto place = [](std::string_view text, size_t position) {
        SourcePlace found = placeOfPosition(text, position);
        return std::to_string(found.line) + ":" + std::to_string(found.column);
    };
    EXPECT_EQ("1:1", place("", 0));
    EXPECT_EQ("1:1", place("\n", 0));
    EXPECT_EQ("2:1", place("\n", 1)); // just after the sole line feed
    EXPECT_EQ("2:2", place("ab\ncd", 4));
    EXPECT_EQ("2:3", place("ab\ncd", 99)); // past the end: after the last byte
    EXPECT_EQ("3:1", place("a\n\nb", 3));
}

TEST(DiagnosticsTest, PositionedReportsNeedAnnouncedText) {
    test::ReportCollector reports;
    reportErrorAt(3, "no text");
    {
        ReportTextScope scope("line one\nline two");
        reportWarningAt(14, "here");
    }
    reportErrorAt(14, "gone again");
    ASSERT_EQ(3u, reports.reports().size());
    EXPECT_FALSE(reports.reports()[0].place);
    ASSERT_TRUE(reports.reports()[1].place);
    EXPECT_EQ(2u, reports.reports()[1].place->line);
    EXPECT_EQ(6u, reports.reports()[1].place->column);
    EXPECT_FALSE(reports.reports()[2].place);
}

TEST(DiagnosticsTest, ASinkScopeTakesThisThreadsReportsUntilItEnds) {
    test::ChannelCollector channels;
    test::CollectingSink outer;
    test::CollectingSink inner;
    reportNote("to the channels");
    {
        ReportSinkScope first(&outer);
        reportError("outer %d", 1);
        {
            ReportSinkScope second(&inner);
            ReportSinkScope none(nullptr); // names no sink: the inner one stays
            reportWarning("inner");
            EXPECT_EQ(&inner, &currentSink());
        }
        reportNote("outer again");
    }
    reportNote("channels again");
    EXPECT_EQ(&channelSink(), &currentSink());
    EXPECT_EQ((std::vector<std::string>{"N to the channels", "N channels again"}), channels.lines());
    EXPECT_EQ((std::vector<std::string>{"E outer 1", "N outer again"}), outer.lines());
    EXPECT_EQ((std::vector<std::string>{"W inner"}), inner.lines());
}

// Another thread neither reports into this thread's sink nor finds places in this thread's text.
TEST(DiagnosticsTest, SinkAndTextBelongToTheReportingThread) {
    test::ChannelCollector channels;
    test::ReportCollector here;
    ReportTextScope text("one\ntwo");
    test::CollectingSink there;
    std::thread other([&] {
        ReportSinkScope scope(&there);
        reportWarningAt(5, "no text on this thread");
        {
            ReportTextScope own("a\nb\nc");
            reportErrorAt(4, "its own text");
        }
    });
    other.join();
    reportWarningAt(5, "here");
    ASSERT_EQ(2u, there.reports().size());
    EXPECT_FALSE(there.reports()[0].place);
    ASSERT_TRUE(there.reports()[1].place);
    EXPECT_EQ(3u, there.reports()[1].place->line);
    ASSERT_EQ(1u, here.reports().size());
    ASSERT_TRUE(here.reports()[0].place);
    EXPECT_EQ(2u, here.reports()[0].place->line);
    EXPECT_EQ(2u, here.reports()[0].place->column);
    EXPECT_TRUE(channels.reports().empty());
}

} // namespace
} // namespace quillery
