#include "framework/preferences_store.h"

#include "framework/preferences_file.h"

#include <algorithm>
#include <cstring>

namespace quillery {
namespace {

constexpr size_t kTagBytes = 2;

uint16_t tagOf(std::string_view value) {
    return static_cast<uint16_t>(static_cast<uint8_t>(value[0]) | (static_cast<uint8_t>(value[1]) << 8));
}

std::string withTag(PreferenceKind kind, const void* payload, size_t length) {
    auto tag = static_cast<uint16_t>(kind);
    std::string value;
    value.reserve(kTagBytes + length);
    value.push_back(static_cast<char>(tag & 0xFF));
    value.push_back(static_cast<char>(tag >> 8));
    value.append(static_cast<const char*>(payload), length);
    return value;
}

std::string textPayload(const WideString& text) {
    std::string payload;
    payload.reserve(2 * text.length() + 2);
    for (char16_t unit : text.text()) {
        payload.push_back(static_cast<char>(unit & 0xFF));
        payload.push_back(static_cast<char>(unit >> 8));
    }
    payload.append(2, '\0');
    return payload;
}

// The characters of a text payload before its 0 unit, or none when the payload is damaged.
std::optional<std::u16string> decodeTextPayload(std::string_view payload) {
    if (payload.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string text;
    for (size_t i = 0; i < payload.size(); i += 2) {
        auto unit = static_cast<char16_t>(static_cast<uint8_t>(payload[i]) |
                                          (static_cast<uint8_t>(payload[i + 1]) << 8));
        if (unit == 0) {
            return text;
        }
        text.push_back(unit);
    }
    return std::nullopt;
}

void putLittleEndian(uint32_t value, uint8_t (&bytes)[4]) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t readLittleEndian(const uint8_t (&bytes)[4]) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    }
    return value;
}

} // namespace

std::optional<PreferenceValues> MemoryPreferencesBackend::load() const {
    if (failLoad) {
        return std::nullopt;
    }
    return values;
}

bool MemoryPreferencesBackend::save(const PreferenceValues& newValues) {
    if (failSave) {
        return false;
    }
    values = newValues;
    return true;
}

PreferencesStore::PreferencesStore(std::unique_ptr<PreferencesBackend> backend)
    : backend_(std::move(backend)) {}

std::unique_ptr<PreferencesStore> PreferencesStore::openForApplication(std::string_view applicationName) {
    return std::make_unique<PreferencesStore>(
        std::make_unique<PreferencesFile>(PreferencesFile::pathForApplication(applicationName)));
}

std::optional<std::string> PreferencesStore::storedValue(int scope, std::string_view name) const {
    if (scope != 0 || !backend_) {
        return std::nullopt;
    }
    std::optional<PreferenceValues> values = backend_->load();
    if (!values) {
        return std::nullopt;
    }
    auto found = values->find(name);
    if (found == values->end()) {
        return std::nullopt;
    }
    return found->second;
}

uint32_t PreferencesStore::size(int scope, std::string_view name) const {
    std::optional<std::string> value = storedValue(scope, name);
    return value ? static_cast<uint32_t>(value->size()) : 0;
}

uint16_t PreferencesStore::kind(int scope, std::string_view name) const {
    std::optional<std::string> value = storedValue(scope, name);
    return value && value->size() >= kTagBytes ? tagOf(*value) : 0;
}

bool PreferencesStore::exists(int scope, std::string_view name) const {
    return storedValue(scope, name).has_value();
}

std::optional<PreferenceValues> PreferencesStore::valuesToChange() {
    std::optional<PreferenceValues> values = backend_->load();
    if (!values) {
        ++storageFailures_;
    }
    return values;
}

bool PreferencesStore::saveValues(const PreferenceValues& values) {
    if (backend_->save(values)) {
        return true;
    }
    ++storageFailures_;
    return false;
}

bool PreferencesStore::remove(int scope, std::string_view name) {
    if (scope != 0 || !backend_) {
        return false;
    }
    std::optional<PreferenceValues> values = valuesToChange();
    if (!values || values->erase(std::string(name)) == 0) {
        return false;
    }
    return saveValues(*values);
}

bool PreferencesStore::read(int scope, std::string_view name, PreferenceKind kind, void* destination,
                            size_t capacity) const {
    if (kind == PreferenceKind::Text) {
        return false;
    }
    std::optional<std::string> value = storedValue(scope, name);
    if (!value || value->size() < kTagBytes || tagOf(*value) != static_cast<uint16_t>(kind)) {
        return false;
    }
    size_t count = std::min(value->size() - kTagBytes, capacity);
    if (count > 0) {
        std::memcpy(destination, value->data() + kTagBytes, count);
    }
    return true;
}

bool PreferencesStore::readText(int scope, std::string_view name, WideString& destination) const {
    std::optional<std::string> value = storedValue(scope, name);
    if (!value || value->size() < kTagBytes || tagOf(*value) != static_cast<uint16_t>(PreferenceKind::Text)) {
        return false;
    }
    std::optional<std::u16string> text = decodeTextPayload(std::string_view(*value).substr(kTagBytes));
    if (!text) {
        return false;
    }
    destination = WideString(std::move(*text));
    return true;
}

bool PreferencesStore::write(int scope, std::string_view name, PreferenceKind kind, const void* payload,
                             size_t length) {
    if (scope != 0 || !backend_) {
        return false;
    }
    // A storage that exists but cannot be read is left as it is: replacing it would lose every value in it.
    std::optional<PreferenceValues> stored = valuesToChange();
    if (!stored) {
        return false;
    }
    PreferenceValues& values = *stored;
    auto found = values.find(name);
    if (found != values.end()) {
        const std::string& old = found->second;
        // The old value survives only when it fits the new one's room and has a readable tag of another kind.
        bool keepOld = old.size() <= kTagBytes + length && old.size() >= kTagBytes &&
                       tagOf(old) != static_cast<uint16_t>(kind);
        if (keepOld) {
            return false;
        }
    }
    values[std::string(name)] = withTag(kind, payload, length);
    return saveValues(values);
}

bool PreferencesStore::writeText(int scope, std::string_view name, const WideString& text) {
    std::string payload = textPayload(text);
    return write(scope, name, PreferenceKind::Text, payload.data(), payload.size());
}

bool PreferencesStore::getInteger(std::string_view name, int32_t& value) const {
    // The payload bytes replace the destination's bytes from the lowest up, as a copy into memory would.
    uint8_t bytes[4];
    putLittleEndian(static_cast<uint32_t>(value), bytes);
    if (!read(0, name, PreferenceKind::Integer, bytes, sizeof bytes)) {
        return false;
    }
    value = static_cast<int32_t>(readLittleEndian(bytes));
    return true;
}

bool PreferencesStore::setInteger(std::string_view name, int32_t value) {
    uint8_t bytes[4];
    putLittleEndian(static_cast<uint32_t>(value), bytes);
    return write(0, name, PreferenceKind::Integer, bytes, sizeof bytes);
}

bool PreferencesStore::defaultInteger(std::string_view name, int32_t value) {
    return !exists(0, name) && setInteger(name, value);
}

bool PreferencesStore::getBoolean(std::string_view name, bool& value) const {
    uint8_t byte = value ? 1 : 0;
    if (!read(0, name, PreferenceKind::Boolean, &byte, 1)) {
        return false;
    }
    value = byte != 0;
    return true;
}

bool PreferencesStore::setBoolean(std::string_view name, bool value) {
    uint8_t byte = value ? 1 : 0;
    return write(0, name, PreferenceKind::Boolean, &byte, 1);
}

bool PreferencesStore::defaultBoolean(std::string_view name, bool value) {
    return !exists(0, name) && setBoolean(name, value);
}

bool PreferencesStore::getText(std::string_view name, WideString& value) const {
    return readText(0, name, value);
}

bool PreferencesStore::setText(std::string_view name, const WideString& value) {
    return writeText(0, name, value);
}

bool PreferencesStore::defaultText(std::string_view name, const WideString& value) {
    return !exists(0, name) && setText(name, value);
}

bool PreferencesStore::getWord(std::string_view name, uint32_t& value) const {
    uint8_t bytes[4];
    putLittleEndian(value, bytes);
    if (!read(0, name, PreferenceKind::Word, bytes, sizeof bytes)) {
        return false;
    }
    value = readLittleEndian(bytes);
    return true;
}

bool PreferencesStore::setWord(std::string_view name, uint32_t value) {
    uint8_t bytes[4];
    putLittleEndian(value, bytes);
    return write(0, name, PreferenceKind::Word, bytes, sizeof bytes);
}

bool PreferencesStore::defaultWord(std::string_view name, uint32_t value) {
    return !exists(0, name) && setWord(name, value);
}

} // namespace quillery
