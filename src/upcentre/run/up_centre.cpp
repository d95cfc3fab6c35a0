#include "upcentre/run/up_centre.h"

#include "chip/chip_model.h"
#include "upcentre/run/step_rules.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace zerka {

using Clock = std::chrono::steady_clock;

namespace {

// Where a return to `returnAddress` leaves the program for the user: a CX4A CALL's return
// address is its own second word (a NOPF that runs as a no-operation), so past it.
uint32_t landingAfterReturn(const InstructionSet& set, const CpuState& cpu,
                            uint32_t returnAddress) {
    if (returnAddress > 0 && returnAddress < cpu.programSize()) {
        const DecodedInstruction call = set.decode(cpu.ProgramWord(returnAddress - 1));
        const DecodedInstruction second = set.decode(cpu.ProgramWord(returnAddress));
        if (call.found && call.id == OpId::CALL && call.def && call.def->isTwoWord() &&
            second.found && second.id == OpId::NOPF)
            return (returnAddress + 1) & CpuState::kPcMask;
    }
    return returnAddress;
}

} // namespace

std::string_view stopCauseName(StopCause cause) {
    switch (cause) {
    case StopCause::None:
        return "none";
    case StopCause::Breakpoint:
        return "breakpoint";
    case StopCause::RangeLeft:
        return "range left";
    case StopCause::StepReached:
        return "step reached";
    case StopCause::StackFull:
        return "stack full";
    case StopCause::Stopped:
        return "stopped";
    case StopCause::Limit:
        return "instruction limit";
    case StopCause::Reset:
        return "reset";
    }
    return "none";
}

TZk_UP::TZk_UP(UiHost* ui, std::unique_ptr<RunEngine> engine)
    : ui_(ui), set_(CoreType::CX4A), engine_(set_), other_(std::move(engine)) {
    if (other_) other_->rebuild(set_);
    comparators_.fill(kNoAddress);
    cpu_.setRegisterNameLookup(
        [this](uint32_t address) { return symbolNameFor(int32_t(address)); });
}

BatchResult TZk_UP::runBatch(const RunStops& stops, uint64_t maxTicks) {
    if (counts_) {
        if (counts_->programSize() != cpu_.programSize()) counts_->clear(cpu_.programSize());
        return engine_.RunBatch(cpu_, stops, maxTicks, counts_.get());
    }
    return other_ ? other_->RunBatch(cpu_, stops, maxTicks)
                  : engine_.RunBatch(cpu_, stops, maxTicks);
}

void TZk_UP::setCounting(bool on) {
    if (on && !counts_)
        counts_ = std::make_unique<ExecCounts>(cpu_.programSize());
    else if (!on)
        counts_.reset();
}

void TZk_UP::ClearCounts() {
    if (counts_) counts_->clear(cpu_.programSize());
}

// --- chip, core, mode -------------------------------------------------------------------------

void TZk_UP::applyChip(const ChipModel& chip) {
    cpu_.applyChipModel(chip);
    const CoreType core = coreTypeFromVariant(chip.coreVariant);
    if (core != set_.core() || set_.size() == 0) setInstructionSet(InstructionSet(core));
}

void TZk_UP::setInstructionSet(const InstructionSet& set) {
    set_ = set;
    engine_.rebuild(set_);
    if (other_) other_->rebuild(set_);
}

void TZk_UP::setEmulator(EmulatorRunPort* port) {
    emulator_ = port;
    cpu_.setSimulatorMode(port == nullptr);
}

void TZk_UP::setBusy(bool on) {
    if (busy_ == on) return;
    busy_ = on;
    busyChanged_.emit(on);
}

void TZk_UP::message(MessageType type, std::string_view text, Buttons buttons) {
    if (ui_) ui_->messageBox(type, std::string(text), buttons);
}

// --- runs ---------------------------------------------------------------------------------------

RunStops TZk_UP::runStops() const {
    RunStops st;
    st.stopOnStackFull = stopOnStackFull_;
    st.rangeActive = rangeRun_;
    st.rangeLow = rangeLow_;
    st.rangeHigh = rangeHigh_;
    st.stepActive = stepRun_;
    st.stepTarget = stepRun_ ? stepTarget_ : RunStops::kNone;
    st.temporaryBreak = tempArmed_ ? tempAddress_ : RunStops::kNone;
    return st;
}

void TZk_UP::Run() {
    if (running_) return;
    if (emulator_) emulator_->rangeGuard(kRangeGuardLimit);
    startRun();
    if (emulator_) {
        emulator_->startRun(countMirror_ != 0 || tempArmed_);
        return; // the run timer polls
    }
    // A Run from inside a run's notification (OnStopped of a tick) only re-arms the loop that
    // is already turning below us.
    if (runLoops_ > 0) return;
    ++runLoops_;
    tickGuard_ = false;
    while (runTimerEnabled_) {
        if (yield_) yield_();
        if (!runTimerEnabled_) break;
        RunTimerTick();
    }
    --runLoops_;
}

void TZk_UP::startRun() {
    cpu_.ResetHistoryCursor();
    emulatorHistoryCursor_ = 0;
    setBusy(true);
    running_ = true;
    runTimerEnabled_ = true;
    runTicks_ = 0;
    lastStop_ = StopCause::None;
    if (emulator_) executedKnown_ = false;
    runStarted_.emit();
}

void TZk_UP::RunTimerTick() {
    if (tickGuard_ || !runTimerEnabled_) return;
    tickGuard_ = true;
    if (!emulator_) {
        simulatorSlice();
    } else {
        switch (emulator_->pollStopped()) {
        case EmulatorRunPort::Poll::Stopped:
            runTimerEnabled_ = false;
            running_ = false;
            lastStop_ = StopCause::Breakpoint;
            Stop();
            emulator_->afterStop();
            break;
        case EmulatorRunPort::Poll::LinkLost:
            runTimerEnabled_ = false; // the link state shows the loss
            break;
        case EmulatorRunPort::Poll::Running:
            break;
        }
    }
    tickGuard_ = false;
}

void TZk_UP::executeWithHook(uint64_t maxTicks, BatchResult& result) {
    result = {};
    const RunStops stops = runStops();
    if (!instructionHook_) {
        result = runBatch(stops, maxTicks);
        return;
    }
    while (result.ticks < maxTicks) {
        const uint32_t at = cpu_.GetPC();
        const BatchResult one = runBatch(stops, 1);
        result.ticks += one.ticks;
        if (one.ticks) instructionHook_(at);
        result.reason = one.reason;
        if (one.reason != StopReason::None) return;
    }
}

void TZk_UP::simulatorSlice() {
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + slice_;
    Clock::time_point before = start;
    for (;;) {
        uint64_t n = chunk_;
        if (tickLimit_) {
            if (runTicks_ >= tickLimit_) {
                endRun(StopCause::Limit);
                return;
            }
            n = std::min<uint64_t>(n, tickLimit_ - runTicks_);
        }
        BatchResult r;
        executeWithHook(n, r);
        runTicks_ += r.ticks;
        executed_ += r.ticks;
        switch (r.reason) {
        case StopReason::None:
            break;
        case StopReason::Asleep:
            return; // the ticks do nothing until Stop or a reset; the run goes on
        case StopReason::StackFull:
            stackStateShown_.emit(cpu_.stackState());
            endRun(StopCause::StackFull);
            return;
        case StopReason::RangeLeft:
            endRun(StopCause::RangeLeft);
            return;
        case StopReason::StepReached:
            endRun(StopCause::StepReached);
            return;
        case StopReason::Breakpoint:
            endRun(StopCause::Breakpoint);
            return;
        }
        if (tickLimit_ && runTicks_ >= tickLimit_) {
            endRun(StopCause::Limit);
            return;
        }
        // Batches of about a millisecond: few clock reads, and the slice ends close to its
        // deadline whatever the speed of the machine.
        const Clock::time_point now = Clock::now();
        const auto took = now - before;
        before = now;
        if (n == chunk_) {
            if (took < std::chrono::microseconds(500) && chunk_ < (1u << 24))
                chunk_ *= 2;
            else if (took > std::chrono::microseconds(2000) && chunk_ > 64)
                chunk_ /= 2;
        }
        if (now >= deadline) return;
    }
}

// Stopping a simulator run by one of its own conditions.
void TZk_UP::endRun(StopCause cause) {
    running_ = false;
    runTimerEnabled_ = false;
    setBusy(false);
    lastStop_ = cause;
    // The flags go before the notification, so that a handler starting the next run finds
    // them clean; the temporary breakpoint of a step or range run must not outlive it.
    clearRunFlags();
    onStopped_.emit();
}

void TZk_UP::clearRunFlags() {
    rangeRun_ = false;
    stepRun_ = false;
    stepTarget_ = RunStops::kNone;
    if (tempArmed_) disarmTemporary();
}

void TZk_UP::Stop() {
    const bool wasRunning = running_ || runTimerEnabled_;
    running_ = false;
    runTimerEnabled_ = false;
    if (emulator_) emulator_->halt(); // halt and mirror refresh
    // Both modes: a step or range flag left behind would turn the next plain run into one.
    disarmTemporary();
    rangeRun_ = false;
    stepRun_ = false;
    stepTarget_ = RunStops::kNone;
    if (wasRunning) lastStop_ = StopCause::Stopped;
    onStopped_.emit();
    setBusy(false);
}

void TZk_UP::singleStep(bool trace) {
    if (running_) return;
    lastStop_ = StopCause::None;
    if (emulator_ && emulator_->emulatedStep()) {
        ++executed_;
        stepDone_ = true;
        return;
    }
    cpu_.ResetHistoryCursor();
    emulatorHistoryCursor_ = 0;
    setBusy(true);
    if (!emulator_) {
        if (counts_ && counts_->programSize() != cpu_.programSize())
            counts_->clear(cpu_.programSize());
        if (other_ && !counts_)
            other_->CheckInterrupt(cpu_);
        else
            engine_.CheckInterrupt(cpu_, counts_.get());
        if (cpu_.sleeping() || cpu_.idle()) {
            setBusy(false);
            stepDone_ = true;
            return;
        }
        const uint32_t at = cpu_.GetPC();
        if (other_ && !counts_)
            other_->ExecuteOne(cpu_);
        else
            engine_.ExecuteOne(cpu_, counts_.get());
        ++executed_;
        if (instructionHook_) instructionHook_(at);
    } else {
        if (!trace) emulator_->rangeGuard(kRangeGuardLimit);
        const uint32_t pc = cpu_.GetPC(), cycles = cpu_.GetCycles();
        emulator_->step(emulatorStepCount(set_, cpu_));
        // A step that moved neither the PC nor the cycle counter found the target asleep.
        if (cpu_.GetPC() != pc || cpu_.GetCycles() != cycles) ++executed_;
        disarmTemporary();
    }
    if (!trace) {
        onStopped_.emit();
    } else {
        onTraceStep_.emit();
        if (cpu_.BreakpointMarkAt(cpu_.GetPC(), BreakpointKind::Address)) onStopped_.emit();
    }
    if (emulator_) {
        switch (emulator_->checkBody()) {
        case EmulatorRunPort::Body::Supported:
            break;
        case EmulatorRunPort::Body::Asleep:
            message(MessageType::Warning, kAsleepMessage);
            continueModeEnded_.emit();
            setBusy(false);
            stepDone_ = true;
            Run(); // so that the target can be woken by its own button
            return;
        case EmulatorRunPort::Body::Missing:
            message(MessageType::Warning, kChipOffMessage);
            break;
        }
    }
    setBusy(false);
    stepDone_ = true;
}

void TZk_UP::StepInto() {
    singleStep(false);
}

void TZk_UP::ContinueStep() {
    singleStep(true);
}

void TZk_UP::StepOver() {
    if (running_) return;
    cpu_.ResetHistoryCursor();
    emulatorHistoryCursor_ = 0;
    setBusy(true);
    const uint32_t pc = cpu_.GetPC();
    const DecodedInstruction d = set_.decode(cpu_.ProgramWord(pc));
    if (!d.found || (d.id != OpId::CALL && d.id != OpId::RCALL)) {
        StepInto();
        return;
    }
    stepRun_ = true;
    stepTarget_ = (pc + (d.id == OpId::CALL ? 2 : 1)) & CpuState::kPcMask;
    // Both CALL forms return to PC + 1: the CX4A call to its NOPF word, the CX4B call to the
    // next word. The NOPF then runs as a no-operation; stopping on it would leave the call's
    // own line current, so the run goes on to the word after it.
    armTemporary(landingAfterReturn(set_, cpu_, (pc + 1) & CpuState::kPcMask));
    Run();
}

void TZk_UP::RunRange(uint32_t low, uint32_t high) {
    rangeRun_ = true;
    rangeLow_ = low;
    rangeHigh_ = high;
    if (emulator_) armTemporary(high); // the emulator stops only at its comparators
}

void TZk_UP::StepOut() {
    if (running_) return;
    cpu_.ResetHistoryCursor();
    emulatorHistoryCursor_ = 0;
    setBusy(true);
    stepRun_ = true;
    stepTarget_ = RunStops::kNone; // a step-out run stops only at its temporary breakpoint
    const uint32_t level = cpu_.ReadData(reg::kStackPointer) & sp::kPointerMask;
    if (level != 0) {
        std::optional<uint32_t> top = emulator_ ? emulator_->readStackEntry(level)
                                                : std::optional<uint32_t>(cpu_.StackEntry(level));
        if (top)
            armTemporary(landingAfterReturn(set_, cpu_, *top & CpuState::kPcMask));
        else
            sendComparators();
    } else {
        sendComparators();
    }
    Run();
}

void TZk_UP::RunTo(uint32_t address) {
    if (running_) return;
    armTemporary(address & CpuState::kPcMask);
    Run();
}

uint32_t TZk_UP::StepBack() {
    uint32_t address = 0;
    if (!emulator_) {
        address = cpu_.NextHistoryEntry();
    } else {
        address = emulator_->readTraceEntry(emulatorHistoryCursor_) & CpuState::kPcMask;
        if (emulatorHistoryCursor_ < CpuState::kHistorySize - 1) ++emulatorHistoryCursor_;
    }
    historyShown_.emit(address);
    return address;
}

void TZk_UP::ResetTarget() {
    if (!emulator_) {
        ResetCpu();
        cpu_.SetPC(0);
        cpu_.ClearHistory();
    } else {
        if (running_) lastStop_ = StopCause::Reset;
        running_ = false;
        runTimerEnabled_ = false;
        emulator_->resetTarget();
    }
    cpu_.clearPendingOperation();
}

void TZk_UP::SetPCFromView(uint32_t address) {
    cpu_.SetPC(address);
    if (emulator_) emulator_->writePC(cpu_.GetPC());
    onStopped_.emit();
}

// --- breakpoints -----------------------------------------------------------------------------

ToggleResult TZk_UP::ToggleBreakpoint(uint32_t address, BreakpointKind kind, bool set, uint8_t file,
                                      uint16_t line) {
    if (address >= kNoAddress || running_ || kind == BreakpointKind::Any)
        return ToggleResult::Ignored;
    if (address > 0 && writesPclatl(set_, cpu_.ProgramWord(address - 1))) {
        message(MessageType::Error, kPclatlMessage);
        return ToggleResult::AfterPclatl;
    }
    if (address >= cpu_.programSize()) return ToggleResult::Ignored;
    if (set)
        AddBreakpoint(address, kind, file, line);
    else
        RemoveBreakpoint(address, kind);
    return ToggleResult::Done;
}

size_t TZk_UP::capacity() const {
    return emulator_ ? kMaxBreakpoints - std::min(reserved_, kMaxBreakpoints) : kMaxBreakpoints;
}

bool TZk_UP::AddBreakpoint(uint32_t address, BreakpointKind kind, uint8_t file, uint16_t line) {
    if (kind == BreakpointKind::Any) return false;
    if (address > 0 && address < cpu_.programSize()) {
        const DecodedInstruction d = set_.decode(cpu_.ProgramWord(address));
        if (d.found && d.id == OpId::NOPF) --address; // the first word of a two-word instruction
    }
    if (capacity() == 0) return false;
    const auto userBegin = breakpoints_.begin() + std::ptrdiff_t(reserved_);
    auto same = std::find_if(userBegin, breakpoints_.end(), [&](const BreakpointEntry& e) {
        return e.address == address && e.kind == kind;
    });
    if (same != breakpoints_.end()) breakpoints_.erase(same);
    if (breakpoints_.size() >= kMaxBreakpoints && breakpoints_.size() > reserved_) {
        const BreakpointEntry oldest = breakpoints_[reserved_];
        breakpoints_.erase(breakpoints_.begin() + std::ptrdiff_t(reserved_));
        cpu_.SetBreakpointMark(oldest.address, oldest.kind, false);
        breakpointChanged_.emit(BreakpointChange{oldest, false});
    }
    const BreakpointEntry entry{address, kind, file, line};
    breakpoints_.push_back(entry);
    cpu_.SetBreakpointMark(address, kind, true);
    rebuildComparators();
    sendComparators();
    breakpointChanged_.emit(BreakpointChange{entry, true});
    return true;
}

void TZk_UP::RemoveBreakpoint(uint32_t address, BreakpointKind kind) {
    const auto userBegin = breakpoints_.begin() + std::ptrdiff_t(reserved_);
    auto it = std::find_if(userBegin, breakpoints_.end(), [&](const BreakpointEntry& e) {
        return e.address == address && e.kind == kind;
    });
    if (it == breakpoints_.end()) return;
    const BreakpointEntry entry = *it;
    breakpoints_.erase(it);
    cpu_.SetBreakpointMark(address, kind, false);
    breakpointChanged_.emit(BreakpointChange{entry, false});
    rebuildComparators();
    sendComparators();
}

void TZk_UP::ClearBreakpoints() {
    // The marks of the listed entries go too: a mark without an entry would stop the simulator
    // at a breakpoint nobody can see or remove.
    for (const BreakpointEntry& e : breakpoints_)
        cpu_.SetBreakpointMark(e.address, e.kind, false);
    breakpoints_.clear();
    reserved_ = 0;
    tempArmed_ = false;
    tempAddress_ = kNoAddress;
    comparators_.fill(kNoAddress);
    countMirror_ = 0;
    setBusy(false);
    cpu_.clearPendingOperation();
}

void TZk_UP::PlaceReservedBreakpoints(std::span<const uint32_t> addresses) {
    breakpoints_.erase(breakpoints_.begin(), breakpoints_.begin() + std::ptrdiff_t(reserved_));
    std::vector<BreakpointEntry> reserved;
    for (uint32_t a : addresses.first(std::min(addresses.size(), kMaxReserved)))
        reserved.push_back(BreakpointEntry{a & CpuState::kPcMask, BreakpointKind::Address, 0, 0});
    // Reserved entries come first; user entries beyond the room left drop, oldest first.
    const size_t room = kMaxBreakpoints - reserved.size();
    if (breakpoints_.size() > room)
        breakpoints_.erase(breakpoints_.begin(),
                           breakpoints_.begin() + std::ptrdiff_t(breakpoints_.size() - room));
    reserved_ = reserved.size();
    breakpoints_.insert(breakpoints_.begin(), reserved.begin(), reserved.end());
    rebuildComparators();
    sendComparators();
}

void TZk_UP::rebuildComparators() {
    const size_t n = breakpoints_.size();
    const uint32_t last = n ? breakpoints_.back().address : kNoAddress;
    for (size_t k = 1; k < kComparatorCount; ++k)
        comparators_[k] = k <= n ? breakpoints_[k - 1].address : last;
    countMirror_ = uint32_t(n);
    comparators_[0] = tempArmed_ ? tempAddress_ : comparators_[1];
    if (n == 0)
        for (size_t k = 1; k < kComparatorCount; ++k)
            comparators_[k] = comparators_[0];
}

void TZk_UP::sendComparators() {
    if (emulator_) emulator_->writeBreakTable(comparators_);
}

void TZk_UP::armTemporary(uint32_t address) {
    tempAddress_ = address;
    tempArmed_ = true;
    rebuildComparators();
    sendComparators();
}

void TZk_UP::disarmTemporary() {
    tempArmed_ = false;
    tempAddress_ = kNoAddress;
    rebuildComparators();
    sendComparators();
}

// --- hand-over --------------------------------------------------------------------------------

void TZk_UP::SetInformationWord(int index, uint16_t word) {
    if (index >= 0 && size_t(index) < information_.size()) information_[size_t(index)] = word;
}

void TZk_UP::ResetCpu() {
    if (running_ || runTimerEnabled_) lastStop_ = StopCause::Reset;
    running_ = false;
    runTimerEnabled_ = false; // the reset stops the run timer, and with it a run
    rangeRun_ = false;
    stepRun_ = false;
    stepTarget_ = RunStops::kNone;
    tempArmed_ = false;
    tempAddress_ = kNoAddress;
    rebuildComparators();
    cpu_.ResetCpu();
    ClearCounts();
    executed_ = 0;
    executedKnown_ = true;
    emulatorHistoryCursor_ = 0;
    setBusy(false);
}

void TZk_UP::ClearSymbols() {
    symbols_.clear();
    symbolByName_.clear();
    symbolByValue_.clear();
}

void TZk_UP::AddSymbol(std::string_view name, int32_t value, char kind) {
    const size_t index = symbols_.size();
    symbols_.push_back(UpSymbol{std::string(name), value, kind});
    symbolByName_.try_emplace(std::string(name), index);
    symbolByValue_.try_emplace(value, index);
}

const UpSymbol* TZk_UP::findSymbol(std::string_view name) const {
    auto it = symbolByName_.find(std::string(name));
    return it == symbolByName_.end() ? nullptr : &symbols_[it->second];
}

std::string TZk_UP::symbolNameFor(int32_t value) const {
    auto it = symbolByValue_.find(value);
    return it == symbolByValue_.end() ? std::string() : symbols_[it->second].name;
}

} // namespace zerka
