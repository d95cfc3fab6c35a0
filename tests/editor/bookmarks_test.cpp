#include "editor/bookmarks.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(Bookmarks, SettingTwiceOnTheSameLineRemovesAndElsewhereMoves) {
    Bookmarks marks;
    EXPECT_TRUE(marks.toggle(3, 1, 10));
    EXPECT_FALSE(marks.toggle(3, 1, 10));
    EXPECT_FALSE(marks.isSet(3));
    EXPECT_TRUE(marks.toggle(3, 1, 10));
    EXPECT_TRUE(marks.toggle(3, 2, 10));
    EXPECT_EQ(marks[3].slot, 2);
    EXPECT_EQ(marks[3].line, 10);
    EXPECT_FALSE(marks.toggle(10, 1, 1));
    EXPECT_FALSE(marks.isSet(-1));
}

TEST(Bookmarks, InsertedLinesPushMarksAtOrBelowTheBreakOfTheSameSlot) {
    Bookmarks marks;
    marks.toggle(0, 1, 5);
    marks.toggle(1, 1, 2);
    marks.toggle(2, 2, 5);
    marks.toggle(3, 1, 3);
    marks.linesInserted(1, 3, 0, 2); // two lines typed above line 3
    EXPECT_EQ(marks[0].line, 7);
    EXPECT_EQ(marks[1].line, 2);
    EXPECT_EQ(marks[2].line, 5);
    EXPECT_EQ(marks[3].line, 5);
    marks.linesInserted(1, 5, 4, 1); // Enter inside line 5 leaves line 5 itself where it is
    EXPECT_EQ(marks[3].line, 5);
    EXPECT_EQ(marks[0].line, 8);
}

TEST(Bookmarks, DeletedLinesPullMarksUpButNotAboveTheJoin) {
    Bookmarks marks;
    marks.toggle(0, 1, 10);
    marks.toggle(1, 1, 4);
    marks.toggle(2, 1, 6);
    marks.linesDeleted(1, 4, 3); // lines 5..7 joined into line 4
    EXPECT_EQ(marks[0].line, 7);
    EXPECT_EQ(marks[1].line, 4);
    EXPECT_EQ(marks[2].line, 4);
}

TEST(Bookmarks, ClosingASlotDropsItsMarksAndRenumbersLaterOnes) {
    Bookmarks marks;
    marks.toggle(1, 1, 1);
    marks.toggle(2, 2, 2);
    marks.toggle(3, 3, 3);
    marks.slotClosed(2);
    EXPECT_EQ(marks[1].slot, 1);
    EXPECT_FALSE(marks.isSet(2));
    EXPECT_EQ(marks[3].slot, 2);
    EXPECT_EQ(marks[3].line, 3);
}

} // namespace
} // namespace zerka
