#include "upcentre/core/disassembler.h"
#include "upcentre/core/inst_aliases.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(InstructionDisassembly, FormatsOfEachOperandShape) {
    InstructionSet a(CoreType::CX4A), b(CoreType::CX4B);
    EXPECT_EQ(a.disassemble(0x122A), "ADDF    2Ah, 1, 0");
    EXPECT_EQ(b.disassemble(0x122A), "ADDF    2Ah, 1, 0");
    EXPECT_EQ(a.disassemble(0x0000), "NOP     ");
    EXPECT_EQ(a.disassemble(0x065A), "MVL     5Ah");
    EXPECT_EQ(a.disassemble(0x0DFF), "CLRF    FFh, 1");
    EXPECT_EQ(a.disassemble(0x9B10), "BSF     10h, 5, 1");
    EXPECT_EQ(a.disassemble(0x1000), "ADDF    0h, 0, 0");
    EXPECT_EQ(a.disassemble(0xFFFF), "NOPF    FFFh");
    EXPECT_EQ(a.disassemble(0xC812), "RCALL   12h");
    EXPECT_EQ(b.disassemble(0xC812), "CALL    12h");
    EXPECT_EQ(a.disassemble(0xC3FF), " ");
    EXPECT_EQ(b.disassemble(0xFFFF), " ");
    EXPECT_EQ(a.disassemble(0xC112), "CALL    12h, 1");
    // The free function gives the same text from both decode forms.
    EXPECT_EQ(disassemblyText(a.decodeForDisplay(0x122A)), "ADDF    2Ah, 1, 0");
    EXPECT_EQ(disassemblyText(a.decodeForDisplay(0x0004)), " ");
    EXPECT_EQ(disassemblyText(DecodedInstruction{}), " ");
}

TEST(InstructionDisassembly, ShowsTheMnemonicNeverTheAlias) {
    InstructionSet a(CoreType::CX4A);
    ASSERT_EQ(applyInstAliasesText(a, "ADDF ADDWF\n"), 1);
    EXPECT_EQ(a.disassemble(0x122A), "ADDF    2Ah, 1, 0");
    DisplayDecode d = a.decodeForDisplay(0x122A);
    EXPECT_EQ(d.mnemonic, "ADDF");
    EXPECT_EQ(d.operandCount, 3);
}

TEST(InstructionDisassembly, LongMnemonicIsNotCut) {
    DisplayDecode d;
    d.found = true;
    d.mnemonic = "LONGNAME1";
    d.operandCount = 1;
    d.operands = {0xABC, 0, 0};
    EXPECT_EQ(disassemblyText(d), "LONGNAME1ABCh");
}

} // namespace
} // namespace zerka
