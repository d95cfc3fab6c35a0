#include <gtest/gtest.h>

#include <set>
#include <string>

#include "asm/cut_li_para_source.h"
#include "upcentre/core/instruction_set.h"

namespace zerka {
namespace {

class CutLIParaTest : public ::testing::Test {
  protected:
    CutLIParaTest() : instructions(CoreType::CX4A) {
        words.instructions = &instructions;
        words.isMacroName = [this](std::string_view n) {
            return macros.count(std::string(n)) != 0;
        };
    }
    SourceLine split(std::string_view text) {
        SourceLine line;
        line.setText(text);
        complete = CutLIParasource(line, words);
        return line;
    }
    InstructionSet instructions;
    std::set<std::string> macros;
    LineClassifier words;
    bool complete = false;
};

TEST_F(CutLIParaTest, CommentLabelOperationAndOperands) {
    const SourceLine l = split("LOOP:  ADDF  COUNT, 1 , 0   ; step; again");
    EXPECT_TRUE(complete);
    EXPECT_EQ(l.field(1), "; step; again");
    EXPECT_EQ(l.field(2), "LOOP:");
    EXPECT_EQ(l.field(3), "ADDF");
    EXPECT_TRUE(l.isLabel);
    EXPECT_FALSE(l.isDirective);
    EXPECT_EQ(l.operationId, int(OpId::ADDF));
    ASSERT_EQ(l.operandCount(), 3);
    EXPECT_EQ(l.operand(1), "COUNT");
    EXPECT_EQ(l.operand(2), "1");
    EXPECT_EQ(l.operand(3), "0");
    // Positions are 1-based in the working text.
    EXPECT_EQ(l.fieldStart[0], 29);
    EXPECT_EQ(l.fieldStart[1], 1);
    EXPECT_EQ(l.fieldStart[2], 8);
    EXPECT_EQ(l.fieldStart[3], 14);
    EXPECT_EQ(l.fieldLength[3], 5);
}

TEST_F(CutLIParaTest, SemicolonInQuotesStillStartsTheComment) {
    const SourceLine l = split("DB 'A;B'");
    EXPECT_EQ(l.field(1), ";B'");
    ASSERT_EQ(l.operandCount(), 1);
    EXPECT_EQ(l.operand(1), "'A");
}

TEST_F(CutLIParaTest, OperandSeparatorsAndInnerBlanks) {
    SourceLine l = split("DW 1,2,3");
    EXPECT_EQ(l.operandCount(), 3);
    l = split("DW 1 2");
    ASSERT_EQ(l.operandCount(), 1);
    EXPECT_EQ(l.operand(1), "1 2");
    l = split("DW A B, C\t \t");
    ASSERT_EQ(l.operandCount(), 2);
    EXPECT_EQ(l.operand(1), "A B");
    EXPECT_EQ(l.operand(2), "C");
    // "=" separates too, and runs of separators give no empty operands.
    l = split("IF X = 1");
    ASSERT_EQ(l.operandCount(), 2);
    EXPECT_EQ(l.operand(1), "X");
    EXPECT_EQ(l.operand(2), "1");
    l = split("DW 1,,=2");
    ASSERT_EQ(l.operandCount(), 2);
    EXPECT_EQ(l.operand(2), "2");
    // Tabs separate the words.
    l = split("\tMVL\t5");
    EXPECT_EQ(l.field(3), "MVL");
    EXPECT_EQ(l.operand(1), "5");
}

TEST_F(CutLIParaTest, ClassificationOrder) {
    macros = {"NOP", "DB", "MYMAC"};
    // A mnemonic wins over a macro of the same name, a directive too.
    SourceLine l = split("NOP");
    EXPECT_EQ(l.operationId, int(OpId::NOP));
    EXPECT_FALSE(l.isMacroCall);
    EXPECT_FALSE(l.isLabel);
    EXPECT_EQ(l.field(3), "NOP");
    EXPECT_FALSE(l.hasField(2));
    l = split("DB 1");
    EXPECT_TRUE(l.isDirective);
    EXPECT_FALSE(l.isMacroCall);
    l = split("MYMAC 1, 2");
    EXPECT_TRUE(l.isMacroCall);
    EXPECT_EQ(l.field(3), "MYMAC");
    EXPECT_EQ(l.operandCount(), 2);
    // Otherwise the first word is a label and the second is classified the same way.
    l = split("START: MYMAC 1");
    EXPECT_TRUE(l.isLabel);
    EXPECT_TRUE(l.isMacroCall);
    l = split("K EQU 10H");
    EXPECT_TRUE(l.isLabel);
    EXPECT_TRUE(l.isDirective);
    EXPECT_EQ(l.field(2), "K");
    EXPECT_EQ(l.operand(1), "10H");
    l = split("X FOO 1");
    EXPECT_TRUE(l.isLabel);
    EXPECT_FALSE(l.isDirective || l.isMacroCall);
    EXPECT_EQ(l.operationId, -1);
    EXPECT_EQ(l.field(3), "FOO");
    EXPECT_EQ(l.operand(1), "1");
}

TEST_F(CutLIParaTest, AliasesAreOperations) {
    ASSERT_TRUE(instructions.setAlias("MVL", "LDL"));
    const SourceLine l = split("LDL 5");
    EXPECT_EQ(l.operationId, int(OpId::MVL));
    EXPECT_FALSE(l.isLabel);
}

TEST_F(CutLIParaTest, EmptyBlankAndLabelOnlyLines) {
    SourceLine l = split("    ");
    for (int k = 1; k <= SourceLine::kFieldCount; ++k)
        EXPECT_FALSE(l.hasField(k));
    l = split("  ; just a comment");
    EXPECT_EQ(l.field(1), "; just a comment");
    EXPECT_FALSE(l.hasField(2));
    EXPECT_FALSE(l.hasField(3));
    l = split("HERE:");
    EXPECT_TRUE(l.isLabel);
    EXPECT_FALSE(l.hasField(3));
    // Splitting again forgets what an earlier split found.
    l.workingText = "MVL 1";
    CutLIParasource(l, words);
    EXPECT_FALSE(l.isLabel);
    EXPECT_EQ(l.operationId, int(OpId::MVL));
}

TEST_F(CutLIParaTest, MoreOperandsThanFieldsIsReported) {
    std::string text = "DB 0";
    for (int i = 1; i < 29; ++i)
        text += "," + std::to_string(i % 10);
    SourceLine l = split(text);
    EXPECT_TRUE(complete);
    EXPECT_EQ(l.operandCount(), 29);
    l = split(text + ",9");
    EXPECT_FALSE(complete);
    EXPECT_EQ(l.operandCount(), 29);
    EXPECT_EQ(l.operand(29), "8");
}

TEST(DirectiveWords, ExactUpperCase) {
    for (const char* w :
         {"DB", "DW", "END", "ENDM", "EQU", "INCLUDE", "LOCAL", "MACRO", "ORG", "SET", "GLOBAL",
          "MEMAR", "DS", "EXTERN", "IF", "ELSE", "ENDIF", "DEFINE"})
        EXPECT_TRUE(isDirectiveWord(w)) << w;
    EXPECT_FALSE(isDirectiveWord("db"));
    EXPECT_FALSE(isDirectiveWord("ENDIFX"));
    EXPECT_FALSE(isDirectiveWord(""));
}

} // namespace
} // namespace zerka
