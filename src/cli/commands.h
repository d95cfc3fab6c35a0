#pragma once
// One registration function per subcommand; each lives in its own cmd_<name>.cpp.
#include "cli/cli_context.h"

namespace zerka::cli {



} // namespace zerka::cli
