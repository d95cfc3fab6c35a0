// The RAM window on a shipped chip: byte edits through typing and the pop-up editor, banks,
// the step colours, marks and hints, ".ram" files through the window and "Save To excel".
// First: the fixture brings the core headers before Qt defines its keywords.
#include "regram_fixture.h"

#include "gui/debug/ram_window.h"
#include "gui/support/popup_menu.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <fstream>

namespace zerka {
namespace {

using gui::RamWindow;
using test::RegramFixture;

// Grid row and column of an offset within the shown bank.
std::pair<int, int> cellOf(uint32_t address) {
    return {int((address & 0xFF) / 16 + 1), int(address % 16 + 1)};
}

// Opens the pop-up menu of a cell with Shift+F10 and reads it; with `choose`, chooses that item.
std::vector<test::PopupItem> menuAt(RamWindow& window, int row, int col,
                                    const QString& choose = {}) {
    gui::HexCellGrid& grid = *window.grid();
    grid.setCurrent(row, col);
    return test::popUpMenu([&] { QTest::keyClick(&grid, Qt::Key_F10, Qt::ShiftModifier); },
                           choose);
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(RamWindow, BytesAreEditedInTheirBankAndAStepPaintsThemBlue) {
    RegramFixture f;
    RamWindow window(*f.views, f.ui);
    window.show();
    gui::HexCellGrid& grid = *window.grid();

    // Only the chip's banks have buttons; bank 1 moves the row labels.
    EXPECT_TRUE(window.bankButton(1)->isVisibleTo(&window));
    EXPECT_FALSE(window.bankButton(15)->isVisibleTo(&window));
    QTest::mouseClick(window.bankButton(1), Qt::LeftButton);
    EXPECT_EQ(f.views->ram.bank(), 1);
    EXPECT_EQ(f.views->ram.cell(1, 0).text, "100");
    EXPECT_TRUE(window.bankButton(1)->isChecked());

    // The pop-up editor on bank 1, offset 5 writes 105h.
    const auto [r1, c1] = cellOf(RegramFixture::kBank1Byte);
    test::typeIntoNextHexEditor("5a");
    test::doubleClickCell(grid, r1, c1);
    EXPECT_EQ(f.cpu().ReadData(RegramFixture::kBank1Byte), 0x5A);
    EXPECT_EQ(f.views->ram.cell(r1, c1).text, "5A");

    // Bank 0: offset 5 is an indirect register and refuses keys; 80h takes typed digits,
    // written when the cursor leaves the cell.
    QTest::mouseClick(window.bankButton(0), Qt::LeftButton);
    grid.setFocus();
    grid.setCurrent(1, 6);
    QTest::keyClicks(&grid, "12");
    EXPECT_EQ(f.views->ram.cell(1, 6).text, "=");
    const auto [r0, c0] = cellOf(RegramFixture::kByte);
    grid.setCurrent(r0, c0);
    QTest::keyClicks(&grid, "c");
    EXPECT_EQ(f.views->ram.cell(r0, c0).text, "C");
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(f.cpu().ReadData(RegramFixture::kByte), 0x0C);

    // Steps: MVL, then MVF 80h writes 5Ah, which turns the cell blue; the next refresh without
    // a change clears it.
    f.views->refreshAll();
    window.refreshView();
    f.step();
    f.step();
    window.refreshView();
    EXPECT_EQ(f.views->ram.cell(r0, c0).text, "5A");
    EXPECT_EQ(test::cellBackground(grid, r0, c0), QColor(0, 0, 255));
    EXPECT_LT(grid.lastRepaintCount(), 10); // a few bytes, not the whole bank
    f.views->refreshAll(true);
    window.refreshView();
    EXPECT_NE(test::cellBackground(grid, r0, c0), QColor(0, 0, 255));
}

TEST(RamWindow, PopUpMenuGroupsItsItemsAndListsTheChipsBanks) {
    RegramFixture f;
    RamWindow window(*f.views, f.ui);
    window.show();
    const auto [row, col] = cellOf(RegramFixture::kByte);
    const auto items = menuAt(window, row, col, "RAMBANK1");
    EXPECT_EQ(test::captions(items).join(QLatin1Char(',')).toStdString(),
              "Set Mark,Set Mark(new color),Reset Mark,Reset All Mark,-,Set Hint,Reset Hint,"
              "Reset All Hint,-,Load RAM Data,Save RAM Data,-,Save To excel,-,RAMBANK0,RAMBANK1,"
              "RAMBANK2,RAMBANK3"); // the chip's four banks, not all sixteen
    ASSERT_EQ(items.size(), 18u);
    EXPECT_TRUE(items[14].checked);
    EXPECT_FALSE(items[15].checked);
    // The bank item shows its bank, and the menu then checks it.
    EXPECT_EQ(f.views->ram.bank(), 1);
    const auto again = menuAt(window, row, col);
    ASSERT_EQ(again.size(), 18u);
    EXPECT_FALSE(again[14].checked);
    EXPECT_TRUE(again[15].checked);
}

TEST(RamWindow, MarksHintsAndRamFilesThroughTheWindow) {
    RegramFixture f;
    test::TempDir dir;
    RamWindow window(*f.views, f.ui);
    window.show();
    const auto [row, col] = cellOf(RegramFixture::kByte);

    // A mark in a new colour and a hint typed in the text box.
    window.setColourChooser([](QWidget*, QColor) { return QColor(200, 40, 40); });
    menuAt(window, row, col, "Set Mark(new color)");
    window.setTextAsker([](QWidget*, QPoint) { return gui::TextInputResult{true, "counter"}; });
    menuAt(window, row, col, "Set Hint");
    EXPECT_EQ(test::cellBackground(*window.grid(), row, col), QColor(200, 40, 40));
    window.hoverCell(row, col);
    EXPECT_TRUE(window.hoverPanel()->isVisible());
    EXPECT_EQ(window.hoverPanel()->text(), "<80>: counter");
    f.up.SetRegister(RegramFixture::kByte, 0x42);
    f.views->refreshAll(); // 80h shows its mark again; 95h is the fresh change
    f.up.SetRegister(0x95, 0x17);
    window.refreshView();
    EXPECT_EQ(test::cellBackground(*window.grid(), row, col), QColor(200, 40, 40));
    test::saveScreenshot(window, "ram_window");

    // Save, then a second save asks before replacing the file; "No" keeps it.
    const std::string file = (dir.path() / "data.ram").string();
    window.setFileChooser([&](QWidget*, bool) { return std::optional<std::string>(file); });
    menuAt(window, row, col, "Save RAM Data");
    ASSERT_TRUE(std::filesystem::exists(file));
    const std::string saved = readFile(file);
    f.up.SetRegister(RegramFixture::kByte, 0x43);
    menuAt(window, row, col, "Save RAM Data");
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, "File " + file + " exist! Overwrite?");
    EXPECT_EQ(readFile(file), saved);

    // Reset everything (answering Yes), then load the file back.
    f.ui.answers = {Button::Yes, Button::Yes};
    menuAt(window, row, col, "Reset All Mark");
    menuAt(window, row, col, "Reset All Hint");
    EXPECT_FALSE(f.views->ram.annotation(RegramFixture::kByte).mark);
    menuAt(window, row, col, "Load RAM Data");
    EXPECT_EQ(f.cpu().ReadData(RegramFixture::kByte), 0x42);
    const RamAnnotation& note = f.views->ram.annotation(RegramFixture::kByte);
    EXPECT_TRUE(note.mark);
    EXPECT_EQ(note.colour, 0xC82828u);
    EXPECT_EQ(note.hintText, "counter");
    EXPECT_EQ(window.grid()->cellRect(row, col).isEmpty(), false);

    // A file that is not RAM data: a message, and memory and marks stay as they are.
    const std::string bad = dir.write("bad.ram", "not ram data\n").string();
    window.setFileChooser([&](QWidget*, bool) { return std::optional<std::string>(bad); });
    const size_t before = f.ui.messages.size();
    menuAt(window, row, col, "Load RAM Data");
    ASSERT_EQ(f.ui.messages.size(), before + 1);
    EXPECT_EQ(f.ui.messages.back().type, MessageType::Error);
    EXPECT_NE(f.ui.messages.back().text.find("bad.ram"), std::string::npos);
    EXPECT_EQ(f.cpu().ReadData(RegramFixture::kByte), 0x42);
    EXPECT_TRUE(f.views->ram.annotation(RegramFixture::kByte).mark);
}

TEST(RamWindow, SaveToExcelWritesAWorkbookAndSaysWhereWhenNothingOpensIt) {
    RegramFixture f;
    test::TempDir dir;
    RamWindow window(*f.views, f.ui);
    window.show();
    window.setExportFolder(dir.path().string());
    std::vector<QUrl> opened;
    bool viewerInstalled = false;
    window.setUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return viewerInstalled;
    });

    menuAt(window, 1, 1, "Save To excel");
    const std::string first = window.lastWorkbook();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(readFile(first).substr(0, 2), "PK"); // a zip container, as .xlsx files are
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString(), first);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].type, MessageType::Information);
    EXPECT_NE(f.ui.messages[0].text.find(first), std::string::npos);

    // With a viewer nothing is said; a second export is a new workbook beside the first.
    viewerInstalled = true;
    menuAt(window, 1, 1, "Save To excel");
    EXPECT_EQ(f.ui.messages.size(), 1u);
    EXPECT_NE(window.lastWorkbook(), first);
    // Only the two workbooks are left: the temporary files were renamed over them.
    EXPECT_EQ(QDir(QString::fromStdString(dir.path().string())).entryList(QDir::Files).size(), 2);

    // A folder that cannot be written: an error, and no viewer is started.
    const std::string blocked = dir.write("blocked", "a file, not a folder").string();
    window.setExportFolder(blocked + "/inside");
    menuAt(window, 1, 1, "Save To excel");
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(f.ui.messages.back().type, MessageType::Error);
}

} // namespace
} // namespace zerka
