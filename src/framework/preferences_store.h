// PreferencesStore: small named values kept between runs (window places, the overwrite options, the
// language).
//
// Every value is a byte string that starts with a 16-bit little-endian kind tag, followed by its payload:
//
//   kind 1  integer   4 bytes, signed 32-bit little-endian
//   kind 4  boolean   1 byte, 0 or 1
//   kind 5  text      UTF-16LE characters and one 0 unit (2 x length + 2 bytes)
//   kind 6  word      4 bytes (a second 4-byte kind)
//
// A value read back with another kind than it was stored with is refused, and so is a value too short to hold
// its tag, or a text of odd length or without its 0 unit: the read reports failure and leaves the caller's
// destination unchanged. A write replaces a stored value of the same kind, a value too long for the new one
// and a damaged one; a shorter or equal-sized value of another kind is kept.
//
// Only scope 0 has storage; reads in any other scope find nothing and writes there store nothing. Where the
// values live is the backend's business (a file for the program, memory for tests). Nothing here reports
// messages: a storage that cannot be read reads as empty and is never written over (its values may still be
// there for a later run), and a write that fails stores nothing. Both count as storage failures, which the
// caller may watch.
#pragma once

#include "framework/wide_string.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillery {

enum class PreferenceKind : uint16_t { Integer = 1, Boolean = 4, Text = 5, Word = 6 };

// Value name -> stored bytes (tag and payload).
using PreferenceValues = std::map<std::string, std::string, std::less<>>;

class PreferencesBackend {
  public:
    virtual ~PreferencesBackend() = default;
    // Every stored value, or none when the storage cannot be read (a storage never written reads as empty).
    virtual std::optional<PreferenceValues> load() const = 0;
    // Replaces everything stored by `values`; false when nothing could be stored.
    [[nodiscard]] virtual bool save(const PreferenceValues& values) = 0;
};

// Values held in memory; tests can make loading or saving fail.
class MemoryPreferencesBackend : public PreferencesBackend {
  public:
    std::optional<PreferenceValues> load() const override;
    [[nodiscard]] bool save(const PreferenceValues& values) override;

    PreferenceValues values;
    bool failLoad = false;
    bool failSave = false;
};

class PreferencesStore {
  public:
    explicit PreferencesStore(std::unique_ptr<PreferencesBackend> backend);
    // The store of an application: the preferences file for `applicationName` (see preferences_file.h).
    static std::unique_ptr<PreferencesStore> openForApplication(std::string_view applicationName);

    // Stored byte count of the value (tag included), 0 when missing.
    uint32_t size(int scope, std::string_view name) const;
    // The stored kind tag; 0 when the value is missing or shorter than its tag.
    uint16_t kind(int scope, std::string_view name) const;
    bool exists(int scope, std::string_view name) const;
    // Deletes the value when it exists; true when a value was deleted.
    bool remove(int scope, std::string_view name);

    // A value of `kind`: min(payload, capacity) bytes are copied to `destination`. Not for text.
    bool read(int scope, std::string_view name, PreferenceKind kind, void* destination,
              size_t capacity) const;
    // A text value: `destination` becomes the characters before the 0 unit.
    bool readText(int scope, std::string_view name, WideString& destination) const;
    // Stores tag and payload by the rule above; true when the value was stored.
    bool write(int scope, std::string_view name, PreferenceKind kind, const void* payload, size_t length);
    bool writeText(int scope, std::string_view name, const WideString& text);
    // Nothing is buffered; kept so that callers can say when they are done.
    void flush() {}
    // Writes and removals so far that failed because the storage could not be read or written (a kept value
    // of another kind is no such failure).
    int storageFailures() const { return storageFailures_; }

    // Typed operations on scope 0. A get leaves its destination unchanged when it reads nothing; a default
    // writes only when no value of that name exists.
    bool getInteger(std::string_view name, int32_t& value) const;
    bool setInteger(std::string_view name, int32_t value);
    bool defaultInteger(std::string_view name, int32_t value);
    bool getBoolean(std::string_view name, bool& value) const;
    bool setBoolean(std::string_view name, bool value);
    bool defaultBoolean(std::string_view name, bool value);
    bool getText(std::string_view name, WideString& value) const;
    bool setText(std::string_view name, const WideString& value);
    bool defaultText(std::string_view name, const WideString& value);
    bool getWord(std::string_view name, uint32_t& value) const;
    bool setWord(std::string_view name, uint32_t value);
    bool defaultWord(std::string_view name, uint32_t value);

  private:
    std::optional<std::string> storedValue(int scope, std::string_view name) const;

    // The stored values for a change, or none (counted as a failure) when the storage cannot be read.
    std::optional<PreferenceValues> valuesToChange();
    bool saveValues(const PreferenceValues& values);

    std::unique_ptr<PreferencesBackend> backend_;
    int storageFailures_ = 0;
};

} // namespace quillery
