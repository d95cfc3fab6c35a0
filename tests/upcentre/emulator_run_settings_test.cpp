// What the emulator branch takes from the chip description: how much data memory the mirror
// reads, the implemented bits of a byte register at 3Bh, and the built-in EEPROM layout.
#include "chip/chip_model.h"
#include "upcentre/run/emulator_run.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(EmulatorRunSettings, TheMirrorCoversEveryBankOfTheRamLayout) {
    ChipModel chip;
    chip.ramBank[0] = {0x80, 0xFF};
    chip.ramBank[1] = {0x100, 0x17F};
    chip.lastBankIndex = 1;
    EXPECT_EQ(EmulatorRunSettings::fromChip(chip).dataBytes, 0x200u);

    // A bank that ends beyond its own 256 bytes still counts in full; never beyond 4096.
    chip.ramBank[1] = {0x100, 0x2FF};
    EXPECT_EQ(EmulatorRunSettings::fromChip(chip).dataBytes, 0x300u);
    chip.ramBank[15] = {0xF00, 0xFFF};
    chip.lastBankIndex = 15;
    EXPECT_EQ(EmulatorRunSettings::fromChip(chip).dataBytes, CpuState::kDataSize);

    ChipModel bare;
    EXPECT_EQ(EmulatorRunSettings::fromChip(bare).dataBytes, 0x100u);
}

TEST(EmulatorRunSettings, ByteRegisterAt3BhAndTheEepromLayout) {
    ChipModel chip;
    EXPECT_FALSE(EmulatorRunSettings::fromChip(chip).maskRegister3B);
    ByteRegister r;
    r.address = 0x3B;
    r.name = "OSCCN";
    chip.byteRegisters.append(r);
    chip.implementedBits[0x3B] = 0x1F;
    const EmulatorRunSettings withMask = EmulatorRunSettings::fromChip(chip);
    EXPECT_TRUE(withMask.maskRegister3B);
    EXPECT_EQ(withMask.mask3B, 0x1F);

    chip.coreVariant = 1;
    chip.selfEromMode = 1;
    chip.selfEromPage = 0x160; // only its low byte addresses the control register
    chip.selfEromParam = {0, 0x62, 0x63, -1};
    const EepromConfig e = EmulatorRunSettings::fromChip(chip).eeprom;
    EXPECT_EQ(e.mode, 1);
    EXPECT_EQ(e.controlAddress(), 0x60);
    EXPECT_EQ(e.base, 0x460);
    EXPECT_EQ(e.param[1], 0x62);
    EXPECT_EQ(e.param[2], 0x63);
    EXPECT_EQ(e.param[3], 0); // not a data address: nothing is read from outside the memory
    EXPECT_EQ(e.core, CoreType::CX4B);
}

} // namespace
} // namespace zerka
