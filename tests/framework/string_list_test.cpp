#include "framework/local_string_manager.h"
#include "framework/string_list.h"
#include "framework/string_resources.h"
#include "framework/user_language.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

// UTF-16 resource bytes for `text`, with the byte order mark of the given byte order.
std::string resourceOf(std::u16string_view text, bool bigEndian = false) {
    std::string bytes = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (char16_t unit : text) {
        char low = static_cast<char>(unit & 0xFF);
        char high = static_cast<char>(unit >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

std::vector<std::u16string> texts(const std::vector<WideString>& list) {
    std::vector<std::u16string> out;
    for (const WideString& entry : list) {
        out.push_back(entry.text());
    }
    return out;
}

TEST(StringListTest, LinesAreNumberedWithoutGapsWhateverEndsThem) {
    using List = std::vector<std::u16string>;
    EXPECT_EQ((List{u"OK", u"Cancel", u"Open"}),
              texts(parseStringList(resourceOf(u"OK\r\nCancel\r\nOpen\r\n"))));
    // A blank line takes no number; LF, CR and LINE SEPARATOR all end lines; the last line needs no end.
    EXPECT_EQ((List{u"a", u"b", u"c", u"d"}),
              texts(parseStringList(resourceOf(u"a\r\n\r\nb\u2028c\r\r\nd"))));
    EXPECT_TRUE(parseStringList(resourceOf(u"")).empty());
    EXPECT_TRUE(parseStringList("").empty());
    EXPECT_TRUE(parseStringList("\xFF").empty());
}

TEST(StringListTest, BackslashNBecomesALineFeed) {
    using List = std::vector<std::u16string>;
    EXPECT_EQ((List{u"one\ntwo", u"\\", u"x\\"}),
              texts(parseStringList(resourceOf(u"one\\ntwo\r\n\\\r\nx\\"))));
}

TEST(StringListTest, ABigEndianResourceGivesTheSameList) {
    std::u16string text = u"OK\r\n\u00C9dition\r\nAbout ^1\r\n";
    EXPECT_EQ(texts(parseStringList(resourceOf(text))), texts(parseStringList(resourceOf(text, true))));
    // A dangling odd byte is ignored.
    EXPECT_EQ(3u, parseStringList(resourceOf(text) + "x").size());
}

TEST(UserLanguageTest, LocaleNamesMapToLanguageNumbers) {
    EXPECT_EQ(2, languageOfLocaleName("fr_CA.UTF-8"));
    EXPECT_EQ(3, languageOfLocaleName("de"));
    EXPECT_EQ(7, languageOfLocaleName("ja_JP@something"));
    EXPECT_EQ(6, languageOfLocaleName("pt_BR"));
    EXPECT_EQ(1, languageOfLocaleName("C"));
    EXPECT_EQ(1, languageOfLocaleName("POSIX"));
    EXPECT_EQ(1, languageOfLocaleName("nl_NL"));
    EXPECT_EQ(1, languageOfLocaleName("**"));
    EXPECT_EQ(1, languageOfLocaleName("fra"));
    EXPECT_EQ(1, languageOfLocaleName(""));
    EXPECT_EQ("fr_FR", effectiveLocaleName("", "fr_FR", "de_DE"));
    EXPECT_EQ("it", effectiveLocaleName("it", "fr_FR", "de_DE"));
    EXPECT_EQ("de_DE", effectiveLocaleName(nullptr, nullptr, "de_DE"));
    EXPECT_EQ("", effectiveLocaleName(nullptr, "", nullptr));
}

class LocalStringManagerTest : public ::testing::Test {
  protected:
    LocalStringManagerTest() : preferences(std::make_unique<MemoryPreferencesBackend>()) {}
    std::string storedCode() {
        WideString code;
        EXPECT_TRUE(preferences.getText(kPreferredLanguageName, code));
        return code.toUtf8();
    }
    PreferencesStore preferences;
};

TEST_F(LocalStringManagerTest, TheBuiltInEnglishListKeepsTheNamedEntriesAtTheirNumbers) {
    LocalStringManager strings(preferences, embeddedStringResource, [] { return 1; });
    ASSERT_EQ(280u, strings.count());
    const std::pair<size_t, std::u16string> named[] = {{0, u"OK"},
                                                       {1, u"Cancel"},
                                                       {2, u"Open"},
                                                       {67, u"File name"},
                                                       {68, u"Files of type"},
                                                       {107, u"File"},
                                                       {109, u"Open..."},
                                                       {112, u"Close"},
                                                       {121, u"Quit"},
                                                       {123, u"Edit"},
                                                       {124, u"Undo"},
                                                       {126, u"Cut"},
                                                       {127, u"Copy"},
                                                       {128, u"Paste"},
                                                       {129, u"Delete"},
                                                       {132, u"Preferences..."},
                                                       {168, u"Ctrl"},
                                                       {169, u"Shift"},
                                                       {170, u"Alt"},
                                                       {272, u"Del"}};
    for (const auto& [number, text] : named) {
        ASSERT_NE(nullptr, strings.get(number));
        EXPECT_EQ(text, strings.get(number)->text()) << number;
    }
    EXPECT_EQ(u"About Quillery", strings.format(9, WideString(u"Quillery")).text());
    EXPECT_EQ(nullptr, strings.get(280));
}

TEST_F(LocalStringManagerTest, TheFrenchListHasEveryEntry) {
    ASSERT_TRUE(preferences.setText(kPreferredLanguageName, WideString(u"fr")));
    LocalStringManager strings(preferences);
    EXPECT_EQ(2, strings.currentLanguage());
    ASSERT_EQ(280u, strings.count());
    EXPECT_EQ(u"Annuler", strings.get(1)->text());
    EXPECT_EQ(u"Fichier", strings.get(107)->text());
    EXPECT_EQ(u"\u00C0 propos de Quillery", strings.format(9, WideString(u"Quillery")).text());
    EXPECT_EQ(u"Suppr", strings.get(272)->text());
}

TEST_F(LocalStringManagerTest, ThePreferenceOrTheSystemChoosesTheList) {
    std::vector<int> asked;
    auto resources = [&asked](int number) -> std::optional<std::string_view> {
        asked.push_back(number);
        static const std::string english = resourceOf(u"English\r\n");
        static const std::string french = resourceOf(u"Fran\u00E7ais\r\n");
        if (number == kStringListResource) {
            return english;
        }
        if (number == kFrenchStringListResource) {
            return french;
        }
        return std::nullopt;
    };
    {
        // No preference: "**" is registered and the system's French is used.
        LocalStringManager strings(preferences, resources, [] { return 2; });
        EXPECT_EQ(0, strings.currentLanguage());
        EXPECT_EQ(2, strings.loadedLanguage());
        EXPECT_EQ(u"Fran\u00E7ais", strings.get(0)->text());
    }
    EXPECT_EQ("**", storedCode());
    ASSERT_TRUE(preferences.setText(kPreferredLanguageName, WideString(u"de")));
    asked.clear();
    {
        LocalStringManager strings(preferences, resources, [] { return 2; });
        EXPECT_EQ(3, strings.currentLanguage());
        EXPECT_EQ(u"English", strings.get(0)->text());
        EXPECT_EQ(std::vector<int>{kStringListResource}, asked);
    }
    // An unknown code (case counts) means the system setting.
    ASSERT_TRUE(preferences.setText(kPreferredLanguageName, WideString(u"FR")));
    LocalStringManager strings(preferences, resources, [] { return 5; });
    EXPECT_EQ(0, strings.currentLanguage());
    EXPECT_EQ(u"English", strings.get(0)->text());
}

TEST_F(LocalStringManagerTest, MissingResourcesLeaveAnEmptyListAndFrenchFallsBackToEnglish) {
    auto englishOnly = [](int number) -> std::optional<std::string_view> {
        static const std::string english = resourceOf(u"Only\r\n");
        if (number == kStringListResource) {
            return english;
        }
        return std::nullopt;
    };
    {
        LocalStringManager strings(preferences, englishOnly, [] { return 2; });
        EXPECT_EQ(u"Only", strings.get(0)->text());
    }
    LocalStringManager strings(
        preferences, [](int) { return std::nullopt; }, [] { return 1; });
    EXPECT_EQ(0u, strings.count());
    EXPECT_EQ(nullptr, strings.get(0));
    EXPECT_TRUE(strings.getCopy(0).empty());
    EXPECT_TRUE(strings.format(9, WideString(u"x")).empty());
}

TEST_F(LocalStringManagerTest, ResultsAreBuiltInTheSharedString) {
    auto resources = [](int) -> std::optional<std::string_view> {
        static const std::string list = resourceOf(u"Open\r\nFile name\r\n^1 and ^1, not ^2 or ^\r\n");
        return list;
    };
    LocalStringManager strings(preferences, resources, [] { return 1; });
    const WideString& first = strings.getWithEllipsis(0);
    EXPECT_EQ(u"Open...", first.text());
    EXPECT_EQ(u"File name:", strings.getWithColon(1).text());
    EXPECT_EQ(&first, &strings.getCopy(0)); // one shared result
    EXPECT_EQ(u"Open", first.text());
    EXPECT_EQ(u"^1x and ^1x, not ^2 or ^", strings.format(2, WideString(u"^1x")).text());
}

TEST_F(LocalStringManagerTest, TheLanguageIsWrittenWhenSetAndAgainAtTheEnd) {
    {
        LocalStringManager strings(preferences, embeddedStringResource, [] { return 1; });
        strings.setLanguage(2);
        EXPECT_EQ("fr", storedCode());
        EXPECT_EQ(2, strings.currentLanguage());
        EXPECT_EQ(u"OK", strings.get(0)->text()); // the list changes only at the next creation
        ASSERT_TRUE(preferences.setText(kPreferredLanguageName, WideString(u"it")));
    }
    EXPECT_EQ("fr", storedCode());
    LocalStringManager strings(preferences, embeddedStringResource, [] { return 1; });
    EXPECT_EQ(u"Annuler", strings.get(1)->text());
    strings.setLanguage(99);
    EXPECT_EQ("**", storedCode());
}

} // namespace
} // namespace quillery
