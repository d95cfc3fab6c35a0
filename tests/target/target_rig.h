#pragma once
// A host and a virtual unit wired together through one of the unit's faces.
#include "link/ice_commands.h"
#include "link/socket_transport.h"
#include "support/temp_dir.h"
#include "target/target_server.h"
#include "target/target_unit.h"
#include "target/virtual_port.h"
#include "target/virtual_usb.h"
#include "upcentre/run/emulator_memory.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zerka::test {

enum class Face { InProcess, Bulk, Hid, Socket, Port };

inline const char* faceName(Face f) {
    switch (f) {
    case Face::InProcess:
        return "InProcess";
    case Face::Bulk:
        return "Bulk";
    case Face::Hid:
        return "Hid";
    case Face::Socket:
        return "Socket";
    case Face::Port:
        return "Port";
    }
    return "?";
}

class RecordingUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string& text, Buttons) override {
        messages.push_back(text);
        return Button::Cancel;
    }
    void statusText(const std::string&) override {}
    void progress(int percent) override { progressCalls.push_back(percent); }
    void busy(bool) override {}
    std::vector<std::string> messages;
    std::vector<int> progressCalls;
};

struct RigOptions {
    TargetConfig unit;
    RomType rom = RomType::Ram62256;
    uint32_t programWords = 512;
    std::chrono::milliseconds timeout{1000};
};

class Rig {
    TempDir dir_; // first: the socket address lives in it

  public:
    explicit Rig(Face face, RigOptions options = {})
        : face(face), unit(unitConfig(face, options.unit)), port(unit),
          usb(backends(face, options.timeout)),
          lpt(usb.ioBuffer, std::make_unique<AttachedPortProvider>(port)),
          ice(usb, lpt, settings, [](std::chrono::milliseconds) {}),
          memory(cpu, ice, usb, lpt, settings, ui, [](std::chrono::milliseconds) {}) {
        settings.usb = face != Face::Port;
        settings.romSelect = options.rom;
        settings.emulatorIds = {unit.config().bodyId};
        cpu.setProgramSize(options.programWords);
        if (face == Face::Socket) startServer(options.timeout);
    }
    ~Rig() {
        stop_ = true;
        usb.close();
        if (server_.joinable()) server_.join();
    }

    bool connect() {
        if (face == Face::Port) {
            lpt.lptInit();
            return lpt.isOpen();
        }
        return usb.connect() == kLinkConnected;
    }

    // A fresh connection after a fault.
    bool reconnect() {
        unit.clearFault();
        usb.close();
        usb.clearConnected();
        return connect();
    }

    // Code words of a recognisable program in cells 0 .. programSize - 1.
    void loadPattern(uint16_t seed = 0x1234) {
        for (uint32_t i = 0; i < cpu.programSize(); ++i)
            cpu.LoadProgramCell(i, static_cast<uint16_t>(seed + i * 0x9E37u), 0, 0);
    }

    std::string socketAddress() const { return "unix:" + (dir_.path() / "unit.sock").string(); }

    Face face;
    TargetUnit unit;
    VirtualPrinterPort port;
    UsbLink usb;
    LptLink lpt;
    IceSettings settings;
    IceCommands ice;
    CpuState cpu;
    RecordingUi ui;
    EmulatorMemory memory;

  private:
    static TargetConfig unitConfig(Face face, TargetConfig c) {
        if (face == Face::Hid) c.usbForm = UsbForm::Hid;
        return c;
    }

    UsbBackends backends(Face face, std::chrono::milliseconds timeout) {
        UsbBackends b;
        switch (face) {
        case Face::InProcess:
            b.virtualTarget = inProcessTarget(unit, timeout);
            break;
        case Face::Bulk:
            b.bulk = std::make_unique<VirtualBulkDriver>(unit, timeout);
            break;
        case Face::Hid:
            b.hid = std::make_unique<VirtualHidLibrary>(unit, timeout);
            break;
        case Face::Socket: {
            const std::string address = socketAddress();
            const int ms = static_cast<int>(timeout.count());
            b.virtualTarget = [address, ms](std::string& problem) {
                return openSocketTransport(address, problem, ms);
            };
            break;
        }
        case Face::Port:
            break;
        }
        return b;
    }

    void startServer(std::chrono::milliseconds) {
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
