// The reporting forms of the markup scan: plain error, excerpt error (printed in the first pass
// only) and excerpt warning, each tied to a text position so that the front ends can show FILE:LINE:COL.
// Every error sets the book's error flag, whether or not it is printed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

class ScanReporter {
  public:
    explicit ScanReporter(std::string_view text) : text_(text) {}

    void setFirstPass(bool firstPass) { firstPass_ = firstPass; }
    bool firstPass() const { return firstPass_; }
    bool errorSeen() const { return errorSeen_; }
    void markError() { errorSeen_ = true; }

    // Plain error, printed in every pass.
    void error(size_t at, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // An error printed in the first pass only; the flag is set in every pass.
    void errorFirstPass(size_t at, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // A warning printed in every pass, and one printed in the first pass only.
    void warning(size_t at, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void warningFirstPass(size_t at, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // A note without a position.
    void note(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // `format` holds exactly one %s, which receives the excerpt of `length` bytes from `start`.
    void excerptError(size_t at, const char* format, int64_t start, size_t length);
    void excerptWarning(size_t at, const char* format, int64_t start, size_t length, bool print = true);

    // At most `length` (at most 255) bytes from `start` (a start before the text is its beginning), cut short
    // by the end of the text and by a NUL byte.
    std::string excerpt(int64_t start, size_t length) const;

  private:
    std::string_view text_;
    bool firstPass_ = true;
    bool errorSeen_ = false;
};

} // namespace quillery
