#include "markup/end_tag_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quillery {
namespace {

// Sections made of end tags, their fragments and near misses, with starts anywhere (the section's end and
// past it included, repeated and out of order): the one walk must answer exactly as one search per start.
TEST(EndTagSearchTest, AnswersAsOneSearchPerStartOnGeneratedSections) {
    std::mt19937 random(14);
    const std::string pieces[] = {
        "</sidebar>", "</footnote>",        "</side",    "bar>", "<", "</sidebar</sidebar>>", "x",
        "\n",         "<sidebar id=\"a\">", "</SIDEBAR>"};
    for (int round = 0; round < 400; ++round) {
        std::string section;
        size_t count = random() % 30;
        for (size_t i = 0; i < count; ++i) {
            section += pieces[random() % std::size(pieces)];
        }
        std::vector<size_t> starts;
        size_t startCount = random() % 12;
        for (size_t i = 0; i < startCount; ++i) {
            starts.push_back(random() % (section.size() + 3));
        }
        if (!starts.empty() && random() % 2 == 0) {
            starts.push_back(starts.front());
        }
        for (std::string_view tag : {std::string_view("</sidebar>"), std::string_view("</footnote>")}) {
            std::vector<size_t> ends = firstEndTagsAfter(section, tag, starts);
            ASSERT_EQ(starts.size(), ends.size());
            for (size_t k = 0; k < starts.size(); ++k) {
                ASSERT_EQ(std::string_view(section).find(tag, starts[k]), ends[k])
                    << "section \"" << section << "\", start " << starts[k];
            }
        }
    }
}

TEST(EndTagSearchTest, NoStartsAndNoTags) {
    EXPECT_TRUE(firstEndTagsAfter("</sidebar>", "</sidebar>", {}).empty());
    EXPECT_EQ((std::vector<size_t>{std::string_view::npos, std::string_view::npos}),
              firstEndTagsAfter("no tag here", "</sidebar>", {0, 5}));
}

} // namespace
} // namespace quillery
