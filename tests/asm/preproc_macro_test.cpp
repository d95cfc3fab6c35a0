#include <gtest/gtest.h>

#include <string>

#include "preproc_fixture.h"

namespace zerka::test {
namespace {
using ::testing::ElementsAre;

using MacroTest = PreprocTest;

TEST_F(MacroTest, ParametersAreReplacedAndCopiesFollowTheCall) {
    ASSERT_TRUE(build("PAIR MACRO A, B\n MVL A\n ADDL B ; B stays in the comment\n DW A B\n ENDM\n"
                      "PAIR 1, 2\n PAIR X+1, 0FFH\n"));
    EXPECT_THAT(texts(), ElementsAre("PAIR 1, 2", " MVL 1", " ADDL 2 ; B STAYS IN THE COMMENT",
                                     " DW A B", " ENDM", " PAIR X+1, 0FFH", " MVL X+1",
                                     " ADDL 0FFH ; B STAYS IN THE COMMENT", " DW A B", " ENDM"));
    const auto l = lineList();
    EXPECT_TRUE(l[0]->isMacroCall);
    EXPECT_FALSE(l[0]->expanded);
    for (int i : {1, 2, 3, 4}) {
        EXPECT_TRUE(l[size_t(i)]->expanded);
        EXPECT_EQ(l[size_t(i)]->lineNumber, i + 1); // copies keep the body's line numbers
    }
    EXPECT_EQ(l[2]->operand(1), "2");
    EXPECT_EQ(l[4]->field(3), "ENDM");
    EXPECT_TRUE(errors.empty());
}

TEST_F(MacroTest, LocalLabelsAreNumberedAcrossTheRun) {
    ASSERT_TRUE(build("WAIT MACRO\nLOOP: DCSZ 20H, 1, 0\n RJ LOOP\nK EQU 1\n ENDM\n"
                      "WAIT\nWAIT\n"));
    EXPECT_THAT(texts(),
                ElementsAre("WAIT", "Lab@0: DCSZ 20H, 1, 0", " RJ Lab@0", "K EQU 1", " ENDM",
                            "WAIT", "Lab@1: DCSZ 20H, 1, 0", " RJ Lab@1", "K EQU 1", " ENDM"));
    EXPECT_EQ(env.macroLabelCounter, 2);
}

TEST_F(MacroTest, LocalNames) {
    ASSERT_TRUE(build("M MACRO P\nCNT LOCAL 20H\n CLRF CNT, 0\n MVL P\n ENDM\nM 3\n"));
    EXPECT_THAT(texts(), ElementsAre("M 3", "CNT LOCAL 20H", " CLRF 20H, 0", " MVL 3", " ENDM"));
}

TEST_F(MacroTest, NestedCallsExpandWithFreshLabels) {
    ASSERT_TRUE(build("INNER MACRO\nL1: NOP\n RJ L1\n ENDM\n"
                      "OUTER MACRO V\n MVL V\n INNER\n ENDM\n"
                      "OUTER 1\nOUTER 2\n"));
    EXPECT_THAT(texts(), ElementsAre("OUTER 1", " MVL 1", " INNER", "Lab@1: NOP", " RJ Lab@1",
                                     " ENDM", " ENDM", "OUTER 2", " MVL 2", " INNER", "Lab@2: NOP",
                                     " RJ Lab@2", " ENDM", " ENDM"));
    // Lab@0 went to the copy of INNER inside the body of OUTER.
}

TEST_F(MacroTest, IfInBodiesIsEvaluatedPerCall) {
    ASSERT_TRUE(build("DEFINE FAST, 1\n"
                      "SEL MACRO P\n IF P = 1\n MVL 1\n ELSE\n MVL 2\n ENDIF\n"
                      " IF FAST\n NOP\n ENDIF\n ENDM\n"
                      "SEL 1\nSEL 0\n"));
    EXPECT_THAT(texts(), ElementsAre("DEFINE FAST, 1", "SEL 1", " MVL 1", " NOP", " ENDM", "SEL 0",
                                     " MVL 2", " NOP", " ENDM"));
}

TEST_F(MacroTest, CallsAreRecognisedOnlyAfterTheDefinition) {
    ASSERT_TRUE(build("LATER 1\nLATER MACRO X\n NOP\n ENDM\nLATER 2\n"));
    const auto l = lineList();
    ASSERT_EQ(l.size(), 4u);
    EXPECT_FALSE(l[0]->isMacroCall);
    EXPECT_TRUE(l[0]->isLabel);
    EXPECT_TRUE(l[1]->isMacroCall);
    EXPECT_EQ(l[2]->workingText, " NOP");
}

struct MacroErrorCase {
    const char* text;
    int code;
    std::optional<std::string> detail;
};

class MacroErrorTest : public PreprocTest, public ::testing::WithParamInterface<MacroErrorCase> {};

TEST_P(MacroErrorTest, FailsWithCode) {
    EXPECT_FALSE(build(GetParam().text));
    const PreprocError e = onlyError();
    EXPECT_EQ(e.code, GetParam().code);
    EXPECT_EQ(e.detail, GetParam().detail);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MacroErrorTest,
    ::testing::Values(MacroErrorCase{"M MACRO A, B\n ENDM\nM 1, 2, 3\n", 14, std::nullopt},
                      MacroErrorCase{"M MACRO A, B\n ENDM\nM 1\n", 13, std::nullopt},
                      MacroErrorCase{"M MACRO A, A\n ENDM\nM 1, 2\n", 4, "A"},
                      MacroErrorCase{"M MACRO\nNOCOLON NOP\n ENDM\nM\n", 8, "NOCOLON"},
                      MacroErrorCase{"M MACRO\nL: NOP\nL: NOP\n ENDM\nM\n", 4, "L"},
                      MacroErrorCase{"M MACRO\nX LOCAL 1, 2\n ENDM\nM\n", 14, std::nullopt},
                      MacroErrorCase{"M MACRO\nX LOCAL\n ENDM\nM\n", 13, std::nullopt},
                      MacroErrorCase{"M MACRO\nX LOCAL 1\nX LOCAL 2\n ENDM\nM\n", 4, "2"},
                      MacroErrorCase{"M MACRO\n M\n ENDM\n", 21, "M"},
                      MacroErrorCase{"M MACRO\n IF NOPE\n ENDIF\n ENDM\nM\n", 5, "NOPE"},
                      // A longer actual operand would be cut by the local table.
                      MacroErrorCase{
                          "M MACRO A\n DW A\n ENDM\nM 1+2+3+4+5+6+7+8+9+10+11+12+13+14+15\n", 9,
                          "1+2+3+4+5+6+7+8+9+10+11+12+13+14+15"}));

TEST_F(MacroTest, ErrorsNameTheLine) {
    EXPECT_FALSE(build("M MACRO A\n ENDM\n\nM\n"));
    const PreprocError e = onlyError();
    EXPECT_EQ(e.code, 13);
    EXPECT_EQ(e.fileIndex, 0);
    EXPECT_EQ(e.lineNumber, 4);
}

TEST_F(MacroTest, RunawayGrowthIsStopped) {
    // Every level doubles the body; without a limit this would not end in reasonable time.
    std::string text = "M0 MACRO\n NOP\n ENDM\n";
    for (int i = 1; i <= 40; ++i) {
        const std::string prev = "M" + std::to_string(i - 1);
        text += "M" + std::to_string(i) + " MACRO\n " + prev + "\n " + prev + "\n ENDM\n";
    }
    text += "M40\n";
    env.maxLines = 20000;
    EXPECT_FALSE(build(text));
    EXPECT_EQ(onlyError().code, 6);
    EXPECT_LE(env.storedLines, 20000u);
}

} // namespace
} // namespace zerka::test
