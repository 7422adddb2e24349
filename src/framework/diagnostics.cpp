#include "framework/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace quillery {
namespace {

constexpr size_t kMessageCapacity = 512; // 511 bytes and the terminator

// The handlers of the three channels, shared by every thread of the process.
class Channels {
  public:
    ReportHandler handler(ReportLevel level) {
        std::lock_guard<std::mutex> held(lock_);
        return slot(level);
    }
    void install(ReportLevel level, ReportHandler handler) {
        if (handler) {
            std::lock_guard<std::mutex> held(lock_);
            slot(level) = std::move(handler);
        }
    }

  private:
    ReportHandler& slot(ReportLevel level) {
        switch (level) {
        case ReportLevel::Error:
            return error_;
        case ReportLevel::Warning:
            return warning_;
        case ReportLevel::Note:
            break;
        }
        return note_;
    }

    std::mutex lock_;
    ReportHandler error_ = printReportToStdout;
    ReportHandler warning_ = printReportToStdout;
    ReportHandler note_ = printReportToStdout;
};

Channels& channels() {
    static Channels instance;
    return instance;
}

// The handler is called outside the lock (a copy of it), so that it may itself install handlers or report.
class ChannelSink final : public DiagnosticSink {
  public:
    int report(const Report& report) override {
        ReportHandler handler = channels().handler(report.level);
        return handler ? handler(report) : 0;
    }
};

thread_local DiagnosticSink* threadSink = nullptr;

// The text reports point into, with its line starts found on first use.
struct ReportText {
    std::string_view text;
    std::vector<size_t> lineStarts;
    bool indexed = false;

    SourcePlace place(size_t position) {
        if (!indexed) {
            lineStarts.clear();
            lineStarts.push_back(0);
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] == '\n') {
                    lineStarts.push_back(i + 1);
                }
            }
            indexed = true;
        }
        position = std::min(position, text.size());
        auto next = std::upper_bound(lineStarts.begin(), lineStarts.end(), position);
        size_t line = static_cast<size_t>(next - lineStarts.begin());
        return {static_cast<uint32_t>(line), static_cast<uint32_t>(position - lineStarts[line - 1] + 1)};
    }
};

ReportText& reportText() {
    thread_local ReportText instance;
    return instance;
}

// The messages that name a file, and which of their conversions (bit i for the i-th) is a file name or path.
// Every conversion up to the last path is a plain %s. Book text in them (a book name) is not marked.
struct PathMessage {
    const char* format;
    unsigned pathConversions;
};
constexpr PathMessage kPathMessages[] = {
    {"The input and output files are the same! (%s)", 1},
    {"The input file \"%s\" could not be opened.", 1},
    {"The file \"%s\" could not be opened for writing.", 1},
    {"The file \"%s\" could not be opened for writing: it is in the image folder of the source.", 1},
    {"Could not create file %s.", 1},
    {"Could not open file %s for writing.", 1},
    {"An error occurred writing the file %s.", 1},
    {"An error occurred reading the file %s.\n", 1},
    {"The file %s is too large to be built.\n", 1},
    {"There is not enough memory to build the book %s.", 1},
    {"Writing book <%s> from file <%s>...", 2},
    {"The image directory \"%s\" isn't a directory.", 1},
    {"Failed to open PNG file %s\n", 1},
    {"Failed to read PNG file %s\n", 1},
    {"PNG file %s appears to be empty\n", 1},
    {"Bad PNG signature for %s", 1},
    {"Couldn't find PNG header for %s", 1},
    {"Unrecognized PNG color type for %s", 1},
    {"Could not read the file \"%s\"", 1},
    {"The file \"%s\" must be an 8-bit color image or a grayscale image.", 1},
    {"Image \"%s\" is too large", 1},
    {"The file \"%s\" is a book (.tdb), not a source. It was skipped.", 1},
    {"The book \"%s\" was already written from \"%s\" in this run; this source was not built.", 3},
};

} // namespace

std::vector<TextSpan> pathSpans(const char* format, va_list args, size_t textLength) {
    const PathMessage* message = nullptr;
    for (const PathMessage& candidate : kPathMessages) {
        if (std::strcmp(candidate.format, format) == 0) {
            message = &candidate;
            break;
        }
    }
    std::vector<TextSpan> spans;
    if (message == nullptr) {
        return spans;
    }
    va_list walk;
    va_copy(walk, args);
    size_t at = 0;
    unsigned conversion = 0;
    for (const char* c = format; *c != '\0' && (message->pathConversions >> conversion) != 0; ++c) {
        if (*c != '%') {
            ++at;
            continue;
        }
        if (c[1] == '%') {
            ++at;
            ++c;
            continue;
        }
        if (c[1] != 's') {
            break; // not a message of the listed shape: mark nothing more
        }
        const char* argument = va_arg(walk, const char*);
        size_t length = argument == nullptr ? 0 : std::strlen(argument);
        if ((message->pathConversions >> conversion & 1) != 0 && at < textLength) {
            spans.push_back({at, std::min(length, textLength - at)});
        }
        at += length;
        ++conversion;
        ++c;
    }
    va_end(walk);
    return spans;
}

int vreport(ReportLevel level, std::optional<SourcePlace> place, const char* format, va_list args) {
    char buffer[kMessageCapacity];
    va_list formatting;
    va_copy(formatting, args);
    int length = std::vsnprintf(buffer, sizeof buffer, format, formatting);
    va_end(formatting);
    size_t kept = length < 0 ? 0 : std::min(static_cast<size_t>(length), kMessageCapacity - 1);
    Report report{level, std::string_view(buffer, kept), place, pathSpans(format, args, kept)};
    return currentSink().report(report);
}

DiagnosticSink& channelSink() {
    static ChannelSink instance;
    return instance;
}

DiagnosticSink& currentSink() {
    return threadSink != nullptr ? *threadSink : channelSink();
}

ReportSinkScope::ReportSinkScope(DiagnosticSink* sink) : previous_(threadSink) {
    if (sink != nullptr) {
        threadSink = sink;
    }
}

ReportSinkScope::~ReportSinkScope() {
    threadSink = previous_;
}

std::optional<SourcePlace> placeInReportText(size_t position) {
    if (reportText().text.empty()) {
        return std::nullopt;
    }
    return reportText().place(position);
}

#define QUILLERY_REPORT(level, place)                                                                        \
    va_list args;                                                                                            \
    va_start(args, format);                                                                                  \
    int result = vreport(level, place, format, args);                                                        \
    va_end(args);                                                                                            \
    return result

int reportError(const char* format, ...) {
    QUILLERY_REPORT(ReportLevel::Error, std::nullopt);
}
int reportWarning(const char* format, ...) {
    QUILLERY_REPORT(ReportLevel::Warning, std::nullopt);
}
int reportNote(const char* format, ...) {
    QUILLERY_REPORT(ReportLevel::Note, std::nullopt);
}
int reportErrorAt(size_t position, const char* format, ...) {
    QUILLERY_REPORT(ReportLevel::Error, placeInReportText(position));
}
int reportWarningAt(size_t position, const char* format, ...) {
    QUILLERY_REPORT(ReportLevel::Warning, placeInReportText(position));
}
int reportWarningIn(SourcePlace place, const char* format, ...) {
    QUILLERY_REPORT(ReportLevel::Warning, place);
}

#undef QUILLERY_REPORT

void setErrorHandler(ReportHandler handler) {
    channels().install(ReportLevel::Error, std::move(handler));
}
void setWarningHandler(ReportHandler handler) {
    channels().install(ReportLevel::Warning, std::move(handler));
}
void setNoteHandler(ReportHandler handler) {
    channels().install(ReportLevel::Note, std::move(handler));
}
ReportHandler errorHandler() {
    return channels().handler(ReportLevel::Error);
}
ReportHandler warningHandler() {
    return channels().handler(ReportLevel::Warning);
}
ReportHandler noteHandler() {
    return channels().handler(ReportLevel::Note);
}

int printReportToStdout(const Report& report) {
    std::fwrite(report.text.data(), 1, report.text.size(), stdout);
    return static_cast<int>(report.text.size());
}

SourcePlace placeOfPosition(std::string_view text, size_t position) {
    ReportText scratch{text, {}, false};
    return scratch.place(position);
}

ReportTextScope::ReportTextScope(std::string_view text) : previous_(reportText().text) {
    reportText() = ReportText{text, {}, false};
}

ReportTextScope::~ReportTextScope() {
    reportText() = ReportText{previous_, {}, false};
}

} // namespace quillery
