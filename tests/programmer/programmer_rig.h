#pragma once
// A host's programmer commands wired to a virtual unit through one of its USB faces, on a clock
// that the host's waits move forward: jobs of seconds run in no time.
#include "chip/chip_library.h"
#include "core/checksum.h"
#include "core/text.h"
#include "link/socket_transport.h"
#include "programmer/programmer.h"
#include "support/temp_dir.h"
#include "target/target_server.h"
#include "target/target_unit.h"
#include "target/virtual_usb.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zerka::test {

enum class Face { InProcess, Bulk, Hid, Socket };

class FakeClock {
  public:
    std::chrono::steady_clock::time_point now() const {
        return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns_.load()));
    }
    void advance(std::chrono::milliseconds ms) {
        ns_ += std::chrono::duration_cast<std::chrono::nanoseconds>(ms).count();
    }

  private:
    std::atomic<int64_t> ns_{1'000'000'000};
};

class LineLog : public MessageLog {
  public:
    void AddEntry(const std::string& file, int, const std::string& text) override {
        lines.push_back(file + ": " + text);
    }
    void ClearLog() override { lines.clear(); }
    bool has(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> lines;
};

class ScriptUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string& text, Buttons) override {
        messages.push_back(text);
        return Button::Cancel;
    }
    void statusText(const std::string& text) override { status = text; }
    void progress(int percent) override { progressCalls.push_back(percent); }
    void busy(bool on) override { busyNow = on; }
    std::vector<std::string> messages;
    std::vector<int> progressCalls;
    std::string status;
    bool busyNow = false;
};

// A word image as the assembler writes it: code, then the 256-word information block with the
// chip identifier (109), the checksum (123) and the protection word (127).
inline std::vector<uint16_t> makeImage(const ChipModel& chip, uint16_t seed, bool protect = false) {
    const uint32_t words = (chip.romWords / 256) * 256;
    std::vector<uint16_t> image(words + 256, 0);
    Checksum16 sum;
    for (uint32_t k = 0; k < words; ++k) {
        image[k] = static_cast<uint16_t>(seed + k * 0x9E37u);
        sum.addWord(image[k]);
    }
    uint16_t* info = image.data() + words;
    for (uint32_t i = 0; i < 109; ++i)
        info[i] = static_cast<uint16_t>(0x1100 + i + seed);
    info[109] = chip.chipId;
    info[116] = 0x7807;
    info[119] = 0x0130;
    info[123] = sum.value();
    info[124] = 0x642E;
    info[125] = 0x01BF;
    info[126] = 0x662E;
    info[127] = protect ? 0xF7FE : 0xFFFE;
    return image;
}

inline std::string imageBytes(const std::vector<uint16_t>& words) {
    std::string bytes;
    for (uint16_t w : words) {
        bytes.push_back(static_cast<char>(w >> 8));
        bytes.push_back(static_cast<char>(w & 0xFF));
    }
    return bytes;
}

struct ProgRigOptions {
    std::string chip = "KXA1608";
    ProgrammerConfig programmer;
    std::string firmware = "WRIV0210";
};

class ProgRig {
    TempDir dir_;

  public:
    explicit ProgRig(Face face, ProgRigOptions options = {})
        : face(face), library(sourceDir() / "chips"), unit(unitConfig(face, options)),
          usb(backends(face)) {
        library.buildChipList();
        const auto index = library.findChipByName(options.chip);
        if (!index || !library.GetSELUP(*index, chip)) throw std::runtime_error("no chip");
        if (face == Face::Socket) startServer();
    }
    ~ProgRig() {
        stop_ = true;
        usb.close();
        if (server_.joinable()) server_.join();
    }

    ProgrammerEnv env() {
        ProgrammerEnv e{usb, chip, ui, log, state};
        e.wait = [this](std::chrono::milliseconds ms) { clock.advance(ms); };
        e.now = [this] { return clock.now(); };
        e.library = &library;
        return e;
    }
    Programmer programmer() { return Programmer(env()); }

    // Writes the image for the rig's chip and makes it the one to burn.
    std::filesystem::path useImage(uint16_t seed, bool protect = false) {
        image = makeImage(chip, seed, protect);
        const auto path = dir_.write("prog" + std::to_string(seed) + ".hex", imageBytes(image));
        state.programmerHexFile = path;
        state.imageChecksum = image[(chip.romWords / 256) * 256 + 123];
        return path;
    }
    uint16_t codeWord(uint32_t k) const { return image[k]; }
    const std::filesystem::path& dir() const { return dir_.path(); }
    std::string socketAddress() const { return "unix:" + (dir_.path() / "unit.sock").string(); }

    Face face;
    FakeClock clock;
    ChipLibrary library;
    ChipModel chip;
    TargetUnit unit;
    UsbLink usb;
    LineLog log;
    ScriptUi ui;
    ProgrammerState state;
    std::vector<uint16_t> image;

  private:
    TargetConfig unitConfig(Face f, ProgRigOptions o) {
        TargetConfig c;
        c.firmware = o.firmware;
        if (f == Face::Hid) c.usbForm = UsbForm::Hid;
        c.programmer = std::move(o.programmer);
        c.programmer.clock = [this] { return clock.now(); };
        return c;
    }

    UsbBackends backends(Face f) {
        UsbBackends b;
        switch (f) {
        case Face::InProcess:
            b.virtualTarget = inProcessTarget(unit);
            break;
        case Face::Bulk:
            b.bulk = std::make_unique<VirtualBulkDriver>(unit);
            break;
        case Face::Hid:
            b.hid = std::make_unique<VirtualHidLibrary>(unit);
            break;
        case Face::Socket: {
            const std::string address = socketAddress();
            b.virtualTarget = [address](std::string& problem) {
                return openSocketTransport(address, problem, 2000);
            };
            break;
        }
        }
        return b;
    }

    void startServer() {
        std::string problem;
        if (!listener_.open(socketAddress(), problem)) throw std::runtime_error(problem);
        server_ = std::thread([this] {
            while (!stop_) {
                const int fd = listener_.accept(50);
                if (fd >= 0) serveTargetConnection(fd, unit);
            }
        });
    }

    TargetListener listener_;
    std::atomic<bool> stop_{false};
    std::thread server_;
};

} // namespace zerka::test
