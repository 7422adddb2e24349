// The preferences of an application on POSIX systems: one file,
// $XDG_CONFIG_HOME/Tarn/<application>/preferences
// ($HOME/.config when XDG_CONFIG_HOME is unset, empty or relative).
//
// File layout, integers little-endian:
//
//   0   8 bytes   "TarnPref"
//   8   u32       number of values
//   then per value: u16 name length (at least 1), the name's bytes, u32 value length, the value's bytes
//                   (kind tag and payload, exactly as PreferencesStore stores them)
//
// Nothing may follow the last value, names are unique, a value holds at most 1 MiB and the whole file at
// most 64 MiB. A file that breaks any of this is malformed: it cannot be loaded, and the store never writes
// over a file it cannot load. Saving refuses values that would make a file the loader refuses; it writes a
// temporary file beside the real one, flushes it to disk and renames it over the real one, so a crash leaves
// the old or the new file.
#pragma once

#include "framework/preferences_store.h"

#include <string>
#include <string_view>

namespace quillery {

class PreferencesFile : public PreferencesBackend {
  public:
    explicit PreferencesFile(std::string path) : path_(std::move(path)) {}
    // The file for `applicationName` by the rule above; empty when neither variable gives a folder.
    static std::string pathForApplication(std::string_view applicationName);

    std::optional<PreferenceValues> load() const override;
    [[nodiscard]] bool save(const PreferenceValues& values) override;

    const std::string& path() const { return path_; }

    static std::string encode(const PreferenceValues& values);
    // The values of `bytes`, or none when they are malformed.
    static std::optional<PreferenceValues> decode(std::string_view bytes);

  private:
    std::string path_;
};

} // namespace quillery
