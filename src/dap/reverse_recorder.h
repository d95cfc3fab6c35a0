#pragma once
// Reverse execution on the simulator: snapshots of the whole machine state along the run plus
// deterministic re-execution. A position is a count of executed instructions since the
// recording started. Going back to position p restores the newest snapshot at or before p and
// executes the instructions up to p again with an engine of its own, without breakpoints and
// without notifications; the simulator is deterministic, so the state is exactly the one it had.
//
// Snapshots are taken at the run's time slices and at stops (at most one per kMinGap
// instructions), so going back re-executes at most about one time slice. A debugger edit of data
// memory or a register is a snapshot of its own at its position (re-execution never crosses it);
// a program-memory edit starts the recording afresh, since the snapshots do not hold the program.
#include "upcentre/core/engine.h"
#include "upcentre/core/machine_snapshot.h"
#include "upcentre/run/up_centre.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zerka::dap {

class ReverseRecorder {
  public:
    static constexpr uint64_t kMinGap = 4096;

    explicit ReverseRecorder(TZk_UP& up) : up_(up) {}

    // A new recording from the state now (after a load or a reset).
    void start();
    bool active() const { return engine_ != nullptr; }
    // The current position, and the oldest and newest recorded ones.
    uint64_t position() const { return up_.executedInstructions() - base_; }
    uint64_t oldest() const { return snapshots_.empty() ? 0 : snapshots_.front().position; }
    uint64_t newest() const { return newest_; }
    // A time slice ended or the target stopped: keeps a snapshot when the last one is far enough.
    void checkpoint();
    // The state was edited here: a snapshot of its own, the future after it forgotten.
    void edited();
    // Forward execution is about to start here: a past position drops what came after it.
    void resumeForward();
    // Restores the machine to position `p` (oldest() <= p <= newest()); false outside.
    bool seek(uint64_t p);
    // The newest position before `before` at which the PC sat on a breakpoint mark (about to
    // execute it), searched back to the oldest snapshot.
    std::optional<uint64_t> previousBreakpoint(uint64_t before);
    // The first position in (from, to] at which an instruction changed one of the bytes at
    // `addresses`; the machine is left there. Without one the machine stays where it was.
    std::optional<uint64_t> firstChange(uint64_t from, uint64_t to,
                                        const std::vector<uint32_t>& addresses);
    // The newest position before `before` that an instruction reached by changing one of the
    // bytes at `addresses` (a debugger edit is no such change), searched back to the oldest
    // snapshot; the state stays where it was.
    std::optional<uint64_t> previousChange(uint64_t before, const std::vector<uint32_t>& addresses);
    // Bytes the snapshots take.
    size_t memoryBytes() const { return snapshots_.capacity() * sizeof(Entry); }
    size_t snapshotCount() const { return snapshots_.size(); }

  private:
    struct Entry {
        uint64_t position = 0;
        MachineSnapshot state;
    };
    // Walks the recorded intervals before `before` from the newest: each one's start state is
    // restored and `scan(start, end)` gives the newest position it finds in it, if any. The
    // machine is put back where it was.
    using IntervalScan = std::function<std::optional<uint64_t>(uint64_t start, uint64_t end)>;
    std::optional<uint64_t> searchBack(uint64_t before, const IntervalScan& scan);
    void take(bool force);
    // Re-executes from the current state up to `count` instructions; the executed count.
    uint64_t replay(uint64_t count);
    void dropAfter(uint64_t p);

    TZk_UP& up_;
    std::unique_ptr<Engine> engine_;
    std::vector<Entry> snapshots_; // by position
    uint64_t base_ = 0;            // the uP centre's count at position 0
    uint64_t newest_ = 0;
};

} // namespace zerka::dap
