#pragma once
// The registers of a PC printer port as the link uses them. Linux ppdev implements them for a
// real port; the virtual target unit implements them and decodes the signalling bit by bit.
#include <cstdint>
#include <memory>
#include <string>

namespace zerka {

enum class PortRegister {
    Data,           // base
    Status,         // base + 1
    Control,        // base + 2
    ExtendedControl // base + 0x402
};

// Offset of a register from the port base.
constexpr uint16_t portOffset(PortRegister r) {
    switch (r) {
    case PortRegister::Data:
        return 0;
    case PortRegister::Status:
        return 1;
    case PortRegister::Control:
        return 2;
    case PortRegister::ExtendedControl:
        return 0x402;
    }
    return 0;
}

class PrinterPort {
  public:
    virtual ~PrinterPort() = default;
    // One register access; false when the request was refused (the caller retries).
    virtual bool read(PortRegister r, uint8_t& value) = 0;
    virtual bool write(PortRegister r, uint8_t value) = 0;
    // Whether the extended control register can be reached at all.
    virtual bool hasExtendedControl() const { return true; }
};

// Result codes of starting the port driver, in their Linux meaning.
enum PortServiceCode : int {
    kServiceStarted = 0,        // the port is usable now
    kServiceAccessDenied = 5,   // /dev/parportN exists but may not be opened by this user
    kServiceInvalidName = 123,  // no port base chosen
    kServiceRunning = 1056,     // the port device is present and may be opened
    kServiceOtherFailure = 3,   // anything else (for example the port is claimed elsewhere)
    kServiceDidNotExist = 1060, // no parport device for this base (ppdev or the port missing)
};

// How the link reaches a printer port: the kernel's ppdev devices, or a virtual unit's port.
class PortProvider {
  public:
    virtual ~PortProvider() = default;
    virtual int startService(uint16_t base) = 0;
    virtual void createService(uint16_t base) = 0;
    // Opens and claims the port at `base`; nullptr when that is not possible.
    virtual std::unique_ptr<PrinterPort> open(uint16_t base) = 0;
    // Why the port is not usable, in words for the user (empty when it is).
    virtual std::string diagnosis() const { return {}; }
};

} // namespace zerka
