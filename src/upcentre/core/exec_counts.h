#pragma once
// What a counted simulator run records: per program address how often a word there executed
// and how often its skip or branch was taken, the interrupts taken, and the routine profile
// (calls, inclusive and exclusive cycles per call target), followed at run time on calls,
// returns and interrupts only.
//
// Cycles per address are not stored: they follow from the counts, the word's own cycles
// (Engine::wordCycles), one extra cycle per taken skip or branch, and 4 cycles per interrupt
// entry, which land on the interrupt vector (address 4), the first word the interrupt runs.
// Undecodable words take no cycles and are not counted.
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace zerka {

class ExecCounts {
  public:
    // Routines entered by an interrupt are kept under the vector's address with this bit set.
    static constexpr uint32_t kInterruptRoutine = 0x80000000u;
    static constexpr uint32_t kInterruptVector = 4;
    static constexpr uint32_t kInterruptCycles = 4;
    // Frames deeper than this are dropped from the bottom (a program that unwinds its stack by
    // hand); the hardware stack is far shallower.
    static constexpr size_t kMaxFrames = 256;

    struct Routine {
        uint64_t calls = 0;
        uint64_t inclusive = 0; // in it and in what it called (not counting interrupts)
        uint64_t exclusive = 0; // in its own words
    };

    explicit ExecCounts(uint32_t programSize = 0) { clear(programSize); }

    // Everything back to zero, sized for a program of `programSize` words.
    void clear(uint32_t programSize);
    uint32_t programSize() const { return size_; }
    // How often the counts were cleared (a reader's cache key, with cycles()).
    uint64_t clears() const { return clears_; }

    // Executions and taken skips/branches per address; index programSize() collects the words
    // executed outside program memory.
    const std::vector<uint64_t>& executed() const { return executed_; }
    const std::vector<uint64_t>& taken() const { return taken_; }
    uint64_t interrupts() const { return interrupts_; }
    // Cycles that passed while counting was on.
    uint64_t cycles() const { return total_; }
    // Cycles outside every routine (the main program).
    uint64_t topLevelCycles() const { return topLevel_; }
    // The routines with the frames still open closed at the last counted cycle.
    std::map<uint32_t, Routine> routines() const;
    size_t openFrames() const { return frames_.size(); }

    // --- the engine's side ---------------------------------------------------------------------
    uint64_t* executedData() { return executed_.data(); }
    uint64_t* takenData() { return taken_.data(); }
    // The cycle counter is 32 bits and may be edited between runs: the engine marks the start of
    // every counted batch, and every event charges the cycles since the one before.
    void begin(uint32_t cycles) { last_ = cycles; }
    void end(uint32_t cycles) { charge(cycles); }
    // After a call instruction (the cycles include it): `returnAddress` is what it pushed.
    void call(uint32_t target, uint32_t returnAddress, uint32_t cycles);
    // Interrupt entry, before its 4 cycles.
    void interrupt(uint32_t returnAddress, uint32_t cycles);
    // After a return instruction (its cycles included) to `to`.
    void ret(uint32_t to, uint32_t cycles);

  private:
    struct Frame {
        uint32_t key = 0;
        uint32_t returnAddress = 0;
        uint64_t self = 0;
        uint64_t children = 0; // inclusive cycles of the routines it called
    };
    void charge(uint32_t cycles);
    void enter(uint32_t key, uint32_t returnAddress);
    static void close(std::vector<Frame>& frames, std::map<uint32_t, Routine>& routines);

    uint32_t size_ = 0;
    uint64_t clears_ = 0;
    std::vector<uint64_t> executed_;
    std::vector<uint64_t> taken_;
    uint64_t interrupts_ = 0;
    uint64_t total_ = 0;
    uint64_t topLevel_ = 0;
    uint32_t last_ = 0;
    std::vector<Frame> frames_;
    std::map<uint32_t, Routine> routines_;
};

} // namespace zerka
