#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace zerka::cli {

// Runs `zerka` with the given arguments (without the program name); returns the exit status.
int runZerka(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zerka::cli
