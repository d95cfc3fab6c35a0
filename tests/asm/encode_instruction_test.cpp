// Instruction encoding: two-word forms, relative branches, object lines, the WDT vector
// workaround and the macro-call records.
#include "asm/encode_fixture.h"

namespace zerka::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(EncodeTest, TwoWordFormsGetTheirNopfLines) {
    chip.romWords = 0x8000;
    ASSERT_TRUE(assemble(" JMP FAR\n CALL FAR, 1\n MVFF 10H, 20H\n MVLP 1234H\n LDPR 345H, 2\n"
                         " ORG 1234H\nFAR: NOP\n"));
    EXPECT_THAT(codes(), IsEmpty());
    const std::vector<uint16_t> expect = {0xC201, 0xF234, 0xC101, 0xF234, 0xD010,
                                          0xF020, 0x0901, 0xF234, 0x000E, 0xF345};
    for (size_t a = 0; a < expect.size(); ++a)
        EXPECT_EQ(word(int32_t(a)), expect[a]) << "address " << a;

    const auto list = lineList();
    ASSERT_GE(list.size(), 10u);
    EXPECT_EQ(list[1]->workingText, "NOPF    FAR");
    EXPECT_EQ(list[3]->workingText, "NOPF    FAR");
    EXPECT_EQ(list[5]->workingText, "NOPF    20H");
    EXPECT_EQ(list[7]->workingText, "NOPF    1234H");
    EXPECT_EQ(list[9]->workingText, "NOPF    345H");
    EXPECT_TRUE(list[0]->twoWord[1]); // JMP: kind 2
    EXPECT_TRUE(list[2]->twoWord[2]); // CALL: kind 3
    EXPECT_TRUE(list[4]->twoWord[0]); // MVFF: kind 1
    EXPECT_TRUE(list[6]->twoWord[3]); // MVLP: kind 4
    EXPECT_TRUE(list[8]->twoWord[4]); // LDPR: kind 5
    // The second word shares the instruction's file and line and is marked with its kind.
    EXPECT_TRUE(list[1]->secondWord[1]);
    EXPECT_TRUE(list[3]->secondWord[2]);
    EXPECT_TRUE(list[5]->secondWord[0]);
    EXPECT_TRUE(list[7]->secondWord[3]);
    EXPECT_TRUE(list[9]->secondWord[4]);
    EXPECT_EQ(list[9]->lineNumber, 5);
    EXPECT_EQ(list[9]->fileIndex, 0);
    EXPECT_EQ(list[9]->address, 9);
    // Only JMP and CALL are candidates for the smart compiler.
    ASSERT_EQ(longForms.size(), 2u);
    EXPECT_EQ(longForms[0].address, 0);
    EXPECT_EQ(longForms[1].address, 2);
}

TEST_F(EncodeTest, AnExistingNopfServesAsTheSecondWord) {
    ASSERT_TRUE(assemble(" JMP 5\n NOPF 5\n NOP\n"));
    EXPECT_EQ(lines.count(), 3u);
    EXPECT_EQ(word(0), 0xC200);
    EXPECT_EQ(word(1), 0xF005);
    EXPECT_EQ(word(2), 0x0000);
}

TEST_F(EncodeTest, EightBitBranchRange) {
    // Forward: offset 127 is the last one in reach.
    ASSERT_TRUE(assemble(" JZ T\n" + repeat(" NOP\n", 127) + "T: NOP\n"));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(word(0), 0x717F);

    lines.clear();
    files.clear();
    openFiles.clear();
    ASSERT_TRUE(assemble(" JZ T\n" + repeat(" NOP\n", 128) + "T: NOP\n"));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 23);
    EXPECT_EQ(reporter.reports[0].detail, "JZ     T");
    EXPECT_EQ(reporter.reports[0].lineNumber, 1);
    EXPECT_EQ(word(0), 0x7100);

    // Backward: offset -128.
    reporter.reports.clear();
    lines.clear();
    files.clear();
    openFiles.clear();
    ASSERT_TRUE(assemble("B: NOP\n" + repeat(" NOP\n", 126) + " JNZ B\n"));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_EQ(word(127), 0x7580);
}

TEST_F(EncodeTest, ElevenBitBranchRange) {
    ASSERT_TRUE(assemble("SELF: RJ SELF\n RCALL FWD\n" + repeat(" NOP\n", 1023) +
                         "FWD: RJ TOOFAR\n" + repeat(" NOP\n", 1024) + "TOOFAR: NOP\n"));
    EXPECT_EQ(word(0), 0x7FFF);
    EXPECT_EQ(word(1), 0xCBFF); // offset 1023
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].detail, "RJ     TOOFAR");
}

TEST_F(EncodeTest, EveryUndefinedBranchTargetIsReportedThenTheBranchListStops) {
    ASSERT_TRUE(assemble(" JZ NOWHERE1\n RJ NOWHERE2\nOK: JNZ OK\n"));
    // Each failed target is a pending reference (reported at the fix-ups); resolving the
    // branches then stops at the first one.
    ASSERT_THAT(codes(), ElementsAre(5, 5, 5));
    std::vector<std::string> details;
    for (const EncodeReport& r : reporter.reports)
        details.push_back(r.detail.value_or(""));
    EXPECT_THAT(details, ElementsAre("NOWHERE1", "NOWHERE2", "NOWHERE1"));
    EXPECT_EQ(word(2), 0x7500); // left unresolved after the stop
}

TEST_F(EncodeTest, AnUnknownWordAfterALabelIsAnIllegalSymbol) {
    // A mistyped mnemonic must not vanish without code and without a word.
    ASSERT_TRUE(assemble("LOOP:   MVLL 5\nMVLL 5\nHERE:   ADDL 1\n"));
    ASSERT_THAT(codes(), ElementsAre(8, 8));
    EXPECT_EQ(reporter.reports[0].detail, "MVLL");
    EXPECT_EQ(reporter.reports[0].lineNumber, 1);
    EXPECT_EQ(reporter.reports[1].detail, "MVLL"); // reported once, as the bad label
    EXPECT_EQ(reporter.reports[1].lineNumber, 2);
}

TEST_F(EncodeTest, ObjectLinesAreRelocatedByTheirModuleBase) {
    ASSERT_TRUE(prepare(" NOP\n NOP\n CALL SUB\n"));
    ASSERT_EQ(tables.objectSymbols.add("SUB", "SUB", 0, 'L', 2), kSymAdded);
    const LineClassifier words = makeLineClassifier(&instructions, &macros);
    auto objectLine = [&](std::string_view text, int relocate, uint8_t modifier) {
        SourceLine l;
        l.setText(text);
        l.fileIndex = 1;
        l.isObject = true;
        CutLIParasource(l, words);
        if (relocate > 0) l.relocate[size_t(relocate - 1)] = true;
        l.relocationModifier = modifier;
        ASSERT_TRUE(lines.add(std::move(l), TLinePack::AtEnd));
    };
    objectLine("SUB", 0, 0);
    objectLine("MVL       LOW       0002H", 1, 3);
    objectLine("RJ       07FFH", 0, 0);
    objectLine("JMP       0000H", 1, 0);
    objectLine("NOPF       0005H", 1, 0);
    image.initialise(ImageFill::Zero);
    EncodeEnv env = makeEnv();
    ASSERT_TRUE(EncodePass(env, true, false));
    EXPECT_THAT(codes(), IsEmpty());
    // The module starts at 4: its label SUB is at 2 + 4.
    EXPECT_EQ(tables.objectSymbols.entry(1)->extra, 4);
    EXPECT_EQ(word(2), 0xC000);
    EXPECT_EQ(word(3), 0xF006);
    EXPECT_EQ(word(4), 0x0606); // LOW (2 + 4)
    EXPECT_EQ(word(5), 0x7FFF); // the module's offset -1 kept
    EXPECT_EQ(word(6), 0xC200);
    EXPECT_EQ(word(7), 0xF009);
    EXPECT_EQ(lines.count(), 9u); // object two-word forms bring their own second word
}

TEST_F(EncodeTest, ObjectConstantsReachTheDebuggerTableAndClashesAreReported) {
    ASSERT_TRUE(prepare("K EQU 1\n NOP\n"));
    ASSERT_EQ(tables.objectSymbols.add("KC", "KC", 0, 'C', 9), kSymAdded);
    ASSERT_EQ(tables.objectSymbols.add("K", "K", 0, 'L', 0), kSymAdded);
    for (std::string_view name : {"KC", "K"}) {
        SourceLine l;
        l.setText(name);
        l.fileIndex = 1;
        l.isObject = true;
        l.isLabel = true;
        l.fieldStart[1] = 1;
        l.fieldLength[1] = uint8_t(name.size());
        ASSERT_TRUE(lines.add(std::move(l), TLinePack::AtEnd));
    }
    image.initialise(ImageFill::Zero);
    EncodeEnv env = makeEnv();
    ASSERT_TRUE(EncodePass(env, true, false));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].code, 4);
    EXPECT_EQ(reporter.reports[0].detail, "K");
    const SymbolEntry* kc = tables.debugger.findEntry("KC");
    ASSERT_NE(kc, nullptr);
    EXPECT_EQ(kc->value, 9);
}

class WdtVectorTest : public EncodeTest {
  protected:
    WdtVectorTest() {
        useCore(CoreType::CX4B);
        chip.chipId = 0x71;
        options.wdtJmp0 = true;
    }
    std::vector<std::string> textsFrom(size_t first) const {
        const auto all = texts();
        return {all.begin() + long(first), all.end()};
    }
};

TEST_F(WdtVectorTest, SkipAt3EhGetsThreeLinesBeforeIt) {
    ASSERT_TRUE(assemble(repeat(" NOP\n", 62) + " INSZ 10H, 1\n"));
    EXPECT_THAT(codes(), IsEmpty());
    EXPECT_THAT(textsFrom(62), ElementsAre("NOP     ", "JMP  0041h", "JMP  0000h", " INSZ 10H, 1"));
    const auto list = lineList();
    EXPECT_TRUE(list[62]->isInserted);
    EXPECT_TRUE(list[64]->isInserted);
    EXPECT_FALSE(list[65]->isInserted);
    EXPECT_EQ(list[65]->address, 0x41);
    EXPECT_EQ(word(0x3E), 0x0000);
    EXPECT_EQ(word(0x3F), 0x7841);
    EXPECT_EQ(word(0x40), 0x7800);
}

TEST_F(WdtVectorTest, AnyLineAt3FhGetsTheTwoJumps) {
    ASSERT_TRUE(assemble(repeat(" NOP\n", 62) + " MVL 1\n MVL 2\n"));
    EXPECT_THAT(textsFrom(62), ElementsAre(" MVL 1", "JMP  0041h", "JMP  0000h", " MVL 2"));
    EXPECT_EQ(word(0x3E), 0x0601);
    EXPECT_EQ(word(0x40), 0x7800);
    EXPECT_EQ(word(0x41), 0x0602);
}

TEST_F(WdtVectorTest, OnlyForTheChipAndTheOption) {
    options.wdtJmp0 = false;
    ASSERT_TRUE(assemble(repeat(" NOP\n", 62) + " INSZ 10H, 1\n"));
    EXPECT_EQ(lines.count(), 63u);

    chip.chipId = 0x70;
    options.wdtJmp0 = true;
    lines.clear();
    files.clear();
    openFiles.clear();
    ASSERT_TRUE(assemble(repeat(" NOP\n", 64)));
    EXPECT_EQ(lines.count(), 64u);
}

TEST_F(EncodeTest, MacroCallRecordsLinkCallSitesAndSteps) {
    ASSERT_TRUE(assemble("M1 MACRO\n NOP\n ENDM\nM2 MACRO\n M1\n NOP\n ENDM\n NOP\n M2\n NOP\n"));
    EXPECT_THAT(codes(), IsEmpty());
    const auto list = lineList();
    ASSERT_EQ(list.size(), 8u);
    const SourceLine& m2 = *list[1];
    const SourceLine& m1 = *list[2];
    const SourceLine& body = *list[3];
    ASSERT_TRUE(m2.isMacroCall);
    ASSERT_TRUE(m1.isMacroCall);
    EXPECT_EQ(m2.recordNumber, 1);
    EXPECT_EQ(m2.callSiteLine, 9);
    EXPECT_EQ(m2.outerRecord, 1);
    EXPECT_EQ(m2.expansionStart, 0); // location counter minus 1
    EXPECT_EQ(m2.expansionEnd, 3);
    // M1 opens right at the start of M2's expansion: it is M2's first step.
    EXPECT_EQ(m1.recordNumber, 2);
    EXPECT_EQ(m1.callSiteLine, 9);
    EXPECT_EQ(m1.outerRecord, 1);
    EXPECT_EQ(m2.stepLine, 5);
    EXPECT_EQ(m2.nextRecord, 2);
    EXPECT_EQ(m1.expansionEnd, 2);
    // The first instruction of the expansion steps from M1's call.
    EXPECT_EQ(body.recordNumber, 3);
    EXPECT_EQ(body.callSiteLine, 5);
    EXPECT_EQ(body.outerRecord, 2);
    EXPECT_EQ(body.stepLine, 2);
    EXPECT_EQ(body.nextRecord, 3);
    EXPECT_EQ(m1.stepLine, 2);
    EXPECT_EQ(m1.nextRecord, 3);
    EXPECT_TRUE(m1.callOpen);
    EXPECT_EQ(list[5]->recordNumber, 0); // later lines of the expansion carry no record
}

TEST_F(EncodeTest, MoreThan31OpenCallsIsReported) {
    std::string text = "M0 MACRO\n NOP\n ENDM\n";
    for (int k = 1; k <= 31; ++k)
        text += "M" + std::to_string(k) + " MACRO\n M" + std::to_string(k - 1) + "\n ENDM\n";
    ASSERT_TRUE(assemble(text + " M30\n M31\n"));
    ASSERT_EQ(reporter.reports.size(), 1u); // 31 open calls are fine, 32 are not
    EXPECT_EQ(reporter.reports[0].code, 19);
    EXPECT_EQ(reporter.reports[0].detail, " M0");
    EXPECT_NE(image.lineOf(1), 0u); // both expansions were encoded
}

TEST_F(EncodeTest, NoWordIsWrittenOutsideTheImage) {
    options.assembleOnly = true;
    ASSERT_TRUE(assemble(" ORG 7FFFH\n MVL 1\n MVL 2\n DW 3\n ORG 0-1\n MVL 4\n"));
    EXPECT_THAT(codes(), ElementsAre(11, 11, 11));
    EXPECT_EQ(word(0x7FFF), 0x0601);
    EXPECT_EQ(image.highestAddress(), 0x7FFF);
    EXPECT_EQ(image.locationCounter(), -1);
}

} // namespace
} // namespace zerka::test
