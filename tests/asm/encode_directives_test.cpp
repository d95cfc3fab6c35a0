// Labels, symbols and the directives of the encoding pass.
#include "asm/encode_fixture.h"

namespace zerka::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(EncodeTest, ForwardEquIsPatchedAfterThePassInRecordedOrder) {
    ASSERT_TRUE(assemble(" MVL K\n DW K, J\n MVL J\nK EQU 12H\nJ EQU 0ABCDH\n"));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(word(0), 0x0612);
    EXPECT_EQ(word(1), 0x0012);
    EXPECT_EQ(word(2), 0xABCD);
    EXPECT_EQ(word(3), 0x06CD);
    // Every operand that did not evaluate is remembered with the word it belongs to.
    ASSERT_EQ(tables.pending.count(), 4);
    EXPECT_EQ(tables.pending.entry(1)->name, "K");
    EXPECT_EQ(tables.pending.entry(1)->value, 0);
    EXPECT_EQ(tables.pending.entry(3)->name, "J");
    EXPECT_EQ(tables.pending.entry(3)->value, 2);
    EXPECT_EQ(tables.pending.entry(4)->value, 3);
}

TEST_F(EncodeTest, UndefinedOperandIsReportedAtFixUpWithItsText) {
    EXPECT_TRUE(assemble(" NOP\n MVL NOWHERE\n"));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 5);
    EXPECT_EQ(reporter.reports[0].detail, "NOWHERE");
    EXPECT_EQ(reporter.reports[0].lineNumber, 2);
    EXPECT_EQ(word(1), 0x0600);
}

TEST_F(EncodeTest, DataWordsPairBytesAndTakeTheirAddress) {
    ASSERT_TRUE(assemble(" NOP\n DB 1, 2, 3\n DW 1234H, LATER\nLATER: DB LATER, 5\n"));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(word(1), 0x0102);
    EXPECT_EQ(word(2), 0x0300);
    EXPECT_EQ(word(3), 0x1234);
    EXPECT_EQ(word(4), 0x0005); // LATER = 5, patched after the pass
    EXPECT_EQ(word(5), 0x0505);
    const auto list = lineList();
    EXPECT_EQ(list[1]->address, 1);
    EXPECT_EQ(list[1]->lastAddress, 2);
}

TEST_F(EncodeTest, OrgRangeAndSectionNumbers) {
    ASSERT_TRUE(assemble(" NOP\n ORG 1000H\nA1: NOP\n ORG 20H\nA2: NOP\n"));
    // 1000h is the program memory size: refused without a line, counter stays, section counts.
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 11);
    EXPECT_FALSE(reporter.reports[0].hasLine);
    EXPECT_EQ(symbol("A1")->value, 1);
    EXPECT_EQ(symbol("A1")->extra, 1);
    EXPECT_EQ(symbol("A2")->value, 0x20);
    EXPECT_EQ(symbol("A2")->extra, 2);
}

TEST_F(EncodeTest, AssembleOnlyAcceptsCodeBeyondTheProgramMemory) {
    options.assembleOnly = true;
    ASSERT_TRUE(assemble(" ORG 1000H\n MVL 1\n"));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(word(0x1000), 0x0601);

    reporter.reports.clear();
    options.assembleOnly = false;
    lines.clear();
    files.clear();
    openFiles.clear();
    ASSERT_TRUE(assemble(" ORG 0FFFH\n NOP\n NOP\n"));
    EXPECT_THAT(codes(), ElementsAre(11)); // the second word does not fit
    EXPECT_EQ(image.codeExtent(), 0x1001);
}

TEST_F(EncodeTest, MissingAndUndefinedDirectiveOperands) {
    ASSERT_TRUE(assemble("X EQU\nY EQU Q\n ORG\n ORG Q\n MEMAR Q\nZ SET Q\n"));
    EXPECT_THAT(codes(), ElementsAre(13, 5, 13, 5, 5, 5));
    EXPECT_EQ(reporter.reports[1].detail, "Q");
}

TEST_F(EncodeTest, EndmWithoutOpenCallIsFatal) {
    // An ENDM can only reach the line list through an expansion, so it is planted directly.
    ASSERT_TRUE(prepare(" NOP\n NOP\n"));
    ASSERT_TRUE(lines.first());
    SourceLine endm;
    endm.setText(" ENDM");
    endm.fileIndex = 0;
    endm.lineNumber = 2;
    CutLIParasource(endm, makeLineClassifier(&instructions, &macros));
    ASSERT_TRUE(lines.add(endm, TLinePack::AfterCurrent));
    image.initialise(ImageFill::Zero);
    EncodeEnv env = makeEnv();
    EXPECT_FALSE(EncodePass(env, true, false));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 0);
    EXPECT_TRUE(reporter.reports[0].fatal);
    EXPECT_EQ(image.lineOf(1), 0u); // the pass stopped before the next line
}

TEST_F(EncodeTest, OverwritingACellIsRefused) {
    ASSERT_TRUE(assemble(" MVL 1\n ORG 0\n MVL 2\n"));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 10);
    EXPECT_EQ(reporter.reports[0].lineNumber, 3);
    EXPECT_EQ(word(0), 0x0601);
}

TEST_F(EncodeTest, DataMemoryReservations) {
    ASSERT_TRUE(assemble(" MEMAR 1F0H\nV1 DS 2\nV2 DS 0EH\nV3 DS 1\n MEMAR 300H\n"));
    EXPECT_EQ(symbol("V1")->value, 0x1F0);
    EXPECT_EQ(symbol("V1")->extra, 2);
    EXPECT_EQ(symbol("V2")->value, 0x1F2);
    EXPECT_EQ(symbol("V3")->value, 0x200);
    // V2 ends exactly at the last existing byte; V3 lies beyond it; so does MEMAR 300H.
    ASSERT_EQ(reporter.reports.size(), 2u);
    EXPECT_EQ(reporter.reports[0].code, 26);
    EXPECT_EQ(reporter.reports[0].detail, "V3");
    EXPECT_EQ(reporter.reports[1].detail, "MEMAR");
    EXPECT_EQ(tables.debugger.count(), 3);
    EXPECT_EQ(tables.debugger.entry(1)->kind, 'D');
}

TEST_F(EncodeTest, SetEquAndDuplicates) {
    ASSERT_TRUE(assemble("V SET 1\n MVL V\nV SET 2\n MVL V\nV EQU 3\n MVL V\nV SET 4\n"
                         "L1: NOP\nL1: NOP\nC EQU 1\nC EQU 2\n"));
    EXPECT_EQ(word(0), 0x0601);
    EXPECT_EQ(word(1), 0x0602);
    EXPECT_EQ(word(2), 0x0603);
    ASSERT_EQ(reporter.reports.size(), 3u);
    EXPECT_EQ(reporter.reports[0].code, 4); // SET over EQU: the name
    EXPECT_EQ(reporter.reports[0].detail, "V");
    EXPECT_EQ(reporter.reports[1].code, 4); // second label
    EXPECT_EQ(reporter.reports[1].detail, "L1");
    EXPECT_EQ(reporter.reports[2].code, 4); // second EQU: the operand
    EXPECT_EQ(reporter.reports[2].detail, "2");
    // EQU names reach the debugger table with their operand as written.
    const SymbolEntry* c = tables.debugger.findEntry("C");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, 'C');
    EXPECT_EQ(c->value, 1);
}

TEST_F(EncodeTest, LabelsNeedAColonAndTwoCharacters) {
    ASSERT_TRUE(assemble("AB NOP\n:\nGOOD: NOP\n"));
    EXPECT_THAT(codes(), ElementsAre(8, 8));
    EXPECT_EQ(reporter.reports[0].detail, "AB");
    EXPECT_EQ(symbol("GOOD")->value, 1);
    EXPECT_EQ(symbol("GOOD")->kind, 'L');
}

TEST_F(EncodeTest, GlobalNamesAreResolvedAtTheEnd) {
    ASSERT_TRUE(assemble(" GLOBAL START, K\n GLOBAL START\nK EQU 7\n NOP\nSTART: NOP\n"));
    ASSERT_EQ(tables.globals.count(), 2);
    EXPECT_EQ(tables.globals.entry(1)->value, 1);
    EXPECT_EQ(tables.globals.entry(1)->kind, 'L');
    EXPECT_EQ(tables.globals.entry(2)->value, 7);
    EXPECT_EQ(tables.globals.entry(2)->kind, 'C');
}

TEST_F(EncodeTest, MissingGlobalFailsThePass) {
    EXPECT_FALSE(assemble(" GLOBAL NOTHERE\n NOP\n"));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 5);
    EXPECT_TRUE(reporter.reports[0].fatal);
    EXPECT_FALSE(reporter.reports[0].hasLine);
    EXPECT_EQ(reporter.reports[0].detail, "NOTHERE");
}

TEST_F(EncodeTest, ExternResolvesToZeroOnlyWhenAssemblingOnly) {
    options.assembleOnly = true;
    ASSERT_TRUE(assemble(" EXTERN EXT\n MVL EXT+3\n"));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(word(0), 0x0603);
    EXPECT_EQ(tables.externs.entry(1)->kind, 'E');

    options.assembleOnly = false;
    lines.clear();
    files.clear();
    openFiles.clear();
    tables.clearAll();
    ASSERT_TRUE(assemble(" EXTERN EXT\n MVL EXT+3\n"));
    EXPECT_THAT(codes(), ElementsAre(5));
}

TEST_F(EncodeTest, BankSelect) {
    ASSERT_TRUE(assemble("R EQU 345H\n LBSR 3\n LBSR R\n LBSR 16\n LBSR LATE\nLATE EQU 0E00H\n"));
    EXPECT_EQ(word(0), 0x0013);
    EXPECT_EQ(word(1), 0x0013);
    EXPECT_EQ(lineList()[2]->operand(1), "003H");
    EXPECT_EQ(word(3), 0x001E); // patched: E00h / 256
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 9);
}

TEST_F(EncodeTest, OperandCounts) {
    ASSERT_TRUE(assemble(" ADDF 2AH, 1, 0\n ADDF 2AH, 1\n ADDF 2AH\n ADDF 2AH, 1, 0, 1\n"
                         " BSF 10H, 3\n RET\n TBLR *+\n TBLR *\n MVL\n"));
    EXPECT_EQ(word(0), 0x122A);
    EXPECT_EQ(word(1), 0x122A); // a missing last operand encodes as 0
    // Only the last operand may be left out; four operands are too many; MVL needs one.
    EXPECT_THAT(codes(), ElementsAre(13, 14, 13));
    EXPECT_EQ(reporter.reports[0].lineNumber, 3);
    EXPECT_EQ(word(2), 0x9610);
    EXPECT_EQ(word(3), 0x000A);
    EXPECT_EQ(word(4), 0x0007);
    EXPECT_EQ(word(5), 0x0006);
    EXPECT_EQ(image.lineOf(6), 0u);
}

TEST_F(EncodeTest, OperandEndingInColonIsUndefined) {
    ASSERT_TRUE(assemble("L1: NOP\n MVL L1:\n"));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 5);
    EXPECT_EQ(reporter.reports[0].detail, "L1:");
}

TEST_F(EncodeTest, FfFillAboveTheHighestAddress) {
    options.fill = ImageFill::FF;
    ASSERT_TRUE(assemble(" NOP\n NOP\n"));
    EXPECT_EQ(image.highestAddress(), 1);
    EXPECT_EQ(word(1), 0x0000);
    EXPECT_EQ(word(2), 0xFFFF);
    EXPECT_EQ(word(ProgramImage::kCellCount - 1), 0xFFFF);
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

TEST_F(EncodeTest, OrgBeyondMemoryThenFixUps) {
    ASSERT_TRUE(assemble("        NOP\n        MVL     FOO\n        ORG     2000H\n"));
    EXPECT_THAT(codes(), ::testing::ElementsAre(11, 5));
}

} // namespace
} // namespace zerka::test
