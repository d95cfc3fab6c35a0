#pragma once
// The emulator's wire, named once for both ends: the host's command layer sends it and the
// virtual unit answers it, so neither can drift from the other. Command and reply bytes, the
// control register's bits, the register addresses, the address bytes of a memory transfer and
// the EEPROM protection cycles.
#include <array>
#include <cstddef>
#include <cstdint>

namespace zerka {

// First byte of a packet.
constexpr uint8_t kIceMemoryCommand = 0xA4;
constexpr uint8_t kUnitSystemCommand = 0xF9;
// Second byte of a system command.
constexpr uint8_t kSystemSetDeviceNumber = 0x01;
constexpr uint8_t kSystemProbe = 0x02; // answered FF FF by a unit that is there
constexpr uint8_t kSystemDeviceNumber = 0x04;
constexpr uint8_t kSystemDeviceNumber2 = 0x06;
constexpr uint8_t kSystemFirmwareText = 0x09;
constexpr uint8_t kSystemModeSwitch = 0x0C;
constexpr uint8_t kSystemModel = 0xAC; // eight characters: "PROBEONE" or "PROBETWO"

// Replies.
constexpr uint8_t kUnitAck = 0xFA;
constexpr uint8_t kUnitBlockAck = 0xAA;
// Every byte of the answer to an emulator command while the programmer has the unit.
constexpr uint8_t kUnitBusy = 0xEE;

// The emulator's control register.
constexpr uint8_t kIceCtlMonitor = 0x02; // bit 1: the monitor has the chip
constexpr uint8_t kIceCtlRun = 0x04;     // bit 2: run request
constexpr uint8_t kIceCtlByteMode = 0x08;
constexpr uint8_t kIceCtlWordMode = 0x10;
constexpr uint8_t kIceCtlStep = 0x20;
constexpr uint8_t kIceCtlComparators = 0x40;
constexpr uint8_t kIceCtlStopOnStack = 0x80;

// Emulator register addresses (byte mode). Below the register space lies the data memory; from
// its end on, a single byte written is an EEPROM command cycle.
constexpr uint16_t kIceRegisterSpace = 0x1000;
constexpr uint16_t kIceBreakTable = 0x1000;
constexpr uint16_t kIceTrace = 0x1030;
constexpr uint16_t kIceStepCount = 0x1060;
constexpr uint16_t kIceCycles = 0x1061;
constexpr uint16_t kIceStepBase = 0x1064;
constexpr uint16_t kIceBodyIdAddress = 0x1065;
constexpr uint16_t kIceWatch = 0x1067;
constexpr uint16_t kIcePc = 0x106B;
constexpr uint16_t kIceOption = 0x106E;
constexpr uint16_t kIceCoreSelect = 0x106F; // 0 CX4A, 1 CX4B
constexpr uint16_t kIceRegisterEnd = 0x1100;
// Word addresses above the program memory: the information block and the configuration block,
// 256 words each.
constexpr uint32_t kIceInfoBlockAddress = 0x8000;
constexpr uint32_t kIceConfigWordAddress = 0x8100;
constexpr uint32_t kIceBlockWords = 256;
constexpr uint16_t kBody8024 = 0x8024;

// The three address bytes of emulator address A with the direction bit (1 read, 0 write):
// 0x40 + A >> 15, bits 14..7, bits 6..0 shifted left by one OR the direction. Word accesses use
// A = 2 x word address, byte accesses the byte address.
constexpr std::array<uint8_t, 3> iceAddressBytes(uint32_t a, bool read) {
    return {static_cast<uint8_t>(0x40 | ((a >> 15) & 0x3F)), static_cast<uint8_t>((a >> 7) & 0xFF),
            static_cast<uint8_t>(((a & 0x7F) << 1) | (read ? 1 : 0))};
}
constexpr uint32_t iceAddressFromBytes(const uint8_t* b) {
    return static_cast<uint32_t>(b[0] & 0x3F) << 15 | static_cast<uint32_t>(b[1]) << 7 |
           static_cast<uint32_t>(b[2] >> 1);
}
constexpr bool iceAddressReads(const uint8_t* b) {
    return (b[2] & 1) != 0;
}

// The software data protection of a 28C256-type EEPROM: writes to its command addresses, six to
// switch the protection off, three to switch it on; the upper half of the memory has its own.
struct EepromCycle {
    uint32_t address;
    uint8_t data;
};
struct EepromProtectSequence {
    std::array<EepromCycle, 6> cycles;
    size_t length;
    bool locks;
};
// AAh to the command address and 55h to 2AAAh open each sequence; then A0h switches the
// protection on, or 80h, AAh, 55h, 20h switch it off.
constexpr EepromProtectSequence eepromProtectSequence(uint32_t commandAddress, bool on) {
    const uint32_t a = commandAddress;
    if (on) return {{{{a, 0xAA}, {0x2AAA, 0x55}, {a, 0xA0}}}, 3, true};
    return {
        {{{a, 0xAA}, {0x2AAA, 0x55}, {a, 0x80}, {a, 0xAA}, {0x2AAA, 0x55}, {a, 0x20}}}, 6, false};
}
// By mode: 0 off and 1 on for the lower half, 2 off and 3 on for the upper half.
constexpr std::array<EepromProtectSequence, 4> kEepromProtectSequences = {
    eepromProtectSequence(0x5555, false), eepromProtectSequence(0x5555, true),
    eepromProtectSequence(0x9555, false), eepromProtectSequence(0x9555, true)};

} // namespace zerka
