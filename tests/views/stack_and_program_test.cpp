// The stack window and the program-memory window.
#include "views_fixture.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

using test::ViewsFixture;

TEST(StackView, PointerStatesAndEntries) {
    ViewsFixture f;
    StackViewModel& s = f.views->stack;
    ASSERT_EQ(s.rows(), 9);
    EXPECT_EQ(s.gridHeight(), 19 * 9 + 3);
    for (uint32_t n = 1; n <= 8; ++n)
        f.cpu().SetStackEntry(n, 0x100 + n);
    f.cpu().WriteData(reg::kStackPointer, 0x83);
    s.Refresh();
    EXPECT_EQ(s.cell(0, 0).text, "Stack = ");
    EXPECT_EQ(s.cell(0, 1).text, "FULL");
    EXPECT_EQ(s.cell(3, 0).text, "3");
    EXPECT_EQ(s.cell(3, 1).text, "0103");
    EXPECT_EQ(s.cell(4, 1).text, "");
    f.cpu().WriteData(reg::kStackPointer, 0x20);
    s.Refresh();
    EXPECT_EQ(s.cell(0, 1).text, "OVER");
    f.cpu().WriteData(reg::kStackPointer, 0xA0);
    s.Refresh();
    EXPECT_EQ(s.cell(0, 1).text, "OVER");
    f.cpu().WriteData(reg::kStackPointer, 0x40);
    s.Refresh();
    EXPECT_EQ(s.cell(0, 1).text, "UNDER");
    f.cpu().WriteData(reg::kStackPointer, 0x03);
    s.Refresh();
    EXPECT_EQ(s.cell(0, 1).text, "3");

    // Leaving the window writes every row, empty ones as 0.
    s.focusLost();
    EXPECT_EQ(f.cpu().StackEntry(3), 0x103u);
    EXPECT_EQ(f.cpu().StackEntry(4), 0u);
    EXPECT_EQ(f.cpu().StackEntry(8), 0u);

    f.cpu().setStackDepth(16);
    s.Build(16);
    EXPECT_EQ(s.rows(), 17);
}

TEST(StackView, LeavingTheWindowWhileRunningKeepsTheProgramsStack) {
    ViewsFixture f;
    StackViewModel& s = f.views->stack;
    f.cpu().WriteData(reg::kStackPointer, 0x01);
    f.cpu().SetStackEntry(1, 0x10);
    s.Refresh();
    // The program goes on calling after the last refresh.
    f.cpu().WriteData(reg::kStackPointer, 0x02);
    f.cpu().SetStackEntry(2, 0x20);
    f.up.LoadProgramCell(0, 0, 1, 0); // NOP
    // The window loses the focus while the run loop lets events through.
    bool left = false;
    f.up.setYieldHook([&] {
        if (left) return;
        left = true;
        EXPECT_TRUE(f.up.running());
        s.focusLost();
        EXPECT_EQ(f.cpu().StackEntry(2), 0x20u);
        f.up.Stop();
    });
    f.up.Run();
    ASSERT_TRUE(left);
    ASSERT_FALSE(f.up.running());
    s.focusLost(); // stopped: the shown rows go back, row 2 (not shown) as 0
    EXPECT_EQ(f.cpu().StackEntry(1), 0x10u);
    EXPECT_EQ(f.cpu().StackEntry(2), 0u);
}

TEST(StackView, TypingAndTheEditor) {
    ViewsFixture f;
    StackViewModel& s = f.views->stack;
    f.cpu().WriteData(reg::kStackPointer, 0x02);
    s.Refresh();
    EXPECT_FALSE(s.key(0, 1, '1')); // row 0 accepts nothing
    EXPECT_FALSE(s.key(1, 0, '1'));
    for (int k : {'a', 'b', 'c', 'd'})
        EXPECT_TRUE(s.key(2, 1, k));
    EXPECT_FALSE(s.key(2, 1, 'e')); // a fifth digit
    EXPECT_FALSE(s.key(2, 1, 'z'));
    EXPECT_EQ(s.cell(2, 1).text, "ABCD");
    EXPECT_TRUE(s.key(2, 1, CellTyping::kEnter));
    EXPECT_EQ(f.cpu().StackEntry(2), 0xABCDu);

    auto edit = s.doubleClick(1, 1);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->caption, "Stack0010=0000");
    EXPECT_EQ(edit->limit, "FFFF");
    EXPECT_EQ(edit->range, "00~FFFF");
    s.apply(*edit, 0x1234);
    EXPECT_EQ(f.cpu().StackEntry(1), 0x1234u);
    EXPECT_EQ(s.cell(1, 1).text, "1234");
}

TEST(StackView, EmulatorWritesKeepTheValueReadBack) {
    ViewsFixture f;
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
    f.cpu().setSimulatorMode(false);
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    f.views->context.emulator.writeStackEntry = [&](uint32_t level, uint32_t value) {
        writes.push_back({level, value});
        return std::optional<uint32_t>(value & 0x0FFF); // the unit keeps 12 bits
    };
    auto edit = f.views->stack.doubleClick(3, 1);
    ASSERT_TRUE(edit);
    f.views->stack.apply(*edit, 0xF123);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], (std::pair<uint32_t, uint32_t>{3, 0xF123}));
    EXPECT_EQ(f.cpu().StackEntry(3), 0x123u);
    // A failed transfer leaves the mirror alone.
    f.views->context.emulator.writeStackEntry = [](uint32_t, uint32_t) {
        return std::optional<uint32_t>();
    };
    f.views->stack.apply(*edit, 0x5555);
    EXPECT_EQ(f.cpu().StackEntry(3), 0x123u);
    f.up.setEmulator(nullptr);
}

TEST(ProgramMemoryView, RowTextsOperandAndColours) {
    ViewsFixture f;
    ProgramMemoryViewModel& pm = f.views->programMemory;
    pm.setDataRows(16);
    f.cpu().LoadProgramCell(0x10, 0x122A, 1, 0);
    f.cpu().WriteData(0x2A, 0x5E);
    f.cpu().LoadProgramCell(0x14, 0x122A, 2, 0); // (word 0 is the second word of a pair)
    f.up.ToggleBreakpoint(0x14, BreakpointKind::Address, true);
    f.cpu().SetPC(0x10);
    pm.ShowAddress(0x10);
    const int row = int(0x10 - pm.topAddress()) + 1;
    EXPECT_EQ(pm.cell(0, 1).text, "addr");
    EXPECT_EQ(pm.cell(row, 1).text, "0010");
    EXPECT_EQ(pm.cell(row, 2).text, "122A");
    EXPECT_EQ(pm.cell(row, 3).text.substr(0, 4), "ADDF");
    EXPECT_EQ(pm.cell(row, 4).text, "M(2A)=5E");
    EXPECT_EQ(pm.cell(row, 1).role, CellRole::CurrentSim);

    const int bpRow = int(0x14 - pm.topAddress()) + 1;
    EXPECT_EQ(pm.cell(bpRow, 0).text, ProgramMemoryViewModel::kBreakMark);
    EXPECT_EQ(pm.cell(bpRow, 1).role, CellRole::Breakpoint);
    EXPECT_EQ(pm.cell(bpRow - 1, 0).text, " ");
    EXPECT_EQ(pm.cell(bpRow - 1, 1).role, CellRole::Normal);

    // Operand 0 goes through FSR0 (low byte) with STATUS bit 7 as the 9th bit.
    f.cpu().LoadProgramCell(0x11, uint16_t(0x122A & ~0xFF), 2, 0);
    f.cpu().WriteData(16, 0x34);
    f.cpu().WriteData(reg::kStatus, 0x80);
    f.cpu().WriteData(0x134, 0x07);
    pm.Refresh();
    EXPECT_EQ(pm.cell(row + 1, 4).text, "M(134)=7");

    f.up.setBusy(true);
    EXPECT_EQ(pm.cell(bpRow - 1, 1).role, CellRole::Busy);
    f.up.setBusy(false);
    EXPECT_EQ(pm.cell(bpRow - 1, 1).role, CellRole::Normal);
}

TEST(ProgramMemoryView, ScrollingAndDoubleClicks) {
    ViewsFixture f;
    ProgramMemoryViewModel& pm = f.views->programMemory;
    pm.setGridHeight(18 * 17 + 1); // 16 data rows
    ASSERT_EQ(pm.dataRows(), 16);
    pm.ShowAddress(5);
    EXPECT_EQ(pm.cell(1, 1).text, "0000");
    pm.key(ProgramMemoryViewModel::Key::CtrlEnd, 1);
    EXPECT_EQ(pm.cell(16, 1).text, "0FFF");
    pm.key(ProgramMemoryViewModel::Key::Down, 16);
    EXPECT_EQ(pm.cell(16, 1).text, "0FFF");
    pm.key(ProgramMemoryViewModel::Key::CtrlHome, 1);
    pm.key(ProgramMemoryViewModel::Key::PageDown, 1);
    EXPECT_EQ(pm.topAddress(), 16u);
    pm.key(ProgramMemoryViewModel::Key::Up, 1);
    EXPECT_EQ(pm.topAddress(), 15u);
    pm.EnsureVisible(20);
    EXPECT_EQ(pm.topAddress(), 15u);
    pm.EnsureVisible(100);
    EXPECT_EQ(pm.topAddress(), 85u);
    pm.ShowAddress(99999);
    EXPECT_EQ(pm.currentAddress(), 0xFFFu);

    pm.setTopAddress(0);
    pm.clicked(0);
    auto a = pm.doubleClick(3);
    EXPECT_EQ(a.kind, ProgramMemoryViewModel::Action::Kind::ToggleBreakpoint);
    EXPECT_EQ(a.address, 2u);
    pm.clicked(3);
    EXPECT_EQ(pm.doubleClick(3).kind, ProgramMemoryViewModel::Action::Kind::ShowSource);
}

} // namespace
} // namespace zerka
