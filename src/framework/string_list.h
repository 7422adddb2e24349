// The parsing of a string list resource: UTF-16 text, one string per line.
//
// The resource starts with a byte order mark; when its first byte is FE the text is big-endian and every unit
// is swapped first. The mark itself is skipped. Lines end at every LF, CR and LINE SEPARATOR (U+2028) unit,
// and empty lines take no number, so a CR LF pair ends exactly one line. In every line the two characters
// backslash and "n" become one line feed. A trailing odd byte is ignored.
#pragma once

#include "framework/wide_string.h"

#include <string_view>
#include <vector>

namespace quillery {

std::vector<WideString> parseStringList(std::string_view resource);

} // namespace quillery
