#pragma once
// The first instruction engine of the simulator, kept as the reference that the differential
// test runs the threaded engine (engine.h) against and that the benchmarks measure it against;
// only tests and benchmarks link it (TZk_UP takes it as its RunEngine). It executes instructions of
// either core on a CpuState, with the timer, the pointer post-operations and the PC history that go
// with every word, and the interrupt check that run control calls around it.
//
// Speed: every one of the 65,536 words is decoded once, when the engine is built, into a small
// record that names its handler and pre-resolves its operands; executing a word is then one
// table load and one switch, with no allocation and no virtual call. RunBatch runs many
// instructions in one call with run control's stop tests inlined, so a run can go at full speed
// between two looks at the event loop.
//
// Two-word instructions (CX4A): after a first word the engine keeps executing words in the same
// call until a NOPF word completes the operation. The assembler always places that NOPF right
// after the first word; for hand-edited memory the call executes at most kMaxWordsPerExecute
// words, then returns with the operation still pending. The next call carries on waiting for a
// NOPF, and run control gets its breakpoint, interrupt and Stop tests in between, so a first
// word followed by a tight loop can never hang the user interface.
//
// The engine always behaves as the simulator: its PC updates write the PC latch bytes.
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/instruction_set.h"
#include "upcentre/core/run_engine.h"
#include "upcentre/core/run_stops.h"

#include <cstdint>
#include <memory>

namespace zerka {

// One pre-decoded word.
struct ReferenceOp {
    uint8_t kind = 0xFF; // handler (see reference_engine.cpp); 0xFF: the word is not an instruction
    uint8_t mode = 0;    // data address: 0 none, 1 operand itself, 2 banked, 3 indirect
    uint8_t dst = 0;     // 1: the file register, 0: W
    uint8_t bit = 0;     // bit number, shadow-save/restore flag, post-increment flag
    uint16_t a = 0;      // operand 1 (address, literal, target part, payload)
    int16_t x = 0;       // signed branch offset, or pointer * 8 + mode of an indirect access
};
static_assert(sizeof(ReferenceOp) == 8);

class ReferenceEngine final : public RunEngine {
  public:
    static constexpr uint32_t kMaxWordsPerExecute = 16;
    static constexpr uint8_t kInvalid = 0xFF;

    explicit ReferenceEngine(const InstructionSet& set);
    explicit ReferenceEngine(CoreType core);
    ~ReferenceEngine();
    ReferenceEngine(ReferenceEngine&&) noexcept;
    ReferenceEngine& operator=(ReferenceEngine&&) noexcept;

    // Re-decodes every word after the instruction list changed (another core type).
    void rebuild(const InstructionSet& set) override;
    CoreType core() const { return core_; }
    const ReferenceOp& decoded(uint16_t word) const { return table_[word]; }

    // One instruction at the PC (both words of a two-word instruction).
    void ExecuteOne(CpuState& s) const override;
    // Takes a pending enabled interrupt. True when one was taken.
    bool CheckInterrupt(CpuState& s) const override;

    // Up to maxTicks run-timer ticks of a simulator run: each tick does nothing while the CPU
    // sleeps or idles, else ExecuteOne, CheckInterrupt and the stop tests of `stops`. Returns at
    // the first stop condition with the reason, or after maxTicks ticks with None.
    BatchResult RunBatch(CpuState& s, const RunStops& stops, uint64_t maxTicks) const override;

  private:
    CoreType core_ = CoreType::CX4A;
    std::unique_ptr<ReferenceOp[]> table_;
};

} // namespace zerka
