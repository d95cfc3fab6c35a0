#pragma once
// The cycle profile of a run: a JSON document (per line and per routine) and a table of the top
// routines and lines for a terminal.
#include "coverage/coverage.h"

#include <string>

namespace zerka::coverage {

// {"total_cycles", "top_level_cycles", "interrupts", "unattributed": {count, cycles},
//  "routines": [{name, address, interrupt, calls, inclusive_cycles, exclusive_cycles}] (most
//  inclusive cycles first), "lines": [{file, line, count, cycles}] (by file and line)}.
std::string profileJson(const Report& report);

// The `top` routines by inclusive cycles and the `top` lines by cycles, with their shares of
// the total.
std::string profileTable(const Report& report, size_t top = 20);

} // namespace zerka::coverage
