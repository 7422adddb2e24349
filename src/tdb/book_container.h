// The container of a book: the database header, the record list and the gap before the first record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

struct ContainerHeader {
    std::string name;      // the book name, up to a NUL; cut to 31 bytes so that its terminator always fits
    std::string_view type; // kBookType or kDictionaryType
    uint32_t creationTime = 0; // seconds since 1970; the modification date is one second later
};

// Everything before record 0 (78 + 8n + 2 bytes) for records of `recordSizes`, in file order. The caller has
// checked the limits: at most kMaxRecords records and a book of at most kMaxBookSize bytes.
std::vector<uint8_t> encodeContainerPrefix(const ContainerHeader& header,
                                           const std::vector<uint32_t>& recordSizes);

} // namespace quillery
