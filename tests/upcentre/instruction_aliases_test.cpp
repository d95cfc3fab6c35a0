#include "upcentre/core/inst_aliases.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace zerka {
namespace {

std::string aliasOf(const InstructionSet& set, std::string_view mnemonic) {
    const InstructionDef* d = set.findByMnemonic(mnemonic);
    return d ? d->alias : "<none>";
}

TEST(InstAliases, FieldRules) {
    InstructionSet a(CoreType::CX4A);
    EXPECT_EQ(applyInstAliasesText(a, "ADDF ADDWF ; add W and f\n"
                                      "ADDF CLRF\n"           // a mnemonic: ignored
                                      "SUBF clrf\n"           // a mnemonic once upper-cased
                                      "addf MVL\n"            // label addf, MVL has no operand
                                      "addf\tMVL\tLOADW\n"    // label, then the mnemonic
                                      "INF\t,=  incr f , x\n" // separators and inner blank
                                      "DCF\n"                 // no operand
                                      "    ; only a comment\n"
                                      "MOVE MVF\n" // label MOVE, MVF without operand
                                      "\n"),
              3);
    EXPECT_EQ(aliasOf(a, "ADDF"), "ADDWF");
    EXPECT_EQ(aliasOf(a, "SUBF"), "SUBF");
    EXPECT_EQ(aliasOf(a, "CLRF"), "CLRF");
    EXPECT_EQ(aliasOf(a, "MVL"), "LOADW");
    EXPECT_EQ(aliasOf(a, "INF"), "INCR F");
    EXPECT_EQ(aliasOf(a, "DCF"), "DCF");
    EXPECT_EQ(aliasOf(a, "MVF"), "MVF");
    EXPECT_EQ(a.findIdByMnemonicOrAlias("ADDWF"), 2);
    EXPECT_EQ(a.findIdByMnemonicOrAlias("LOADW"), 23);
    // An alias is a name, not a mnemonic.
    EXPECT_EQ(a.findIdByMnemonic("ADDWF"), -1);
}

TEST(InstAliases, OperationComparisonIsCaseSensitive) {
    InstructionSet a(CoreType::CX4A);
    // "addf" is a label, so ADDWF is read as the operation field, which is no mnemonic.
    EXPECT_EQ(applyInstAliasesText(a, "addf ADDWF\n"), 0);
    EXPECT_EQ(aliasOf(a, "ADDF"), "ADDF");
    // The alias itself is stored in upper case.
    EXPECT_EQ(applyInstAliasesText(a, "ADDF addwf\n"), 1);
    EXPECT_EQ(aliasOf(a, "ADDF"), "ADDWF");
}

TEST(InstAliases, LaterLinesWinAndCommentsCut) {
    InstructionSet a(CoreType::CX4A);
    EXPECT_EQ(applyInstAliasesText(a, "ADDF FIRST\r\nADDF SECOND;THIRD\r\nADDF ;X\n"), 2);
    EXPECT_EQ(aliasOf(a, "ADDF"), "SECOND");
    EXPECT_FALSE(a.isMnemonicOrAlias("FIRST"));
    // A line is cut to 160 characters before it is split.
    std::string longLine = "ADDF " + std::string(155, 'X') + "YYYY\n";
    EXPECT_EQ(applyInstAliasesText(a, longLine), 1);
    EXPECT_EQ(aliasOf(a, "ADDF"), std::string(155, 'X'));
}

TEST(InstAliases, FileIsReadOnEveryCx4aLoad) {
    test::TempDir dir;
    auto inst = dir.write("Inst.txt", "ADDF ADDWF\nMVL MOVLW\n");
    InstructionSet set;
    ASSERT_TRUE(set.loadBuiltIn(CoreType::CX4A, inst));
    EXPECT_EQ(set.findIdByMnemonicOrAlias("MOVLW"), 23);

    // CX4B never reads the file.
    ASSERT_TRUE(set.loadBuiltIn(CoreType::CX4B, inst));
    EXPECT_FALSE(set.isMnemonicOrAlias("ADDWF"));
    for (const InstructionDef& d : set.definitions())
        EXPECT_EQ(d.alias, d.mnemonic);

    // A rebuild starts from plain mnemonics and reads the file again.
    dir.write("Inst.txt", "MVL LOADW\n");
    ASSERT_TRUE(set.loadBuiltIn(CoreType::CX4A, inst));
    EXPECT_FALSE(set.isMnemonicOrAlias("ADDWF"));
    EXPECT_FALSE(set.isMnemonicOrAlias("MOVLW"));
    EXPECT_EQ(set.findIdByMnemonicOrAlias("LOADW"), 23);
}

TEST(InstAliases, MissingFileLeavesEveryAliasEqualToItsMnemonic) {
    test::TempDir dir;
    InstructionSet set;
    ASSERT_TRUE(set.loadBuiltIn(CoreType::CX4A, dir.path() / "Inst.txt"));
    ASSERT_TRUE(set.loadBuiltIn(CoreType::CX4A, dir.path())); // a folder cannot be read
    EXPECT_EQ(applyInstAliases(set, dir.path() / "none.txt"), 0);
    for (const InstructionDef& d : set.definitions())
        EXPECT_EQ(d.alias, d.mnemonic);
}

TEST(InstAliases, BinaryJunkDoesNotBreakTheTable) {
    InstructionSet set(CoreType::CX4A);
    std::string junk("\0\xff\x01 ADDF\0 \t==,,\xfe;\n\n\r\r;;", 22);
    applyInstAliasesText(set, junk);
    EXPECT_EQ(set.size(), 67u);
    EXPECT_EQ(set.decode(0x122A).id, OpId::ADDF);
    for (const InstructionDef& d : set.definitions())
        EXPECT_EQ(set.findByMnemonicOrAlias(d.mnemonic), &d);
}

} // namespace
} // namespace zerka
