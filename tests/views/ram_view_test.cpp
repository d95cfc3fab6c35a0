// The RAM window's cells, edit rules, marks and hints, ".ram" files and the workbook.
#include "support/temp_dir.h"
#include "views_fixture.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

using test::ViewsFixture;

// Grid position of an offset within the bank.
int rowOf(int offset) {
    return offset / 16 + 1;
}
int colOf(int offset) {
    return offset % 16 + 1;
}

TEST(RamView, HeadingsAndCellTexts) {
    ViewsFixture f;
    RamViewModel& ram = f.views->ram;
    f.cpu().WriteData(5, 0x11);
    f.cpu().WriteData(0x105, 0x22);
    f.cpu().WriteData(0x50, 0xFF);
    f.cpu().WriteData(26, 0xEE); // shown as the PC bytes in simulator mode
    f.cpu().SetPC(0x1234);
    ram.Refresh();
    EXPECT_EQ(ram.cell(0, 16).text, "F");
    EXPECT_EQ(ram.cell(1, 0).text, "000");
    EXPECT_EQ(ram.cell(rowOf(5), colOf(5)).text, "=");
    EXPECT_EQ(ram.cell(rowOf(26), colOf(26)).text, "12");
    EXPECT_EQ(ram.cell(rowOf(27), colOf(27)).text, "34");
    EXPECT_EQ(ram.cell(rowOf(0x50), colOf(0x50)).text, "0F");
    EXPECT_FALSE(ram.key(rowOf(5), colOf(5), '1'));
    EXPECT_FALSE(ram.doubleClick(rowOf(5), colOf(5)).has_value());

    ram.selectBank(1);
    EXPECT_EQ(ram.cell(1, 0).text, "100");
    EXPECT_EQ(ram.cell(rowOf(5), colOf(5)).text, "22");
    EXPECT_EQ(ram.cell(rowOf(0x50), colOf(0x50)).text, "-"); // not implemented
    EXPECT_FALSE(ram.key(rowOf(0x50), colOf(0x50), '1'));
    auto edit = ram.doubleClick(rowOf(5), colOf(5));
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->caption, "Ram0105=22");
    ram.apply(*edit, 0x33);
    EXPECT_EQ(f.cpu().ReadData(0x105), 0x33);
    EXPECT_TRUE(ram.bankShown(2));
    EXPECT_FALSE(ram.bankShown(3));
    const auto menu = ram.contextMenu();
    EXPECT_EQ(menu[9].text, "Save To excel");
    // No bank 3 on this chip.
    EXPECT_EQ(menu[10 + 3], (MenuItem{MenuAction::ShowBank, "RAMBANK3", false, false, 3}));
    EXPECT_TRUE(menu[10 + 1].checked);
}

TEST(RamView, TypingWritesBankTimes256PlusOffset) {
    ViewsFixture f;
    RamViewModel& ram = f.views->ram;
    ram.selectBank(2);
    EXPECT_FALSE(ram.key(rowOf(0x34), colOf(0x34), 'x'));
    EXPECT_TRUE(ram.key(rowOf(0x34), colOf(0x34), 'b'));
    EXPECT_EQ(ram.cell(rowOf(0x34), colOf(0x34)).text, "B");
    EXPECT_TRUE(ram.key(rowOf(0x34), colOf(0x34), '7'));
    EXPECT_TRUE(ram.key(rowOf(0x34), colOf(0x34), CellTyping::kEnter));
    EXPECT_EQ(f.cpu().ReadData(0x234), 0xB7);
    EXPECT_EQ(ram.cell(rowOf(0x34), colOf(0x34)).text, "B7");
    // Moving to another cell writes the cell being edited.
    ram.key(rowOf(0x35), colOf(0x35), '9');
    ram.key(rowOf(0x36), colOf(0x36), '1');
    EXPECT_EQ(f.cpu().ReadData(0x235), 0x09);
    ram.leaveCell();
    EXPECT_EQ(f.cpu().ReadData(0x236), 0x01);
}

TEST(RamView, ChangeColoursMarksAndHints) {
    ViewsFixture f;
    RamViewModel& ram = f.views->ram;
    ram.selectBank(1);
    ram.Refresh();
    f.cpu().WriteData(0x110, 0x01);
    f.cpu().WriteData(0x111, 0x01);
    ram.Refresh(true);
    EXPECT_EQ(ram.cell(rowOf(0x10), colOf(0x10)).role, CellRole::Normal);
    f.cpu().WriteData(0x110, 0x02);
    ram.Refresh();
    EXPECT_EQ(ram.cell(rowOf(0x10), colOf(0x10)).role, CellRole::Changed);
    EXPECT_EQ(ram.cell(rowOf(0x11), colOf(0x11)).role, CellRole::Normal);

    ram.setMarkColour(Rgb{0x12, 0x34, 0x56});
    EXPECT_TRUE(ram.setMark(rowOf(0x11), colOf(0x11)));
    EXPECT_FALSE(ram.setMark(rowOf(0x50), colOf(0x50))); // not implemented
    const Cell& marked = ram.cell(rowOf(0x11), colOf(0x11));
    EXPECT_EQ(marked.role, CellRole::Marked);
    EXPECT_EQ(marked.mark, (Rgb{0x12, 0x34, 0x56}));
    EXPECT_TRUE(ram.setHint(rowOf(0x11), colOf(0x11), "counter"));
    EXPECT_TRUE(ram.cell(rowOf(0x11), colOf(0x11)).underline);
    EXPECT_EQ(ram.hoverText(rowOf(0x11), colOf(0x11)), "<11>: counter");
    EXPECT_EQ(ram.hoverText(rowOf(0x12), colOf(0x12)), "<12>");
    ram.resetAllMarks();
    ram.resetAllHints();
    EXPECT_EQ(ram.cell(rowOf(0x11), colOf(0x11)).role, CellRole::Normal);
    EXPECT_FALSE(ram.cell(rowOf(0x11), colOf(0x11)).underline);

    EXPECT_EQ(RamViewModel::hoverPosition(100, 200, 400, 400), (ScreenPoint{110, 210}));
    EXPECT_EQ(RamViewModel::hoverPosition(360, 360, 400, 400), (ScreenPoint{332, 332}));
}

TEST(RamView, BothWindowsShowAChangedRegisterOutsideTheSpecialRanges) {
    ViewsFixture f;
    // Special ranges that leave WREG (29h), PORTA (50h) and STATUS (2Bh) out, as shipped chips do.
    f.chip.specialRange0 = {0x00, 0x0E};
    f.chip.specialRange1 = {};
    f.views->chipChanged();
    f.views->refreshAll();
    f.cpu().WriteData(0x29, 0x44);
    f.cpu().WriteData(0x2B, 0x01);
    f.cpu().WriteData(0x60, 0x07); // a plain byte: the RAM window's own
    f.views->refreshAll();
    RamViewModel& ram = f.views->ram;
    RegisterViewModel& regs = f.views->registers;
    EXPECT_EQ(ram.cell(rowOf(0x29), colOf(0x29)).role, CellRole::Changed);
    EXPECT_EQ(ram.cell(rowOf(0x60), colOf(0x60)).role, CellRole::Changed);
    EXPECT_EQ(regs.byteCell(1, 4).role, CellRole::Changed); // WREG
    EXPECT_EQ(regs.bitCell(0, 0).role, CellRole::Changed);  // STATUS
    f.views->refreshAll();
    EXPECT_EQ(ram.cell(rowOf(0x29), colOf(0x29)).role, CellRole::Normal);
    EXPECT_EQ(ram.cell(rowOf(0x60), colOf(0x60)).role, CellRole::Normal);
    EXPECT_EQ(regs.byteCell(1, 4).role, CellRole::Normal);
}

TEST(RamView, DataSymbolsGetAutomaticHints) {
    ViewsFixture f;
    RamViewModel& ram = f.views->ram;
    const std::vector<ViewSymbol> symbols{
        {"COUNT", 0x60, 1, 'D'}, {"BUF", 0x70, 3, 'D'}, {"LIMIT", 0x80, 1, 'C'}};
    ram.applySymbolHints(symbols);
    EXPECT_EQ(ram.annotation(0x60).hintText, "COUNT");
    EXPECT_TRUE(ram.annotation(0x60).hint);
    EXPECT_EQ(ram.annotation(0x70).hintText, "BUF[0]");
    EXPECT_EQ(ram.annotation(0x72).hintText, "BUF[2]");
    EXPECT_TRUE(ram.annotation(0x70).hint);
    EXPECT_FALSE(ram.annotation(0x71).hint);
    EXPECT_EQ(ram.annotation(0x80).hintText, "");
}

TEST(RamView, RamFileRoundTripAndRefusal) {
    test::TempDir dir;
    std::filesystem::path file;
    {
        ViewsFixture f;
        RamViewModel& ram = f.views->ram;
        f.cpu().WriteData(0x40, 0xAB);
        f.cpu().WriteData(0x2FF, 0x5C);
        ram.selectBank(2);
        ram.setMarkColour(Rgb::fromValue(0x00FF00));
        ram.setMark(rowOf(0xFF), colOf(0xFF));
        ram.setHint(rowOf(0x01), colOf(0x01), "two\nlines");
        file = dir.path() / "mem.ram";
        std::string error;
        ASSERT_TRUE(ram.saveRam(file, &error)) << error;
    }
    const std::string text = dir.read("mem.ram");
    EXPECT_EQ(text.substr(0x40 * 3, 3), "AB\n");
    ViewsFixture g;
    RamViewModel& ram = g.views->ram;
    std::string error;
    ASSERT_TRUE(ram.loadRam(file, &error)) << error;
    EXPECT_EQ(g.cpu().ReadData(0x40), 0xAB);
    EXPECT_EQ(g.cpu().ReadData(0x2FF), 0x5C);
    EXPECT_TRUE(ram.annotation(0x2FF).mark);
    EXPECT_EQ(ram.annotation(0x2FF).colour, 0x00FF00u);
    EXPECT_EQ(ram.annotation(0x201).hintText, "two lines");
    EXPECT_EQ(ram.fileData().values, parseRamFile(text, ram.layoutBytes(), nullptr)->values);

    // A truncated or foreign file changes nothing.
    dir.write("bad.ram", text.substr(0, text.size() / 2));
    dir.write("junk.ram", "zz\n");
    g.cpu().WriteData(0x40, 0x01);
    EXPECT_FALSE(ram.loadRam(dir.path() / "bad.ram", &error));
    EXPECT_NE(error.find("bad.ram"), std::string::npos);
    EXPECT_FALSE(ram.loadRam(dir.path() / "junk.ram", &error));
    EXPECT_FALSE(ram.loadRam(dir.path() / "missing.ram", &error));
    EXPECT_EQ(g.cpu().ReadData(0x40), 0x01);
    EXPECT_TRUE(ram.annotation(0x2FF).mark);
}

TEST(RamView, WorkbookLayoutAndFile) {
    ViewsFixture f;
    f.cpu().WriteData(0x12, 0xC8);
    f.views->ram.Refresh();
    const auto cells = f.views->ram.sheetCells();
    ASSERT_EQ(cells.size(), 0x300u * 2);
    // Address 12h: row 1 + 3, column 2 + 3 the number, column 2 + 20 the text.
    EXPECT_EQ(cells[(1 * 16 + 2) * 2], (SheetCell{4, 5, true, 200, ""}));
    EXPECT_EQ(cells[(1 * 16 + 2) * 2 + 1], (SheetCell{4, 22, false, 0, "C8h"}));
    EXPECT_EQ(ramSheetCells({-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})[0].text, "-");

    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(f.views->ram.saveExcel(dir.path() / "ram.xlsx", &error)) << error;
    EXPECT_EQ(dir.read("ram.xlsx").substr(0, 2), "PK");
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1u); // no temporary file left behind
    EXPECT_FALSE(f.views->ram.saveExcel(dir.path() / "no" / "such" / "x.xlsx", &error));
}

} // namespace
} // namespace zerka
