#pragma once
// What every subcommand of `zerka` shares: its output streams and the exit status it sets.
// Free of CLI11, which is dear to compile: tests and helpers that run commands include this;
// only the files that declare options include cli/cli_options.h.
#include <exception>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace zerka::cli {

// Exit statuses shared by all subcommands.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,     // the job ran and failed (for example: errors reported)
    kExitUsage = 2,      // bad option, unknown chip, missing library or input file
    kExitExpectation = 3 // a checked expectation did not hold
};

// Why `path` cannot be read as an input file (or, with `mayBeMissing`, written as an output
// file), in words; nothing when it is a plain file. Only a file that is not there is called
// missing. Every command that takes a file checks it here, before anything else is done.
inline std::optional<std::string> inputFileProblem(const std::string& path,
                                                   bool mayBeMissing = false) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(st))
        return mayBeMissing ? std::nullopt : std::optional<std::string>("no file \"" + path + "\"");
    if (std::filesystem::is_directory(st)) return "\"" + path + "\" is a folder, not a file";
    if (!std::filesystem::is_regular_file(st)) return "\"" + path + "\" is not a plain file";
    return std::nullopt;
}

struct CliContext {
    std::ostream& out;
    std::ostream& err;
    int exitCode = kExitOk;
};

// Runs a command's body and sets the exit status it returns; an error escaping the body is
// reported after `me` and fails the command.
template <typename Body> void runCommand(CliContext& ctx, std::string_view me, Body&& body) {
    try {
        ctx.exitCode = body();
    } catch (const std::exception& e) {
        ctx.err << me << e.what() << '\n';
        ctx.exitCode = kExitFailed;
    }
}

} // namespace zerka::cli
