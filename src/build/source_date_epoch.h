// SOURCE_DATE_EPOCH: a fixed creation date and random seed, so that two builds of one source are identical.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillery {

enum class EpochSetting { Unset, Valid, Invalid };

// Reads a value of the variable: unset or empty, a decimal count from 0 to 4294967294, or invalid.
EpochSetting parseSourceDateEpoch(const char* value, uint32_t* seconds);

// The variable as set in the environment, when it holds a valid value.
std::optional<uint32_t> sourceDateEpoch();

} // namespace quillery
