#include "build/source_date_epoch.h"

#include <cstdlib>

namespace quillery {

EpochSetting parseSourceDateEpoch(const char* value, uint32_t* seconds) {
    if (value == nullptr || *value == '\0') {
        return EpochSetting::Unset;
    }
    uint64_t total = 0;
    for (const char* c = value; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return EpochSetting::Invalid;
        }
        total = total * 10 + static_cast<uint64_t>(*c - '0');
        // The modification date is one more and must still fit in 32 bits.
        if (total > 4294967294u) {
            return EpochSetting::Invalid;
        }
    }
    *seconds = static_cast<uint32_t>(total);
    return EpochSetting::Valid;
}

std::optional<uint32_t> sourceDateEpoch() {
    uint32_t seconds = 0;
    if (parseSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"), &seconds) != EpochSetting::Valid) {
        return std::nullopt;
    }
    return seconds;
}

} // namespace quillery
