#pragma once
// The older programmer on the printer port, as a port the link can open. It holds its own chip
// socket and speaks in 16-bit exchanges (lptExchangeWord): on every rising clock edge it takes
// the data-out bit, while status bit 6 shows the next bit of its answer register, most
// significant first. Data register bits 0 and 1 power the socket; raising both after a low
// resets the programmer. Commands (the word after a command that takes one is its argument):
//   0000h nothing          1000h answer the identifier     2000h answer the status word
//   3000h set the address (argument)                       4000h answer the word at the address
//   5000h program the word at the address (argument), answer it after the pulse
//   6000h code space       6001h SBM space                 7000h protect
// Reading and programming move the address on by one.
#include "link/printer_port.h"
#include "target/socket_chip.h"

#include <cstdint>
#include <memory>

namespace zerka {

class LptProgrammerPort : public PrinterPort {
  public:
    LptProgrammerPort() = default;
    bool read(PortRegister r, uint8_t& value) override;
    bool write(PortRegister r, uint8_t value) override;

    SocketChip& chip() { return chip_; }
    bool powered() const { return (data_ & 0x03) == 0x03; }
    // The programming voltage fails: no programming pulse has an effect.
    void setVppFault(bool on) { vppFault_ = on; }

  private:
    void command(uint16_t word);

    SocketChip chip_;
    uint8_t data_ = 0;
    uint8_t control_ = 0;
    uint16_t in_ = 0;
    uint16_t out_ = 0;
    int bits_ = 0;
    enum class Pending { None, Address, Program } pending_ = Pending::None;
    uint32_t address_ = 0;
    bool sbm_ = false;
    bool vppFault_ = false;
};

} // namespace zerka
