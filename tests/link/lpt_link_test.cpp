#include "fakes.h"
#include "link/ice_commands.h"
#include "link/lpt_link.h"
#include "link/ppdev_port.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace zerka::test {
namespace {

template <typename Port> struct LptRig {
    LptRig() {
        auto provider = std::make_unique<FakePortProvider>(&port);
        this->provider = provider.get();
        lpt = std::make_unique<LptLink>(io, std::move(provider));
        EXPECT_TRUE(lpt->lptOpen());
    }
    IoBuffer io{};
    Port port;
    FakePortProvider* provider = nullptr;
    std::unique_ptr<LptLink> lpt;
};

TEST(LptDriver, InitPreparesExtendedControlDataAndControl) {
    LptRig<RecordingPort> rig;
    rig.port.registers[PortRegister::ExtendedControl] = 0xF5;
    rig.port.registers[PortRegister::Control] = 0xFF;
    rig.port.registers[PortRegister::Data] = 0x77;
    rig.lpt->portBase = 0x378;
    rig.lpt->lptInit();
    EXPECT_EQ(portOffset(PortRegister::ExtendedControl) + rig.lpt->portBase, 0x77A);
    EXPECT_EQ(rig.port.registers[PortRegister::ExtendedControl], 0x35); // 001 + bits 0-4 kept
    EXPECT_EQ(rig.port.registers[PortRegister::Data], 0);
    EXPECT_EQ(rig.port.registers[PortRegister::Control], 0xD6);

    // Any other base only opens.
    LptRig<RecordingPort> other;
    other.lpt->portBase = 0x2BC;
    other.port.log.clear();
    other.lpt->lptInit();
    EXPECT_TRUE(other.port.log.empty());
}

TEST(LptDriver, OpenStartsTheServiceTwiceWhenItDidNotExist) {
    IoBuffer io{};
    RecordingPort port;
    auto provider = std::make_unique<FakePortProvider>(&port);
    FakePortProvider* p = provider.get();
    p->opensToFail = 1;
    p->startCodes = {kServiceDidNotExist, kServiceStarted};
    LptLink lpt(io, std::move(provider));
    EXPECT_TRUE(lpt.lptOpen());
    EXPECT_EQ(p->calls, (std::vector<std::string>{"open", "start", "create", "start", "open"}));
    EXPECT_EQ(lpt.portDriverMode, 1);
    p->calls.clear();
    EXPECT_TRUE(lpt.lptOpen()) << "already open: nothing to do";
    EXPECT_TRUE(p->calls.empty());
    lpt.lptClose();
    EXPECT_FALSE(lpt.isOpen());

    // Without a port every transaction is harmless and reads give 0.
    auto none = std::make_unique<FakePortProvider>(nullptr);
    LptLink closed(io, std::move(none));
    EXPECT_FALSE(closed.lptOpen());
    EXPECT_EQ(closed.lptReadControl(), 0);
    closed.lptWriteControl(0x12);
}

TEST(LptDriver, RefusedRequestsAreRetriedFourTimesThenDropped) {
    LptRig<RecordingPort> rig;
    rig.port.registers[PortRegister::Status] = 0x80;
    rig.port.refuseReads = 3;
    EXPECT_EQ(rig.lpt->portRead(PortRegister::Status), 0x80);
    EXPECT_EQ(rig.port.refusedReads, 3);
    rig.port.refuseReads = 4;
    rig.port.refusedReads = 0;
    EXPECT_EQ(rig.lpt->portRead(PortRegister::Status), 0) << "the output area is left as it was";
    EXPECT_EQ(rig.port.refusedReads, 4);
}

TEST(LptSignalling, ShiftOutByteClocksEachBitMostSignificantFirst) {
    LptRig<RecordingPort> rig;
    rig.lpt->lptShiftOutByte(0xA5);
    EXPECT_EQ(rig.port.clockedBits(), (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1}));
    // Each bit: data set with clock low, clock high, clock low.
    const Bytes c = rig.port.controlWrites();
    ASSERT_EQ(c.size(), 24u);
    for (size_t i = 0; i < c.size(); i += 3) {
        EXPECT_EQ(c[i] & kLptClock, 0);
        EXPECT_EQ(c[i + 1], c[i] | kLptClock);
        EXPECT_EQ(c[i + 2], c[i]);
    }
}

TEST(LptSignalling, StartAndEndConditions) {
    LptRig<RecordingPort> rig;
    rig.port.registers[PortRegister::Control] = 0x0D;
    rig.lpt->lptStart();
    EXPECT_EQ(rig.port.controlWrites(), (Bytes{0x06, 0x04}));
    rig.port.log.clear();
    rig.port.registers[PortRegister::Control] = 0x04;
    rig.lpt->lptEnd();
    EXPECT_EQ(rig.port.controlWrites(), (Bytes{0x0C, 0x04, 0x0C, 0x04, 0x06}));
}

TEST(LptSignalling, ControlTransactionsSendTheirHeaders) {
    LptRig<FakeLptUnit> rig;
    rig.port.emulatorControl = 0x96;
    EXPECT_EQ(rig.lpt->lptReadControl(), 0x96);
    ASSERT_EQ(rig.port.frames.size(), 1u);
    EXPECT_EQ(rig.port.frames[0].bits[0], 1);
    EXPECT_EQ(rig.port.frames[0].bits[1], 0);
    rig.lpt->lptWriteControl(0x3C);
    const auto& bits = rig.port.frames.back().bits;
    EXPECT_EQ(bits, (std::vector<int>{0, 0, 0, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(rig.port.emulatorControl, 0x3C);
}

TEST(LptSignalling, BlockWriteSendsBufferThenPulsesTheWriteBit) {
    LptRig<FakeLptUnit> rig;
    rig.port.emulatorControl = 0x10;
    const auto address = iceAddressBytes(0x40, false);
    std::copy(address.begin(), address.end(), rig.io.begin() + 4);
    rig.io[7] = 0x12;
    rig.io[8] = 0x34;
    size_t readsBefore = 0;
    for (const auto& a : rig.port.log)
        readsBefore += !a.write && a.reg == PortRegister::Data;
    ASSERT_TRUE(rig.lpt->lptBlockWrite(2));
    ASSERT_EQ(rig.port.frames.size(), 4u); // data, read control, write 0x18, write 0x10
    EXPECT_EQ(FakeLptUnit::bytesOf(rig.port.frames[0]),
              (Bytes{address[0], address[1], address[2], 0x12, 0x34}));
    EXPECT_EQ(FakeLptUnit::bytesOf(rig.port.frames[2], 2), (Bytes{0x18}));
    EXPECT_EQ(FakeLptUnit::bytesOf(rig.port.frames[3], 2), (Bytes{0x10}));
    size_t dataReads = 0;
    for (const auto& a : rig.port.log)
        dataReads += !a.write && a.reg == PortRegister::Data;
    EXPECT_EQ(dataReads - readsBefore, 10001u);
    EXPECT_EQ(rig.port.wordMemory[0x40], 0x12);
    EXPECT_FALSE(rig.lpt->lptBlockWrite(94)) << "would reach past the buffer";
}

TEST(LptSignalling, EepromProtectionFrames) {
    const std::vector<std::pair<int, std::vector<Bytes>>> cases = {
        {0,
         {{0x40, 0xAA, 0xAA, 0xAA},
          {0x40, 0x55, 0x54, 0x55},
          {0x40, 0xAA, 0xAA, 0x80},
          {0x40, 0xAA, 0xAA, 0xAA},
          {0x40, 0x55, 0x54, 0x55},
          {0x40, 0xAA, 0xAA, 0x20}}},
        {1, {{0x40, 0xAA, 0xAA, 0xAA}, {0x40, 0x55, 0x54, 0x55}, {0x40, 0xAA, 0xAA, 0xA0}}},
        {3, {{0x41, 0x2A, 0xAA, 0xAA}, {0x40, 0x55, 0x54, 0x55}, {0x41, 0x2A, 0xAA, 0xA0}}},
        {7,
         {{0x41, 0x2A, 0xAA, 0xAA},
          {0x40, 0x55, 0x54, 0x55},
          {0x41, 0x2A, 0xAA, 0x80},
          {0x41, 0x2A, 0xAA, 0xAA},
          {0x40, 0x55, 0x54, 0x55},
          {0x41, 0x2A, 0xAA, 0x20}}},
    };
    for (const auto& [mode, frames] : cases) {
        SCOPED_TRACE(mode);
        LptRig<FakeLptUnit> rig;
        rig.lpt->lptEepromProtect(mode);
        ASSERT_EQ(rig.port.frames.size(), frames.size());
        for (size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(FakeLptUnit::bytesOf(rig.port.frames[i]), frames[i]) << i;
    }
}

TEST(LptSignalling, ProgrammerPrimitives) {
    LptRig<RecordingPort> rig;
    rig.port.registers[PortRegister::Data] = 0xF0;
    rig.port.registers[PortRegister::Control] = 0xFF;
    rig.port.log.clear();
    rig.lpt->lptReset();
    Bytes dataWrites;
    size_t dataReads = 0;
    for (const auto& a : rig.port.log) {
        if (a.reg != PortRegister::Data) continue;
        if (a.write)
            dataWrites.push_back(a.value);
        else
            ++dataReads;
    }
    EXPECT_EQ(dataWrites, (Bytes{0xF0, 0xF1, 0xF3}));
    EXPECT_EQ(rig.port.registers[PortRegister::Control], 0xD4);
    EXPECT_EQ(dataReads, 1u + 11u + 10001u + 18193u + 10001u);

    rig.port.registers[PortRegister::Data] = 0xFF;
    rig.lpt->lptClearLines();
    EXPECT_EQ(rig.port.registers[PortRegister::Data], 0xFC);

    // With the data-in line held high every bit reads as 1; the bits sent are clocked out.
    rig.port.log.clear();
    rig.port.registers[PortRegister::Status] = kLptDataIn;
    EXPECT_EQ(rig.lpt->lptExchangeBytes(0x8001), 0xFFFF);
    auto bits = rig.port.clockedBits();
    ASSERT_EQ(bits.size(), 16u);
    EXPECT_EQ(bits.front(), 1);
    EXPECT_EQ(bits.back(), 1);
    EXPECT_EQ(std::count(bits.begin(), bits.end(), 1), 2);
    rig.port.registers[PortRegister::Status] = 0;
    EXPECT_EQ(rig.lpt->lptExchangeWord(0x1234), 0);
}

// The emulator command layer on the printer port.
struct LptIceRig {
    LptIceRig() {
        usb = std::make_unique<UsbLink>(UsbBackends{});
        lpt = std::make_unique<LptLink>(usb->ioBuffer, std::make_unique<FakePortProvider>(&port));
        lpt->lptInit();
        settings.usb = false;
        ice = std::make_unique<IceCommands>(*usb, *lpt, settings,
                                            [this](std::chrono::milliseconds ms) {
                                                waits.push_back(static_cast<int>(ms.count()));
                                            });
    }
    FakeLptUnit port;
    IceSettings settings;
    std::vector<int> waits;
    std::unique_ptr<UsbLink> usb;
    std::unique_ptr<LptLink> lpt;
    std::unique_ptr<IceCommands> ice;
};

TEST(LptIce, MemoryAccessIsOneFrameOfAddressAndData) {
    LptIceRig rig;
    const uint8_t words[4] = {0x12, 0x34, 0xAB, 0xCD};
    ASSERT_TRUE(rig.ice->iceWriteWords(0x100, std::span<const uint8_t>(words)));
    EXPECT_EQ(rig.port.emulatorControl & 0x1C, 0x10);
    EXPECT_EQ(FakeLptUnit::bytesOf(rig.port.frames.back()),
              (Bytes{0x40, 0x04, 0x00, 0x12, 0x34, 0xAB, 0xCD}));
    EXPECT_EQ(rig.ice->iceReadWord(0x101), 0xABCD);

    rig.usb->ioBuffer[7] = 0x5A;
    ASSERT_TRUE(rig.ice->iceWriteBytes(0x80, 1));
    EXPECT_EQ(rig.port.emulatorControl & 0x1C, 0x08);
    EXPECT_EQ(rig.port.byteMemory[0x80], 0x5A);
    rig.port.byteMemory[0x81] = 0xA5;
    ASSERT_TRUE(rig.ice->iceReadBytes(0x80, 2));
    EXPECT_EQ(rig.usb->ioBuffer[0], 0x5A);
    EXPECT_EQ(rig.usb->ioBuffer[1], 0xA5);
}

TEST(LptIce, ControlAndStatus) {
    LptIceRig rig;
    ASSERT_TRUE(rig.ice->iceWriteControl(0x42));
    EXPECT_EQ(rig.ice->iceReadControl(), 0x42);
    rig.port.registers[PortRegister::Status] = 0xB0;
    EXPECT_EQ(rig.ice->iceReadStatus(), 0x0B);
    EXPECT_TRUE(rig.ice->iceStopped().stopped); // 0x0B: bit 2 clear
    rig.port.registers[PortRegister::Status] = 0x40;
    EXPECT_FALSE(rig.ice->iceStopped().stopped);
    rig.port.registers[PortRegister::Status] = 0x30;
    EXPECT_TRUE(rig.ice->iceStopped().stopped);
}

TEST(LptIce, EepromWordWriteGoesOutInPagesWithTheWritePulse) {
    LptIceRig rig;
    rig.settings.romSelect = RomType::Eeprom28C256;
    std::vector<uint8_t> data(80);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i + 1);
    rig.port.frames.clear();
    ASSERT_TRUE(rig.ice->iceWriteWords(0, std::span<const uint8_t>(data)));
    std::vector<Bytes> dataFrames;
    for (const auto& f : rig.port.frames)
        if (f.bits.size() > 24 && f.bits[0] == 0 && f.bits[1] == 1)
            dataFrames.push_back(FakeLptUnit::bytesOf(f));
    ASSERT_EQ(dataFrames.size(), 2u); // 64 + 16 bytes
    EXPECT_EQ(dataFrames[0].size(), 3u + 64u);
    EXPECT_EQ(dataFrames[1].size(), 3u + 16u);
    EXPECT_EQ(decodeAddress(dataFrames[1].data()), 64u);
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(rig.port.wordMemory[i], data[i]) << i;
}

TEST(LptIce, ModeSequencesWaitAroundTheProtectionFrames) {
    LptIceRig rig;
    rig.settings.romSelect = RomType::Eeprom28C256;
    rig.port.frames.clear();
    ASSERT_TRUE(rig.ice->iceAccessMode(2));
    EXPECT_EQ(rig.waits, (std::vector<int>{20, 50}));
    ASSERT_EQ(rig.port.frames.size(), 6u);
    EXPECT_EQ(FakeLptUnit::bytesOf(rig.port.frames[0])[0], 0x41);

    rig.waits.clear();
    rig.port.frames.clear();
    ASSERT_TRUE(rig.ice->iceEepromMode(true));
    EXPECT_EQ(rig.waits, (std::vector<int>{100}));
    ASSERT_EQ(rig.port.frames.size(), 6u);
    EXPECT_EQ(FakeLptUnit::bytesOf(rig.port.frames[5]), (Bytes{0x40, 0xAA, 0xAA, 0x20}));
}

TEST(LptIce, StackLevelsAreReadByAddress) {
    LptIceRig rig;
    rig.settings.stackDepth = 2;
    rig.port.byteMemory[24] = 0x82;
    rig.port.byteMemory[21] = 0x00;
    rig.port.byteMemory[22] = 0x12;
    rig.port.byteMemory[23] = 0x34;
    const auto stack = rig.ice->iceReadStack();
    ASSERT_TRUE(stack);
    EXPECT_EQ(*stack, (std::vector<uint32_t>{0x1234, 0x1234}));
    EXPECT_EQ(rig.port.byteMemory[24], 0x82) << "the stack pointer register is restored";
    // The selections 0x81 and 0x82 were written on the way.
    int selections = 0;
    for (const auto& f : rig.port.frames) {
        const Bytes b = FakeLptUnit::bytesOf(f);
        if (b.size() == 4 && decodeAddress(b.data()) == 24 && !(b[2] & 1)) ++selections;
    }
    EXPECT_EQ(selections, 3);
}

TEST(LptIce, NoPortMeansNoAnswer) {
    UsbLink usb{UsbBackends{}};
    LptLink lpt(usb.ioBuffer, std::make_unique<FakePortProvider>(nullptr));
    lpt.lptInit();
    IceSettings settings;
    settings.usb = false;
    IceCommands ice(usb, lpt, settings, [](std::chrono::milliseconds) {});
    EXPECT_EQ(ice.readIceBodyId(), 255);
    EXPECT_TRUE(ice.iceStopped().linkLost);
}

TEST(Ppdev, PortIsFoundFromItsBaseAddress) {
    TempDir dir;
    dir.write("proc/parport0/base-addr", "888\t1912\n");
    dir.write("proc/parport1/base-addr", "632\t-1\n");
    dir.write("proc/default/spintime", "500\n");
    const auto proc = dir.path() / "proc";
    EXPECT_EQ(findParportNumber(0x378, proc), 0);
    EXPECT_EQ(findParportNumber(0x278, proc), 1);
    EXPECT_FALSE(findParportNumber(0x3BC, proc));
    EXPECT_FALSE(findParportNumber(0x378, dir.path() / "missing"));

    PpdevPortProvider provider(proc, dir.path() / "dev");
    EXPECT_EQ(provider.startService(0), kServiceInvalidName);
    EXPECT_EQ(provider.startService(0x3BC), kServiceDidNotExist);
    EXPECT_NE(provider.diagnosis().find("3BCh"), std::string::npos);
    EXPECT_EQ(provider.startService(0x378), kServiceDidNotExist); // no /dev/parport0
    EXPECT_NE(provider.diagnosis().find("ppdev"), std::string::npos);

    // A node that is not a parport device cannot be claimed.
    dir.write("dev/parport0", "");
    EXPECT_EQ(provider.startService(0x378), kServiceRunning);
    EXPECT_EQ(provider.open(0x378), nullptr);
    EXPECT_NE(provider.diagnosis().find("cannot be claimed"), std::string::npos);

    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.path() / "dev/parport0", std::filesystem::perms::none);
        EXPECT_EQ(provider.startService(0x378), kServiceAccessDenied);
    }
}

} // namespace
} // namespace zerka::test
