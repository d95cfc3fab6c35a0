#include "upcentre/core/cpu_state.h"

#include "chip/chip_model.h"

#include <algorithm>

namespace zerka {

StackStateText stackStateText(uint8_t spr) {
    const bool full = spr & sp::kFull;
    const bool over = spr & sp::kOverflow;
    if (full && over) return {"Stack Full and Over Flow", StackStateColour::Red};
    if (over) return {"Stack Over Flow", StackStateColour::Red};
    if (full) return {"Stack Full", StackStateColour::Yellow};
    if (spr & sp::kUnderflow) return {"Stack Under Flow", StackStateColour::Red};
    return {};
}

CpuState::CpuState() : cells_(kMaxProgramWords) {
    programChanged();
}

void CpuState::programChanged() {
    // Process-wide, so that two states never share a stamp unless one is a copy of the other.
    static uint64_t next = 0;
    programStamp_ = ++next;
}

void CpuState::setStackDepth(uint8_t depth) {
    // The pointer field has five bits and entry 0 is never used, so 31 is the deepest stack the
    // register can address; a larger value would let the pointer wrap into the flag bits.
    stackDepth_ = std::clamp<uint8_t>(depth, 1, kStackEntries - 1);
}

void CpuState::applyChipModel(const ChipModel& chip) {
    setStackDepth(chip.stackDepth);
    setProgramSize(chip.romWords);
    FixedBitRules rules;
    for (size_t i = 0; i < FixedBitRules::kRuleCount; ++i)
        rules.on[i] = chip.fixedBitRules[i];
    setFixedBits(rules);
}

void CpuState::setProgramSize(uint32_t romWords) {
    programSize_ = std::min<uint32_t>(romWords / 256 * 256, kMaxProgramWords);
    programChanged();
}

// --- register edits ---------------------------------------------------------------------------

void CpuState::storeRegister(uint32_t address, uint8_t value) {
    uint8_t stored = value;
    if (!simulatorMode_ && emulatorPort_) {
        std::optional<uint8_t> readBack = emulatorPort_->writeRegister(address, value);
        // A failed transfer leaves the mirror as it was; the link layer reports the loss.
        if (!readBack) return;
        stored = *readBack;
    }
    const uint8_t adjusted = fixedBits_.apply(address, stored);
    if (adjusted != stored && !simulatorMode_ && emulatorPort_) {
        std::optional<uint8_t> again = emulatorPort_->writeRegister(address, adjusted);
        if (!again) {
            data_[address] = stored;
            return;
        }
    }
    data_[address] = adjusted;
}

void CpuState::WriteRegister(uint32_t address, uint8_t value) {
    if (address >= kDataSize) return;
    storeRegister(address, value);
    registerChanged_.emit(address);
}

void CpuState::SetRegister(uint32_t address, uint8_t value) {
    if (address >= kDataSize) return;
    std::string name = nameLookup_ ? nameLookup_(address) : std::string();
    // A full record refuses the entry; the edit itself still goes through.
    registerRecord_.Record(name, address, data_[address], value);
    storeRegister(address, value);
    registerChanged_.emit(address);
}

void CpuState::applyFixedBits() {
    for (uint32_t a : {0x30u, 0x3Cu, 0x3Du})
        data_[a] = fixedBits_.apply(a, data_[a]);
}

// --- program counter --------------------------------------------------------------------------

void CpuState::SetPC(uint32_t address) {
    pc_ = address & kPcMask;
    if (simulatorMode_) {
        data_[reg::kPcLatchLow] = static_cast<uint8_t>(pc_);
        data_[reg::kPcLatchHigh] = static_cast<uint8_t>(pc_ >> 8);
    }
}

void CpuState::AdvancePC(uint32_t n) {
    pc_ = (pc_ + n) & kPcMask;
    if (simulatorMode_) data_[reg::kPcLatchLow] = static_cast<uint8_t>(pc_);
}

void CpuState::ReloadPCFromLatch() {
    SetPC((uint32_t(data_[reg::kPcLatchUpper]) << 16) | (uint32_t(data_[reg::kPcLatchHigh]) << 8) |
          data_[reg::kPcLatchLow]);
}

// --- stack ------------------------------------------------------------------------------------

void CpuState::Push(uint32_t value) {
    uint32_t c = data_[reg::kStackPointer] + 1u;
    if ((c & sp::kPointerMask) > stackDepth_) {
        // Overflow: the pointer stays at the depth and the top entry is overwritten.
        c = (c & 0xC0u) | sp::kOverflow | stackDepth_;
    } else if ((c & sp::kPointerMask) == stackDepth_) {
        c |= sp::kFull;
    }
    stack_[c & sp::kPointerMask] = value;
    data_[reg::kStackPointer] = static_cast<uint8_t>(c);
}

uint32_t CpuState::Pop(bool setUnderflow) {
    const uint8_t a = data_[reg::kStackPointer];
    const uint32_t v = stack_[a & sp::kPointerMask];
    if (a & sp::kPointerMask) {
        data_[reg::kStackPointer] = static_cast<uint8_t>(a - 1);
        return v;
    }
    if (setUnderflow) data_[reg::kStackPointer] = a | sp::kUnderflow;
    return 0;
}

void CpuState::setTopOfStackCopy(uint32_t value) {
    data_[reg::kTosUpper] = static_cast<uint8_t>(value >> 16);
    data_[reg::kTosHigh] = static_cast<uint8_t>(value >> 8);
    data_[reg::kTosLow] = static_cast<uint8_t>(value);
}

// --- program memory ---------------------------------------------------------------------------

bool CpuState::LoadProgramCell(uint32_t address, uint16_t code, uint16_t line, uint8_t fileIndex) {
    if (address >= programSize_) return false;
    ProgramCell& c = cells_[address];
    c.code = code;
    c.sourceLine = line;
    c.fileIndex = fileIndex;
    programChanged();
    return true;
}

bool CpuState::SetProgramWord(uint32_t address, uint16_t code) {
    if (address >= programSize_) return false;
    cells_[address].code = code;
    programChanged();
    return true;
}

bool CpuState::SetReadBackWord(uint32_t address, uint16_t word) {
    if (address >= programSize_) return false;
    cells_[address].readBack = word;
    return true;
}

bool CpuState::BreakpointMarkAt(uint32_t address, BreakpointKind kind) const {
    if (address >= programSize_) return false;
    const ProgramCell& c = cells_[address];
    switch (kind) {
    case BreakpointKind::Any:
        return c.addressMark || c.lineMark;
    case BreakpointKind::Address:
        return c.addressMark;
    case BreakpointKind::SourceLine:
        return c.lineMark;
    }
    return false;
}

bool CpuState::SetBreakpointMark(uint32_t address, BreakpointKind kind, bool on) {
    if (address >= programSize_) return false;
    ProgramCell& c = cells_[address];
    switch (kind) {
    case BreakpointKind::Address:
        c.addressMark = on;
        programChanged();
        return true;
    case BreakpointKind::SourceLine:
        c.lineMark = on;
        programChanged();
        return true;
    case BreakpointKind::Any:
        break;
    }
    return false;
}

void CpuState::ClearProgramMemory() {
    for (ProgramCell& c : cells_) {
        c.code = 0;
        c.fileIndex = 0;
        c.sourceLine = 0;
        c.addressMark = 0;
        c.lineMark = 0;
    }
    programChanged();
}

// --- history and reset ------------------------------------------------------------------------

uint16_t CpuState::NextHistoryEntry() {
    const uint16_t entry = HistoryEntry(historyCursor_);
    if (historyCursor_ < kHistorySize - 1) ++historyCursor_;
    return entry;
}

void CpuState::ClearHistory() {
    history_.fill(0);
    historyHead_ = 0;
    historyCursor_ = 0;
}

void CpuState::ResetCpu() {
    if (simulatorMode_) {
        prescaler_ = 0;
        timerEdge_ = false;
    }
    data_.fill(0);
    stack_.fill(0);
    cycles_ = 0;
    SetPC(0);
    sleep_ = false;
    idle_ = false;
    ClearHistory();
    clearPendingOperation();
}

} // namespace zerka
