// The debug-window models on the virtual emulator: the PC read from the unit, edits written
// through, and a stack entry written through the unit's top-of-stack registers.
#include "target/emulator_debug_rig.h"
#include "views/ice_view_hooks.h"
#include "views_fixture.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(EmulatorViews, EditsAndTheStackGoThroughTheUnit) {
    test::EmulatorDebugRig rig;
    rig.connect();
    const ChipModel chip = test::smallChip();
    DebugViews views(rig.up, chip);
    views.context.emulator = makeIceViewHooks(rig.ice);
    views.chipChanged();

    // The register window's PC comes from the unit, not from the mirror.
    rig.run.writePC(0x123);
    rig.up.cpu().SetPC(0);
    views.refreshAll();
    EXPECT_EQ(views.registers.panel(RegisterViewModel::Panel::Pc).text, " Program Counter: 123");

    // A RAM edit reaches the unit.
    views.ram.selectBank(1);
    auto edit = views.ram.doubleClick(1, 6); // address 105h
    ASSERT_TRUE(edit);
    views.ram.apply(*edit, 0x5A);
    EXPECT_EQ(rig.ice.iceReadByte(0x105), 0x5A);
    EXPECT_EQ(rig.data(0x105), 0x5A);

    // Stack entry 2 written through the unit; the pointer and the PC are put back.
    rig.up.SetRegister(reg::kStackPointer, 0x03);
    views.stack.Refresh();
    auto entry = views.stack.doubleClick(2, 1);
    ASSERT_TRUE(entry);
    views.stack.apply(*entry, 0x0BEE);
    EXPECT_EQ(rig.up.cpu().StackEntry(2), 0x0BEEu);
    EXPECT_EQ(rig.run.readStackEntry(2).value_or(0), 0x0BEEu);
    EXPECT_EQ(rig.ice.iceReadByte(reg::kStackPointer), 0x03);
    EXPECT_EQ(views.context.emulator.readPc().value_or(0), 0x123u);
    EXPECT_EQ(views.stack.cell(2, 1).text, "0BEE");
}

} // namespace
} // namespace zerka
