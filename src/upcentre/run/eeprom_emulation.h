#pragma once
// The built-in EEPROM (BIE) on an emulator body that has none (8024h). The EEPROM words live in
// the emulator's program memory from word 4000h and the control register in data bank 4. Every
// instruction that touches the control register is stepped in a patched form that reaches the
// bank-4 copy; the host then serves the read or write request the program made.
//
// The component keeps no state between steps: the request bits, the address registers and the
// EEPROM words all live in the emulator. It talks to the emulator through EepromTarget and to
// the mirror through the CpuState, whose WriteRegister writes through to the emulator.
#include "core/ui_host.h"
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/instruction_set.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace zerka {

struct ChipModel;
class IceCommands;

// What the emulation needs of the emulator.
class EepromTarget {
  public:
    virtual ~EepromTarget() = default;
    // Opens and closes a program-memory patch: EEPROM program-memory mode on and access mode 2,
    // then access mode 3 and the mode off.
    virtual bool beginPatch() = 0;
    virtual void endPatch() = 0;
    // False / 0 on a failed transfer (the link layer has then marked the link as lost).
    virtual bool readWord(uint32_t wordAddress, uint16_t& value) = 0;
    virtual bool writeWord(uint32_t wordAddress, uint16_t value) = 0;
    virtual bool writeWords(uint32_t wordAddress, std::span<const uint16_t> words) = 0;
    virtual bool readByte(uint32_t address, uint8_t& value) = 0;
    // iceStep(n), then iceHalt.
    virtual bool stepAndHalt(uint8_t n) = 0;
    // The program counter at 106Bh.
    virtual bool readPC(uint32_t& pc) = 0;
};

struct EepromConfig {
    uint8_t mode = 0;  // selfEromMode: 0 none, 1/2 64 words (AND-write), 3/4 two-byte address
    uint16_t page = 0; // selfEromPage: its low byte is the control register's data address
    uint16_t base = 0; // selfEromBase: 400h + that byte, the emulator's copy in bank 4
    std::array<uint16_t, 4> param{}; // address high, address low, data high, data low
    CoreType core = CoreType::CX4B;

    static EepromConfig fromChip(const ChipModel& chip);
    uint8_t controlAddress() const { return static_cast<uint8_t>(page); }
};

// Where the EEPROM words start in the emulator's program memory.
inline constexpr uint32_t kEepromWordBase = 0x4000;
inline constexpr uint8_t kEepromReadRequest = 0x01;
inline constexpr uint8_t kEepromWriteRequest = 0x02;
inline constexpr std::string_view kEepromOverflowMessage =
    "Warning: BIE Pointer overflow, May cap the previous data!!";

class EepromEmulation {
  public:
    enum class Request { None, Read, Write, Refused /* write while 1Eh > 3Fh */ };

    EepromEmulation(CpuState& cpu, EepromTarget& target, UiHost* ui = nullptr)
        : cpu_(cpu), target_(target), ui_(ui) {}

    void setConfig(const EepromConfig& config) { config_ = config; }
    const EepromConfig& config() const { return config_; }
    void setUiHost(UiHost* ui) { ui_ = ui; }

    // True when `word` touches the control register: the byte and bit instructions on its
    // access-bank address with bank select 0, BTGF among them, and MVFF reading it.
    bool isAccess(const InstructionSet& set, uint16_t word) const;

    // The patched step of the access at the mirror's PC and the request it made. Mirror refresh
    // and notifications are the caller's. Returns the request that was served.
    Request emulatedStep(const InstructionSet& set);

    // The EEPROM word address the address registers of the mirror give (without 4000h).
    uint32_t eepromAddress() const;

  private:
    void writeRequest();
    void readRequest();
    void advance(uint32_t address, bool afterWrite);
    bool patchWord(uint32_t wordAddress, uint16_t value);
    bool patchWords(uint32_t wordAddress, std::span<const uint16_t> words);
    uint8_t mirror(uint32_t address) const { return cpu_.ReadData(address); }

    CpuState& cpu_;
    EepromTarget& target_;
    UiHost* ui_ = nullptr;
    EepromConfig config_;
};

// EepromTarget over the emulator command layer.
class IceEepromTarget : public EepromTarget {
  public:
    explicit IceEepromTarget(IceCommands& ice) : ice_(ice) {}
    bool beginPatch() override;
    void endPatch() override;
    bool readWord(uint32_t wordAddress, uint16_t& value) override;
    bool writeWord(uint32_t wordAddress, uint16_t value) override;
    bool writeWords(uint32_t wordAddress, std::span<const uint16_t> words) override;
    bool readByte(uint32_t address, uint8_t& value) override;
    bool stepAndHalt(uint8_t n) override;
    bool readPC(uint32_t& pc) override;

  private:
    IceCommands& ice_;
};

} // namespace zerka
