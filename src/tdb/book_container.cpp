#include "tdb/book_container.h"

#include "framework/byte_order.h"
#include "tdb/book_format.h"

#include <algorithm>
#include <cstring>

namespace quillery {

std::vector<uint8_t> encodeContainerPrefix(const ContainerHeader& header,
                                           const std::vector<uint32_t>& recordSizes) {
    size_t count = recordSizes.size();
    std::vector<uint8_t> out(firstRecordOffset(count), 0);
    uint8_t* bytes = out.data();

    // A NUL ends the name; whatever follows it in the field is 0.
    std::string_view name = std::string_view(header.name).substr(0, header.name.find('\0'));
    std::memcpy(bytes + kHeaderNameOffset, name.data(), std::min(name.size(), kDatabaseNameSize - 1));
    putU16BE(bytes + kHeaderAttributesOffset, kDatabaseAttributes);
    putU32BE(bytes + kHeaderCreationOffset, header.creationTime);
    putU32BE(bytes + kHeaderModificationOffset, header.creationTime + 1);
    std::memcpy(bytes + kHeaderTypeOffset, header.type.data(), kFourCharacterCodeSize);
    std::memcpy(bytes + kHeaderCreatorOffset, kCreator.data(), kFourCharacterCodeSize);
    putU16BE(bytes + kHeaderRecordCountOffset, static_cast<uint16_t>(count));

    uint32_t offset = static_cast<uint32_t>(firstRecordOffset(count));
    uint8_t* entry = bytes + kDatabaseHeaderSize;
    for (size_t index = 0; index < count; ++index, entry += kRecordEntrySize) {
        putU32BE(entry + kRecordEntryOffsetOffset, offset);
        putU32BE(entry + kRecordEntryIdOffset, kFirstUniqueId + static_cast<uint32_t>(index));
        offset += recordSizes[index];
    }
    return out;
}

} // namespace quillery
