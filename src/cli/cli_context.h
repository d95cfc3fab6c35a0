#pragma once
// What every subcommand of `zerka` shares: its output streams and the exit status it sets.
#include <CLI/CLI.hpp>
#include <ostream>

namespace zerka::cli {

// Exit statuses shared by all subcommands.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,     // the job ran and failed (for example: errors reported)
    kExitUsage = 2,      // bad option, unknown chip, missing library or input file
    kExitExpectation = 3 // a checked expectation did not hold
};

// Refuses an empty value: an option given as "" would otherwise quietly mean its default.
inline CLI::Validator notEmpty() {
    return CLI::Validator(
        [](std::string& value) {
            return value.empty() ? std::string("an empty value is not allowed") : std::string();
        },
        "");
}

struct CliContext {
    std::ostream& out;
    std::ostream& err;
    int exitCode = kExitOk;
};

} // namespace zerka::cli
