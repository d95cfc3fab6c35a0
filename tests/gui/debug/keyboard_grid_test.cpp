// The RAM grid without a mouse: the keyboard focus lands on a cell, the arrows move it, typing
// edits the byte as with the mouse, Escape drops what was typed, and the menu keys open the
// cell's pop-up menu. What a screen reader is told follows the cell with the focus.
// The core headers first: Qt defines its keyword `emit` as a macro.
#include "regram_fixture.h"

#include "gui/debug/ram_window.h"
#include "gui/support/accessibility.h"

#include <QMenu>

namespace zerka {
namespace {

using test::RegramFixture;

// Opens the pop-up menu with `key` and returns its items (closing it again).
QStringList menuOn(QWidget& grid, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QStringList items;
    QTimer::singleShot(0, [&items] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) items << a->text();
            menu->close();
        }
    });
    QTest::keyClick(&grid, key, modifiers);
    return items;
}

TEST(KeyboardGrid, TheRamGridIsEditedWithKeysAlone) {
    RegramFixture f;
    gui::RamWindow window(*f.views, f.ui);
    window.show();
    QApplication::setActiveWindow(&window);
    gui::HexCellGrid& grid = *window.grid();
    grid.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(grid.hasFocus());
    // The focus starts on the first byte; eight rows down is 080.
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.currentCol(), 1);
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(&grid, Qt::Key_Down);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    QAccessibleInterface* focus = table->focusChild();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(table->tableInterface()->rowDescription(focus->tableCellInterface()->rowIndex()),
              "080");
    EXPECT_TRUE(focus->state().focused);

    // Typing shows the digits; Escape drops them and nothing is written.
    const uint8_t before = f.cpu().ReadData(RegramFixture::kByte);
    QTest::keyClicks(&grid, "3c");
    EXPECT_EQ(focus->text(QAccessible::Name), "3C");
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(focus->text(QAccessible::Name), QStringLiteral("%1").arg(before, 2, 16, QLatin1Char('0')).toUpper());
    EXPECT_EQ(f.cpu().ReadData(RegramFixture::kByte), before);
    // Enter writes what was typed.
    QTest::keyClicks(&grid, "3c");
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(f.cpu().ReadData(RegramFixture::kByte), 0x3C);
    EXPECT_EQ(focus->text(QAccessible::Name), "3C");

    // Shift+F10 and the Menu key open the cell's menu.
    const QStringList items = menuOn(grid, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(items.contains("Set Mark")) << items.join(", ").toStdString();
    EXPECT_TRUE(menuOn(grid, Qt::Key_Menu, Qt::NoModifier).contains("Set Hint"));
}

} // namespace
} // namespace zerka
