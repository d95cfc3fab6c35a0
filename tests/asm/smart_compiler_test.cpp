// The smart compiler: shortening CALL and JMP, moving labels, marker lines and the repeated
// passes of "Optimization".
#include "asm/encode_fixture.h"

namespace zerka::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kNearCall =
    " CALL SUB\n" + repeat(" NOP\n", 38) + "SUB: NOP\nLATER: NOP\n ORG 100H\nOTHER: NOP\n";

TEST_F(EncodeTest, WithoutTheSmartCompilerACallTakesTwoWords) {
    ASSERT_TRUE(assemble(kNearCall));
    EXPECT_EQ(word(0), 0xC000);
    EXPECT_EQ(word(1), 0xF028);
    EXPECT_EQ(symbol("SUB")->value, 40);
}

TEST_F(EncodeTest, NearCallBecomesRcallAndLaterLabelsMove) {
    options.smartCompiler = true;
    ASSERT_TRUE(assemble(kNearCall));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(symbol("SUB")->value, 39);
    EXPECT_EQ(symbol("LATER")->value, 40);
    EXPECT_EQ(symbol("OTHER")->value, 0x100); // another ORG section
    EXPECT_EQ(word(0), 0xC826);               // RCALL, offset 38
    EXPECT_EQ(word(1), 0x0000);
    EXPECT_TRUE(longForms.empty());

    // The NOPF line gave way to a marker line for the listing, which produces no code.
    const auto list = lineList();
    EXPECT_EQ(list[0]->workingText, " RCALL SUB");
    EXPECT_EQ(list[0]->operationId, int(OpId::RCALL));
    EXPECT_FALSE(list[0]->twoWord[2]);
    EXPECT_TRUE(list[1]->isShortened);
    EXPECT_EQ(list[1]->storedText, " NOP");
    EXPECT_EQ(list[1]->lineNumber, 2);
    EXPECT_EQ(list[1]->address, SourceLine::kNoAddress);
    EXPECT_EQ(list[1]->fieldStart[2], 0);
    EXPECT_EQ(list[2]->address, 1);
}

TEST_F(EncodeTest, FarFormsAndShadowCallsStayLong) {
    options.smartCompiler = true;
    ASSERT_TRUE(
        assemble(" JMP FAR\n CALL NEAR, 1\nNEAR: NOP\n" + repeat(" NOP\n", 1019) + "FAR: NOP\n"));
    // JMP at 0 to 1024: beyond reach. The shadow CALL has no short form.
    EXPECT_EQ(word(0), 0xC200);
    EXPECT_EQ(word(1), 0xF400);
    EXPECT_EQ(word(2), 0xC100);
    EXPECT_EQ(word(3), 0xF004);
    ASSERT_EQ(longForms.size(), 2u);
    EXPECT_EQ(longForms[0].address, 0);
    EXPECT_EQ(longForms[1].address, 2);
}

// A JMP just out of reach comes within reach once the calls between are shortened.
const std::string kChain =
    " JMP T\n CALL N\n CALL N\nN: NOP\n" + repeat(" NOP\n", 1017) + "T: NOP\n";

TEST_F(EncodeTest, OneSweepWithoutOptimization) {
    options.smartCompiler = true;
    ASSERT_TRUE(assemble(kChain));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(symbol("T")->value, 1022);
    EXPECT_EQ(word(0), 0xC200);
    EXPECT_EQ(word(1), 0xF3FE);
    EXPECT_EQ(word(2), 0xC801);
    EXPECT_EQ(word(3), 0xC800);
    ASSERT_EQ(longForms.size(), 1u);
    EXPECT_EQ(longForms[0].address, 0);
}

TEST_F(EncodeTest, OptimizationRepeatsUntilNothingShortens) {
    options.smartCompiler = true;
    options.optimization = true;
    int yields = 0;
    ASSERT_TRUE(prepare(kChain));
    image.initialise(ImageFill::Zero);
    EncodeEnv env = makeEnv();
    env.yield = [&yields] { ++yields; };
    ASSERT_TRUE(EncodePass(env, true, false));
    ASSERT_TRUE(SmartCompile(env));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(symbol("N")->value, 3);
    EXPECT_EQ(symbol("T")->value, 1021);
    EXPECT_EQ(word(0), 0x7BFC); // RJ, offset 1020
    EXPECT_EQ(word(1), 0xC801);
    EXPECT_EQ(word(2), 0xC800);
    EXPECT_TRUE(longForms.empty());
    int markers = 0;
    for (const SourceLine& l : lines)
        markers += l.isShortened ? 1 : 0;
    EXPECT_EQ(markers, 3);
    EXPECT_GT(yields, 3 * 1020); // once per line of every pass
}

TEST_F(EncodeTest, RepeatedPassesReportOnlyWhatIsNotSuppressed) {
    options.smartCompiler = true;
    ASSERT_TRUE(assemble(" CALL S\nX\nS: NOP\nS: NOP\n JZ " + std::string("FAR\n") +
                         repeat(" NOP\n", 200) + "FAR: NOP\n"));
    // The label syntax (8) and the duplicate (4) are reported once; the range (23) per pass.
    EXPECT_THAT(codes(), ElementsAre(8, 4, 23, 23));
}

TEST_F(EncodeTest, SmartCompilerLeavesCx4bAlone) {
    useCore(CoreType::CX4B);
    options.smartCompiler = true;
    ASSERT_TRUE(assemble(kNearCall));
    EXPECT_EQ(word(0), 0xC827); // CX4B CALL: 11-bit absolute target
    EXPECT_EQ(symbol("SUB")->value, 39);
}

TEST_F(EncodeTest, SmartCompilerClearsTheFillBetweenSections) {
    options.smartCompiler = true;
    options.fill = ImageFill::Jmp0;
    ASSERT_TRUE(assemble(" NOP\n ORG 10H\n NOP\n"));
    EXPECT_EQ(word(5), 0x0000);
    EXPECT_EQ(word(0x20), 0x0000);
}

} // namespace
} // namespace zerka::test
