#pragma once
// CpuState: the microcontroller under test as the uP centre holds it. In simulator mode the
// instruction engine changes it; in emulator mode it mirrors the in-circuit emulator. Views read
// it and edit it only through the operations here (SetRegister above all), never by poking the
// arrays, so the register record, the fixed-bit rules and the emulator write-through stay right.
#include "core/signal.h"
#include "upcentre/core/fixed_bits.h"
#include "upcentre/core/register_record.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zerka {

struct ChipModel;
struct EngineCore;
struct ReferenceEngineCore;

// Fixed data-memory addresses the simulator itself uses.
namespace reg {
inline constexpr uint32_t kFsr0High = 0x0F; // pointer n: high at 15 + 2n, low at 16 + 2n
inline constexpr uint32_t kTosUpper = 0x15; // top-of-stack copy: 21, 22, 23
inline constexpr uint32_t kTosHigh = 0x16;
inline constexpr uint32_t kTosLow = 0x17;
inline constexpr uint32_t kStackPointer = 0x18;
inline constexpr uint32_t kPcLatchUpper = 0x19;
inline constexpr uint32_t kPcLatchHigh = 0x1A;
inline constexpr uint32_t kPcLatchLow = 0x1B; // "PCLATL"
inline constexpr uint32_t kTablePtrUpper = 0x1C;
inline constexpr uint32_t kTablePtrHigh = 0x1D;
inline constexpr uint32_t kTablePtrLow = 0x1E;
inline constexpr uint32_t kTableDataHigh = 0x1F;
inline constexpr uint32_t kTableDataLow = 0x20;
inline constexpr uint32_t kProductHigh = 0x21;
inline constexpr uint32_t kProductLow = 0x22;
inline constexpr uint32_t kIntEnable0 = 0x23; // bit 7 = global interrupt enable
inline constexpr uint32_t kIntEnable1 = 0x24;
inline constexpr uint32_t kIntEnable2 = 0x25;
inline constexpr uint32_t kIntFlag0 = 0x26; // bit 3 = timer interrupt flag
inline constexpr uint32_t kIntFlag1 = 0x27;
inline constexpr uint32_t kIntFlag2 = 0x28;
inline constexpr uint32_t kW = 0x29;
inline constexpr uint32_t kBsr = 0x2A;
inline constexpr uint32_t kStatus = 0x2B;
inline constexpr uint32_t kPowerControl = 0x2C; // bit 7 SLP, bit 6 IDLE
inline constexpr uint32_t kTimerControl = 0x41; // bit 7 enable, bits 6..4 flag bit select
inline constexpr uint32_t kShadowW = 0x1FD;
inline constexpr uint32_t kShadowBsr = 0x1FE;
inline constexpr uint32_t kShadowStatus = 0x1FF;
inline constexpr uint32_t kTimerCounter = 0xF39;
} // namespace reg

// STATUS bits.
namespace flag {
inline constexpr uint8_t kZ = 0x01;
inline constexpr uint8_t kOV = 0x02;
inline constexpr uint8_t kN = 0x04;
inline constexpr uint8_t kDC = 0x08;
inline constexpr uint8_t kC = 0x10;
} // namespace flag

// Stack pointer register bits.
namespace sp {
inline constexpr uint8_t kPointerMask = 0x1F;
inline constexpr uint8_t kOverflow = 0x20;
inline constexpr uint8_t kUnderflow = 0x40;
inline constexpr uint8_t kFull = 0x80;
} // namespace sp

struct ProgramCell {
    uint16_t code = 0;
    uint16_t readBack = 0;   // the word last read back from the emulator
    uint16_t sourceLine = 0; // 0 when the word has no source line
    uint8_t fileIndex = 0;
    uint8_t addressMark = 0; // address breakpoint (program-memory window), 0 or 1
    uint8_t lineMark = 0;    // source-line breakpoint (source view), 0 or 1
};

enum class BreakpointKind : uint8_t { Any = 0, Address = 1, SourceLine = 2 };

// The text and colour of the main window's stack panel.
enum class StackStateColour : uint8_t { Normal, Red, Yellow };
struct StackStateText {
    std::string text; // empty: show the normal status text
    StackStateColour colour = StackStateColour::Normal;
};
StackStateText stackStateText(uint8_t stackPointerRegister);

// The emulator side of a register edit. Emulator mode writes every edit through it; the
// emulator command layer implements it.
class EmulatorRegisterPort {
  public:
    virtual ~EmulatorRegisterPort() = default;
    // Writes `value` to the emulator's data address and returns the value read back, or nothing
    // when the transfer failed (the link layer has then marked the link as lost).
    virtual std::optional<uint8_t> writeRegister(uint32_t address, uint8_t value) = 0;
};

class CpuState {
  public:
    static constexpr uint32_t kDataSize = 4096;
    static constexpr uint32_t kMaxProgramWords = 32768;
    static constexpr uint32_t kPcMask = 0xFFFFF;
    static constexpr uint32_t kStackEntries = 32;
    static constexpr uint8_t kDefaultStackDepth = 8;
    static constexpr uint32_t kHistorySize = 16;

    CpuState();

    // --- mode and chip ------------------------------------------------------------------
    // Simulator mode (the default) lets the PC updates write the PC latch bytes; in emulator
    // mode the state is only a mirror.
    bool simulatorMode() const { return simulatorMode_; }
    void setSimulatorMode(bool on) { simulatorMode_ = on; }
    // From the chip description: 1..31 (entry 0 is never used, 31 is the last entry there is).
    uint8_t stackDepth() const { return stackDepth_; }
    void setStackDepth(uint8_t depth);
    // romWords rounded down to a multiple of 256, at most 32768. Cells beyond keep their
    // contents but are unreachable.
    uint32_t programSize() const { return programSize_; }
    void setProgramSize(uint32_t romWords);
    // A chip change: stack depth and program memory size from the chip description. (The
    // fixed-bit rules come with the chip too; setFixedBits takes them from the loader.)
    void applyChipModel(const ChipModel& chip);
    const FixedBitRules& fixedBits() const { return fixedBits_; }
    void setFixedBits(const FixedBitRules& rules) { fixedBits_ = rules; }

    // --- data memory ----------------------------------------------------------------------
    uint8_t ReadData(uint32_t address) const {
        return address < kDataSize ? data_[address] : uint8_t{0};
    }
    void WriteData(uint32_t address, uint8_t value) {
        if (address < kDataSize) data_[address] = value;
    }
    const std::array<uint8_t, kDataSize>& dataMemory() const { return data_; }

    // The register-edit path of the views: record, store (through the emulator in emulator
    // mode), fixed bits, then notify. Addresses outside the data memory are ignored.
    void SetRegister(uint32_t address, uint8_t value);
    // The same without the record (RAM file load, run control).
    void WriteRegister(uint32_t address, uint8_t value);
    // Applies the fixed-bit rules to every address they concern (after a mirror refresh).
    void applyFixedBits();

    TRegRecord& registerRecord() { return registerRecord_; }
    const TRegRecord& registerRecord() const { return registerRecord_; }
    // The register name for the record: the first symbol whose value is the address.
    void setRegisterNameLookup(std::function<std::string(uint32_t)> lookup) {
        nameLookup_ = std::move(lookup);
    }
    void setEmulatorPort(EmulatorRegisterPort* port) { emulatorPort_ = port; }
    // Step 4 of an edit: the RAM window, register window and analog calculators refresh.
    Signal<uint32_t>& registerChanged() { return registerChanged_; }

    // --- program counter and cycles --------------------------------------------------------
    uint32_t GetPC() const { return pc_; }
    // Keeps 20 bits; simulator mode also writes bits 7..0 to PCLATL and 15..8 to address 26.
    void SetPC(uint32_t address);
    // Adds n and keeps 20 bits; simulator mode writes only the low byte to PCLATL.
    void AdvancePC(uint32_t n);
    // The PC from the three latch bytes (what an instruction writing PCLATL jumps to).
    void ReloadPCFromLatch();

    uint32_t GetCycles() const { return cycles_; }
    uint16_t cyclesHigh() const { return static_cast<uint16_t>(cycles_ >> 16); }
    uint16_t cyclesLow() const { return static_cast<uint16_t>(cycles_); }
    void SetCycles(uint16_t high, uint16_t low) { cycles_ = (uint32_t(high) << 16) | low; }
    // Adds to the low half with the carry into the high half (the counter wraps at 32 bits).
    void AddCycles(uint32_t n) { cycles_ += n; }

    // --- stack -----------------------------------------------------------------------------
    // i from 0 to the stack depth; other indexes read 0 and are not written.
    uint32_t StackEntry(uint32_t i) const { return i <= stackDepth_ ? stack_[i] : 0; }
    void SetStackEntry(uint32_t i, uint32_t value) {
        if (i <= stackDepth_) stack_[i] = value;
    }
    void Push(uint32_t value);
    uint32_t Pop(bool setUnderflow);
    // Writes the 24-bit return address into the top-of-stack copy (21..23).
    void setTopOfStackCopy(uint32_t value);

    // --- sleep and idle ----------------------------------------------------------------------
    bool sleeping() const { return sleep_; }
    bool idle() const { return idle_; }
    void setSleep(bool on) { sleep_ = on; }
    void setIdle(bool on) { idle_ = on; }

    // --- two-word operation in progress -----------------------------------------------------
    // 0, or the id of CALL, JMP, MVLP, LDPR or MVFF waiting for its NOPF word.
    uint8_t pendingOperation() const { return pendingOp_; }
    uint32_t pendingValue() const { return pendingValue_; }
    void clearPendingOperation() {
        pendingOp_ = 0;
        pendingValue_ = 0;
    }

    // --- timer ----------------------------------------------------------------------------------
    uint16_t timerPrescaler() const { return prescaler_; }
    bool timerEdge() const { return timerEdge_; }
    void setTimerPrescaler(uint16_t value) { prescaler_ = value; }

    // --- program memory -----------------------------------------------------------------------
    bool LoadProgramCell(uint32_t address, uint16_t code, uint16_t line, uint8_t fileIndex);
    // Changes only the code word (program-memory edits, read-back from a chip). False outside.
    bool SetProgramWord(uint32_t address, uint16_t code);
    uint16_t ProgramWord(uint32_t address) const {
        return address < programSize_ ? cells_[address].code : uint16_t{0};
    }
    uint8_t SourceFileOf(uint32_t address) const {
        return address < programSize_ ? cells_[address].fileIndex : uint8_t{0};
    }
    uint16_t SourceLineOf(uint32_t address) const {
        return address < programSize_ ? cells_[address].sourceLine : uint16_t{0};
    }
    uint16_t ReadBackWord(uint32_t address) const {
        return address < programSize_ ? cells_[address].readBack : uint16_t{0};
    }
    bool SetReadBackWord(uint32_t address, uint16_t word);
    bool BreakpointMarkAt(uint32_t address, BreakpointKind kind) const;
    // Sets or clears the mark of one kind (Address or SourceLine). False outside or for Any.
    bool SetBreakpointMark(uint32_t address, BreakpointKind kind, bool on);
    // Code, file, line and both marks of every cell to 0.
    void ClearProgramMemory();
    // The cell itself, for views that show several fields (nullptr outside the program memory).
    const ProgramCell* cellAt(uint32_t address) const {
        return address < programSize_ ? &cells_[address] : nullptr;
    }
    // A new value, unique in the process, after every change of a code word, a breakpoint mark
    // or the program size: the engine rebuilds its per-address records when it changes.
    uint64_t programStamp() const { return programStamp_; }

    // --- history (newest first) ---------------------------------------------------------------
    void RecordHistory(uint32_t address) {
        historyHead_ = (historyHead_ + 1) & (kHistorySize - 1);
        history_[historyHead_] = static_cast<uint16_t>(address);
    }
    // Entry 0 is the newest, 15 the oldest.
    uint16_t HistoryEntry(uint32_t i) const {
        return i < kHistorySize ? history_[(historyHead_ - i) & (kHistorySize - 1)] : uint16_t{0};
    }
    void ResetHistoryCursor() { historyCursor_ = 0; }
    // The entry at the cursor; the cursor then moves one older, and stays at the oldest.
    uint16_t NextHistoryEntry();
    uint32_t historyCursor() const { return historyCursor_; }
    void ClearHistory();

    // Reset command: timer prescaler and edge, data memory, stack, cycles, PC, sleep and idle,
    // history and the pending two-word operation all cleared. (The breakpoint-count mirror,
    // the stopped state and the run timer belong to run control.)
    void ResetCpu();

    StackStateText stackState() const { return stackStateText(data_[reg::kStackPointer]); }

  private:
    friend struct EngineCore;          // the instruction engine's hot path
    friend struct ReferenceEngineCore; // and the reference engine's
    friend struct MachineSnapshot;     // reverse execution's copy of the machine state

    void storeRegister(uint32_t address, uint8_t value);
    void programChanged();

    std::array<uint8_t, kDataSize> data_{};
    uint32_t pc_ = 0;
    uint32_t cycles_ = 0;
    uint32_t programSize_ = 4096;
    uint8_t pendingOp_ = 0;
    bool sleep_ = false;
    bool idle_ = false;
    bool simulatorMode_ = true;
    uint32_t pendingValue_ = 0; // kept target bits, partial byte, source address or pointer
    uint16_t prescaler_ = 0;
    bool timerEdge_ = false;
    uint8_t stackDepth_ = kDefaultStackDepth;
    uint32_t historyHead_ = 0;
    uint32_t historyCursor_ = 0;
    std::array<uint16_t, kHistorySize> history_{};
    std::array<uint32_t, kStackEntries> stack_{};
    std::vector<ProgramCell> cells_;
    uint64_t programStamp_ = 0;
    FixedBitRules fixedBits_;
    TRegRecord registerRecord_;
    std::function<std::string(uint32_t)> nameLookup_;
    EmulatorRegisterPort* emulatorPort_ = nullptr;
    Signal<uint32_t> registerChanged_;
};

} // namespace zerka
