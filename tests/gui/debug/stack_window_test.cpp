// The stack window: entries edited by typing and with the pop-up editor, the write-back when
// the window loses the focus, and a new stack depth.
// First: the fixture brings the core headers before Qt defines its keywords.
#include "regram_fixture.h"

#include "gui/debug/stack_window.h"
#include "gui/support/screenshot.h"

#include <QLineEdit>

namespace zerka {
namespace {

using gui::StackWindow;
using test::RegramFixture;

TEST(StackWindow, EntriesAreEditedAndWrittenBackWhenTheFocusLeaves) {
    RegramFixture f;
    const int depth = f.cpu().stackDepth();
    ASSERT_GE(depth, 4);
    f.up.SetRegister(reg::kStackPointer, 0x02);
    f.cpu().SetStackEntry(1, 0x0123);
    f.cpu().SetStackEntry(2, 0x0456);
    f.cpu().SetStackEntry(3, 0x0789); // above the pointer: not shown
    f.views->refreshAll();

    QWidget other;
    auto* elsewhere = new QLineEdit(&other);
    other.show();
    StackWindow window(*f.views, f.ui);
    window.show();
    gui::HexCellGrid& grid = *window.grid();
    ASSERT_EQ(grid.rows(), depth + 1);
    EXPECT_EQ(f.views->stack.cell(0, 1).text, "2");
    EXPECT_EQ(f.views->stack.cell(1, 1).text, "0123");
    EXPECT_EQ(f.views->stack.cell(3, 1).text, "");

    // The pop-up editor on entry 2: four digits fill "FFFF" and close it.
    test::typeIntoNextHexEditor("beef");
    test::doubleClickCell(grid, 2, 1);
    EXPECT_EQ(f.cpu().StackEntry(2), 0xBEEFu);
    EXPECT_EQ(f.views->stack.cell(2, 1).text, "BEEF");

    // Typing: a fifth digit is refused; Enter writes the entry.
    grid.setFocus();
    grid.setCurrent(1, 1);
    QTest::keyClicks(&grid, "abcd9");
    EXPECT_EQ(f.views->stack.cell(1, 1).text, "ABCD");
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(f.cpu().StackEntry(1), 0xABCDu);
    test::saveScreenshot(window, "stack_window");

    // The focus goes to another window: the empty rows are written as 0.
    QApplication::setActiveWindow(&window);
    grid.setFocus();
    QApplication::setActiveWindow(&other);
    elsewhere->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.cpu().StackEntry(3), 0u);
    EXPECT_EQ(f.cpu().StackEntry(1), 0xABCDu);

    // A chip with a deeper stack rebuilds the grid.
    f.cpu().setStackDepth(depth + 4);
    f.views->stack.Build(depth + 4);
    window.refreshView();
    EXPECT_EQ(grid.rows(), depth + 5);
    EXPECT_EQ(grid.sizeHint().height(), (depth + 5) * (grid.cellRect(1, 0).height() + 1) + 1);
}

} // namespace
} // namespace zerka

namespace zerka {
namespace {

TEST(StackWindow, DestroyingAFocusedWindowLeavesTheStackAlone) {
    test::RegramFixture f;
    f.cpu().SetStackEntry(5, 0x0555); // above the pointer: shown empty
    f.views->refreshAll();
    auto window = std::make_unique<gui::StackWindow>(*f.views, f.ui);
    window->show();
    QApplication::setActiveWindow(window.get());
    window->grid()->setFocus();
    QApplication::processEvents();
    window.reset(); // the focus moves while the window is half gone
    EXPECT_EQ(f.cpu().StackEntry(5), 0x0555u);
}

} // namespace
} // namespace zerka
