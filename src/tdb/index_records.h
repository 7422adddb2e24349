// Index records of a dictionary build: the index items sorted for look-up on the device and cut into groups.
#pragma once

#include "tdb/book_format.h" // kIndexGroupLimit, kIndexEntryOverhead
#include "tdb/book_tables.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

// Folds letters to lower case and accented Western letters to their base letter, for the index order.
extern const std::array<uint8_t, 256> indexFoldTable;

// The index order of two texts: spaces, hyphens and apostrophes skipped, bytes folded. <0, 0 or >0.
int compareIndexTexts(std::string_view a, std::string_view b);

// The text as the index order sees it: spaces, hyphens and apostrophes left out, bytes folded. Keys compared
// as unsigned bytes (a key before a longer one that begins with it) order texts as compareIndexTexts does.
std::string indexSortKey(std::string_view text);

// Compares indexSortKey(a) with indexSortKey(b) as unsigned bytes without making them. <0, 0 or >0.
int compareIndexKeys(std::string_view a, std::string_view b);

// Sorts the entries (texts, then record number, then offset), drops exact duplicates and empty texts, and
// fills the groups. Nothing happens when there are no entries.
void groupIndexEntries(IndexTable& index);

} // namespace quillery
