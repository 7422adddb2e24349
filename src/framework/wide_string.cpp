#include "framework/wide_string.h"

#include "framework/windows1252.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace quillery {
namespace {

char16_t foldAscii(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') ? unit + 32 : unit;
}

bool isTrimmed(char16_t unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n';
}

} // namespace

WideString WideString::fromAnsi(std::string_view ansi) {
    return WideString(decodeWindows1252(ansi));
}

WideString WideString::fromUtf8(std::string_view utf8) {
    return WideString(utf8ToUtf16(utf8));
}

WideString WideString::format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return fromAnsi(buffer);
}

WideString& WideString::append(const WideString& other) {
    text_ += other.text_;
    return *this;
}

WideString WideString::substring(size_t start, size_t count) const {
    if (start >= text_.size()) {
        return {};
    }
    return WideString(text_.substr(start, count));
}

void WideString::cutTo(size_t length) {
    if (length < text_.size()) {
        text_.resize(length);
    }
}

void WideString::trim() {
    size_t end = text_.size();
    while (end > 0 && isTrimmed(text_[end - 1])) {
        --end;
    }
    size_t start = 0;
    while (start < end && isTrimmed(text_[start])) {
        ++start;
    }
    text_ = text_.substr(start, end - start);
}

int WideString::compare(const WideString& other) const {
    return text_.compare(other.text_);
}

int WideString::compareNoCase(const WideString& other) const {
    size_t common = std::min(text_.size(), other.text_.size());
    for (size_t i = 0; i < common; ++i) {
        char16_t a = foldAscii(text_[i]);
        char16_t b = foldAscii(other.text_[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (text_.size() == other.text_.size()) {
        return 0;
    }
    return text_.size() < other.text_.size() ? -1 : 1;
}

std::string WideString::toAnsi() const {
    return encodeWindows1252(text_);
}

size_t WideString::toAnsi(char* buffer, size_t capacity) const {
    if (capacity == 0) {
        return 0;
    }
    std::string ansi = toAnsi();
    size_t length = std::min(ansi.size(), capacity - 1);
    std::memcpy(buffer, ansi.data(), length);
    buffer[length] = '\0';
    return length;
}

std::string WideString::toUtf8() const {
    return utf16ToUtf8(text_);
}

} // namespace quillery
