#pragma once
// MachineSnapshot: everything of a CpuState that execution changes — data memory (and with it
// every register, the timers and the interrupt flags), PC, cycle counter, stack, prescaler and
// timer edge, sleep and idle, the pending two-word operation and the PC history — without the
// program memory and the chip's fixed settings. Restoring one and running the same instructions
// again gives the same states: reverse execution is built on that.
#include "upcentre/core/cpu_state.h"

#include <array>
#include <cstdint>

namespace zerka {

struct MachineSnapshot {
    std::array<uint8_t, CpuState::kDataSize> data{};
    std::array<uint32_t, CpuState::kStackEntries> stack{};
    std::array<uint16_t, CpuState::kHistorySize> history{};
    uint32_t pc = 0;
    uint32_t cycles = 0;
    uint32_t pendingValue = 0;
    uint32_t historyHead = 0;
    uint32_t historyCursor = 0;
    uint16_t prescaler = 0;
    uint8_t pendingOp = 0;
    bool sleep = false;
    bool idle = false;
    bool timerEdge = false;

    static MachineSnapshot capture(const CpuState& s);
    // Puts the state back; nothing is recorded or notified (the caller refreshes its views).
    void restore(CpuState& s) const;
    bool operator==(const MachineSnapshot&) const = default;

  private:
    // The one list of what a snapshot holds, `copy(snapshotField, stateField)` for each: capture
    // and restore walk it both ways and cannot drift apart.
    template <typename Snapshot, typename State, typename Copy>
    static void forEachField(Snapshot& m, State& s, Copy copy);
};

} // namespace zerka
