// The hexadecimal pop-up editor's limit rule and closing rules, and the text input box.
#include "views/hex_entry.h"
#include "views/text_input.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(HexEntry, LimitTextBoundsEachDigitAndAFullBoxAccepts) {
    HexEntry e("3FF", "000~3FF", "Ram");
    e.key('4'); // larger than the first limit digit
    EXPECT_EQ(e.text(), "");
    e.key('3');
    e.key('f'); // lower case counts as upper case
    EXPECT_FALSE(e.closed());
    e.key('F');
    EXPECT_TRUE(e.accepted());
    EXPECT_EQ(e.value(), 0x3FFu);
    e.key('0'); // closed: nothing changes any more
    EXPECT_EQ(e.text(), "3FF");
}

TEST(HexEntry, EnterEscapeAcceptAndOtherKeys) {
    HexEntry enter("FF", "00~FF", "Work=00");
    enter.key('1');
    enter.key('g');
    enter.key(HexEntry::kEnter);
    EXPECT_TRUE(enter.accepted());
    EXPECT_EQ(enter.value(), 1u);

    HexEntry escape("FF", "00~FF", "Work=00");
    escape.key('1');
    escape.key(HexEntry::kEscape);
    EXPECT_TRUE(escape.closed());
    EXPECT_FALSE(escape.accepted());

    HexEntry empty("FF", "00~FF", "x");
    empty.acceptButton();
    EXPECT_TRUE(empty.closed());
    EXPECT_FALSE(empty.accepted());
    HexEntry emptyEnter("FF", "00~FF", "x");
    emptyEnter.key(HexEntry::kEnter);
    EXPECT_FALSE(emptyEnter.accepted());
}

TEST(HexEntry, ButtonsFollowTheSameRules) {
    HexEntry e("FFFF", "0000~FFFF", "Stack");
    e.digitButton(0xA);
    e.digitButton(1);
    e.key(HexEntry::kBackspace);
    EXPECT_EQ(e.text(), "A");
    e.clearButton();
    EXPECT_EQ(e.text(), "");
    for (int d : {1, 2, 3})
        e.digitButton(d);
    EXPECT_FALSE(e.closed());
    e.digitButton(4);
    EXPECT_TRUE(e.accepted());
    EXPECT_EQ(e.value(), 0x1234u);

    HexEntry c("FF", "00~FF", "x");
    c.digitButton(5);
    c.cancelButton();
    EXPECT_FALSE(c.accepted());
}

TEST(HexEntry, PlacedInsideTheScreen) {
    EXPECT_EQ(placeInsideScreen({1800, 1000}, 200, 150, 1920, 1080), (ScreenPoint{1720, 930}));
    EXPECT_EQ(placeInsideScreen({10, 20}, 200, 150, 1920, 1080), (ScreenPoint{10, 20}));
}

TEST(TextInput, KeepsTheTextSelectedAndReportsTheButton) {
    TextInput box;
    box.open();
    box.type("count");
    box.ok();
    EXPECT_TRUE(box.accepted());
    EXPECT_EQ(box.text(), "count");
    box.open(); // the previous text is selected: typing replaces it
    EXPECT_TRUE(box.allSelected());
    box.type("x");
    box.cancel();
    EXPECT_FALSE(box.accepted());
    EXPECT_EQ(box.text(), "x");
}

} // namespace
} // namespace zerka
