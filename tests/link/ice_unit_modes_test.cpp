// The unit-level commands of an emulator session: mode switch, firmware query, monitor start.
#include "fakes.h"
#include "link/ice_commands.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

struct ModesRig {
    ModesRig() {
        UsbBackends b;
        b.virtualTarget = factoryFor(unit);
        usb = std::make_unique<UsbLink>(std::move(b));
        lpt = std::make_unique<LptLink>(usb->ioBuffer, nullptr);
        ice = std::make_unique<IceCommands>(*usb, *lpt, settings, [](std::chrono::milliseconds) {});
        EXPECT_EQ(usb->connect(), kLinkConnected);
        unit.written.clear();
        unit.readLengths.clear();
    }
    FakeUsbUnit unit;
    IceSettings settings;
    std::unique_ptr<UsbLink> usb;
    std::unique_ptr<LptLink> lpt;
    std::unique_ptr<IceCommands> ice;
};

TEST(IceUnitModes, ModeSwitchPacketsAnswersAndRefusals) {
    ModesRig rig;
    EXPECT_TRUE(rig.ice->iceDebugMode());
    EXPECT_TRUE(rig.ice->iceProgrammerMode());
    ASSERT_EQ(rig.unit.written.size(), 2u);
    EXPECT_EQ(rig.unit.written[0], (Bytes{0xF9, 0x0C, 0x00}));
    EXPECT_EQ(rig.unit.written[1], (Bytes{0xF9, 0x0C, 0x01}));
    EXPECT_EQ(rig.unit.readLengths, (std::vector<size_t>{8, 8}));

    // Older firmware says yes with 49h; a busy unit answers FAh with a nonzero second byte,
    // which refuses without losing the link.
    rig.unit.modeAnswer = {0x49, 0x07};
    EXPECT_TRUE(rig.ice->iceDebugMode());
    rig.unit.modeAnswer = {0xFA, 0x01};
    EXPECT_FALSE(rig.ice->iceDebugMode());
    EXPECT_TRUE(rig.usb->connected());
    rig.unit.modeAnswer = {0xEE, 0x00};
    EXPECT_FALSE(rig.ice->iceProgrammerMode());

    rig.unit.transfersLeft = 0;
    EXPECT_FALSE(rig.ice->iceDebugMode());
    EXPECT_EQ(rig.usb->linkStatus, kLinkLost);
    EXPECT_FALSE(rig.usb->connected());

    // The printer port has no modes and no firmware text: nothing is sent.
    ModesRig lpt;
    lpt.settings.usb = false;
    EXPECT_TRUE(lpt.ice->iceDebugMode());
    EXPECT_TRUE(lpt.ice->iceProgrammerMode());
    EXPECT_FALSE(lpt.ice->iceFirmwareVersion());
    EXPECT_TRUE(lpt.unit.written.empty());
}

TEST(IceUnitModes, FirmwareVersionIsTheFourDigitsAfterWriv) {
    ModesRig rig;
    EXPECT_EQ(rig.ice->iceFirmwareVersion(), 210);
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xF9, 0x09}));
    EXPECT_EQ(rig.unit.readLengths.back(), 8u);
    EXPECT_TRUE(rig.ice->iceFirmwareAtLeast2());
    rig.unit.firmware = "WRIV0200";
    EXPECT_TRUE(rig.ice->iceFirmwareAtLeast2());
    rig.unit.firmware = "WRIV0199";
    EXPECT_FALSE(rig.ice->iceFirmwareAtLeast2());
    for (const char* text : {"WRIV02A0", "PROBEONE", "wriv0210"}) {
        rig.unit.firmware = text;
        EXPECT_FALSE(rig.ice->iceFirmwareVersion()) << text;
        EXPECT_FALSE(rig.ice->iceFirmwareAtLeast2()) << text;
    }
    EXPECT_TRUE(rig.usb->connected()); // an unexpected text is not a lost link
}

TEST(IceUnitModes, MonitorStartHoldsControlBitOneLowUntilTheFinish) {
    ModesRig rig;
    rig.unit.control = 0x1A; // halted: bits 1, 3, 4
    ASSERT_TRUE(rig.ice->iceMonitorStart());
    EXPECT_EQ(rig.unit.control, 0x18);
    ASSERT_TRUE(rig.ice->iceMonitorFinish());
    EXPECT_EQ(rig.unit.control, 0x1A);
    EXPECT_EQ(rig.unit.controlWrites(), (Bytes{0x18, 0x1A}));
    rig.unit.nack = true;
    EXPECT_FALSE(rig.ice->iceMonitorStart());
    EXPECT_EQ(rig.usb->linkStatus, kLinkLost);
}

} // namespace
} // namespace zerka::test
