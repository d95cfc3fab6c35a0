#include "fakes.h"
#include "link/ice_commands.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

// An emulator reached over USB in bulk semantics (exact lengths) or in HID mode.
struct IceRig {
    explicit IceRig(bool hidMode = false) {
        UsbBackends b;
        if (hidMode) {
            auto hid = std::make_unique<FakeHidLibrary>();
            hid->slots = {{&unit}};
            b.hid = std::move(hid);
        } else {
            b.virtualTarget = factoryFor(unit);
        }
        usb = std::make_unique<UsbLink>(std::move(b));
        lpt = std::make_unique<LptLink>(usb->ioBuffer, nullptr);
        ice = std::make_unique<IceCommands>(*usb, *lpt, settings,
                                            [this](std::chrono::milliseconds ms) {
                                                waits.push_back(static_cast<int>(ms.count()));
                                            });
        EXPECT_EQ(usb->connect(), kLinkConnected);
        unit.written.clear();
        unit.readLengths.clear();
    }
    void expectLost() {
        EXPECT_EQ(usb->linkStatus, kLinkLost);
        EXPECT_FALSE(usb->connected());
    }

    FakeUsbUnit unit;
    IceSettings settings;
    std::vector<int> waits;
    std::unique_ptr<UsbLink> usb;
    std::unique_ptr<LptLink> lpt;
    std::unique_ptr<IceCommands> ice;
};

TEST(IceAddress, BytesCarryAddressAndDirection) {
    // Word address 0x8100 gives A = 0x10200.
    EXPECT_EQ(iceAddressBytes(0x10200, false), (std::array<uint8_t, 3>{0x42, 0x04, 0x00}));
    EXPECT_EQ(iceAddressBytes(0x10200, true), (std::array<uint8_t, 3>{0x42, 0x04, 0x01}));
    EXPECT_EQ(iceAddressBytes(0x1065, true), (std::array<uint8_t, 3>{0x40, 0x20, 0xCB}));
    EXPECT_EQ(iceAddressBytes(0x8000, false), (std::array<uint8_t, 3>{0x41, 0x00, 0x00}));
    EXPECT_EQ(iceAddressBytes(0xFFFE, false), (std::array<uint8_t, 3>{0x41, 0xFF, 0xFC}));
    for (uint32_t a : {0u, 1u, 0x7Fu, 0x80u, 0x1234u, 0xFFFFu, 0x10000u, 0x1FFFFu})
        EXPECT_EQ(decodeAddress(iceAddressBytes(a, true).data()), a) << a;
}

TEST(IceMemory, WordReadSelectsWordModeThenReadsIntoTheBuffer) {
    IceRig rig;
    rig.unit.control = 0x4C; // bits 2 and 3 set
    rig.unit.wordMemory[0x200] = 0x12;
    rig.unit.wordMemory[0x201] = 0x34;
    rig.usb->ioBuffer.fill(0xEE);
    ASSERT_TRUE(rig.ice->iceReadWords(0x100, 4));
    ASSERT_EQ(rig.unit.written.size(), 3u);
    EXPECT_EQ(rig.unit.written[0], (Bytes{0xA7}));
    EXPECT_EQ(rig.unit.written[1].size(), 3u);
    EXPECT_EQ(rig.unit.written[1][1], 0x50); // bits 2 and 3 cleared, bit 4 set
    EXPECT_EQ(rig.unit.written[2], (Bytes{0xA4, 0x40, 0x04, 0x01, 0x00, 0x00, 0x04}));
    EXPECT_EQ(rig.unit.readLengths.back(), 4u);
    const IoBuffer& io = rig.usb->ioBuffer;
    EXPECT_EQ(io[0], 0x12);
    EXPECT_EQ(io[1], 0x34);
    for (size_t i = 4; i < 81; ++i)
        EXPECT_EQ(io[i], 0) << "cleared before the read: " << i;
    for (size_t i = 81; i < kIoBufferSize; ++i)
        EXPECT_EQ(io[i], 0xEE) << i;
    EXPECT_EQ(rig.ice->iceReadWord(0x100), 0x1234);
}

TEST(IceMemory, ByteWriteSelectsByteModeAndNeedsTheAcknowledgement) {
    IceRig rig;
    rig.unit.control = 0x14;
    rig.usb->ioBuffer[7] = 0xAB;
    rig.usb->ioBuffer[8] = 0xCD;
    ASSERT_TRUE(rig.ice->iceWriteBytes(0x80, 2));
    EXPECT_EQ(rig.unit.controlWrites(), (Bytes{0x08}));
    EXPECT_EQ(rig.unit.written.back(),
              (Bytes{0xA4, 0x40, 0x01, 0x00, 0x00, 0x00, 0x02, 0xAB, 0xCD}));
    EXPECT_EQ(rig.unit.readLengths.back(), 3u);
    EXPECT_EQ(rig.unit.byteMemory[0x81], 0xCD);
    EXPECT_EQ(rig.ice->iceReadByte(0x81), 0xCD);

    rig.unit.nack = true;
    EXPECT_FALSE(rig.ice->iceWriteByte(0x80, 1));
    rig.expectLost();
    EXPECT_TRUE(rig.usb->isOpen()) << "a missing acknowledgement does not close the handle";
}

TEST(IceMemory, LongTransfersAreSplitToWhatOnePacketCarries) {
    IceRig hid(true);
    std::vector<uint8_t> data(150);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(hid.ice->iceWriteWords(0, std::span<const uint8_t>(data)));
    const auto writes = hid.unit.packets(0xA4);
    ASSERT_EQ(writes.size(), 3u); // 56 + 56 + 38 bytes: whole words, 7 + 56 <= 64
    uint32_t next = 0;
    for (const Bytes& p : writes) {
        ASSERT_EQ(p.size(), 64u); // HID: the unit always sees one 64-byte report
        const size_t length = p[6];
        EXPECT_EQ(decodeAddress(&p[1]), next);
        EXPECT_LE(7 + length, 64u);
        next += static_cast<uint32_t>(length);
    }
    EXPECT_EQ(next, 150u);
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(hid.unit.wordMemory[i], data[i]) << i;

    std::vector<uint8_t> back(150);
    hid.unit.written.clear();
    ASSERT_TRUE(hid.ice->iceReadWords(0, std::span<uint8_t>(back)));
    EXPECT_EQ(back, data);
    EXPECT_EQ(hid.unit.packets(0xA4).size(), 3u); // 64 + 64 + 22

    // The buffer form can hold at most the buffer: 93 bytes to write, 100 to read.
    IceRig bulk;
    EXPECT_TRUE(bulk.ice->iceWriteBytes(0, 93));
    EXPECT_EQ(bulk.unit.packets(0xA4).back().size(), 100u);
    EXPECT_FALSE(bulk.ice->iceWriteBytes(0, 94));
    EXPECT_TRUE(bulk.ice->iceReadBytes(0, 100));
    EXPECT_FALSE(bulk.ice->iceReadBytes(0, 101));
    EXPECT_TRUE(bulk.usb->connected()) << "a refused length is not a lost link";
}

TEST(IceMemory, FailedTransferLosesTheLinkAndReadersGiveZero) {
    IceRig rig;
    rig.unit.wordMemory[0] = 0x55;
    rig.unit.transfersLeft = 1; // the control read goes out, its reply never comes
    EXPECT_EQ(rig.ice->iceReadWord(0), 0);
    rig.expectLost();
    EXPECT_FALSE(rig.usb->isOpen());
    EXPECT_EQ(rig.ice->iceReadControl(), 0xFF);
    EXPECT_EQ(rig.ice->iceReadStatus(), 0);
    EXPECT_EQ(rig.ice->iceReadByte(5), 0);
    EXPECT_FALSE(rig.ice->iceEnd());
}

TEST(IceControl, RegisterPacketsHaveTheirLengths) {
    IceRig rig;
    rig.usb->ioBuffer[2] = 0x77;
    ASSERT_TRUE(rig.ice->iceWriteControl(0x5A));
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xA6, 0x5A, 0x77}));
    EXPECT_EQ(rig.ice->iceReadControl(), 0x5A);
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xA7}));
    rig.unit.status = 0x3C;
    EXPECT_EQ(rig.ice->iceReadStatus(), 0x3C);
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xA8}));
    ASSERT_TRUE(rig.ice->iceEnd());
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xA5, 0x00}));
    EXPECT_EQ(rig.unit.readLengths, (std::vector<size_t>{1, 2, 2, 1}));
}

TEST(IceRun, ControlValuesFollowTheStopOnStackOption) {
    for (bool stopOnStack : {false, true}) {
        SCOPED_TRACE(stopOnStack);
        IceRig rig;
        rig.settings.stopOnStackOverflow = stopOnStack;
        const uint8_t s = stopOnStack ? 0x80 : 0x00;
        rig.unit.control = 0x01;
        ASSERT_TRUE(rig.ice->iceGo());
        EXPECT_EQ(rig.unit.controlWrites(), (Bytes{0x11, static_cast<uint8_t>(0x16 | s)}));

        rig.unit.written.clear();
        ASSERT_TRUE(rig.ice->iceGoVariant());
        EXPECT_EQ(rig.unit.controlWrites().back(), 0x56 | s);

        rig.unit.written.clear();
        rig.unit.byteMemory[kIceStepBase] = 5;
        ASSERT_TRUE(rig.ice->iceStep(2));
        EXPECT_EQ(rig.unit.byteMemory[kIceStepCount], 7);
        EXPECT_EQ(rig.unit.controlWrites().back(), 0x76 | s);

        rig.unit.control = 0x44;
        ASSERT_TRUE(rig.ice->iceHalt());
        EXPECT_EQ(rig.unit.control, 0x5A | s);
        rig.unit.control = 0xC4;
        ASSERT_TRUE(rig.ice->iceHalt());
        EXPECT_EQ(rig.unit.control, 0x5A | s) << "bit 7 follows the option, not the register";
    }
    IceRig rig;
    rig.unit.control = 0x12;
    ASSERT_TRUE(rig.ice->iceBit1Clear());
    EXPECT_EQ(rig.unit.control, 0x10);
    ASSERT_TRUE(rig.ice->iceBit1Set());
    EXPECT_EQ(rig.unit.control, 0x12);
    ASSERT_TRUE(rig.ice->iceStopOnStack());
    EXPECT_EQ(rig.unit.control, 0x92);
}

TEST(IceRun, StoppedPollReadsStatusBitTwo) {
    IceRig rig;
    rig.unit.status = 0x04;
    IceStopPoll poll = rig.ice->iceStopped();
    EXPECT_FALSE(poll.stopped);
    EXPECT_FALSE(poll.linkLost);
    rig.unit.status = 0xFB;
    EXPECT_TRUE(rig.ice->iceStopped().stopped);
    rig.unit.nack = true;
    poll = rig.ice->iceStopped();
    EXPECT_FALSE(poll.stopped);
    EXPECT_TRUE(poll.linkLost);
    rig.expectLost();
}

TEST(IceModes, AccessAndEepromModesDependOnTheProgramMemoryType) {
    IceRig rig;
    // RAM 62256: neither is sent, both count as success.
    EXPECT_TRUE(rig.ice->iceAccessMode(2));
    EXPECT_TRUE(rig.ice->iceEepromMode(true));
    EXPECT_TRUE(rig.unit.written.empty());
    EXPECT_TRUE(rig.waits.empty());

    rig.settings.romSelect = RomType::Eeprom28C256;
    EXPECT_TRUE(rig.ice->iceAccessMode(3));
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xA1, 0x03}));
    EXPECT_EQ(rig.unit.readLengths.back(), 2u);
    rig.unit.nack = true;
    EXPECT_TRUE(rig.ice->iceAccessMode(2)) << "the access-mode reply is not examined";
    rig.unit.nack = false;

    EXPECT_TRUE(rig.ice->iceEepromMode(true));
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xB5, 0x04, 0x00}));
    EXPECT_EQ(rig.waits, (std::vector<int>{100}));
    EXPECT_TRUE(rig.ice->iceEepromMode(false));
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xB5, 0x04, 0x01}));
    EXPECT_EQ(rig.waits.size(), 1u) << "no wait after switching off";
    rig.unit.nack = true;
    EXPECT_FALSE(rig.ice->iceEepromMode(false));
    rig.expectLost();
}

TEST(IceStack, ReadsEveryLevelMostSignificantFirst) {
    IceRig rig;
    rig.settings.stackDepth = 8;
    rig.unit.stack = {0x000123, 0x0ABCDE, 0, 0, 0, 0, 0, 0xFFFFFF};
    const auto stack = rig.ice->iceReadStack();
    ASSERT_TRUE(stack);
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xB9, 0x08}));
    EXPECT_EQ(rig.unit.readLengths.back(), 24u);
    EXPECT_EQ(*stack, rig.unit.stack);

    rig.settings.stackDepth = 34; // 102 bytes cannot come in one transfer
    EXPECT_FALSE(rig.ice->iceReadStack());
    EXPECT_TRUE(rig.usb->connected());
}

TEST(IceSetup, BodyIdentifierIsLookedUpInTheChipsList) {
    IceRig rig;
    rig.settings.emulatorIds = {0x8010, 0x8024};
    rig.unit.byteMemory[kIceBodyIdAddress] = 0x80;
    rig.unit.byteMemory[kIceBodyIdAddress + 1] = 0x24;
    EXPECT_EQ(rig.ice->readIceBodyId(), 0);
    EXPECT_EQ(rig.ice->iceBodyId(), 0x8024);
    EXPECT_EQ(rig.ice->matchedBodyId(), 0x8024);
    EXPECT_EQ(rig.unit.written.back(), (Bytes{0xA4, 0x40, 0x20, 0xCB, 0, 0, 2}));

    rig.unit.byteMemory[kIceBodyIdAddress + 1] = 0x99;
    EXPECT_EQ(rig.ice->readIceBodyId(), 1);
    EXPECT_EQ(rig.ice->iceBodyId(), 0x8099);
    EXPECT_EQ(rig.ice->matchedBodyId(), 0x8024);

    rig.unit.silent = true;
    EXPECT_EQ(rig.ice->readIceBodyId(), 255);
    rig.expectLost();
}

TEST(IceSetup, WatchBreakTableAndOptionGoToTheirAddresses) {
    IceRig rig;
    ASSERT_TRUE(rig.ice->iceSetWatch(0x0F, 0x5A, 0x0123));
    EXPECT_EQ(rig.unit.written.back(),
              (Bytes{0xA4, 0x40, 0x20, 0xCE, 0, 0, 4, 0x0F, 0x5A, 0x01, 0x23}));

    std::array<uint32_t, 16> table{};
    for (uint32_t k = 0; k < 16; ++k)
        table[k] = 0x010000 * k + 0x0102 * k;
    ASSERT_TRUE(rig.ice->iceWriteBreakTable(table));
    const Bytes& p = rig.unit.written.back();
    ASSERT_EQ(p.size(), 7u + 48u);
    EXPECT_EQ(decodeAddress(&p[1]), kIceBreakTable);
    for (size_t k = 0; k < 16; ++k) {
        EXPECT_EQ(p[7 + 3 * k], k);
        EXPECT_EQ(p[8 + 3 * k], k);
        EXPECT_EQ(p[9 + 3 * k], 2 * k);
    }

    ASSERT_TRUE(rig.ice->iceWriteOption(0x3C));
    EXPECT_EQ(rig.unit.byteMemory[kIceOption], 0x3C);
    EXPECT_EQ(rig.ice->iceReadOption(), 0x3C);
}

TEST(IceSetup, PrepareRunKeepsThreeRegistersForTheSpecialBody) {
    IceRig rig;
    rig.settings.emulatorIds = {0x8024};
    rig.settings.bitRegisterMask = [](uint16_t a) -> std::optional<uint8_t> {
        if (a == 0x77) return 0x0F;
        if (a == 0x194) return 0x03;
        return std::nullopt;
    };
    rig.unit.byteMemory[0x106B] = 1;
    rig.unit.byteMemory[0x77] = 0x05;
    rig.unit.byteMemory[0x7D] = 0x11;
    rig.unit.byteMemory[0x194] = 0x01;

    // Another body: bit 1 and the three cleared bytes only.
    ASSERT_TRUE(rig.ice->icePrepareRun());
    EXPECT_EQ(rig.unit.control & 0x02, 0x02);
    EXPECT_EQ(rig.unit.byteMemory[0x106B], 0);
    EXPECT_EQ(rig.unit.byteMemory[0x77], 0x05);

    rig.unit.byteMemory[kIceBodyIdAddress] = 0x80;
    rig.unit.byteMemory[kIceBodyIdAddress + 1] = 0x24;
    ASSERT_EQ(rig.ice->readIceBodyId(), 0);
    ASSERT_TRUE(rig.ice->icePrepareRun());
    EXPECT_EQ(rig.ice->kept77(), 0xF5);  // 05 OR NOT 0F
    EXPECT_EQ(rig.ice->kept7D(), 0xFF);  // not in the catalogue
    EXPECT_EQ(rig.ice->kept194(), 0xF0); // (01 OR NOT 03) AND F0
    EXPECT_EQ(rig.unit.byteMemory[0x77], 0xF5);
    EXPECT_EQ(rig.unit.byteMemory[0x7D], 0xFF);
    EXPECT_EQ(rig.unit.byteMemory[0x194], 0xF0);
}

TEST(IceSetup, ConfigurationDownloadWritesTheBlockForTheSpecialBody) {
    IceRig rig;
    rig.settings.romSelect = RomType::Eeprom28C256;
    rig.settings.coreVariant = 1;
    rig.settings.selfEromMode = 2;
    rig.settings.selfEromPage = 0x0012;
    rig.settings.selfEromParam = {0x1122, 0x3344, 0x5566, 0x7788};
    const uint32_t breakpoints[] = {0x000123, 0x00ABCD};

    // Body not yet identified: the modes are switched, no block is written.
    ASSERT_TRUE(rig.ice->iceDownloadConfig(breakpoints));
    EXPECT_TRUE(rig.unit.packets(0xA4).empty());
    EXPECT_EQ(rig.unit.packets(0xB5).size(), 2u);

    rig.settings.emulatorIds = {0x8024};
    rig.unit.byteMemory[kIceBodyIdAddress] = 0x80;
    rig.unit.byteMemory[kIceBodyIdAddress + 1] = 0x24;
    ASSERT_EQ(rig.ice->readIceBodyId(), 0);
    rig.unit.written.clear();
    ASSERT_TRUE(rig.ice->iceDownloadConfig(breakpoints));

    std::vector<uint8_t> codes;
    for (const Bytes& p : rig.unit.written)
        if (p[0] != 0xA6 && p[0] != 0xA7) codes.push_back(p[0]);
    EXPECT_EQ(codes, (Bytes{0xB5, 0xA1, 0xA4, 0xA1, 0xB5}));
    EXPECT_EQ(rig.unit.packets(0xA1)[0], (Bytes{0xA1, 0x02}));
    EXPECT_EQ(rig.unit.packets(0xA1)[1], (Bytes{0xA1, 0x03}));
    EXPECT_EQ(rig.unit.packets(0xB5)[0][2], 0);
    EXPECT_EQ(rig.unit.packets(0xB5)[1][2], 1);

    const Bytes block = {0xFA, 0xFA, 0x01, 0x94, 0xF0, 0x00, 0x7D, 0xFF, 0x00, 0x77,
                         0xFF, 0x00, 0x01, 0x23, 0x00, 0xAB, 0xCD, 0xFC, 0x04, 0x12,
                         0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x11, 0x02};
    const Bytes p = rig.unit.packets(0xA4).at(0);
    EXPECT_EQ(decodeAddress(&p[1]), 2 * kIceConfigWordAddress);
    EXPECT_EQ(Bytes(p.begin() + 7, p.end()), block);

    // An odd block gets a zero partner for its last byte.
    EXPECT_EQ(rig.ice->configurationBlock(std::span<const uint32_t>(breakpoints, 1)).size(), 28u);
}

} // namespace
} // namespace zerka::test
