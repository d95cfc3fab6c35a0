// The built-in EEPROM emulation against a small emulator model: a CpuState run by the engine,
// holding program memory (EEPROM words from 4000h) and data memory, with the host's mirror
// writing through to it.
#include "upcentre/core/engine.h"
#include "upcentre/run/eeprom_emulation.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace zerka {
namespace {

class RecordingUi : public UiHost {
  public:
    Button messageBox(MessageType type, const std::string& text, Buttons) override {
        boxes.push_back({type, text});
        return Button::Ok;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    std::vector<std::pair<MessageType, std::string>> boxes;
};

// The emulator: program memory, data memory and a CPU that executes what it is stepped through.
class ModelEmulator : public EepromTarget, public EmulatorRegisterPort {
  public:
    explicit ModelEmulator(CoreType core) : engine(core) { chip.setProgramSize(32768); }

    bool beginPatch() override {
        ++patches;
        return !failing;
    }
    void endPatch() override {}
    bool readWord(uint32_t a, uint16_t& v) override {
        if (failing) return false;
        v = chip.ProgramWord(a);
        return true;
    }
    bool writeWord(uint32_t a, uint16_t v) override {
        if (failing) return false;
        chip.SetProgramWord(a, v);
        ++wordWrites;
        return true;
    }
    bool writeWords(uint32_t a, std::span<const uint16_t> words) override {
        if (failing) return false;
        for (uint16_t w : words)
            chip.SetProgramWord(a++, w);
        return true;
    }
    bool readByte(uint32_t a, uint8_t& v) override {
        if (failing) return false;
        v = chip.ReadData(a);
        return true;
    }
    bool stepAndHalt(uint8_t n) override {
        if (failing) return false;
        steps.push_back(n);
        interruptsDuringStep.push_back(chip.ReadData(reg::kIntEnable0) & 0x80);
        // Like the emulator's step counter: run until n more cycles have passed.
        const uint32_t start = chip.GetCycles();
        for (int i = 0; i < 16 && chip.GetCycles() - start < n; ++i)
            engine.ExecuteOne(chip);
        return true;
    }
    bool readPC(uint32_t& pc) override {
        if (failing) return false;
        pc = chip.GetPC();
        return true;
    }
    std::optional<uint8_t> writeRegister(uint32_t address, uint8_t value) override {
        if (failing) return std::nullopt;
        chip.WriteData(address, value);
        return chip.ReadData(address);
    }

    Engine engine;
    CpuState chip;
    bool failing = false;
    int patches = 0;
    int wordWrites = 0;
    std::vector<uint8_t> steps;
    std::vector<uint8_t> interruptsDuringStep;
};

constexpr uint16_t kControl = 0x60, kBase = 0x460, kAddrHigh = 0x61, kAddrLow = 0x62,
                   kDataHigh = 0x63, kDataLow = 0x64;

class EepromRig {
  public:
    explicit EepromRig(uint8_t mode, CoreType core = CoreType::CX4B)
        : set(core), emulator(core), emulation(mirror, emulator, &ui) {
        EepromConfig c;
        c.mode = mode;
        c.page = kControl;
        c.base = kBase;
        c.param = {kAddrHigh, kAddrLow, kDataHigh, kDataLow};
        c.core = core;
        emulation.setConfig(c);
        mirror.setProgramSize(32768);
        mirror.setSimulatorMode(false);
        mirror.setEmulatorPort(&emulator);
    }

    uint16_t enc(std::string_view mnemonic, std::initializer_list<uint32_t> operands) const {
        const InstructionDef* def = set.findByMnemonic(mnemonic);
        if (!def) throw std::invalid_argument("no instruction " + std::string(mnemonic));
        uint16_t w = def->matchValue;
        size_t i = 0;
        for (uint32_t v : operands)
            w = def->operands.at(i++).insert(w, v);
        return w;
    }
    // The same program in the host's cells and the emulator's memory.
    void load(uint32_t at, std::initializer_list<uint16_t> words) {
        for (uint16_t w : words) {
            mirror.LoadProgramCell(at, w, 0, 0);
            emulator.chip.SetProgramWord(at++, w);
        }
    }
    // A data byte in both, as after a mirror refresh.
    void data(uint32_t address, uint8_t value) {
        mirror.WriteData(address, value);
        emulator.chip.WriteData(address, value);
    }
    void pc(uint32_t address) {
        mirror.SetPC(address);
        emulator.chip.SetPC(address);
    }
    uint16_t eepromWord(uint32_t index) const {
        return emulator.chip.ProgramWord(kEepromWordBase + index);
    }
    void setEepromWord(uint32_t index, uint16_t value) {
        emulator.chip.SetProgramWord(kEepromWordBase + index, value);
    }
    uint8_t target(uint32_t address) const { return emulator.chip.ReadData(address); }

    // The program sets one request bit of the control register and is stepped there.
    EepromEmulation::Request request(uint8_t bit, uint32_t at = 0x20) {
        load(at, {enc("BSF", {kControl, bit, 0}), enc("NOP", {}), enc("NOP", {}), enc("NOP", {}),
                  enc("NOP", {}), enc("NOP", {})});
        pc(at);
        return emulation.emulatedStep(set);
    }

    InstructionSet set;
    ModelEmulator emulator;
    CpuState mirror;
    RecordingUi ui;
    EepromEmulation emulation;
};

TEST(EepromEmulationAccess, RecognisesTheInstructionsOnTheControlRegister) {
    EepromRig r(1);
    EXPECT_TRUE(r.emulation.isAccess(r.set, r.enc("CLRF", {kControl, 0})));
    EXPECT_TRUE(r.emulation.isAccess(r.set, r.enc("MVF", {kControl, 0, 0})));
    EXPECT_TRUE(r.emulation.isAccess(r.set, r.enc("BSF", {kControl, 1, 0})));
    EXPECT_TRUE(r.emulation.isAccess(r.set, r.enc("BTSZ", {kControl, 0, 0})));
    EXPECT_TRUE(r.emulation.isAccess(r.set, r.enc("BTGF", {kControl, 1, 0})));
    // Banked, another address, not a file instruction.
    EXPECT_FALSE(r.emulation.isAccess(r.set, r.enc("CLRF", {kControl, 1})));
    EXPECT_FALSE(r.emulation.isAccess(r.set, r.enc("BSF", {kControl, 1, 1})));
    EXPECT_FALSE(r.emulation.isAccess(r.set, r.enc("BSF", {kControl + 1, 1, 0})));
    EXPECT_FALSE(r.emulation.isAccess(r.set, r.enc("MVL", {kControl})));
    EXPECT_FALSE(r.emulation.isAccess(r.set, r.enc("JMP", {kControl})));

    EepromRig a(1, CoreType::CX4A);
    EXPECT_TRUE(a.emulation.isAccess(a.set, a.enc("MVFF", {kControl})));
    EXPECT_FALSE(a.emulation.isAccess(a.set, a.enc("MVFF", {kControl + 0x100})));
    EXPECT_FALSE(a.emulation.isAccess(a.set, a.enc("MVFF", {kControl + 1})));

    EepromRig none(0);
    EXPECT_FALSE(none.emulation.isAccess(none.set, none.enc("BSF", {kControl, 1, 0})));
}

TEST(EepromEmulationWrite, ModesOneAndTwoStoreTheAndModesThreeAndFourReplace) {
    for (uint8_t mode : {1, 2, 3, 4}) {
        SCOPED_TRACE(mode);
        EepromRig r(mode);
        r.setEepromWord(5, 0x1234);
        r.data(kAddrHigh, 0);
        r.data(kAddrLow, 5);
        r.data(kDataHigh, 0x00);
        r.data(kDataLow, 0xFF);
        r.data(kBase, 0x08);
        EXPECT_EQ(r.request(1), EepromEmulation::Request::Write);
        EXPECT_EQ(r.eepromWord(5), mode <= 2 ? 0x0034 : 0x00FF);
        // The request bit is cleared in the emulator and the mirror, the other bits kept.
        EXPECT_EQ(r.target(kBase), 0x08);
        EXPECT_EQ(r.mirror.ReadData(kBase), 0x08);
        EXPECT_EQ(r.target(kAddrLow), 6);
        EXPECT_EQ(r.mirror.ReadData(kAddrLow), 6);
        // The patched word is gone again; the access ran once, in bank 4 only.
        EXPECT_EQ(r.emulator.chip.ProgramWord(0x20), r.mirror.ProgramWord(0x20));
        EXPECT_EQ(r.emulator.steps, std::vector<uint8_t>{1});
        EXPECT_EQ(r.target(kControl), 0);
        EXPECT_EQ(r.emulator.chip.GetPC(), 0x21u);
        EXPECT_TRUE(r.ui.boxes.empty());
    }
}

TEST(EepromEmulationWrite, ModeThreeCarriesIntoTheHighAddressRegister) {
    EepromRig r(3);
    r.data(kAddrHigh, 0x01);
    r.data(kAddrLow, 0xFF);
    r.data(kDataHigh, 0xAB);
    r.data(kDataLow, 0xCD);
    EXPECT_EQ(r.request(1), EepromEmulation::Request::Write);
    EXPECT_EQ(r.eepromWord(0x1FF), 0xABCD);
    EXPECT_EQ(r.target(kAddrHigh), 0x02);
    EXPECT_EQ(r.target(kAddrLow), 0x00);
    EXPECT_TRUE(r.ui.boxes.empty());
}

TEST(EepromEmulationWrite, ModeOneWrapsAt3FhWithAWarningAfterAWriteAndSilentlyAfterARead) {
    EepromRig w(1);
    w.setEepromWord(0x3F, 0xFFFF);
    w.data(kAddrLow, 0x3F);
    w.data(kDataHigh, 0x12);
    w.data(kDataLow, 0x34);
    EXPECT_EQ(w.request(1), EepromEmulation::Request::Write);
    EXPECT_EQ(w.eepromWord(0x3F), 0x1234);
    EXPECT_EQ(w.target(kAddrLow), 0);
    ASSERT_EQ(w.ui.boxes.size(), 1u);
    EXPECT_EQ(w.ui.boxes[0].first, MessageType::Warning);
    EXPECT_EQ(w.ui.boxes[0].second, "Warning: BIE Pointer overflow, May cap the previous data!!");

    EepromRig r(1);
    r.data(kAddrLow, 0x3F);
    EXPECT_EQ(r.request(0), EepromEmulation::Request::Read);
    EXPECT_EQ(r.target(kAddrLow), 0);
    EXPECT_TRUE(r.ui.boxes.empty());
}

TEST(EepromEmulationWrite, RefusedWhileTheTablePointerLowIsAbove3Fh) {
    EepromRig r(1);
    r.setEepromWord(2, 0xFFFF);
    r.data(kAddrLow, 2);
    r.data(reg::kTablePtrLow, 0x40);
    r.data(kBase, 0x02);
    EXPECT_EQ(r.request(1), EepromEmulation::Request::Refused);
    EXPECT_EQ(r.eepromWord(2), 0xFFFF);
    EXPECT_EQ(r.target(kBase), 0x00); // the request bit is cleared all the same
    EXPECT_EQ(r.target(kAddrLow), 2);
}

TEST(EepromEmulationRead, TheWordArrivesInTableDataAndTheProgramStateSurvives) {
    for (CoreType core : {CoreType::CX4B, CoreType::CX4A}) {
        SCOPED_TRACE(core == CoreType::CX4B ? "CX4B" : "CX4A");
        EepromRig r(1, core);
        r.setEepromWord(7, 0xBEEF);
        r.data(kAddrLow, 7);
        r.data(reg::kW, 0x5A);
        r.data(reg::kBsr, 2);
        r.data(reg::kIntEnable0, 0x85);
        r.data(reg::kStatus, flag::kC);
        EXPECT_EQ(r.request(0, 0x30), EepromEmulation::Request::Read);
        EXPECT_EQ(r.target(reg::kTableDataHigh), 0xBE);
        EXPECT_EQ(r.target(reg::kTableDataLow), 0xEF);
        EXPECT_EQ(r.target(reg::kW), 0x5A);
        EXPECT_EQ(r.target(reg::kBsr), 2);
        EXPECT_EQ(r.target(reg::kIntEnable0), 0x85);
        EXPECT_EQ(r.target(reg::kStatus), flag::kC);
        EXPECT_EQ(r.target(kAddrLow), 8);
        EXPECT_EQ(r.target(kBase), 0);
        // The read routine ran at the next instruction, jumped back there and is gone again.
        EXPECT_EQ(r.emulator.chip.GetPC(), 0x31u);
        for (uint32_t a = 0x30; a < 0x36; ++a)
            EXPECT_EQ(r.emulator.chip.ProgramWord(a), r.mirror.ProgramWord(a)) << a;
        EXPECT_EQ(r.emulator.steps, (std::vector<uint8_t>{1, 5}));
        // Global interrupts were off in both steps.
        EXPECT_EQ(r.emulator.interruptsDuringStep, (std::vector<uint8_t>{0, 0}));
        EXPECT_EQ(r.eepromWord(7), 0xBEEF);
    }
}

TEST(EepromEmulationRequests, BothBitsOrNoneChangeNothing) {
    for (uint8_t bits : {0x00, 0x03}) {
        SCOPED_TRACE(int(bits));
        EepromRig r(1);
        r.setEepromWord(4, 0x4444);
        r.data(kAddrLow, 4);
        r.data(kDataLow, 0x11);
        // MVF 60h into W: an access that does not change the control register.
        r.load(0x20, {r.enc("MVF", {kControl, 0, 0})});
        r.data(kBase, bits);
        r.pc(0x20);
        EXPECT_EQ(r.emulation.emulatedStep(r.set), EepromEmulation::Request::None);
        EXPECT_EQ(r.target(kBase), bits);
        EXPECT_EQ(r.target(reg::kW), bits); // it read the bank-4 copy
        EXPECT_EQ(r.eepromWord(4), 0x4444);
        EXPECT_EQ(r.target(kAddrLow), 4);
    }
}

TEST(EepromEmulationAccess, MvffReadsTheBank4CopyAndBtgfRaisesARequest) {
    EepromRig r(1, CoreType::CX4A);
    // MVFF 060h, 070h: the control register into 70h.
    r.load(0x10, {r.enc("MVFF", {kControl}), r.enc("NOPF", {0x070})});
    r.data(kBase, 0x08);
    r.data(0x160, 0x77); // where an OR-ed bank bit would have read
    r.pc(0x10);
    EXPECT_EQ(r.emulation.emulatedStep(r.set), EepromEmulation::Request::None);
    EXPECT_EQ(r.target(0x70), 0x08);
    EXPECT_EQ(r.emulator.steps, std::vector<uint8_t>{2});
    EXPECT_EQ(r.emulator.chip.GetPC(), 0x12u);
    EXPECT_EQ(r.emulator.chip.ProgramWord(0x10), r.mirror.ProgramWord(0x10));

    EepromRig t(1);
    t.data(kAddrLow, 1);
    t.data(kDataLow, 0x42);
    t.data(kDataHigh, 0x00);
    t.setEepromWord(1, 0xFFFF);
    t.load(0x20, {t.enc("BTGF", {kControl, 1, 0})});
    t.pc(0x20);
    EXPECT_EQ(t.emulation.emulatedStep(t.set), EepromEmulation::Request::Write);
    EXPECT_EQ(t.eepromWord(1), 0x0042);
    EXPECT_EQ(t.target(kBase), 0);
}

TEST(EepromEmulationFailure, ALostLinkEndsTheStepWithoutARequest) {
    EepromRig r(1);
    r.data(kAddrLow, 3);
    r.emulator.failing = true;
    EXPECT_EQ(r.request(1), EepromEmulation::Request::None);
    EXPECT_TRUE(r.emulator.steps.empty());
    EXPECT_EQ(r.mirror.ReadData(kAddrLow), 3);
}

} // namespace
} // namespace zerka
