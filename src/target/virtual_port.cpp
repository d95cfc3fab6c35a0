#include "target/virtual_port.h"

#include "link/lpt_link.h"

namespace zerka {

namespace {

// The end condition's two clock pulses come after the last data bit.
constexpr size_t kEndPulses = 2;

} // namespace

bool VirtualPrinterPort::read(PortRegister r, uint8_t& value) {
    if (unit_.unplugged()) return false;
    switch (r) {
    case PortRegister::Data:
        value = data_;
        return true;
    case PortRegister::Control:
        value = control_;
        return true;
    case PortRegister::ExtendedControl:
        value = extended_;
        return true;
    case PortRegister::Status:
        if (inFrame_) {
            value = static_cast<uint8_t>(dataIn_ ? kLptDataIn : 0);
        } else {
            // Between frames the line tells whether the CPU runs (bit 2 of status >> 4).
            unit_.tick();
            value = static_cast<uint8_t>((unit_.statusRegister() & 0x04) ? kLptDataIn : 0);
        }
        return true;
    }
    return false;
}

bool VirtualPrinterPort::write(PortRegister r, uint8_t value) {
    if (unit_.unplugged()) return false;
    switch (r) {
    case PortRegister::Data:
        data_ = value;
        return true;
    case PortRegister::ExtendedControl:
        extended_ = value;
        return true;
    case PortRegister::Status:
        return true;
    case PortRegister::Control:
        break;
    }
    const uint8_t before = control_;
    control_ = value;
    const bool frameFell = (before & kLptFrame) && !(value & kLptFrame);
    const bool frameRose = !(before & kLptFrame) && (value & kLptFrame);
    const bool clockRose = !(before & kLptClock) && (value & kLptClock);
    if (frameFell && !(value & kLptClock)) {
        startFrame();
    } else if (frameRose) {
        if (inFrame_) endFrame();
    } else if (clockRose && inFrame_) {
        risingEdge(value & kLptDataOut);
    }
    return true;
}

void VirtualPrinterPort::startFrame() {
    ++frames_;
    unit_.frameStarted();
    inFrame_ = true;
    phase_ = Phase::Header;
    bits_.clear();
    address_ = 0;
    dataIn_ = 0;
    outBits_ = 0;
    firstOutputBit_ = true;
}

unsigned VirtualPrinterPort::nextOutputBit() {
    if (outBits_ == 0) {
        if (phase_ == Phase::ControlRead) {
            outWord_ = unit_.controlRegister();
            outBits_ = 8;
        } else if (unit_.byteMode()) {
            outWord_ = unit_.readByteStream(outAddress_++);
            outBits_ = 8;
        } else {
            outWord_ = static_cast<uint32_t>(unit_.readByteStream(outAddress_)) << 8 |
                       unit_.readByteStream(outAddress_ + 1);
            outAddress_ += 2;
            outBits_ = 16;
        }
    }
    --outBits_;
    unsigned bit = (outWord_ >> outBits_) & 1u;
    if (unit_.portSilent()) bit = 0;
    if (firstOutputBit_ && unit_.portWrongByte()) bit ^= 1u;
    firstOutputBit_ = false;
    return bit;
}

void VirtualPrinterPort::risingEdge(unsigned bit) {
    switch (phase_) {
    case Phase::ControlRead:
    case Phase::MemoryRead:
        // The host samples while the clock is high: the next bit goes on the line now.
        dataIn_ = nextOutputBit();
        return;
    case Phase::Ignore:
        return;
    default:
        break;
    }
    bits_.push_back(static_cast<uint8_t>(bit));
    if (phase_ == Phase::Header && bits_.size() == 2) {
        if (bits_[0] == 0 && bits_[1] == 0) {
            phase_ = Phase::ControlWrite;
        } else if (bits_[0] == 1 && bits_[1] == 0) {
            phase_ = Phase::ControlRead;
            bits_.clear();
        } else if (bits_[0] == 0 && bits_[1] == 1) {
            phase_ = Phase::Address;
        } else {
            phase_ = Phase::Ignore;
        }
    } else if (phase_ == Phase::Address && bits_.size() == 24) {
        uint8_t b[3] = {};
        for (size_t i = 0; i < 24; ++i)
            b[i / 8] = static_cast<uint8_t>(b[i / 8] << 1 | bits_[i]);
        address_ = static_cast<uint32_t>(b[0] & 0x3F) << 15 | static_cast<uint32_t>(b[1]) << 7 |
                   static_cast<uint32_t>(b[2] >> 1);
        bits_.clear();
        if (b[2] & 1) {
            phase_ = Phase::MemoryRead;
            outAddress_ = address_;
        } else {
            phase_ = Phase::MemoryWrite;
        }
    }
}

void VirtualPrinterPort::endFrame() {
    inFrame_ = false;
    dataIn_ = 0;
    const size_t n = bits_.size() >= kEndPulses ? bits_.size() - kEndPulses : 0;
    auto byteAt = [this](size_t k) {
        uint8_t v = 0;
        for (size_t i = 0; i < 8; ++i)
            v = static_cast<uint8_t>(v << 1 | bits_[8 * k + i]);
        return v;
    };
    if (phase_ == Phase::ControlWrite && n >= 10) {
        uint8_t v = 0;
        for (size_t i = 2; i < 10; ++i)
            v = static_cast<uint8_t>(v << 1 | bits_[i]);
        // The write pulse after an EEPROM page: the byte-mode bit goes up.
        if (page_ && (v & kIceCtlByteMode) && !(unit_.controlRegister() & kIceCtlByteMode)) {
            for (size_t i = 0; i < page_->bytes.size(); ++i)
                unit_.writeByteStream(page_->address + static_cast<uint32_t>(i), page_->bytes[i],
                                      true);
        }
        page_.reset();
        unit_.writeControl(v);
    } else if (phase_ == Phase::MemoryWrite) {
        const size_t bytes = n / 8;
        if (bytes == 1 && (!unit_.byteMode() || address_ >= kIceRegisterEnd)) {
            unit_.eepromCommandCycle(address_, byteAt(0));
        } else if (!unit_.byteMode() && unit_.config().memoryType == RomType::Eeprom28C256) {
            page_ = std::make_unique<Page>();
            page_->address = address_;
            for (size_t k = 0; k + 1 < bytes; k += 2) {
                page_->bytes.push_back(byteAt(k));
                page_->bytes.push_back(byteAt(k + 1));
            }
        } else {
            const size_t count = unit_.byteMode() ? bytes : bytes & ~size_t{1};
            for (size_t k = 0; k < count; ++k)
                unit_.writeByteStream(address_ + static_cast<uint32_t>(k), byteAt(k), true);
        }
    }
    phase_ = Phase::Ignore;
    bits_.clear();
}

} // namespace zerka
