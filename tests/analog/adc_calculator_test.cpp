// The ADC calculator's model on a chip with every ADC field (KXA1608: 24-bit result) and on one
// with a 16-bit result (KXB0802).
#include "analog/adc_calculator.h"

#include "analog_fixture.h"

#include <cmath>
#include <cstdio>

namespace zerka {
namespace {

using test::AnalogChipTest;

// Signed division by 2^(24 - bits) truncating toward zero, worked out in floating point.
int32_t expectedScaled(int32_t raw, int bits) {
    return int32_t(std::trunc(double(raw) / std::ldexp(1.0, 24 - bits)));
}

TEST(AdcResult, EveryOutputBitSettingForPositiveAndNegativeResults) {
    for (const int32_t raw : {0x7FFFFF, 0x123456, 1, -1, -0x123456, -0x800000, 0})
        for (int bits = 8; bits <= 24; ++bits) {
            const int32_t v = expectedScaled(raw, bits);
            ASSERT_EQ(adcScaledValue(raw, bits), v) << raw << " " << bits;
            ASSERT_EQ(adcResultText(raw, bits, false), std::to_string(v));
            char hex[16];
            std::snprintf(hex, sizeof hex, "%X", uint32_t(v));
            std::string h = hex;
            if (h.size() > 6) h = h.substr(h.size() - 6);
            ASSERT_EQ(adcResultText(raw, bits, true), h) << raw << " " << bits;
        }
    // The edges named for the window: 24 bits unchanged, 8 bits divided by 65536, negatives
    // stay negative, six digits of F for a negative HEX text, "0" for zero.
    EXPECT_EQ(adcResultText(0x123456, 24, true), "123456");
    EXPECT_EQ(adcResultText(0x123456, 8, true), "12");
    EXPECT_EQ(adcResultText(-65537, 8, false), "-1");
    EXPECT_EQ(adcResultText(-65535, 8, false), "0");
    EXPECT_EQ(adcResultText(-1, 24, true), "FFFFFF");
    EXPECT_EQ(adcResultText(-0x10, 24, true), "FFFFF0");
    EXPECT_EQ(adcResultText(0, 15, true), "0");
}

TEST(AdcResult, RegistersAreSignExtendedFromTheirTopByte) {
    EXPECT_EQ(adcRawValue(true, 0x80, 0x00, 0x00), -0x800000);
    EXPECT_EQ(adcRawValue(true, 0x7F, 0xFF, 0xFF), 0x7FFFFF);
    EXPECT_EQ(adcRawValue(true, 0xFF, 0xFF, 0xFE), -2);
    // Without ADC0OH the result is 16 bits wide.
    EXPECT_EQ(adcRawValue(false, 0x12, 0x80, 0x00), -0x8000);
    EXPECT_EQ(adcRawValue(false, 0x12, 0x7F, 0xFF), 0x7FFF);
}

TEST_F(AnalogChipTest, AdcWindowShowsTheResultRegistersAndAdcOff) {
    load();
    AdcCalculator adc(chip, &up);
    // Created: HEX, 15 bits, result label before any refresh.
    EXPECT_EQ(adc.outputMode(), 0);
    EXPECT_EQ(adc.outputBitsIndex(), 7);
    EXPECT_FALSE(adc.gainWarningVisible());
    poke(0x55, 0xF0), poke(0x56, 0x00), poke(0x57, 0x01);
    adc.DataUpdate();
    EXPECT_EQ(adc.resultText(), "ADC OFF"); // ENADC0 is 0 whatever the registers hold
    poke(0x51, 0x80);
    adc.DataUpdate();
    // 0xF00001 = -1048575; at 15 bits divided by 512 toward zero: -2047 = 0xFFFFF801.
    EXPECT_EQ(adc.resultText(), "FFF801");
    adc.setOutputMode(1);
    EXPECT_EQ(adc.resultText(), "-2047");
    adc.setOutputBitsIndex(16);
    EXPECT_EQ(adc.resultText(), "-1048575");
    // A damaged configuration value is brought into range.
    adc.setOutputBitsIndex(99);
    EXPECT_EQ(adc.outputBitsIndex(), 16);
    adc.setOutputMode(-3);
    EXPECT_EQ(adc.outputMode(), 0);
    adc.resetSetting();
    EXPECT_EQ(adc.outputBitsIndex(), 0);
    EXPECT_EQ(adc.resultText(), "FFFFF1"); // 8 bits of 0xF00001: -15
}

TEST_F(AnalogChipTest, AdcWithoutHighResultRegisterIsSixteenBits) {
    load("KXB0802");
    AdcCalculator adc(chip, &up);
    poke(0x51, 0x80), poke(0x55, 0x7F), poke(0x56, 0xFF), poke(0x57, 0xFF);
    adc.setOutputMode(1);
    adc.setOutputBitsIndex(16);
    adc.DataUpdate();
    EXPECT_EQ(adc.resultText(), "-1"); // 0x55 is not a result register on this chip
    EXPECT_FALSE(adc.temperatureVisible());
    EXPECT_FALSE(adc.control("INBUF0")->enabled);
    EXPECT_TRUE(adc.control("INX0")->enabled);
}

TEST_F(AnalogChipTest, SignalBufferOnlyWithPgaOffAndTheGainWarning) {
    load();
    AdcCalculator adc(chip, &up);
    // INBUF0 is bit 3 of 51H, PGA0GN bits 4..3 of 52H, AD0GN bits 7..5 of 52H.
    poke(0x51, 0x08);
    poke(0x52, 5 << 5);
    adc.DataUpdate();
    EXPECT_TRUE(adc.control("INBUF0")->on);
    EXPECT_TRUE(adc.gainWarningVisible());
    poke(0x52, 4 << 5);
    adc.DataUpdate();
    EXPECT_FALSE(adc.gainWarningVisible()); // x 4 is still allowed
    // PGA x 2: the buffer is drawn off although its bit is 1, and no warning at any gain.
    for (unsigned gain = 0; gain < 8; ++gain) {
        poke(0x52, uint8_t(gain << 5 | 1 << 3));
        adc.DataUpdate();
        ASSERT_FALSE(adc.control("INBUF0")->on);
        ASSERT_FALSE(adc.gainWarningVisible());
        ASSERT_EQ(adc.control("PGA0GN")->text, "x 2");
    }
    // A click on INBUF writes the bit and is drawn by the same rule.
    EXPECT_TRUE(adc.clickPanel("INBUF0"));
    EXPECT_EQ(data(0x51) & 0x08, 0);
    EXPECT_TRUE(adc.clickPanel("INBUF0"));
    EXPECT_EQ(data(0x51) & 0x08, 0x08);
    EXPECT_FALSE(adc.control("INBUF0")->on);
}

TEST_F(AnalogChipTest, AdcSelectorsRefuseCodesTheFieldCannotHoldAndInputsWrap) {
    load();
    AdcCalculator adc(chip, &up);
    poke(0x52, 0x08); // PGA0GN 01
    adc.DataUpdate();
    const size_t before = recorded();
    // "101" is not in PGA's four entries, and as a text it stands for a code above 3.
    EXPECT_FALSE(adc.chooseText("PGA0GN", "101"));
    EXPECT_EQ(data(0x52), 0x08);
    EXPECT_EQ(adc.control("PGA0GN")->choiceIndex, 1);
    EXPECT_EQ(recorded(), before);
    EXPECT_TRUE(adc.chooseEntry("PGA0GN", 3));
    EXPECT_EQ(data(0x52), 0x18);
    EXPECT_EQ(adc.control("PGA0GN")->text, "x 8");
    EXPECT_EQ(recorded(), before + 1);

    // INX0 is two bits: the input picture goes 0, 1, 2, 3 and back to 0.
    poke(0x53, 0xA3);
    adc.DataUpdate();
    EXPECT_EQ(adc.control("INX0")->code, 3);
    EXPECT_EQ(adc.control("INX0")->text, "IN3");
    EXPECT_TRUE(adc.clickInputPicture());
    EXPECT_EQ(data(0x53), 0xA0);
    EXPECT_TRUE(adc.clickInputPicture());
    EXPECT_EQ(data(0x53), 0xA1);
    EXPECT_EQ(adc.control("INX0")->text, "IN1");

    // The divider register is named by address only: its low three bits.
    poke(0x54, 0xF8);
    adc.DataUpdate();
    EXPECT_EQ(adc.control("ADCS0")->text, "\xC3\xB7 1");
    EXPECT_TRUE(adc.selectCode("ADCS0", 7));
    EXPECT_EQ(data(0x54), 0xFF);
    EXPECT_EQ(adc.control("ADCS0")->text, "\xC3\xB7 128");
    EXPECT_TRUE(adc.selectCode("OSR0", 7));
    EXPECT_EQ(adc.control("OSR0")->text, "ADC_CK / 32768");
    EXPECT_TRUE(adc.selectCode("DCSET0", 4));
    EXPECT_EQ(adc.control("DCSET0")->text, "S + 0");
    EXPECT_TRUE(adc.selectCode("DCSET0", 5));
    EXPECT_EQ(adc.control("DCSET0")->text, "S - VRE*1/4");
}

TEST_F(AnalogChipTest, VddaTextAndLabels) {
    load();
    AdcCalculator adc(chip, &up);
    adc.DataUpdate();
    EXPECT_EQ(adc.control("VDDAX")->text, "VDDA = External");
    EXPECT_TRUE(adc.chooseEntry("VDDAX", 2)); // bits 6..5 of 50H
    EXPECT_EQ(data(0x50), 0x40);
    EXPECT_EQ(adc.control("VDDAX")->text, "VDDA = External");
    EXPECT_TRUE(adc.clickPanel("ENVDDA"));
    EXPECT_EQ(data(0x50), 0xC0);
    EXPECT_EQ(adc.control("VDDAX")->text, "VDDA = 2.4 V");
    EXPECT_EQ(adc.control("VDDAX")->choiceIndex, 2);
}

TEST_F(AnalogChipTest, NothingHappensBeforeTheUpCentreExists) {
    load();
    AdcCalculator adc(chip, nullptr);
    poke(0x51, 0xFF);
    adc.DataUpdate();
    EXPECT_EQ(adc.control("ENADC0")->code, 0);
    EXPECT_FALSE(adc.clickPanel("ENADC0"));
    EXPECT_FALSE(adc.chooseEntry("PGA0GN", 1));
    adc.ReadAdc([](uint32_t) -> uint8_t { return 0x55; });
    EXPECT_EQ(recorded(), 0u);
    adc.setUpCentre(&up);
    adc.DataUpdate();
    EXPECT_EQ(adc.control("ENADC0")->code, 1);
}

} // namespace
} // namespace zerka
