// Batch runs as run control uses them: one tick per instruction with the interrupt check after
// it, and the stop tests of plain, range and step runs.
#include "engine_test_machine.h"

#include <random>

namespace zerka {
namespace {

using test::Machine;
using test::A;
using test::B;

// 0..3: NOPs, 4: RJ back to 0.
void loadNopLoop(Machine& m) {
    m.load(0, {m.enc("NOP"), m.enc("NOP"), m.enc("NOP"), m.enc("NOP"), m.enc("RJ", {0x7FB})});
}

// A run fuses MVFF and its NOPF into one copy where neither address has a rule; where one has,
// the rule holds (the stack pointer keeps its pointer bits), and a copy lands as a copy.
TEST(EngineRun, FusedMvffCopiesPlainAddressesAndKeepsTheRulesOfOthers) {
    Machine m(A);
    m.load(0, {m.enc("MVFF", {0x050}), m.enc("NOPF", {reg::kStackPointer}), m.enc("MVFF", {0x050}),
               m.enc("NOPF", {0x123}), m.enc("NOP")});
    const uint8_t pointerBits = m.s.ReadData(reg::kStackPointer) & sp::kPointerMask;
    m.s.WriteData(0x050, 0xFF);
    const BatchResult r = m.engine.RunBatch(m.s, {}, 3); // a tick an instruction
    EXPECT_EQ(r.ticks, 3u);
    EXPECT_EQ(m.s.GetPC(), 5u);
    EXPECT_EQ(m.s.GetCycles(), 5u);
    EXPECT_EQ(m.s.ReadData(reg::kStackPointer), (0xFF & ~sp::kPointerMask) | pointerBits);
    EXPECT_EQ(m.s.ReadData(0x123), 0xFF);
}

TEST(EngineRun, StopsOnEitherMarkOrTheTemporaryBreakpointAfterExecuting) {
    Machine m(A);
    loadNopLoop(m);
    m.s.SetBreakpointMark(0, BreakpointKind::Address, true); // the start: not a stop at once
    m.s.SetBreakpointMark(3, BreakpointKind::SourceLine, true);
    BatchResult r = m.engine.RunBatch(m.s, {}, 1000);
    EXPECT_EQ(r.reason, StopReason::Breakpoint);
    EXPECT_EQ(r.ticks, 3u);
    EXPECT_EQ(m.s.GetPC(), 3u);
    r = m.engine.RunBatch(m.s, {}, 1000); // on round the loop to the mark at 0
    EXPECT_EQ(r.reason, StopReason::Breakpoint);
    EXPECT_EQ(r.ticks, 2u);
    EXPECT_EQ(m.s.GetPC(), 0u);

    RunStops temp;
    temp.temporaryBreak = 2;
    r = m.engine.RunBatch(m.s, temp, 1000);
    EXPECT_EQ(r.reason, StopReason::Breakpoint);
    EXPECT_EQ(m.s.GetPC(), 2u);
    EXPECT_EQ(m.s.GetCycles(), 8u); // six NOPs and one RJ
}

TEST(EngineRun, BatchEndsAfterItsTicksWithTheStateStored) {
    Machine m(B);
    m.load(0, {m.enc("INF", {0x50, 1, 0}), m.enc("JMP", {0})});
    BatchResult r = m.engine.RunBatch(m.s, {}, 1001);
    EXPECT_EQ(r.reason, StopReason::None);
    EXPECT_EQ(r.ticks, 1001u);
    EXPECT_EQ(m.s.ReadData(0x50), 501 % 256);
    EXPECT_EQ(m.s.GetPC(), 1u);
    EXPECT_EQ(m.s.GetCycles(), 1001u);
    EXPECT_EQ(m.s.HistoryEntry(0), 0);
    EXPECT_EQ(m.s.HistoryEntry(1), 1);
}

TEST(EngineRun, StepRunIgnoresMarksAndStopsAtTargetOrTemporaryBreakpoint) {
    Machine m(A);
    m.load(0, {m.enc("RCALL", {0x003}), m.enc("NOP"), m.enc("NOP"), m.enc("NOP"), m.enc("NOP"),
               m.enc("RET", {0})});
    m.s.SetBreakpointMark(4, BreakpointKind::Address, true);
    RunStops step;
    step.stepActive = true;
    step.stepTarget = 1;
    step.temporaryBreak = 1;
    BatchResult r = m.engine.RunBatch(m.s, step, 1000);
    EXPECT_EQ(r.reason, StopReason::StepReached);
    EXPECT_EQ(r.ticks, 3u); // RCALL, the NOP at 4 (marked, ignored), RET back to 1
    EXPECT_EQ(m.s.GetPC(), 1u);
}

TEST(EngineRun, RangeRunStopsWhenThePcLeavesTheOpenRange) {
    Machine m(A);
    m.s.SetPC(0x10);
    m.load(0x10, {m.enc("NOP"), m.enc("NOP"), m.enc("NOP"), m.enc("NOP")});
    m.s.SetBreakpointMark(0x11, BreakpointKind::Address, true); // not tested in a range run
    RunStops range;
    range.rangeActive = true;
    range.rangeLow = 0x0F;
    range.rangeHigh = 0x13;
    BatchResult r = m.engine.RunBatch(m.s, range, 1000);
    EXPECT_EQ(r.reason, StopReason::RangeLeft);
    EXPECT_EQ(m.s.GetPC(), 0x13u);
    EXPECT_EQ(r.ticks, 3u);

    // The low end itself is outside the range.
    m.s.SetPC(0x11);
    ASSERT_TRUE(m.s.SetProgramWord(0x11, m.enc("RJ", {0x7FE}))); // back to 10h
    range.rangeLow = 0x10;
    r = m.engine.RunBatch(m.s, range, 1000);
    EXPECT_EQ(r.reason, StopReason::RangeLeft);
    EXPECT_EQ(r.ticks, 1u);
    EXPECT_EQ(m.s.GetPC(), 0x10u);
}

TEST(EngineRun, StackFullStopWhenAsked) {
    Machine m(A);
    m.s.setStackDepth(4);
    m.load(0, {m.enc("RCALL", {0x7FF})}); // calls itself
    RunStops stops;
    BatchResult r = m.engine.RunBatch(m.s, stops, 10);
    EXPECT_EQ(r.reason, StopReason::None); // without the option the stack just overflows
    EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0xA4);

    Machine n(A);
    n.s.setStackDepth(4);
    n.load(0, {n.enc("RCALL", {0x7FF})});
    stops.stopOnStackFull = true;
    r = n.engine.RunBatch(n.s, stops, 10);
    EXPECT_EQ(r.reason, StopReason::StackFull);
    EXPECT_EQ(r.ticks, 4u);
    EXPECT_EQ(n.s.ReadData(reg::kStackPointer), 0x84);
}

// ADDF and MVF to PCLATL jump through the latch; the word they land on keeps its stop tests.
TEST(EngineRun, ComputedJumpsThroughTheLatchStopOnTheirTarget) {
    for (CoreType core : {A, B}) {
        SCOPED_TRACE(coreTypeName(core));
        Machine m(core);
        m.s.SetPC(0x100);
        m.load(0x100,
               {m.enc("MVL", {0x01}), m.enc("MVF", {reg::kPcLatchHigh, 1, 0}), m.enc("MVL", {0x03}),
                m.enc("ADDF", {reg::kPcLatchLow, 1, 0}), m.enc("NOP"), m.enc("NOP"), m.enc("NOP"),
                // 0x107: the target of the ADDF (04h + 3)
                m.enc("MVL", {0x0C}), m.enc("MVF", {reg::kPcLatchLow, 1, 0}), m.enc("NOP"),
                m.enc("NOP"), m.enc("NOP"),
                // 0x10C: the MVF's target; the ADDF wraps within the page to 0x106
                m.enc("MVL", {0xF8}), m.enc("ADDF", {reg::kPcLatchLow, 1, 0})});
        m.s.SetBreakpointMark(0x107, BreakpointKind::Address, true);
        BatchResult r = m.engine.RunBatch(m.s, {}, 100);
        EXPECT_EQ(r.reason, StopReason::Breakpoint);
        EXPECT_EQ(r.ticks, 4u);
        EXPECT_EQ(m.s.GetPC(), 0x107u);
        EXPECT_EQ(m.s.ReadData(reg::kPcLatchLow), 0x07);
        EXPECT_EQ(m.status(), 0x00);

        RunStops temp;
        temp.temporaryBreak = 0x10C;
        r = m.engine.RunBatch(m.s, temp, 100);
        EXPECT_EQ(r.reason, StopReason::Breakpoint);
        EXPECT_EQ(r.ticks, 2u);
        EXPECT_EQ(m.s.GetPC(), 0x10Cu);

        temp.temporaryBreak = 0x106;
        r = m.engine.RunBatch(m.s, temp, 100);
        EXPECT_EQ(r.reason, StopReason::Breakpoint);
        EXPECT_EQ(r.ticks, 2u);
        EXPECT_EQ(m.s.GetPC(), 0x106u);
        EXPECT_EQ(m.status(), core == A ? flag::kC | flag::kDC : flag::kC); // 0Eh + F8h
        EXPECT_EQ(m.s.GetCycles(), 8u);
    }
}

TEST(EngineRun, SleepingCpuDoesNotAdvanceUntilAnInterrupt) {
    Machine m(A);
    m.load(0, {m.enc("SLP"), m.enc("NOP")});
    BatchResult r = m.engine.RunBatch(m.s, {}, 100);
    EXPECT_EQ(r.reason, StopReason::Asleep);
    EXPECT_EQ(r.ticks, 1u);
    for (int i = 0; i < 3; ++i) {
        r = m.engine.RunBatch(m.s, {}, 100);
        EXPECT_EQ(r.reason, StopReason::Asleep);
        EXPECT_EQ(r.ticks, 0u);
    }
    EXPECT_EQ(m.s.GetPC(), 1u);
    EXPECT_EQ(m.s.GetCycles(), 1u);

    // Idle behaves the same; an interrupt pending when it executes wakes it in the same tick.
    Machine w(A);
    w.load(0, {w.enc("IDLE"), w.enc("NOP")});
    w.load(4, {w.enc("NOP")});
    w.s.WriteData(reg::kIntEnable0, 0x81);
    w.s.WriteData(reg::kIntFlag0, 0x01);
    r = w.engine.RunBatch(w.s, {}, 3);
    EXPECT_EQ(r.reason, StopReason::None);
    EXPECT_FALSE(w.s.idle());
    EXPECT_EQ(w.s.GetPC(), 6u);
    EXPECT_EQ(w.s.StackEntry(1), 1u);
}

// The batch loop and the single-step path share the instruction code; random programs and data
// must leave them in the same state on both cores, without ever touching memory out of bounds.
TEST(EngineRun, BatchMatchesSingleStepsOnRandomPrograms) {
    std::mt19937 rng(12345);
    for (CoreType core : {A, B}) {
        for (int round = 0; round < 20; ++round) {
            Machine batch(core);
            Machine single(core);
            for (uint32_t a = 0; a < 4096; ++a) {
                const auto word = static_cast<uint16_t>(rng());
                batch.s.LoadProgramCell(a, word, 0, 0);
                single.s.LoadProgramCell(a, word, 0, 0);
            }
            for (uint32_t a = 0; a < CpuState::kDataSize; a += 7) {
                const auto v = static_cast<uint8_t>(rng());
                batch.s.WriteData(a, v);
                single.s.WriteData(a, v);
            }
            uint64_t ticks = 0;
            while (ticks < 3000) {
                BatchResult r = batch.engine.RunBatch(batch.s, {}, 3000 - ticks);
                ticks += r.ticks;
                if (r.reason == StopReason::Asleep) {
                    batch.s.setSleep(false);
                    batch.s.setIdle(false);
                }
            }
            for (uint64_t i = 0; i < ticks; ++i) {
                if (single.s.sleeping() || single.s.idle()) {
                    single.s.setSleep(false);
                    single.s.setIdle(false);
                }
                single.engine.ExecuteOne(single.s);
                single.engine.CheckInterrupt(single.s);
            }
            ASSERT_EQ(batch.s.dataMemory(), single.s.dataMemory()) << round;
            ASSERT_EQ(batch.s.GetPC(), single.s.GetPC());
            ASSERT_LE(batch.s.GetPC(), CpuState::kPcMask);
            ASSERT_EQ(batch.s.GetCycles(), single.s.GetCycles());
            ASSERT_EQ(batch.s.pendingOperation(), single.s.pendingOperation());
            for (uint32_t i = 0; i < CpuState::kHistorySize; ++i)
                ASSERT_EQ(batch.s.HistoryEntry(i), single.s.HistoryEntry(i));
        }
    }
}

} // namespace
} // namespace zerka
