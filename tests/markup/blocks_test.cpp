#include "markup/blocks.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>

namespace quillery {
namespace {

class BlockResolutionTest : public ::testing::Test {
  protected:
    test::ReportCollector reports;
};

// The body start of `name` found the plain way: the first match of the whole opening tag, letters compared
// without case, then past the line feeds.
std::optional<uint32_t> plainBodyStart(std::string_view section, const std::string& name) {
    std::string tag = "<sidebar id=\"" + name + "\">";
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t at = 0; at + tag.size() <= section.size(); ++at) {
        size_t i = 0;
        while (i < tag.size() && lower(section[at + i]) == lower(tag[i])) {
            ++i;
        }
        if (i == tag.size()) {
            size_t body = at + tag.size();
            while (body < section.size() && section[body] == '\n') {
                ++body;
            }
            return static_cast<uint32_t>(body);
        }
    }
    return std::nullopt;
}

TEST_F(BlockResolutionTest, ResolutionFindsTheFirstOpeningTagOfEveryName) {
    // Sections built from pieces that make near misses: tags inside names, names that begin other names,
    // capitals, a quote without its '>'.
    const std::vector<std::string> pieces = {
        "<sidebar id=\"", "<SideBar ID=\"", "a", "B", "\"", "\">", ">", "\n", "<", "x"};
    const std::vector<std::string> names = {"a", "b", "ab", "ba", "a<sidebar id=", "x"};
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string section;
        for (int piece = next() % 24; piece > 0; --piece) {
            section += pieces[next() % pieces.size()];
        }
        RefTable sidebars;
        for (const std::string& name : names) {
            sidebars.add(name);
        }
        RefTable footnotes;
        (void)resolveBlockReferences(section, sidebars, footnotes);
        for (const RefEntry& entry : sidebars) {
            std::optional<uint32_t> expected = plainBodyStart(section, entry.name);
            if (expected) {
                EXPECT_EQ(*expected, entry.bodyStart) << section << " / " << std::string_view(entry.name);
            }
        }
        size_t missing = 0;
        for (const std::string& name : names) {
            missing += plainBodyStart(section, name) ? 0 : 1;
        }
        ASSERT_EQ(missing, reports.lines().size()) << section;
        reports.clear();
    }
}

TEST_F(BlockResolutionTest, UnknownNamesAreErrors) {
    RefTable sidebars{"gone"};
    RefTable footnotes{"also"};
    EXPECT_EQ(Verdict::Failed, resolveBlockReferences("<sidebar id=\"other\">", sidebars, footnotes));
    EXPECT_EQ((std::vector<std::string>{"E No sidebar named \"gone\" was found.",
                                        "E No footnote named \"also\" was found."}),
              reports.lines());
}

} // namespace
} // namespace quillery
