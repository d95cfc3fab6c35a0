// The routine profile's bookkeeping on events that programs rarely produce: recursion, returns
// that skip frames or that nobody called, frames still open at the end of a run, and a cycle
// counter that wraps.
#include "upcentre/core/exec_counts.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(ExecCounts, RecursionCountsTheOutermostFrameOnceAndOddReturnsStayConsistent) {
    ExecCounts c(16);
    c.begin(0);
    c.call(0xA, 10, 1);  // A from the top level
    c.call(0xA, 20, 5);  // A calls itself
    c.ret(20, 9);        // inner A: 4 cycles
    c.ret(10, 12);       // outer A: 3 + 4 own cycles, 11 in all
    c.ret(99, 13);       // a return nobody called changes nothing
    c.call(0xB, 30, 14); // B calls C, and a return to B's caller closes both
    c.call(0xC, 40, 16);
    c.ret(30, 19);
    c.call(0xC, 50, 20); // still open when the run ends
    c.end(25);
    const auto r = c.routines();
    EXPECT_EQ(r.at(0xA).calls, 2u);
    EXPECT_EQ(r.at(0xA).inclusive, 11u);
    EXPECT_EQ(r.at(0xA).exclusive, 11u);
    EXPECT_EQ(r.at(0xB).inclusive, 5u);
    EXPECT_EQ(r.at(0xB).exclusive, 2u);
    EXPECT_EQ(r.at(0xC).calls, 2u);
    EXPECT_EQ(r.at(0xC).inclusive, 8u);
    EXPECT_EQ(c.topLevelCycles(), 1u + 2u + 1u);
    EXPECT_EQ(c.cycles(), 25u);
    EXPECT_EQ(c.openFrames(), 1u); // reading the totals closes nothing for good
}

TEST(ExecCounts, InterruptsAreNotPartOfTheRoutineTheyInterruptAndTheCounterMayWrap) {
    ExecCounts c(8);
    c.begin(0xFFFFFFF0u);
    c.call(0x2, 7, 0xFFFFFFF2u);
    c.interrupt(0x3, 0xFFFFFFF4u); // inside the routine
    c.ret(0x3, 0x00000002u);       // 4 entry cycles and the handler: 14 cycles across the wrap
    c.ret(7, 0x00000005u);
    c.end(0x00000006u);
    const auto r = c.routines();
    const uint32_t handler = ExecCounts::kInterruptRoutine | ExecCounts::kInterruptVector;
    EXPECT_EQ(r.at(handler).inclusive, 14u);
    EXPECT_EQ(r.at(0x2).inclusive, 5u);
    EXPECT_EQ(r.at(0x2).exclusive, 5u);
    EXPECT_EQ(c.interrupts(), 1u);
    EXPECT_EQ(c.cycles(), 22u);
    EXPECT_EQ(c.topLevelCycles(), 3u);
}

} // namespace
} // namespace zerka
