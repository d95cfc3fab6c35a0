#include "dap/reverse_recorder.h"

#include <algorithm>

namespace zerka::dap {

void ReverseRecorder::start() {
    engine_ = std::make_unique<Engine>(up_.instructions());
    snapshots_.clear();
    base_ = up_.executedInstructions();
    newest_ = 0;
    take(true);
}

void ReverseRecorder::take(bool force) {
    const uint64_t p = position();
    newest_ = std::max(newest_, p);
    if (!snapshots_.empty()) {
        Entry& last = snapshots_.back();
        if (last.position == p || (!force && p - last.position < kMinGap)) {
            if (last.position == p && force) last.state = MachineSnapshot::capture(up_.cpu());
            return;
        }
    }
    snapshots_.push_back(Entry{p, MachineSnapshot::capture(up_.cpu())});
}

void ReverseRecorder::checkpoint() {
    if (!active() || !up_.simulatorMode()) return;
    if (!snapshots_.empty() && position() < snapshots_.back().position) return; // in the past
    take(false);
}

void ReverseRecorder::dropAfter(uint64_t p) {
    while (!snapshots_.empty() && snapshots_.back().position > p)
        snapshots_.pop_back();
    newest_ = p;
}

void ReverseRecorder::resumeForward() {
    if (!active()) return;
    const uint64_t p = position();
    if (p >= newest_) return;
    // The run from here makes a new future: nothing recorded after this point holds.
    dropAfter(p);
    take(true);
}

void ReverseRecorder::edited() {
    if (!active()) return;
    dropAfter(position());
    take(true);
}

uint64_t ReverseRecorder::replay(uint64_t count) {
    const RunStops none{.stepActive = true};
    uint64_t done = 0;
    while (done < count) {
        const BatchResult r = engine_->RunBatch(up_.cpu(), none, count - done);
        done += r.ticks;
        if (r.reason == StopReason::Asleep || (r.ticks == 0 && r.reason != StopReason::None)) break;
    }
    return done;
}

bool ReverseRecorder::seek(uint64_t p) {
    if (!active() || snapshots_.empty() || p < oldest() || p > newest_) return false;
    auto it = std::upper_bound(snapshots_.begin(), snapshots_.end(), p,
                               [](uint64_t v, const Entry& e) { return v < e.position; });
    const Entry& from = *std::prev(it);
    from.state.restore(up_.cpu());
    const uint64_t reached = from.position + replay(p - from.position);
    base_ = up_.executedInstructions() - reached;
    return reached == p;
}

std::optional<uint64_t> ReverseRecorder::searchBack(uint64_t before, const IntervalScan& scan) {
    if (!active() || snapshots_.empty()) return std::nullopt;
    const MachineSnapshot now = MachineSnapshot::capture(up_.cpu());
    const uint64_t here = position();
    std::optional<uint64_t> found;
    for (size_t i = snapshots_.size(); i-- > 0 && !found;) {
        const Entry& e = snapshots_[i];
        if (e.position >= before) continue;
        const uint64_t end =
            i + 1 < snapshots_.size() ? std::min(before, snapshots_[i + 1].position) : before;
        e.state.restore(up_.cpu());
        found = scan(e.position, end);
    }
    now.restore(up_.cpu());
    base_ = up_.executedInstructions() - here;
    return found;
}

std::optional<uint64_t> ReverseRecorder::previousBreakpoint(uint64_t before) {
    // The marks stop the engine before the marked word; the newest stop of an interval counts.
    return searchBack(before, [this](uint64_t p, uint64_t end) {
        std::optional<uint64_t> found;
        const RunStops marks{};
        if (up_.cpu().BreakpointMarkAt(up_.cpu().GetPC(), BreakpointKind::Any)) found = p;
        while (p < end) {
            const BatchResult r = engine_->RunBatch(up_.cpu(), marks, end - p);
            p += r.ticks;
            if (r.reason == StopReason::Breakpoint && p < end)
                found = p;
            else if (r.reason != StopReason::None || r.ticks == 0)
                break;
        }
        return found;
    });
}

std::optional<uint64_t> ReverseRecorder::firstChange(uint64_t from, uint64_t to,
                                                     const std::vector<uint32_t>& addresses) {
    if (!active() || addresses.empty() || from >= to) return std::nullopt;
    const MachineSnapshot now = MachineSnapshot::capture(up_.cpu());
    const uint64_t here = position();
    if (seek(from)) {
        CpuState& cpu = up_.cpu();
        std::vector<uint8_t> before;
        for (uint32_t a : addresses)
            before.push_back(cpu.ReadData(a));
        const RunStops none{.stepActive = true};
        for (uint64_t p = from; p < to;) {
            const BatchResult r = engine_->RunBatch(cpu, none, 1);
            if (r.ticks == 0) break;
            p += r.ticks;
            for (size_t i = 0; i < addresses.size(); ++i)
                if (cpu.ReadData(addresses[i]) != before[i]) {
                    base_ = up_.executedInstructions() - p;
                    return p;
                }
        }
    }
    now.restore(up_.cpu());
    base_ = up_.executedInstructions() - here;
    return std::nullopt;
}

std::optional<uint64_t> ReverseRecorder::previousChange(uint64_t before,
                                                        const std::vector<uint32_t>& addresses) {
    if (addresses.empty()) return std::nullopt;
    // One instruction at a time; each byte is compared with its value one instruction earlier,
    // so the edit that starts an interval is no change.
    return searchBack(before, [&](uint64_t p, uint64_t end) {
        std::optional<uint64_t> found;
        CpuState& cpu = up_.cpu();
        std::vector<uint8_t> last;
        for (uint32_t a : addresses)
            last.push_back(cpu.ReadData(a));
        const RunStops none{.stepActive = true};
        while (p < end) {
            const BatchResult r = engine_->RunBatch(cpu, none, 1);
            if (r.ticks == 0) break;
            p += r.ticks;
            bool changed = false;
            for (size_t k = 0; k < addresses.size(); ++k) {
                const uint8_t v = cpu.ReadData(addresses[k]);
                changed |= v != last[k];
                last[k] = v;
            }
            if (changed && p < before) found = p; // an interval's last instruction counts too
        }
        return found;
    });
}

} // namespace zerka::dap
