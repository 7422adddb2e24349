#include "framework/local_string_manager.h"

#include "framework/string_list.h"
#include "framework/string_resources.h"
#include "framework/user_language.h"

namespace quillery {

LocalStringManager::LocalStringManager(PreferencesStore& preferences)
    : LocalStringManager(preferences, embeddedStringResource, userLanguage) {}

LocalStringManager::LocalStringManager(PreferencesStore& preferences, ResourceLookup resources,
                                       LanguageQuery systemLanguage)
    : preferences_(preferences) {
    preferences_.defaultText(kPreferredLanguageName, WideString::fromAnsi(languageCodeOfNumber(language_)));
    WideString code;
    preferences_.getText(kPreferredLanguageName, code);
    language_ = languageNumberOfCode(code.toUtf8());

    loadedLanguage_ = language_ != 0 ? language_ : systemLanguage();
    std::optional<std::string_view> resource;
    if (loadedLanguage_ == kLanguageFrench) {
        resource = resources(kFrenchStringListResource);
    }
    if (!resource) {
        resource = resources(kStringListResource);
    }
    if (resource) {
        strings_ = parseStringList(*resource);
    }
}

LocalStringManager::~LocalStringManager() {
    preferences_.setText(kPreferredLanguageName, WideString::fromAnsi(languageCodeOfNumber(language_)));
}

const WideString* LocalStringManager::get(size_t n) const {
    return n < strings_.size() ? &strings_[n] : nullptr;
}

const WideString& LocalStringManager::getCopy(size_t n) {
    const WideString* text = get(n);
    result_ = text ? *text : WideString();
    return result_;
}

const WideString& LocalStringManager::getWithEllipsis(size_t n) {
    getCopy(n);
    return result_.append(u"...");
}

const WideString& LocalStringManager::getWithColon(size_t n) {
    getCopy(n);
    return result_.append(u":");
}

const WideString& LocalStringManager::format(size_t n, const WideString& argument) {
    const WideString* text = get(n);
    std::u16string formatted;
    if (text) {
        const std::u16string& pattern = text->text();
        for (size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i] == u'^' && i + 1 < pattern.size() && pattern[i + 1] == u'1') {
                formatted += argument.text();
                ++i;
            } else {
                formatted.push_back(pattern[i]);
            }
        }
    }
    result_ = WideString(std::move(formatted));
    return result_;
}

void LocalStringManager::setLanguage(int number) {
    language_ = number >= 0 && number < kLanguageCount ? number : 0;
    preferences_.setText(kPreferredLanguageName, WideString::fromAnsi(languageCodeOfNumber(language_)));
}

} // namespace quillery
