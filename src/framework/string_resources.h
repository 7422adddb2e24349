// The string lists built into the program, as raw resource bytes (UTF-16LE with a byte order mark, one entry
// per CR LF line): resource 11000 holds the English list and 11001 the French one.
#pragma once

#include <optional>
#include <string_view>

namespace quillery {

constexpr int kStringListResource = 11000;
constexpr int kFrenchStringListResource = 11001;

// The bytes of resource `number`, or none when the program has no such resource.
std::optional<std::string_view> embeddedStringResource(int number);

} // namespace quillery
