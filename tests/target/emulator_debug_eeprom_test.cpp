// Programs that write and read the built-in EEPROM run to completion on an 8024h body, both
// single-stepped and free-running, with the reserved breakpoints doing the work unseen.
#include "emulator_debug_rig.h"

namespace zerka::test {
namespace {

constexpr uint16_t kControl = 0x60, kBase = 0x460, kAddrHigh = 0x61, kAddrLow = 0x62,
                   kDataHigh = 0x63, kDataLow = 0x64;
constexpr uint32_t kWriteAt = 8, kReadAt = 11, kLoopAt = 17;

DebugRigOptions eepromOptions(uint8_t mode) {
    DebugRigOptions o;
    o.bodyId = kBody8024;
    o.dataBytes = 0x500; // up to bank 4, where the control register lives
    o.eeprom.mode = mode;
    o.eeprom.page = kControl;
    o.eeprom.base = kBase;
    o.eeprom.param = {kAddrHigh, kAddrLow, kDataHigh, kDataLow};
    return o;
}

// Writes 00FFh to EEPROM word 3, reads it back into 90h/91h, then loops at kLoopAt.
void loadEepromProgram(EmulatorDebugRig& r) {
    r.load(0, {r.enc("MVL", {0}), r.enc("MVF", {kAddrHigh, 1, 0}), r.enc("MVL", {3}),
               r.enc("MVF", {kAddrLow, 1, 0}), r.enc("MVL", {0x00}),
               r.enc("MVF", {kDataHigh, 1, 0}), r.enc("MVL", {0xFF}),
               r.enc("MVF", {kDataLow, 1, 0}), r.enc("BSF", {kControl, 1, 0}), // write request
               r.enc("MVL", {3}), r.enc("MVF", {kAddrLow, 1, 0}),
               r.enc("BSF", {kControl, 0, 0}), // read request
               r.enc("MVF", {reg::kTableDataHigh, 0, 0}), r.enc("MVF", {0x90, 1, 0}),
               r.enc("MVF", {reg::kTableDataLow, 0, 0}), r.enc("MVF", {0x91, 1, 0}),
               r.enc("MVL", {0x5A}), r.enc("JMP", {kLoopAt})});
}

// What the build-and-load does after a load into an 8024h body: reserved entries and the control
// byte.
void prepareEeprom(EmulatorDebugRig& r) {
    const std::vector<uint32_t> accesses = {kWriteAt, kReadAt};
    r.up.PlaceReservedBreakpoints(accesses);
    r.up.WriteRegister(kBase, 0x08);
    r.unit.setProgramWord(0x4003, 0x1234);
}

void expectEepromDone(EmulatorDebugRig& r, uint8_t mode) {
    const uint16_t stored = mode <= 2 ? 0x0034 : 0x00FF;
    EXPECT_EQ(r.unit.programWord(0x4003), stored);
    EXPECT_EQ(r.data(0x90), stored >> 8);
    EXPECT_EQ(r.data(0x91), stored & 0xFF);
    EXPECT_EQ(r.data(kAddrLow), 4);
    EXPECT_EQ(r.data(kBase), 0x08); // both requests served and cleared
    EXPECT_EQ(r.unit.cpu().ReadData(kBase), 0x08);
    EXPECT_EQ(r.data(kControl), 0); // nothing reached the bank-0 address
    EXPECT_EQ(r.data(reg::kW), 0x5A);
    // The program words the patches and the read routine used are the program's again.
    for (uint32_t a = 0; a <= kLoopAt; ++a)
        EXPECT_EQ(r.unit.programWord(a), r.up.cpu().ProgramWord(a)) << a;
}

TEST(EmulatorDebugEeprom, AFreeRunningProgramWritesAndReadsTheEeprom) {
    for (uint8_t mode : {1, 3}) {
        SCOPED_TRACE(int(mode));
        EmulatorDebugRig r(eepromOptions(mode));
        r.connect();
        loadEepromProgram(r);
        r.download();
        prepareEeprom(r);
        ASSERT_TRUE(r.run.eepromActive());
        r.up.AddBreakpoint(kLoopAt, BreakpointKind::Address);
        r.up.Run();
        ASSERT_TRUE(r.waitStopped(50));
        EXPECT_EQ(r.up.cpu().GetPC(), kLoopAt);
        expectEepromDone(r, mode);
        EXPECT_TRUE(r.ui.messages.empty());
    }
}

TEST(EmulatorDebugEeprom, ASingleSteppedProgramWritesAndReadsTheEeprom) {
    for (uint8_t mode : {1, 3}) {
        SCOPED_TRACE(int(mode));
        EmulatorDebugRig r(eepromOptions(mode));
        r.connect();
        loadEepromProgram(r);
        r.download();
        prepareEeprom(r);
        for (int i = 0; i < 40 && r.up.cpu().GetPC() != kLoopAt; ++i)
            r.up.StepInto();
        EXPECT_EQ(r.up.cpu().GetPC(), kLoopAt);
        expectEepromDone(r, mode);
        EXPECT_TRUE(r.ui.messages.empty());
    }
}

TEST(EmulatorDebugEeprom, ContinueModeServesTheRequestsToo) {
    EmulatorDebugRig r(eepromOptions(1));
    r.connect();
    loadEepromProgram(r);
    r.download();
    prepareEeprom(r);
    for (int i = 0; i < 40 && r.up.cpu().GetPC() != kLoopAt; ++i)
        r.up.ContinueStep();
    EXPECT_EQ(r.up.cpu().GetPC(), kLoopAt);
    expectEepromDone(r, 1);
}

TEST(EmulatorDebugEeprom, AStepOverKeepsItsTargetAcrossAnAccess) {
    EmulatorDebugRig r(eepromOptions(1));
    r.connect();
    // 0: call 8; 1: [95] = 1; 2: loop.   8..: the write of word 5, ret.
    r.load(0, {r.enc("CALL", {8}), r.enc("INF", {0x95, 1, 0}), r.enc("JMP", {2})});
    r.load(8, {r.enc("MVL", {5}), r.enc("MVF", {kAddrLow, 1, 0}), r.enc("BSF", {kControl, 1, 0}),
               r.enc("RET")});
    r.download();
    const std::vector<uint32_t> accesses = {10};
    r.up.PlaceReservedBreakpoints(accesses);
    r.up.WriteRegister(kBase, 0x08);
    r.up.StepOver();
    ASSERT_TRUE(r.waitStopped(50));
    EXPECT_EQ(r.up.cpu().GetPC(), 1u);
    EXPECT_EQ(r.data(kAddrLow), 6);
    EXPECT_EQ(r.data(0x95), 0);
}

TEST(EmulatorDebugEeprom, ReservedEntriesStayOutOfTheUsersWay) {
    EmulatorDebugRig r(eepromOptions(1));
    r.connect();
    loadEepromProgram(r);
    r.download();
    prepareEeprom(r);
    ASSERT_EQ(r.up.reservedBreakpoints(), 2u);
    for (uint32_t a = 0x20; a < 0x20 + 14; ++a)
        r.up.AddBreakpoint(a, BreakpointKind::Address);
    // Twelve user entries fit beside the two reserved ones; the oldest user entries dropped.
    ASSERT_EQ(r.up.breakpoints().size(), 14u);
    EXPECT_EQ(r.up.breakpoints()[0].address, kWriteAt);
    EXPECT_EQ(r.up.breakpoints()[1].address, kReadAt);
    EXPECT_EQ(r.up.breakpoints()[2].address, 0x22u);
    // A user remove of a reserved address leaves it; the emulator still stops there.
    r.up.RemoveBreakpoint(kWriteAt, BreakpointKind::Address);
    EXPECT_EQ(r.up.breakpoints()[0].address, kWriteAt);
    EXPECT_EQ(r.unit.comparator(1), kWriteAt);
    EXPECT_EQ(r.unit.comparator(2), kReadAt);
}

TEST(EmulatorDebugEeprom, AStopAtAddressZeroAsksForTheProgramReset) {
    EmulatorDebugRig r(eepromOptions(1));
    r.connect();
    r.load(0, {r.enc("NOP"), r.enc("JMP", {0})});
    r.download();
    int resets = 0;
    r.run.programResetRequested().connect([&] { ++resets; });
    const std::vector<uint32_t> accesses = {0x30};
    r.up.PlaceReservedBreakpoints(accesses);
    r.up.AddBreakpoint(0, BreakpointKind::Address);
    r.up.StepInto(); // away from 0, so the run can come back to it
    r.up.Run();
    ASSERT_TRUE(r.waitStopped(50));
    EXPECT_EQ(r.up.cpu().GetPC(), 0u);
    EXPECT_EQ(resets, 1);
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

TEST(EmulatorDebugEeprom, ABlockingRunResumesAfterEveryAccessWithoutNesting) {
    EmulatorDebugRig r(eepromOptions(1));
    r.connect();
    loadEepromProgram(r);
    r.download();
    prepareEeprom(r);
    r.run.setBlockingRuns(true, 100000);
    r.up.AddBreakpoint(kLoopAt, BreakpointKind::Address);
    r.up.Run();
    EXPECT_FALSE(r.up.runTimerEnabled());
    EXPECT_EQ(r.up.cpu().GetPC(), kLoopAt);
    expectEepromDone(r, 1);
}

} // namespace
} // namespace zerka::test
