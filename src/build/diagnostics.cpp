#include "build/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace quillery {
namespace {

constexpr size_t kMessageCapacity = 512; // 511 bytes and the terminator

struct Channels {
    ReportHandler error = printReportToStdout;
    ReportHandler warning = printReportToStdout;
    ReportHandler note = printReportToStdout;
};

Channels& channels() {
    static Channels instance;
    return instance;
}

ReportHandler& handlerFor(ReportLevel level) {
    switch (level) {
    case ReportLevel::Error:
        return channels().error;
    case ReportLevel::Warning:
        return channels().warning;
    case ReportLevel::Note:
        break;
    }
    return channels().note;
}

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
    static ReportText instance;
    return instance;
}

void install(ReportHandler& slot, ReportHandler handler) {
    if (handler) {
        slot = std::move(handler);
    }
}

} // namespace

int vreport(ReportLevel level, std::optional<SourcePlace> place, const char* format, va_list args) {
    char buffer[kMessageCapacity];
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    size_t kept = length < 0 ? 0 : std::min(static_cast<size_t>(length), kMessageCapacity - 1);
    Report report{level, std::string_view(buffer, kept), place};
    const ReportHandler& handler = handlerFor(level);
    return handler ? handler(report) : 0;
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
    install(channels().error, std::move(handler));
}
void setWarningHandler(ReportHandler handler) {
    install(channels().warning, std::move(handler));
}
void setNoteHandler(ReportHandler handler) {
    install(channels().note, std::move(handler));
}
const ReportHandler& errorHandler() {
    return channels().error;
}
const ReportHandler& warningHandler() {
    return channels().warning;
}
const ReportHandler& noteHandler() {
    return channels().note;
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
