// The programmer's flash download of a 32K-word image (packets against the ones the download
// protocol needs) and Auto on a 32K-word chip (host time; the unit's job time runs on a clock
// that the host's waits move forward, and is reported beside it).
#include "core/atomic_file.h"
#include "programmer/programmer.h"
#include "target/target_unit.h"
#include "target/virtual_usb.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

using namespace zerka;

class QuietUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

class CountingLog : public MessageLog {
  public:
    void AddEntry(const std::string&, int, const std::string& text) override { last = text; }
    void ClearLog() override {}
    std::string last;
};

constexpr uint32_t kWords = 32768;
constexpr uint16_t kChipId = 0xE2;

std::filesystem::path writeImage() {
    const auto path = std::filesystem::temp_directory_path() / "zerka_bench_32k.hex";
    std::string bytes;
    for (uint32_t k = 0; k < kWords + 256; ++k) {
        uint16_t w = static_cast<uint16_t>(k * 0x9E37u + 1);
        if (k == kWords + 109) w = kChipId;
        if (k == kWords + 127) w = 0xFFFE;
        bytes.push_back(static_cast<char>(w >> 8));
        bytes.push_back(static_cast<char>(w & 0xFF));
    }
    writeFileAtomic(path, bytes);
    return path;
}

// Host packets the download of `codeBytes` needs at `packet` bytes a piece: per 256-byte block
// a busy check, a write enable, the header and the pieces; the two halves of the information
// block likewise; the read-back of the code and of both halves.
uint64_t requiredPackets(uint64_t codeBytes, uint64_t packet) {
    const uint64_t blocks = codeBytes / 256;
    const uint64_t perBlock = 1 + (256 + packet - 1) / packet;
    return blocks * (2 + perBlock) + 2 * (2 + perBlock) + 1 + 1 +
           (codeBytes + packet - 1) / packet + 2 * perBlock;
}

struct Bench {
    Bench() {
        TargetConfig c;
        c.programmer.socket.kind = SocketSetup::Kind::Blank;
        c.programmer.socket.chipId = kChipId;
        c.programmer.clock = [this] { return now; };
        unit = std::make_unique<TargetUnit>(c);
        UsbBackends b;
        b.virtualTarget = inProcessTarget(*unit);
        usb = std::make_unique<UsbLink>(std::move(b));
        chip.chipId = kChipId;
        chip.romWords = kWords;
        chip.sbmAddr = 0x70;
        state.programmerHexFile = image;
    }
    ProgrammerEnv env() {
        ProgrammerEnv e{*usb, chip, ui, log, state};
        e.wait = [this](std::chrono::milliseconds ms) { now += ms; };
        e.now = [this] { return now; };
        return e;
    }
    std::filesystem::path image = writeImage();
    std::chrono::steady_clock::time_point now{};
    std::unique_ptr<TargetUnit> unit;
    std::unique_ptr<UsbLink> usb;
    ChipModel chip;
    QuietUi ui;
    CountingLog log;
    ProgrammerState state;
};

void downloadAndVerify32K(benchmark::State& s) {
    Bench b;
    Programmer p(b.env());
    if (b.usb->connect() != kLinkConnected) return s.SkipWithError("no unit");
    uint64_t packets = 0;
    bool ok = true;
    for (auto _ : s) {
        s.PauseTiming();
        EraseProgrammerFlash(p.link(), 2 * kWords);
        s.ResumeTiming();
        const uint64_t before = p.link().packets();
        ok = DownloadImage(&p.link(), b.image, 2 * kWords, 0x70, kChipId, b.state.image).ok && ok;
        packets = p.link().packets() - before;
    }
    if (!ok) return s.SkipWithError("download failed");
    const uint64_t required = requiredPackets(2 * kWords, b.usb->maxPacketSize());
    s.counters["host_packets"] = double(packets);
    s.counters["required_packets"] = double(required);
    s.counters["ratio"] = double(packets) / double(required);
}
BENCHMARK(downloadAndVerify32K)->Unit(benchmark::kMillisecond);

void auto32K(benchmark::State& s) {
    Bench b;
    Programmer p(b.env());
    // The flash gets the image once; every Auto then finds it there.
    if (!p.DownloadCommand(b.image).success) return s.SkipWithError("download failed");
    bool ok = true;
    std::chrono::steady_clock::duration unitTime{};
    for (auto _ : s) {
        s.PauseTiming();
        b.unit->programmer().chip().insertBlank(kChipId);
        const auto start = b.now;
        s.ResumeTiming();
        ok = p.progAuto().success && ok;
        unitTime = b.now - start;
    }
    if (!ok) return s.SkipWithError(("auto failed: " + b.log.last).c_str());
    s.counters["unit_seconds"] =
        std::chrono::duration_cast<std::chrono::duration<double>>(unitTime).count();
}
BENCHMARK(auto32K)->Unit(benchmark::kMillisecond);

} // namespace
