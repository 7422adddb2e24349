// quillery-cli: builds books from the command line.
#include "build/source_date_epoch.h"
#include "cli/build_command.h"
#include "cli/cli_options.h"
#include "cli/diagnostic_printer.h"
#include "cli/inspect_command.h"
#include "cli/markdown_sources.h"
#include "cli/standard_output.h"
#include "framework/interrupt_cleanup.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace quillery;

namespace {

// The exit status of a run that printed on standard output: a lost write fails the run.
int finish(int status) {
    int output = cli::closeStandardOutput(stdout, stderr);
    return status != 0 ? status : output;
}

} // namespace

int main(int argc, char** argv) {
    cli::reserveStandardDescriptors();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    std::optional<cli::CliOptions> options = cli::parseCliOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "quillery-cli: %s\nTry 'quillery-cli --help' for more information.\n",
                     error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(cli::usageText(), stdout);
        return finish(0);
    }
    if (options->version) {
        std::puts("quillery-cli " QUILLERY_VERSION);
        return finish(0);
    }
    uint32_t epoch = 0;
    if (parseSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"), &epoch) == EpochSetting::Invalid) {
        std::fprintf(
            stderr,
            "quillery-cli: SOURCE_DATE_EPOCH must be a whole number of seconds from 0 to 4294967294\n");
        return 2;
    }
    if (options->inspect) {
        cli::InspectView view;
        view.json = options->json;
        view.pages = options->pages;
        view.font = cli::previewFontOf(*options);
        return finish(cli::runInspect(options->sources.front(), view, stdout, stderr));
    }
    // SIGINT and SIGTERM remove the build's temporary files and unfinished book, then end with 128 + signal.
    (void)installInterruptCleanup();
    // With --pages standard output holds the pages, and every message goes to standard error.
    cli::DiagnosticPrinter printer(options->diagnostics, options->verbose, stderr,
                                   options->pages ? stderr : stdout);
    if (options->emitMarkup) {
        return finish(cli::runEmitMarkup(*options, printer));
    }
    return finish(cli::runBuilds(*options, printer));
}
