// Random device replies to every emulator program-memory operation (the block transfers above
// all), over the USB link in its packet and HID forms and over the printer port: no crash, no
// hang, no transfer outside the packet buffer.
#include "fuzz_feed.h"
#include "upcentre/run/emulator_memory.h"

#include "fuzz_hid_device.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace zerka;

using zerka::fuzz::Feed;

// Answers the connection handshake as a unit would, everything else from the feed.
class FuzzUnit : public PacketTransport {
  public:
    FuzzUnit(Feed& feed, uint16_t packet) : feed_(feed), packet_(packet) {}
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
        // Mostly well-formed answers (AAh, FAh first) so that the transfers get deep.
        const size_t count = (control & 0x80) ? n : std::min<size_t>(n, control & 0x3F);
        for (size_t i = 0; i < count; ++i)
            data[i] = feed_.next();
        if (count && (control & 0x40)) data[0] = (control & 0x20) ? 0xAA : 0xFA;
        return true;
    }
    uint16_t maxPacketSize() const override { return packet_; }
    std::string describe() const override { return "fuzz unit"; }

  private:
    Feed& feed_;
    uint16_t packet_;
    bool handshake_ = false;
    bool identify_ = false;
};

using fuzz::FuzzHidLibrary;

class Forward : public PacketTransport {
  public:
    explicit Forward(FuzzUnit& u) : u_(u) {}
    bool write(const uint8_t* d, size_t n) override { return u_.write(d, n); }
    bool read(uint8_t* d, size_t n) override { return u_.read(d, n); }
    uint16_t maxPacketSize() const override { return u_.maxPacketSize(); }
    std::string describe() const override { return "fuzz unit"; }

  private:
    FuzzUnit& u_;
};

class FuzzPort : public PrinterPort {
  public:
    explicit FuzzPort(Feed& feed) : feed_(feed) {}
    bool read(PortRegister, uint8_t& value) override {
        value = feed_.next();
        return (value & 0x0F) != 0x0F;
    }
    bool write(PortRegister, uint8_t) override { return true; }

  private:
    Feed& feed_;
};

class QuietUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int percent) override {
        if (percent < -1 || percent > 100) std::abort();
    }
    void busy(bool) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    Feed feed(data + 2, size - 2);
    const int form = data[0] % 3;
    // Packet sizes the link may meet, the odd and the empty ones included.
    static constexpr uint16_t kPackets[8] = {64, 0, 1, 7, 63, 100, 512, 65535};
    FuzzUnit unit(feed, kPackets[data[1] & 7]);
    IceSettings settings;
    settings.romSelect = static_cast<RomType>((data[1] >> 3) % 3);
    settings.usb = form != 2;
    UsbBackends backends;
    if (form == 0)
        backends.virtualTarget = [&unit](std::string&) { return std::make_unique<Forward>(unit); };
    if (form == 1) backends.hid = std::make_unique<FuzzHidLibrary>(unit);
    UsbLink usb(std::move(backends));
    FuzzPort port(feed);
    LptLink lpt(usb.ioBuffer, std::make_unique<AttachedPortProvider>(port));
    if (form == 2) lpt.lptInit();
    if (form != 2) usb.connect();
    IceCommands ice(usb, lpt, settings, [](std::chrono::milliseconds) {});
    CpuState cpu;
    // Small programs on the printer port: it shifts every bit through the feed.
    cpu.setProgramSize(form == 2 ? 256 : ((data[1] & 0x40) ? 8192 : 1024));
    for (uint32_t i = 0; i < cpu.programSize(); ++i)
        cpu.LoadProgramCell(i, static_cast<uint16_t>(i * 31), 0, 0);
    QuietUi ui;
    EmulatorMemory memory(cpu, ice, usb, lpt, settings, ui, [](std::chrono::milliseconds) {});
    memory.setServiceFlag(data[1] >> 7);
    uint32_t position = 0;
    EmulatorMemory::InfoBlock info{};
    const uint8_t pick = feed.next();
    switch (pick % 9) {
    case 0:
        memory.DownloadAndVerify(pick & 0x10);
        break;
    case 1:
        memory.VerifyProgram();
        break;
    case 2:
        memory.CheckProgramMemory();
        break;
    case 3:
        memory.ReloadProgram();
        break;
    case 4:
        if (form != 2) memory.MirrorTest8K();
        break;
    case 5:
        memory.EmulatorMemoryTest(pick & 0x10, position);
        break;
    case 6:
        memory.WriteInfoBlock(kIceInfoBlockAddress, info);
        break;
    case 7:
        memory.ReadDataBytes(feed.next() << 4, static_cast<size_t>(feed.next()) << 4);
        break;
    default:
        memory.DownloadProgram();
        break;
    }
    return 0;
}
