#pragma once
// The emulator side of run control. The uP centre holds one run control; its mode decides
// whether an operation drives the instruction engine or calls this port. The emulator command
// layer implements it over the link; everything that is the same in both modes (breakpoint
// list, comparator image, run flags, notifications) stays in the uP centre.
#include <array>
#include <cstdint>
#include <optional>

namespace zerka {

class EmulatorRunPort {
  public:
    enum class Poll { Running, Stopped, LinkLost };
    // What readIceBodyId answered after a step.
    enum class Body { Supported, Asleep /* identifier 0 */, Missing /* another identifier */ };

    virtual ~EmulatorRunPort() = default;

    // EmulatorRangeGuard(limit): brings a run-away target back to address 0. False on failure
    // (no stop within 0.5 s or a lost link).
    virtual bool rangeGuard(uint32_t limit) = 0;
    // Prepares the emulator (cycle counter, data watch, stop-on-stack) and starts it: with the
    // comparators (iceGoVariant) or without them (iceGo).
    virtual void startRun(bool withComparators) = 0;
    // One iceStopped poll of the run timer.
    virtual Poll pollStopped() = 0;
    // iceHalt and the mirror refresh.
    virtual void halt() = 0;
    // Prepares the emulator, iceStep(count), waits 10 ms, iceHalt, refreshes the mirror.
    virtual void step(uint32_t count) = 0;
    // iceWriteBreakTable: comparator 0 = temporary breakpoint, 1..15 = slots.
    virtual void writeBreakTable(const std::array<uint32_t, 16>& comparators) = 0;
    virtual Body checkBody() = 0;
    // The stack entry at `level`, read by selecting that level in the stack pointer register.
    virtual std::optional<uint32_t> readStackEntry(uint32_t level) = 0;
    // Executed-address trace entry (0 = newest .. 15) at 1030h + 3 * index.
    virtual uint32_t readTraceEntry(uint32_t index) = 0;
    // Writes the PC to 106Bh.
    virtual void writePC(uint32_t address) = 0;
    // Program reset: DownloadAndVerify(false).
    virtual void resetTarget() = 0;

    // Self-EROM emulation (emulator side only). True when the step at the PC was
    // an emulated EEPROM access and has been performed; run control then does nothing else.
    virtual bool emulatedStep() { return false; }
    // The stop handling of the self-EROM emulation after every emulator stop.
    virtual void afterStop() {}
};

} // namespace zerka
