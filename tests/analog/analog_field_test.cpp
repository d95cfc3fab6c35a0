// Field arithmetic and the write path shared by the three calculators.
#include "analog/analog_field.h"

#include "analog_fixture.h"

namespace zerka {
namespace {

using test::AnalogChipTest;

TEST(AnalogFieldArithmetic, ReadAndWriteOnlyTouchTheFieldBits) {
    AnalogField f;
    f.width = 3;
    f.lowBit = 5;
    f.present = true;
    EXPECT_EQ(fieldMaxCode(f), 7u);
    EXPECT_EQ(fieldCodeOf(f, 0b1011'1111), 0b101);
    // Every code into every byte: the field reads back, the other bits stay.
    for (unsigned byte = 0; byte < 256; ++byte)
        for (unsigned code = 0; code < 8; ++code) {
            const uint8_t out = fieldByteWith(f, uint8_t(byte), code);
            ASSERT_EQ(fieldCodeOf(f, out), code);
            ASSERT_EQ(out & 0x1F, byte & 0x1F);
        }
    f.width = 8;
    f.lowBit = 0;
    EXPECT_EQ(fieldMaxCode(f), 255u);
    EXPECT_EQ(fieldByteWith(f, 0x12, 0xAB), 0xAB);
}

TEST(AnalogFieldArithmetic, BinaryDropDownTexts) {
    EXPECT_EQ(binaryCodeOf("00"), 0u);
    EXPECT_EQ(binaryCodeOf("101"), 5u);
    EXPECT_EQ(binaryCodeOf("1111"), 15u);
    EXPECT_EQ(binaryCodeOf("x 2"), 0u); // not a binary code
    EXPECT_EQ(binaryCodeOf(""), 0u);
    EXPECT_EQ(binaryText(5, 3), "101");
    EXPECT_EQ(binaryText(1, 4), "0001");
}

TEST_F(AnalogChipTest, WritesGoThroughTheRegisterEditPathAndRefuseWhatDoesNotFit) {
    load();
    const AnalogField& gain = *chip.adc.field("AD0GN"); // 52H, 3 bits from bit 5
    ASSERT_TRUE(gain.available());
    poke(0x52, 0x1F);
    EXPECT_EQ(readAnalogField(&up, gain), 0);
    int refreshed = 0;
    up.registerChanged().connect([&](uint32_t a) { refreshed += a == 0x52; });

    EXPECT_TRUE(writeAnalogField(&up, gain, 6));
    EXPECT_EQ(data(0x52), 0xDF);
    EXPECT_EQ(readAnalogField(&up, gain), 6);
    EXPECT_EQ(refreshed, 1);
    ASSERT_EQ(recorded(), 1u);
    EXPECT_EQ(up.cpu().registerRecord().at(0).oldValue, 0x1F);
    EXPECT_EQ(up.cpu().registerRecord().at(0).newValue, 0xDF);

    EXPECT_FALSE(writeAnalogField(&up, gain, 8)); // wider than the field
    EXPECT_FALSE(writeAnalogField(nullptr, gain, 1));
    AnalogField missing = gain;
    missing.present = false;
    EXPECT_FALSE(writeAnalogField(&up, missing, 1));
    EXPECT_EQ(readAnalogField(&up, missing), 0);
    EXPECT_EQ(data(0x52), 0xDF);
    EXPECT_EQ(refreshed, 1);
}

} // namespace
} // namespace zerka
