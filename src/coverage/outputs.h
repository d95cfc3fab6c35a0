#pragma once
// What `zerka sim` and `zerka build` write after a counted run: the lcov trace file (fresh or
// merged into the file already there) and the profile (a JSON file, or a table for "-").
#include "coverage/coverage.h"

#include <ostream>
#include <string>

namespace zerka {
class CpuState;
}

namespace zerka::coverage {

struct OutputRequest {
    std::string coverage; // lcov file, empty: none
    bool append = false;  // add to the counts of an existing coverage file
    std::string profile;  // JSON file, "-" for the table, empty: none
    bool any() const { return !coverage.empty() || !profile.empty(); }
};

// The words of program memory and the labels of the assembly, for makeReport.
Program programOf(const CpuState& cpu, const Engine& engine, const AssemblyResult& result);

// Writes what was asked; the table goes to `table`. False with `error` set (the file named)
// when a file could not be read, merged or written; a coverage file that is not a trace file
// is left as it was.
bool writeOutputs(const Report& report, const OutputRequest& request, std::ostream& table,
                  std::string& error);

} // namespace zerka::coverage
