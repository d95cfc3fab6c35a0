#pragma once
// The printer-port link: a synchronous serial line clocked by the host on three port signals
// (data out = control bit 0, frame = control bit 1, clock = control bit 3, data in = status
// bit 6; most significant bit first), its primitives and framed transactions, and the driver
// management mapped onto Linux ppdev.
#include "link/printer_port.h"
#include "link/usb_link.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zerka {

constexpr uint8_t kLptDataOut = 0x01;
constexpr uint8_t kLptFrame = 0x02;
constexpr uint8_t kLptClock = 0x08;
constexpr uint8_t kLptDataIn = 0x40;

// Each port request is tried this many times before it is dropped without a report.
constexpr int kLptRequestTries = 4;

// A provider that hands out one port owned elsewhere (the virtual unit's port).
class AttachedPortProvider : public PortProvider {
  public:
    explicit AttachedPortProvider(PrinterPort& port) : port_(port) {}
    int startService(uint16_t) override { return kServiceRunning; }
    void createService(uint16_t) override {}
    std::unique_ptr<PrinterPort> open(uint16_t base) override;

  private:
    PrinterPort& port_;
};

class LptLink {
  public:
    // `ioBuffer` is the link's packet buffer: block writes take their address and data from it.
    LptLink(IoBuffer& ioBuffer, std::unique_ptr<PortProvider> provider);

    uint16_t portBase = 0x378;
    // Always 1 here: the port is driven through the kernel driver, never by direct port
    // instructions.
    uint8_t portDriverMode = 1;

    // Driver management.
    bool lptOpen();
    int lptStartService();
    void lptCreateService();
    void lptClose();
    void lptInit();
    // Another port from now on: the one open is closed first.
    void setProvider(std::unique_ptr<PortProvider> provider) {
        port_.reset();
        provider_ = std::move(provider);
    }
    bool isOpen() const { return port_ != nullptr; }
    IoBuffer& ioBuffer() { return ioBuffer_; }
    std::string diagnosis() const { return provider_ ? provider_->diagnosis() : std::string(); }

    // Primitives. A refused read gives 0; a refused write has no effect.
    uint8_t portRead(PortRegister r);
    void portWrite(PortRegister r, uint8_t value);
    void lptStart();
    void lptEnd();
    void lptShiftOutByte(uint8_t value);
    uint8_t lptShiftInByte();
    void lptShiftOutWord(uint16_t value);
    uint16_t lptShiftInWord();
    uint8_t lptReadControl();
    void lptWriteControl(uint8_t value);
    // Software data protection of the emulator's EEPROM program memory: 0 and 2 disable it, 1
    // and 3 enable it.
    void lptEepromProtect(int mode);
    // Address bytes from ioBuffer[4..6], data from ioBuffer[7..7+count), then the write pulse.
    // False (nothing sent) when the data would reach past the buffer.
    bool lptBlockWrite(size_t count);
    void lptDelay(unsigned n);

    // Programmer primitives.
    void lptReset();
    void lptClearLines();
    uint16_t lptExchangeBytes(uint16_t value);
    uint16_t lptExchangeWord(uint16_t value);

  private:
    void clockOut(unsigned bit);
    unsigned clockIn();
    void shiftOut(unsigned value, int bits);
    unsigned shiftIn(int bits);
    unsigned exchangeBit(unsigned bit);
    void frameOfBytes(const uint8_t* bytes, size_t n);

    IoBuffer& ioBuffer_;
    std::unique_ptr<PortProvider> provider_;
    std::unique_ptr<PrinterPort> port_;
};

} // namespace zerka
