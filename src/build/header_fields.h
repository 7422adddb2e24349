// The book information a source names for itself: TITLE=, AUTHOR=, PUBLISHER=, EISBN= and COPYRIGHT=.
#pragma once

#include "framework/book_info.h"

#include <string>
#include <string_view>

namespace quillery {

// Only this many bytes from the start of a source are searched for header fields.
constexpr size_t kHeaderWindow = 16384;

// Fills every field of `info` from the header window of the file at `path` (a field whose key or quotes are
// missing becomes empty). An unreadable or empty file leaves `info` unchanged. Reports nothing.
void readHeaderFields(const std::string& path, BookInfo& info);

// The same over a window already read (the raw bytes, unmapped).
void parseHeaderFields(std::string_view window, BookInfo& info);

} // namespace quillery
