#include "fakes.h"
#include "link/usb_link.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

class RecordingUi : public UiHost {
  public:
    struct Box {
        MessageType type;
        std::string text;
        Buttons buttons;
    };
    std::vector<Box> boxes;
    std::vector<std::string> statuses;
    Button messageBox(MessageType type, const std::string& text, Buttons buttons) override {
        boxes.push_back({type, text, buttons});
        return Button::Cancel;
    }
    void statusText(const std::string& text) override { statuses.push_back(text); }
    void progress(int) override {}
    void busy(bool) override {}
};

struct Rig {
    FakeBulkDriver* bulk = nullptr;
    FakeHidLibrary* hid = nullptr;
    std::unique_ptr<UsbLink> link;
};

Rig makeRig() {
    Rig rig;
    UsbBackends b;
    auto bulk = std::make_unique<FakeBulkDriver>();
    auto hid = std::make_unique<FakeHidLibrary>();
    rig.bulk = bulk.get();
    rig.hid = hid.get();
    b.bulk = std::move(bulk);
    b.hid = std::move(hid);
    rig.link = std::make_unique<UsbLink>(std::move(b));
    return rig;
}

TEST(UsbLink, BulkSearchSkipsForeignDevicesAndWrongProbeThenShakesHands) {
    Rig rig = makeRig();
    FakeUsbUnit foreign, wrongProbe, unit;
    wrongProbe.probeAnswer = 0x1234;
    unit.c5Fourth = 0x5C;
    rig.bulk->slots.resize(4);
    rig.bulk->slots[0] = {&foreign, kBulkVendorId, 0x9999};
    rig.bulk->slots[1] = {&wrongProbe};
    rig.bulk->slots[3] = {&unit};

    EXPECT_EQ(rig.link->connect(), kLinkConnected);
    EXPECT_EQ(rig.link->linkStatus, kLinkConnected);
    EXPECT_TRUE(rig.link->connected());
    EXPECT_EQ(rig.link->deviceName(), "ZkUSB-3");
    EXPECT_EQ(rig.link->usbMode(), 0);
    EXPECT_EQ(rig.link->maxPacketSize(), 64);
    EXPECT_TRUE(foreign.written.empty()); // never probed: wrong product ID
    ASSERT_EQ(wrongProbe.written.size(), 1u);
    EXPECT_EQ(wrongProbe.written[0], (Bytes{0xF9, 0x02, 0x00, 0x00}));

    const std::vector<Bytes> expected = {{0xF9, 0x02, 0x00, 0x00}, {0xF9, 0x01, 0x03, 0x00},
                                         {0xF9, 0x04, 0x00, 0x00}, {0xF9, 0x06, 0x00, 0x00},
                                         {0xC5, 0xFF, 0x01, 0x01}, {0xC5, 0xFF, 0x00, 0x5C}};
    EXPECT_EQ(unit.written, expected);
    EXPECT_EQ(unit.readLengths, (std::vector<size_t>{8, 8, 8, 8, 64, 64}));
    EXPECT_EQ(rig.link->deviceNumber, 0x12345678u);
    EXPECT_EQ(rig.link->deviceNumber2, 0x9ABCDEF0u);
}

TEST(UsbLink, BulkDeviceIsChosenOverHidAndVirtualUnitComesFirst) {
    Rig rig = makeRig();
    FakeUsbUnit bulkUnit, hidUnit, virtualUnit;
    rig.bulk->slots = {{&bulkUnit}};
    rig.hid->slots = {{&hidUnit}};
    EXPECT_EQ(rig.link->connect(), kLinkConnected);
    EXPECT_EQ(rig.link->channel(), UsbLink::Channel::Bulk);
    EXPECT_TRUE(hidUnit.written.empty());

    rig.link->close();
    rig.link->clearConnected();
    rig.link->setVirtualTarget(factoryFor(virtualUnit));
    bulkUnit.written.clear();
    EXPECT_EQ(rig.link->connect(), kLinkConnected);
    EXPECT_EQ(rig.link->channel(), UsbLink::Channel::Virtual);
    EXPECT_EQ(rig.link->deviceName(), "fake unit");
    EXPECT_TRUE(bulkUnit.written.empty());

    // A virtual unit that does not answer leaves the USB search to find the bulk device.
    rig.link->close();
    rig.link->clearConnected();
    virtualUnit.probeAnswer = 0;
    EXPECT_EQ(rig.link->connect(), kLinkConnected);
    EXPECT_EQ(rig.link->channel(), UsbLink::Channel::Bulk);
}

TEST(UsbLink, HidReportsAreWholeWhateverTheLength) {
    Rig rig = makeRig();
    FakeUsbUnit oldVersion, unit;
    rig.hid->slots = {{&oldVersion, kHidVendorId, kHidProductId, 0x0726}, {&unit}};
    ASSERT_EQ(rig.link->connect(), kLinkConnected);
    EXPECT_EQ(rig.link->usbMode(), 1);
    EXPECT_EQ(rig.link->maxPacketSize(), 64);
    EXPECT_EQ(rig.link->maxTransferBytes(), 64u);
    EXPECT_TRUE(oldVersion.written.empty());
    // The probe went out as a full report: ID 0, then 64 bytes. The device number is 1.
    ASSERT_GE(rig.hid->reports.size(), 2u);
    EXPECT_EQ(rig.hid->reports[0].size(), 65u);
    EXPECT_EQ(rig.hid->reports[0][0], 0);
    EXPECT_EQ(rig.hid->reports[1][3], 1);

    UsbLink& link = *rig.link;
    for (size_t i = 0; i < kIoBufferSize; ++i)
        link.ioBuffer[i] = static_cast<uint8_t>(i);
    rig.hid->reports.clear();
    ASSERT_TRUE(link.write(2));
    ASSERT_EQ(rig.hid->reports.size(), 1u);
    const Bytes& report = rig.hid->reports[0];
    ASSERT_EQ(report.size(), 65u);
    for (size_t i = 0; i < 64; ++i)
        ASSERT_EQ(report[i + 1], i) << i;

    // A read of 2 bytes still brings a whole report: 64 bytes overwritten, the rest kept.
    link.ioBuffer.fill(0xEE);
    ASSERT_TRUE(link.read(2));
    for (size_t i = 0; i < 64; ++i)
        EXPECT_NE(link.ioBuffer[i], 0xEE) << i;
    for (size_t i = 64; i < kIoBufferSize; ++i)
        EXPECT_EQ(link.ioBuffer[i], 0xEE) << i;
}

TEST(UsbLink, UnpluggedUnitIsLostOnceThenSearchedAgain) {
    Rig rig = makeRig();
    FakeUsbUnit unit;
    rig.bulk->slots = {{&unit}};
    RecordingUi ui;
    ASSERT_TRUE(rig.link->ensureConnected(ui, 0));
    EXPECT_EQ(rig.link->connect(), kLinkConnected); // alive: "PROBEONE"

    unit.transfersLeft = 0; // unplugged
    rig.link->ioBuffer[0] = 0xA8;
    EXPECT_FALSE(rig.link->write(1));
    EXPECT_FALSE(rig.link->isOpen());
    EXPECT_EQ(rig.link->lastSystemError(), 31);
    EXPECT_EQ(rig.link->identify(), 0);

    unit.transfersLeft = -1; // plugged back in
    rig.bulk->opened.clear();
    EXPECT_FALSE(rig.link->ensureConnected(ui, 0));
    EXPECT_TRUE(rig.bulk->opened.empty()) << "the first call reports the loss without searching";
    EXPECT_EQ(rig.link->linkStatus, kLinkLost);
    EXPECT_FALSE(rig.link->connected());
    EXPECT_TRUE(rig.link->ensureConnected(ui, 0));
    EXPECT_EQ(rig.bulk->opened.size(), 1u);
    EXPECT_EQ(rig.link->linkStatus, kLinkConnected);
}

TEST(UsbLink, SecondModelAnswerIsNotTakenAsAlive) {
    Rig rig = makeRig();
    FakeUsbUnit unit;
    unit.model = "PROBETWO";
    rig.bulk->slots = {{&unit}};
    ASSERT_EQ(rig.link->connect(), kLinkConnected);
    EXPECT_EQ(rig.link->identify(), 2);
    EXPECT_EQ(rig.link->connect(), kLinkLost);
    unit.model = "PROBE???";
    EXPECT_EQ(rig.link->identify(), 0);
}

TEST(UsbLink, NoUnitGivesTheConnectErrorAndTheReason) {
    Rig rig = makeRig();
    RecordingUi ui;
    EXPECT_FALSE(rig.link->ensureConnected(ui, 0));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].type, MessageType::Error);
    EXPECT_EQ(ui.boxes[0].text, "ZerKa-IDE Connect Error , Please check !!");
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::Cancel);
    ASSERT_EQ(ui.statuses.size(), 1u);
    EXPECT_NE(ui.statuses[0].find("No Zerka USB unit found"), std::string::npos);

    FakeUsbUnit unit;
    rig.bulk->slots = {{&unit, kBulkVendorId, kBulkProductId, 0x82, 0x02,
                        "USB unit 0547:1003 on bus 1 device 4: permission denied"}};
    EXPECT_FALSE(rig.link->ensureConnected(ui, 1));
    EXPECT_EQ(ui.boxes.back().text, "ZerKa-IDE 連線失敗 , 請檢查");
    EXPECT_NE(ui.statuses.back().find("permission denied"), std::string::npos);
    EXPECT_EQ(rig.link->linkStatus, kLinkLost);
}

TEST(UsbLink, TransfersRespectPipeDirectionsAndTheBuffer) {
    Rig rig = makeRig();
    FakeUsbUnit unit;
    rig.bulk->slots = {{&unit}};
    ASSERT_EQ(rig.link->connect(), kLinkConnected);
    EXPECT_FALSE(rig.link->write(kIoBufferSize + 1));
    EXPECT_FALSE(rig.link->read(kIoBufferSize + 1));
    EXPECT_TRUE(rig.link->isOpen()) << "a refused length is not a failed transfer";
    EXPECT_TRUE(rig.link->write(kIoBufferSize));

    // A device whose pipe 1 is not an OUT endpoint cannot be written: the link closes.
    Rig bad = makeRig();
    FakeUsbUnit other;
    bad.bulk->slots = {{&other, kBulkVendorId, kBulkProductId, 0x82, 0x81}};
    EXPECT_EQ(bad.link->connect(), kLinkLost);
    EXPECT_TRUE(other.written.empty());
    EXPECT_FALSE(bad.link->isOpen());
}

TEST(UsbLink, FailedHandshakeIsNotReportedAsConnected) {
    Rig rig = makeRig();
    FakeUsbUnit unit;
    unit.transfersLeft = 4; // the probe passes, the handshake dies
    rig.bulk->slots = {{&unit}};
    EXPECT_EQ(rig.link->connect(), kLinkLost);
    EXPECT_FALSE(rig.link->connected());
    EXPECT_FALSE(rig.link->isOpen());
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

// The real libusb and hidapi backends on a machine without the unit: a clear reason, no hang.
TEST(UsbLinkReal, WithoutAUnitTheSearchEndsWithAReason) {
    ::unsetenv("ZERKA_TARGET");
    UsbLink link(realUsbBackends());
    if (link.connect() == kLinkConnected) GTEST_SKIP() << "a unit is attached to this machine";
    EXPECT_EQ(link.linkStatus, kLinkLost);
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.diagnosis().empty());
    EXPECT_FALSE(link.write(2));
    EXPECT_FALSE(link.read(2));
}

TEST(UsbLinkReal, TargetVariableIsTriedFirst) {
    ::setenv("ZERKA_TARGET", "tcp:10.1.2.3:5150", 1);
    UsbLink link(realUsbBackends());
    ::unsetenv("ZERKA_TARGET");
    if (link.connect() == kLinkConnected) GTEST_SKIP() << "a unit is attached to this machine";
    EXPECT_NE(link.diagnosis().find("is not a loopback address"), std::string::npos)
        << link.diagnosis();
}

} // namespace
} // namespace zerka::test
