#pragma once
// The emulator operations the build-and-load pipeline calls, in words of their results. The
// shell's IceSession implements them over the link and the uP centre; tests may script them.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace zerka {

class UsbLink;

class EmulatorTarget {
  public:
    virtual ~EmulatorTarget() = default;

    // The link connect check: 0 reachable, 255 failed.
    virtual uint8_t connectCheck() = 0;
    // The emulator's chip-ID check: 0 matching, 1 mismatch, anything else not found.
    virtual int chipIdCheck() = 0;
    // The unit reports firmware 2.0 or later.
    virtual bool firmware2() = 0;
    // Debug and programmer mode of the unit; false when it refuses.
    virtual bool switchDebugMode() = 0;
    virtual bool switchProgrammerMode() = 0;
    // Selects the core and reads it back; false when either fails or the value differs.
    virtual bool selectCore(uint8_t coreVariant) = 0;
    // Writes the 256 information words and verifies them by reading back.
    virtual bool writeInfoBlock(const std::array<uint16_t, 256>& words) = 0;
    // Halt (stop with reset) and the system monitor start with its two 100 ms waits.
    virtual void haltAndStartMonitor() = 0;
    virtual bool rangeGuard(uint32_t limit) = 0;
    // 0 passed, 1 program memory error, 2 data memory error, other: failed without words.
    virtual int memoryTest() = 0;
    // Downloads the uP centre's program and verifies it (one retry inside).
    virtual bool downloadAndVerify() = 0;
    virtual bool mirrorTest8K() = 0;
    // Debug mode on the emulator: the uP centre runs there from now on; the emulator state is
    // refreshed and the options' watch trigger sent.
    virtual void enterDebug(uint16_t watchAddress, uint8_t watchData, uint8_t watchMask) = 0;
    // Back to the simulator branch (edit mode).
    virtual void leaveDebug() = 0;
    // The USB device still answers.
    virtual bool linkAlive() = 0;
    // The exit sequence's release of the device.
    virtual void release() = 0;

    // --- debug mode ------------------------------------------------------------------------
    // The chip-ID check with the identification word it read (0: the body sleeps).
    virtual int bodyCheck(uint16_t& word) {
        word = 0xFFFF;
        return chipIdCheck();
    }
    // The link layer's state: 0 connected, 255 a transfer failed.
    virtual uint8_t linkStatus() { return 0; }
    // Verifies the emulator's program memory against the loaded program.
    virtual bool checkProgramMemory() { return false; }
    // The full memory test: 0 passed, 1 program memory, 2 data memory (with the failing
    // position), anything else the link failed.
    virtual int fullMemoryTest(uint32_t& position) {
        position = 0;
        return 3;
    }
    // Downloads the loaded program again.
    virtual bool reloadProgram() { return false; }
    // The USB link the programmer shares with the emulator (null: none).
    virtual UsbLink* usbLink() { return nullptr; }
    // After a load: the built-in EEPROM's reserved breakpoints when the body emulates it. True
    // when more accesses were recorded than can be reserved.
    virtual bool placeSelfEromBreakpoints(std::span<const uint32_t> /*accesses*/) { return false; }
    // A watch trigger changed while debugging: sent at once and kept for the next runs.
    virtual void setWatch(uint16_t /*address*/, uint8_t /*data*/, uint8_t /*mask*/) {}
};

} // namespace zerka
