#include "tdb/field_checks.h"

#include "framework/byte_order.h"

#include <cstdarg>
#include <cstdio>

namespace quillery {
namespace {

const uint8_t* bytesOf(std::string_view text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

} // namespace

bool FieldChecks::fail(const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    error_ = message;
    return false;
}

bool FieldChecks::expectU16(std::string_view bytes, size_t offset, uint16_t expected, const char* what) {
    uint16_t value = readU16BE(bytesOf(bytes) + offset);
    return value == expected || fail("%s is %u, expected %u", what, value, expected);
}

bool FieldChecks::expectU32(std::string_view bytes, size_t offset, uint32_t expected, const char* what) {
    uint32_t value = readU32BE(bytesOf(bytes) + offset);
    return value == expected || fail("%s is %u, expected %u", what, value, expected);
}

bool FieldChecks::expectZeros(std::string_view bytes, size_t from, size_t to, const char* what) {
    for (size_t at = from; at < to; ++at) {
        if (bytes[at] != '\0') {
            return fail("%s: byte %zu is 0x%02X, expected 0", what, at, static_cast<uint8_t>(bytes[at]));
        }
    }
    return true;
}

bool FieldChecks::readNameField(std::string_view field, std::string& name, const char* what) {
    size_t end = field.find('\0');
    if (end == std::string_view::npos) {
        return fail("%s has no terminating NUL within its %zu bytes", what, field.size());
    }
    name = field.substr(0, end);
    return expectZeros(field, end, field.size(), what);
}

} // namespace quillery
