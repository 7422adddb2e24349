// How quillery-cli shows the reports of a build: compiler-style lines on stderr, or JSON lines on stdout.
#pragma once

#include "build/diagnostics.h"
#include "cli/cli_options.h"

#include <cstdio>
#include <string>

namespace quillery::cli {

// A report's text in UTF-8: file names and paths as the system gave their bytes, the rest (book text) decoded
// from Windows-1252.
std::string reportTextUtf8(const Report& report);

// One line for a report: "FILE:LINE:COL: error: TEXT" (or "FILE: warning: TEXT" without a place), ending in
// exactly one line feed.
std::string formatHumanLine(const std::string& file, const Report& report);

// A JSON string literal (quotes included) for UTF-8 text.
std::string jsonString(std::string_view utf8);

// One JSON object for a report, ending in a line feed.
std::string formatJsonLine(const std::string& file, const Report& report);

// Installs itself on the three channels and prints every report for the current source.
class DiagnosticPrinter {
  public:
    DiagnosticPrinter(DiagnosticsFormat format, bool verbose, FILE* human, FILE* json);
    // The source the next reports belong to; its counts start again at 0.
    void setFile(std::string file);
    int errors() const { return errors_; }
    int warnings() const { return warnings_; }
    int print(const Report& report);

  private:
    DiagnosticsFormat format_;
    bool verbose_;
    FILE* human_;
    FILE* json_;
    std::string file_;
    int errors_ = 0;
    int warnings_ = 0;
};

} // namespace quillery::cli
