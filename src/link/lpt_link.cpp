#include "link/lpt_link.h"

#include "link/ice_protocol.h"

namespace zerka {

namespace {

// Forwards to a port that belongs to someone else.
class BorrowedPort : public PrinterPort {
  public:
    explicit BorrowedPort(PrinterPort& port) : port_(port) {}
    bool read(PortRegister r, uint8_t& value) override { return port_.read(r, value); }
    bool write(PortRegister r, uint8_t value) override { return port_.write(r, value); }
    bool hasExtendedControl() const override { return port_.hasExtendedControl(); }

  private:
    PrinterPort& port_;
};

bool knownBase(uint16_t base) {
    return base == 0x378 || base == 0x3BC || base == 0x278;
}

} // namespace

std::unique_ptr<PrinterPort> AttachedPortProvider::open(uint16_t /*base*/) {
    return std::make_unique<BorrowedPort>(port_);
}

LptLink::LptLink(IoBuffer& ioBuffer, std::unique_ptr<PortProvider> provider)
    : ioBuffer_(ioBuffer), provider_(std::move(provider)) {}

bool LptLink::lptOpen() {
    if (port_) return true;
    portDriverMode = 1;
    if (!provider_) return false;
    port_ = provider_->open(portBase);
    if (port_) return true;
    if (lptStartService() == kServiceDidNotExist) lptStartService();
    port_ = provider_->open(portBase);
    return port_ != nullptr;
}

int LptLink::lptStartService() {
    if (!provider_) return kServiceOtherFailure;
    const int code = provider_->startService(portBase);
    if (code == kServiceDidNotExist) lptCreateService();
    return code;
}

void LptLink::lptCreateService() {
    if (provider_) provider_->createService(portBase);
}

void LptLink::lptClose() {
    port_.reset();
}

void LptLink::lptInit() {
    lptOpen();
    if (!knownBase(portBase)) return;
    if (port_ && port_->hasExtendedControl()) {
        const uint8_t ecr = portRead(PortRegister::ExtendedControl);
        portWrite(PortRegister::ExtendedControl, static_cast<uint8_t>((ecr & 0x1F) | 0x20));
    }
    portWrite(PortRegister::Data, 0);
    portWrite(PortRegister::Control,
              static_cast<uint8_t>((portRead(PortRegister::Control) & 0xD0) | 0x06));
}

uint8_t LptLink::portRead(PortRegister r) {
    uint8_t value = 0;
    if (!port_) return value;
    for (int attempt = 0; attempt < kLptRequestTries; ++attempt) {
        uint8_t v = 0;
        if (port_->read(r, v)) return v;
    }
    return value;
}

void LptLink::portWrite(PortRegister r, uint8_t value) {
    if (!port_) return;
    for (int attempt = 0; attempt < kLptRequestTries; ++attempt)
        if (port_->write(r, value)) return;
}

void LptLink::lptStart() {
    uint8_t c = portRead(PortRegister::Control);
    c = static_cast<uint8_t>((c | kLptFrame) & ~kLptClock & ~kLptDataOut);
    portWrite(PortRegister::Control, c);
    portWrite(PortRegister::Control, static_cast<uint8_t>(c & ~kLptFrame));
}

void LptLink::lptEnd() {
    const uint8_t c = portRead(PortRegister::Control);
    const uint8_t high = static_cast<uint8_t>(c | kLptClock);
    const uint8_t low = static_cast<uint8_t>(c & ~kLptClock);
    portWrite(PortRegister::Control, high);
    portWrite(PortRegister::Control, low);
    portWrite(PortRegister::Control, high);
    portWrite(PortRegister::Control, low);
    portWrite(PortRegister::Control, static_cast<uint8_t>(low | kLptFrame));
}

void LptLink::clockOut(unsigned bit) {
    const uint8_t c =
        static_cast<uint8_t>((portRead(PortRegister::Control) & 0xFE) | (bit & kLptDataOut));
    portWrite(PortRegister::Control, c);
    portWrite(PortRegister::Control, static_cast<uint8_t>(c | kLptClock));
    portWrite(PortRegister::Control, static_cast<uint8_t>(c & ~kLptClock));
}

unsigned LptLink::clockIn() {
    const uint8_t c = portRead(PortRegister::Control);
    portWrite(PortRegister::Control, static_cast<uint8_t>(c | kLptClock));
    const unsigned bit = (portRead(PortRegister::Status) & kLptDataIn) ? 1 : 0;
    portWrite(PortRegister::Control, static_cast<uint8_t>(c & ~kLptClock));
    return bit;
}

unsigned LptLink::exchangeBit(unsigned bit) {
    const uint8_t c =
        static_cast<uint8_t>((portRead(PortRegister::Control) & 0xFE) | (bit & kLptDataOut));
    portWrite(PortRegister::Control, c);
    portWrite(PortRegister::Control, static_cast<uint8_t>(c | kLptClock));
    const unsigned in = (portRead(PortRegister::Status) & kLptDataIn) ? 1 : 0;
    portWrite(PortRegister::Control, static_cast<uint8_t>(c & ~kLptClock));
    return in;
}

// Most significant bit first.
void LptLink::shiftOut(unsigned value, int bits) {
    for (int i = bits - 1; i >= 0; --i)
        clockOut((value >> i) & 1u);
}

unsigned LptLink::shiftIn(int bits) {
    unsigned v = 0;
    for (int i = 0; i < bits; ++i)
        v = (v << 1) | clockIn();
    return v;
}

void LptLink::lptShiftOutByte(uint8_t value) {
    shiftOut(value, 8);
}

uint8_t LptLink::lptShiftInByte() {
    return static_cast<uint8_t>(shiftIn(8));
}

void LptLink::lptShiftOutWord(uint16_t value) {
    shiftOut(value, 16);
}

uint16_t LptLink::lptShiftInWord() {
    return static_cast<uint16_t>(shiftIn(16));
}

uint8_t LptLink::lptReadControl() {
    lptStart();
    clockOut(1);
    clockOut(0);
    const uint8_t v = lptShiftInByte();
    lptEnd();
    return v;
}

void LptLink::lptWriteControl(uint8_t value) {
    lptStart();
    clockOut(0);
    clockOut(0);
    lptShiftOutByte(value);
    lptEnd();
}

void LptLink::frameOfBytes(const uint8_t* bytes, size_t n) {
    lptStart();
    for (size_t i = 0; i < n; ++i)
        lptShiftOutByte(bytes[i]);
    lptEnd();
}

void LptLink::lptEepromProtect(int mode) {
    if (mode < 0 || mode > 3) mode = 2;
    const EepromProtectSequence& sequence = kEepromProtectSequences[static_cast<size_t>(mode)];
    for (size_t i = 0; i < sequence.length; ++i) {
        const EepromCycle& cycle = sequence.cycles[i];
        const auto address = iceAddressBytes(cycle.address, false);
        const uint8_t frame[4] = {address[0], address[1], address[2], cycle.data};
        frameOfBytes(frame, 4);
    }
}

bool LptLink::lptBlockWrite(size_t count) {
    if (count > ioBuffer_.size() - 7) return false;
    lptStart();
    for (size_t i = 4; i < 7 + count; ++i)
        lptShiftOutByte(ioBuffer_[i]);
    lptEnd();
    const uint8_t c = lptReadControl();
    lptWriteControl(static_cast<uint8_t>(c | 0x08));
    lptDelay(10000);
    lptWriteControl(c);
    return true;
}

void LptLink::lptDelay(unsigned n) {
    for (unsigned i = 0; i <= n; ++i)
        portRead(PortRegister::Data);
}

void LptLink::lptReset() {
    const uint8_t d = portRead(PortRegister::Data);
    portWrite(PortRegister::Data, static_cast<uint8_t>(d & ~0x03));
    portWrite(PortRegister::Control, static_cast<uint8_t>(portRead(PortRegister::Control) & 0xD4));
    lptDelay(10);
    portWrite(PortRegister::Data, static_cast<uint8_t>((d & ~0x03) | 0x01));
    lptDelay(10000);
    portWrite(PortRegister::Data, static_cast<uint8_t>(d | 0x03));
    lptDelay(18192);
    // In driver mode the reset request is followed by a delay request.
    if (portDriverMode == 1) lptDelay(10000);
}

void LptLink::lptClearLines() {
    portWrite(PortRegister::Data, static_cast<uint8_t>(portRead(PortRegister::Data) & ~0x03));
}

// Two bytes back to back, high byte first, are on the line what one word is.
uint16_t LptLink::lptExchangeBytes(uint16_t value) {
    return lptExchangeWord(value);
}

uint16_t LptLink::lptExchangeWord(uint16_t value) {
    unsigned v = 0;
    for (int i = 15; i >= 0; --i)
        v = (v << 1) | exchangeBit((value >> i) & 1u);
    return static_cast<uint16_t>(v);
}

} // namespace zerka
