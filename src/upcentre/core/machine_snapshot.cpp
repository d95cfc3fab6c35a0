#include "upcentre/core/machine_snapshot.h"

namespace zerka {

template <typename Snapshot, typename State, typename Copy>
void MachineSnapshot::forEachField(Snapshot& m, State& s, Copy copy) {
    copy(m.data, s.data_);
    copy(m.stack, s.stack_);
    copy(m.history, s.history_);
    copy(m.pc, s.pc_);
    copy(m.cycles, s.cycles_);
    copy(m.pendingValue, s.pendingValue_);
    copy(m.historyHead, s.historyHead_);
    copy(m.historyCursor, s.historyCursor_);
    copy(m.prescaler, s.prescaler_);
    copy(m.pendingOp, s.pendingOp_);
    copy(m.sleep, s.sleep_);
    copy(m.idle, s.idle_);
    copy(m.timerEdge, s.timerEdge_);
}

MachineSnapshot MachineSnapshot::capture(const CpuState& s) {
    MachineSnapshot m;
    forEachField(m, s, [](auto& field, const auto& state) { field = state; });
    return m;
}

void MachineSnapshot::restore(CpuState& s) const {
    forEachField(*this, s, [](const auto& field, auto& state) { state = field; });
}

} // namespace zerka
