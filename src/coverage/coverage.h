#pragma once
// Coverage and cycle profiles of simulator runs, per source line and per routine.
//
// Where counts land:
// - A line's count is how often its instruction was entered: the executions of its first word
//   (the second word of a two-word instruction is not counted again, nor is the NOPF a CX4A
//   call returns to). A macro body line counts every expansion; the call line counts how often
//   its expansion was entered (the executions of the expansion's first word).
// - A line's cycles are the cycles of every word it produced, a taken skip or branch included;
//   the 4 cycles of each interrupt entry land on the line of the interrupt vector (address 4).
//   Macro call lines carry no cycles of their own (their body lines do), so the line cycles add
//   up to the run's cycles; cycles of words that no source line produced (words outside program
//   memory, fill words) are reported apart as unattributed.
#include "asm/assembler.h"
#include "upcentre/core/engine.h"
#include "upcentre/core/exec_counts.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zerka::coverage {

// What an assembly says about where each program word came from. Built once per load.
class LineMap {
  public:
    LineMap() = default;
    // `files` of the result are taken as given (the assembler keeps them absolute).
    explicit LineMap(const AssemblyResult& result);

    struct Line {
        int file = 0; // index into files()
        int32_t line = 0;
        bool operator<(const Line& o) const {
            return file != o.file ? file < o.file : line < o.line;
        }
        bool operator==(const Line&) const = default;
    };

    // The source files of the build (object modules left out), each with its path.
    const std::vector<std::string>& files() const { return files_; }
    // Every line that produced code, and per line the first words of its instances (a macro
    // body line has one per expansion, a call line the first word of each expansion).
    const std::map<Line, std::vector<uint32_t>>& entries() const { return entries_; }
    // The line whose words a program address holds (cycles), or file -1.
    Line lineOf(uint32_t address) const;
    uint32_t programSize() const { return uint32_t(lineOfAddress_.size()); }

  private:
    std::vector<std::string> files_;
    std::vector<int> fileSlot_; // assembler file index -> files_ index, -1 for object modules
    std::vector<Line> lineOfAddress_;
    std::map<Line, std::vector<uint32_t>> entries_;
};

struct LineStats {
    int file = 0;
    int32_t line = 0;
    uint64_t count = 0;
    uint64_t cycles = 0;
    // Conditional skips and branches of the line: [taken, not taken] per instruction word.
    std::vector<std::pair<uint64_t, uint64_t>> branches;
    bool branchLineRan = false; // some branch instruction of the line executed
};

struct RoutineStats {
    std::string name;
    uint32_t address = 0;
    bool interrupt = false; // entered by interrupts, not calls
    uint64_t calls = 0;
    uint64_t inclusive = 0;
    uint64_t exclusive = 0;
};

struct Report {
    std::vector<std::string> files;
    std::vector<LineStats> lines;       // by file, then line
    std::vector<RoutineStats> routines; // by inclusive cycles, most first
    uint64_t totalCycles = 0;
    uint64_t topLevelCycles = 0;    // outside every routine
    uint64_t unattributedCount = 0; // executions of words no line produced
    uint64_t unattributedCycles = 0;
    uint64_t interrupts = 0;
};

// The program words the counts were taken on, and the engine that ran them (its cycle table).
struct Program {
    const Engine& engine;
    std::vector<uint16_t> words; // index = address
    // Label names by address (routine names); the first name given for an address wins.
    std::map<uint32_t, std::string> labels;
};
// The labels of an assembly, first one per address.
std::map<uint32_t, std::string> labelsOf(const AssemblyResult& result);

Report makeReport(const LineMap& map, const ExecCounts& counts, const Program& program);

} // namespace zerka::coverage
