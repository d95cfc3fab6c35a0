// Whole assembly runs: step order, error reports, checks after the passes, information words,
// image fills and the hand-over.
#include <gmock/gmock.h>

#include "asm/assembler.h"
#include "asm/assembler_fixture.h"
#include "core/checksum.h"

namespace zerka::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(AssemblerTest, ChecksumCoversEveryCellOfTheProgramMemory) {
    useChip(0x12, 0, 256);
    const AssemblyResult r = assemble("        DW      1234H\n");
    ASSERT_TRUE(r.success) << (r.reports.empty() ? "" : r.reports[0].text);
    Checksum16 expected;
    expected.add(0x12);
    expected.add(0x34);
    for (int i = 0; i < 255 * 2; ++i)
        expected.add(0);
    EXPECT_EQ(r.checksum, expected.value());
    ASSERT_EQ(r.cells.size(), 256u);
    EXPECT_EQ(r.cells[0].code, 0x1234);
    EXPECT_EQ(r.cells[0].line, 1);
    EXPECT_EQ(r.cells[1].code, 0);
    EXPECT_EQ(r.cells[1].line, 0);
    EXPECT_EQ(r.informationWords[9], r.checksum);
}

TEST_F(AssemblerTest, TwoRunsOfTheSameSourceGiveTheSameResult) {
    const std::string src = "X       EQU     20H\n"
                            "M1      MACRO   A\n"
                            "L1:     DCSZ    A, 1\n"
                            "        JMP     L1\n"
                            "        ENDM\n"
                            "        ORG     0\n"
                            "START:  CLRF    X\n"
                            "        M1      X\n"
                            "        M1      X\n"
                            "        CALL    START\n";
    options.asciiFile = true;
    const AssemblyResult a = assemble(src);
    const std::string lst = dir.read("MAIN.lst"), map = dir.read("MAIN.map");
    const std::string hex = dir.read("MAIN.hex"), asc = dir.read("MAIN.asc");
    const AssemblyResult b = assemble(src);
    ASSERT_TRUE(a.success);
    ASSERT_TRUE(b.success);
    EXPECT_EQ(a.checksum, b.checksum);
    ASSERT_EQ(a.cells.size(), b.cells.size());
    for (size_t i = 0; i < a.cells.size(); ++i)
        ASSERT_EQ(a.cells[i].code, b.cells[i].code) << i;
    ASSERT_EQ(a.symbols.size(), b.symbols.size());
    for (size_t i = 0; i < a.symbols.size(); ++i)
        EXPECT_EQ(a.symbols[i].name, b.symbols[i].name);
    EXPECT_EQ(lst, dir.read("MAIN.lst"));
    EXPECT_EQ(map, dir.read("MAIN.map"));
    EXPECT_EQ(hex, dir.read("MAIN.hex"));
    EXPECT_EQ(asc, dir.read("MAIN.asc"));
    EXPECT_EQ(log.clears, 2); // every run starts with an empty log
}

TEST_F(AssemblerTest, ReportsCarryFileLineAndDetailAndGoToTheErrFile) {
    const AssemblyResult r = assemble("        NOP\n        MVL     FOO\n        ORG     2000H\n");
    ASSERT_FALSE(r.success);
    ASSERT_EQ(r.reports.size(), 2u);
    const std::string main = path("MAIN.ASM");
    // A report without a line names the file used last, with the second format.
    EXPECT_EQ(r.reports[0].text,
              "Error(code:11)   " + main + " : Addresses above 4K not supported.");
    EXPECT_EQ(r.reports[0].line, 0);
    EXPECT_EQ(r.reports[1].text, "Error(code:5)   " + main + " 2: Undefined Symbol [FOO]");
    EXPECT_EQ(r.reports[1].line, 2);
    EXPECT_EQ(r.errorCount, 2);

    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[1].file, main);
    EXPECT_EQ(log.entries[1].line, 2);
    EXPECT_EQ(log.entries[1].text, r.reports[1].text);
    EXPECT_EQ(log.fronts, 1); // the log comes to the front once, at the first error

    EXPECT_EQ(dir.read("MAIN.err"), r.reports[0].text + "\n" + r.reports[1].text + "\n");
    // With errors the listing and the map are still written, the files of the result are not.
    EXPECT_TRUE(exists("MAIN.lst"));
    EXPECT_TRUE(exists("MAIN.map"));
    EXPECT_FALSE(exists("MAIN.hex"));
    EXPECT_TRUE(r.cellsLoaded);
    EXPECT_TRUE(r.informationSet);
    EXPECT_FALSE(r.handOver);
}

TEST_F(AssemblerTest, EveryRepeatedReportIsKeptAndTheListCutsAt160) {
    const std::string longName(150, 'Q');
    const AssemblyResult r =
        assemble("        MVL     " + longName + "\n        MVL     " + longName + "\n");
    ASSERT_EQ(r.reports.size(), 2u);
    EXPECT_GT(r.reports[0].text.size(), 160u);
    ASSERT_EQ(r.errorList.size(), 2u);
    EXPECT_EQ(r.errorList[0], r.reports[0].text.substr(0, 160));
    // The log and the error file get the whole line.
    EXPECT_EQ(log.entries[0].text, r.reports[0].text);
    EXPECT_THAT(dir.read("MAIN.err"), HasSubstr(r.reports[1].text + "\n"));
}

TEST_F(AssemblerTest, AnEarlierErrFileStaysWhenTheRunHasNoError) {
    dir.write("MAIN.err", "old\n");
    const AssemblyResult r = assemble("        NOP\n");
    EXPECT_TRUE(r.success);
    EXPECT_EQ(dir.read("MAIN.err"), "old\n");
    EXPECT_EQ(log.fronts, 0);
}

TEST_F(AssemblerTest, ReadFailureEndsTheRunBeforeAnyOutput) {
    const AssemblyResult r = assemble("        INCLUDE MISSING.INC\n");
    EXPECT_FALSE(r.success);
    EXPECT_THAT(codesOf(r), ElementsAre(1));
    EXPECT_FALSE(r.cellsLoaded);
    EXPECT_FALSE(exists("MAIN.map"));
    EXPECT_TRUE(exists("MAIN.err"));
}

TEST(AssemblerMessages, TextsOfTheCodes) {
    EXPECT_EQ(assemblerMessage(11, 4096), "Addresses above 4K not supported.");
    EXPECT_EQ(assemblerMessage(11, 2560), "Addresses above 2.5K not supported.");
    EXPECT_EQ(assemblerMessage(25, 0), "illegally  Bit");
    EXPECT_EQ(assemblerMessage(19, 0), "Macro nested too deep...(Max:32)");
    EXPECT_EQ(assemblerMessage(3, 0), "Unknown error.");
    EXPECT_EQ(assemblerMessage(52, 0), "In KXAM , PCLATL can not be use before 0040h");
}

TEST_F(AssemblerTest, CodeBeyondTheProgramMemoryOnlyFailsInBuildAndLoad) {
    useChip(0x12, 0, 2560);
    const std::string src = "        ORG     09FFH\n        DW      1, 2\n";
    AssemblyResult r = assemble(src);
    ASSERT_THAT(codesOf(r), ElementsAre(11));
    EXPECT_THAT(r.reports[0].text, HasSubstr(" 2: Addresses above 2.5K not supported."));
    EXPECT_EQ(r.codeExtent, 0xA01); // counts the word that did not fit

    options.mode = AssemblyMode::AssembleOnly;
    r = assemble(src);
    EXPECT_TRUE(r.success);
    EXPECT_TRUE(r.reports.empty());
}

TEST_F(AssemblerTest, OperandChecksOnAddressesAndBits) {
    chip.implementedBits[0x50] = 0x0F;
    chip.implementedBits[0x60] = 0;
    const AssemblyResult r = assemble("        BSF     50H, 3\n"     // bit exists
                                      "        BSF     50H, 5\n"     // 25
                                      "        CLRF    60H\n"        // 24: no such register
                                      "        CLRF    150H\n"       // 24: bank 0 above 255
                                      "        CLRF    150H, 1\n"    // fine
                                      "        CLRF    50H, 1\n"     // 24: bank 1 below 256
                                      "        ADDF    350H, 1, 1\n" // 24
                                      "        MVFF    20H, 350H\n"  // 24 on the NOPF word
                                      "        LDPR    360H, 0\n"    // 24 on the NOPF word
                                      "        DW      0C60H\n");    // data is not checked
    ASSERT_THAT(codesOf(r), ElementsAre(25, 24, 24, 24, 24, 24, 24));
    const std::string main = path("MAIN.ASM");
    EXPECT_EQ(r.reports[0].text, "Error(code:25)   " + main + " 2: illegally  Bit [5]");
    EXPECT_EQ(r.reports[1].text,
              "Error(code:24)   " + main + " 3: illegally Memory or Registor [60H]");
    EXPECT_THAT(r.reports[2].text, HasSubstr(" 4: illegally Memory or Registor [150H]"));
    EXPECT_THAT(r.reports[3].text, HasSubstr(" 6: "));
    EXPECT_THAT(r.reports[4].text, HasSubstr(" 7: "));
    EXPECT_THAT(r.reports[5].text, HasSubstr(" 8: illegally Memory or Registor [350H]"));
    EXPECT_THAT(r.reports[6].text, HasSubstr(" 9: illegally Memory or Registor [360H]"));
}

TEST_F(AssemblerTest, OperandChecksUseDebuggerNamesAndSkipInAssembleOnly) {
    chip.implementedBits[0x60] = 0;
    const std::string src = "REG     EQU     60H\n        CLRF    REG\n";
    AssemblyResult r = assemble(src);
    ASSERT_THAT(codesOf(r), ElementsAre(24));
    options.mode = AssemblyMode::AssembleOnly;
    r = assemble(src);
    EXPECT_TRUE(r.success);
}

TEST_F(AssemblerTest, PclatlWriteBefore0041hOnChip71) {
    useChip(0x71, 1, 2048);
    options.wdtJmp0 = false;
    AssemblyResult r = assemble("        ORG     40H\n        MVF     1BH, 1, 0\n");
    ASSERT_THAT(codesOf(r), ElementsAre(52));
    EXPECT_EQ(r.reports[0].text, "Error(code:52)   " + path("MAIN.ASM") +
                                     " 2: In KXAM , PCLATL can not be use before 0040h");
    r = assemble("        ORG     41H\n        MVF     1BH, 1, 0\n");
    EXPECT_TRUE(r.success);
    // Another chip with the same core is not concerned.
    useChip(0x62, 1, 2048);
    r = assemble("        ORG     40H\n        MVF     1BH, 1, 0\n");
    EXPECT_TRUE(r.success);
}

TEST(AssemblerInformationWords, ChipAndOptionCases) {
    ChipModel chip;
    AssemblyOptions o;
    chip.chipId = 0x21;
    o.acmGroupEnabled = true;
    o.acm10 = true;
    auto w = informationWords(chip, o, 0x130, 0x8024, 0xBEEF);
    EXPECT_EQ(w[0], 0x0680);
    EXPECT_EQ(w[1], 0x2E2E);
    EXPECT_EQ(w[2], 0x780A);
    EXPECT_EQ(w[3], 0);
    EXPECT_EQ(w[5], 0x130);
    EXPECT_EQ(w[6], 0x8024);
    EXPECT_EQ(w[9], 0xBEEF);
    EXPECT_EQ(w[10], 0x642E);
    EXPECT_EQ(w[11], 0x01BF);
    EXPECT_EQ(w[12], 0x662E);
    EXPECT_EQ(w[13], 0xFFFE);
    o.acm10 = false;
    w = informationWords(chip, o, 0, 0, 0);
    EXPECT_EQ(w[0], 0x067F);
    EXPECT_EQ(w[1], 0x2A2E);

    chip.chipId = 0x12;
    w = informationWords(chip, o, 0, 0, 0);
    EXPECT_EQ(w[0], 0x0680);
    EXPECT_EQ(w[1], 0x2E38);
    EXPECT_EQ(w[2], 0x7807);
    o.acm10 = true;
    o.programProtect = true;
    w = informationWords(chip, o, 0, 0, 0);
    EXPECT_EQ(w[0], 0x067F);
    EXPECT_EQ(w[1], 0x2A38);
    EXPECT_EQ(w[13], 0xF7FE);

    o.acmGroupEnabled = false;
    chip.coreVariant = 1;
    chip.chipId = 0x62;
    w = informationWords(chip, o, 0, 0, 0);
    EXPECT_EQ(w[0], 0);
    EXPECT_EQ(w[1], 0);
    EXPECT_EQ(w[2], 0x787C);
}

TEST_F(AssemblerTest, RunSetsTheInformationWordsEvenWithErrors) {
    block[3] = 0x1111;
    const AssemblyResult r = assemble("        MVL     FOO\n");
    ASSERT_TRUE(r.informationSet);
    EXPECT_EQ(r.informationBlock[3], 0x1111);
    EXPECT_EQ(r.informationBlock[123], r.checksum);
    EXPECT_EQ(r.informationBlock[120], 0x8024);
}

TEST_F(AssemblerTest, SelfEromPageWritesKeepAtMostEleven) {
    chip.selfEromMode = 1;
    chip.selfEromPage = 0x60;
    std::string src;
    for (int i = 0; i < 13; ++i)
        src += "        BSF     60H, 1\n";
    src += "        BSF     61H, 1\n";
    const AssemblyResult r = assemble(src);
    ASSERT_TRUE(r.success);
    ASSERT_EQ(r.selfEromWrites.size(), 11u);
    EXPECT_EQ(r.selfEromWrites[0].address, 0);
    EXPECT_EQ(r.selfEromWrites[0].line, 1);
    EXPECT_EQ(r.selfEromWrites[10].address, 10);
    EXPECT_EQ(r.selfEromWrites[10].line, 11);
}

TEST_F(AssemblerTest, ImageFills) {
    useChip(0x12, 0, 256);
    const std::string src =
        "        ORG     0\n        DW      1\n        ORG     10H\n        DW      2\n";
    options.fill = ImageFill::FF;
    AssemblyResult r = assemble(src);
    ASSERT_TRUE(r.success);
    EXPECT_EQ(r.cells[1].code, 0xFFFF);
    EXPECT_EQ(r.cells[0x10].code, 2);
    EXPECT_EQ(r.cells[0xFF].code, 0xFFFF);

    options.fill = ImageFill::Jmp0;
    r = assemble(src);
    EXPECT_EQ(r.cells[2].code, 0xC200);
    EXPECT_EQ(r.cells[3].code, 0xF000);

    // Under the smart compiler only "FF" survives, and only above the highest address.
    options.smartCompiler = true;
    r = assemble(src);
    ASSERT_TRUE(r.success);
    EXPECT_EQ(r.cells[2].code, 0x0000);
    EXPECT_EQ(r.cells[0x20].code, 0x0000);
    options.fill = ImageFill::FF;
    r = assemble(src);
    EXPECT_EQ(r.cells[2].code, 0x0000);
    EXPECT_EQ(r.cells[0x11].code, 0xFFFF);
}

TEST_F(AssemblerTest, OutputFileThatCannotBeCreatedIsCode2) {
    std::filesystem::create_directories(dir.path() / "MAIN.map");
    const AssemblyResult r = assemble("        NOP\n");
    ASSERT_THAT(codesOf(r), ElementsAre(2));
    EXPECT_THAT(r.reports[0].text, HasSubstr("Couldn't open file [" + path("MAIN.map") + "]"));
    EXPECT_FALSE(r.success);
    EXPECT_FALSE(exists("MAIN.hex")); // the error count is tested after the map
}

// Records the hand-over calls in order.
struct Recorder : AssemblyReceiver {
    std::vector<std::string> calls;
    std::vector<std::string> files;
    bool refuse = false;
    int cells = 0;
    void ClearSourceView() override { calls.push_back("clearView"); }
    void ClearProgramMemory() override { calls.push_back("clearMemory"); }
    bool LoadProgramCell(uint32_t, uint16_t, uint16_t, uint8_t) override {
        if (cells++ == 0) calls.push_back("cells");
        return true;
    }
    void ShowChecksum(uint16_t) override { calls.push_back("checksum"); }
    void SetInformationWord(int index, uint16_t) override {
        if (index == 127) calls.push_back("info");
    }
    void ResetCpu() override { calls.push_back("reset"); }
    void ClearSymbols() override { calls.push_back("clearSymbols"); }
    void AddSymbol(const SymbolEntry& s) override { calls.push_back("symbol " + s.name); }
    bool AddSourceFile(const std::string& p) override {
        files.push_back(p);
        return !refuse;
    }
    bool CreateMacroTable() override {
        calls.push_back("macroTable");
        return true;
    }
    void SetRowValue(int file, int32_t row, uint32_t value, int which) override {
        calls.push_back("row " + std::to_string(file) + " " + std::to_string(row) + " " +
                        std::to_string(value) + " " + std::to_string(which));
    }
    void SetAddressRecord(uint32_t address, uint16_t record) override {
        calls.push_back("addrRec " + std::to_string(address) + " " + std::to_string(record));
    }
    void SetMacroRecord(uint16_t record, const MacroRecord& data) override {
        calls.push_back("macroRec " + std::to_string(record) + " " + std::to_string(data[1]));
    }
};

TEST_F(AssemblerTest, HandOverInTheOrderOfTheRun) {
    const AssemblyResult r = assemble("K       EQU     5\n"
                                      "M1      MACRO\n"
                                      "        NOP\n"
                                      "        ENDM\n"
                                      "        M1\n");
    ASSERT_TRUE(r.success);
    Recorder rec;
    EXPECT_TRUE(HandOverAssembly(r, rec));
    EXPECT_EQ(rec.cells, 4096);
    EXPECT_THAT(rec.files, ElementsAre(path("MAIN.ASM")));
    std::vector<std::string> expected = {"clearView",    "clearMemory", "cells",
                                         "checksum",     "info",        "reset",
                                         "clearSymbols", "symbol K",    "macroTable"};
    // Then the line map: the EQU line, the call line with its record, the expanded body.
    const std::vector<std::string> rest(rec.calls.begin() + long(expected.size()), rec.calls.end());
    rec.calls.resize(expected.size());
    EXPECT_EQ(rec.calls, expected);
    EXPECT_EQ(rest.front(), "row 1 1 1048575 0");
    EXPECT_THAT(rest, ::testing::Contains("row 1 5 1 1"));
    EXPECT_THAT(rest, ::testing::Contains("row 1 3 4294967295 0")); // the expanded copy
    EXPECT_THAT(rest, ::testing::Contains("macroRec 2 1"));
}

TEST_F(AssemblerTest, HandOverOfAFailedRunOnlyLoadsCellsAndWords) {
    const AssemblyResult r = assemble("        MVL     FOO\n");
    Recorder rec;
    EXPECT_FALSE(HandOverAssembly(r, rec));
    EXPECT_THAT(rec.calls, ElementsAre("clearView", "clearMemory", "cells", "checksum", "info"));
}

TEST_F(AssemblerTest, HandOverEndsWhenTheSourceViewRefusesAFile) {
    dir.write("PART.INC", "        NOP\n");
    const AssemblyResult r = assemble("        INCLUDE PART.INC\n        NOP\n");
    ASSERT_TRUE(r.success);
    Recorder rec;
    rec.refuse = true;
    EXPECT_FALSE(HandOverAssembly(r, rec));
    EXPECT_EQ(rec.files.size(), 1u);
    EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "macroTable"), 0);
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

struct CodeCase {
    const char* source;
    int line;            // 0: a report without a line
    const char* message; // after "Error(code:%d)   path line: "
};

// The exact texts of the codes the reading, the pass and the driver raise, through whole runs.
TEST_F(AssemblerTest, ExactTextOfEveryReportedCode) {
    dir.write("INC.INC", "        NOP\n");
    const std::vector<std::pair<int, CodeCase>> cases = {
        {4, {"A:      NOP\nA:      NOP\n", 2, "Duplicate label or redefining symbol [A]"}},
        {8, {"X       NOP\n", 1, "Illegal Symbol [X]"}},
        {9, {"        LBSR    16\n", 1, "Illegal argument [16]"}},
        {10,
         {"        NOP\n        ORG     0\n        NOP\n", 3,
          "Overwriting previous address contents."}},
        {13, {"        MVL\n", 1, "Missing argument..."}},
        {14, {"        NOP     1\n", 1, "Too many arguments..."}},
        {16, {"        ENDM\n", 1, "Illegal Macro... [ENDM]"}},
        {20,
         {"        INCLUDE INC.INC\n        INCLUDE INC.INC\n", 2, "Circular file reference..."}},
        {23,
         {"        JZ      FAR\n        ORG     200H\nFAR:    NOP\n", 1,
          "Over Range [JZ     FAR]"}},
        {26, {"X       DS      1000H\n", 1, "Memory Over [X]"}},
    };
    for (const auto& [code, c] : cases) {
        const AssemblyResult r = assemble(c.source);
        ASSERT_FALSE(r.reports.empty()) << "code " << code;
        const AssemblyError& e = r.reports[0];
        EXPECT_EQ(e.code, code) << e.text;
        std::string prefix = "Error(code:" + std::to_string(code) + ")   " + path("MAIN.ASM");
        prefix += c.line ? " " + std::to_string(c.line) + ": " : " : ";
        if (code == 20) {
            EXPECT_EQ(e.text.rfind(prefix + c.message + " [", 0), 0u) << e.text;
        } else {
            EXPECT_EQ(e.text, prefix + c.message) << "code " << code;
        }
    }
}

TEST_F(AssemblerTest, AnInstructionOfTheOtherCoreIsNamedForAHint) {
    useChip(0x12, 1, 4096); // a CX4B chip: MULL belongs to CX4A only
    AssemblyResult r = assemble("        MULL    5\nLOOP:   MULL    6\n        NOP\n");
    EXPECT_THAT(codesOf(r), ElementsAre(8, 8));
    EXPECT_EQ(r.otherCoreMnemonic, "MULL");
    r = assemble("        MVLX    5\n");
    EXPECT_THAT(codesOf(r), ElementsAre(8));
    EXPECT_EQ(r.otherCoreMnemonic, "");
}

} // namespace
} // namespace zerka::test
