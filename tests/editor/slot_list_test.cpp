#include "editor/slot_list.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(SlotList, NewNamesCountUpAndAreNeverReused) {
    SlotList slots;
    EXPECT_EQ(slots.addNew(), 1);
    EXPECT_EQ(slots.pathOf(1), "~New0");
    slots.remove(1);
    EXPECT_EQ(slots.current(), 0);
    EXPECT_EQ(slots.addNew(), 1);
    EXPECT_EQ(slots.pathOf(1), "~New1");
    EXPECT_TRUE(isNewFileName(slots.pathOf(1)));
    EXPECT_FALSE(isNewFileName("/src/newfile.asm"));
}

TEST(SlotList, TwentyFirstSlotIsRefusedWithoutUsingANumber) {
    SlotList slots;
    for (int i = 0; i < kMaxEditorSlots; ++i)
        ASSERT_EQ(slots.add("/p/f" + std::to_string(i)), i + 1);
    EXPECT_EQ(slots.add("/p/more"), 0);
    EXPECT_EQ(slots.addNew(), 0);
    EXPECT_EQ(slots.count(), kMaxEditorSlots);
    slots.remove(5);
    EXPECT_EQ(slots.addNew(), kMaxEditorSlots);
    EXPECT_EQ(slots.pathOf(kMaxEditorSlots), "~New0");
}

TEST(SlotList, ClosingShiftsLaterSlotsAndKeepsTheCurrentNumber) {
    SlotList slots;
    slots.add("/a/One.asm");
    slots.add("/a/Two.asm");
    slots.add("/a/Three.asm");
    slots.select(2);
    slots.remove(2);
    EXPECT_EQ(slots.count(), 2);
    EXPECT_EQ(slots.current(), 2);
    EXPECT_EQ(slots.pathOf(2), "/a/Three.asm");
    slots.remove(2); // the last one: current falls back to the new last slot
    EXPECT_EQ(slots.current(), 1);
    EXPECT_EQ(slots.find("/A/ONE.ASM"), 1);
    EXPECT_EQ(slots.find("/a/Two.asm"), 0);
    EXPECT_EQ(slots.pathOf(0), "");
    EXPECT_EQ(fileNameOf("C:\\dir\\x.asm"), "x.asm");
    EXPECT_EQ(fileNameOf("/dir/y.inc"), "y.inc");
}

} // namespace
} // namespace zerka
