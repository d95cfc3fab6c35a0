// The packets of the emulator's block transfer, seen on the wire by a recording unit.
#include "upcentre/run/emulator_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

namespace zerka {
namespace {

// Answers like a unit that acknowledges everything; records every packet the host sends.
class RecordingUnit : public PacketTransport {
  public:
    bool write(const uint8_t* data, size_t n) override {
        packets.emplace_back(data, data + n);
        const uint8_t op = n ? data[0] : 0;
        answer.assign(64, 0);
        if (blockWrite > 0) {
            blockWrite -= std::min<size_t>(n, blockWrite);
            answer[0] = 0xFA;
        } else if (op == 0xF9) {
            std::memset(answer.data(), 0xFF, 8);
            if (n > 1 && data[1] == 0xAC) std::memcpy(answer.data(), "PROBEONE", 8);
        } else if (op == 0xA2) {
            answer[0] = blockAnswer;
            const size_t count = size_t(data[4]) << 16 | size_t(data[5]) << 8 | data[6];
            if (!(data[3] & 1)) blockWrite = count;
        } else if (op == 0xA3) {
            answer.assign(64, readValue);
        } else if (op == 0xA7) {
            answer[0] = 0xFA;
            answer[1] = control;
        } else if (op == 0xA6) {
            control = data[1];
            answer[0] = 0xFA;
        } else {
            answer[0] = 0xFA;
        }
        return true;
    }
    bool read(uint8_t* data, size_t n) override {
        std::memcpy(data, answer.data(), std::min(n, answer.size()));
        return true;
    }
    std::string describe() const override { return "recording unit"; }

    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint8_t> answer;
    size_t blockWrite = 0;
    uint8_t blockAnswer = 0xAA;
    uint8_t readValue = 0;
    uint8_t control = 0;
};

class QuietUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int p) override { progressCalls.push_back(p); }
    void busy(bool) override {}
    std::vector<int> progressCalls;
};

struct Host {
    explicit Host(RomType rom) {
        UsbBackends b;
        b.virtualTarget = [this](std::string&) {
            struct Ref : PacketTransport {
                explicit Ref(RecordingUnit& u) : u(u) {}
                bool write(const uint8_t* d, size_t n) override { return u.write(d, n); }
                bool read(uint8_t* d, size_t n) override { return u.read(d, n); }
                std::string describe() const override { return "ref"; }
                RecordingUnit& u;
            };
            return std::make_unique<Ref>(unit);
        };
        usb = std::make_unique<UsbLink>(std::move(b));
        lpt = std::make_unique<LptLink>(usb->ioBuffer, nullptr);
        settings.romSelect = rom;
        ice = std::make_unique<IceCommands>(*usb, *lpt, settings, [](std::chrono::milliseconds) {});
        memory = std::make_unique<EmulatorMemory>(cpu, *ice, *usb, *lpt, settings, ui,
                                                  [](std::chrono::milliseconds) {});
        cpu.setProgramSize(256);
        for (uint32_t i = 0; i < 256; ++i)
            cpu.LoadProgramCell(i, static_cast<uint16_t>(0x1100 + i), 0, 0);
        usb->connect();
        unit.packets.clear();
    }
    // First bytes of the packets that are commands (not block data).
    std::vector<uint8_t> commands() const {
        std::vector<uint8_t> ops;
        for (const auto& p : unit.packets)
            if (p[0] == 0xA1 || p[0] == 0xA2 || p[0] == 0xB5 || p[0] == 0xA6) ops.push_back(p[0]);
        return ops;
    }
    RecordingUnit unit;
    std::unique_ptr<UsbLink> usb;
    std::unique_ptr<LptLink> lpt;
    IceSettings settings;
    std::unique_ptr<IceCommands> ice;
    CpuState cpu;
    QuietUi ui;
    std::unique_ptr<EmulatorMemory> memory;
};

TEST(EmulatorMemoryPacketsTest, BlockWriteHeaderAndPacketSizedChunks) {
    Host host(RomType::Ram62256);
    ASSERT_TRUE(host.memory->DownloadProgram());
    const auto& p = host.unit.packets;
    auto header = std::find_if(p.begin(), p.end(), [](const auto& q) { return q[0] == 0xA2; });
    ASSERT_NE(header, p.end());
    EXPECT_EQ(*header, (std::vector<uint8_t>{0xA2, 0x40, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}));
    // 512 bytes in 64-byte chunks, the words high byte first.
    ASSERT_EQ(p.end() - header, 1 + 8);
    EXPECT_EQ((header + 1)->size(), 64u);
    EXPECT_EQ((*(header + 1))[0], 0x11);
    EXPECT_EQ((*(header + 1))[1], 0x00);
    EXPECT_EQ((*(header + 8))[63], 0xFF);
    // Progress after every chunk, then hidden.
    EXPECT_EQ(host.ui.progressCalls.size(), 1u + 8u + 1u);
    EXPECT_EQ(host.ui.progressCalls[8], 100);
    EXPECT_EQ(host.ui.progressCalls.back(), -1);
}

TEST(EmulatorMemoryPacketsTest, EepromDownloadUnlocksWithTheLongPulse) {
    Host host(RomType::Eeprom28C256);
    ASSERT_TRUE(host.memory->DownloadProgram());
    // word mode (A6), mode on, access 2, block, access 3, mode off
    EXPECT_EQ(host.commands(), (std::vector<uint8_t>{0xA6, 0xB5, 0xA1, 0xA2, 0xA1, 0xB5}));
    for (const auto& q : host.unit.packets) {
        if (q[0] == 0xA2) {
            EXPECT_EQ(q[7], 10);
        }
        if (q[0] == 0xB5) {
            EXPECT_EQ(q[1], 0x04);
        }
    }
}

TEST(EmulatorMemoryPacketsTest, OtherMemoryTypeWritesNothing) {
    Host host(RomType::Other);
    ASSERT_TRUE(host.memory->DownloadProgram());
    EXPECT_EQ(host.commands(), (std::vector<uint8_t>{0xA6}));
}

TEST(EmulatorMemoryPacketsTest, AMissingBlockAnswerFailsAndLosesTheLink) {
    Host host(RomType::Ram62256);
    host.unit.blockAnswer = 0xFA;
    EXPECT_FALSE(host.memory->VerifyProgram());
    EXPECT_EQ(host.usb->linkStatus, kLinkLost);
    EXPECT_FALSE(host.usb->connected());
    EXPECT_EQ(host.cpu.ReadBackWord(0), 0); // nothing taken from a failed read
}

TEST(EmulatorMemoryPacketsTest, ReadBackSmallerThanTheCodeFailsTheVerify) {
    Host host(RomType::Ram62256);
    host.unit.readValue = 0x00; // every word reads back 0000h, below every code word
    EXPECT_FALSE(host.memory->VerifyProgram());
    EXPECT_EQ(host.cpu.ReadBackWord(5), 0);
    EXPECT_EQ(host.memory->transferWords(), 256u);
    host.cpu.setProgramSize(32768);
    EXPECT_EQ(host.memory->transferWords(), 32767u);
}

TEST(EmulatorMemoryPacketsTest, InfoBlockGoesToWord8000) {
    Host host(RomType::Ram62256);
    // The recording unit reads back zeros, so the check of the written block fails.
    EXPECT_FALSE(host.memory->WriteInfoBlock(kIceInfoBlockAddress, [] {
        EmulatorMemory::InfoBlock b{};
        b.fill(0x1234);
        return b;
    }()));
    auto header = std::find_if(host.unit.packets.begin(), host.unit.packets.end(),
                               [](const auto& q) { return q[0] == 0xA2; });
    ASSERT_NE(header, host.unit.packets.end());
    // Word 8000h is emulator address 10000h.
    EXPECT_EQ((std::vector<uint8_t>(header->begin(), header->begin() + 4)),
              (std::vector<uint8_t>{0xA2, 0x42, 0x00, 0x00}));
}

} // namespace
} // namespace zerka
