#pragma once
// What run control asks of an engine's batch run, and what the batch answers: shared by the
// threaded engine (engine.h) and the reference engine (reference_engine.h).
#include <cstdint>

namespace zerka {

// What a run stops at, beside the program's own breakpoint marks. Run control fills it from its
// run state before each batch.
struct RunStops {
    static constexpr uint32_t kNone = 0xFFFFFFFF; // beyond any 20-bit PC

    bool stopOnStackFull = false; // "STOP When OV Stack": stop once the full bit is set
    bool rangeActive = false;     // range run: stop when PC <= rangeLow or PC >= rangeHigh
    uint32_t rangeLow = 0;
    uint32_t rangeHigh = 0;
    bool stepActive = false;         // step-over/step-out run: marks are not tested
    uint32_t stepTarget = kNone;     // step-over return address (kNone for step-out)
    uint32_t temporaryBreak = kNone; // armed temporary breakpoint, or kNone

    bool operator==(const RunStops&) const = default;
};

enum class StopReason : uint8_t {
    None,        // the batch ran out; the run goes on
    Asleep,      // the sleep or idle flag is set: the tick does nothing
    StackFull,   // stopOnStackFull and bit 7 of the stack pointer register
    RangeLeft,   // the PC left the range of a range run
    StepReached, // a step run reached its target or the temporary breakpoint
    Breakpoint,  // a breakpoint mark of either kind, or the temporary breakpoint
};

struct BatchResult {
    StopReason reason = StopReason::None;
    uint64_t ticks = 0; // run-timer ticks performed (each executed one instruction)
};

} // namespace zerka
