// The output files of small programs against golden files, the name rule, the file sizes and
// the object module's round trip through the object reader.
#include <gmock/gmock.h>

#include <cstdlib>
#include <fstream>

#include "asm/assembler_fixture.h"
#include "asm/object_reader.h"
#include "core/atomic_file.h"

namespace zerka::test {
namespace {

using ::testing::ElementsAre;

std::filesystem::path goldenPath(std::string_view name) {
    return sourceDir() / "tests" / "asm" / "golden" / name;
}

// Compares with the golden file; ZERKA_UPDATE_GOLDEN=1 writes it instead.
void expectGolden(std::string_view name, const std::string& actual) {
    const auto p = goldenPath(name);
    if (std::getenv("ZERKA_UPDATE_GOLDEN")) {
        ASSERT_TRUE(writeFileAtomic(p, actual));
        return;
    }
    std::string expected;
    ASSERT_TRUE(readFileBytes(p, expected)) << "missing golden file " << p;
    EXPECT_EQ(actual, expected) << "differs from " << p;
}

const char* kGoldenProgram = "; golden test program\n"
                             "\n"
                             "COUNT   EQU     20H\n"
                             "BUF     DS      2\n"
                             "M2      MACRO   R\n"
                             "        CLRF    R\n"
                             "        INF     R, 1\n"
                             "        ENDM\n"
                             "\n"
                             "        ORG     0\n"
                             "START:  MVL     5          ; load\n"
                             "        M2      COUNT\n"
                             "        CALL    SUB\n"
                             "LOOP:   JZ      LOOP\n"
                             "        DB      1, 2, 3\n"
                             "        INCLUDE PART.INC\n"
                             "SUB:    RET\n"
                             "\n"
                             "; not stored after the last line\n";

class OutputFilesTest : public AssemblerTest {
  protected:
    OutputFilesTest() {
        useChip(0x12, 0, 256);
        options.asciiFile = true;
        options.objectFile = true;
        dir.write("PART.INC", "        NOP\n");
    }
};

TEST_F(OutputFilesTest, GoldenListingMapAsciiHexEehAndObject) {
    options.eehFile = true;
    const AssemblyResult r = assemble(kGoldenProgram);
    ASSERT_TRUE(r.success) << (r.reports.empty() ? "" : r.reports[0].text);
    expectGolden("program.lst", dir.read("MAIN.lst"));
    expectGolden("program.map", dir.read("MAIN.map"));
    expectGolden("program.asc", dir.read("MAIN.asc"));
    expectGolden("program.hex", dir.read("MAIN.hex"));
    expectGolden("program.obj", dir.read("MAIN.obj"));
    expectGolden("program.EEH", dir.read("MAIN.EEH"));
}

TEST_F(OutputFilesTest, GoldenListingOfTheSmartCompiler) {
    options.smartCompiler = true;
    const AssemblyResult r = assemble(kGoldenProgram);
    ASSERT_TRUE(r.success);
    expectGolden("smart.lst", dir.read("MAIN.lst"));
}

TEST_F(OutputFilesTest, GoldenMapWithObjectLabels) {
    // A module with a GLOBAL label and a GLOBAL data name, included by another program.
    dir.write("MOD.ASM", "        GLOBAL  ENTRY, VAR\n"
                         "VAR     DS      3\n"
                         "        NOP\n"
                         "ENTRY:  RET\n");
    AssemblyContext ctx;
    ctx.chip = &chip;
    ctx.instructions = &instructions;
    ASSERT_TRUE(Assemble(dir.path() / "MOD.ASM", ctx, options).success);
    const AssemblyResult r =
        assemble("        NOP\n        INCLUDE MOD.OBJ\nHERE:   CALL    ENTRY\n");
    ASSERT_TRUE(r.success) << (r.reports.empty() ? "" : r.reports[0].text);
    expectGolden("objects.map", dir.read("MAIN.map"));
}

TEST_F(OutputFilesTest, ListingOfLeadingEmptyLines) {
    options.objectFile = false;
    ASSERT_TRUE(assemble("\n\n        NOP\n").success);
    EXPECT_EQ(dir.read("MAIN.lst"),
              "\nline--addr--code----instruction-------------------------------------\n\n"
              "0001                \n"
              "0002                \n"
              "0003  0000  0000            NOP\n");
}

TEST_F(OutputFilesTest, NamesFollowTheFirstDotAmongTheLastFourCharacters) {
    options.objectFile = false;
    ASSERT_TRUE(assemble("        NOP\n", "DEMO.SOURCE").success);
    EXPECT_TRUE(exists("DEMO.SOURCE.lst"));
    EXPECT_TRUE(exists("DEMO.SOURCE.map"));
    EXPECT_TRUE(exists("DEMO.SOURCE.hex"));
    ASSERT_TRUE(assemble("        NOP\n", "DEMO.ASM").success);
    EXPECT_TRUE(exists("DEMO.lst"));
    EXPECT_TRUE(exists("DEMO.asc"));
}

TEST_F(OutputFilesTest, HexAndEehSizesAndInformationBlock) {
    useChip(0x21, 0, 4096);
    chip.acm = AcmSetting{0x2E, 7, false, 7};
    options.eehFile = true;
    options.objectFile = false;
    options.acmGroupEnabled = true;
    options.acm10 = true;
    block[0] = 0xABCD;
    block[200] = 0x1234;
    const AssemblyResult r = assemble("        DW      0BEEFH\n");
    ASSERT_TRUE(r.success);
    const std::string hex = dir.read("MAIN.hex");
    const std::string eeh = dir.read("MAIN.EEH");
    ASSERT_EQ(hex.size(), 8704u);
    ASSERT_EQ(eeh.size(), 16640u);
    auto word = [](const std::string& s, size_t i) {
        return uint16_t((uint8_t(s[2 * i]) << 8) | uint8_t(s[2 * i + 1]));
    };
    EXPECT_EQ(word(hex, 0), 0xBEEF);
    const size_t info = 4096;
    EXPECT_EQ(word(hex, info + 0), 0xABCD);
    EXPECT_EQ(word(hex, info + 109), 0x21);
    EXPECT_EQ(word(hex, info + 114), 0x067F); // 0600h + (NOT 80h AND FFh)
    EXPECT_EQ(word(hex, info + 115), 0x2A2E);
    EXPECT_EQ(word(hex, info + 116), 0x7807);
    EXPECT_EQ(word(hex, info + 119), 0x130);
    EXPECT_EQ(word(hex, info + 123), r.checksum);
    EXPECT_EQ(word(hex, info + 127), 0xFFFE);
    EXPECT_EQ(word(hex, info + 200), 0x1234);
    // Stored back into the block; the flag 0 keeps the file's pair.
    EXPECT_EQ(r.informationBlock[109], 0x21);
    EXPECT_EQ(r.informationBlock[114], 0x067F);
    EXPECT_EQ(r.informationBlock[116], 0x7807);

    EXPECT_EQ(word(eeh, 0), 0xBEEF);
    EXPECT_EQ(word(eeh, 4096), 0); // padding up to 8192 words
    EXPECT_EQ(word(eeh, 8192), 0xABCD);
    EXPECT_EQ(word(eeh, 8192 + 109), 0x21);
    EXPECT_EQ(word(eeh, 8192 + 114), 0x0680); // the run's own words
    EXPECT_EQ(word(eeh, 8192 + 115), 0x2E2E);
    EXPECT_EQ(word(eeh, 8192 + 116), 0x780A);
    EXPECT_EQ(word(eeh, 8192 + 124), 0xFFFF);
    EXPECT_EQ(word(eeh, 8192 + 126), 0xFFFF);
    EXPECT_EQ(word(eeh, 8192 + 127), 0xFFFE);
}

TEST_F(OutputFilesTest, HexBlockTakesTheOtherAcmPairWhenTheFlagIsSet) {
    chip.acm = AcmSetting{0x138, 3, true, 5};
    options.acmGroupEnabled = true;
    options.acm10 = false;
    options.objectFile = false;
    const AssemblyResult r = assemble("        NOP\n");
    const std::string hex = dir.read("MAIN.hex");
    auto word = [&](size_t i) {
        return uint16_t((uint8_t(hex[2 * (256 + i)]) << 8) | uint8_t(hex[2 * (256 + i) + 1]));
    };
    EXPECT_EQ(word(114), 0x0608);
    EXPECT_EQ(word(115), 0x2E38);
    EXPECT_EQ(word(116), 0x7805);
    EXPECT_EQ(r.informationBlock[114], 0x06F7);
    EXPECT_EQ(r.informationBlock[115], 0x2A38);
}

TEST_F(OutputFilesTest, ObjectModuleOfOneGlobalLabel) {
    const AssemblyResult r = assemble("        GLOBAL  TOP\n"
                                      "        ORG     10H\n"
                                      "TOP:    NOP\n"
                                      "        NOP\n");
    ASSERT_TRUE(r.success);
    const std::string obj = dir.read("MAIN.obj");
    const std::string global = "\x84L0003TOP\x85\x86"
                               "00000010\x87";
    ASSERT_EQ(obj.substr(0, global.size()), global);
    const std::string header = "\x80"
                               "00000011\x81\x82";
    ASSERT_EQ(obj.substr(global.size(), header.size()), header);
    const size_t records = obj.size() - global.size() - header.size() - 1;
    EXPECT_EQ(records, 18u * kObjectRecordSize);
    EXPECT_EQ(uint8_t(obj.back()), 0x88);
}

// A program split into a main file and an included object module assembles to the same image
// as the same program in one file.
TEST_F(OutputFilesTest, ObjectModuleReadsBackIntoTheSameProgram) {
    // The module lands above 0FFFh, so the first words of its long forms carry bits 19..12,
    // both for its own labels (relocated) and for the externals (whole targets).
    useChip(0x12, 0, 8192);
    const std::string module = "        GLOBAL  FAR, DATA\n"
                               "        EXTERN  MAINL, SETFLAG\n"
                               "DATA    DS      2\n"
                               "FAR:    MVL     LOW FAR\n"
                               "        MVL     HIGH FAR\n"
                               "        MVL     LOW NEXT+1\n"
                               "NEXT:   RJ      DONE\n"
                               "        RCALL   DONE\n"
                               "        CALL    NEXT\n"
                               "        JMP     MAINL\n"
                               "        CALL    SETFLAG\n"
                               "        MVLP    MAINL\n"
                               "DONE:   RET\n";
    dir.write("MOD.ASM", module);
    AssemblyContext ctx;
    ctx.chip = &chip;
    ctx.instructions = &instructions;
    AssemblyOptions moduleOptions = options;
    moduleOptions.mode = AssemblyMode::AssembleOnly; // the externals stay open in the module
    const AssemblyResult m = Assemble(dir.path() / "MOD.ASM", ctx, moduleOptions);
    ASSERT_TRUE(m.success) << (m.reports.empty() ? "" : m.reports[0].text);

    options.objectFile = false;
    const AssemblyResult split = assemble("        GLOBAL  MAINL, SETFLAG\n"
                                          "        CALL    FAR\n"
                                          "        ORG     23H\n"
                                          "SETFLAG: RET\n"
                                          "        ORG     1234H\n"
                                          "MAINL:  NOP\n"
                                          "        INCLUDE MOD.OBJ\n"
                                          "        JMP     FAR\n");
    ASSERT_TRUE(split.success) << (split.reports.empty() ? "" : split.reports[0].text);

    std::string single = "        CALL    FAR\n        ORG     23H\nSETFLAG: RET\n"
                         "        ORG     1234H\nMAINL:  NOP\n";
    single += module.substr(module.find("DATA    DS"));
    single += "        JMP     FAR\n";
    const AssemblyResult whole = assemble(single, "WHOLE.ASM");
    ASSERT_TRUE(whole.success) << (whole.reports.empty() ? "" : whole.reports[0].text);
    ASSERT_EQ(split.cells.size(), whole.cells.size());
    for (size_t a = 0; a < split.cells.size(); ++a)
        EXPECT_EQ(split.cells[a].code, whole.cells[a].code) << "address " << a;
    EXPECT_EQ(split.checksum, whole.checksum);
    // CALL SETFLAG (0023h) from the module: C000 F023, not a call to 23023h.
    EXPECT_EQ(split.cells[0x123E].code, 0xC000);
    EXPECT_EQ(split.cells[0x123F].code, 0xF023);
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

TEST_F(OutputFilesTest, ListingMarksTheInsertedWdtVectorLines) {
    useChip(0x71, 1, 2048);
    options.wdtJmp0 = true;
    options.objectFile = false;
    ASSERT_TRUE(
        assemble("; wdt\n        ORG     3EH\n        BTSZ    80H, 1\n        NOP\n").success);
    EXPECT_EQ(dir.read("MAIN.lst"),
              "\nline--addr--code----instruction-------------------------------------\n\n"
              "0001                ; WDT\n"
              "0002                        ORG     3EH\n"
              "IM   003E  0000    NOP     \n"
              "IM   003F  7841    JMP  0041h\n"
              "IM   0040  7800    JMP  0000h\n"
              "0003  0041  A280            BTSZ    80H, 1\n"
              "0004  0042  0000            NOP\n");
}

} // namespace
} // namespace zerka::test
