#include "upcentre/core/machine_snapshot.h"

namespace zerka {

MachineSnapshot MachineSnapshot::capture(const CpuState& s) {
    MachineSnapshot m;
    m.data = s.data_;
    m.stack = s.stack_;
    m.history = s.history_;
    m.pc = s.pc_;
    m.cycles = s.cycles_;
    m.pendingValue = s.pendingValue_;
    m.historyHead = s.historyHead_;
    m.historyCursor = s.historyCursor_;
    m.prescaler = s.prescaler_;
    m.pendingOp = s.pendingOp_;
    m.sleep = s.sleep_;
    m.idle = s.idle_;
    m.timerEdge = s.timerEdge_;
    return m;
}

void MachineSnapshot::restore(CpuState& s) const {
    s.data_ = data;
    s.stack_ = stack;
    s.history_ = history;
    s.pc_ = pc;
    s.cycles_ = cycles;
    s.pendingValue_ = pendingValue;
    s.historyHead_ = historyHead;
    s.historyCursor_ = historyCursor;
    s.prescaler_ = prescaler;
    s.pendingOp_ = pendingOp;
    s.sleep_ = sleep;
    s.idle_ = idle;
    s.timerEdge_ = timerEdge;
}

} // namespace zerka
