#pragma once
// The virtual target unit: a software model of the unit's firmware behind exactly the packets
// the host sends. It holds the in-circuit emulator (program memory, data memory, register space,
// control and status registers, a CPU that runs the downloaded program with the simulator's
// engine), the two-line display and the debug/programmer mode switch, and it can inject faults.
//
// The unit is reached through thin front ends (virtual_usb.h: in-process packets, bulk and HID
// devices, the socket server; virtual_port.h: the printer port at bit level); they all end up in
// hostWrite/hostRead or in the frame-level calls below.
//
// Register space (byte mode, addresses 1000h and up): 1000h breakpoint comparators (16 x 3
// bytes), 1030h executed-address trace (16 x 3 bytes, newest first), 1060h step count, 1061h
// cycle counter (4 bytes, the last of them doubling as the step base at 1064h), 1065h body
// identifier, 1067h data watch (mask, data, address high, address low), 106Bh program counter
// (3 bytes), 106Eh option byte, 106Fh core select (0 CX4A, 1 CX4B). Control bit 1 held low
// while the CPU is halted and raised again starts the system monitor.
// Word space (word mode): words 0..7FFFh program memory, 8000h information block (256 words),
// 8100h configuration block (256 words).
#include "link/ice_commands.h"
#include "target/programmer_unit.h"
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/engine.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zerka {

enum class UsbForm { Bulk, Hid };

struct TargetConfig {
    UsbForm usbForm = UsbForm::Bulk;
    uint16_t packetSize = 64; // bulk endpoint size; the HID form always moves 64-byte reports
    std::string model = "PROBEONE";
    uint32_t deviceNumber = 0x5A4B0001;
    uint32_t deviceNumber2 = 0x00020727;
    std::string firmware = "WRIV0210"; // programmer firmware text (letters W, R, I, V, 4 digits)
    uint16_t bodyId = 0x8010;
    RomType memoryType = RomType::Ram62256;
    // Words of program memory fitted: 8192 or 16384 make the addresses mirror.
    uint32_t programWords = CpuState::kMaxProgramWords;
    CoreType core = CoreType::CX4B;
    uint8_t stackDepth = CpuState::kDefaultStackDepth;
    // Instructions the CPU executes between two host packets while it runs.
    uint32_t runSlice = 20000;
    // The programmer side: socket chip, serial flash, faults.
    ProgrammerConfig programmer;
};

enum class FaultKind {
    None,
    NoAnswer,   // the unit stays silent: reads fail
    WrongByte,  // the first byte of every answer is wrong
    Disconnect, // the unit is unplugged: every transfer and every new connection fails
    Slow,       // every answer comes `delay` late
};

struct FaultPlan {
    FaultKind kind = FaultKind::None;
    uint32_t afterPackets = 0; // packets served normally before the fault starts
    uint32_t packets = 0;      // packets the fault lasts (0: for good)
    std::chrono::milliseconds delay{0};
};

enum class UnitMode { Debug, Programmer };

class TargetUnit {
  public:
    static constexpr size_t kHidReportBytes = 64;
    static constexpr size_t kDisplayChars = 32;

    explicit TargetUnit(TargetConfig config = {});
    TargetUnit(const TargetUnit&) = delete;
    TargetUnit& operator=(const TargetUnit&) = delete;

    const TargetConfig& config() const { return config_; }
    // The largest packet of the active USB form.
    size_t packetLimit() const;

    // ---- packet side (USB forms and the socket) -------------------------------------------
    // A host opened a connection: a block transfer left half-way is abandoned.
    void connectionOpened();
    // One packet from the host. False when the unit is unplugged.
    bool hostWrite(const uint8_t* data, size_t n);
    // The answer to the last packet, at most n bytes, into data[0..got). False: no answer.
    bool hostRead(uint8_t* data, size_t n, size_t& got);
    // How late the next answer comes (the Slow fault), 0 normally.
    std::chrono::milliseconds answerDelay() const;
    bool unplugged() const { return unplugged_; }
    void replug();

    // ---- printer-port side (virtual_port.h decodes the bits into these) -----------------
    // A frame started: counts as one packet for the faults.
    void frameStarted();
    uint8_t controlRegister() const { return control_; }
    void writeControl(uint8_t value);
    // Bit 2 of the status register: the CPU runs.
    uint8_t statusRegister();
    bool byteMode() const { return (control_ & kIceCtlByteMode) != 0; }
    uint8_t readByteStream(uint32_t a);
    // Stores one byte of a write stream at byte address a of the selected space. `programmed`:
    // the write comes with a programming pulse long enough for the EEPROM.
    void writeByteStream(uint32_t a, uint8_t value, bool programmed);
    // A single-byte write frame: the EEPROM's command cycles (software data protection).
    void eepromCommandCycle(uint32_t a, uint8_t value);
    // Port-side faults of the current frame.
    bool portSilent() const;
    bool portWrongByte() const;

    // ---- the emulator ----------------------------------------------------------------------
    CpuState& cpu() { return cpu_; }
    const CpuState& cpu() const { return cpu_; }
    uint16_t programWord(uint32_t wordAddress) const;
    void setProgramWord(uint32_t wordAddress, uint16_t value);
    uint16_t infoWord(uint32_t index) const { return index < kIceBlockWords ? info_[index] : 0; }
    uint16_t configWord(uint32_t index) const {
        return index < kIceBlockWords ? configBlock_[index] : 0;
    }
    bool running() const { return running_; }
    bool eepromLocked() const { return eepromLocked_; }
    uint8_t accessMode() const { return accessMode_; }
    uint32_t comparator(size_t k) const;
    uint8_t optionByte() const { return option_; }
    CoreType core() const { return engine_.core(); }
    void setCore(CoreType core);
    // A memory defect: reads of that byte come back with the bits of `stuckHigh` set. Program
    // memory bytes count in the word space (byte 2 k is the high byte of word k).
    void setStuckBits(bool programMemory, uint32_t byteAddress, uint8_t stuckHigh);
    // The unit's wake-up button: a sleeping CPU wakes.
    void pressWakeButton();
    // Runs the CPU for one slice now (the front ends do it before every packet).
    void tick();

    // ---- display and modes -------------------------------------------------------------------
    std::string displayText() const { return display_; }
    std::string displayLine(int line) const;
    UnitMode mode() const { return mode_; }
    // System monitor starts: control bit 1 held low on the halted emulator, then raised.
    int monitorStarts() const { return monitorStarts_; }
    ProgrammerUnit& programmer() { return programmer_; }
    bool handshakeComplete() const { return handshakeDone_; }

    // ---- faults and diagnostics
    // ------------------------------------------------------------------ Packets count from the
    // moment the plan is set.
    void setFault(const FaultPlan& plan);
    void clearFault() { setFault({}); }
    uint64_t packetsSeen() const { return totalPackets_; }
    // Called with a one-line description of every command (the server's --verbose).
    void setCommandLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

  private:
    bool faultActive(FaultKind kind) const;
    void reply(std::initializer_list<uint8_t> bytes);
    void replyBytes(std::vector<uint8_t> bytes);
    void logCommand(const std::string& text) const;

    void handlePacket(const uint8_t* p, size_t n);
    void handleSystem(const uint8_t* p, size_t n);
    void handleHandshake(const uint8_t* p, size_t n);
    void handleDisplay(const uint8_t* p, size_t n);
    void handleEmulator(const uint8_t* p, size_t n);
    void handleBlockHeader(const uint8_t* p, size_t n);
    void blockWriteChunk(const uint8_t* p, size_t n);

    uint8_t readRegister(uint32_t a);
    void writeRegister(uint32_t a, uint8_t value);
    uint8_t readDataByte(uint32_t a);
    void writeDataByte(uint32_t a, uint8_t value);
    uint16_t readWordSpace(uint32_t wordAddress) const;
    void writeWordSpace(uint32_t wordAddress, uint16_t value, bool programmed);
    uint32_t pcFromBytes() const;

    void startRun();
    void runStep();
    void stopRun() { running_ = false; }
    void placeComparatorMarks(bool on);

    TargetConfig config_;
    Engine engine_;
    CpuState cpu_;
    std::array<uint16_t, kIceBlockWords> info_{};
    std::array<uint16_t, kIceBlockWords> configBlock_{};

    // Emulator registers.
    uint8_t control_ = 0x12;
    std::array<uint8_t, 48> comparators_{};
    uint8_t stepCount_ = 0;
    std::array<uint8_t, 4> watch_{};
    std::array<uint8_t, 3> pcBytes_{};
    uint8_t option_ = 0;
    bool running_ = false;
    bool monitorHeld_ = false;
    int monitorStarts_ = 0;
    bool comparatorsOn_ = false;
    std::vector<uint32_t> markedCells_;
    bool eepromLocked_ = true;
    uint8_t accessMode_ = 3;
    std::array<uint8_t, 4> sdpProgress_{};
    struct StuckBits {
        bool program = false;
        uint32_t address = 0;
        uint8_t mask = 0;
    };
    std::vector<StuckBits> stuck_;

    // Packet state.
    std::vector<uint8_t> reply_;
    bool replyPending_ = false;
    struct Block {
        bool active = false;
        bool write = false;
        uint32_t address = 0; // next byte address
        uint32_t remaining = 0;
        bool programmed = false;
    } block_;
    bool blockChunkPending_ = false;
    bool handshakeDone_ = false;
    uint8_t handshakeKey_ = 0x5A;

    ProgrammerUnit programmer_;
    std::string display_ = std::string(kDisplayChars, ' ');
    size_t cursor_ = 0;
    UnitMode mode_ = UnitMode::Debug;

    FaultPlan fault_;
    uint64_t faultPackets_ = 0; // packets since the plan was set
    uint64_t totalPackets_ = 0;
    bool unplugged_ = false;
    std::function<void(const std::string&)> log_;
};

} // namespace zerka
