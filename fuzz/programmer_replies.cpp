// Random device replies to every programmer operation (Blank, Program, Verify, Auto, Read, the
// flash download and read-back, the settings), in bulk and HID form: no crash, no hang (the
// waits run on a clock that they move forward), no transfer outside the packet buffer.
#include "core/atomic_file.h"
#include "fuzz_feed.h"
#include "programmer/prog_settings.h"
#include "programmer/programmer.h"

#include "fuzz_hid_device.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

using namespace zerka;

using zerka::fuzz::Feed;

// Answers the connection as a unit would, everything after it from the feed.
class FuzzUnit : public PacketTransport {
  public:
    explicit FuzzUnit(Feed& feed) : feed_(feed) {}
    bool write(const uint8_t* data, size_t n) override {
        if (n > kIoBufferSize) std::abort();
        handshake_ = n >= 2 && (data[0] == 0xC5 || (data[0] == 0xF9 && data[1] <= 0x06) ||
                                (data[0] == 0xF9 && data[1] == 0xAC));
        identify_ = n >= 2 && data[0] == 0xF9 && data[1] == 0xAC;
        if (handshake_) return true;
        return feed_.done() ? false : (feed_.next() & 0x3F) != 0;
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
        if ((control & 0x3F) == 0) return false;
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

class Unit : public PacketTransport {
  public:
    explicit Unit(FuzzUnit& u) : u_(u) {}
    bool write(const uint8_t* d, size_t n) override { return u_.write(d, n); }
    bool read(uint8_t* d, size_t n) override { return u_.read(d, n); }
    std::string describe() const override { return "fuzz unit"; }

  private:
    FuzzUnit& u_;
};

class NoLog : public MessageLog {
  public:
    void AddEntry(const std::string&, int, const std::string&) override {}
    void ClearLog() override {}
};

class NoUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

// A chip library of one chip and the word image to burn, written once.
struct Files {
    Files() {
        dir = std::filesystem::temp_directory_path() / "zerka_programmer_fuzz";
        std::filesystem::create_directories(dir);
        writeFileAtomic(dir / "ZkSel.INC", "V1.0 fuzz\nA.INC  CHIPA  (2k)\n");
        writeFileAtomic(dir / "A.INC", "#PRODUCT\nCHIPA\n#ID\n71H\n#ROM\n2048\n");
        writeFileAtomic(dir / "image.hex", std::string(2048 * 2 + 512, '\x5A'));
    }
    std::filesystem::path dir;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Files files;
    if (size < 2) return 0;
    Feed feed(data + 2, size - 2);
    FuzzUnit unit(feed);
    UsbBackends backends;
    if (data[0] & 1)
        backends.hid = std::make_unique<fuzz::FuzzHidLibrary>(unit);
    else
        backends.virtualTarget = [&unit](std::string&) { return std::make_unique<Unit>(unit); };
    UsbLink usb(std::move(backends));
    ChipModel chip;
    chip.chipId = 0x71;
    const uint32_t sizes[4] = {256, 2048, 4096, 32768};
    chip.romWords = sizes[(data[0] >> 1) & 3];
    chip.sbmAddr = 0x70;
    chip.bieBank = data[1] & 0x1F;
    chip.hasHao = data[0] & 0x08;
    ChipLibrary library(files.dir);
    library.buildChipList();
    NoLog log;
    NoUi ui;
    ProgrammerState state;
    state.programmerHexFile = files.dir / "image.hex";
    state.imageChecksum = static_cast<uint16_t>(data[1] * 257);
    int64_t clock = 0;
    ProgrammerEnv env{usb, chip, ui, log, state};
    env.wait = [&clock](std::chrono::milliseconds ms) { clock += ms.count(); };
    env.now = [&clock] {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(clock));
    };
    env.library = &library;
    Programmer p(env);
    ChipReadResult read;
    FlashReadBack back;
    ProgrammerSettingsPage page;
    ProgrammerSettingsCommands settings(p.link());
    for (int op = 0; op < 10 && !feed.done(); ++op) {
        switch (feed.next() % 10) {
        case 0:
            p.progBlank();
            break;
        case 1:
            p.progProgram();
            break;
        case 2:
            p.progVerify();
            break;
        case 3:
            p.progAuto();
            break;
        case 4:
            p.progRead(read);
            break;
        case 5:
            p.DownloadCommand(state.programmerHexFile);
            break;
        case 6:
            p.ReadBackCommand(back);
            break;
        case 7:
            settings.readAll(page);
            break;
        case 8:
            settings.ResetProgrammerSettings(page);
            break;
        case 9:
            runCalibrationJob(p.link(), log);
            break;
        }
        if (!usb.connected()) usb.close();
    }
    return 0;
}
