#include "markup/scan_report.h"

#include "framework/diagnostics.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace quillery {
namespace {

constexpr size_t kExcerptCapacity = 255;

void reportAt(ReportLevel level, size_t at, const char* format, va_list args) {
    vreport(level, placeInReportText(at), format, args);
}

} // namespace

std::string ScanReporter::excerpt(int64_t start, size_t length) const {
    length = std::min(length, kExcerptCapacity);
    size_t from = start < 0 ? 0 : static_cast<size_t>(start);
    if (from >= text_.size()) {
        return {};
    }
    std::string_view bytes = text_.substr(from, length);
    size_t nul = bytes.find('\0');
    return std::string(nul == std::string_view::npos ? bytes : bytes.substr(0, nul));
}

#define QUILLERY_SCAN_REPORT(level)                                                                          \
    va_list args;                                                                                            \
    va_start(args, format);                                                                                  \
    reportAt(level, at, format, args);                                                                       \
    va_end(args)

void ScanReporter::error(size_t at, const char* format, ...) {
    errorSeen_ = true;
    QUILLERY_SCAN_REPORT(ReportLevel::Error);
}

void ScanReporter::errorFirstPass(size_t at, const char* format, ...) {
    errorSeen_ = true;
    if (!firstPass_) {
        return;
    }
    QUILLERY_SCAN_REPORT(ReportLevel::Error);
}

void ScanReporter::warning(size_t at, const char* format, ...) {
    QUILLERY_SCAN_REPORT(ReportLevel::Warning);
}

void ScanReporter::warningFirstPass(size_t at, const char* format, ...) {
    if (!firstPass_) {
        return;
    }
    QUILLERY_SCAN_REPORT(ReportLevel::Warning);
}

#undef QUILLERY_SCAN_REPORT

void ScanReporter::note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vreport(ReportLevel::Note, std::nullopt, format, args);
    va_end(args);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

void ScanReporter::excerptError(size_t at, const char* format, int64_t start, size_t length) {
    errorSeen_ = true;
    if (!firstPass_) {
        return;
    }
    std::string bytes = excerpt(start, length);
    reportErrorAt(at, format, bytes.c_str());
}

void ScanReporter::excerptWarning(size_t at, const char* format, int64_t start, size_t length, bool print) {
    if (!print) {
        return;
    }
    std::string bytes = excerpt(start, length);
    reportWarningAt(at, format, bytes.c_str());
}

#pragma GCC diagnostic pop

} // namespace quillery
