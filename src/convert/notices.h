// What the converter has to tell about the Markdown file as a whole: constructs the device cannot show and
// characters it cannot hold. Each kind is told once, at the place of its first occurrence, with how many
// there are; the reports come in the order of those first places.
#pragma once

#include "framework/diagnostics.h"

#include <array>
#include <cstddef>

namespace quillery::convert {

enum class Notice {
    InvalidUtf8,    // bytes that are no UTF-8, made "?"
    BeyondBmp,      // characters above U+FFFF, made "?"
    TitleCharacter, // heading characters chapter titles cannot hold, made ASCII or "?"
    Table,          // tables, kept as plain text
    RawHtml,        // raw HTML, dropped
    TaskList,       // task list items, their boxes kept as text
    ExternalLink,   // links out of the book, their text kept (a note)
};
constexpr size_t kNoticeKinds = 7;

class Notices {
  public:
    void add(Notice kind, SourcePlace place, size_t count = 1);
    size_t count(Notice kind) const { return kinds_[static_cast<size_t>(kind)].count; }
    // Gives one report per kind that occurred.
    void report() const;

  private:
    struct Kind {
        size_t count = 0;
        SourcePlace first;
    };
    std::array<Kind, kNoticeKinds> kinds_{};
};

// Reports at a place of the Markdown file.
void reportAt(ReportLevel level, SourcePlace place, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

} // namespace quillery::convert
