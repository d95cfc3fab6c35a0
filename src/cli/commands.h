#pragma once
// One registration function per subcommand; each lives in its own cmd_<name>.cpp.
#include "cli/cli_context.h"

namespace CLI {
class App;
} // namespace CLI

namespace zerka::cli {

void registerDisasmCommand(CLI::App& app, CliContext& ctx);
void registerChipsCommand(CLI::App& app, CliContext& ctx);
void registerAsmCommand(CLI::App& app, CliContext& ctx);
void registerTargetCommand(CLI::App& app, CliContext& ctx);
void registerSimCommand(CLI::App& app, CliContext& ctx);
void registerProgCommand(CLI::App& app, CliContext& ctx);
void registerBuildCommand(CLI::App& app, CliContext& ctx);
void registerLspCommand(CLI::App& app, CliContext& ctx);
void registerDapCommand(CLI::App& app, CliContext& ctx);


} // namespace zerka::cli
