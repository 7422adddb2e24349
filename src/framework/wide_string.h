// WideString: the UTF-16 text of the user interface and of BookInfo.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillery {

class WideString {
  public:
    static constexpr size_t npos = std::u16string::npos;

    WideString() = default;
    explicit WideString(std::u16string text) : text_(std::move(text)) {}
    WideString(const char16_t* text) : text_(text) {}

    // From text in the Windows-1252 code page, or from UTF-8.
    static WideString fromAnsi(std::string_view ansi);
    static WideString fromUtf8(std::string_view utf8);
    // printf-style formatting of ANSI text (at most 511 bytes), converted.
    static WideString format(const char* format, ...) __attribute__((format(printf, 1, 2)));

    const std::u16string& text() const { return text_; }
    size_t length() const { return text_.size(); }
    bool empty() const { return text_.empty(); }

    WideString& append(const WideString& other);
    WideString substring(size_t start, size_t count = npos) const;
    void cutTo(size_t length);
    // Removes white space (space, tab, CR, LF) from both ends.
    void trim();

    // <0, 0, >0 like strcmp; the case-free compare folds ASCII letters only.
    int compare(const WideString& other) const;
    int compareNoCase(const WideString& other) const;
    bool operator==(const WideString& other) const { return text_ == other.text_; }

    // Index of the first / last occurrence of `unit`, or npos.
    size_t findFirst(char16_t unit) const { return text_.find(unit); }
    size_t findLast(char16_t unit) const { return text_.rfind(unit); }

    // Windows-1252 bytes, characters without a byte becoming '?'.
    std::string toAnsi() const;
    // Into a caller's buffer of `capacity` bytes, always terminated; returns the bytes written before the
    // NUL.
    size_t toAnsi(char* buffer, size_t capacity) const;
    std::string toUtf8() const;

  private:
    std::u16string text_;
};

} // namespace quillery
