// The three diagnostic channels of a build: errors, warnings and notes.
//
// Code anywhere reports with a printf-style call and goes on; the handler installed on the channel decides
// what becomes of the message. The channels neither count nor stop anything: each stage returns its own
// verdict. A report is formatted once, into at most 511 bytes (longer text is cut), and handed to the handler
// as data.
//
// Reports go to the sink of the thread that gives them: the one a ReportSinkScope names (a build names the
// sink its settings give it), else the channels, whose handlers are shared by the whole process. So two
// builds on two threads, each with a sink of its own, never see each other's messages.
//
// A stage that knows where in the book's text a report belongs says so with the ...At() calls; the handler
// then sees the line and column (1-based, the column in bytes) of that text position. The text the positions
// refer to is announced by a ReportTextScope on the reporting thread for the length of a build. The message
// text itself is never changed.
//
// A message mixes two encodings: book text (titles, names and excerpts of a source) is Windows-1252, while
// file names and paths are the bytes the operating system gives. The messages that name files are listed in
// one place (the path messages in diagnostics.cpp); for them the report marks which bytes are a path, so that
// a handler can print those bytes as they are and decode only the rest as Windows-1252.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace quillery {

enum class ReportLevel : int { Note = 0, Warning = 1, Error = 2 };

struct SourcePlace {
    uint32_t line = 1;
    uint32_t column = 1;
};

// Bytes [offset, offset + length) of a report's text.
struct TextSpan {
    size_t offset = 0;
    size_t length = 0;
};

struct Report {
    ReportLevel level;
    std::string_view text; // as formatted, at most 511 bytes
    std::optional<SourcePlace> place;
    std::vector<TextSpan> paths = {}; // the file names and paths in the text, in order
    // The file inside the source that `place` belongs to (a content document of an EPUB); empty for a source
    // of one file. A place in a part may have column 0: not known.
    std::string_view part = {};
};

// The spans of `text` (formatted from `format` with `args`) that are file names or paths: empty unless
// `format` is one of the path messages.
std::vector<TextSpan> pathSpans(const char* format, va_list args, size_t textLength);

using ReportHandler = std::function<int(const Report&)>;

int reportError(const char* format, ...) __attribute__((format(printf, 1, 2)));
int reportWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
int reportNote(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same, tied to a byte position of the text announced by the current ReportTextScope.
int reportErrorAt(size_t position, const char* format, ...) __attribute__((format(printf, 2, 3)));
int reportWarningAt(size_t position, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The same, at a place the caller has worked out itself.
int reportWarningIn(SourcePlace place, const char* format, ...) __attribute__((format(printf, 2, 3)));

int vreport(ReportLevel level, std::optional<SourcePlace> place, const char* format, va_list args);

// Where reports go. report() is called once per report, on the thread that gave it.
class DiagnosticSink {
  public:
    virtual ~DiagnosticSink() = default;
    virtual int report(const Report& report) = 0;
};

// The process-wide channels as a sink: each report goes to the handler installed on its level's channel.
// The default sink of every thread.
DiagnosticSink& channelSink();
// The sink this thread's reports go to now.
DiagnosticSink& currentSink();

// Sends this thread's reports to `sink` until destroyed, then to the sink before it. Null changes nothing.
class ReportSinkScope {
  public:
    explicit ReportSinkScope(DiagnosticSink* sink);
    ~ReportSinkScope();
    ReportSinkScope(const ReportSinkScope&) = delete;
    ReportSinkScope& operator=(const ReportSinkScope&) = delete;

  private:
    DiagnosticSink* previous_;
};

// The handlers of the channels. Installing an empty handler leaves the channel's handler in place. A handler
// may be installed from any thread; one that is being replaced still sees the reports already under way.
void setErrorHandler(ReportHandler handler);
void setWarningHandler(ReportHandler handler);
void setNoteHandler(ReportHandler handler);
ReportHandler errorHandler();
ReportHandler warningHandler();
ReportHandler noteHandler();

// The handler every channel starts with: the text on standard output, exactly as formatted.
int printReportToStdout(const Report& report);

// Line and column of `position` in `text` (a position at or past the end is placed after the last byte).
SourcePlace placeOfPosition(std::string_view text, size_t position);
// The place of `position` in the text of this thread's current ReportTextScope, if there is one.
std::optional<SourcePlace> placeInReportText(size_t position);

// Announces the text that this thread's report positions refer to, until destroyed (an empty text: none).
class ReportTextScope {
  public:
    explicit ReportTextScope(std::string_view text);
    ~ReportTextScope();
    ReportTextScope(const ReportTextScope&) = delete;
    ReportTextScope& operator=(const ReportTextScope&) = delete;

  private:
    std::string_view previous_;
};

} // namespace quillery
