// Runs quillery-cli as a user would and captures what it prints.
#pragma once

#include "test_support.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace quillery::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// `arguments` is passed to the shell as written (quote what needs quoting); `environment` is prefixed.
inline CliRun runCli(const std::string& arguments, const std::string& environment = "") {
    ScratchDir capture;
    std::string command = environment + " " QUILLERY_CLI_PATH " " + arguments + " >" + capture.file("out") +
                          " 2>" + capture.file("err") + " </dev/null";
    int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFile(capture.file("out"));
    run.err = readFile(capture.file("err"));
    return run;
}

} // namespace quillery::test
