// The virtual unit behind the link: identification in every face, display and modes, and the
// emulator's run control executing a downloaded program.
#include "target_rig.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

constexpr uint16_t kInf80 = 0x3A80; // INF 80h, to the file
constexpr uint16_t kNop = 0x0000;
constexpr uint16_t kJmp0 = 0x7800;
constexpr uint16_t kCall0 = 0xC800;
constexpr uint16_t kSleep = 0x0002;

class FaceTest : public ::testing::TestWithParam<Face> {};

TEST_P(FaceTest, ConnectsWithHandshakeAndAnswersIdentity) {
    RigOptions o;
    o.unit.deviceNumber = 0x01020304;
    o.unit.deviceNumber2 = 0xA0B0C0D0;
    Rig rig(GetParam(), o);
    ASSERT_TRUE(rig.connect());
    EXPECT_EQ(rig.usb.linkStatus, kLinkConnected);
    EXPECT_EQ(rig.usb.deviceNumber, 0x01020304u);
    EXPECT_EQ(rig.usb.deviceNumber2, 0xA0B0C0D0u);
    EXPECT_TRUE(rig.unit.handshakeComplete());
    EXPECT_EQ(rig.usb.identify(), 1);
    EXPECT_EQ(rig.usb.maxPacketSize(), 64);
    if (GetParam() == Face::Bulk) {
        EXPECT_EQ(rig.usb.deviceName(), "ZkUSB-0");
    }
    if (GetParam() == Face::Hid) {
        EXPECT_EQ(rig.usb.usbMode(), 1);
    }
    // The body identifier through the emulator's register space.
    EXPECT_EQ(rig.ice.readIceBodyId(), 0);
    EXPECT_EQ(rig.ice.iceBodyId(), rig.unit.config().bodyId);
}

TEST_P(FaceTest, SecondModelTextAndUnplugging) {
    RigOptions o;
    o.unit.model = "PROBETWO";
    Rig rig(GetParam(), o);
    ASSERT_TRUE(rig.connect());
    EXPECT_EQ(rig.usb.identify(), 2);
    rig.unit.setFault({FaultKind::Disconnect, 0, 0, {}});
    EXPECT_EQ(rig.usb.identify(), 0);
    EXPECT_EQ(rig.usb.connect(), kLinkLost); // once: connected but silent
    rig.usb.clearConnected();
    EXPECT_EQ(rig.usb.connect(), kLinkLost); // then the search finds nothing
    EXPECT_FALSE(rig.usb.isOpen());
    rig.unit.replug();
    EXPECT_EQ(rig.usb.connect(), kLinkConnected);
}

INSTANTIATE_TEST_SUITE_P(UsbFaces, FaceTest,
                         ::testing::Values(Face::InProcess, Face::Bulk, Face::Hid, Face::Socket),
                         [](const auto& info) { return std::string(faceName(info.param)); });

TEST(TargetUnitTest, HidReadAlwaysFillsOneWholeReport) {
    Rig rig(Face::Hid);
    ASSERT_TRUE(rig.connect());
    rig.usb.ioBuffer.fill(0x77);
    rig.usb.ioBuffer[0] = 0xA8;
    ASSERT_TRUE(rig.usb.write(1));
    ASSERT_TRUE(rig.usb.read(2));
    EXPECT_EQ(rig.usb.ioBuffer[0], kUnitAck);
    for (size_t i = 2; i < 64; ++i)
        EXPECT_EQ(rig.usb.ioBuffer[i], 0) << i; // the report's padding arrived
    EXPECT_EQ(rig.usb.ioBuffer[64], 0x77);      // beyond one report nothing changes
}

TEST(TargetUnitTest, DisplayShowsTwoLinesAndModesGateTheEmulator) {
    Rig rig(Face::InProcess);
    ASSERT_TRUE(rig.connect());
    auto send = [&rig](std::vector<uint8_t> packet) {
        std::copy(packet.begin(), packet.end(), rig.usb.ioBuffer.begin());
        return rig.usb.write(packet.size()) && rig.usb.read(8);
    };
    const std::string text = "ZK-IDE Debug Mode               ";
    std::vector<uint8_t> show = {0xBB, 0x02, static_cast<uint8_t>(text.size())};
    show.insert(show.end(), text.begin(), text.end());
    ASSERT_TRUE(send({0xBB, 0x00}));
    ASSERT_TRUE(send(show));
    EXPECT_EQ(rig.unit.displayLine(0), "ZK-IDE Debug Mod");
    EXPECT_EQ(rig.unit.displayLine(1), "e               ");
    ASSERT_TRUE(send({0xBB, 0x01, 16}));
    ASSERT_TRUE(send({0xBB, 0x02, 2, 'O', 'K'}));
    EXPECT_EQ(rig.unit.displayLine(1).substr(0, 2), "OK");

    // Programmer mode: the emulator does not answer; debug mode brings it back.
    ASSERT_TRUE(send({0xF9, 0x0C, 1}));
    EXPECT_EQ(rig.usb.ioBuffer[0], kUnitAck);
    EXPECT_EQ(rig.unit.mode(), UnitMode::Programmer);
    EXPECT_EQ(rig.ice.iceReadControl(), 0xFF);
    EXPECT_EQ(rig.usb.linkStatus, kLinkLost);
    ASSERT_TRUE(rig.reconnect());
    ASSERT_TRUE(send({0xF9, 0x0C, 0}));
    EXPECT_EQ(rig.unit.mode(), UnitMode::Debug);
    EXPECT_NE(rig.ice.iceReadControl(), 0xFF);
}

// A host that drives the emulator's run control on a small program.
class RunTest : public ::testing::TestWithParam<Face> {
  protected:
    void load(Rig& rig, std::initializer_list<uint16_t> words) {
        uint32_t a = 0;
        for (uint16_t w : words)
            rig.unit.setProgramWord(a++, w);
    }
};

TEST_P(RunTest, RunStopsAtAComparatorAndTracesTheAddresses) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    load(rig, {kInf80, kNop, kNop, kJmp0});
    std::array<uint32_t, 16> table;
    table.fill(0xFFFFF);
    table[1] = 2;
    ASSERT_TRUE(rig.ice.iceWriteBreakTable(table));
    EXPECT_EQ(rig.unit.comparator(1), 2u);
    ASSERT_TRUE(rig.ice.icePrepareRun()); // PC 0
    ASSERT_TRUE(rig.ice.iceGoVariant());
    IceStopPoll poll;
    for (int i = 0; i < 10 && !poll.stopped; ++i)
        poll = rig.ice.iceStopped();
    ASSERT_TRUE(poll.stopped);
    EXPECT_FALSE(poll.linkLost);
    ASSERT_TRUE(rig.ice.iceHalt());
    uint8_t pc[3] = {};
    ASSERT_TRUE(rig.ice.iceReadBytes(0x106B, std::span<uint8_t>(pc)));
    EXPECT_EQ(pc[2], 2);
    EXPECT_EQ(rig.ice.iceReadByte(0x80), 1); // INF ran once
    uint8_t trace[6] = {};
    ASSERT_TRUE(rig.ice.iceReadBytes(0x1030, std::span<uint8_t>(trace)));
    EXPECT_EQ(trace[2], 1); // newest first: the NOP at 1, then the INF at 0
    EXPECT_EQ(trace[5], 0);
}

TEST_P(RunTest, GoWithoutComparatorsRunsUntilHalt) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    load(rig, {kInf80, kJmp0});
    std::array<uint32_t, 16> table{}; // comparators at 0: ignored by a plain go
    ASSERT_TRUE(rig.ice.iceWriteBreakTable(table));
    ASSERT_TRUE(rig.ice.icePrepareRun());
    ASSERT_TRUE(rig.ice.iceGo());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(rig.ice.iceStopped().stopped);
    ASSERT_TRUE(rig.ice.iceHalt());
    EXPECT_TRUE(rig.ice.iceStopped().stopped);
    EXPECT_GT(rig.ice.iceReadByte(0x80), 3);
}

TEST_P(RunTest, StepCountsCyclesFromTheStepBase) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    load(rig, {kInf80, kNop, kJmp0});
    ASSERT_TRUE(rig.ice.icePrepareRun());
    auto pc = [&rig] {
        uint8_t b[3] = {};
        EXPECT_TRUE(rig.ice.iceReadBytes(0x106B, std::span<uint8_t>(b)));
        return b[2];
    };
    ASSERT_TRUE(rig.ice.iceStep(1));
    EXPECT_TRUE(rig.ice.iceStopped().stopped);
    EXPECT_EQ(pc(), 1);
    ASSERT_TRUE(rig.ice.iceHalt());
    ASSERT_TRUE(rig.ice.iceStep(1));
    ASSERT_TRUE(rig.ice.iceHalt());
    EXPECT_EQ(pc(), 2);
    ASSERT_TRUE(rig.ice.iceStep(1));
    ASSERT_TRUE(rig.ice.iceHalt());
    EXPECT_EQ(pc(), 0);
    uint8_t cycles[4] = {};
    ASSERT_TRUE(rig.ice.iceReadBytes(0x1061, std::span<uint8_t>(cycles)));
    EXPECT_EQ(cycles[3], 3); // one cycle per instruction stepped
}

TEST_P(RunTest, StackReadAndStopOnOverflow) {
    Rig rig(GetParam());
    rig.settings.stackDepth = 8;
    rig.settings.stopOnStackOverflow = true;
    ASSERT_TRUE(rig.connect());
    load(rig, {kCall0});
    ASSERT_TRUE(rig.ice.icePrepareRun());
    ASSERT_TRUE(rig.ice.iceGo());
    IceStopPoll poll;
    for (int i = 0; i < 10 && !poll.stopped; ++i)
        poll = rig.ice.iceStopped();
    EXPECT_TRUE(poll.stopped);
    ASSERT_TRUE(rig.ice.iceHalt());
    const auto stack = rig.ice.iceReadStack();
    ASSERT_TRUE(stack.has_value());
    ASSERT_EQ(stack->size(), 8u);
    EXPECT_EQ((*stack)[0], 1u); // every call returns to word 1
    EXPECT_EQ((*stack)[7], 1u);
}

TEST_P(RunTest, SleepingChipHidesItsIdentifierUntilTheButton) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.connect());
    load(rig, {kSleep, kNop});
    ASSERT_TRUE(rig.ice.icePrepareRun());
    ASSERT_TRUE(rig.ice.iceStep(1));
    ASSERT_TRUE(rig.ice.iceHalt());
    EXPECT_EQ(rig.ice.readIceBodyId(), 1);
    EXPECT_EQ(rig.ice.iceBodyId(), 0);
    rig.unit.pressWakeButton();
    EXPECT_EQ(rig.ice.readIceBodyId(), 0);
}

INSTANTIATE_TEST_SUITE_P(AllFaces, RunTest,
                         ::testing::Values(Face::InProcess, Face::Hid, Face::Socket, Face::Port),
                         [](const auto& info) { return std::string(faceName(info.param)); });

TEST(TargetUnitTest, DataWatchStopsWhenTheByteTakesTheData) {
    Rig rig(Face::InProcess);
    ASSERT_TRUE(rig.connect());
    rig.unit.setProgramWord(0, kInf80);
    rig.unit.setProgramWord(1, kJmp0);
    ASSERT_TRUE(rig.ice.iceSetWatch(0xFF, 0x05, 0x80));
    ASSERT_TRUE(rig.ice.icePrepareRun());
    ASSERT_TRUE(rig.ice.iceGo());
    IceStopPoll poll;
    for (int i = 0; i < 10 && !poll.stopped; ++i)
        poll = rig.ice.iceStopped();
    ASSERT_TRUE(poll.stopped);
    EXPECT_EQ(rig.ice.iceReadByte(0x80), 5);
}

TEST(TargetUnitTest, StackLevelsThroughThePointerRegister) {
    // The printer-port way of reading the stack: select a level, read the top-of-stack bytes.
    Rig rig(Face::Port);
    rig.settings.stackDepth = 4;
    ASSERT_TRUE(rig.connect());
    rig.unit.cpu().SetStackEntry(1, 0x000123);
    rig.unit.cpu().SetStackEntry(2, 0x000456);
    const auto stack = rig.ice.iceReadStack();
    ASSERT_TRUE(stack.has_value());
    EXPECT_EQ((*stack)[0], 0x123u);
    EXPECT_EQ((*stack)[1], 0x456u);
}

TEST(TargetUnitTest, ConfigurationBlockLandsAtWord8100) {
    RigOptions o;
    o.unit.bodyId = kBody8024;
    o.unit.memoryType = RomType::Eeprom28C256;
    o.rom = RomType::Eeprom28C256;
    for (Face face : {Face::InProcess, Face::Port}) {
        Rig rig(face, o);
        ASSERT_TRUE(rig.connect());
        ASSERT_EQ(rig.ice.readIceBodyId(), 0);
        const uint32_t breakpoints[2] = {0x12, 0x345};
        ASSERT_TRUE(rig.ice.iceDownloadConfig(breakpoints));
        const auto block = rig.ice.configurationBlock(breakpoints);
        for (size_t i = 0; i < block.size() / 2; ++i)
            EXPECT_EQ(rig.unit.configWord(static_cast<uint32_t>(i)),
                      block[2 * i] << 8 | block[2 * i + 1])
                << faceName(face) << " word " << i;
        EXPECT_TRUE(rig.unit.eepromLocked()) << faceName(face);
    }
}

} // namespace
} // namespace zerka::test
