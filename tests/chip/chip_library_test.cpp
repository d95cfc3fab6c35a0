#include "chip/chip_library.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zerka;
using zerka::test::TempDir;

namespace {

// A library folder with a chip list naming A.INC, B.INC and C.INC.
class ChipLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write(
            "ZkSel.INC",
            "V1.2 test library\r\nA.INC KXA100 (4K)\nB.INC KXB200 (8K) extra\nC.INC KXC300 (2K)\n");
    }
    // Writes `text` as A.INC and loads chip 0.
    bool load(const std::string& text, const ChipLoadContext& ctx = {}) {
        dir.write("A.INC", text);
        return library.GetSELUP(0, model, ctx);
    }

    TempDir dir;
    ChipLibrary library{dir.path()};
    ChipModel model;
};

} // namespace

TEST_F(ChipLibraryTest, ChipListHoldsVersionTextsAndEndsAtAShortFirstWord) {
    dir.write("ZkSel.INC", "V1.2 test library\nA.INC KXA100 (4K)\nB.INC KXB200 (8K) extra\nAB KX "
                           "(1K)\nC.INC KXC300 (2K)\n");
    ASSERT_TRUE(library.buildChipList());
    EXPECT_EQ(library.chipListVersion(), "V1.2 test library");
    EXPECT_EQ(library.chipListVersionNumber(), 0x120u);
    ASSERT_EQ(library.entries().size(), 2u);
    EXPECT_EQ(library.entries()[1].fileName, "B.INC");
    EXPECT_EQ(library.entries()[1].name, "KXB200");
    EXPECT_EQ(library.chipSelectorTexts(),
              (std::vector<std::string>{"KXA100  (4K)", "KXB200  (8K)"}));
    EXPECT_EQ(library.otherSelectorTexts(), library.chipSelectorTexts());
    EXPECT_EQ(library.findChipByName("kxb200"), 1);
    EXPECT_FALSE(library.findChipByName("KXC300").has_value());

    dir.write("ZkSel.INC", "V1.2\nA.INC KXA100 (4K)\n\nB.INC KXB200 (8K)\n");
    ASSERT_TRUE(library.buildChipList());
    EXPECT_EQ(library.entries().size(), 1u) << "an empty line ends the list";
}

TEST_F(ChipLibraryTest, ByteOrderMarkIsNotPartOfTheFirstLine) {
    dir.write("ZkSel.INC", "\xEF\xBB\xBFV1.2\nA.INC KXA100 (4K)\n");
    ASSERT_TRUE(library.buildChipList());
    EXPECT_EQ(library.chipListVersion(), "V1.2");
    EXPECT_EQ(library.chipListVersionNumber(), 0x120u);
    ASSERT_TRUE(load("\xEF\xBB\xBF#ID\n42H\n"));
    EXPECT_EQ(model.chipId, 0x42);
}

TEST(ChipListVersion, DerivedNumberUsesSecondAndFourthCharacters) {
    EXPECT_EQ(chipListVersionNumberOf("V1.2"), 0x120u);
    EXPECT_EQ(chipListVersionNumberOf("VA.F build"), 0xAF0u);
    EXPECT_EQ(chipListVersionNumberOf("V1"), 0u);
    EXPECT_EQ(chipListVersionNumberOf("VX.Y"), 0u);
}

TEST(ChipLibraryMissing, FallbackEntriesAndEveryLoadFails) {
    TempDir dir;
    ChipLibrary library{dir.path()};
    std::string error;
    EXPECT_FALSE(library.buildChipList(&error));
    EXPECT_NE(error.find("ZkSel.INC"), std::string::npos);
    EXPECT_EQ(
        library.chipSelectorTexts(),
        (std::vector<std::string>{"CHIPA (16k)", "CHIPB  (8k)", "CHIPC  (4k)", "CHIPD  (2k)"}));
    EXPECT_TRUE(library.otherSelectorTexts().empty());

    ChipModel model;
    model.chipId = 0x33;
    model.emulatorIds = {1, 2};
    model.implementedBits[5] = 0xFF;
    int resets = 0, loads = 0;
    library.chipReset.connect([&](const ChipReset&) { ++resets; });
    library.chipLoaded.connect([&](const ChipLoaded&) { ++loads; });
    EXPECT_FALSE(library.GetSELUP(0, model));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(model.chipId, 0x33) << "only the first resets apply";
    EXPECT_TRUE(model.emulatorIds.empty());
    EXPECT_EQ(model.implementedBits[5], 0);
    EXPECT_EQ(library.FindChipById(0x33).found, false);
}

TEST_F(ChipLibraryTest, MissingDescriptionFileFailsAndKeepsTheModel) {
    ASSERT_TRUE(load("#ID\n21H\n#ROM\n8192\n#SIMIC\n8024H\n"));
    std::string error;
    EXPECT_FALSE(library.GetSELUP(1, model, {}, &error)); // B.INC does not exist
    EXPECT_NE(error.find("B.INC"), std::string::npos);
    EXPECT_EQ(model.chipId, 0x21);
    EXPECT_EQ(model.romWords, 8192u);
    EXPECT_TRUE(model.emulatorIds.empty());
    EXPECT_FALSE(library.GetSELUP(7, model)); // beyond the list
    EXPECT_FALSE(library.GetSELUP(-1, model));
}

TEST_F(ChipLibraryTest, DescriptionNamesUseEitherSeparatorAndAnyCase) {
    dir.write("ZkSel.INC", "V1.0\nSUB\\KXA.INC KXA100 (4K)\nsub/kxb.inc KXB200 (8K)\n");
    dir.write("Sub/Kxa.Inc", "#ID\n10H\n");
    dir.write("Sub/kxb.inc", "#ID\n20H\n");
    ASSERT_TRUE(library.buildChipList());
    ASSERT_TRUE(library.GetSELUP(0, model));
    EXPECT_EQ(model.chipId, 0x10);
    ASSERT_TRUE(library.GetSELUP(1, model));
    EXPECT_EQ(model.chipId, 0x20);
    const FindChipResult found = library.FindChipById(0x20);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.index, 1);
}

TEST_F(ChipLibraryTest, ScalarKeywordsAndTheirLimits) {
    ASSERT_TRUE(load("; comment before any section\n"
                     "#PRODUct\nkxa100\n#COMPILER\ncx4a\n#ROM\n200\n#STACK\n2\n#SBMADDR\n200\n"
                     "#REG0\n0 2FH\n#REG1\n30H 3FH\n#SBMBANK\n3\n#SELFEROM\n3 1234H 10H X 12H\n"
                     "#SBMROM\n1 2 3 4 300\n#SBMSTART\n12345678H\n#SBMSECTOR\n4\n"
                     "#HAO\n1 2 0 4000000 1000000 3000000 7\n#LAO\n30000 40000\n#TRISC\n47H 9\n"
                     "#MCKCN\n0x 1\n#ACM\n60H 3 1 1 1 0\n#STACKOVER\n2CH 5 1 0\n#BIEBANK\n2\n"
                     "#NUMBER\n1FFH\n#SUBID\nanything at all\n#REG3BYTE\nA\n\nB\n"));
    EXPECT_EQ(model.productName, "KXA100");
    EXPECT_EQ(model.compilerName, "CX4A");
    EXPECT_EQ(model.coreVariant, 0);
    EXPECT_EQ(model.romWords, 4096u);
    EXPECT_EQ(model.stackDepth, 4);
    EXPECT_EQ(model.sbmAddr, 115);
    EXPECT_EQ(model.specialRange0.end, 0x2F);
    EXPECT_EQ(model.specialRange1.start, 0x30);
    EXPECT_EQ(model.sbmBankWords, 384u);
    EXPECT_EQ(model.selfEromMode, 3);
    EXPECT_EQ(model.selfEromPage, 0x1234);
    EXPECT_EQ(model.selfEromBase, 0x34 + 1024);
    EXPECT_EQ(model.selfEromParam, (std::array<int32_t, 4>{0x10, 0, 0x12, 0})); // only numbers
    EXPECT_EQ(model.sbmRom[4], uint8_t(300));
    EXPECT_EQ(model.sbmStart, 0x12345678u);
    EXPECT_EQ(model.sbmSector, 4u);
    EXPECT_TRUE(model.hasHao);
    EXPECT_EQ(model.hao.w4, 4000000u);
    EXPECT_EQ(model.hao.w6, 3000000u);
    EXPECT_EQ(model.hao.w7, 7);
    EXPECT_EQ(model.laoRange.high, 40000);
    EXPECT_EQ(model.triscBit.address, 0x47);
    EXPECT_EQ(model.triscBit.bitCode, (9 * 2) & 0x0F);
    EXPECT_EQ(model.mckcnBit.address, 0) << "a line with a word that is no number is absent";
    EXPECT_EQ(model.acm.address, 0x60);
    EXPECT_EQ(model.acm.count, 7);
    EXPECT_TRUE(model.acmSelectable);
    EXPECT_TRUE(model.acmDefaultHigh);
    EXPECT_TRUE(model.stackOverResetAvailable);
    EXPECT_FALSE(model.stackOver.flag);
    EXPECT_EQ(model.bieBank, 2u);
    EXPECT_EQ(model.serialNumberParam, 0x1FFu);
    EXPECT_EQ(model.reg3ByteCount, 2u);

    ASSERT_TRUE(load("#ROM\n256\n#STACK\n300\n#COMPILER\nCX4B\n#SBMADDR\n-3\n#ID\n71H\n"));
    EXPECT_EQ(model.romWords, 256u);
    EXPECT_EQ(model.stackDepth, 255) << "a depth above a byte is clamped, not wrapped";
    EXPECT_EQ(model.sbmAddr, 0);
    EXPECT_EQ(model.coreVariant, 1);
    EXPECT_EQ(model.chipId, 0x71);
    ASSERT_TRUE(load("#ROM\n-5\n#ID\nXYZ\n#ROM\n999999\n#MCKCN\n48H 77777777H\n"));
    EXPECT_EQ(model.mckcnBit.bitCode, 0x0E) << "a huge bit number keeps its low bits, no overflow";
    EXPECT_EQ(model.romWords, 65536u);
    EXPECT_EQ(model.chipId, 0);
}

TEST_F(ChipLibraryTest, ValuesOutsideTheResetsCarryOverToTheNextChip) {
    ASSERT_TRUE(
        load("#SBMSTART\n55H\n#BIEBANK\n3\n#SELFEROM\n1 2 5 6 7 8\n#HAO\n1 2 3 4 5 6 7\n"
             "#ACM\n60H 1 1 0 0 4\n#SIMIC\n8024H\n#SIMIC\n8025H\n#ROM\n8192\n#STACK\n16\n"));
    EXPECT_EQ(model.emulatorIds, (std::vector<uint16_t>{0x8024, 0x8025}));
    ASSERT_TRUE(load("#PRODUCT\nOTHER\n"));
    EXPECT_EQ(model.sbmStart, 0x55u);
    EXPECT_EQ(model.bieBank, 3u);
    EXPECT_EQ(model.selfEromMode, 0);
    EXPECT_EQ(model.selfEromParam[3], 8);
    EXPECT_FALSE(model.hasHao);
    EXPECT_EQ(model.hao.w1, 1);
    EXPECT_EQ(model.hao.w2, 0);
    EXPECT_EQ(model.hao.w3, 0);
    EXPECT_EQ(model.hao.w7, 7);
    EXPECT_EQ(model.acm.address, 0);
    EXPECT_EQ(model.acm.count, 4);
    EXPECT_TRUE(model.emulatorIds.empty());
    EXPECT_EQ(model.romWords, 4096u);
    EXPECT_EQ(model.stackDepth, 16) << "#STACK is not reset by a load";
}

TEST_F(ChipLibraryTest, RamBanksMarkImplementedBytesAndViewPages) {
    ChipViewSelection view;
    view.selectedRamBank = 2;
    view.selectedBitPage = 2;
    ChipLoadContext ctx;
    ctx.view = &view;
    ASSERT_TRUE(load("#RAMBANK0\n80H 0FFH\n#RAMBANK1\n100H 17FH\n#RAMBANK2\n200H 200H\n"
                     "#RAMBANK15\n0F00H 1FFFH\n#REGBIT2\n10H R A B C D E F G H\n",
                     ctx));
    EXPECT_EQ(model.implementedBits[0x7F], 0);
    EXPECT_EQ(model.implementedBits[0x80], 0xFF);
    EXPECT_EQ(model.implementedBits[0x17F], 0xFF);
    EXPECT_EQ(model.implementedBits[0x180], 0);
    EXPECT_EQ(model.implementedBits[0x200], 0);
    EXPECT_EQ(model.implementedBits[0xFFF], 0xFF) << "a bank beyond data memory stops at its end";
    EXPECT_EQ(model.lastBankIndex, 15);
    EXPECT_TRUE(view.ramBankPageVisible[0]);
    EXPECT_TRUE(view.ramBankPageVisible[1]);
    EXPECT_FALSE(view.ramBankPageVisible[2]);
    EXPECT_EQ(view.selectedRamBank, 0) << "bank 2 has start equal to end";
    EXPECT_EQ(view.selectedBitPage, 2) << "page 2 has a register";
    EXPECT_TRUE(view.bitPageVisible[2]);
    EXPECT_FALSE(view.bitPageVisible[0]);

    view.selectedRamBank = 1;
    view.selectedBitPage = 3;
    ASSERT_TRUE(load("#RAMBANK1\n100H 17FH\n#RAMBANK5\n500H 5FFH\n", ctx));
    EXPECT_EQ(view.selectedRamBank, 1);
    EXPECT_EQ(view.selectedBitPage, 0);
    EXPECT_FALSE(view.ramBankPageVisible[0]) << "pages of the previous chip are hidden";
    EXPECT_FALSE(view.bitPageVisible[2]);
    view.selectedRamBank = 5;
    view.selectedBitPage = 7;
    ASSERT_TRUE(load("#RAMBANK5\n500H 5FFH\n", ctx));
    EXPECT_EQ(view.selectedRamBank, 0) << "banks above 4 are not kept";
    EXPECT_EQ(view.selectedBitPage, 0);
}

TEST_F(ChipLibraryTest, BitRegistersSetImplementedBitsAndLastSeen) {
    LastSeenValues seen;
    seen.lastSeen.fill(0x5A);
    ChipLoadContext ctx;
    ctx.lastSeen = &seen;
    ASSERT_TRUE(load("#REGBIT\n12H Status B7 - B5 B4 - - B1 B0 ; status\n"
                     "#REGBIT1\n13H A_VERY_LONG_REGISTER_NAME X X X X X X X X\n"
                     "#REGBIT3\nNOTNUM X - - - - - - -\n14H\n",
                     ctx));
    EXPECT_EQ(model.implementedBits[0x12], 0xB3);
    EXPECT_EQ(model.implementedBits[0x13], 0xFF);
    EXPECT_EQ(model.implementedBits[0x14], 0xFF);
    EXPECT_EQ(seen.lastSeen[0x12], 0);
    EXPECT_EQ(seen.lastSeen[0x14], 0);
    EXPECT_EQ(seen.lastSeen[0x11], 0x5A);
    ASSERT_EQ(model.bitRegisters.count(), 3u);
    const BitRegister& r = model.bitRegisters.at(0);
    EXPECT_EQ(r.name, "STATUS");
    EXPECT_EQ(r.bits[1].name, "-");
    EXPECT_EQ(r.bits[7].name, "B0");
    EXPECT_EQ(model.bitRegisters.at(1).name, "A_VERY_LONG_REG");
    EXPECT_EQ(model.bitRegisters.at(1).page, 1);
    EXPECT_EQ(model.bitRegisters.key(2), 0x14u);
    EXPECT_EQ(model.bitPageCount, (std::array<uint32_t, 4>{1, 1, 0, 1}));
}

TEST_F(ChipLibraryTest, BitRegistersAOrBDependOnTheEmulatorBody) {
    const std::string text = "#REGBIT\n10H R0 A B C D E F G H\n#REGBITA\n20H RA - - - - - - - -\n"
                             "#REGBITB\n30H RB - - - - - - - -\n";
    ASSERT_TRUE(load(text));
    ASSERT_EQ(model.bitRegisters.count(), 2u);
    EXPECT_EQ(model.bitRegisters.at(1).name, "RB");
    EXPECT_EQ(model.implementedBits[0x20], 0);
    EXPECT_EQ(model.implementedBits[0x30], 0);

    ChipLoadContext ctx;
    ctx.iceBodyId = 0x8024;
    ASSERT_TRUE(load(text, ctx));
    ASSERT_EQ(model.bitRegisters.count(), 2u);
    EXPECT_EQ(model.bitRegisters.at(1).name, "RA");
    EXPECT_EQ(model.bitRegisters.at(1).page, 0);
}

TEST_F(ChipLibraryTest, ListsAreEmptiedOnlyByTheirKeywordsAndHold512) {
    std::string text = "#REGBIT\n";
    for (int i = 0; i < 600; ++i)
        text += std::to_string(i) + " R" + std::to_string(i) + "\n";
    text += "#REGBYTE\n40H B1 0FH\n#REGWORD\n50H W1 51H X 0FFH 3 0\n";
    ASSERT_TRUE(load(text));
    EXPECT_EQ(model.bitRegisters.count(), 512u);
    EXPECT_EQ(model.bitRegisters.at(511).name, "R511");
    EXPECT_EQ(model.bitPageCount[0], 512u);
    EXPECT_EQ(model.implementedBits[599], 0xFF) << "a dropped record still marks its address";

    ASSERT_TRUE(load("#REGBYTE\n41H B2 1\n"));
    EXPECT_EQ(model.bitRegisters.count(), 512u) << "no #REGBIT: the previous chip's list stays";
    EXPECT_EQ(model.bitPageCount[0], 0u);
    EXPECT_EQ(model.implementedBits[0x10], 0) << "but its bits are not marked";
    ASSERT_EQ(model.byteRegisters.count(), 1u);
    EXPECT_EQ(model.byteRegisters.at(0).name, "B2");
    EXPECT_EQ(model.wordRegisters.count(), 1u);
    EXPECT_EQ(model.wordCount, 0u);
}

TEST_F(ChipLibraryTest, ByteAndWordRegisters) {
    LastSeenValues seen;
    seen.lastSeen.fill(9);
    ChipLoadContext ctx;
    ctx.lastSeen = &seen;
    ASSERT_TRUE(load("#REGBYTE\n40H = 10FH\n41H TMR 3\n42H BAD XX\n"
                     "#REGWORD\n50H TBL 51H - 0FFH 7 0\n60H PRD 61H - 1 2 1\n70H BAD 71H - Q 2 0\n",
                     ctx));
    ASSERT_EQ(model.byteRegisters.count(), 2u);
    EXPECT_TRUE(model.byteRegisters.at(0).unnamed);
    EXPECT_FALSE(model.byteRegisters.at(1).unnamed);
    EXPECT_EQ(model.implementedBits[0x40], 0x0F);
    EXPECT_EQ(model.implementedBits[0x41], 0x03);
    EXPECT_EQ(model.implementedBits[0x42], 0);
    EXPECT_EQ(seen.lastSeen[0x42], 9);
    ASSERT_EQ(model.wordRegisters.count(), 2u);
    EXPECT_EQ(model.wordRegisters.key(0), 0x5051u);
    EXPECT_FALSE(model.wordRegisters.at(0).noMemory);
    EXPECT_TRUE(model.wordRegisters.at(1).noMemory);
    EXPECT_EQ(model.implementedBits[0x50], 0xFF);
    EXPECT_EQ(model.implementedBits[0x51], 0x07);
    EXPECT_EQ(seen.lastSeen[0x51], 0);
    EXPECT_EQ(model.implementedBits[0x60], 0) << "no memory: no cells";
    EXPECT_EQ(seen.lastSeen[0x60], 9);
    EXPECT_EQ(model.byteCount, 2u);
    EXPECT_EQ(model.wordCount, 2u);
    ASSERT_NE(model.findWordRegister(0x60, 0x61), nullptr);
    EXPECT_EQ(model.findWordRegister(0x60, 0x61)->name, "PRD");
    EXPECT_EQ(model.findByteRegister(0x41)->name, "TMR");
    EXPECT_EQ(model.findBitRegister(0x41), nullptr);
}

TEST_F(ChipLibraryTest, BitDescriptionsFillRegisterThenBitsAndIgnoreTheTenthLine) {
    std::string text =
        "#REGBIT\n12H R12 A B C D E F G H\n13H R13 A B C D E F G H\n#REGBITSTR\n12H\n";
    for (int i = 0; i < 10; ++i)
        text += ";Text " + std::to_string(i) + " Mixed Case\r\n";
    text += "99H\n;more for R12\n13H\n;R13 text\n";
    ASSERT_TRUE(load(text));
    const BitRegister& r = model.bitRegisters.at(0);
    EXPECT_EQ(r.description, "Text 0 Mixed Case");
    EXPECT_EQ(r.bits[0].description, "Text 1 Mixed Case");
    EXPECT_EQ(r.bits[7].description, "Text 8 Mixed Case");
    EXPECT_EQ(model.bitRegisters.at(1).description, "R13 text");
    // "99H" matched nothing, so R12 stayed selected, but its ten texts were already taken.
    for (const BitEntry& b : r.bits)
        EXPECT_EQ(b.description.find("more"), std::string::npos);
}

TEST_F(ChipLibraryTest, UnknownHeaderKeepsThePreviousSelection) {
    ASSERT_TRUE(
        load("#REGBYTE\n40H B40 0FFH\n41H B41 0FFH\n#REGBYTESTR\n41H\n;first\n77H\n;second\n"
             "NOTE ; third\n"));
    EXPECT_EQ(model.byteRegisters.at(0).description, "");
    EXPECT_EQ(model.byteRegisters.at(1).description, "OTE ; third")
        << "text lines replace the description; the first character is dropped";
}

TEST_F(ChipLibraryTest, WordDescriptionsSelectByCombinedKey) {
    ASSERT_TRUE(load(
        "#REGWORD\n50H W1 51H - 0FFH 0FFH 0\n51H W2 50H - 0FFH 0FFH 0\n"
        "#REGWORDSTR\n50H\n;by high only\n51H\n;by low only\n5150H\n;W2 text\n5051H\n;W1 text\n"));
    EXPECT_EQ(model.wordRegisters.at(0).description, "W1 text");
    EXPECT_EQ(model.wordRegisters.at(1).description, "W2 text");
}

TEST_F(ChipLibraryTest, DescriptionSectionsFollowTheLanguage) {
    const std::string text =
        "#REGBIT\n12H "
        "R12\n#REGBITSTR\n12H\n;English\n#REGBITSTRCN\n12H\n;\xe4\xb8\xad\xe6\x96\x87\n"
        "#REGBYTE\n20H B20 1\n#REGBYTESTRCN\n20H\n;\xe5\xad\x97\n";
    ASSERT_TRUE(load(text));
    EXPECT_EQ(model.bitRegisters.at(0).description, "English");
    EXPECT_EQ(model.byteRegisters.at(0).description, "");
    ChipLoadContext ctx;
    ctx.languageIndex = 1;
    ASSERT_TRUE(load(text, ctx));
    EXPECT_EQ(model.bitRegisters.at(0).description, "\xe4\xb8\xad\xe6\x96\x87");
    EXPECT_EQ(model.byteRegisters.at(0).description, "\xe5\xad\x97");
}

TEST_F(ChipLibraryTest, LongDescriptionsAreCutWithoutSplittingACharacter) {
    std::string chinese;
    for (int i = 0; i < 60; ++i)
        chinese += "\xe4\xb8\xad"; // 180 bytes
    ASSERT_TRUE(load("#REGBYTE\n20H B20 1\n21H B21 1\n#REGBYTESTR\n20H\n;" + std::string(200, 'x') +
                     "\n21H\n;" + chinese + "\n"));
    EXPECT_EQ(model.byteRegisters.at(0).description.size(), 160u);
    EXPECT_EQ(model.byteRegisters.at(1).description.size(), 159u);
}

TEST_F(ChipLibraryTest, AnalogSections) {
    ASSERT_TRUE(load("#ADC0S\n"
                     "90H PGA0GN 2 4\n"
                     "90H INBUF0 1 0 1\n"
                     "91H VRBUF0 1 1 0\n"
                     "91H ENADC0 1 7 2\n"
                     "92H INX0 2 0\n"
                     "93H ADC0OH\n"
                     "94H TEMPERATURE\n"
                     "95H VDDAX 2 4 2.4 TOO_LONG_LABEL 3.0 3.3 1\n"
                     "96H NOSUCH 1 1\n"
                     "97H OSR0 X 1\n"
                     "98H AD0GN 12 9\n"
                     "#OP0S\n"
                     "0A0H OP0P 2 0 PA0 - PA2\n"
                     "0A1H OP0N 3 2 N0 N1 N2 N3 N4 N5 N6 N7 N8\n"
                     "#CMP0S\n"
                     "0B0H CPIH 2 0 -- CP1 - CP3\n"
                     "0B1H PTMX PM2.7 1 7\n"));
    EXPECT_TRUE(model.hasAdc);
    EXPECT_TRUE(model.hasOp);
    EXPECT_TRUE(model.hasCmp);
    const AnalogField* pga = model.adc.field("PGA0GN");
    ASSERT_NE(pga, nullptr);
    EXPECT_TRUE(pga->available());
    EXPECT_EQ(pga->address, 0x90);
    EXPECT_EQ(pga->width, 2);
    EXPECT_EQ(pga->lowBit, 4);
    EXPECT_TRUE(model.adc.field("INBUF0")->optionFlag);
    EXPECT_EQ(model.adc.field("INBUF0")->caption, "");
    EXPECT_FALSE(model.adc.field("VRBUF0")->optionFlag);
    EXPECT_EQ(model.adc.field("VRBUF0")->caption, "VRBUF");
    EXPECT_TRUE(model.adc.field("ENADC0")->optionFlag);
    EXPECT_EQ(model.adc.field("INX0")->choiceCodes(),
              (std::vector<std::string>{"00", "01", "10", "11"}));
    EXPECT_TRUE(model.adc.field("ADC0OH")->present);
    EXPECT_FALSE(model.adc.field("ADC0OM")->present);
    EXPECT_TRUE(model.adc.field("TEMPERATURE")->present);
    const AnalogField* vddax = model.adc.field("VDDAX");
    EXPECT_EQ(vddax->labels, (std::vector<std::string>{"2.4", "TOO_LONG", "3.0", "3.3"}));
    EXPECT_TRUE(vddax->optionFlag);
    EXPECT_FALSE(model.adc.field("OSR0")->present) << "a width that is no number: line absent";
    EXPECT_EQ(model.adc.field("AD0GN")->width, 8) << "no field is wider than a register byte";
    EXPECT_EQ(model.adc.field("AD0GN")->lowBit, 7);

    const AnalogField* op0p = model.op.field("OP0P");
    EXPECT_EQ(op0p->choiceCodes(), (std::vector<std::string>{"00", "10"}));
    EXPECT_EQ(op0p->labels[2], "PA2");
    EXPECT_EQ(model.op.field("OP0N")->choiceCodes().size(), 8u);
    EXPECT_EQ(model.op.field("OP0N")->choiceCodes().back(), "111");
    const AnalogField* cpih = model.cmp.field("CPIH");
    EXPECT_EQ(cpih->labels[0], "Float");
    EXPECT_EQ(cpih->choiceCodes(), (std::vector<std::string>{"00", "01", "11"}));
    const AnalogField* ptmx = model.cmp.field("PTMX");
    EXPECT_EQ(ptmx->caption, "PM2.7");
    EXPECT_EQ(ptmx->lowBit, 7);
    EXPECT_FALSE(model.cmp.field("PTMX1")->present);

    // The next chip without analog sections: every field absent again.
    std::vector<bool> resetAdc;
    library.chipLoaded.connect([&](const ChipLoaded& e) { resetAdc.push_back(e.resetAdcSetting); });
    ASSERT_TRUE(load("#ID\n1\n"));
    EXPECT_FALSE(model.hasAdc);
    EXPECT_FALSE(model.adc.field("PGA0GN")->present);
    EXPECT_FALSE(model.adc.field("INBUF0")->optionFlag);
    EXPECT_TRUE(model.cmp.field("CPIH")->labels.empty());
    EXPECT_EQ(resetAdc, std::vector<bool>{true});
}

TEST_F(ChipLibraryTest, ChipLoadedCarriesWhatTheWindowsNeed) {
    std::vector<std::string> order;
    library.chipReset.connect([&](const ChipReset&) { order.push_back("reset"); });
    ChipViewSelection view;
    view.selectedBitPage = 1;
    library.chipLoaded.connect([&](const ChipLoaded& e) {
        order.push_back("loaded");
        EXPECT_EQ(e.chipIndex, 0);
        EXPECT_EQ(e.chipId, 0x71);
        EXPECT_EQ(e.coreVariant, 1);
        EXPECT_TRUE(e.stackOverResetAvailable);
        EXPECT_FALSE(e.acmSelectable);
        EXPECT_FALSE(e.hasHao);
        EXPECT_TRUE(e.hasAdc);
        EXPECT_FALSE(e.resetAdcSetting);
        EXPECT_TRUE(e.ramBankPageVisible[0]);
        EXPECT_FALSE(e.ramBankPageVisible[1]);
        EXPECT_EQ(e.bitPageCount[1], 1u);
        ASSERT_EQ(e.view, &view);
        EXPECT_EQ(e.view->selectedBitPage, 1) << "the selection is adjusted before publishing";
        EXPECT_EQ(e.model.hao.w7, 0x3456) << "no #HAO with firmware 2.0: w7 from #SBMSTART";
    });
    ChipLoadContext ctx;
    ctx.view = &view;
    ctx.programmerFirmware2 = true;
    ASSERT_TRUE(load("#ID\n71H\n#COMPILER\nCX4B\n#STACKOVER\n2CH 1 1 1\n#RAMBANK0\n0 0FFH\n"
                     "#REGBIT1\n10H R\n#ADC0S\n#SBMSTART\n123456H\n",
                     ctx));
    EXPECT_EQ(order, (std::vector<std::string>{"reset", "loaded"}));
}

TEST_F(ChipLibraryTest, FindChipByIdWalksEntriesAndStopsAtAMissingFile) {
    dir.write("ZkSel.INC", "V1\nA.INC A (1K)\nB.INC B (1K)\nC.INC C (1K)\nD.INC D (1K)\n");
    dir.write("A.INC", "#ID\n\n  ; no words here\n21H\n");
    dir.write("B.INC", "#PRODUCT\nB\n#ID\n#ROM\n62H\n");
    dir.write("D.INC", "#ID\n99H\n");
    ASSERT_TRUE(library.buildChipList());
    EXPECT_EQ(library.FindChipById(0x21).found, true);
    EXPECT_EQ(library.FindChipById(0x21).index, 0);
    // B.INC's first line after "#ID" with words is "#ROM": not a number, no match.
    EXPECT_FALSE(library.FindChipById(0x62).found);
    const FindChipResult r = library.FindChipById(0x99);
    EXPECT_FALSE(r.found) << "C.INC is missing, so D.INC is never read";
    EXPECT_EQ(r.index, 0);
}

TEST_F(ChipLibraryTest, OnlyPlainFilesAreRead) {
    std::filesystem::create_directories(dir.path() / "A.INC");
    std::string error;
    EXPECT_FALSE(library.GetSELUP(0, model, {}, &error));
    EXPECT_NE(error.find("A.INC"), std::string::npos);
    EXPECT_FALSE(library.FindChipById(1).found);

    // A device never ends: naming one must fail at once, not hang.
    dir.write("ZkSel.INC", "V1\n/dev/zero Z (1K)\n");
    ASSERT_TRUE(library.buildChipList());
    EXPECT_FALSE(library.GetSELUP(0, model));
    EXPECT_FALSE(library.FindChipById(0).found);
}
