// The comparator's reference ladder and pin status rule, the op-amp's chip-labelled inputs, and
// edits in emulator mode reaching the target.
#include "analog/adc_calculator.h"
#include "analog/comparator_calculator.h"
#include "analog/opamp_calculator.h"

#include "analog_fixture.h"

#include <map>

namespace zerka {
namespace {

using test::AnalogChipTest;

TEST(ComparatorLadder, LabelsOfEveryCode) {
    EXPECT_EQ(cpvrsLabel(0), "Floating");
    EXPECT_EQ(cpvrsLabel(1), "VR0 = 62.5mV");
    EXPECT_EQ(cpvrsLabel(4), "VR3 = 250mV");
    EXPECT_EQ(cpvrsLabel(7), "VR6 = 437.5mV");
    EXPECT_EQ(cpvrsLabel(8), "VR7 = 562.5mV"); // 500 mV has no code
    EXPECT_EQ(cpvrsLabel(14), "VR13 = 937.5mV");
    EXPECT_EQ(cpvrsLabel(15), "VCP = 1000mV");
    // Every ladder step is 62.5 mV apart except across the missing 500 mV.
    double previous = 0;
    for (unsigned c = 1; c < 15; ++c) {
        const std::string s = cpvrsLabel(c);
        const double mv = std::stod(s.substr(s.find("= ") + 2));
        ASSERT_DOUBLE_EQ(mv - previous, c == 8 ? 125.0 : 62.5) << s;
        ASSERT_EQ(s.substr(0, s.find(' ')), "VR" + std::to_string(c - 1));
        previous = mv;
    }
}

TEST_F(AnalogChipTest, ComparatorPinStatusRule) {
    load();
    ComparatorCalculator cmp(chip, &up);
    EXPECT_EQ(cmp.cp2Status(), "CP2 OFF");
    EXPECT_EQ(cmp.cp1Status(), "CP1 OFF");
    // ENCPA bit 7 of 5AH; PTMX/TRISCX/PTDAX bit 7 of 4DH/4CH/4BH, the CP1 set bit 6.
    for (unsigned bits = 0; bits < 16; ++bits) {
        const bool en = bits & 8, pm = bits & 4, tc = bits & 2, da = bits & 1;
        poke(0x5A, en ? 0x80 : 0);
        poke(0x4D, pm ? 0x80 : 0x40);
        poke(0x4C, tc ? 0x80 : 0x40);
        poke(0x4B, da ? 0x80 : 0x00);
        cmp.DataUpdate();
        ASSERT_EQ(cmp.cp2Status(), en && pm && tc && !da ? "CP2 ON" : "CP2 OFF") << bits;
        // CP1's pin bits: PTMX1 and TRISCX1 always 1 here unless pm/tc, PTDAX1 0.
        ASSERT_EQ(cmp.cp1Status(), en && !pm && !tc ? "CP1 ON" : "CP1 OFF") << bits;
    }
    EXPECT_EQ(cmp.control("PTMX")->caption, "PM2.7");
    EXPECT_TRUE(cmp.control("PTDAX1")->visible);
    EXPECT_EQ(cmp.control("CPIH")->codeLabels[2], "Float"); // "--" in the description
}

TEST_F(AnalogChipTest, ComparatorSelectorsAndTheLadderOnAChipWithoutCp1Pins) {
    load("KXB0602");
    ComparatorCalculator cmp(chip, &up);
    EXPECT_FALSE(cmp.control("PTMX1")->visible);
    EXPECT_FALSE(cmp.control("CPVCS")->enabled);
    // CPIL of this chip has 000, 001 and 100 only.
    const AnalogControl& cpil = *cmp.control("CPIL");
    EXPECT_EQ(cpil.choices, (std::vector<std::string>{"000", "001", "100"}));
    EXPECT_TRUE(cmp.chooseEntry("CPIL", 2)); // bits 5..3 of 5CH
    EXPECT_EQ(data(0x5C), 0x20);
    EXPECT_EQ(cmp.control("CPIL")->text, "VCPR");
    // A code the description does not list shows no entry.
    poke(0x5C, 0x18);
    cmp.DataUpdate();
    EXPECT_EQ(cmp.control("CPIL")->choiceIndex, -1);
    EXPECT_TRUE(cmp.chooseText("CPVRS", "1000")); // bits 4..1 of 5BH
    EXPECT_EQ(data(0x5B), 0x10);
    EXPECT_EQ(cmp.control("CPVRS")->text, "VR7 = 562.5mV");
    // CPOIES: 1 falling edge, 0 rising; any click inverts it.
    EXPECT_TRUE(cmp.clickPanel("CPOIES"));
    EXPECT_EQ(cmp.control("CPOIES")->text, "Falling edge");
    EXPECT_FALSE(cmp.clickPanel("CPOIF")); // display only
}

TEST_F(AnalogChipTest, OpAmpInputsCarryTheChipLabels) {
    load();
    OpAmpCalculator op(chip, &up);
    const AnalogControl& n = *op.control("OP0N");
    EXPECT_EQ(n.choices, (std::vector<std::string>{"000", "001", "010", "011", "110", "111"}));
    EXPECT_TRUE(op.chooseEntry("OP0N", 4)); // "110": AIN4, bits 7..5 of 59H
    EXPECT_EQ(data(0x59), 0xC0);
    EXPECT_EQ(op.control("OP0N")->text, "AIN4");
    EXPECT_FALSE(op.chooseEntry("OP0N", 6)); // no such entry
    EXPECT_EQ(data(0x59), 0xC0);
    EXPECT_TRUE(op.selectCode("OP0M", 3));
    EXPECT_EQ(op.control("OP0M")->text, "Offset Negative");
    EXPECT_TRUE(op.clickPanel("ENOP"));
    EXPECT_EQ(op.control("ENOP")->text, "ON");
    EXPECT_EQ(data(0x58), 0xB0);
}

// The emulator side: register writes echo what the target stores, ADC bytes are read from it.
class FakeEmulator : public EmulatorRunPort, public EmulatorRegisterPort {
  public:
    bool rangeGuard(uint32_t) override { return true; }
    void startRun(bool) override {}
    Poll pollStopped() override { return Poll::Stopped; }
    void halt() override {}
    void step(uint32_t) override {}
    void writeBreakTable(const std::array<uint32_t, 16>&) override {}
    Body checkBody() override { return Body::Supported; }
    std::optional<uint32_t> readStackEntry(uint32_t) override { return 0; }
    uint32_t readTraceEntry(uint32_t) override { return 0; }
    void writePC(uint32_t) override {}
    void resetTarget() override {}
    std::optional<uint8_t> writeRegister(uint32_t address, uint8_t value) override {
        target[address] = value;
        return value;
    }
    std::map<uint32_t, uint8_t> target;
};

TEST_F(AnalogChipTest, OnTheEmulatorEditsReachTheTargetAndReadAdcFetchesTheResult) {
    load();
    FakeEmulator emulator;
    up.setEmulator(&emulator);
    up.cpu().setEmulatorPort(&emulator);
    AdcCalculator adc(chip, &up);
    EXPECT_TRUE(adc.clickPanel("ENADC0"));
    EXPECT_EQ(emulator.target[0x51], 0x80);
    EXPECT_EQ(recorded(), 1u);

    std::vector<uint32_t> asked;
    adc.ReadAdc([&](uint32_t a) -> uint8_t {
        asked.push_back(a);
        return uint8_t(a == 0x55 ? 0x00 : a == 0x56 ? 0x12 : 0x34);
    });
    EXPECT_EQ(asked, (std::vector<uint32_t>{0x55, 0x56, 0x57}));
    EXPECT_EQ(data(0x56), 0x12);
    EXPECT_EQ(recorded(), 1u);        // stored without a record
    EXPECT_EQ(adc.resultText(), "9"); // 0x001234 at 15 bits
}

TEST_F(AnalogChipTest, ReadAdcInTheSimulatorKeepsWhatTheProgramWrote) {
    load();
    AdcCalculator adc(chip, &up);
    poke(0x51, 0x80), poke(0x56, 0x40);
    bool asked = false;
    adc.ReadAdc([&](uint32_t) -> uint8_t { return asked = true, 0; });
    EXPECT_FALSE(asked);
    EXPECT_EQ(data(0x56), 0x40);
    EXPECT_EQ(adc.resultText(), "20"); // 0x004000 / 512
}

} // namespace
} // namespace zerka
