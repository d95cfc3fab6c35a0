// A debugging session on the virtual emulator: download, run to a breakpoint, steps into, over
// and out, step back through the emulator's trace, register edits, reset, a range run, the
// run-away guard, the body checks after a step, and a link lost in the middle of a run.
#include "emulator_debug_rig.h"

namespace zerka::test {
namespace {

constexpr uint32_t kSub = 0x10, kSub2 = 0x20, kEnd = 4;

// 0: [80] = 5; call SUB; [81]++; loop.   SUB: [80]++; call SUB2; ret.   SUB2: [82]--; ret.
std::vector<uint16_t> sessionProgram(const EmulatorDebugRig& r) {
    return {r.enc("MVL", {5}), r.enc("MVF", {0x80, 1, 0}), r.enc("CALL", {kSub}),
            r.enc("INF", {0x81, 1, 0}), r.enc("JMP", {kEnd})};
}

void loadSession(EmulatorDebugRig& r) {
    r.load(0, sessionProgram(r));
    r.load(kSub, {r.enc("INF", {0x80, 1, 0}), r.enc("CALL", {kSub2}), r.enc("RET")});
    r.load(kSub2, {r.enc("DCF", {0x82, 1, 0}), r.enc("RET")});
}

TEST(EmulatorDebugSession, RunStepsAndStepBackFollowTheEmulator) {
    for (bool usb : {true, false}) {
        SCOPED_TRACE(usb ? "usb" : "printer port");
        DebugRigOptions o;
        o.usb = usb;
        EmulatorDebugRig r(o);
        r.connect();
        loadSession(r);
        r.download();
        EXPECT_EQ(r.unit.programWord(2), r.up.cpu().ProgramWord(2));

        r.up.AddBreakpoint(kSub, BreakpointKind::Address);
        r.up.Run();
        EXPECT_TRUE(r.up.running());
        ASSERT_TRUE(r.waitStopped());
        EXPECT_FALSE(r.up.running());
        EXPECT_EQ(r.up.cpu().GetPC(), kSub);
        EXPECT_EQ(r.data(0x80), 5);
        EXPECT_EQ(r.data(reg::kStackPointer) & sp::kPointerMask, 1);
        EXPECT_EQ(r.up.cpu().StackEntry(1), 3u); // the return address, from the stack dump
        EXPECT_EQ(r.up.cpu().GetCycles(), r.unit.cpu().GetCycles());
        const int stopsAfterRun = r.stopped;
        EXPECT_GE(stopsAfterRun, 1);

        r.up.StepInto();
        EXPECT_EQ(r.up.cpu().GetPC(), kSub + 1);
        EXPECT_EQ(r.data(0x80), 6);
        EXPECT_TRUE(r.up.stepDone());
        EXPECT_GT(r.stopped, stopsAfterRun);

        // Over the nested call in one go.
        r.up.StepOver();
        ASSERT_TRUE(r.waitStopped());
        EXPECT_EQ(r.up.cpu().GetPC(), kSub + 2);
        EXPECT_EQ(r.data(0x82), 0xFF);
        EXPECT_FALSE(r.up.temporaryBreakpointArmed());

        // The trace at 1030h, newest first; it stays at the oldest entry.
        EXPECT_EQ(r.up.StepBack(), kSub2 + 1);
        EXPECT_EQ(r.up.StepBack(), kSub2);
        EXPECT_EQ(r.up.StepBack(), kSub + 1);
        EXPECT_EQ(r.up.StepBack(), kSub);
        for (int i = 0; i < 14; ++i)
            r.up.StepBack();
        EXPECT_EQ(r.up.StepBack(), r.unit.cpu().HistoryEntry(15));

        // Out of SUB: the return address is read from the emulator's stack.
        r.up.StepOut();
        ASSERT_TRUE(r.waitStopped());
        EXPECT_EQ(r.up.cpu().GetPC(), 3u);
        EXPECT_EQ(r.data(reg::kStackPointer) & sp::kPointerMask, 0);
        EXPECT_TRUE(r.ui.messages.empty());
    }
}

TEST(EmulatorDebugSession, RegisterEditsWriteThroughAndKeepTheFixedBits) {
    EmulatorDebugRig r;
    r.connect();
    loadSession(r);
    r.download();

    r.up.SetRegister(0x85, 0x42);
    EXPECT_EQ(r.unit.cpu().ReadData(0x85), 0x42);
    EXPECT_EQ(r.data(0x85), 0x42);
    EXPECT_EQ(r.up.cpu().registerRecord().size(), 1u);

    // 30h: bits 6 and 5 always set; the adjusted byte goes to the emulator once more.
    FixedBitRules rules;
    rules.on[0] = true;
    r.up.cpu().setFixedBits(rules);
    r.up.SetRegister(0x30, 0x01);
    EXPECT_EQ(r.data(0x30), 0x61);
    EXPECT_EQ(r.unit.cpu().ReadData(0x30), 0x61);
    // The mirror refresh applies the rules too.
    r.unit.cpu().WriteData(0x30, 0x02);
    r.run.refreshMirror();
    EXPECT_EQ(r.data(0x30), 0x62);

    // The value stored is the one read back: the top-of-stack byte reads the selected entry.
    r.up.SetRegister(reg::kTosLow, 0x99);
    EXPECT_EQ(r.data(reg::kTosLow), r.ice.iceReadByte(reg::kTosLow));

    // The PC from the register window reaches the emulator.
    r.up.SetPCFromView(kSub2);
    EXPECT_EQ(r.unit.cpu().GetPC(), kSub2);
    r.up.StepInto();
    EXPECT_EQ(r.data(0x82), 0xFF);

    // A failed transfer leaves the mirror as it was.
    r.unit.setFault({FaultKind::Disconnect, 0, 0, {}});
    r.up.SetRegister(0x85, 0x17);
    EXPECT_EQ(r.data(0x85), 0x42);
    EXPECT_EQ(r.usb.linkStatus, kLinkLost);
}

TEST(EmulatorDebugSession, ResetVerifiesFirstAndRangeRunsStopAtTheirEnd) {
    EmulatorDebugRig r;
    r.connect();
    loadSession(r);
    r.download();
    r.up.StepInto();
    r.up.StepInto();
    ASSERT_EQ(r.up.cpu().GetPC(), 2u);

    // The reset verifies first and downloads only when the emulator differs: a matching
    // memory costs the verify alone.
    uint64_t before = r.unit.packetsSeen();
    r.up.ResetTarget();
    const uint64_t matching = r.unit.packetsSeen() - before;
    EXPECT_EQ(r.up.cpu().GetPC(), 0u);
    EXPECT_EQ(r.unit.cpu().GetPC(), 0u);
    r.unit.setProgramWord(kSub2, 0xFFFF);
    before = r.unit.packetsSeen();
    r.up.ResetTarget();
    const uint64_t differing = r.unit.packetsSeen() - before;
    EXPECT_EQ(r.unit.programWord(kSub2), r.up.cpu().ProgramWord(kSub2));
    EXPECT_GT(differing, matching + 16); // a download of 1024 words and a second verify

    r.up.RunRange(0, 3);
    EXPECT_TRUE(r.up.temporaryBreakpointArmed());
    r.up.Run();
    ASSERT_TRUE(r.waitStopped());
    EXPECT_EQ(r.up.cpu().GetPC(), 3u);
    EXPECT_FALSE(r.up.rangeRunActive());
    EXPECT_FALSE(r.up.temporaryBreakpointArmed());
    EXPECT_EQ(r.up.comparatorImage()[0], TZk_UP::kNoAddress);
    EXPECT_EQ(r.unit.comparator(0), TZk_UP::kNoAddress);
}

TEST(EmulatorDebugSession, TheRangeGuardBringsARunAwayTargetBackToZero) {
    for (bool eepromBody : {false, true}) {
        SCOPED_TRACE(eepromBody ? "8024h body" : "plain body");
        DebugRigOptions o;
        if (eepromBody) {
            o.bodyId = kBody8024;
            o.eeprom.mode = 1;
            o.eeprom.page = 0x60;
            o.eeprom.base = 0x460;
            o.eeprom.param = {0, 0x62, 0x63, 0x64};
        }
        EmulatorDebugRig r(o);
        r.connect();
        loadSession(r);
        r.download();
        const uint16_t eepromWord = 0x1357;
        r.unit.setProgramWord(0x4000, eepromWord);
        r.unit.setProgramWord(0x5000, r.enc("JMP", {0}));
        r.up.SetPCFromView(0x5000);
        ASSERT_EQ(r.unit.cpu().GetPC(), 0x5000u);

        r.up.cpu().SetCycles(0x12, 0x3456); // the count of the run that ran away

        r.up.AddBreakpoint(kSub, BreakpointKind::Address);
        r.up.Run();
        ASSERT_TRUE(r.waitStopped());
        EXPECT_EQ(r.up.cpu().GetPC(), kSub);
        EXPECT_EQ(r.data(0x80), 5);              // the program ran from 0
        EXPECT_LT(r.up.cpu().GetCycles(), 100u); // and counted from 0
        EXPECT_EQ(r.unit.programWord(0x4000), eepromWord);

        // A refresh that finds the PC beyond the program takes 0.
        r.unit.cpu().SetPC(0x6000);
        r.unit.setProgramWord(0x6000, r.enc("JMP", {0}));
        EXPECT_TRUE(r.run.refreshMirror());
        EXPECT_EQ(r.up.cpu().GetPC(), 0u);
        EXPECT_EQ(r.unit.cpu().GetPC(), 0u);
    }
}

TEST(EmulatorDebugSession, AStepThatLeavesTheBodySilentIsReported) {
    EmulatorDebugRig r;
    r.connect();
    r.load(0, {r.enc("SLP"), r.enc("NOP"), r.enc("JMP", {1})});
    r.download();
    r.up.StepInto();
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0],
              "Sleep mode has already been activated, please push button to awake, or reset IC");
    // The run waits for the target's own button.
    EXPECT_TRUE(r.up.running());
    r.unit.pressWakeButton();
    r.up.Stop();
    EXPECT_FALSE(r.up.running());

    // A body the chip does not list.
    r.settings.emulatorIds = {0x1111};
    r.up.StepInto();
    ASSERT_EQ(r.ui.messages.size(), 2u);
    EXPECT_EQ(r.ui.messages[1], "ICE chip comes off, please check!!");
}

TEST(EmulatorDebugSession, ALinkLostDuringARunEndsThePolling) {
    EmulatorDebugRig r;
    r.connect();
    loadSession(r);
    r.download();
    r.up.Run(); // the end loop never stops by itself
    EXPECT_FALSE(r.waitStopped(3));
    r.unit.setFault({FaultKind::Disconnect, 0, 0, {}});
    EXPECT_TRUE(r.waitStopped(3));
    EXPECT_EQ(r.usb.linkStatus, kLinkLost);
    // Stopping afterwards fails quietly and keeps the mirror.
    const uint8_t before = r.data(0x80);
    r.up.Stop();
    EXPECT_FALSE(r.up.running());
    EXPECT_EQ(r.data(0x80), before);
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

// Without an event loop (the command line) a run returns once the target has stopped.
TEST(EmulatorDebugBlockingRuns, RunsReturnAtTheirStopTheCycleBoundOrASleep) {
    EmulatorDebugRig r;
    r.connect();
    loadSession(r);
    r.load(0x40, {r.enc("NOP"), r.enc("SLP"), r.enc("JMP", {0x41})});
    r.download();
    r.run.setBlockingRuns(true, 5000);

    r.up.AddBreakpoint(kSub2, BreakpointKind::Address);
    r.up.Run();
    EXPECT_FALSE(r.up.runTimerEnabled());
    EXPECT_EQ(r.up.cpu().GetPC(), kSub2);
    EXPECT_FALSE(r.run.cycleLimitReached());
    r.up.StepOut();
    EXPECT_EQ(r.up.cpu().GetPC(), kSub + 2);

    // The end loop never stops by itself: the cycle bound ends it.
    r.up.RemoveBreakpoint(kSub2, BreakpointKind::Address);
    r.up.Run();
    EXPECT_FALSE(r.up.runTimerEnabled());
    EXPECT_TRUE(r.run.cycleLimitReached());
    EXPECT_EQ(r.up.cpu().GetPC(), kEnd);
    EXPECT_GE(r.up.cpu().GetCycles(), 5000u);

    // A sleeping target ends the run too.
    r.up.SetPCFromView(0x40);
    r.up.Run();
    EXPECT_FALSE(r.up.runTimerEnabled());
    EXPECT_TRUE(r.run.stoppedAsleep());
    EXPECT_FALSE(r.run.cycleLimitReached());
    EXPECT_EQ(r.up.cpu().GetPC(), 0x42u);
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

TEST(EmulatorDebugMirror, TheRefreshMasks3BhAndReadsTheInformationBlockBack) {
    DebugRigOptions o;
    o.eeprom.mode = 1; // a chip with a self-EROM mode, on a plain body
    EmulatorDebugRig r(o);
    r.connect();
    loadSession(r);
    r.download();
    EmulatorRunSettings s = r.run.settings();
    s.maskRegister3B = true;
    s.mask3B = 0x1F;
    r.run.setSettings(s);
    EXPECT_FALSE(r.run.eepromActive()); // the body is not 8024h

    EmulatorMemory::InfoBlock info{};
    for (size_t i = 0; i < info.size(); ++i)
        info[i] = static_cast<uint16_t>(0x100 * i + 7);
    ASSERT_TRUE(r.memory.WriteInfoBlock(kIceInfoBlockAddress, info));
    r.unit.cpu().WriteData(0x3B, 0xFF);
    ASSERT_TRUE(r.run.refreshMirror());
    EXPECT_EQ(r.data(0x3B), 0x1F);
    for (size_t i = 0; i < EmulatorRun::kInfoReadBackWords; ++i)
        ASSERT_EQ(r.run.infoReadBack()[i], info[i]) << i;
}

TEST(EmulatorDebugMirror, AGuardWhoseTargetNeverComesBackGivesUpAndHaltsIt) {
    DebugRigOptions o;
    o.core = CoreType::CX4A;
    EmulatorDebugRig r(o);
    r.connect();
    r.load(0, {r.enc("NOP"), r.enc("RJ", {0x7FF})});
    r.download();
    r.unit.setProgramWord(0x5000, r.enc("RJ", {0x7FF})); // a jump to itself
    r.up.SetPCFromView(0x5000);
    EXPECT_FALSE(r.run.EmulatorRangeGuard(kRunAwayPc));
    EXPECT_FALSE(r.unit.running());
    EXPECT_EQ(r.unit.cpu().GetPC(), 0x5000u);
    // A PC inside the program is left alone.
    r.up.SetPCFromView(3);
    EXPECT_TRUE(r.run.EmulatorRangeGuard(kRunAwayPc));
    EXPECT_EQ(r.unit.cpu().GetPC(), 3u);
}

} // namespace
} // namespace zerka::test
