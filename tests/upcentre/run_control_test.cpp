// Run control of the uP centre in simulator mode: runs in time slices, steps, step over and
// step out, range runs, stops, step back, reset and the notifications.
#include "run_fixture.h"

#include <string>

namespace zerka {
namespace {

using test::RunFixture;

// CX4A: 0 CALL SUB1 (two words), 2 RCALL SUB1, 3 NOP, 4 RJ 4; SUB1 calls SUB2 calls SUB3.
void loadCallChain(RunFixture& f) {
    f.load(0, {f.enc("CALL", {0, 0}), f.enc("NOPF", {0x10}),
               f.enc("RCALL", {RunFixture::rel11(2, 0x10)}), f.enc("NOP"), f.enc("RJ", {0x7FF})});
    f.load(0x10,
           {f.enc("NOP"), f.enc("RCALL", {RunFixture::rel11(0x11, 0x20)}), f.enc("RET", {0})});
    f.load(0x20, {f.enc("RCALL", {RunFixture::rel11(0x20, 0x30)}), f.enc("RET", {0})});
    f.load(0x30, {f.enc("NOP"), f.enc("NOP"), f.enc("RET", {0})});
}

TEST(RunControl, StepOverRunsCallAndRcallToTheirReturnIgnoringBreakpointsInside) {
    RunFixture f;
    loadCallChain(f);
    ASSERT_TRUE(f.up.AddBreakpoint(0x31, BreakpointKind::Address));
    // The CX4A CALL returns to its NOPF word, which runs as a no-operation on the way: the run
    // stops on the word after the call, not on the call's own second word.
    f.up.StepOver();
    EXPECT_EQ(f.pc(), 2u);
    EXPECT_EQ(f.up.lastStopCause(), StopCause::StepReached);
    EXPECT_EQ(f.stopped, 1);
    EXPECT_FALSE(f.up.running());
    EXPECT_FALSE(f.up.busy());
    EXPECT_FALSE(f.up.stepRunActive());
    EXPECT_FALSE(f.up.temporaryBreakpointArmed());
    EXPECT_EQ(f.cpu().ReadData(reg::kStackPointer) & sp::kPointerMask, 0);

    f.up.StepOver(); // RCALL
    EXPECT_EQ(f.pc(), 3u);
    EXPECT_EQ(f.stopped, 2);
    EXPECT_EQ(f.up.executedInstructions(), 9u + 1u + 9u);
}

TEST(RunControl, StepOverOfAnyOtherInstructionIsExactlyStepInto) {
    RunFixture a, b;
    for (RunFixture* f : {&a, &b}) {
        f->load(0, {f->enc("MVL", {0x7F}), f->enc("ADDL", {1}), f->enc("JN", {0x10})});
    }
    for (int i = 0; i < 3; ++i) {
        a.up.StepOver();
        b.up.StepInto();
        EXPECT_EQ(a.pc(), b.pc());
        EXPECT_EQ(a.cpu().dataMemory(), b.cpu().dataMemory());
        EXPECT_EQ(a.cpu().GetCycles(), b.cpu().GetCycles());
        EXPECT_EQ(a.stopped, b.stopped);
        EXPECT_TRUE(a.up.stepDone());
    }
    EXPECT_EQ(a.pc(), 0x13u); // the jump was taken
}

TEST(RunControl, StepOutStopsAtEachReturnAddressInTurn) {
    RunFixture f;
    loadCallChain(f);
    for (int i = 0; i < 4; ++i)
        f.up.StepInto(); // CALL, NOP, RCALL, RCALL: three levels deep
    ASSERT_EQ(f.pc(), 0x30u);
    ASSERT_EQ(f.cpu().ReadData(reg::kStackPointer) & sp::kPointerMask, 3);
    ASSERT_TRUE(f.up.AddBreakpoint(0x31, BreakpointKind::Address));
    f.up.StepOut();
    EXPECT_EQ(f.pc(), 0x21u); // entry 3
    EXPECT_EQ(f.up.lastStopCause(), StopCause::StepReached);
    f.up.StepOut();
    EXPECT_EQ(f.pc(), 0x12u);
    f.up.StepOut(); // back into the CX4A CALL: past its second word
    EXPECT_EQ(f.pc(), 2u);
    EXPECT_EQ(f.stopped, 4 + 3);
}

TEST(RunControl, RangeRunStopsWhenThePcLeavesTheOpenRange) {
    RunFixture f;
    loadCallChain(f);
    f.up.StepInto(); // into SUB1 at 10h
    f.up.RunRange(0x0F, 0x12);
    EXPECT_TRUE(f.up.rangeRunActive());
    f.up.Run(); // NOP at 10h, RCALL at 11h goes to 20h
    EXPECT_EQ(f.pc(), 0x20u);
    EXPECT_EQ(f.up.lastStopCause(), StopCause::RangeLeft);
    EXPECT_FALSE(f.up.rangeRunActive());
}

TEST(RunControl, PlainRunStopsAtMarksAfterLeavingTheStartAndHonoursRunStartedAndBusy) {
    RunFixture f;
    f.load(0, {f.enc("NOP"), f.enc("NOP"), f.enc("NOP"), f.enc("RJ", {RunFixture::rel11(3, 0)})});
    f.up.AddBreakpoint(0, BreakpointKind::Address);
    f.up.AddBreakpoint(2, BreakpointKind::SourceLine, 1, 17);
    std::vector<bool> busy;
    f.up.busyChanged().connect([&](bool on) { busy.push_back(on); });
    int started = 0;
    bool runningSeen = false;
    f.up.runStarted().connect([&] {
        ++started;
        runningSeen = f.up.running() && f.up.busy() && f.up.runTimerEnabled();
    });
    f.up.Run();
    EXPECT_EQ(f.pc(), 2u); // the mark at the start does not stop at once
    EXPECT_EQ(f.up.lastStopCause(), StopCause::Breakpoint);
    f.up.Run();
    EXPECT_EQ(f.pc(), 0u);
    EXPECT_EQ(started, 2);
    EXPECT_TRUE(runningSeen);
    EXPECT_EQ(busy, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(f.stopped, 2);
    EXPECT_FALSE(f.up.runTimerEnabled());
}

TEST(RunControl, LongRunGoesInSlicesAndItsLimitIsExact) {
    RunFixture f;
    f.load(0, {f.enc("INF", {0x50, 1, 0}), f.enc("RJ", {RunFixture::rel11(1, 0)})});
    f.up.setSliceDuration(std::chrono::microseconds(200));
    f.up.setTickLimit(3'000'001);
    int yields = 0;
    f.up.setYieldHook([&] { ++yields; });
    f.up.Run();
    EXPECT_EQ(f.up.lastStopCause(), StopCause::Limit);
    EXPECT_EQ(f.up.executedInstructions(), 3'000'001u);
    EXPECT_EQ(f.cpu().ReadData(0x50), uint8_t(1'500'001));
    EXPECT_GE(yields, 2); // it went back to the event loop between slices
    EXPECT_EQ(f.stopped, 1);
}

TEST(RunControl, StopFromTheYieldHookEndsTheRunAtOnce) {
    RunFixture f;
    f.load(0, {f.enc("INF", {0x50, 1, 0}), f.enc("RJ", {RunFixture::rel11(1, 0)})});
    f.up.setSliceDuration(std::chrono::microseconds(100));
    int yields = 0;
    uint64_t atStop = 0;
    f.up.setYieldHook([&] {
        if (++yields == 3) {
            f.up.Stop();
            atStop = f.up.executedInstructions();
        }
    });
    f.up.Run();
    EXPECT_EQ(yields, 3);
    EXPECT_GT(atStop, 0u);
    EXPECT_EQ(f.up.executedInstructions(), atStop); // nothing ran after Stop
    EXPECT_EQ(f.up.lastStopCause(), StopCause::Stopped);
    EXPECT_FALSE(f.up.running());
    EXPECT_FALSE(f.up.busy());
    EXPECT_EQ(f.stopped, 1);
}

TEST(RunControl, SleepingRunNeverAdvancesUntilStopOrReset) {
    RunFixture f;
    f.load(0, {f.enc("SLP"), f.enc("INF", {0x50, 1, 0}), f.enc("RJ", {RunFixture::rel11(2, 1)})});
    f.up.StepInto();
    ASSERT_TRUE(f.cpu().sleeping());
    const uint32_t cycles = f.cpu().GetCycles();
    int yields = 0;
    f.up.setYieldHook([&] {
        if (++yields == 50) f.up.Stop();
    });
    f.up.Run();
    EXPECT_EQ(yields, 50);
    EXPECT_EQ(f.pc(), 1u);
    EXPECT_EQ(f.cpu().GetCycles(), cycles);
    EXPECT_EQ(f.up.executedInstructions(), 1u);

    // A reset from inside the hook ends the run as well, awake at 0.
    yields = 0;
    f.up.setYieldHook([&] {
        if (++yields == 5) f.up.ResetTarget();
    });
    f.up.Run();
    EXPECT_EQ(yields, 5);
    EXPECT_FALSE(f.up.running());
    EXPECT_FALSE(f.cpu().sleeping());
    EXPECT_EQ(f.pc(), 0u);
    EXPECT_EQ(f.cpu().GetCycles(), 0u);
    EXPECT_EQ(f.up.lastStopCause(), StopCause::Reset);
}

TEST(RunControl, StepWhileAsleepTakesAPendingInterruptFirstOrDoesNothing) {
    RunFixture f;
    f.load(0, {f.enc("SLP"), f.enc("NOP")});
    f.load(4, {f.enc("NOP")});
    f.up.StepInto();
    const int stops = f.stopped;
    f.up.setStepDone(false);
    f.up.StepInto(); // asleep, nothing pending: no instruction, no OnStopped
    EXPECT_EQ(f.pc(), 1u);
    EXPECT_EQ(f.stopped, stops);
    EXPECT_TRUE(f.up.stepDone());
    EXPECT_FALSE(f.up.busy());

    f.cpu().WriteData(reg::kIntEnable0, 0x88); // global + timer enable
    f.cpu().WriteData(reg::kIntFlag0, 0x08);
    f.up.StepInto(); // the interrupt wakes the CPU, then the vector's first word runs
    EXPECT_FALSE(f.cpu().sleeping());
    EXPECT_EQ(f.pc(), 5u);
    EXPECT_EQ(f.cpu().StackEntry(1), 1u);
    EXPECT_EQ(f.stopped, stops + 1);
}

TEST(RunControl, StackFullStopOnlyWithTheOption) {
    RunFixture f;
    f.load(0, {f.enc("RCALL", {RunFixture::rel11(0, 0)})}); // endless recursion
    std::vector<std::string> shown;
    f.up.stackStateShown().connect([&](const StackStateText& t) { shown.push_back(t.text); });
    f.up.setStopOnStackFull(true);
    f.up.Run();
    EXPECT_EQ(f.up.lastStopCause(), StopCause::StackFull);
    EXPECT_EQ(f.up.executedInstructions(), 8u);
    EXPECT_EQ(shown, (std::vector<std::string>{"Stack Full"}));

    f.up.ResetTarget();
    f.up.setStopOnStackFull(false);
    f.up.setTickLimit(20);
    f.up.Run();
    EXPECT_EQ(f.up.lastStopCause(), StopCause::Limit);
    EXPECT_EQ(f.cpu().ReadData(reg::kStackPointer), sp::kFull | sp::kOverflow | 8);
    EXPECT_EQ(shown.size(), 1u);
}

TEST(RunControl, NoStepOrTemporaryBreakpointOutlivesItsRun) {
    RunFixture f;
    // 0 RCALL 10h, 1 RJ 0; 10h NOP, 11h RJ 10h (never returns), 12h RET.
    f.load(0,
           {f.enc("RCALL", {RunFixture::rel11(0, 0x10)}), f.enc("RJ", {RunFixture::rel11(1, 0)})});
    f.load(0x10, {f.enc("NOP"), f.enc("RJ", {RunFixture::rel11(0x11, 0x10)})});
    f.up.StepInto();
    f.up.AddBreakpoint(0x11, BreakpointKind::Address);
    int yields = 0;
    f.up.setYieldHook([&] {
        if (++yields == 2) f.up.Stop();
    });
    f.up.StepOut(); // a step-out run ignores the breakpoint; stopped by hand
    EXPECT_EQ(f.up.lastStopCause(), StopCause::Stopped);
    EXPECT_FALSE(f.up.stepRunActive());
    EXPECT_FALSE(f.up.temporaryBreakpointArmed());
    f.up.setYieldHook({});
    f.up.Run(); // a plain run again: the breakpoint counts
    EXPECT_EQ(f.up.lastStopCause(), StopCause::Breakpoint);
    EXPECT_EQ(f.pc(), 0x11u);

    // After a step over, the old temporary breakpoint (01h) must not stop a later run.
    RunFixture g;
    g.load(0,
           {g.enc("RCALL", {RunFixture::rel11(0, 0x10)}), g.enc("RJ", {RunFixture::rel11(1, 0)})});
    g.load(0x10, {g.enc("RET", {0})});
    g.up.StepOver();
    ASSERT_EQ(g.pc(), 1u);
    g.up.setTickLimit(100);
    g.up.Run();
    EXPECT_EQ(g.up.lastStopCause(), StopCause::Limit);
}

TEST(RunControl, ContinueStepTracesAndStopsOnlyOnAddressMarks) {
    RunFixture f;
    f.load(0, {f.enc("NOP"), f.enc("NOP"), f.enc("NOP"), f.enc("NOP")});
    f.up.AddBreakpoint(1, BreakpointKind::SourceLine, 0, 5);
    f.up.AddBreakpoint(3, BreakpointKind::Address);
    for (int i = 0; i < 3; ++i) {
        f.up.setStepDone(false);
        f.up.ContinueStep();
        EXPECT_TRUE(f.up.stepDone());
    }
    EXPECT_EQ(f.traced, 3);
    EXPECT_EQ(f.stopped, 1); // only on arriving at 3
    EXPECT_EQ(f.pc(), 3u);
}

TEST(RunControl, RunFromInsideOnStoppedCarriesOnInTheSameLoop) {
    RunFixture f;
    f.load(0, {f.enc("NOP"), f.enc("NOP"), f.enc("NOP"), f.enc("RJ", {RunFixture::rel11(3, 0)})});
    f.up.AddBreakpoint(2, BreakpointKind::Address);
    int again = 1;
    f.up.OnStopped().connect([&] {
        if (again-- > 0) f.up.Run();
    });
    f.up.Run();
    EXPECT_EQ(f.stopped, 2);
    EXPECT_EQ(f.pc(), 2u);
    EXPECT_EQ(f.up.executedInstructions(), 2u + 4u);
    EXPECT_FALSE(f.up.running());
}

TEST(RunControl, StepBackWalksTheHistoryAndStaysAtTheOldest) {
    RunFixture f;
    for (uint32_t a = 0; a < 20; ++a)
        f.load(a, {f.enc("NOP")});
    for (int i = 0; i < 19; ++i)
        f.up.StepInto();
    std::vector<uint32_t> shown;
    f.up.historyShown().connect([&](uint32_t a) { shown.push_back(a); });
    std::vector<uint32_t> expected;
    for (uint32_t i = 0; i < 16; ++i)
        expected.push_back(18 - i);
    for (int i = 0; i < 4; ++i)
        expected.push_back(3);
    for (int i = 0; i < 20; ++i)
        f.up.StepBack();
    EXPECT_EQ(shown, expected);
    f.up.StepInto(); // a step starts again at the newest
    EXPECT_EQ(f.up.StepBack(), 19u);
}

TEST(RunControl, ResetTargetAndSetPcFromView) {
    RunFixture f;
    f.load(0, {f.enc("CALL", {0x12, 0}), f.enc("MVL", {5})});
    f.up.StepInto(); // CALL without its NOPF: the operation stays pending
    ASSERT_NE(f.cpu().pendingOperation(), 0);
    f.up.ResetTarget();
    EXPECT_EQ(f.cpu().pendingOperation(), 0);
    EXPECT_EQ(f.pc(), 0u);
    EXPECT_EQ(f.cpu().GetCycles(), 0u);
    EXPECT_EQ(f.cpu().HistoryEntry(0), 0);
    EXPECT_EQ(f.up.executedInstructions(), 0u);

    const int stops = f.stopped;
    f.up.SetPCFromView(0x123456);
    EXPECT_EQ(f.pc(), 0x23456u);
    EXPECT_EQ(f.cpu().ReadData(reg::kPcLatchLow), 0x56);
    EXPECT_EQ(f.cpu().ReadData(reg::kPcLatchHigh), 0x34);
    EXPECT_EQ(f.stopped, stops + 1);
}

TEST(RunControl, SetRegisterPublishesTheRefreshAfterTheStore) {
    RunFixture f;
    f.up.AddSymbol("COUNT", 0x84, 'C');
    std::vector<std::pair<uint32_t, uint8_t>> seen;
    f.up.registerChanged().connect([&](uint32_t a) { seen.push_back({a, f.cpu().ReadData(a)}); });
    f.up.SetRegister(0x84, 7);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (std::pair<uint32_t, uint8_t>{0x84, 7}));
    ASSERT_EQ(f.cpu().registerRecord().size(), 1u);
    EXPECT_EQ(f.cpu().registerRecord().at(0).name, "COUNT");
}

} // namespace
} // namespace zerka
