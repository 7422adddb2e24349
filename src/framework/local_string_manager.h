// LocalStringManager: the user-interface texts, looked up by number in the string list of the user's
// language.
//
// At creation the language comes from the preference "LocalStringManager.PreferredLanguage" (a language code,
// "**" meaning the system setting, see user_language.h); French loads resource 11001 when it exists, every
// other language resource 11000. Without a resource the list is empty and every lookup finds nothing.
// At destruction the code of the current language is written back to the preference.
//
// The get-copy, ellipsis, colon and format calls build their text in one shared result string: a result stays
// valid until the next such call.
#pragma once

#include "framework/preferences_store.h"
#include "framework/wide_string.h"

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace quillery {

inline constexpr std::string_view kPreferredLanguageName = "LocalStringManager.PreferredLanguage";

class LocalStringManager {
  public:
    using ResourceLookup = std::function<std::optional<std::string_view>(int number)>;
    using LanguageQuery = std::function<int()>;

    // `resources` and `systemLanguage` stand in for the program's resources and the environment in tests.
    explicit LocalStringManager(PreferencesStore& preferences);
    LocalStringManager(PreferencesStore& preferences, ResourceLookup resources, LanguageQuery systemLanguage);
    ~LocalStringManager();
    LocalStringManager(const LocalStringManager&) = delete;
    LocalStringManager& operator=(const LocalStringManager&) = delete;

    size_t count() const { return strings_.size(); }
    // String n, or none when the list has no entry n.
    const WideString* get(size_t n) const;
    // String n (empty when missing) copied into the shared result.
    const WideString& getCopy(size_t n);
    // String n followed by "...", or by ":".
    const WideString& getWithEllipsis(size_t n);
    const WideString& getWithColon(size_t n);
    // String n with every "^1" replaced by `argument` (an argument holding "^1" is not expanded again).
    const WideString& format(size_t n, const WideString& argument);

    // Stores the language and its code in the preference; the list changes when the manager is next created.
    // A number outside the language table is stored as 0 (the system setting).
    void setLanguage(int number);
    int currentLanguage() const { return language_; }
    // The language whose list was loaded (never 0).
    int loadedLanguage() const { return loadedLanguage_; }

  private:
    PreferencesStore& preferences_;
    std::vector<WideString> strings_;
    WideString result_;
    int language_ = 0;
    int loadedLanguage_ = 0;
};

} // namespace quillery
