// Language numbers of the user interface and the user's language as the environment gives it.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillery {

// Language number 0 means "use the system setting"; 1 to 7 are the languages of kLanguageCodes.
constexpr int kLanguageCount = 8;
constexpr const char* kLanguageCodes[kLanguageCount] = {"**", "en", "fr", "de", "it", "es", "pt", "ja"};
constexpr int kLanguageEnglish = 1;
constexpr int kLanguageFrench = 2;

// The number whose code is exactly `code`; 0 for an unknown code.
int languageNumberOfCode(std::string_view code);
// The code of `number`; "**" for a number outside the table.
const char* languageCodeOfNumber(int number);

// The language of a locale name such as "fr_CA.UTF-8": its primary language (the letters before "_", "." or
// "@") when that is one of en, fr, de, it, es, pt, ja; 1 (English) for anything else, "C" and "" included.
int languageOfLocaleName(std::string_view locale);
// The locale name that decides the messages language: LC_ALL, else LC_MESSAGES, else LANG (the first that is
// set and not empty), from the given values (any may be null).
std::string_view effectiveLocaleName(const char* lcAll, const char* lcMessages, const char* lang);
// The user's language from this process's environment, worked out once and kept for the process.
int userLanguage();

} // namespace quillery
