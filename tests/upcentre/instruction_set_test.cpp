#include "upcentre/core/instruction_set.h"
#include "upcentre/core/instruction_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zerka {
namespace {

std::string mnemonicsOf(const InstructionSet& set) {
    std::string s;
    for (const InstructionDef& d : set.definitions())
        s += d.mnemonic + " ";
    return s;
}

void expectSameDecode(const DecodedInstruction& a, const DecodedInstruction& b, unsigned word) {
    ASSERT_EQ(a.found, b.found) << std::hex << word;
    ASSERT_EQ(a.def, b.def) << std::hex << word;
    ASSERT_EQ(a.id, b.id) << std::hex << word;
    ASSERT_EQ(a.noFileOperand, b.noFileOperand) << std::hex << word;
    ASSERT_EQ(a.operandCount, b.operandCount) << std::hex << word;
    ASSERT_EQ(a.operands, b.operands) << std::hex << word;
}

// The fast table must give exactly the list walk's first match for every word.
TEST(InstructionSetDecode, TableEqualsListWalkForAllWordsOfBothCores) {
    for (CoreType core : {CoreType::CX4A, CoreType::CX4B}) {
        InstructionSet set(core);
        for (unsigned w = 0; w < 65536; ++w) {
            auto word = static_cast<uint16_t>(w);
            expectSameDecode(set.decode(word), set.decodeByListWalk(word), w);
            const InstructionDef* def = set.definitionFor(word);
            ASSERT_EQ(def, set.decode(word).def);
        }
    }
}

// First match must hold also where patterns overlap (a table loaded from other lines).
TEST(InstructionSetDecode, OverlappingPatternsKeepTableOrder) {
    std::vector<std::string_view> lines = {"NOPF 1111aaaaaaaaaaaa", "NOP 0000000000000000",
                                           "MVFF 11aaaaaaaaaaaaaa"};
    InstructionSet set;
    ASSERT_TRUE(set.buildFromLines(CoreType::CX4A, lines));
    for (unsigned w = 0; w < 65536; ++w)
        expectSameDecode(set.decode(static_cast<uint16_t>(w)),
                         set.decodeByListWalk(static_cast<uint16_t>(w)), w);
    EXPECT_EQ(set.decode(0xF123).id, OpId::NOPF);
    EXPECT_EQ(set.decode(0xC123).id, OpId::MVFF);
    EXPECT_FALSE(set.decode(0x0001).found);
}

struct Range {
    unsigned from, to;
};

// Checks the table data against the documented holes of each core, and that no two patterns of
// a built-in table overlap.
void expectUnmatchedWordsAre(CoreType core, const std::vector<Range>& holes) {
    InstructionSet set(core);
    for (unsigned w = 0; w < 65536; ++w) {
        bool inHole = false;
        for (const Range& r : holes)
            inHole = inHole || (w >= r.from && w <= r.to);
        int matches = 0;
        for (const InstructionDef& d : set.definitions())
            matches += d.matches(static_cast<uint16_t>(w)) ? 1 : 0;
        ASSERT_LE(matches, 1) << std::hex << w;
        ASSERT_EQ(matches == 0, inHole) << coreTypeName(core) << " word " << std::hex << w;
    }
}

TEST(InstructionSetTables, UnmatchedWordsAndNoOverlap) {
    expectUnmatchedWordsAre(
        CoreType::CX4A, {{0x0004, 0x0005}, {0x0020, 0x0020}, {0x0022, 0x00FF}, {0xC300, 0xC7FF}});
    expectUnmatchedWordsAre(CoreType::CX4B, {{0x0004, 0x0007},
                                             {0x0009, 0x0009},
                                             {0x000B, 0x00FF},
                                             {0x0700, 0x07FF},
                                             {0x0900, 0x09FF},
                                             {0x0E00, 0x0FFF},
                                             {0x5800, 0x5FFF},
                                             {0x7000, 0x77FF},
                                             {0xC000, 0xC7FF},
                                             {0xD000, 0xDFFF},
                                             {0xF000, 0xFFFF}});
}

TEST(InstructionSetTables, TableOrderOfBothCores) {
    EXPECT_EQ(mnemonicsOf(InstructionSet(CoreType::CX4A)),
              "NOP CLRF ADDF INF INSZ DCF DCSZ SUBF COMF MVF ADDC ANDF IORF XORF RLF SUBC RRF "
              "ADDL SUBL ANDL IORL XORL MVL RETL CALL JMP RETI RET IDLE SLP CWDT SETF BCF BSF "
              "BTSZ BTSS MULF JZ RRFC RLFC SWPF TBLR MVLP JC INSUZ DCSUZ MULL LDPR LBSR NOPF "
              "ARLC ARRC CPSG CPSL CPSE TFSZ JN JO JNC JNZ JNN JNO BTGF MVFF RJ RCALL POP ");
    EXPECT_EQ(mnemonicsOf(InstructionSet(CoreType::CX4B)),
              "NOP CLRF ADDF INF INSZ DCF DCSZ SUBF COMF MVF ADDC ANDF IORF XORF RLF SUBC RRF "
              "ADDL SUBL ANDL IORL XORL MVL RETL CALL JMP RETI RET IDLE SLP CWDT SETF BCF BSF "
              "BTSZ BTSS RRFC RLFC SWPF INSUZ DCSUZ CPSG CPSL CPSE TFSZ BTGF ");
    // Every definition carries its id table entry and an alias equal to its mnemonic.
    for (CoreType core : {CoreType::CX4A, CoreType::CX4B}) {
        InstructionSet set(core);
        for (const InstructionDef& d : set.definitions()) {
            EXPECT_EQ(opIdMnemonic(static_cast<int>(d.id)), d.mnemonic);
            EXPECT_EQ(d.alias, d.mnemonic);
        }
    }
}

TEST(InstructionSetDecode, EdgeWords) {
    InstructionSet a(CoreType::CX4A), b(CoreType::CX4B);

    DecodedInstruction nop = a.decode(0x0000);
    EXPECT_TRUE(nop.found);
    EXPECT_EQ(nop.id, OpId::NOP);
    EXPECT_EQ(nop.operandCount, 0);

    DecodedInstruction nopf = a.decode(0xFFFF);
    ASSERT_TRUE(nopf.found);
    EXPECT_EQ(nopf.id, OpId::NOPF);
    EXPECT_EQ(nopf.operandCount, 1);
    EXPECT_EQ(nopf.operands[0], 0xFFF);
    EXPECT_FALSE(b.decode(0xFFFF).found);
    EXPECT_EQ(b.decode(0xFFFF).operands, (std::array<uint16_t, 3>{0, 0, 0}));

    DecodedInstruction rcall = a.decode(0xC812);
    EXPECT_EQ(rcall.id, OpId::RCALL);
    EXPECT_EQ(rcall.operands[0], 0x012);
    DecodedInstruction call = b.decode(0xC812);
    EXPECT_EQ(call.id, OpId::CALL);
    EXPECT_EQ(call.operands[0], 0x012);
    EXPECT_EQ(a.decode(0x7812).id, OpId::RJ);
    EXPECT_EQ(b.decode(0x7812).id, OpId::JMP);
}

TEST(InstructionSetDecode, Cx4bMvfWithSeventeenthCharacterDecodesLikeCx4a) {
    InstructionSet a(CoreType::CX4A), b(CoreType::CX4B);
    const InstructionDef* ma = a.findByMnemonic("MVF");
    const InstructionDef* mb = b.findByMnemonic("MVF");
    ASSERT_TRUE(ma && mb);
    EXPECT_EQ(ma->matchValue, mb->matchValue);
    EXPECT_EQ(ma->matchMask, mb->matchMask);
    EXPECT_EQ(ma->operands, mb->operands);
    for (unsigned w = 0x6400; w <= 0x67FF; ++w) {
        DecodedInstruction da = a.decode(static_cast<uint16_t>(w));
        DecodedInstruction db = b.decode(static_cast<uint16_t>(w));
        ASSERT_EQ(db.id, OpId::MVF);
        ASSERT_EQ(da.operands, db.operands);
    }
}

TEST(InstructionSetDecode, OperandFieldsOfEachShape) {
    InstructionSet a(CoreType::CX4A), b(CoreType::CX4B);
    // ADDF 2Ah, destination 1, bank 0
    DecodedInstruction addf = a.decode(0x122A);
    EXPECT_EQ(addf.id, OpId::ADDF);
    EXPECT_FALSE(addf.noFileOperand);
    EXPECT_EQ(addf.operandCount, 3);
    EXPECT_EQ(addf.operands, (std::array<uint16_t, 3>{0x2A, 1, 0}));
    EXPECT_EQ(addf.def->bankSelectOperand(), 3);
    // CLRF: file address and bank select as operand 2.
    DecodedInstruction clrf = b.decode(0x0D80);
    EXPECT_EQ(clrf.id, OpId::CLRF);
    EXPECT_EQ(clrf.operandCount, 2);
    EXPECT_EQ(clrf.operands, (std::array<uint16_t, 3>{0x80, 1, 0}));
    EXPECT_EQ(clrf.def->bankSelectOperand(), 2);
    // BSF: bit number 5 (bits 11..9), bank 1, file 10h.
    DecodedInstruction bsf = a.decode(0x9B10);
    EXPECT_EQ(bsf.id, OpId::BSF);
    EXPECT_EQ(bsf.operands, (std::array<uint16_t, 3>{0x10, 5, 1}));
    // CX4A CALL: target bits 19..12 and the shadow select.
    DecodedInstruction call = a.decode(0xC112);
    EXPECT_EQ(call.id, OpId::CALL);
    EXPECT_TRUE(call.noFileOperand);
    EXPECT_EQ(call.operandCount, 2);
    EXPECT_EQ(call.operands, (std::array<uint16_t, 3>{0x12, 1, 0}));
    EXPECT_EQ(call.def->bankSelectOperand(), 0);
    // Single-bit and small fields.
    EXPECT_EQ(a.decode(0x0007).id, OpId::TBLR);
    EXPECT_EQ(a.decode(0x0007).operands[0], 1);
    EXPECT_EQ(a.decode(0x000E).id, OpId::LDPR);
    EXPECT_EQ(a.decode(0x000E).operands[0], 2);
    EXPECT_EQ(a.decode(0x001F).id, OpId::LBSR);
    EXPECT_EQ(a.decode(0x001F).operands[0], 15);
    EXPECT_EQ(a.decode(0x000B).id, OpId::RET);
    EXPECT_EQ(a.decode(0x000B).operands[0], 1);
    EXPECT_EQ(b.decode(0x000A).operandCount, 0);
    EXPECT_FALSE(b.decode(0x000B).found);
    // MVFF: 12-bit source.
    EXPECT_EQ(a.decode(0xD123).operands[0], 0x123);
}

TEST(InstructionSetProperties, TwoWordRelativeAndOptional) {
    InstructionSet a(CoreType::CX4A), b(CoreType::CX4B);
    auto kind = [](const InstructionSet& s, std::string_view m) {
        return s.findByMnemonic(m)->twoWordKind;
    };
    EXPECT_EQ(kind(a, "MVFF"), TwoWordKind::Mvff);
    EXPECT_EQ(kind(a, "JMP"), TwoWordKind::Jmp);
    EXPECT_EQ(kind(a, "CALL"), TwoWordKind::Call);
    EXPECT_EQ(kind(a, "MVLP"), TwoWordKind::Mvlp);
    EXPECT_EQ(kind(a, "LDPR"), TwoWordKind::Ldpr);
    int twoWordCount = 0;
    for (const InstructionDef& d : a.definitions())
        twoWordCount += d.isTwoWord() ? 1 : 0;
    EXPECT_EQ(twoWordCount, 5);
    for (const InstructionDef& d : b.definitions())
        EXPECT_FALSE(d.isTwoWord()) << d.mnemonic;

    for (std::string_view m : {"JZ", "JC", "JN", "JO", "JNC", "JNZ", "JNN", "JNO"})
        EXPECT_EQ(a.findByMnemonic(m)->relative, RelativeKind::Rel8) << m;
    EXPECT_EQ(a.findByMnemonic("RJ")->relative, RelativeKind::Rel11);
    EXPECT_EQ(a.findByMnemonic("RCALL")->relative, RelativeKind::Rel11);
    EXPECT_EQ(a.findByMnemonic("JMP")->relative, RelativeKind::None);
    for (const InstructionDef& d : b.definitions())
        EXPECT_EQ(d.relative, RelativeKind::None) << d.mnemonic;

    for (std::string_view m : {"CLRF", "ADDF", "RRF", "SETF", "BCF", "BTSS", "SWPF", "DCSUZ",
                               "ARLC", "ARRC", "BTGF", "CALL", "RETI", "RET"})
        EXPECT_TRUE(a.findByMnemonic(m)->lastOperandOptional) << m;
    for (std::string_view m : {"MULF", "CPSG", "TFSZ", "MVL", "JMP", "MVFF", "LDPR", "JZ", "NOPF"})
        EXPECT_FALSE(a.findByMnemonic(m)->lastOperandOptional) << m;
    EXPECT_TRUE(b.findByMnemonic("ADDF")->lastOperandOptional);
    // The CX4B CALL has only its target: leaving it out must not assemble a call to 0.
    EXPECT_FALSE(b.findByMnemonic("CALL")->lastOperandOptional);
}

TEST(InstructionSetBuild, LineRules) {
    InstructionSet set;
    std::vector<std::string_view> lines = {
        "NOP",                       // no separator: skipped
        " 0000000000000000",         // empty mnemonic: skipped
        "CLRF \t 0000110daaaaaa",    // fewer than 16 pattern characters: skipped
        "addf\t000100BDAAAAAAAA xx", // lower-case mnemonic, upper-case letters, tail ignored
        "MVL 00000110aaaaaaaa",
    };
    ASSERT_TRUE(set.buildFromLines(CoreType::CX4A, lines));
    ASSERT_EQ(set.size(), 2u);
    const InstructionDef& addf = set.definitions()[0];
    EXPECT_EQ(addf.mnemonic, "ADDF");
    EXPECT_EQ(addf.alias, "ADDF");
    EXPECT_EQ(addf.id, OpId::ADDF);
    EXPECT_EQ(addf.matchValue, 0x1000);
    EXPECT_EQ(addf.matchMask, 0xFC00);
    EXPECT_EQ(addf.operandCount, 3);
    EXPECT_EQ(addf.operands[0], (OperandField{0, 7}));
    EXPECT_EQ(addf.operands[1], (OperandField{9, 9}));
    EXPECT_EQ(addf.operands[2], (OperandField{8, 8}));
    EXPECT_EQ(set.decode(0x0612).id, OpId::MVL);
    EXPECT_EQ(set.findByMnemonic("CLRF"), nullptr);
}

TEST(InstructionSetBuild, BadPatternCharacterOrUnknownMnemonicFails) {
    InstructionSet set(CoreType::CX4A);
    std::vector<std::string_view> bad = {"NOP 0000000000000000", "CLRF 0000110xaaaaaaaa",
                                         "MVL 00000110aaaaaaaa"};
    EXPECT_FALSE(set.buildFromLines(CoreType::CX4B, bad));
    // The old list is gone; the definition under construction is not kept.
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set.definitions()[0].mnemonic, "NOP");
    EXPECT_FALSE(set.decode(0x0D00).found);
    EXPECT_EQ(set.core(), CoreType::CX4B);

    std::vector<std::string_view> unknown = {"FOO 0000000000000000"};
    EXPECT_FALSE(set.buildFromLines(CoreType::CX4A, unknown));
    EXPECT_EQ(set.size(), 0u);
    EXPECT_FALSE(set.decode(0x0000).found);
}

TEST(InstructionSetBuild, ReloadSwitchesCore) {
    InstructionSet set(CoreType::CX4A);
    EXPECT_EQ(set.size(), 67u);
    EXPECT_TRUE(set.loadBuiltIn(CoreType::CX4B, {}));
    EXPECT_EQ(set.size(), 46u);
    EXPECT_EQ(set.core(), CoreType::CX4B);
    EXPECT_EQ(set.findIdByMnemonic("MULF"), -1);
    EXPECT_EQ(set.decode(0xC812).id, OpId::CALL);
    InstructionSet empty;
    EXPECT_FALSE(empty.decode(0).found);
    EXPECT_EQ(empty.findIdByMnemonicOrAlias("NOP"), -1);
}

TEST(InstructionSetLookup, ExactComparisonInListOrder) {
    InstructionSet set(CoreType::CX4A);
    EXPECT_EQ(set.findIdByMnemonic("ADDF"), 2);
    EXPECT_EQ(set.findIdByMnemonic("addf"), -1);
    EXPECT_EQ(set.findIdByMnemonic("ADDF "), -1);
    EXPECT_EQ(set.findIdByMnemonic(""), -1);
    EXPECT_EQ(set.findIdByMnemonicOrAlias("POP"), 69);
    EXPECT_FALSE(set.isMnemonicOrAlias("ORG"));

    ASSERT_TRUE(set.setAlias("ADDF", "ADDWF"));
    EXPECT_EQ(set.findIdByMnemonicOrAlias("ADDWF"), 2);
    EXPECT_EQ(set.findIdByMnemonicOrAlias("ADDF"), 2);
    EXPECT_EQ(set.findIdByMnemonic("ADDWF"), -1);
    std::optional<InstructionDef> copy = set.copyByMnemonicOrAlias("ADDWF");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->mnemonic, "ADDF");
    EXPECT_EQ(copy->matchValue, 0x1000);
    // A second alias replaces the first.
    ASSERT_TRUE(set.setAlias("ADDF", "PLUS"));
    EXPECT_EQ(set.findIdByMnemonicOrAlias("ADDWF"), -1);
    EXPECT_EQ(set.findIdByMnemonicOrAlias("PLUS"), 2);
    // The same alias on two definitions: the earlier one in the list wins.
    ASSERT_TRUE(set.setAlias("SUBF", "PLUS"));
    EXPECT_EQ(set.findIdByMnemonicOrAlias("PLUS"), 2);
    EXPECT_FALSE(set.setAlias("NOSUCH", "X"));
    set.resetAliases();
    EXPECT_FALSE(set.isMnemonicOrAlias("PLUS"));
}

TEST(InstructionSetOffsets, SignedOffsets) {
    EXPECT_EQ(signedOffset8(0x7F), 127);
    EXPECT_EQ(signedOffset8(0x80), -128);
    EXPECT_EQ(signedOffset8(0xFF), -1);
    EXPECT_EQ(signedOffset11(0x3FF), 1023);
    EXPECT_EQ(signedOffset11(0x400), -1024);
    EXPECT_EQ(signedOffset11(0x7FF), -1);
    OperandField f{4, 7};
    EXPECT_EQ(f.insert(0x1003, 0x1F5), 0x1053); // cut to the field width
    EXPECT_EQ(f.extract(0x1053), 0x5);
}

} // namespace
} // namespace zerka
