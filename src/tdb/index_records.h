// Index records of a dictionary build: the index items sorted for look-up on the device and cut into groups.
#pragma once

#include "markup/book_tables.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace quillery {

// A group closes with the entry that carries its byte total past this.
constexpr uint32_t kIndexGroupLimit = 62000;
// Bytes an entry takes in a group record besides its text: record number, offset, NUL.
constexpr uint32_t kIndexEntryOverhead = 5;

// Folds letters to lower case and accented Western letters to their base letter, for the index order.
extern const std::array<uint8_t, 256> indexFoldTable;

// The index order of two texts: spaces, hyphens and apostrophes skipped, bytes folded. <0, 0 or >0.
int compareIndexTexts(std::string_view a, std::string_view b);

// Sorts the entries (texts, then record number, then offset), drops exact duplicates and empty texts, and
// fills the groups. Nothing happens when there are no entries.
void groupIndexEntries(IndexTable& index);

} // namespace quillery
