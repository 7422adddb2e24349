#include "framework/user_language.h"

#include <cstdlib>

namespace quillery {

int languageNumberOfCode(std::string_view code) {
    for (int number = 0; number < kLanguageCount; ++number) {
        if (code == kLanguageCodes[number]) {
            return number;
        }
    }
    return 0;
}

const char* languageCodeOfNumber(int number) {
    return number >= 0 && number < kLanguageCount ? kLanguageCodes[number] : kLanguageCodes[0];
}

int languageOfLocaleName(std::string_view locale) {
    std::string_view primary = locale.substr(0, locale.find_first_of("_.@"));
    int number = primary.size() == 2 ? languageNumberOfCode(primary) : 0;
    return number == 0 ? kLanguageEnglish : number;
}

std::string_view effectiveLocaleName(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value && value[0] != '\0') {
            return value;
        }
    }
    return {};
}

int userLanguage() {
    static const int language = languageOfLocaleName(
        effectiveLocaleName(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")));
    return language;
}

} // namespace quillery
