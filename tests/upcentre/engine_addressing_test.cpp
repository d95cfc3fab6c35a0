// Data-address resolution: banks, the indirect registers and their post-operations, targets
// beyond the data memory, and the special write-back rules of the stack pointer and PCLATL.
#include "engine_test_machine.h"

namespace zerka {
namespace {

using test::Machine;
using test::A;
using test::B;

TEST(EngineAddressing, BankSelectBitUsesBsrForEveryFileForm) {
    Machine m(A);
    m.s.WriteData(reg::kBsr, 3);
    m.s.WriteData(0x350, 0x10);
    m.s.WriteData(0x050, 0x20);
    m.s.WriteData(reg::kW, 1);
    m.run({m.enc("ADDF", {0x50, 1, 1})}); // three-operand form: bank bit is operand 3
    EXPECT_EQ(m.s.ReadData(0x350), 0x11);
    EXPECT_EQ(m.s.ReadData(0x050), 0x20);
    m.run({m.enc("CLRF", {0x50, 1})}); // two-operand form: bank bit is operand 2
    EXPECT_EQ(m.s.ReadData(0x350), 0x00);
    m.run({m.enc("BSF", {0x50, 2, 1})});
    EXPECT_EQ(m.s.ReadData(0x350), 0x04);
    m.run({m.enc("ADDF", {0x50, 1, 0})}); // bank bit 0: bank 0 whatever BSR holds
    EXPECT_EQ(m.s.ReadData(0x050), 0x21);
    // Banked access never goes through the pointers: 300h is plain memory.
    m.setPointer(0, 0x0050);
    m.s.WriteData(0x300, 0x07);
    m.run({m.enc("INF", {0x00, 1, 1})});
    EXPECT_EQ(m.s.ReadData(0x300), 0x08);
    EXPECT_EQ(m.pointer(0), 0x0050);
}

TEST(EngineAddressing, TargetsBeyondTheDataMemoryReadZeroAndAreNotWritten) {
    Machine m(A);
    m.s.WriteData(reg::kBsr, 0x10); // bank 16: addresses 1000h and up
    m.s.WriteData(reg::kW, 0x55);
    m.s.WriteData(0x050, 0x66);
    const auto before = m.s.dataMemory();
    m.run({m.enc("MVF", {0x50, 1, 1})});
    EXPECT_EQ(m.s.dataMemory(), [&] {
        auto d = before;
        d[reg::kPcLatchLow] = 1; // the PC advance is the only change
        return d;
    }());
    m.run({m.enc("MVF", {0x50, 0, 1})});
    EXPECT_EQ(m.w(), 0x00);
    m.setPointer(1, 0x2000);
    m.s.WriteData(reg::kW, 0x01);
    m.run({m.enc("ADDF", {0x06, 0, 0})}); // pointer 1, post-increment, target 2000h
    EXPECT_EQ(m.w(), 0x01);               // 0 + W
    EXPECT_EQ(m.pointer(1), 0x2001);      // the post-operation still happens
}

struct IndirectCase {
    uint32_t address; // indirect register used
    uint16_t pointerBefore;
    uint8_t w;
    uint32_t target;
    uint16_t pointerAfter;
};

// CX4A: five registers per pointer.
TEST(EngineAddressing, FiveIndirectModesPerPointer) {
    const IndirectCase cases[] = {
        {0, 0x0080, 0, 0x080, 0x0080},    // plain
        {1, 0x00FF, 0, 0x0FF, 0x0100},    // post-increment carries into the high byte
        {2, 0x0100, 0, 0x100, 0x00FF},    // post-decrement borrows
        {3, 0x0080, 0, 0x081, 0x0081},    // pre-increment
        {4, 0x0100, 0xFE, 0x0FE, 0x00FE}, // plus W (-2), left in the pointer
        {4, 0x00F0, 0x20, 0x110, 0x0110}, // plus W (+32)
        {6, 0x0200, 0, 0x200, 0x0201},    // pointer 1
        {12, 0x0300, 0, 0x300, 0x02FF},   // pointer 2
        {14, 0x0330, 0x81, 0x2B1, 0x02B1},
        {1, 0xFFFF, 0, 0xFFFF, 0x0000}, // the pointer wraps at 16 bits
    };
    for (const IndirectCase& c : cases) {
        SCOPED_TRACE("register " + std::to_string(c.address) + " pointer " +
                     std::to_string(c.pointerBefore));
        Machine m(A);
        const int n = int(c.address / 5);
        m.setPointer(n, c.pointerBefore);
        m.s.WriteData(reg::kW, c.w);
        if (c.target < CpuState::kDataSize) m.s.WriteData(c.target, 0x41);
        m.run({m.enc("INF", {c.address, 1, 0})});
        if (c.target < CpuState::kDataSize) {
            EXPECT_EQ(m.s.ReadData(c.target), 0x42);
        }
        EXPECT_EQ(m.pointer(n), c.pointerAfter);
        for (int other = 0; other < 3; ++other) {
            if (other != n) {
                EXPECT_EQ(m.pointer(other), 0);
            }
        }
    }
}

// MVF through a pointer in the modes without W, to W and to the file register.
TEST(EngineAddressing, MvfThroughAPointerInEachModeWithoutW) {
    const IndirectCase cases[] = {
        {0, 0x0080, 0, 0x080, 0x0080},  {1, 0x00FF, 0, 0x0FF, 0x0100},
        {2, 0x0100, 0, 0x100, 0x00FF},  {3, 0x0080, 0, 0x081, 0x0081},
        {12, 0x0300, 0, 0x300, 0x02FF}, {1, 0xFFFF, 0, 0xFFFF, 0x0000},
    };
    for (const IndirectCase& c : cases) {
        for (uint32_t toFile : {0u, 1u}) {
            SCOPED_TRACE("register " + std::to_string(c.address) + " to file " +
                         std::to_string(toFile));
            Machine m(A);
            const int n = int(c.address / 5);
            m.setPointer(n, c.pointerBefore);
            m.s.WriteData(reg::kW, 0x5A);
            if (c.target < CpuState::kDataSize) m.s.WriteData(c.target, 0x41);
            m.run({m.enc("MVF", {c.address, toFile, 0})});
            if (toFile && c.target < CpuState::kDataSize) {
                EXPECT_EQ(m.s.ReadData(c.target), 0x5A);
            }
            if (!toFile) {
                EXPECT_EQ(m.w(), c.target < CpuState::kDataSize ? 0x41 : 0);
            }
            EXPECT_EQ(m.pointer(n), c.pointerAfter);
        }
    }
}

// The post-operation comes after the write-back, so a pointer may even count itself.
TEST(EngineAddressing, PostOperationAppliesAfterTheWriteBack) {
    Machine m(A);
    m.setPointer(0, 0x0010); // points at its own low byte
    m.run({m.enc("INF", {0x01, 1, 0})});
    EXPECT_EQ(m.pointer(0), 0x0012); // written 11h, then incremented
}

TEST(EngineAddressing, Cx4bHasTwoIndirectRegistersWithoutPostOperations) {
    Machine m(B);
    m.setPointer(0, 0x0123);
    m.setPointer(1, 0x0234);
    m.s.WriteData(reg::kW, 0x77);
    m.run({m.enc("MVF", {0x00, 1, 0})});
    m.run({m.enc("MVF", {0x05, 1, 0})});
    EXPECT_EQ(m.s.ReadData(0x123), 0x77);
    EXPECT_EQ(m.s.ReadData(0x234), 0x77);
    EXPECT_EQ(m.pointer(0), 0x0123);
    EXPECT_EQ(m.pointer(1), 0x0234);
    // 1 to 4 and 6 to 14 are plain memory on this core.
    for (uint32_t a : {1u, 4u, 6u, 14u}) {
        m.run({m.enc("MVF", {a, 1, 0})});
        EXPECT_EQ(m.s.ReadData(a), 0x77) << a;
    }
    EXPECT_EQ(m.pointer(0), 0x0123);
    EXPECT_EQ(m.pointer(1), 0x0234);
}

TEST(EngineAddressing, StackPointerRegisterKeepsItsPointerBits) {
    for (CoreType core : {A, B}) {
        Machine m(core);
        m.s.WriteData(reg::kStackPointer, 0xA5); // full, overflow, pointer 5
        m.run({m.enc("BCF", {reg::kStackPointer, 5, 0})});
        EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x05); // both 7 and 5 cleared
        m.s.WriteData(reg::kStackPointer, 0xE5);
        m.run({m.enc("BCF", {reg::kStackPointer, 7, 0})});
        EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x45);
        m.run({m.enc("BCF", {reg::kStackPointer, 6, 0})});
        EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x05);
        m.run({m.enc("BCF", {reg::kStackPointer, 0, 0})}); // pointer bits are not reachable
        EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x05);
        m.run({m.enc("SETF", {reg::kStackPointer, 0})});
        EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0xE5);
        m.run({m.enc("CLRF", {reg::kStackPointer, 0})});
        EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x05);
        m.s.WriteData(reg::kW, 0x1F);
        m.run({m.enc("MVF", {reg::kStackPointer, 1, 0})});
        EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x05);
    }
}

TEST(EngineAddressing, WritingPclatlReloadsThePcFromTheLatch) {
    Machine m(A);
    m.s.SetPC(0x0200);
    m.s.WriteData(reg::kPcLatchUpper, 0x01);
    m.s.WriteData(reg::kW, 0x40);
    m.run({m.enc("MVF", {reg::kPcLatchLow, 1, 0})});
    EXPECT_EQ(m.s.GetPC(), 0x10240u);

    // A computed jump: ADDF PCLATL,1 adds W to the low byte of the next address.
    Machine j(B);
    j.s.SetPC(0x0120);
    j.s.WriteData(reg::kW, 0x05);
    j.run({j.enc("ADDF", {reg::kPcLatchLow, 1, 0})});
    EXPECT_EQ(j.s.GetPC(), 0x0126u);
    // Writing it to W does not jump.
    j.run({j.enc("ADDF", {reg::kPcLatchLow, 0, 0})});
    EXPECT_EQ(j.s.GetPC(), 0x0127u);
}

TEST(EngineAddressing, PcUpdatesWriteTheLatchBytes) {
    Machine m(A);
    m.s.SetPC(0x02FF);
    m.run({m.enc("NOP")}); // AdvancePC: only the low byte
    EXPECT_EQ(m.s.GetPC(), 0x0300u);
    EXPECT_EQ(m.s.ReadData(reg::kPcLatchLow), 0x00);
    EXPECT_EQ(m.s.ReadData(reg::kPcLatchHigh), 0x02);
    m.run({m.enc("RJ", {0x010})}); // a jump writes both
    EXPECT_EQ(m.s.GetPC(), 0x0311u);
    EXPECT_EQ(m.s.ReadData(reg::kPcLatchLow), 0x11);
    EXPECT_EQ(m.s.ReadData(reg::kPcLatchHigh), 0x03);
}

TEST(EngineAddressing, MvffCopiesBetweenUnbankedAddressesThroughPointers) {
    Machine m(A);
    m.s.WriteData(reg::kBsr, 5); // ignored by MVFF
    m.s.WriteData(0x123, 0x9C);
    m.run({m.enc("MVFF", {0x123}), m.enc("NOPF", {0x456})});
    EXPECT_EQ(m.s.ReadData(0x456), 0x9C);
    EXPECT_EQ(m.s.GetCycles(), 2u);
    EXPECT_EQ(m.s.pendingOperation(), 0);

    // Source through pointer 0 with post-increment, destination through pointer 1 plus W.
    m.setPointer(0, 0x0200);
    m.setPointer(1, 0x0300);
    m.s.WriteData(reg::kW, 0x10);
    m.s.WriteData(0x200, 0x5A);
    m.run({m.enc("MVFF", {0x001}), m.enc("NOPF", {0x009})});
    EXPECT_EQ(m.s.ReadData(0x310), 0x5A);
    EXPECT_EQ(m.pointer(0), 0x0201);
    EXPECT_EQ(m.pointer(1), 0x0310);

    // To PCLATL: a jump.
    m.s.WriteData(0x040, 0x80);
    m.s.WriteData(reg::kPcLatchUpper, 0);
    m.run({m.enc("MVFF", {0x040}), m.enc("NOPF", {reg::kPcLatchLow})});
    EXPECT_EQ(m.s.GetPC() & 0xFF, 0x80u);
}

} // namespace
} // namespace zerka
