#include "framework/preferences_file.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillery {
namespace {

TEST(PreferencesFileTest, ValuesSurviveAReopenAndTheFolderIsCreated) {
    test::ScratchDir scratch;
    std::string path = scratch.file("config/Tarn/Quillery/preferences");
    {
        PreferencesStore store(std::make_unique<PreferencesFile>(path));
        ASSERT_TRUE(store.setInteger("WindowPos.x", 120));
        ASSERT_TRUE(store.setText("LocalStringManager.PreferredLanguage", WideString(u"fr")));
    }
    PreferencesStore reopened(std::make_unique<PreferencesFile>(path));
    int32_t x = 0;
    WideString code;
    EXPECT_TRUE(reopened.getInteger("WindowPos.x", x));
    EXPECT_TRUE(reopened.getText("LocalStringManager.PreferredLanguage", code));
    EXPECT_EQ(120, x);
    EXPECT_EQ(WideString(u"fr"), code);
    // Only the file itself is left: the temporary file was renamed over it.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.file("config/Tarn/Quillery"))) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(std::vector<std::string>{"preferences"}, names);
}

TEST(PreferencesFileTest, TheFileHoldsNamesAndRegistryBytes) {
    PreferenceValues values{{"Overwrite", std::string("\x04\x00\x01", 3)}};
    EXPECT_EQ(std::string("TarnPref\x01\x00\x00\x00\x09\x00Overwrite\x03\x00\x00\x00\x04\x00\x01", 30),
              PreferencesFile::encode(values));
    EXPECT_EQ(values, PreferencesFile::decode(PreferencesFile::encode(values)));
}

TEST(PreferencesFileTest, EveryDamagedFileIsMalformed) {
    PreferenceValues values{{"A", std::string("\x01\x00\x01\x02\x03\x04", 6)},
                            {"Bc", std::string("\x04\x00\x00", 3)}};
    std::string good = PreferencesFile::encode(values);
    // Every cut short of the whole file, and anything after it.
    for (size_t length = 0; length < good.size(); ++length) {
        EXPECT_FALSE(PreferencesFile::decode(good.substr(0, length))) << length;
    }
    EXPECT_FALSE(PreferencesFile::decode(good + "x"));
    std::string badMagic = good;
    badMagic[0] = 't';
    EXPECT_FALSE(PreferencesFile::decode(badMagic));
    std::string hugeCount = good;
    hugeCount[11] = '\x7F';
    EXPECT_FALSE(PreferencesFile::decode(hugeCount));
    EXPECT_FALSE(
        PreferencesFile::decode(std::string("TarnPref\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00", 18)));
    std::string twice =
        std::string("TarnPref\x02\x00\x00\x00", 12) + good.substr(12, 11) + good.substr(12, 11);
    EXPECT_FALSE(PreferencesFile::decode(twice)); // the same name twice
}

TEST(PreferencesFileTest, AMalformedFileReadsAsEmptyAndIsNotChangedByReads) {
    test::ScratchDir scratch;
    std::string path = scratch.file("preferences");
    test::writeFile(path, "TarnPref\x05garbage");
    {
        PreferencesStore store(std::make_unique<PreferencesFile>(path));
        bool overwrite = true;
        EXPECT_FALSE(store.getBoolean("Overwrite", overwrite));
        EXPECT_TRUE(overwrite);
        EXPECT_FALSE(store.exists(0, "Overwrite"));
    }
    EXPECT_EQ("TarnPref\x05garbage", test::readFile(path));
}

TEST(PreferencesFileTest, AFileThatCannotBeWrittenStoresNothing) {
    test::ScratchDir scratch;
    // The folder the file would live in is a file.
    test::writeFile(scratch.file("blocked"), "x");
    PreferencesStore store(std::make_unique<PreferencesFile>(scratch.file("blocked/preferences")));
    EXPECT_FALSE(store.setInteger("WindowPos.x", 1));
    EXPECT_EQ(std::vector<std::string>{"blocked"}, scratch.entries());
}

TEST(PreferencesFileTest, AFileThatExistsButCannotBeReadIsNeverReplaced) {
    test::ScratchDir scratch;
    std::string path = scratch.file("preferences");
    PreferencesStore store(std::make_unique<PreferencesFile>(path));
    ASSERT_TRUE(store.setInteger("WindowPos.x", 7));
    const std::string kept = test::readFile(path);
    // No read permission (root reads anyway, so the test says so instead of failing).
    ASSERT_EQ(0, ::chmod(path.c_str(), 0200));
    if (::access(path.c_str(), R_OK) != 0) {
        EXPECT_FALSE(store.setBoolean("Overwrite", true));
        EXPECT_FALSE(store.remove(0, "WindowPos.x"));
    }
    ASSERT_EQ(0, ::chmod(path.c_str(), 0600));
    EXPECT_EQ(kept, test::readFile(path));
    // A malformed file is the user's too.
    test::writeFile(path, "TarnPref\x05garbage");
    EXPECT_FALSE(store.setBoolean("Overwrite", true));
    EXPECT_EQ("TarnPref\x05garbage", test::readFile(path));
}

TEST(PreferencesFileTest, ASaveNeverWritesAFileTheLoaderRefuses) {
    test::ScratchDir scratch;
    std::string path = scratch.file("preferences");
    PreferencesFile file(path);
    PreferenceValues small{{"A", std::string("\x01\x00\x01\x02\x03\x04", 6)}};
    ASSERT_TRUE(file.save(small));
    // 64 values of 1 MiB each are more than 64 MiB with their names and lengths.
    PreferenceValues huge;
    for (int i = 0; i < 64; ++i) {
        huge["Value" + std::to_string(100 + i)] = std::string(1 << 20, 'x');
    }
    EXPECT_FALSE(file.save(huge));
    EXPECT_EQ(small, file.load());
    // Just under the limit is written and read back.
    huge.erase("Value100");
    ASSERT_TRUE(file.save(huge));
    EXPECT_EQ(huge, file.load());
}

TEST(PreferencesFileTest, TheFileLivesUnderTheConfigFolder) {
    const char* savedConfig = getenv("XDG_CONFIG_HOME");
    const char* savedHome = getenv("HOME");
    std::string config = savedConfig ? savedConfig : "";
    std::string home = savedHome ? savedHome : "";

    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ("/cfg/Tarn/Quillery/preferences", PreferencesFile::pathForApplication("Quillery"));
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", "/home/reader", 1);
    EXPECT_EQ("/home/reader/.config/Tarn/Quillery/preferences",
              PreferencesFile::pathForApplication("Quillery"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ("/home/reader/.config/Tarn/Quillery/preferences",
              PreferencesFile::pathForApplication("Quillery"));

    savedConfig ? setenv("XDG_CONFIG_HOME", config.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

} // namespace
} // namespace quillery
