#pragma once
// The instruction engine of the simulator: executes instructions of either core on a CpuState,
// with the timer, the pointer post-operations and the PC history that go with every word, and
// the interrupt check that run control calls around it.
//
// Speed (threaded code):
// - A word is decoded when first needed (a program uses a few hundred of the 65,536) into a
//   record that names its handler and pre-resolves its operands. A file operand that is a plain
//   unbanked address gets handlers of their own without any address rules, one for each
//   destination.
// - Before a run the records are laid out per program address (rebuilt only when the program's
//   stamp changes), so the next instruction is one load and one indirect jump: each handler
//   ends with its own dispatch (computed goto where the compiler has it, a switch otherwise).
//   A CX4A two-word instruction followed by its NOPF gets a fused record that runs both words
//   in one go whenever no timer step or tick-end test falls between them.
// - The stop tests are off the common path: the cells where the current run must stop
//   (breakpoint marks, the temporary breakpoint, a step target, everything outside a range)
//   get a stop record in a second copy of the layout; two sentinel records past the end catch
//   a PC outside the program memory. The first instruction of a batch is taken from the plain
//   layout, so it runs even when it sits on a breakpoint, as before.
// - A word's end makes one test: has the word count reached `stop`, the lower of the timer's
//   next step, the end of the batch's budget, and 0 while the tick end needs the careful path
//   (interrupts and the stack-full stop only while they can fire, a two-word operation in
//   progress, sleep). That flag is worked out again after every write that can change it (the
//   interrupt and stack registers, timer control, banked and indirect writes, calls, RETI, the
//   timer flag). The timer prescaler is a counter in a register.
// - PCLATL, which every fetch writes, is written only where it can be read (before a handler
//   with address rules and at the end of a batch): it always holds the low byte of the PC.
// - PC, word address, word count and `stop` stay in registers (engine_exec.cpp) for a batch.
//
// Two-word instructions (CX4A): after a first word the engine keeps executing words in the same
// call until a NOPF word completes the operation. The assembler always places that NOPF right
// after the first word; for hand-edited memory the call executes at most kMaxWordsPerExecute
// words, then returns with the operation still pending. The next call carries on waiting for a
// NOPF, and run control gets its breakpoint, interrupt and Stop tests in between, so a first
// word followed by a tight loop can never hang the user interface.
//
// The engine always behaves as the simulator: its PC updates write the PC latch bytes. Its
// results are those of ReferenceEngine, instruction by instruction (the differential test).
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/exec_counts.h"
#include "upcentre/core/instruction_set.h"
#include "upcentre/core/run_stops.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace zerka {

// One pre-decoded word.
struct ExecOp {
    uint8_t kind = 0; // handler (engine_ops.h)
    uint8_t mode = 0; // data address of a general file handler: 1 direct, 2 banked, 3 indirect
    uint8_t dst = 0;  // 1: the file register, 0: W
    uint8_t bit = 0;  // bit number, shadow-save/restore flag, post-increment flag
    uint16_t a = 0;   // operand 1 (address, literal, target part, payload)
    int16_t x = 0;    // signed branch offset, or pointer * 8 + mode of an indirect access
};
static_assert(sizeof(ExecOp) == 8);

class Engine {
  public:
    static constexpr uint32_t kMaxWordsPerExecute = 16;

    explicit Engine(const InstructionSet& set);
    explicit Engine(InstructionSet&& set);
    explicit Engine(CoreType core);
    ~Engine();
    Engine(Engine&&) noexcept;
    Engine& operator=(Engine&&) noexcept;

    // Re-decodes every word after the instruction list changed (another core type).
    void rebuild(const InstructionSet& set);
    CoreType core() const { return core_; }
    // The record of `word` (decoded on first use).
    const ExecOp& decoded(uint16_t word) const;
    // True when `word` is not an instruction of the core.
    bool invalid(uint16_t word) const;

    // One instruction at the PC (both words of a two-word instruction).
    void ExecuteOne(CpuState& s, ExecCounts* counts = nullptr) const;
    // Takes a pending enabled interrupt. True when one was taken.
    bool CheckInterrupt(CpuState& s, ExecCounts* counts = nullptr) const;

    // Up to maxTicks run-timer ticks of a simulator run: each tick does nothing while the CPU
    // sleeps or idles, else ExecuteOne, CheckInterrupt and the stop tests of `stops`. Returns at
    // the first stop condition with the reason, or after maxTicks ticks with None.
    // With `counts` the same runs on a second instantiation of the loop that also counts
    // (exec_counts.h); its program size must be the CPU's.
    BatchResult RunBatch(CpuState& s, const RunStops& stops, uint64_t maxTicks,
                         ExecCounts* counts = nullptr) const;

    // The cycles a word takes when executed, without a taken skip or branch (0: not an
    // instruction). A second word completing a two-word operation is a NOPF of 1 cycle.
    uint32_t wordCycles(uint16_t word) const;
    // True for a word that may skip the next word or branch (the counts' taken ways).
    bool conditional(uint16_t word) const;

  private:
    // The per-address layouts of one program; kept between calls (hence mutable).
    struct Layout {
        uint64_t stamp = 0;        // CpuState::programStamp() they were built for; 0: none
        uint32_t size = 0;         // program words; two sentinel records follow
        std::vector<ExecOp> plain; // the program's records
        bool runValid = false;
        RunStops runStops; // what `run` was patched for
        StopReason markReason = StopReason::Breakpoint;
        std::vector<ExecOp> run; // `plain` with the stop records of one kind of run
    };
    void reset();
    void preparePlain(const CpuState& s) const;
    void prepareRun(const CpuState& s, const RunStops& stops) const;

    CoreType core_ = CoreType::CX4A;
    std::unique_ptr<const InstructionSet> set_;
    // Decoded words (mutable: filled on first use); `known_` has a bit for each filled entry.
    std::unique_ptr<ExecOp[]> table_;
    mutable std::array<uint64_t, 1024> known_{};
    mutable Layout layout_;
};

} // namespace zerka
