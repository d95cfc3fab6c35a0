// `zerka lsp`: the language server on standard input and output. Nothing but protocol goes to
// standard output; the server's own troubles go to standard error.
#include "cli/commands.h"
#include "cli/cli_options.h"

#include <unistd.h>

#include "lsp/server.h"

namespace zerka::cli {

void registerLspCommand(CLI::App& app, CliContext& ctx) {
    CLI::App* sub = app.add_subcommand(
        "lsp", "Language server for editors: the Language Server Protocol over standard input "
               "and output (Content-Length frames). Settings come from initializationOptions: "
               "{\"chip\", \"lib\", \"main\"} and the asm switches by name.");
    sub->callback([&ctx] {
        runCommand(ctx, "zerka lsp: ", [] { return lsp::runServer(STDIN_FILENO, STDOUT_FILENO); });
    });
}

} // namespace zerka::cli
