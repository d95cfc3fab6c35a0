// Oscillator calibration before burning, its set-up packet, and the programmer's own settings.
#include "chip/options_model.h"
#include "programmer/prog_settings.h"
#include "programmer_rig.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

using Lines = std::vector<std::string>;

TEST(CalibrationMode, FollowsTheSwitchTableAndAllOffKeepsTheMode) {
    EXPECT_EQ(calibrationModeOf(true, false, false), 0);
    EXPECT_EQ(calibrationModeOf(true, false, true), 1);
    EXPECT_EQ(calibrationModeOf(true, true, false), 2);
    EXPECT_EQ(calibrationModeOf(true, true, true), 3);
    EXPECT_EQ(calibrationModeOf(false, false, true), 4);
    EXPECT_EQ(calibrationModeOf(false, true, false), 5);
    EXPECT_EQ(calibrationModeOf(false, true, true), 6);
    EXPECT_EQ(calibrationModeOf(false, false, false), std::nullopt);
}

TEST(CalibrationSetup, PacketBytesFollowTheChipAndTheSwitches) {
    ChipModel chip;
    chip.hasHao = true;
    chip.hao = {0x0133, 0x10, 0, 0x01020304, 1000000, 4000000, 0x0142};
    chip.mckcnBit = {0x40, 0x06};
    chip.triscBit = {0x31, 0x02};
    CalibrationInputs in;
    in.hardware = in.softwareHao = in.softwareLpo = true;
    in.haoTarget = 2000000; // 1E8480h
    in.permissibleError = 2;
    in.lpoTarget = 28000; // 6D60h
    const auto p = calibrationSetupPacket(in, 3, chip, false, 1);
    const std::vector<uint8_t> head(p.begin(), p.begin() + 45);
    EXPECT_EQ(head, (std::vector<uint8_t>{0xF9, 0x10, 1,    39,   11,   0x80, 0x84, 0x1E, 0x00,
                                          2,    0,    0x04, 0x03, 0x02, 0x01, 0x10, 8,    0x42,
                                          3,    0x60, 0x6D, 0x00, 0x00, 0xFF, 0x06, 0xFF, 0xFF,
                                          0x33, 0x66, 0x40, 0x96, 0x31, 0x92, 0x30, 0xE2, 0x47,
                                          120,  0xFF, 0x06, 0xFF, 0x66, 0xFF, 0x06, 0xFE, 0x66}));
    // The first core type fixes bytes 35 and 36; H off leaves bytes 27 and 28 at FFh.
    in.hardware = false;
    const auto q = calibrationSetupPacket(in, 6, chip, true, 0);
    EXPECT_EQ(q[2], 0);
    EXPECT_EQ(q[27], 0xFF);
    EXPECT_EQ(q[28], 0xFF);
    EXPECT_EQ(q[35], 254);
    EXPECT_EQ(q[36], 127);
}

// A calibrating chip (#HAO) in a programmer with firmware 2.1.
struct CalRig {
    CalRig() : rig(Face::InProcess, options()), options_(rig.library, rig.chip) {
        options_.controls().EnHAO.checked = true;
        options_.controls().EHAO.text = "2000000";
        options_.controls().EPERMISS.text = "2";
        options_.controls().ELAO.text = "28000";
        options_.restoreHardwareCalibration(true);
        rig.useImage(0xCA1);
    }
    static ProgRigOptions options() {
        ProgRigOptions o;
        o.chip = "KXA1604";
        return o;
    }
    Programmer programmer() {
        ProgrammerEnv env = rig.env();
        env.calibration = &calibration;
        return Programmer(env);
    }
    ProgRig rig;
    OptionsModel options_;
    OscCalibration calibration{options_, rig.chip, rig.ui};
};

TEST(CalibrationJob, ResultsZeroAndOneGoOnAndAreClosedAfterTheBurn) {
    CalRig cal;
    auto p = cal.programmer();
    ASSERT_TRUE(p.DownloadCommand(cal.rig.state.programmerHexFile).success);
    EXPECT_TRUE(cal.rig.log.has("OK: H/W HAO Calibration Function ON!"));
    EXPECT_EQ(cal.rig.unit.programmer().calibrationSetup()[18], 0); // mode 0: H alone
    cal.rig.unit.programmer().chip().insertBlank(0x21);
    EXPECT_TRUE(p.progProgram().success);
    EXPECT_EQ(Lines(cal.rig.log.lines.begin(), cal.rig.log.lines.begin() + 3),
              (Lines{"Next: HAO Calibration OK", "Next: HAO Clock = 2002 KHz",
                     "Program: Program Chip OK"}));
    // The same chip again: already calibrated, the burn goes on.
    cal.rig.unit.programmer().chip().calibrated = true;
    cal.rig.unit.programmer().setCalibrationResult(1);
    p.progProgram();
    EXPECT_EQ(cal.rig.log.lines.front(), "Next: HAO had been Calibrated");
}

TEST(CalibrationJob, Results253And254EndTheOperation) {
    CalRig cal;
    auto p = cal.programmer();
    ASSERT_TRUE(p.DownloadCommand(cal.rig.state.programmerHexFile).success);
    cal.rig.unit.programmer().setCalibrationResult(253);
    EXPECT_FALSE(p.progProgram().success);
    EXPECT_EQ(cal.rig.log.lines.size(), 1u);
    EXPECT_EQ(cal.rig.log.lines[0].rfind("ERROR: Frequency is out of range", 0), 0u);
    cal.rig.unit.programmer().setCalibrationResult(254, 0x40);
    EXPECT_FALSE(p.progAuto().success);
    EXPECT_EQ(cal.rig.log.lines, Lines{"ERROR: CHIPID Check Error!! - 3"});
    cal.rig.unit.programmer().setCalibrationResult(254, 0x10);
    p.progAuto();
    EXPECT_EQ(cal.rig.log.lines, Lines{"ERROR: Blank Check Error!! - 3"});
    EXPECT_EQ(cal.rig.unit.programmer().chip().code(0), 0xFFFF); // nothing burned
    EXPECT_EQ(cal.rig.unit.mode(), UnitMode::Debug);
}

TEST(CalibrationPage, ClosingRefusesOutOfRangeInputsInOrder) {
    CalRig cal;
    auto& c = cal.options_.controls();
    c.EHAO.text = "9000000";
    c.ELAO.text = "50000";
    EXPECT_FALSE(cal.calibration.validateAndComputeMode());
    c.EHAO.text = "2000000";
    EXPECT_FALSE(cal.calibration.validateAndComputeMode());
    EXPECT_EQ(cal.rig.ui.messages, (Lines{"Input HAO over Range! Please Check Input HAO!!",
                                          "Input LPO over Range! Please Check Input LPO!!"}));
    // Computing the mode replaces the bad LPO entry.
    cal.calibration.recomputeMode();
    EXPECT_EQ(c.ELAO.text, "28000");
}

TEST(ProgrammerSettings, EachSetIsReadBackAndADownloadSwitchesThemOff) {
    ProgRig rig(Face::Hid);
    ASSERT_EQ(rig.usb.connect(), kLinkConnected);
    ProgLink link(rig.usb);
    ProgrammerSettingsCommands s(link);
    EXPECT_EQ(s.setBuzzer(true), true);
    EXPECT_EQ(rig.unit.programmer().settings().buzzer, 0xAA);
    EXPECT_EQ(s.setKey(false), false); // "Blank OFF" goes out as AAh
    EXPECT_EQ(rig.unit.programmer().settings().key, 0xAA);
    EXPECT_EQ(s.setChecksum(true), true);
    const auto number = s.setChipCode(true, 1000, 0x05);
    ASSERT_TRUE(number);
    EXPECT_TRUE(number->on);
    EXPECT_EQ(number->number, 1000u);

    // Each burned chip gets the number in SBM words 110 and 111, and the count goes up.
    rig.useImage(0x10);
    auto p = rig.programmer();
    ASSERT_TRUE(p.progAuto().success);
    EXPECT_EQ(rig.unit.programmer().chip().sbm(111), 1000);
    EXPECT_EQ(s.readChipCode()->number, 1001u);

    ASSERT_TRUE(p.DownloadCommand(rig.state.programmerHexFile).success);
    ProgrammerSettingsPage page;
    ASSERT_TRUE(s.readAll(page));
    EXPECT_EQ(page.firmware, "WRIV0210");
    EXPECT_FALSE(page.buzzerOn);
    EXPECT_FALSE(page.checkOn);
    EXPECT_FALSE(page.chipCode.on);
    EXPECT_EQ(rig.unit.programmer().settings().key, 0xFF);
}

// A unit that answers settings from a script and records what it was sent.
class ScriptedUnit : public PacketTransport {
  public:
    bool write(const uint8_t* d, size_t n) override {
        sent.emplace_back(d, d + n);
        return true;
    }
    bool read(uint8_t* d, size_t n) override {
        std::vector<uint8_t> r(n, 0);
        const auto& last = sent.back();
        if (last[0] == 0xF9 && last[1] == 0x02) r[0] = r[1] = 0xFF;
        if (last[0] == 0xF9 && last[1] == 0xAC) std::memcpy(r.data(), "PROBEONE", 8);
        if (last[0] == 0xF9 && last[1] == 0x14) r[1] = 0xFF; // the buzzer stayed off
        if (last[0] == 0xF9 && last[1] == 0x1B) r[1] = 0xFF;
        std::memcpy(d, r.data(), n);
        return true;
    }
    std::string describe() const override { return "script"; }
    std::vector<std::vector<uint8_t>> sent;
};

TEST(ProgrammerSettings, TheAnswerNotTheRequestDecidesWhatThePageShows) {
    auto* unit = new ScriptedUnit;
    UsbBackends b;
    b.virtualTarget = [unit](std::string&) { return std::unique_ptr<PacketTransport>(unit); };
    UsbLink usb(std::move(b));
    ASSERT_EQ(usb.connect(), kLinkConnected);
    ProgLink link(usb);
    ProgrammerSettingsCommands s(link);
    EXPECT_EQ(s.setBuzzer(true), false);
    const auto& set = unit->sent[unit->sent.size() - 2];
    EXPECT_EQ(std::vector<uint8_t>(set.begin(), set.begin() + 3),
              (std::vector<uint8_t>{0xF9, 0x13, 0xAA}));
    s.setChipCode(true, 1000, 7);
    const auto& code = unit->sent[unit->sent.size() - 2];
    EXPECT_EQ(std::vector<uint8_t>(code.begin(), code.begin() + 8),
              (std::vector<uint8_t>{0xF9, 0x1A, 0xAA, 0xE8, 0x03, 0x00, 0x00, 7}));
}

} // namespace
} // namespace zerka::test
