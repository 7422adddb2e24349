// Checked reads of a book's fields for the book reader: each check holds, or it records a one-line message
// that names the field and says what is wrong, and returns false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

class FieldChecks {
  public:
    explicit FieldChecks(std::string& error) : error_(error) {}

    // Records the message (at most 511 bytes) and returns false.
    bool fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The big-endian value at `offset` in `bytes` (which holds it) is `expected`.
    bool expectU16(std::string_view bytes, size_t offset, uint16_t expected, const char* what);
    bool expectU32(std::string_view bytes, size_t offset, uint32_t expected, const char* what);
    // Bytes `from` to `to` (exclusive) of `bytes` are zero.
    bool expectZeros(std::string_view bytes, size_t from, size_t to, const char* what);
    // A name ending at its first NUL within the field, with only zero bytes after it.
    bool readNameField(std::string_view field, std::string& name, const char* what);

  private:
    std::string& error_;
};

} // namespace quillery
