#pragma once
// An engine that run control can run the simulator on instead of its own threaded Engine: TZk_UP
// takes one when it is built. The differential tests and the benchmarks pass the reference
// engine, which the product does not contain.
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/instruction_set.h"
#include "upcentre/core/run_stops.h"

#include <cstdint>

namespace zerka {

class RunEngine {
  public:
    virtual ~RunEngine() = default;
    // Re-decodes every word after the instruction list changed (another core type).
    virtual void rebuild(const InstructionSet& set) = 0;
    // One instruction at the PC (both words of a two-word instruction).
    virtual void ExecuteOne(CpuState& s) const = 0;
    // Takes a pending enabled interrupt. True when one was taken.
    virtual bool CheckInterrupt(CpuState& s) const = 0;
    // Up to maxTicks run-timer ticks of a simulator run (as Engine::RunBatch).
    virtual BatchResult RunBatch(CpuState& s, const RunStops& stops, uint64_t maxTicks) const = 0;
};

} // namespace zerka
