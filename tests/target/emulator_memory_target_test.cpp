// The emulator program-memory operations against the virtual unit, in every face.
#include "target_rig.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

class MemoryFaceTest : public ::testing::TestWithParam<Face> {};

TEST_P(MemoryFaceTest, DownloadAndVerifyRoundTrip) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    rig.loadPattern();
    int refreshed = 0;
    rig.memory.setHooks({{}, {}, [&refreshed] { ++refreshed; }});
    ASSERT_TRUE(rig.memory.DownloadAndVerify(true));
    EXPECT_EQ(refreshed, 1);
    for (uint32_t i = 0; i < rig.cpu.programSize(); ++i) {
        ASSERT_EQ(rig.unit.programWord(i), rig.cpu.ProgramWord(i)) << i;
        ASSERT_EQ(rig.cpu.ReadBackWord(i), rig.cpu.ProgramWord(i)) << i;
    }
    // The progress bar ran from 0 up to 100 and was hidden at the end.
    ASSERT_FALSE(rig.ui.progressCalls.empty());
    EXPECT_EQ(rig.ui.progressCalls.front(), 0);
    EXPECT_EQ(rig.ui.progressCalls.back(), -1);
    EXPECT_NE(std::find(rig.ui.progressCalls.begin(), rig.ui.progressCalls.end(), 100),
              rig.ui.progressCalls.end());
    EXPECT_FALSE(rig.memory.progressVisible());
    EXPECT_EQ(rig.usb.linkStatus, GetParam() == Face::Port ? kLinkLost : kLinkConnected);
}

TEST_P(MemoryFaceTest, VerifyFailsOnAnyDifferenceAndCheckFindsIt) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    rig.loadPattern();
    ASSERT_TRUE(rig.memory.DownloadAndVerify(true));
    const uint16_t code = rig.cpu.ProgramWord(100);
    rig.unit.setProgramWord(100, static_cast<uint16_t>(code - 1)); // smaller
    EXPECT_FALSE(rig.memory.VerifyProgram());
    EXPECT_FALSE(rig.memory.CheckProgramMemory());
    rig.unit.setProgramWord(100, static_cast<uint16_t>(code + 1)); // greater
    EXPECT_FALSE(rig.memory.VerifyProgram());
    rig.unit.setProgramWord(100, code);
    EXPECT_TRUE(rig.memory.CheckProgramMemory());
}

TEST_P(MemoryFaceTest, ReloadTakesTheEmulatorsWords) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    for (uint32_t i = 0; i < rig.cpu.programSize(); ++i)
        rig.unit.setProgramWord(i, static_cast<uint16_t>(0xC000 + i));
    ASSERT_TRUE(rig.memory.ReloadProgram());
    for (uint32_t i = 0; i < rig.cpu.programSize(); ++i)
        ASSERT_EQ(rig.cpu.ProgramWord(i), 0xC000 + i) << i;
}

TEST_P(MemoryFaceTest, InformationBlockAndDataBytes) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    EmulatorMemory::InfoBlock info{};
    for (size_t i = 0; i < info.size(); ++i)
        info[i] = static_cast<uint16_t>(0xA000 + 3 * i);
    ASSERT_TRUE(rig.memory.WriteInfoBlock(kIceInfoBlockAddress, info));
    EXPECT_EQ(rig.memory.infoReadBack(), info);
    EXPECT_EQ(rig.unit.infoWord(0), 0xA000);
    EXPECT_EQ(rig.unit.infoWord(255), 0xA000 + 3 * 255);
    EXPECT_EQ(rig.unit.programWord(0), 0); // not the program memory

    for (uint32_t a = 0x80; a < 0x180; ++a)
        rig.unit.cpu().WriteData(a, static_cast<uint8_t>(a * 7));
    ASSERT_TRUE(rig.memory.ReadDataBytes(0x80, 0x100));
    EXPECT_EQ(rig.cpu.ReadData(0x80), 0x80 * 7 & 0xFF);
    EXPECT_EQ(rig.cpu.ReadData(0x17F), 0x17F * 7 & 0xFF);
    EXPECT_EQ(rig.cpu.ReadData(0x7F), 0);
}

TEST_P(MemoryFaceTest, MemoryTestFindsTheFailingPosition) {
    for (bool full : {false, true}) {
        Rig rig(GetParam());
        ASSERT_TRUE(rig.connect());
        uint32_t position = 0xFFFF;
        EXPECT_EQ(rig.memory.EmulatorMemoryTest(full, position), kMemoryTestPassed);
    }
    {
        Rig rig(GetParam());
        ASSERT_TRUE(rig.connect());
        bool cleared = false;
        rig.memory.setHooks({[&cleared] { cleared = true; }, {}, {}});
        rig.unit.setStuckBits(false, 0x81, 0x01); // 5Ah reads back 5Bh
        uint32_t position = 0;
        EXPECT_EQ(rig.memory.EmulatorMemoryTest(false, position), kMemoryTestDataError);
        EXPECT_EQ(position, 0x81u);
        EXPECT_TRUE(cleared);
    }
    {
        Rig rig(GetParam());
        ASSERT_TRUE(rig.connect());
        rig.unit.setStuckBits(true, 2, 0x01); // the third byte of the block
        uint32_t position = 0;
        EXPECT_EQ(rig.memory.EmulatorMemoryTest(false, position), kMemoryTestProgramError);
        EXPECT_EQ(position, 2u);
    }
}

TEST_P(MemoryFaceTest, EepromTakesWritesOnlyWhenUnlockedWithTheLongPulse) {
    RigOptions o;
    o.unit.memoryType = RomType::Eeprom28C256;
    o.rom = RomType::Eeprom28C256;
    Rig rig(GetParam(), o);
    ASSERT_TRUE(rig.connect());
    rig.loadPattern(0x0F0F);
    ASSERT_TRUE(rig.memory.DownloadAndVerify(true));
    EXPECT_TRUE(rig.unit.eepromLocked());
    uint32_t position = 0;
    EXPECT_EQ(rig.memory.EmulatorMemoryTest(false, position), kMemoryTestPassed);

    // A host that treats the EEPROM as RAM neither unlocks it nor gives the long pulse.
    rig.settings.romSelect = RomType::Ram62256;
    rig.loadPattern(0x7777);
    EXPECT_FALSE(rig.memory.DownloadAndVerify(true));
    EXPECT_EQ(rig.unit.programWord(300), static_cast<uint16_t>(0x0F0F + 300 * 0x9E37u));
}

INSTANTIATE_TEST_SUITE_P(AllFaces, MemoryFaceTest,
                         ::testing::Values(Face::InProcess, Face::Bulk, Face::Hid, Face::Socket,
                                           Face::Port),
                         [](const auto& info) { return std::string(faceName(info.param)); });

TEST(EmulatorMemoryTargetTest, FullImageLeavesTheLastWordAlone) {
    for (Face face : {Face::Hid, Face::Port}) {
        RigOptions o;
        o.programWords = 32768;
        Rig rig(face, o);
        ASSERT_TRUE(rig.connect());
        rig.loadPattern();
        rig.unit.setProgramWord(32767, 0xBEEF);
        ASSERT_TRUE(rig.memory.DownloadAndVerify(true)) << faceName(face);
        EXPECT_EQ(rig.memory.transferWords(), 32767u);
        EXPECT_EQ(rig.unit.programWord(32766), rig.cpu.ProgramWord(32766));
        EXPECT_EQ(rig.unit.programWord(32767), 0xBEEF); // neither written nor compared
    }
}

TEST(EmulatorMemoryTargetTest, ResetVerifiesFirstAndDownloadsOnlyOnDifference) {
    Rig rig(Face::InProcess);
    ASSERT_TRUE(rig.connect());
    std::vector<std::string> log;
    rig.unit.setCommandLog([&log](const std::string& line) { log.push_back(line); });
    auto blockWrites = [&log] {
        return std::count_if(log.begin(), log.end(), [](const std::string& l) {
            return l.rfind("A2 block write", 0) == 0;
        });
    };
    rig.loadPattern();
    ASSERT_TRUE(rig.memory.DownloadAndVerify(true));
    EXPECT_EQ(blockWrites(), 1);
    log.clear();
    ASSERT_TRUE(rig.memory.DownloadAndVerify(false));
    EXPECT_EQ(blockWrites(), 0);
    rig.unit.setProgramWord(7, 0);
    ASSERT_TRUE(rig.memory.DownloadAndVerify(false));
    EXPECT_EQ(blockWrites(), 1);
    EXPECT_EQ(rig.unit.programWord(7), rig.cpu.ProgramWord(7));
}

TEST(EmulatorMemoryTargetTest, MirrorTestOnlyForAnEightKProgram) {
    RigOptions o;
    o.programWords = 8192;
    o.unit.programWords = 8192;
    Rig rig(Face::InProcess, o);
    ASSERT_TRUE(rig.connect());
    // Cells past the program hold nothing: an emptied 8K emulator mirrors them.
    EXPECT_TRUE(rig.memory.MirrorTest8K());
    rig.unit.setProgramWord(8192 + 5, 0x1234); // mirrored onto word 5
    EXPECT_EQ(rig.unit.programWord(5), 0x1234);
    EXPECT_FALSE(rig.memory.MirrorTest8K());
    rig.cpu.setProgramSize(16384);
    EXPECT_FALSE(rig.memory.MirrorTest8K());
}

TEST(EmulatorMemoryTargetTest, OneCorruptedVerifyIsCuredByTheRetry) {
    Rig rig(Face::InProcess);
    ASSERT_TRUE(rig.connect());
    rig.loadPattern();
    ASSERT_TRUE(rig.memory.DownloadAndVerify(true));
    // The first data chunk of the next verify comes back wrong once.
    const uint32_t intoVerify = 2 /*bit 1*/ + 2 /*word mode*/ + 1 /*header*/ + 1 /*A3*/;
    rig.unit.setFault({FaultKind::WrongByte, intoVerify - 1, 1, {}});
    EXPECT_TRUE(rig.memory.DownloadAndVerify(false));
    EXPECT_EQ(rig.usb.linkStatus, kLinkConnected);
}

} // namespace
} // namespace zerka::test
