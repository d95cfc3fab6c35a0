// Random device replies to every emulator command, over the USB link in bulk and HID form and
// over the printer port: no crash, no hang, no transfer outside the packet buffer.
#include "fuzz_feed.h"
#include "link/ice_commands.h"

#include "fuzz_hid_device.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace zerka;

// Bytes of the fuzz input, handed out one at a time; zeros once it runs dry.
using zerka::fuzz::Feed;

// Answers the connection handshake as a unit would, everything else from the feed.
class FuzzUnit : public PacketTransport {
  public:
    explicit FuzzUnit(Feed& feed) : feed_(feed) {}
    bool write(const uint8_t* data, size_t n) override {
        if (n > kIoBufferSize) std::abort();
        handshake_ = n >= 2 && (data[0] == 0xF9 || data[0] == 0xC5);
        identify_ = n >= 2 && data[0] == 0xF9 && data[1] == 0xAC;
        if (handshake_) return true;
        return feed_.done() ? false : (feed_.next() & 0x1F) != 0;
    }
    bool read(uint8_t* data, size_t n) override {
        if (n > kIoBufferSize) std::abort();
        if (handshake_) {
            std::memset(data, 0xFF, n);
            if (identify_ && n >= 8) std::memcpy(data, "PROBEONE", 8);
            return true;
        }
        if (feed_.done()) return false;
        const uint8_t control = feed_.next();
        if ((control & 0x1F) == 0) return false;
        const size_t count = (control & 0x80) ? n : std::min<size_t>(n, control & 0x3F);
        for (size_t i = 0; i < count; ++i)
            data[i] = feed_.next();
        return true;
    }
    std::string describe() const override { return "fuzz unit"; }

  private:
    Feed& feed_;
    bool handshake_ = false;
    bool identify_ = false;
};

using fuzz::FuzzHidLibrary;

class FuzzPort : public PrinterPort {
  public:
    explicit FuzzPort(Feed& feed) : feed_(feed) {}
    bool read(PortRegister, uint8_t& value) override {
        value = feed_.next();
        return (value & 0x0F) != 0x0F; // sometimes refused
    }
    bool write(PortRegister, uint8_t) override { return true; }

  private:
    Feed& feed_;
};

class Unit : public PacketTransport {
  public:
    explicit Unit(FuzzUnit& u) : u_(u) {}
    bool write(const uint8_t* d, size_t n) override { return u_.write(d, n); }
    bool read(uint8_t* d, size_t n) override { return u_.read(d, n); }
    std::string describe() const override { return "fuzz unit"; }

  private:
    FuzzUnit& u_;
};

void runCommands(IceCommands& ice, UsbLink& usb, Feed& feed, IceSettings& settings) {
    // The printer-port page writes busy-wait thousands of port reads each: fewer rounds there.
    const int rounds = settings.usb ? 2 : 1;
    for (int round = 0; round < rounds && !feed.done(); ++round) {
        if (settings.usb && !usb.connected()) {
            usb.close();
            usb.connect();
        }
        const uint8_t pick = feed.next();
        settings.romSelect = static_cast<RomType>(pick % 3);
        settings.stopOnStackOverflow = pick & 0x08;
        settings.stackDepth = (pick >> 4) + ((pick & 0x04) ? 20 : 0);
        uint8_t scratch[300];
        const size_t length = feed.next() % sizeof(scratch);
        const uint32_t address = static_cast<uint32_t>(feed.next()) << 8 | feed.next();
        ice.iceReadWords(address, feed.next());
        ice.iceWriteWords(address, feed.next() % 100);
        ice.iceReadBytes(address, feed.next());
        ice.iceWriteBytes(address, feed.next() % 100);
        ice.iceReadWords(address, std::span<uint8_t>(scratch, length));
        ice.iceReadBytes(address, std::span<uint8_t>(scratch, length));
        ice.iceWriteWords(address, std::span<const uint8_t>(scratch, length));
        ice.iceWriteBytes(address, std::span<const uint8_t>(scratch, length));
        ice.iceReadWord(address);
        ice.iceWriteWord(address, 0x1234);
        ice.iceReadByte(address);
        ice.iceWriteByte(address, 0x56);
        ice.iceEnd();
        ice.iceReadControl();
        ice.iceWriteControl(pick);
        ice.iceReadStatus();
        ice.iceAccessMode(2);
        ice.iceEepromMode(true);
        ice.iceEepromMode(false);
        ice.iceAccessMode(3);
        ice.iceGo();
        ice.iceGoVariant();
        ice.iceStep(pick & 7);
        ice.iceHalt();
        ice.iceStopOnStack();
        ice.iceBit1Clear();
        ice.iceBit1Set();
        ice.iceStopped();
        ice.iceReadStack();
        ice.readIceBodyId();
        ice.iceSetWatch(pick, 1, 0x123);
        std::array<uint32_t, 16> table{};
        ice.iceWriteBreakTable(table);
        ice.iceWriteOption(pick);
        ice.iceReadOption();
        ice.icePrepareRun();
        const uint32_t breakpoints[14] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
        ice.iceDownloadConfig(std::span<const uint32_t>(breakpoints, pick % 15));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Feed feed(data + 1, size - 1);
    FuzzUnit unit(feed);
    IceSettings settings;
    settings.emulatorIds = {0x8024, 0x8010};
    settings.bitRegisterMask = [](uint16_t a) -> std::optional<uint8_t> {
        if (a == 0x77) return 0x0F;
        return std::nullopt;
    };
    const int form = data[0] % 3;
    UsbBackends backends;
    if (form == 0)
        backends.virtualTarget = [&unit](std::string&) { return std::make_unique<Unit>(unit); };
    if (form == 1) backends.hid = std::make_unique<FuzzHidLibrary>(unit);
    UsbLink usb(std::move(backends));
    FuzzPort port(feed);
    LptLink lpt(usb.ioBuffer, std::make_unique<AttachedPortProvider>(port));
    settings.usb = form != 2;
    if (form == 2) lpt.lptInit();
    IceCommands ice(usb, lpt, settings, [](std::chrono::milliseconds) {});
    runCommands(ice, usb, feed, settings);
    return 0;
}
