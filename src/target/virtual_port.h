#pragma once
// The virtual unit's printer-port face: the port registers as the host sees them, with the
// unit decoding the serial line bit by bit (data out = control bit 0, frame = control bit 1,
// clock = control bit 3 with data taken on the rising edge, data in = status bit 6; most
// significant bit first).
//
// A frame runs from the falling edge of the frame line to its rising edge; the two clock
// pulses of the end condition carry no data. The first two bits tell the transaction:
// 0,0 control register write (8 bits follow), 1,0 control register read (the unit shifts 8
// bits out), 0,1 memory access (the rest of the three address bytes, then data; words in word
// mode, bytes in byte mode). A memory write of a single byte is an EEPROM command cycle. An
// EEPROM page arrives as a word write and is programmed by the write pulse that follows (the
// byte-mode bit raised in the control register). Between frames status bit 6 shows that the
// CPU runs.
#include "link/printer_port.h"
#include "target/target_unit.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace zerka {

class VirtualPrinterPort : public PrinterPort {
  public:
    explicit VirtualPrinterPort(TargetUnit& unit) : unit_(unit) {}
    bool read(PortRegister r, uint8_t& value) override;
    bool write(PortRegister r, uint8_t value) override;
    uint64_t frames() const { return frames_; }

  private:
    enum class Phase {
        Header,
        Address,
        ControlWrite,
        ControlRead,
        MemoryWrite,
        MemoryRead,
        Ignore
    };

    void startFrame();
    void endFrame();
    void risingEdge(unsigned bit);
    unsigned nextOutputBit();

    TargetUnit& unit_;
    uint8_t data_ = 0;
    uint8_t control_ = 0x02;
    uint8_t extended_ = 0;
    bool inFrame_ = false;
    Phase phase_ = Phase::Ignore;
    std::vector<uint8_t> bits_; // bits shifted in during this frame
    uint32_t address_ = 0;
    // Output: the bits of the current item, most significant first.
    uint32_t outWord_ = 0;
    int outBits_ = 0;
    uint32_t outAddress_ = 0;
    bool firstOutputBit_ = true;
    unsigned dataIn_ = 0;
    uint64_t frames_ = 0;
    // An EEPROM page waiting for its write pulse.
    struct Page {
        uint32_t address = 0;
        std::vector<uint8_t> bytes;
    };
    std::unique_ptr<Page> page_;
};

} // namespace zerka
