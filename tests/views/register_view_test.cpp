// The register window's cells, change colours and edit gestures.
#include "views_fixture.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

using test::ViewsFixture;
using Panel = RegisterViewModel::Panel;

// Byte-grid value cell of the k-th named byte register (9 per row pair).
std::pair<int, int> byteValueCell(int k) {
    return {(k / 9) * 2 + 1, k % 9};
}

TEST(RegisterView, TextsAreMaskedAndNamedRegistersOnly) {
    ViewsFixture f;
    RegisterViewModel& r = f.views->registers;
    f.cpu().WriteData(0x50, 0xFF);
    f.cpu().WriteData(0x29, 0x3C);
    f.cpu().WriteData(0x21, 0x12);
    f.cpu().WriteData(0x22, 0xFF);
    f.cpu().SetPC(0x1A5);
    f.cpu().SetCycles(0x1, 0x2345);
    f.cpu().WriteData(0x0F, 0x01); // FSR0 = 123h
    f.cpu().WriteData(0x10, 0x23);
    f.cpu().WriteData(0x123, 0x77);
    r.Refresh();

    EXPECT_EQ(r.panel(Panel::W).text, " WREG:3C");
    EXPECT_EQ(r.panel(Panel::Pc).text, " Program Counter: 1A5");
    EXPECT_EQ(r.panel(Panel::Cycle).text, " Cycle: 00012345");
    EXPECT_EQ(r.panel(Panel::Ind0Address).text + r.panel(Panel::Ind0Value).text,
              " IND0: M[123]=77");
    // Names: six named byte registers (the unnamed one is left out).
    EXPECT_EQ(r.byteRows(), 2);
    EXPECT_EQ(r.byteCell(0, 0).text, "IND0");
    EXPECT_EQ(r.byteCell(0, 4).text, "WREG");
    auto [row, col] = byteValueCell(5); // PORTA, mask 0Fh
    EXPECT_EQ(r.byteCell(row, col).text, "0F");
    // Indirect registers and the table pointer upper byte are never read.
    EXPECT_EQ(r.byteCell(1, 0).text, "=");
    EXPECT_EQ(r.byteCell(1, 3).text, "=");
    EXPECT_FALSE(r.byteDoubleClick(1, 0).has_value());
    EXPECT_FALSE(r.byteKey(1, 0, '1'));
    // Word register: high byte and the low byte masked with 0Fh; no-memory words read the table.
    EXPECT_EQ(r.wordCell(0, 0).text, "PROD");
    EXPECT_EQ(r.wordCell(1, 0).text, "120F");
    EXPECT_EQ(r.wordCell(1, 1).text, "0000");
    f.views->context.wordTransfer = [](uint16_t index) {
        return uint16_t(index == 7 ? 0xBEEF : 0);
    };
    r.Refresh();
    EXPECT_EQ(r.wordCell(1, 1).text, "BEEF");
}

TEST(RegisterView, ChangesAreBlueUntilTheNextRefreshAndNeverAfterNoHighlight) {
    ViewsFixture f;
    RegisterViewModel& r = f.views->registers;
    r.Refresh();
    f.cpu().WriteData(0x2B, 0x11); // STATUS: C and Z
    f.cpu().WriteData(0x29, 0x05);
    f.cpu().WriteData(0x50, 0x01); // PORTA is both a bit and a byte register
    r.Refresh();
    EXPECT_EQ(r.bitCell(0, 0).role, CellRole::Changed);
    EXPECT_EQ(r.bitCell(1, 0).role, CellRole::Changed);
    EXPECT_EQ(r.byteCell(1, 5).role, CellRole::Changed);
    EXPECT_EQ(r.panel(Panel::W).role, CellRole::Changed);
    EXPECT_EQ(r.bitCell(0, 4).role, CellRole::BitOne);  // C
    EXPECT_EQ(r.bitCell(0, 5).role, CellRole::BitZero); // DC
    EXPECT_EQ(r.bitCell(0, 8).role, CellRole::BitOne);  // Z
    r.Refresh();
    EXPECT_EQ(r.bitCell(0, 0).role, CellRole::Normal);
    EXPECT_EQ(r.panel(Panel::W).role, CellRole::Normal);

    f.cpu().WriteData(0x29, 0x06);
    f.cpu().WriteData(0x22, 0x01);
    f.up.ResetCpu();
    r.Refresh(true);
    for (int p = 0; p < RegisterViewModel::kPanelCount; ++p)
        EXPECT_EQ(r.panel(Panel(p)).role, CellRole::Normal);
    EXPECT_EQ(r.wordCell(1, 0).role, CellRole::Normal);
    EXPECT_EQ(r.bitCell(0, 0).role, CellRole::Normal);
}

TEST(RegisterView, PagesShowTheirOwnRegisters) {
    ViewsFixture f;
    RegisterViewModel& r = f.views->registers;
    EXPECT_EQ(r.bitRows(), 2);
    EXPECT_EQ(r.pageColour(0), colour::kYellow);
    r.selectPage(1);
    EXPECT_EQ(r.bitRows(), 1);
    EXPECT_EQ(r.bitCell(0, 0).text, "TMRC");
    EXPECT_EQ(r.pageColour(1), colour::kLime);
    EXPECT_EQ(r.pageColour(0), colour::kSilver);
    r.selectPage(2);
    EXPECT_EQ(r.bitRows(), 0);
}

TEST(RegisterView, TypingInTheByteGridWritesThroughTheEditPath) {
    ViewsFixture f;
    RegisterViewModel& r = f.views->registers;
    auto [row, col] = byteValueCell(4); // WREG
    EXPECT_FALSE(r.byteKey(row, col, 'g'));
    EXPECT_TRUE(r.byteKey(row, col, 'a'));
    EXPECT_EQ(r.byteCell(row, col).text, "A");
    EXPECT_TRUE(r.byteKey(row, col, '5'));
    EXPECT_FALSE(r.byteKey(row, col, '6')); // a third digit
    EXPECT_TRUE(r.byteKey(row, col, CellTyping::kEnter));
    EXPECT_EQ(f.cpu().ReadData(0x29), 0xA5);
    EXPECT_EQ(r.byteCell(row, col).text, "A5"); // refreshed by the edit path
    ASSERT_FALSE(f.cpu().registerRecord().empty());

    // Word grid: up to four digits, high byte then low byte.
    EXPECT_TRUE(r.wordKey(1, 0, '1'));
    for (int k : {'2', '3', '4'})
        EXPECT_TRUE(r.wordKey(1, 0, k));
    EXPECT_FALSE(r.wordKey(1, 0, '5'));
    r.wordKey(1, 0, CellTyping::kTab);
    EXPECT_EQ(f.cpu().ReadData(0x21), 0x12);
    EXPECT_EQ(f.cpu().ReadData(0x22), 0x34);
}

TEST(RegisterView, PanelAndBitEditors) {
    ViewsFixture f;
    RegisterViewModel& r = f.views->registers;
    f.cpu().WriteData(0x11, 0x02); // FSR1 = 2ABh
    f.cpu().WriteData(0x12, 0xAB);
    r.Refresh();

    auto fsr1 = r.panelMenuChosen(Panel::Ind1Address, 1);
    ASSERT_TRUE(fsr1);
    EXPECT_EQ(fsr1->caption, "FSR1=2AB");
    EXPECT_EQ(fsr1->limit, "FFF");
    EXPECT_EQ(fsr1->range, "000~FFF");
    EXPECT_EQ(r.panelMenu(Panel::Ind1Value).at(1), "Modify FSR1");
    r.apply(*fsr1, 0x345);
    EXPECT_EQ(f.cpu().ReadData(0x11), 0x03);
    EXPECT_EQ(f.cpu().ReadData(0x12), 0x45);

    auto ind1 = r.panelMenuChosen(Panel::Ind1Value, 0);
    ASSERT_TRUE(ind1);
    r.apply(*ind1, 0x99);
    EXPECT_EQ(f.cpu().ReadData(0x345), 0x99);

    auto w = r.panelMenuChosen(Panel::W, 0);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->caption, "Work=00");
    r.apply(*w, 0x42);
    EXPECT_EQ(f.cpu().ReadData(0x29), 0x42);

    auto pc = r.panelMenuChosen(Panel::Pc, 0);
    ASSERT_TRUE(pc);
    EXPECT_EQ(pc->limit, "0FFF");
    EXPECT_EQ(pc->range, "000~0FFF");
    r.apply(*pc, 0x123);
    EXPECT_EQ(f.cpu().GetPC(), 0x123u);

    // Bit menu of STATUS bit 4 (C); "-" bits have none.
    auto click = r.bitDoubleClick(0, 4);
    ASSERT_TRUE(std::holds_alternative<RegisterViewModel::BitMenu>(click));
    auto menu = std::get<RegisterViewModel::BitMenu>(click);
    EXPECT_EQ(menu.setItem, "C=1");
    EXPECT_EQ(menu.clearItem, "C=0");
    r.bitMenuChosen(menu, true);
    EXPECT_EQ(f.cpu().ReadData(0x2B) & 0x10, 0x10);
    r.bitMenuChosen(menu, false);
    EXPECT_EQ(f.cpu().ReadData(0x2B) & 0x10, 0);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(r.bitDoubleClick(0, 1)));
    auto name = r.bitDoubleClick(0, 0);
    ASSERT_TRUE(std::holds_alternative<HexEditRequest>(name));
    EXPECT_EQ(std::get<HexEditRequest>(name).caption, "Ram02B=00");

    // Description menus: hidden when empty or "-".
    EXPECT_EQ(r.bitHelp(0, 0).value_or(""), "Status flags");
    EXPECT_EQ(r.bitHelp(0, 8).value_or(""), "zero");
    EXPECT_FALSE(r.bitHelp(0, 1).has_value());
    EXPECT_EQ(r.byteHelp(0, 4).value_or(""), "WREG register");
}

} // namespace
} // namespace zerka

namespace zerka {
namespace {

TEST(DebugViews, RegisterChangesShowInBothWindowsOfOneRefresh) {
    test::ViewsFixture f;
    f.views->refreshAll();
    f.cpu().WriteData(0x29, 0x77); // W: in the register window's special range
    f.cpu().WriteData(0x90, 0x01); // plain RAM
    f.views->refreshAll();
    RamViewModel& ram = f.views->ram;
    EXPECT_EQ(ram.cell(0x29 / 16 + 1, 0x29 % 16 + 1).role, CellRole::Changed);
    EXPECT_EQ(ram.cell(0x90 / 16 + 1, 0x90 % 16 + 1).role, CellRole::Changed);
    EXPECT_EQ(f.views->registers.byteCell(1, 4).role, CellRole::Changed);
    f.views->refreshAll();
    EXPECT_EQ(ram.cell(0x29 / 16 + 1, 0x29 % 16 + 1).role, CellRole::Normal);
    EXPECT_EQ(f.views->registers.byteCell(1, 4).role, CellRole::Normal);
}

TEST(DebugViews, EmulatorModeReadsThePcFromTheUnitAndShowsTheLatchBytes) {
    test::ViewsFixture f;
    f.cpu().setSimulatorMode(false);
    struct Port : EmulatorRunPort {
        bool rangeGuard(uint32_t) override { return true; }
        void startRun(bool) override {}
        Poll pollStopped() override { return Poll::Stopped; }
        void halt() override {}
        void step(uint32_t) override {}
        void writeBreakTable(const std::array<uint32_t, 16>&) override {}
        Body checkBody() override { return Body::Supported; }
        std::optional<uint32_t> readStackEntry(uint32_t) override { return 0; }
        uint32_t readTraceEntry(uint32_t) override { return 0; }
        void writePC(uint32_t) override {}
        void resetTarget() override {}
    } port;
    f.up.setEmulator(&port);
    f.views->context.emulator.readPc = [] { return std::optional<uint32_t>(0x2C4); };
    f.cpu().WriteData(26, 0xAA);
    f.views->refreshAll();
    EXPECT_EQ(f.views->registers.panel(RegisterViewModel::Panel::Pc).text, " Program Counter: 2C4");
    EXPECT_EQ(f.views->ram.cell(26 / 16 + 1, 26 % 16 + 1).text, "AA");
    EXPECT_EQ(f.views->programMemory.cell(1, 1).role, CellRole::CurrentEmu); // the PC row, blue
    f.up.setEmulator(nullptr);
}

} // namespace
} // namespace zerka
