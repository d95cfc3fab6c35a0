// Packets and time to download and verify a 32K-word image into the virtual unit over the
// in-process HID form, against the packets the block transfer itself needs.
#include "target/target_unit.h"
#include "target/virtual_usb.h"
#include "upcentre/run/emulator_memory.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zerka;

class QuietUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

// Host packets the protocol needs for one block of `bytes` in `packet`-byte chunks, with the
// word-mode selection (control read and write) before it.
uint64_t requiredPackets(uint64_t bytes, uint64_t packet) {
    return 2 + 1 + (bytes + packet - 1) / packet;
}

void downloadAndVerify32K(benchmark::State& state) {
    TargetConfig config;
    config.usbForm = UsbForm::Hid;
    TargetUnit unit(config);
    UsbBackends backends;
    backends.hid = std::make_unique<VirtualHidLibrary>(unit);
    UsbLink usb(std::move(backends));
    LptLink lpt(usb.ioBuffer, nullptr);
    IceSettings settings;
    QuietUi ui;
    IceCommands ice(usb, lpt, settings, [](std::chrono::milliseconds) {});
    CpuState cpu;
    cpu.setProgramSize(32768);
    for (uint32_t i = 0; i < 32768; ++i)
        cpu.LoadProgramCell(i, static_cast<uint16_t>(i * 0x9E37u + 1), 0, 0);
    EmulatorMemory memory(cpu, ice, usb, lpt, settings, ui, [](std::chrono::milliseconds) {});
    if (usb.connect() != kLinkConnected) {
        state.SkipWithError("the virtual unit did not connect");
        return;
    }
    uint64_t packets = 0;
    bool ok = true;
    for (auto _ : state) {
        const uint64_t before = unit.packetsSeen();
        ok = memory.DownloadProgram() && memory.VerifyProgram() && ok;
        packets = unit.packetsSeen() - before;
    }
    if (!ok) state.SkipWithError("download or verify failed");
    const uint64_t bytes = 2ull * memory.transferWords();
    const uint64_t required = 2 * requiredPackets(bytes, usb.maxPacketSize());
    // Every host packet is answered by one device packet: transfers are twice the count.
    state.counters["host_packets"] = static_cast<double>(packets);
    state.counters["required_packets"] = static_cast<double>(required);
    state.counters["ratio"] = static_cast<double>(packets) / static_cast<double>(required);
}
BENCHMARK(downloadAndVerify32K)->Unit(benchmark::kMillisecond);

} // namespace
