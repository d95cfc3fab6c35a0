#pragma once
// After a load into an emulator body that emulates the built-in EEPROM (8024h), the program's
// accesses to the EEPROM's control register stop the emulator through reserved breakpoints, so
// the host can serve each access. The IDE's debug start and `zerka sim` share this step.
#include "asm/assembler.h"
#include "upcentre/run/emulator_run.h"
#include "upcentre/run/up_centre.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zerka {

inline constexpr const char* kSelfEromOverflow =
    "Build In EEPROM's Breakpoint over than 10 stack!!! May lead to incorrect Simulation.";

// The program addresses the assembler recorded as accesses to the control register.
std::vector<uint32_t> selfEromAccesses(const AssemblyResult& result);

// When the emulation is active: the first 10 accesses become the reserved breakpoints (one on
// the second word of a two-word instruction moves to its first) and the control byte gets its
// initial value. True when more accesses were recorded than can be reserved: the caller warns
// with kSelfEromOverflow.
bool placeSelfEromBreakpoints(TZk_UP& up, EmulatorRun& run, std::span<const uint32_t> accesses);

} // namespace zerka
