// The model's headers come before Qt's: core/signal.h has a member named like Qt's emit macro.
#include "options_dialog_fixture.h"

#include "shell/link_hardware_tools.h"

#include <deque>

namespace zerka::test {
namespace {

// A unit that records each packet and answers every read with the next scripted reply, or with
// 0xFF bytes (which also satisfies the connection handshake).
class ScriptedUnit : public PacketTransport {
  public:
    std::vector<std::vector<uint8_t>>* sent;
    std::deque<std::vector<uint8_t>>* replies;
    bool* dead;
    bool write(const uint8_t* data, size_t n) override {
        if (*dead) return false;
        sent->emplace_back(data, data + n);
        return true;
    }
    bool read(uint8_t* data, size_t n) override {
        if (*dead) return false;
        std::fill(data, data + n, 0xFF);
        if (!replies->empty()) {
            std::copy_n(replies->front().begin(), std::min(n, replies->front().size()), data);
            replies->pop_front();
        }
        return true;
    }
    std::string describe() const override { return "scripted unit"; }
};

class LinkHardwareToolsTest : public ::testing::Test {
  protected:
    LinkHardwareToolsTest()
        : library(writeLibrary(dir)), options(library, chip), usb(backends()),
          lpt(usb.ioBuffer, nullptr), ice(usb, lpt, settings),
          tools(usb, lpt, ice, options,
                [this](std::chrono::milliseconds ms) { waits.push_back(int(ms.count())); }) {
        EXPECT_EQ(usb.connect(), kLinkConnected);
        sent.clear();
    }
    UsbBackends backends() {
        UsbBackends b;
        b.virtualTarget = [this](std::string&) {
            auto unit = std::make_unique<ScriptedUnit>();
            unit->sent = &sent;
            unit->replies = &replies;
            unit->dead = &dead;
            return unit;
        };
        return b;
    }
    // A measurement answer with VCC 4.98 V and VPP 12.05 V at their places.
    static std::vector<uint8_t> supplyReply(uint16_t vcc, uint16_t vpp) {
        std::vector<uint8_t> r(32, 0);
        r[9] = uint8_t(vcc);
        r[10] = uint8_t(vcc >> 8);
        r[11] = uint8_t(vpp);
        r[12] = uint8_t(vpp >> 8);
        return r;
    }

    TempDir dir;
    ChipLibrary library;
    ChipModel chip;
    OptionsModel options;
    std::vector<std::vector<uint8_t>> sent;
    std::deque<std::vector<uint8_t>> replies;
    bool dead = false;
    std::vector<int> waits;
    IceSettings settings;
    UsbLink usb;
    LptLink lpt;
    IceCommands ice;
    LinkHardwareTools tools;
};

using Packets = std::vector<std::vector<uint8_t>>;

TEST_F(LinkHardwareToolsTest, CheckAllSwitchesBothRailsAndReadsTheFourthAnswer) {
    replies = {
        {0}, {0}, supplyReply(1, 1), supplyReply(2, 2), supplyReply(3, 3), supplyReply(498, 1205)};
    const SupplyVoltages v = tools.measureSupply(true, true);
    ASSERT_TRUE(v.vpp && v.vcc);
    EXPECT_EQ(*v.vpp, 1205);
    EXPECT_EQ(*v.vcc, 498);
    EXPECT_EQ(sent, (Packets{{0xB5, 0x02, 0x01},
                             {0xB5, 0x03, 0x01},
                             {0xAE, 0x03},
                             {0xAE, 0x03},
                             {0xAE, 0x03},
                             {0xAE, 0x03},
                             {0xB5, 0x02, 0x00},
                             {0xB5, 0x03, 0x00}}));
    EXPECT_EQ(waits, std::vector<int>{100});
}

TEST_F(LinkHardwareToolsTest, SingleRailsAndFailures) {
    replies = {{0},
               supplyReply(498, 1205),
               supplyReply(498, 1205),
               supplyReply(498, 1205),
               supplyReply(498, 1205)};
    SupplyVoltages v = tools.measureSupply(false, true);
    EXPECT_EQ(v.vcc, std::optional<uint16_t>(498));
    EXPECT_FALSE(v.vpp);
    EXPECT_EQ(sent.front(), (std::vector<uint8_t>{0xB5, 0x03, 0x01}));
    EXPECT_EQ(sent.back(), (std::vector<uint8_t>{0xB5, 0x03, 0x00}));

    // Without USB nothing is sent.
    sent.clear();
    options.selectInterface(1);
    v = tools.measureSupply(true, true);
    EXPECT_FALSE(v.vpp || v.vcc);
    EXPECT_TRUE(sent.empty());

    // A unit that stops answering gives no value and a lost link.
    options.selectInterface(kUsbInterfaceIndex);
    dead = true;
    v = tools.measureSupply(true, false);
    EXPECT_FALSE(v.vpp);
    EXPECT_EQ(usb.linkStatus, kLinkLost);
    EXPECT_FALSE(tools.readProgramWord(0x10));
    EXPECT_FALSE(tools.readDataByte(0x10));
}

} // namespace
} // namespace zerka::test
