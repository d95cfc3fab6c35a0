#pragma once
// A uP centre in emulator mode wired to a virtual unit, and the same uP centre type in
// simulator mode for comparison. Programs are encoded through the instruction table.
#include "target/target_unit.h"
#include "target/virtual_port.h"
#include "target/virtual_usb.h"
#include "upcentre/run/emulator_memory.h"
#include "upcentre/run/emulator_run.h"
#include "upcentre/run/up_centre.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zerka::test {

class DebugUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string& text, Buttons) override {
        messages.push_back(text);
        return Button::Ok;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    std::vector<std::string> messages;
};

inline uint16_t encode(const InstructionSet& set, std::string_view mnemonic,
                       std::initializer_list<uint32_t> operands = {}) {
    const InstructionDef* def = set.findByMnemonic(mnemonic);
    if (!def) throw std::invalid_argument("no instruction " + std::string(mnemonic));
    uint16_t w = def->matchValue;
    size_t i = 0;
    for (uint32_t v : operands)
        w = def->operands.at(i++).insert(w, v);
    return w;
}

struct DebugRigOptions {
    CoreType core = CoreType::CX4B;
    uint16_t bodyId = 0x8010;
    bool usb = true;
    uint32_t programWords = 1024;
    uint32_t dataBytes = 512;
    EepromConfig eeprom; // mode 0: no built-in EEPROM
};

class EmulatorDebugRig {
  public:
    explicit EmulatorDebugRig(DebugRigOptions o = {})
        : unit(unitConfig(o)), port(unit), usb(backends()),
          lpt(usb.ioBuffer, std::make_unique<AttachedPortProvider>(port)),
          ice(usb, lpt, settings, [](std::chrono::milliseconds) {}), up(&ui),
          memory(up.cpu(), ice, usb, lpt, settings, ui, [](std::chrono::milliseconds) {}),
          run(up, ice, memory, settings, &ui, [](std::chrono::milliseconds) {}) {
        settings.usb = o.usb;
        settings.emulatorIds = {o.bodyId};
        settings.coreVariant = o.core == CoreType::CX4B ? 1 : 0;
        settings.selfEromMode = o.eeprom.mode;
        up.setInstructionSet(InstructionSet(o.core));
        up.cpu().setProgramSize(o.programWords);
        up.setRunTimerInterval(TZk_UP::kEmulatorInterval);
        EmulatorRunSettings s;
        s.dataBytes = o.dataBytes;
        o.eeprom.core = o.core;
        s.eeprom = o.eeprom;
        run.setSettings(s);
        up.OnStopped().connect([this] { ++stopped; });
        up.OnTraceStep().connect([this] { ++traced; });
    }

    // Connects, identifies the body and enters emulator mode.
    void connect() {
        if (settings.usb) {
            ASSERT_EQ(usb.connect(), kLinkConnected);
        } else {
            lpt.lptInit();
            ASSERT_TRUE(lpt.isOpen());
        }
        ASSERT_EQ(ice.readIceBodyId(), 0);
        run.attach();
    }

    uint16_t enc(std::string_view mnemonic, std::initializer_list<uint32_t> operands = {}) const {
        return encode(up.instructions(), mnemonic, operands);
    }
    void load(uint32_t at, const std::vector<uint16_t>& words) {
        for (uint16_t w : words)
            ASSERT_TRUE(up.LoadProgramCell(at++, w, 0, 0));
    }
    // The download of a build: program, verify, prepare, mirror.
    void download() {
        ASSERT_TRUE(memory.DownloadAndVerify(true));
        EXPECT_EQ(up.cpu().GetPC(), 0u);
    }
    // Polls like the run timer until the run stops; false when it is still running after
    // `ticks` polls.
    bool waitStopped(int ticks = 200) {
        for (int i = 0; i < ticks && up.runTimerEnabled(); ++i)
            up.RunTimerTick();
        return !up.runTimerEnabled();
    }
    uint8_t data(uint32_t a) const { return up.cpu().ReadData(a); }

    DebugUi ui;
    TargetUnit unit;
    VirtualPrinterPort port;
    UsbLink usb;
    LptLink lpt;
    IceSettings settings;
    IceCommands ice;
    TZk_UP up;
    EmulatorMemory memory;
    EmulatorRun run;
    int stopped = 0;
    int traced = 0;

  private:
    static TargetConfig unitConfig(const DebugRigOptions& o) {
        TargetConfig c;
        c.core = o.core;
        c.bodyId = o.bodyId;
        return c;
    }
    UsbBackends backends() {
        UsbBackends b;
        b.virtualTarget = inProcessTarget(unit, std::chrono::milliseconds(200));
        return b;
    }
};

} // namespace zerka::test
