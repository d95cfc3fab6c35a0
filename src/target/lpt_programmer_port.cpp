#include "target/lpt_programmer_port.h"

#include "link/lpt_link.h"
#include "link/programmer_protocol.h"

namespace zerka {

bool LptProgrammerPort::read(PortRegister r, uint8_t& value) {
    switch (r) {
    case PortRegister::Data:
        value = data_;
        break;
    case PortRegister::Control:
        value = control_;
        break;
    case PortRegister::Status:
        value = powered() && (out_ & (0x8000u >> bits_)) ? kLptDataIn : 0;
        break;
    default:
        value = 0;
        break;
    }
    return true;
}

bool LptProgrammerPort::write(PortRegister r, uint8_t value) {
    if (r == PortRegister::Data) {
        const bool wasPowered = powered();
        data_ = value;
        if (powered() && !wasPowered) {
            in_ = out_ = 0;
            bits_ = 0;
            pending_ = Pending::None;
            address_ = 0;
            sbm_ = false;
        }
        return true;
    }
    if (r != PortRegister::Control) return true;
    const bool rising = !(control_ & kLptClock) && (value & kLptClock);
    const bool falling = (control_ & kLptClock) && !(value & kLptClock);
    control_ = value;
    if (!powered()) return true;
    if (rising) in_ = static_cast<uint16_t>(in_ << 1 | (value & kLptDataOut));
    if (falling && ++bits_ == 16) {
        bits_ = 0;
        command(in_);
        in_ = 0;
    }
    return true;
}

void LptProgrammerPort::command(uint16_t word) {
    const uint32_t limit = sbm_ ? kChipSbmWords : kChipCodeWords;
    auto current = [this] { return sbm_ ? chip_.sbm(address_) : chip_.code(address_); };
    if (pending_ == Pending::Address) {
        pending_ = Pending::None;
        address_ = word % limit;
        out_ = 0x5AA5;
        return;
    }
    if (pending_ == Pending::Program) {
        pending_ = Pending::None;
        const bool locked = (chip_.status & kChipStatusProtectBit) == 0;
        if (!vppFault_ && !locked) {
            if (sbm_)
                chip_.burnSbm(address_, word);
            else
                chip_.burnCode(address_, word);
            if (!sbm_) chip_.status &= 0xFFFE;
        }
        out_ = current();
        address_ = (address_ + 1) % limit;
        return;
    }
    switch (word) {
    case kLptProgReadId:
        out_ = chip_.present ? chip_.id : 0xFFFF;
        break;
    case kLptProgReadStatus:
        out_ = chip_.present ? chip_.status : 0xFFFF;
        break;
    case kLptProgSetAddress:
        pending_ = Pending::Address;
        break;
    case kLptProgRead:
        out_ = chip_.present ? current() : 0xFFFF;
        address_ = (address_ + 1) % limit;
        break;
    case kLptProgProgram:
        pending_ = Pending::Program;
        break;
    case kLptProgCodeSpace:
    case kLptProgSbmSpace:
        sbm_ = word == kLptProgSbmSpace;
        address_ = 0;
        break;
    case kLptProgProtect:
        if (!vppFault_) chip_.status &= static_cast<uint16_t>(~kChipStatusProtectBit);
        out_ = chip_.status;
        break;
    default:
        break;
    }
}

} // namespace zerka
