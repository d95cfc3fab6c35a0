#pragma once
// The in-circuit emulator's command protocol: memory and register access by address, the
// control and status registers, run control, identification and set-up, over the USB link or
// the printer port.
#include "core/ui_host.h"
#include "link/ice_protocol.h"
#include "link/lpt_link.h"
#include "link/usb_link.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace zerka {

enum class RomType { Ram62256, Eeprom28C256, Other };

// What the command layer needs to know of the chip, the options and the interface. The caller
// fills it from the chip model and the options and keeps it current.
struct IceSettings {
    bool usb = true;                  // interface index 4; otherwise the printer port
    bool stopOnStackOverflow = false; // "STOP When OV Stack"
    RomType romSelect = RomType::Ram62256;
    int stackDepth = 8;
    std::vector<uint16_t> emulatorIds;
    // implementedBits of a data register listed in the bit-register catalogue; nullopt when it
    // is not listed.
    std::function<std::optional<uint8_t>(uint16_t)> bitRegisterMask;
    uint8_t coreVariant = 0;
    uint8_t selfEromMode = 0;
    uint16_t selfEromPage = 0;
    std::array<uint16_t, 4> selfEromParam{};
};

// A wait of the given length (the GUI lets messages through meanwhile; tests record it).
using WaitHook = std::function<void(std::chrono::milliseconds)>;
// Waits on the steady clock, calling `yield` (when set) while it waits.
WaitHook clockWait(YieldHook yield = {});

// The first seven bytes of a memory transfer in `io`: the command byte, the three address bytes
// of A and the byte count as three bytes, most significant first.
void putTransferHeader(IoBuffer& io, uint8_t command, uint32_t a, bool read, size_t count);

struct IceStopPoll {
    bool stopped = false;
    bool linkLost = false;
};

class IceCommands {
  public:
    IceCommands(UsbLink& usb, LptLink& lpt, const IceSettings& settings, WaitHook wait = {});

    // Memory through the packet buffer: data to write stands at ioBuffer[7..], data read
    // arrives at ioBuffer[0..]. Transfers longer than one packet allows are split.
    bool iceReadWords(uint32_t wordAddress, size_t byteCount);
    bool iceWriteWords(uint32_t wordAddress, size_t byteCount);
    bool iceReadBytes(uint32_t address, size_t count);
    bool iceWriteBytes(uint32_t address, size_t count);
    // The same for data of any length held by the caller.
    bool iceReadWords(uint32_t wordAddress, std::span<uint8_t> out);
    bool iceWriteWords(uint32_t wordAddress, std::span<const uint8_t> data);
    bool iceReadBytes(uint32_t address, std::span<uint8_t> out);
    bool iceWriteBytes(uint32_t address, std::span<const uint8_t> data);

    uint16_t iceReadWord(uint32_t wordAddress);
    bool iceWriteWord(uint32_t wordAddress, uint16_t value);
    uint8_t iceReadByte(uint32_t address);
    bool iceWriteByte(uint32_t address, uint8_t value);

    bool iceSelectWordMode();
    bool iceSelectByteMode();

    bool iceEnd();
    uint8_t iceReadControl(); // 0xFF on failure
    bool iceWriteControl(uint8_t value);
    uint8_t iceReadStatus(); // 0 on failure

    // Emulation-memory access mode (2 or 3); only for "EEPROM 28C256", else nothing is sent.
    bool iceAccessMode(uint8_t mode);
    // EEPROM program-memory mode around configuration downloads; nothing is sent for
    // "RAM 62256".
    bool iceEepromMode(bool on);

    // Run control.
    bool iceGo();
    bool iceGoVariant();
    bool iceStep(uint8_t n);
    bool iceHalt();
    bool iceStopOnStack();
    bool iceBit1Clear();
    bool iceBit1Set();
    IceStopPoll iceStopped();
    // The hardware stack, level 1 first (24 bits each); nullopt on failure.
    std::optional<std::vector<uint32_t>> iceReadStack();

    // Identification and set-up.
    uint8_t readIceBodyId(); // 0 supported, 1 not supported by this chip, 255 no answer
    uint16_t iceBodyId() const { return iceBodyId_; }
    uint16_t matchedBodyId() const { return matchedBodyId_; }
    bool iceSetWatch(uint8_t mask, uint8_t data, uint16_t address);
    bool iceWriteBreakTable(const std::array<uint32_t, 16>& values);
    bool iceWriteOption(uint8_t value);
    uint8_t iceReadOption();
    bool icePrepareRun();
    // `breakpoints`: the uP centre's breakpoint addresses in its order.
    bool iceDownloadConfig(std::span<const uint32_t> breakpoints);
    std::vector<uint8_t> configurationBlock(std::span<const uint32_t> breakpoints) const;

    // The unit's two modes, switched with its system command F9h 0Ch (0 debug mode: the host
    // drives the emulator; 1 programmer mode). False when the unit refuses (it is busy) or the
    // transfer fails; only a failed transfer counts as a lost link. The printer port has no
    // modes: true without a transfer.
    bool iceDebugMode();
    bool iceProgrammerMode();
    // The firmware version text of F9h 09h: "WRIV" and four digits read as a decimal number
    // (0210 is version 2.10). nullopt when the unit does not answer with such a text or the
    // link is the printer port.
    std::optional<int> iceFirmwareVersion();
    bool iceFirmwareAtLeast2(); // version 0200 and up
    // The system monitor of the halted emulator: control bit 1 held low starts it, raising it
    // again finishes the start.
    bool iceMonitorStart();
    bool iceMonitorFinish();

    // Values kept by icePrepareRun for registers 0x77, 0x7D and 0x194.
    uint8_t kept77() const { return kept77_; }
    uint8_t kept7D() const { return kept7D_; }
    uint8_t kept194() const { return kept194_; }

    // The printer port's framed memory access at emulator address A (2 x word address for
    // words); EEPROM word writes go out in pages of 32 words through the slow page write.
    // `progress` (when set) hears the bytes moved so far of the total: after each page, every
    // 256 bytes of words and at the end of a frame.
    using TransferProgress = std::function<void(size_t done, size_t total)>;
    void lptRead(uint32_t a, std::span<uint8_t> out, bool words,
                 const TransferProgress& progress = {});
    void lptWrite(uint32_t a, std::span<const uint8_t> data, bool words,
                  const TransferProgress& progress = {});

  private:
    bool fail();
    bool switchMode(uint8_t mode);
    bool exchange(size_t writeLength, size_t readLength);
    bool acknowledged(size_t writeLength, size_t readLength);
    std::optional<uint8_t> readControl();
    bool modifyControl(uint8_t clear, uint8_t set);
    bool runValue(uint8_t value);
    bool usbRead(uint32_t a, uint8_t* out, size_t count, bool words);
    bool usbWrite(uint32_t a, const uint8_t* data, size_t count, bool words);
    bool readMemory(uint32_t a, uint8_t* out, size_t count, bool words);
    bool readIntoBuffer(uint32_t a, size_t count, bool words);
    bool writeFromBuffer(uint32_t a, size_t count, bool words);
    bool writeMemory(uint32_t a, const uint8_t* data, size_t count, bool words);
    void wait(int ms);

    UsbLink& usb_;
    LptLink& lpt_;
    const IceSettings& settings_;
    WaitHook wait_;
    uint16_t iceBodyId_ = 0;
    uint16_t matchedBodyId_ = 0;
    uint8_t kept77_ = 0xFF;
    uint8_t kept7D_ = 0xFF;
    uint8_t kept194_ = 0xF0;
};

} // namespace zerka
