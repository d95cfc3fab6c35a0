// Every emulator-memory operation under every injected fault, cut at every packet: a clear
// failure, the link marked lost, no hang, and the host's state untouched.
#include "target_rig.h"

#include <gtest/gtest.h>

#include <functional>

namespace zerka::test {
namespace {

struct Operation {
    const char* name;
    // Runs the operation; true when it reported success.
    std::function<bool(Rig&)> run;
};

std::vector<Operation> operations() {
    return {
        {"DownloadProgram", [](Rig& r) { return r.memory.DownloadProgram(); }},
        {"VerifyProgram", [](Rig& r) { return r.memory.VerifyProgram(); }},
        {"DownloadAndVerify", [](Rig& r) { return r.memory.DownloadAndVerify(true); }},
        {"ResetVerify", [](Rig& r) { return r.memory.DownloadAndVerify(false); }},
        {"CheckProgramMemory", [](Rig& r) { return r.memory.CheckProgramMemory(); }},
        {"ReloadProgram", [](Rig& r) { return r.memory.ReloadProgram(); }},
        {"MirrorTest8K", [](Rig& r) { return r.memory.MirrorTest8K(); }},
        {"EmulatorMemoryTest",
         [](Rig& r) {
             uint32_t position = 0;
             return r.memory.EmulatorMemoryTest(false, position) == kMemoryTestPassed;
         }},
        {"WriteInfoBlock",
         [](Rig& r) {
             EmulatorMemory::InfoBlock info{};
             info.fill(0x5AA5);
             return r.memory.WriteInfoBlock(kIceInfoBlockAddress, info);
         }},
        {"ReadDataBytes", [](Rig& r) { return r.memory.ReadDataBytes(0, 0x200); }},
    };
}

// A program that the emulator already holds, so that every operation succeeds when nothing
// goes wrong; the mirror test is given its 8K program.
void prepare(Rig& rig, const Operation& op) {
    if (std::string(op.name) == "MirrorTest8K") rig.cpu.setProgramSize(8192);
    rig.loadPattern();
    for (uint32_t i = 0; i < rig.cpu.programSize(); ++i)
        rig.unit.setProgramWord(i, rig.cpu.ProgramWord(i));
    if (std::string(op.name) == "MirrorTest8K")
        for (uint32_t i = 0; i < 8192; ++i)
            rig.unit.setProgramWord(i, 0);
    for (uint32_t a = 0; a < 0x200; ++a)
        rig.cpu.WriteData(a, 0xC3);
}

struct Snapshot {
    std::vector<uint16_t> code;
    std::array<uint8_t, CpuState::kDataSize> data;
    EmulatorMemory::InfoBlock info;
};

Snapshot snapshot(const Rig& rig) {
    Snapshot s{{}, rig.cpu.dataMemory(), rig.memory.infoReadBack()};
    for (uint32_t i = 0; i < rig.cpu.programSize(); ++i)
        s.code.push_back(rig.cpu.ProgramWord(i));
    return s;
}

std::string faultName(FaultKind kind) {
    switch (kind) {
    case FaultKind::NoAnswer:
        return "NoAnswer";
    case FaultKind::WrongByte:
        return "WrongByte";
    case FaultKind::Disconnect:
        return "Disconnect";
    case FaultKind::Slow:
        return "Slow";
    case FaultKind::None:
        break;
    }
    return "None";
}

class FaultTest : public ::testing::TestWithParam<std::tuple<Face, FaultKind>> {};

TEST_P(FaultTest, EveryCutFailsCleanly) {
    const auto [face, kind] = GetParam();
    RigOptions o;
    o.programWords = 256;
    // The slow answer comes well after the host's time-out, and the time-out is long enough that
    // a busy machine still answers a healthy exchange within it.
    o.timeout = std::chrono::milliseconds(kind == FaultKind::Slow ? 120 : 1000);
    Rig rig(face, o);
    auto reconnect = [&rig, face = face, kind = kind] {
        // A late answer still occupies the socket server for a moment.
        if (kind == FaultKind::Slow && face == Face::Socket)
            std::this_thread::sleep_for(std::chrono::milliseconds(350));
        return rig.reconnect();
    };
    for (const Operation& op : operations()) {
        prepare(rig, op);
        ASSERT_TRUE(reconnect()) << op.name;
        const uint64_t before = rig.unit.packetsSeen();
        ASSERT_TRUE(op.run(rig)) << op.name << ": fails without a fault";
        const uint32_t packets = static_cast<uint32_t>(rig.unit.packetsSeen() - before);
        // WrongByte spoils the first byte of each answer: only the acknowledged answers can
        // tell, so that fault starts at the first packet. The others cut anywhere.
        const uint32_t stride = std::max<uint32_t>(1, packets / 8);
        const uint32_t lastCut = kind == FaultKind::WrongByte ? 0 : packets - 1;
        for (uint32_t cut = 0; cut <= lastCut; cut += stride) {
            prepare(rig, op);
            ASSERT_TRUE(reconnect()) << op.name << " cut " << cut;
            const Snapshot was = snapshot(rig);
            rig.unit.setFault({kind, cut, 0, std::chrono::milliseconds(300)});
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(op.run(rig)) << op.name << " cut " << cut << " of " << packets;
            // A hang bound, not a speed check: generous so that a loaded machine does not trip it.
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << op.name;
            EXPECT_EQ(rig.usb.linkStatus, kLinkLost) << op.name << " cut " << cut;
            const Snapshot now = snapshot(rig);
            EXPECT_EQ(now.code, was.code) << op.name << " cut " << cut;
            EXPECT_EQ(now.info, was.info) << op.name << " cut " << cut;
            if (std::string(op.name) != "EmulatorMemoryTest") {
                EXPECT_EQ(now.data, was.data) << op.name << " cut " << cut;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    UsbFaces, FaultTest,
    ::testing::Combine(::testing::Values(Face::InProcess, Face::Bulk, Face::Hid, Face::Socket),
                       ::testing::Values(FaultKind::NoAnswer, FaultKind::WrongByte,
                                         FaultKind::Disconnect, FaultKind::Slow)),
    [](const auto& info) {
        return std::string(faceName(std::get<0>(info.param))) + faultName(std::get<1>(info.param));
    });

// The printer port has no acknowledgement: a silent or unplugged unit shows as wrong data,
// which the verify and the memory test report.
TEST(PortFaultTest, SilentUnitFailsVerifyAndMemoryTest) {
    for (FaultKind kind : {FaultKind::NoAnswer, FaultKind::Disconnect, FaultKind::WrongByte}) {
        Rig rig(Face::Port);
        ASSERT_TRUE(rig.connect());
        rig.loadPattern();
        ASSERT_TRUE(rig.memory.DownloadAndVerify(true));
        rig.unit.setFault({kind, 0, 0, {}});
        EXPECT_FALSE(rig.memory.VerifyProgram());
        uint32_t position = 0;
        EXPECT_NE(rig.memory.EmulatorMemoryTest(false, position), kMemoryTestPassed);
        EmulatorMemory::InfoBlock info{};
        info.fill(0x1234);
        EXPECT_FALSE(rig.memory.WriteInfoBlock(kIceInfoBlockAddress, info));
    }
}

} // namespace
} // namespace zerka::test
