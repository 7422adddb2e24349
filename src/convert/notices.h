// What a converter has to tell about its source as a whole: constructs the device cannot show and characters
// it cannot hold. Each kind is told once, at the place of its first occurrence, with how many there are; the
// reports come in the order of those first places. A source of several parts (see position_map.h) orders
// them by part first and names the part in each report.
#pragma once

#include "framework/diagnostics.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery::convert {

enum class Notice {
    InvalidUtf8,    // bytes that are no UTF-8, made "?"
    BeyondBmp,      // characters above U+FFFF, made "?"
    TitleCharacter, // heading characters chapter titles cannot hold, made ASCII or "?"
    Table,          // tables, kept as plain text
    RawHtml,        // raw HTML, dropped
    TaskList,       // task list items, their boxes kept as text
    ExternalLink,   // links out of the book, their text kept (a note)
    // The forms of an EPUB's content documents.
    BookTable,        // tables, kept as plain text
    BookForm,         // forms, their text kept
    BookScript,       // scripts and styles given in the text, dropped
    BookSvg,          // SVG drawings, dropped
    BookMath,         // MathML, kept as plain text
    BookMedia,        // audio, video and embedded objects, dropped
    BookExternalLink, // links out of the book, their text kept (a note)
    BookLostLink,     // links to places outside the reading order, their text kept (a note)
};
constexpr size_t kNoticeKinds = 15;

class Notices {
  public:
    void add(Notice kind, SourcePlace place, size_t count = 1);
    // The part the places of later notices belong to.
    void atPart(uint32_t part) { part_ = part; }
    size_t count(Notice kind) const { return kinds_[static_cast<size_t>(kind)].count; }
    // Gives one report per kind that occurred; with `partNames`, each names the part of its place.
    void report(const std::vector<std::string>* partNames = nullptr) const;

  private:
    struct Kind {
        size_t count = 0;
        SourcePlace first;
        uint32_t part = 0;
    };
    std::array<Kind, kNoticeKinds> kinds_{};
    uint32_t part_ = 0;
};

// Reports at a place of the Markdown file.
void reportAt(ReportLevel level, SourcePlace place, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// While it lives, every report of this thread that names no part is given as one of `part` (a name that must
// outlive it), then handed to the sink that was current before.
class PartScope : public DiagnosticSink {
  public:
    explicit PartScope(std::string_view part) : part_(part), next_(currentSink()), scope_(this) {}
    int report(const Report& given) override;

  private:
    std::string_view part_;
    DiagnosticSink& next_;
    ReportSinkScope scope_;
};

} // namespace quillery::convert
