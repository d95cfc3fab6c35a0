// Program flow: skips, jumps, calls and returns, two-word instructions, table reads, sleep,
// interrupts, the timer and the history kept per executed word.
#include "engine_test_machine.h"

namespace zerka {
namespace {

using test::Machine;
using test::A;
using test::B;
using test::kF;

struct SkipCase {
    const char* mnemonic;
    std::initializer_list<uint32_t> operands;
    uint8_t f;
    uint8_t w;
    bool skips;
    uint8_t fAfter; // the byte after the instruction (counting skips write their result)
};

TEST(EngineFlow, SkipInstructionsOnBothCores) {
    const SkipCase cases[] = {
        {"INSZ", {kF, 1, 0}, 0xFF, 0, true, 0x00},  {"INSZ", {kF, 1, 0}, 0xFE, 0, false, 0xFF},
        {"DCSZ", {kF, 1, 0}, 0x01, 0, true, 0x00},  {"DCSZ", {kF, 1, 0}, 0x00, 0, false, 0xFF},
        {"INSUZ", {kF, 1, 0}, 0x00, 0, true, 0x01}, {"INSUZ", {kF, 1, 0}, 0xFF, 0, false, 0x00},
        {"DCSUZ", {kF, 1, 0}, 0x05, 0, true, 0x04}, {"DCSUZ", {kF, 1, 0}, 0x01, 0, false, 0x00},
        {"BTSZ", {kF, 3, 0}, 0xF7, 0, true, 0xF7},  {"BTSZ", {kF, 3, 0}, 0x08, 0, false, 0x08},
        {"BTSS", {kF, 0, 0}, 0x01, 0, true, 0x01},  {"BTSS", {kF, 0, 0}, 0xFE, 0, false, 0xFE},
        {"CPSG", {kF, 0}, 0x81, 0x80, true, 0x81},  {"CPSG", {kF, 0}, 0x80, 0x80, false, 0x80},
        {"CPSL", {kF, 0}, 0x7F, 0x80, true, 0x7F},  {"CPSL", {kF, 0}, 0x80, 0x80, false, 0x80},
        {"CPSE", {kF, 0}, 0x33, 0x33, true, 0x33},  {"CPSE", {kF, 0}, 0x33, 0x34, false, 0x33},
        {"TFSZ", {kF, 0}, 0x00, 0x00, true, 0x00},  {"TFSZ", {kF, 0}, 0x01, 0x00, false, 0x01},
    };
    for (CoreType core : {A, B}) {
        for (const SkipCase& c : cases) {
            SCOPED_TRACE(std::string(coreTypeName(core)) + " " + c.mnemonic +
                         " f=" + std::to_string(c.f));
            Machine m(core);
            m.s.SetPC(0x0180);
            m.s.WriteData(kF, c.f);
            m.s.WriteData(reg::kW, c.w);
            m.s.WriteData(reg::kStatus, 0x0A);
            m.run({m.enc(c.mnemonic, c.operands)});
            EXPECT_EQ(m.s.GetPC(), c.skips ? 0x182u : 0x181u);
            EXPECT_EQ(m.s.ReadData(reg::kPcLatchLow), c.skips ? 0x82 : 0x81);
            EXPECT_EQ(m.s.GetCycles(), c.skips ? 2u : 1u);
            EXPECT_EQ(m.s.ReadData(kF), c.fAfter);
            EXPECT_EQ(m.status(), 0x0A); // no skip instruction changes a flag
        }
    }
}

TEST(EngineFlow, CountingSkipToWLeavesTheFileAlone) {
    Machine m(A);
    m.s.WriteData(kF, 0xFF);
    m.run({m.enc("INSZ", {kF, 0, 0})});
    EXPECT_EQ(m.w(), 0x00);
    EXPECT_EQ(m.s.ReadData(kF), 0xFF);
    EXPECT_EQ(m.s.GetPC(), 2u);
}

TEST(EngineFlow, ConditionalJumpsTakeOneExtraCycleWhenTaken) {
    struct JumpCase {
        const char* mnemonic;
        uint8_t flagBit;
        bool onSet;
    };
    const JumpCase jumps[] = {{"JZ", flag::kZ, true},  {"JNZ", flag::kZ, false},
                              {"JC", flag::kC, true},  {"JNC", flag::kC, false},
                              {"JN", flag::kN, true},  {"JNN", flag::kN, false},
                              {"JO", flag::kOV, true}, {"JNO", flag::kOV, false}};
    for (const JumpCase& j : jumps) {
        for (bool set : {false, true}) {
            SCOPED_TRACE(std::string(j.mnemonic) + (set ? " flag set" : " flag clear"));
            Machine m(A);
            m.s.SetPC(0x0300);
            m.s.WriteData(reg::kStatus, set ? j.flagBit : uint8_t(0x1F & ~j.flagBit));
            m.run({m.enc(j.mnemonic, {0xF0})}); // offset -16
            const bool taken = set == j.onSet;
            EXPECT_EQ(m.s.GetPC(), taken ? 0x2F1u : 0x301u);
            EXPECT_EQ(m.s.GetCycles(), taken ? 2u : 1u);
        }
    }
    Machine f(A);
    f.s.WriteData(reg::kStatus, flag::kZ);
    f.run({f.enc("JZ", {0x7F})}); // largest forward offset
    EXPECT_EQ(f.s.GetPC(), 0x80u);
}

TEST(EngineFlow, RelativeJumpAndCallOnCx4a) {
    Machine m(A);
    m.s.SetPC(0x0400);
    m.run({m.enc("RJ", {0x7FF})}); // -1: jumps to itself
    EXPECT_EQ(m.s.GetPC(), 0x400u);
    EXPECT_EQ(m.s.GetCycles(), 2u);
    m.run({m.enc("RCALL", {0x400})}); // -1024
    EXPECT_EQ(m.s.GetPC(), 0x401u - 1024u);
    EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x01);
    EXPECT_EQ(m.s.StackEntry(1), 0x401u);
    EXPECT_EQ(m.s.ReadData(reg::kTosHigh), 0x04);
    EXPECT_EQ(m.s.ReadData(reg::kTosLow), 0x01);
    EXPECT_EQ(m.s.GetCycles(), 4u);
    // Backwards past 0 wraps at 20 bits.
    m.s.SetPC(0);
    m.run({m.enc("RJ", {0x7FE})});
    EXPECT_EQ(m.s.GetPC(), 0xFFFFFu);
}

TEST(EngineFlow, LongCallSavesShadowsAndCompletesWithItsNopf) {
    Machine m(A);
    m.s.SetPC(0x100);
    m.s.WriteData(reg::kW, 0x11);
    m.s.WriteData(reg::kBsr, 0x02);
    m.s.WriteData(reg::kStatus, 0x13);
    m.run({m.enc("CALL", {0x12, 1}), m.enc("NOPF", {0x345})});
    EXPECT_EQ(m.s.ReadData(reg::kShadowW), 0x11);
    EXPECT_EQ(m.s.ReadData(reg::kShadowBsr), 0x02);
    EXPECT_EQ(m.s.ReadData(reg::kShadowStatus), 0x13);
    EXPECT_EQ(m.s.StackEntry(1), 0x101u);
    EXPECT_EQ(m.s.ReadData(reg::kTosUpper), 0x00);
    EXPECT_EQ(m.s.ReadData(reg::kTosHigh), 0x01);
    EXPECT_EQ(m.s.ReadData(reg::kTosLow), 0x01);
    EXPECT_EQ(m.s.GetPC(), 0x12345u);
    EXPECT_EQ(m.s.GetCycles(), 2u);
    EXPECT_EQ(m.s.pendingOperation(), 0);
    EXPECT_EQ(m.s.HistoryEntry(0), 0x101);
    EXPECT_EQ(m.s.HistoryEntry(1), 0x100);

    // Without the shadow bit nothing is saved.
    Machine n(A);
    n.s.WriteData(reg::kW, 0x77);
    n.run({n.enc("CALL", {0x00, 0}), n.enc("NOPF", {0x010})});
    EXPECT_EQ(n.s.ReadData(reg::kShadowW), 0x00);
    EXPECT_EQ(n.s.GetPC(), 0x010u);

    // The return lands on the call's NOPF word, which runs as a one-cycle no-operation.
    m.s.WriteData(reg::kW, 0);
    m.s.WriteData(reg::kBsr, 0);
    m.s.WriteData(reg::kStatus, 0);
    m.s.SetPC(0x345); // 12345h lies beyond this chip's program memory
    m.run({m.enc("RET", {1})});
    EXPECT_EQ(m.s.GetPC(), 0x101u);
    EXPECT_EQ(m.w(), 0x11); // shadows restored
    EXPECT_EQ(m.s.ReadData(reg::kBsr), 0x02);
    EXPECT_EQ(m.status(), 0x13);
    EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x00);
    m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.GetPC(), 0x102u);
    EXPECT_EQ(m.s.GetCycles(), 2u + 2u + 1u);
}

TEST(EngineFlow, LongJumpTableLoadAndPointerLoad) {
    Machine m(A);
    m.run({m.enc("JMP", {0xAB}), m.enc("NOPF", {0xCDE})});
    EXPECT_EQ(m.s.GetPC(), 0xABCDEu);
    EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0);

    Machine t(A);
    t.run({t.enc("MVLP", {0x12}), t.enc("NOPF", {0x345})}); // table pointer 12345h
    EXPECT_EQ(t.s.ReadData(reg::kTablePtrUpper), 0x01);
    EXPECT_EQ(t.s.ReadData(reg::kTablePtrHigh), 0x23);
    EXPECT_EQ(t.s.ReadData(reg::kTablePtrLow), 0x45);
    EXPECT_EQ(t.s.GetCycles(), 2u);

    for (uint32_t n = 0; n < 4; ++n) {
        Machine p(A);
        p.run({p.enc("LDPR", {n}), p.enc("NOPF", {0xABC})});
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(p.pointer(k), k == int(n) ? 0x0ABC : 0) << n;
        EXPECT_EQ(p.s.GetPC(), 2u);
    }
}

TEST(EngineFlow, ShortCallAndJumpOnCx4b) {
    Machine m(B);
    m.s.SetPC(0x0123);
    m.run({0xC812}); // CALL 012h
    EXPECT_EQ(m.s.GetPC(), 0x012u);
    EXPECT_EQ(m.s.StackEntry(1), 0x124u);
    EXPECT_EQ(m.s.ReadData(reg::kTosLow), 0x24);
    EXPECT_EQ(m.s.GetCycles(), 1u);
    EXPECT_EQ(m.s.pendingOperation(), 0);
    m.run({m.enc("JMP", {0x7FF})});
    EXPECT_EQ(m.s.GetPC(), 0x7FFu);
    m.run({m.enc("RET")});
    EXPECT_EQ(m.s.GetPC(), 0x124u);
    EXPECT_EQ(m.s.GetCycles(), 1u + 1u + 2u);
}

TEST(EngineFlow, ReturnsAndPop) {
    Machine m(A);
    m.s.Push(0x0111);
    m.s.Push(0x0222);
    m.s.Push(0x0333);
    m.run({m.enc("POP")});
    EXPECT_EQ(m.s.ReadData(reg::kStackPointer), 0x02);
    EXPECT_EQ(m.s.ReadData(reg::kTosHigh), 0x02); // copy of the new top entry
    EXPECT_EQ(m.s.ReadData(reg::kTosLow), 0x22);
    EXPECT_EQ(m.s.GetCycles(), 1u);
    m.run({m.enc("RETL", {0x5A})});
    EXPECT_EQ(m.s.GetPC(), 0x222u);
    EXPECT_EQ(m.w(), 0x5A);
    m.s.WriteData(reg::kIntEnable0, 0x01);
    m.s.WriteData(reg::kW, 0x99);
    m.s.WriteData(reg::kShadowW, 0x44);
    m.run({m.enc("RETI", {0})}); // no restore
    EXPECT_EQ(m.s.GetPC(), 0x111u);
    EXPECT_EQ(m.s.ReadData(reg::kIntEnable0), 0x81);
    EXPECT_EQ(m.w(), 0x99);
    EXPECT_EQ(m.s.GetCycles(), 5u);
    // Popping the empty stack returns 0 and marks the underflow.
    m.run({m.enc("RET", {0})});
    EXPECT_EQ(m.s.GetPC(), 0u);
    EXPECT_EQ(m.s.ReadData(reg::kStackPointer), sp::kUnderflow);

    Machine r(A);
    r.s.Push(0x40);
    r.s.WriteData(reg::kShadowW, 0x44);
    r.s.WriteData(reg::kShadowBsr, 0x03);
    r.s.WriteData(reg::kShadowStatus, 0x1F);
    r.run({r.enc("RETI", {1})});
    EXPECT_EQ(r.w(), 0x44);
    EXPECT_EQ(r.s.ReadData(reg::kBsr), 0x03);
    EXPECT_EQ(r.status(), 0x1F);
    EXPECT_EQ(r.s.ReadData(reg::kIntEnable0), 0x80);

    // CX4B returns never restore.
    Machine b(B);
    b.s.Push(0x40);
    b.s.WriteData(reg::kShadowW, 0x44);
    b.run({b.enc("RETI")});
    EXPECT_EQ(b.s.GetPC(), 0x40u);
    EXPECT_EQ(b.w(), 0x00);
}

TEST(EngineFlow, SkippingAFirstWordLandsOnItsNopf) {
    Machine m(A);
    m.s.WriteData(kF, 0x00);
    m.load(0, {m.enc("BTSZ", {kF, 0, 0}), m.enc("JMP", {0x12}), m.enc("NOPF", {0x345}),
               m.enc("MVL", {0x66})});
    m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.GetPC(), 2u);
    m.engine.ExecuteOne(m.s); // the NOPF with nothing pending
    EXPECT_EQ(m.s.GetPC(), 3u);
    EXPECT_EQ(m.s.GetCycles(), 3u);
    m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.w(), 0x66);
}

// A first word followed by other words keeps waiting for its NOPF, but one call executes at
// most a bounded number of words.
TEST(EngineFlow, MissingNopfIsBoundedAndStaysPending) {
    Machine m(A);
    m.load(0, {m.enc("JMP", {0x01}), m.enc("MVL", {0x12}), m.enc("NOPF", {0x234})});
    m.engine.ExecuteOne(m.s); // JMP, MVL, then the NOPF completes in the same call
    EXPECT_EQ(m.w(), 0x12);
    EXPECT_EQ(m.s.GetPC(), 0x01234u);
    EXPECT_EQ(m.s.GetCycles(), 3u);

    Machine loop(A);
    loop.load(0, {loop.enc("JMP", {0x01}), loop.enc("RJ", {0x7FF})}); // RJ to itself
    loop.engine.ExecuteOne(loop.s);
    EXPECT_EQ(loop.s.pendingOperation(), static_cast<uint8_t>(OpId::JMP));
    EXPECT_EQ(loop.s.GetPC(), 1u);
    EXPECT_EQ(loop.s.GetCycles(), 1u + 2u * (Engine::kMaxWordsPerExecute - 1));
    // Put the NOPF in place: the next call completes the jump.
    ASSERT_TRUE(loop.s.SetProgramWord(1, loop.enc("NOPF", {0x000})));
    loop.engine.ExecuteOne(loop.s);
    EXPECT_EQ(loop.s.GetPC(), 0x01000u);
    EXPECT_EQ(loop.s.pendingOperation(), 0);
}

TEST(EngineFlow, UndecodableWordIsSkippedWithoutEffect) {
    for (auto [core, word] : {std::pair{A, uint16_t(0x0004)}, std::pair{B, uint16_t(0xF000)}}) {
        Machine m(core);
        m.s.RecordHistory(0x77);
        m.run({word});
        EXPECT_EQ(m.s.GetPC(), 1u);
        EXPECT_EQ(m.s.GetCycles(), 0u);
        EXPECT_EQ(m.s.HistoryEntry(0), 0x77);
    }
}

TEST(EngineFlow, TableReadWithPostIncrement) {
    Machine m(A);
    m.load(0x200, {0xBEEF, 0x1234});
    m.s.WriteData(reg::kTablePtrHigh, 0x02);
    m.run({m.enc("TBLR", {1})});
    EXPECT_EQ(m.s.ReadData(reg::kTableDataHigh), 0xBE);
    EXPECT_EQ(m.s.ReadData(reg::kTableDataLow), 0xEF);
    EXPECT_EQ(m.s.ReadData(reg::kTablePtrLow), 0x01);
    EXPECT_EQ(m.s.GetCycles(), 2u);
    m.run({m.enc("TBLR", {0})});
    EXPECT_EQ(m.s.ReadData(reg::kTableDataLow), 0x34);
    EXPECT_EQ(m.s.ReadData(reg::kTablePtrLow), 0x01);
    // Beyond the program memory a table read gives 0; the pointer carries across its bytes.
    m.s.WriteData(reg::kTablePtrUpper, 0x00);
    m.s.WriteData(reg::kTablePtrHigh, 0xFF);
    m.s.WriteData(reg::kTablePtrLow, 0xFF);
    m.run({m.enc("TBLR", {1})});
    EXPECT_EQ(m.s.ReadData(reg::kTableDataHigh), 0x00);
    EXPECT_EQ(m.s.ReadData(reg::kTablePtrUpper), 0x01);
    EXPECT_EQ(m.s.ReadData(reg::kTablePtrHigh), 0x00);
    EXPECT_EQ(m.s.ReadData(reg::kTablePtrLow), 0x00);
}

TEST(EngineFlow, BankSelectSleepAndIdle) {
    Machine m(A);
    m.run({m.enc("LBSR", {0x0F})});
    EXPECT_EQ(m.s.ReadData(reg::kBsr), 0x0F);
    m.run({m.enc("IDLE")});
    EXPECT_TRUE(m.s.idle());
    EXPECT_EQ(m.s.ReadData(reg::kPowerControl), 0x40);
    m.run({m.enc("SLP")});
    EXPECT_TRUE(m.s.sleeping());
    EXPECT_EQ(m.s.ReadData(reg::kPowerControl), 0xC0);
    m.run({m.enc("CWDT")});
    EXPECT_EQ(m.s.GetCycles(), 4u);
}

TEST(EngineInterrupt, TakenOnlyWhenGloballyEnabledAndAPairMatches) {
    Machine m(A);
    m.s.SetPC(0x0234);
    m.s.WriteData(reg::kIntFlag0, 0x08);
    m.s.WriteData(reg::kIntEnable0, 0x08); // enabled, but the global bit is off
    EXPECT_FALSE(m.engine.CheckInterrupt(m.s));
    m.s.WriteData(reg::kIntEnable0, 0x84);
    EXPECT_FALSE(m.engine.CheckInterrupt(m.s)); // flag 3 is not enabled
    m.s.WriteData(reg::kIntEnable1, 0x02);
    m.s.WriteData(reg::kIntFlag2, 0x02); // flag 2 pairs with enable 2, not enable 1
    EXPECT_FALSE(m.engine.CheckInterrupt(m.s));
    m.s.WriteData(reg::kIntFlag1, 0x02);
    m.s.WriteData(reg::kW, 0x12);
    m.s.WriteData(reg::kBsr, 0x03);
    m.s.WriteData(reg::kStatus, 0x15);
    m.s.setSleep(true);
    m.s.setIdle(true);
    EXPECT_TRUE(m.engine.CheckInterrupt(m.s));
    EXPECT_EQ(m.s.GetPC(), 4u);
    EXPECT_EQ(m.s.ReadData(reg::kPcLatchLow), 4);
    EXPECT_EQ(m.s.ReadData(reg::kPcLatchHigh), 0);
    EXPECT_EQ(m.s.StackEntry(1), 0x234u);
    EXPECT_EQ(m.s.ReadData(reg::kIntEnable0), 0x04);
    EXPECT_EQ(m.s.ReadData(reg::kShadowW), 0x12);
    EXPECT_EQ(m.s.ReadData(reg::kShadowBsr), 0x03);
    EXPECT_EQ(m.s.ReadData(reg::kShadowStatus), 0x15);
    EXPECT_EQ(m.s.GetCycles(), 4u);
    EXPECT_FALSE(m.s.sleeping());
    EXPECT_FALSE(m.s.idle());
    EXPECT_FALSE(m.engine.CheckInterrupt(m.s)); // the global bit is now off
}

TEST(EngineInterrupt, SleepWithAPendingInterruptWakesAtTheNextCheck) {
    Machine m(B);
    m.s.SetPC(0x20);
    m.s.WriteData(reg::kIntEnable0, 0x88);
    m.s.WriteData(reg::kIntFlag0, 0x08);
    m.run({m.enc("SLP")});
    EXPECT_TRUE(m.s.sleeping());
    EXPECT_TRUE(m.engine.CheckInterrupt(m.s));
    EXPECT_FALSE(m.s.sleeping());
    EXPECT_EQ(m.s.GetPC(), 4u);
    EXPECT_EQ(m.s.StackEntry(1), 0x21u);
}

TEST(EngineTimer, CounterAdvancesEvery256WordsAndFlagsRisingEdgesOnly) {
    Machine m(A);
    m.s.WriteData(reg::kTimerControl, 0x80); // enabled, bit 0 selected
    m.load(0, {m.enc("RJ", {0x7FF})});       // a one-word loop
    for (int i = 0; i < 255; ++i)
        m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.ReadData(reg::kTimerCounter), 0);
    m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.ReadData(reg::kTimerCounter), 1);
    EXPECT_EQ(m.s.ReadData(reg::kIntFlag0), 0x08);
    EXPECT_EQ(m.s.GetCycles(), 512u); // the prescaler counts words, not cycles
    // The program clears the flag; counter 2 (bit 0 low) re-arms, 3 raises it again.
    m.s.WriteData(reg::kIntFlag0, 0);
    for (int i = 0; i < 256; ++i)
        m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.ReadData(reg::kTimerCounter), 2);
    EXPECT_EQ(m.s.ReadData(reg::kIntFlag0), 0);
    for (int i = 0; i < 256; ++i)
        m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.ReadData(reg::kTimerCounter), 3);
    EXPECT_EQ(m.s.ReadData(reg::kIntFlag0), 0x08);

    // Bit 1 selected: counter values 2 and 3 both have it set; only the first raises the flag.
    Machine e(A);
    e.s.WriteData(reg::kTimerControl, 0x90);
    e.s.WriteData(reg::kTimerCounter, 1);
    e.load(0, {e.enc("RJ", {0x7FF})});
    for (int i = 0; i < 256; ++i)
        e.engine.ExecuteOne(e.s);
    EXPECT_EQ(e.s.ReadData(reg::kIntFlag0), 0x08);
    e.s.WriteData(reg::kIntFlag0, 0);
    for (int i = 0; i < 256; ++i)
        e.engine.ExecuteOne(e.s);
    EXPECT_EQ(e.s.ReadData(reg::kTimerCounter), 3);
    EXPECT_EQ(e.s.ReadData(reg::kIntFlag0), 0); // still high: no new edge
    EXPECT_TRUE(e.s.timerEdge());
}

TEST(EngineTimer, DisabledTimerAndWrappingCounter) {
    Machine m(A);
    m.load(0, {m.enc("RJ", {0x7FF})});
    for (int i = 0; i < 300; ++i)
        m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.timerPrescaler(), 0);
    EXPECT_EQ(m.s.ReadData(reg::kTimerCounter), 0);

    m.s.WriteData(reg::kTimerControl, 0xF0); // bit 7 of the counter
    m.s.WriteData(reg::kTimerCounter, 0xFF);
    for (int i = 0; i < 256; ++i)
        m.engine.ExecuteOne(m.s);
    EXPECT_EQ(m.s.ReadData(reg::kTimerCounter), 0x00);
    EXPECT_EQ(m.s.ReadData(reg::kIntFlag0), 0x00);
}

} // namespace
} // namespace zerka
