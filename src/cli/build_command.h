// Building the books a command line names.
#pragma once

#include "cli/cli_options.h"

namespace quillery::cli {

class DiagnosticPrinter;

// Builds every source of `options`, reporting through the channels (the printer learns each source's name).
// Returns the exit status: 0 when every book was written, 1 otherwise.
int runBuilds(const CliOptions& options, DiagnosticPrinter& printer);

} // namespace quillery::cli
