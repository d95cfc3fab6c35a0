#pragma once
// CLI11 and the option rules every subcommand shares; included only where options are declared.
#include "cli/cli_context.h"

#include <CLI/CLI.hpp>

#include <string>

namespace zerka::cli {

// Refuses an empty value: an option given as "" would otherwise quietly mean its default.
inline CLI::Validator notEmpty() {
    return CLI::Validator(
        [](std::string& value) {
            return value.empty() ? std::string("an empty value is not allowed") : std::string();
        },
        "");
}

} // namespace zerka::cli
