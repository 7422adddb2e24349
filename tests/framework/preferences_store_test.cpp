#include "framework/preferences_store.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

class PreferencesStoreTest : public ::testing::Test {
  protected:
    PreferencesStoreTest() {
        auto owned = std::make_unique<MemoryPreferencesBackend>();
        backend = owned.get();
        store = std::make_unique<PreferencesStore>(std::move(owned));
    }
    std::string stored(const std::string& name) { return backend->values.at(name); }

    MemoryPreferencesBackend* backend;
    std::unique_ptr<PreferencesStore> store;
};

TEST_F(PreferencesStoreTest, StoresEachKindWithItsTagAndPayload) {
    ASSERT_TRUE(store->setInteger("WindowPos.x", -2));
    ASSERT_TRUE(store->setBoolean("Overwrite", true));
    ASSERT_TRUE(store->setWord("Signature", 0x51794D76));
    EXPECT_EQ(std::string("\x01\x00\xFE\xFF\xFF\xFF", 6), stored("WindowPos.x"));
    EXPECT_EQ(std::string("\x04\x00\x01", 3), stored("Overwrite"));
    EXPECT_EQ(std::string("\x06\x00\x76\x4D\x79\x51", 6), stored("Signature"));

    int32_t x = 0;
    bool overwrite = false;
    uint32_t signature = 0;
    EXPECT_TRUE(store->getInteger("WindowPos.x", x));
    EXPECT_TRUE(store->getBoolean("Overwrite", overwrite));
    EXPECT_TRUE(store->getWord("Signature", signature));
    EXPECT_EQ(-2, x);
    EXPECT_TRUE(overwrite);
    EXPECT_EQ(0x51794D76u, signature);
    EXPECT_EQ(6u, store->size(0, "WindowPos.x"));
    EXPECT_EQ(4, store->kind(0, "Overwrite"));
}

TEST_F(PreferencesStoreTest, TextOfFiveCharactersTakesFourteenBytes) {
    ASSERT_TRUE(store->setText("LocalStringManager.PreferredLanguage", WideString(u"ab\u00E9\u20ACz")));
    EXPECT_EQ(std::string("\x05\x00"
                          "a\0b\0\xE9\0\xAC\x20z\0\0\0",
                          14),
              stored("LocalStringManager.PreferredLanguage"));
    WideString text;
    EXPECT_TRUE(store->getText("LocalStringManager.PreferredLanguage", text));
    EXPECT_EQ(WideString(u"ab\u00E9\u20ACz"), text);
}

TEST_F(PreferencesStoreTest, AValueOfAnotherKindIsRefusedAndTheDestinationKept) {
    ASSERT_TRUE(store->setInteger("Overwrite", 1));
    bool overwrite = false;
    EXPECT_FALSE(store->getBoolean("Overwrite", overwrite));
    EXPECT_FALSE(overwrite);
    WideString text(u"keep");
    EXPECT_FALSE(store->getText("Overwrite", text));
    EXPECT_EQ(WideString(u"keep"), text);
    int32_t missing = 7;
    EXPECT_FALSE(store->getInteger("Nothing", missing));
    EXPECT_EQ(7, missing);
}

TEST_F(PreferencesStoreTest, ADefaultNeverTouchesAStoredValue) {
    ASSERT_TRUE(store->setBoolean("Prompt", true));
    EXPECT_FALSE(store->defaultBoolean("Prompt", false));
    bool prompt = false;
    EXPECT_TRUE(store->getBoolean("Prompt", prompt));
    EXPECT_TRUE(prompt);
    // A value of another kind counts as existing too.
    ASSERT_TRUE(store->setInteger("Overwrite", 3));
    EXPECT_FALSE(store->defaultBoolean("Overwrite", false));
    EXPECT_EQ(1, store->kind(0, "Overwrite"));
    EXPECT_TRUE(store->defaultInteger("WindowPos.y", 40));
    int32_t y = 0;
    EXPECT_TRUE(store->getInteger("WindowPos.y", y));
    EXPECT_EQ(40, y);
}

TEST_F(PreferencesStoreTest, AShortReadCopiesOnlyTheBytesThatFit) {
    ASSERT_TRUE(store->setInteger("Value", 0x11223344));
    uint8_t byte = 0;
    EXPECT_TRUE(store->read(0, "Value", PreferenceKind::Integer, &byte, 1));
    EXPECT_EQ(0x44, byte);
    // A payload shorter than the destination replaces its low bytes only.
    backend->values["Short"] = std::string("\x01\x00\xAA", 3);
    int32_t value = 0x7F000000;
    EXPECT_TRUE(store->getInteger("Short", value));
    EXPECT_EQ(0x7F0000AA, value);
}

TEST_F(PreferencesStoreTest, AWriteReplacesItsOwnKindOrALongerValueButKeepsAShortOneOfAnotherKind) {
    ASSERT_TRUE(store->setBoolean("Flag", true));
    EXPECT_FALSE(store->setInteger("Flag", 5)); // 3 bytes of another kind fit into 6: kept
    EXPECT_EQ(4, store->kind(0, "Flag"));
    ASSERT_TRUE(store->setText("Name", WideString(u"a long text")));
    EXPECT_TRUE(store->setInteger("Name", 5)); // longer than 6 bytes: replaced
    EXPECT_EQ(1, store->kind(0, "Name"));
    EXPECT_TRUE(store->setInteger("Name", 6));
    int32_t value = 0;
    EXPECT_TRUE(store->getInteger("Name", value));
    EXPECT_EQ(6, value);
}

TEST_F(PreferencesStoreTest, DamagedValuesReadAsMissing) {
    backend->values["Tiny"] = std::string("\x01", 1);
    backend->values["Odd"] = std::string("\x05\x00"
                                         "a\0b",
                                         5);
    backend->values["Open"] = std::string("\x05\x00"
                                          "a\0b\0",
                                          6);
    int32_t value = 9;
    EXPECT_FALSE(store->getInteger("Tiny", value));
    EXPECT_EQ(9, value);
    EXPECT_EQ(0, store->kind(0, "Tiny"));
    WideString text(u"kept");
    EXPECT_FALSE(store->getText("Odd", text));
    EXPECT_FALSE(store->getText("Open", text));
    EXPECT_EQ(WideString(u"kept"), text);
    // A value too short for any tag is replaced by the next write.
    EXPECT_TRUE(store->setInteger("Tiny", 1));
    EXPECT_TRUE(store->getInteger("Tiny", value));
    EXPECT_EQ(1, value);
}

TEST_F(PreferencesStoreTest, ABooleanByteOtherThanZeroOrOneReadsAsTrue) {
    backend->values["Flag"] = std::string("\x04\x00\x02", 3);
    bool flag = false;
    EXPECT_TRUE(store->getBoolean("Flag", flag));
    EXPECT_TRUE(flag);
}

TEST_F(PreferencesStoreTest, OnlyScopeZeroHasStorage) {
    int32_t value = 1;
    EXPECT_FALSE(store->write(1, "Value", PreferenceKind::Integer, &value, 4));
    EXPECT_TRUE(backend->values.empty());
    ASSERT_TRUE(store->setInteger("Value", 1));
    EXPECT_FALSE(store->exists(1, "Value"));
    EXPECT_EQ(0u, store->size(2, "Value"));
    EXPECT_FALSE(store->remove(1, "Value"));
    EXPECT_TRUE(store->exists(0, "Value"));
}

TEST_F(PreferencesStoreTest, RemoveDeletesOnlyAnExistingValue) {
    ASSERT_TRUE(store->setInteger("Value", 1));
    EXPECT_TRUE(store->remove(0, "Value"));
    EXPECT_FALSE(store->exists(0, "Value"));
    EXPECT_FALSE(store->remove(0, "Value"));
}

TEST_F(PreferencesStoreTest, AStorageThatCannotBeReadOrWrittenStoresNothing) {
    ASSERT_TRUE(store->setInteger("Value", 1));
    backend->failLoad = true;
    int32_t value = 5;
    EXPECT_FALSE(store->getInteger("Value", value));
    EXPECT_EQ(5, value);
    EXPECT_FALSE(store->exists(0, "Value"));
    backend->failLoad = false;
    backend->failSave = true;
    EXPECT_FALSE(store->setInteger("Value", 2));
    EXPECT_TRUE(store->getInteger("Value", value));
    EXPECT_EQ(1, value);
}

TEST_F(PreferencesStoreTest, AStorageThatCannotBeReadIsNotStartedAfreshAndFailuresAreCounted) {
    ASSERT_TRUE(store->setInteger("Kept", 1));
    EXPECT_EQ(0, store->storageFailures());
    backend->failLoad = true;
    EXPECT_FALSE(store->setInteger("Value", 2));
    backend->failLoad = false;
    EXPECT_EQ((PreferenceValues{{"Kept", stored("Kept")}}), backend->values);
    EXPECT_EQ(1, store->storageFailures());
    backend->failSave = true;
    EXPECT_FALSE(store->setBoolean("Value", true));
    EXPECT_EQ(2, store->storageFailures());
    backend->failSave = false;
    // A value of another kind that is kept is no failure of the storage.
    ASSERT_TRUE(store->setBoolean("Flag", true));
    EXPECT_FALSE(store->setInteger("Flag", 1));
    EXPECT_EQ(2, store->storageFailures());
}

} // namespace
} // namespace quillery
