// Arithmetic, logic, shift and move instructions: result, destination and flags on both cores.
#include "engine_test_machine.h"

#include <vector>

namespace zerka {
namespace {

using test::Machine;

using test::kF;

struct AluCase {
    CoreType core;
    const char* mnemonic;
    uint8_t w;      // W before
    uint8_t f;      // file byte before, or the literal of a literal instruction
    uint8_t status; // STATUS before
    int dst;        // 1 file, 0 W, -1 a literal instruction
    uint8_t wAfter; // W after
    uint8_t fAfter; // file byte after (ignored for literal instructions)
    uint8_t statusAfter;
};

using test::A;
using test::B;

// STATUS bits: 01 Z, 02 OV, 04 N, 08 DC, 10 C.
const std::vector<AluCase> kCases = {
    // Additions: all five flags on CX4A.
    {A, "ADDF", 0x7F, 0x01, 0x00, 0, 0x80, 0x01, 0x0E}, // OV N DC
    {A, "ADDF", 0xFF, 0x01, 0x00, 1, 0xFF, 0x00, 0x19}, // Z DC C
    {A, "ADDF", 0x80, 0x80, 0x00, 1, 0x80, 0x00, 0x13}, // Z OV C: two negatives give 0
    {A, "ADDC", 0x10, 0x20, 0x10, 1, 0x10, 0x31, 0x00}, // carry in, all flags cleared
    {A, "ADDC", 0x0F, 0x00, 0x10, 0, 0x10, 0x00, 0x08}, // carry into the low nibble: DC
    {A, "SUBF", 0x05, 0x05, 0x00, 0, 0x00, 0x05, 0x19}, // Z C DC: no borrow
    {A, "SUBF", 0x05, 0x03, 0x10, 1, 0x05, 0xFE, 0x04}, // borrow clears C; N
    {A, "SUBF", 0x01, 0x80, 0x00, 1, 0x01, 0x7F, 0x12}, // 80h - 1: OV, C
    {A, "SUBC", 0x05, 0x05, 0x00, 1, 0x05, 0xFF, 0x04}, // borrow in
    {A, "SUBC", 0x05, 0x05, 0x10, 1, 0x05, 0x00, 0x19},
    {A, "INF", 0x00, 0x7F, 0x00, 1, 0x00, 0x80, 0x0E},
    {A, "INF", 0x00, 0xFF, 0x00, 0, 0x00, 0xFF, 0x19}, // result to W, file unchanged
    {A, "DCF", 0x00, 0x00, 0x00, 1, 0x00, 0xFF, 0x04}, // C 0, Z 0, N 1, DC 0
    {A, "DCF", 0x00, 0x01, 0x00, 1, 0x00, 0x00, 0x19},
    {A, "DCF", 0x00, 0x80, 0x00, 1, 0x00, 0x7F, 0x12}, // OV C
    // Logic: Z and N only, other bits kept.
    {A, "COMF", 0x00, 0x0F, 0x10, 1, 0x00, 0xF0, 0x14},
    {A, "COMF", 0x00, 0xFF, 0x06, 0, 0x00, 0xFF, 0x03},
    {A, "ANDF", 0xF0, 0x0F, 0x00, 1, 0xF0, 0x00, 0x01},
    {A, "IORF", 0x80, 0x01, 0x01, 0, 0x81, 0x01, 0x04},
    {A, "XORF", 0xFF, 0xFF, 0x04, 1, 0xFF, 0x00, 0x01},
    // Moves and swaps change no flag.
    {A, "MVF", 0x44, 0x33, 0x1F, 1, 0x44, 0x44, 0x1F}, // W into the file register
    {A, "MVF", 0x44, 0x33, 0x00, 0, 0x33, 0x33, 0x00}, // the file register into W
    {A, "MVF", 0x44, 0x00, 0x00, 0, 0x00, 0x00, 0x00}, // no Z on a move
    {A, "SWPF", 0x00, 0xA5, 0x1F, 1, 0x00, 0x5A, 0x1F},
    {A, "SWPF", 0x00, 0xA5, 0x00, 0, 0x5A, 0xA5, 0x00},
    // Rotates and shifts.
    {A, "RLF", 0x00, 0x81, 0x10, 1, 0x00, 0x03, 0x10}, // C untouched
    {A, "RRF", 0x00, 0x01, 0x00, 1, 0x00, 0x80, 0x04},
    {A, "RLFC", 0x00, 0x80, 0x00, 1, 0x00, 0x00, 0x11}, // old bit 7 to C, result 0
    {A, "RLFC", 0x00, 0x01, 0x10, 0, 0x03, 0x01, 0x00}, // C shifted in
    {A, "RRFC", 0x00, 0x01, 0x10, 1, 0x00, 0x80, 0x14},
    {A, "RRFC", 0x00, 0x02, 0x1F, 1, 0x00, 0x81, 0x0E}, // C in, OV and DC kept
    {A, "ARLC", 0x00, 0x40, 0x00, 1, 0x00, 0x80, 0x06}, // sign change: OV
    {A, "ARLC", 0x00, 0xC0, 0x10, 1, 0x00, 0x81, 0x14},
    {A, "ARRC", 0x00, 0x81, 0x00, 1, 0x00, 0xC0, 0x14}, // bit 7 kept, C not shifted in
    {A, "ARRC", 0x00, 0x02, 0x10, 1, 0x00, 0x01, 0x00},
    // Literal instructions always go to W.
    {A, "ADDL", 0xFF, 0x01, 0x00, -1, 0x00, 0, 0x19},
    {A, "ADDL", 0x7F, 0x01, 0x00, -1, 0x80, 0, 0x0E},
    {A, "SUBL", 0x03, 0x05, 0x00, -1, 0x02, 0, 0x18}, // 5 - 3
    {A, "SUBL", 0x05, 0x03, 0x10, -1, 0xFE, 0, 0x04}, // 3 - 5 borrows
    {A, "ANDL", 0x3C, 0xC3, 0x00, -1, 0x00, 0, 0x01},
    {A, "IORL", 0x00, 0x80, 0x01, -1, 0x80, 0, 0x04},
    {A, "XORL", 0x55, 0x55, 0x04, -1, 0x00, 0, 0x01},
    {A, "MVL", 0x00, 0x00, 0x06, -1, 0x00, 0, 0x06}, // no flags even for 0
    // CX4B: only Z and C ever change.
    {B, "ADDF", 0x7F, 0x01, 0x00, 0, 0x80, 0x01, 0x00},
    {B, "ADDF", 0xFF, 0x01, 0x0E, 1, 0xFF, 0x00, 0x1F},
    {B, "SUBF", 0x05, 0x05, 0x00, 0, 0x00, 0x05, 0x11},
    {B, "SUBC", 0x05, 0x05, 0x00, 1, 0x05, 0xFF, 0x00},
    {B, "INF", 0x00, 0x7F, 0x0E, 1, 0x00, 0x80, 0x0E},
    {B, "DCF", 0x00, 0x00, 0x00, 1, 0x00, 0xFF, 0x00},
    {B, "COMF", 0x00, 0x0F, 0x00, 1, 0x00, 0xF0, 0x00}, // N does not exist
    {B, "IORF", 0x80, 0x00, 0x01, 0, 0x80, 0x00, 0x00},
    {B, "RLFC", 0x00, 0x80, 0x00, 1, 0x00, 0x00, 0x11},
    {B, "RRFC", 0x00, 0x01, 0x00, 1, 0x00, 0x00, 0x11},
    {B, "ADDL", 0x7F, 0x01, 0x0E, -1, 0x80, 0, 0x0E},
    {B, "SUBL", 0x03, 0x05, 0x00, -1, 0x02, 0, 0x10},
};

TEST(EngineAlu, ResultDestinationAndFlagsOfEveryCase) {
    for (const AluCase& c : kCases) {
        SCOPED_TRACE(std::string(coreTypeName(c.core)) + " " + c.mnemonic +
                     " W=" + std::to_string(c.w) + " f=" + std::to_string(c.f));
        Machine m(c.core);
        m.s.WriteData(reg::kW, c.w);
        m.s.WriteData(reg::kStatus, c.status);
        if (c.dst < 0) {
            m.run({m.enc(c.mnemonic, {c.f})});
        } else {
            m.s.WriteData(kF, c.f);
            m.run({m.enc(c.mnemonic, {kF, uint32_t(c.dst), 0})});
            EXPECT_EQ(m.s.ReadData(kF), c.fAfter);
        }
        EXPECT_EQ(m.w(), c.wAfter);
        EXPECT_EQ(m.status(), c.statusAfter);
        EXPECT_EQ(m.s.GetCycles(), 1u);
        EXPECT_EQ(m.s.GetPC(), 1u);
    }
}

TEST(EngineAlu, ClearSetAndBitInstructions) {
    for (CoreType core : {A, B}) {
        Machine m(core);
        m.s.WriteData(reg::kStatus, 0x1F);
        m.s.WriteData(kF, 0x5A);
        m.run({m.enc("CLRF", {kF, 0})});
        EXPECT_EQ(m.s.ReadData(kF), 0x00);
        m.run({m.enc("SETF", {kF, 0})});
        EXPECT_EQ(m.s.ReadData(kF), 0xFF);
        m.run({m.enc("BCF", {kF, 3, 0})});
        EXPECT_EQ(m.s.ReadData(kF), 0xF7);
        m.run({m.enc("BTGF", {kF, 0, 0})});
        EXPECT_EQ(m.s.ReadData(kF), 0xF6);
        m.run({m.enc("BTGF", {kF, 3, 0})});
        EXPECT_EQ(m.s.ReadData(kF), 0xFE);
        m.s.WriteData(kF, 0);
        m.run({m.enc("BSF", {kF, 7, 0})});
        EXPECT_EQ(m.s.ReadData(kF), 0x80);
        EXPECT_EQ(m.status(), 0x1F); // none of these touches a flag
        EXPECT_EQ(m.s.GetCycles(), 6u);
    }
}

TEST(EngineAlu, MultiplyWritesProductAndTakesTwoCycles) {
    Machine m(A);
    m.s.WriteData(reg::kW, 0x10);
    m.s.WriteData(kF, 0x10);
    m.s.WriteData(reg::kStatus, 0x1E);
    m.run({m.enc("MULF", {kF, 0})});
    EXPECT_EQ(m.s.ReadData(reg::kProductHigh), 0x01);
    EXPECT_EQ(m.s.ReadData(reg::kProductLow), 0x00);
    EXPECT_EQ(m.status(), 0x1F); // Z from the low byte only
    EXPECT_EQ(m.s.ReadData(kF), 0x10);
    EXPECT_EQ(m.w(), 0x10);
    EXPECT_EQ(m.s.GetCycles(), 2u);

    m.s.WriteData(reg::kW, 0xFF);
    m.run({m.enc("MULL", {0xFF})});
    EXPECT_EQ(m.s.ReadData(reg::kProductHigh), 0xFE);
    EXPECT_EQ(m.s.ReadData(reg::kProductLow), 0x01);
    EXPECT_EQ(m.status(), 0x1F); // MULL changes no flag
    EXPECT_EQ(m.s.GetCycles(), 4u);

    m.s.WriteData(reg::kW, 3);
    m.s.WriteData(kF, 5);
    m.run({m.enc("MULF", {kF, 0})});
    EXPECT_EQ(m.s.ReadData(reg::kProductLow), 15);
    EXPECT_EQ(m.status(), 0x1E);
}

// An instruction whose file operand is STATUS keeps what it wrote there.
TEST(EngineAlu, StatusAsOperandSuppressesTheFlagUpdate) {
    for (CoreType core : {A, B}) {
        Machine m(core);
        m.s.WriteData(reg::kW, 0xFF);
        m.s.WriteData(reg::kStatus, 0x01);
        m.run({m.enc("ADDF", {reg::kStatus, 1, 0})}); // FFh + 01h: would set Z and C
        EXPECT_EQ(m.status(), 0x00);
        m.s.WriteData(reg::kStatus, 0x02);
        m.run({m.enc("ADDF", {reg::kStatus, 0, 0})}); // to W: STATUS still untouched
        EXPECT_EQ(m.w(), 0x01);
        EXPECT_EQ(m.status(), 0x02);
        // A literal instruction has no file operand: flags as usual with BSR 0.
        m.s.WriteData(reg::kW, 0xFF);
        m.run({m.enc("ADDL", {reg::kStatus})});
        EXPECT_EQ(m.w(), 0x2A);
        EXPECT_EQ(m.status() & 0x11, 0x10);
    }
}

// The suppression follows the resolved address, so a banked or indirect STATUS counts too,
// and a banked operand 2Bh in another bank does not.
TEST(EngineAlu, StatusSuppressionUsesTheResolvedAddress) {
    Machine m(A);
    m.s.WriteData(reg::kW, 0x01);
    m.s.WriteData(reg::kBsr, 1);
    m.s.WriteData(0x12B, 0xFF);
    m.run({m.enc("INF", {reg::kStatus, 1, 1})}); // 12Bh: plain byte, flags change
    EXPECT_EQ(m.s.ReadData(0x12B), 0x00);
    EXPECT_EQ(m.status() & 0x11, 0x11);

    m.s.WriteData(reg::kStatus, 0x00);
    m.setPointer(0, reg::kStatus);
    m.run({m.enc("COMF", {0, 1, 0})}); // through pointer 0 onto STATUS
    EXPECT_EQ(m.status(), 0xFF);
}

} // namespace
} // namespace zerka
