// The program-memory window on the offscreen platform over a real uP centre: the current row
// follows a step, the breakpoint column and F2 reach the uP centre, keys and the scroll bar,
// program-word edits, the address signal, and the hex grid of a read-back image.
// First: the core headers must come before Qt defines its keywords.
#include "progwatch_rig.h"
#include "target/emulator_debug_rig.h"
#include "views/views_fixture.h"

#include "gui/debug/program_memory_window.h"

#include "gui/debug/program_memory_grid.h"
#include "gui/debug/program_memory_image.h"
#include "gui/debug/progwatch_entry.h"
#include "gui/support/screenshot.h"
#include "views/view_text.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace zerka::gui {
namespace {

using viewtext::hex;

class ProgramMemoryWindowTest : public ::testing::Test {
  protected:
    ProgramMemoryWindowTest() {
        rig.build();
        window = std::make_unique<ProgramMemoryWindow>(*rig.views, rig.ui);
        window->resize(440, 360);
        window->show();
        QApplication::processEvents();
    }
    ~ProgramMemoryWindowTest() override { progwatch::setHexAnswerHook({}); }

    ProgramMemoryGrid& grid() { return window->grid(); }
    ProgramMemoryViewModel& model() { return rig.views->programMemory; }
    // The data row showing `address`, or -1.
    int rowOf(uint32_t address) {
        for (int r = 1; r <= model().dataRows(); ++r)
            if (model().addressAt(r) == address) return r;
        return -1;
    }
    QPoint cellCentre(int row, int col) {
        const int w = col < 4 ? ProgramMemoryViewModel::kColumnWidths[size_t(col)] : 40;
        return {grid().columnLeft(col) + w / 2, row * ProgramMemoryViewModel::kRowHeight + 9};
    }
    QColor pixelAt(int row, int col) {
        const QImage image = grid().grab().toImage();
        // A corner of the cell: inside its background, away from its text.
        return image.pixelColor(grid().columnLeft(col) + 2,
                                row * ProgramMemoryViewModel::kRowHeight + 2);
    }
    // Whether any pixel of the cell is drawn in a red text colour.
    bool drawnRed(int row, int col) {
        const QImage image = grid().grab().toImage();
        const int w = ProgramMemoryViewModel::kColumnWidths[size_t(col)];
        for (int y = row * 18; y < row * 18 + 18; ++y)
            for (int x = grid().columnLeft(col); x < grid().columnLeft(col) + w; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 80 && c.blue() < 80) return true;
            }
        return false;
    }
    void step() {
        rig.up.StepInto();
        rig.views->refreshAll();
        window->refreshView();
        QApplication::processEvents();
    }

    test::ProgWatchRig rig;
    std::unique_ptr<ProgramMemoryWindow> window;
};

TEST_F(ProgramMemoryWindowTest, CurrentRowFollowsTheProgramCounter) {
    // 360 pixels of grid give (360 - 1) / 18 - 1 data rows.
    EXPECT_EQ(model().dataRows(), (grid().height() - 1) / 18 - 1);
    ASSERT_EQ(rig.up.cpu().GetPC(), 0u);
    EXPECT_EQ(model().cell(rowOf(0), 1).text, "0000");
    EXPECT_EQ(model().cell(rowOf(0), 3).text.rfind("MVL", 0), 0u);
    EXPECT_EQ(pixelAt(0, 2), grid().palette().color(QPalette::Button)); // the header row
    EXPECT_EQ(pixelAt(rowOf(0), 2), QColor(0, 128, 0)); // white on green: simulator
    EXPECT_TRUE(window->scrollBar().isVisible());
    EXPECT_EQ(window->scrollBar().maximum(), int(rig.up.cpu().programSize()) - model().dataRows());

    step();
    step();
    const uint32_t pc = rig.up.cpu().GetPC();
    ASSERT_EQ(pc, 2u);
    EXPECT_EQ(model().currentAddress(), pc);
    EXPECT_EQ(pixelAt(rowOf(pc), 2), QColor(0, 128, 0));
    EXPECT_EQ(pixelAt(rowOf(0), 2), QColor(Qt::white));
    // MVF PAIR, 1 at address 1 addresses A0h, which now holds 12h.
    EXPECT_EQ(model().cell(rowOf(1), 4).text, "M(A0)=12");

    // Far away the grid scrolls so that the PC is centred; the scroll bar follows.
    rig.up.SetPCFromView(0x800);
    rig.views->refreshAll();
    window->refreshView();
    EXPECT_EQ(model().topAddress(), 0x800u - uint32_t(model().dataRows() / 2));
    EXPECT_EQ(window->scrollBar().value(), int(model().topAddress()));
}

TEST_F(ProgramMemoryWindowTest, BreakpointColumnAndF2ReachTheUpCentre) {
    const int row = rowOf(3);
    ASSERT_GT(row, 0);
    QTest::mouseDClick(&grid(), Qt::LeftButton, {}, cellCentre(row, 0));
    ASSERT_EQ(rig.up.breakpoints().size(), 1u);
    EXPECT_EQ(rig.up.breakpoints()[0].address, 3u);
    EXPECT_EQ(rig.up.breakpoints()[0].kind, BreakpointKind::Address);
    QApplication::processEvents();
    EXPECT_EQ(model().cell(row, 0).text, ProgramMemoryViewModel::kBreakMark);
    EXPECT_TRUE(drawnRed(row, 0));
    EXPECT_TRUE(drawnRed(row, 2));
    EXPECT_FALSE(drawnRed(rowOf(2), 2));
    // A run stops on it.
    rig.up.setTickLimit(1000);
    rig.up.Run();
    EXPECT_EQ(rig.up.cpu().GetPC(), 3u);

    // A second double-click clears it.
    QTest::mouseDClick(&grid(), Qt::LeftButton, {}, cellCentre(row, 0));
    EXPECT_TRUE(rig.up.breakpoints().empty());
    EXPECT_EQ(model().cell(row, 0).text, " ");

    // F2 acts on the selected row; a double-click elsewhere asks for the source line instead.
    QTest::mouseClick(&grid(), Qt::LeftButton, {}, cellCentre(rowOf(5), 1));
    EXPECT_EQ(window->selectedAddress(), 5u);
    window->toggleBreakpointAtSelection();
    ASSERT_EQ(rig.up.breakpoints().size(), 1u);
    EXPECT_EQ(rig.up.breakpoints()[0].address, 5u);
    QSignalSpy spy(window.get(), &ProgramMemoryWindow::addressSelected);
    QTest::mouseDClick(&grid(), Qt::LeftButton, {}, cellCentre(rowOf(4), 3));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<uint32_t>(), 4u);
    EXPECT_EQ(rig.up.breakpoints().size(), 1u);
}

TEST_F(ProgramMemoryWindowTest, KeysScrollWithinProgramMemory) {
    const uint32_t size = rig.up.cpu().programSize();
    const int rows = model().dataRows();
    grid().setFocus();
    QTest::keyClick(&grid(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(model().addressAt(rows), size - 1);
    EXPECT_EQ(model().cell(rows, 1).text, hex(size - 1, 4));
    QTest::keyClick(&grid(), Qt::Key_PageDown); // already at the end
    EXPECT_EQ(model().topAddress(), size - uint32_t(rows));
    QTest::keyClick(&grid(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(model().topAddress(), 0u);
    QTest::keyClick(&grid(), Qt::Key_Up); // first row: nothing above
    EXPECT_EQ(model().topAddress(), 0u);
    QTest::keyClick(&grid(), Qt::Key_PageDown);
    EXPECT_EQ(model().topAddress(), uint32_t(rows));
    // Down walks the selection to the last row, then scrolls by one.
    for (int i = 0; i < rows; ++i)
        QTest::keyClick(&grid(), Qt::Key_Down);
    EXPECT_EQ(grid().selectedRow(), rows);
    EXPECT_EQ(model().topAddress(), uint32_t(rows) + 1);
    EXPECT_EQ(window->selectedAddress(), uint32_t(2 * rows));
    // The scroll bar drives the top address too.
    window->scrollBar().setValue(100);
    EXPECT_EQ(model().topAddress(), 100u);
    EXPECT_EQ(model().cell(1, 1).text, "0064");
}

TEST_F(ProgramMemoryWindowTest, ProgramWordEdits) {
    std::vector<std::string> captions;
    progwatch::setHexAnswerHook([&](HexEntry& e) {
        captions.push_back(e.caption());
        for (char c : std::string("122a"))
            e.key(c); // the fourth digit closes the editor
    });
    const uint16_t before = rig.up.cpu().ProgramWord(0x10);
    ASSERT_TRUE(window->editWord(0x10));
    EXPECT_EQ(captions.back(), "Rom0010=" + hex(before, 4));
    EXPECT_EQ(rig.up.cpu().ProgramWord(0x10), 0x122A);
    window->showAddress(0x10);
    const int row = rowOf(0x10);
    EXPECT_EQ(model().cell(row, 2).text, "122A");
    EXPECT_EQ(model().cell(row, 3).text.rfind("ADDF", 0), 0u);
    EXPECT_EQ(model().cell(row, 4).text, "M(2A)=" + hex(rig.up.cpu().ReadData(0x2A), 1));

    // Enter on the grid edits the selected row; Escape leaves the word alone.
    progwatch::setHexAnswerHook([](HexEntry& e) {
        e.key('7');
        e.key(HexEntry::kEscape);
    });
    QTest::mouseClick(&grid(), Qt::LeftButton, {}, cellCentre(row, 1));
    QTest::keyClick(&grid(), Qt::Key_Return);
    EXPECT_EQ(rig.up.cpu().ProgramWord(0x10), 0x122A);

    // A writer that fails (the emulator) reports it and leaves the cell as it was.
    progwatch::setHexAnswerHook([](HexEntry& e) {
        for (char c : std::string("FFFF"))
            e.key(c);
    });
    window->setWordWriter([](uint32_t, uint16_t) { return false; });
    EXPECT_FALSE(window->editWord(0x10));
    EXPECT_EQ(rig.up.cpu().ProgramWord(0x10), 0x122A);
    ASSERT_FALSE(rig.ui.messages.empty());
    EXPECT_EQ(rig.ui.messages.back(), "Program memory accessed error!");
    // Past the end of program memory nothing opens.
    EXPECT_FALSE(window->editWord(rig.up.cpu().programSize()));

    window->showAddress(0);
    window->refreshView();
    QApplication::processEvents();
    test::saveScreenshot(*window, QStringLiteral("program_memory_window"));
}

TEST_F(ProgramMemoryWindowTest, WordImageIsAPlainHexGrid) {
    std::vector<uint16_t> words(40);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = uint16_t(0xA000 + i);
    window->showWordImage(words, QStringLiteral("OTP Chip is KXA1608"));
    EXPECT_TRUE(window->wordImageShown());
    EXPECT_EQ(window->wordImageCaption(), QStringLiteral("OTP Chip is KXA1608"));
    const auto& image = window->imageModel();
    EXPECT_EQ(image.rowCount(), 3); // 16 words a row, the last one partly filled
    EXPECT_EQ(image.data(image.index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("A012"));
    EXPECT_FALSE(image.data(image.index(2, 8), Qt::DisplayRole).isValid());
    EXPECT_EQ(image.headerData(2, Qt::Vertical, Qt::DisplayRole).toString(),
              QStringLiteral("0020"));
    QApplication::processEvents();
    test::saveScreenshot(*window, QStringLiteral("program_memory_image"));
    window->showDisassembly();
    EXPECT_FALSE(window->wordImageShown());
}

TEST(ProgramMemoryWindowEmulator, CurrentRowIsBlueOnTheEmulator) {
    test::EmulatorDebugRig rig;
    rig.connect();
    const ChipModel chip = test::smallChip();
    DebugViews views(rig.up, chip);
    views.chipChanged();
    test::ProgwatchUi ui;
    ProgramMemoryWindow window(views, ui);
    window.resize(440, 360);
    window.show();
    rig.up.cpu().SetPC(0x20);
    views.refreshAll();
    window.refreshView();
    QApplication::processEvents();
    int row = 1;
    while (row < views.programMemory.dataRows() && views.programMemory.addressAt(row) != 0x20u)
        ++row;
    ASSERT_EQ(views.programMemory.addressAt(row), 0x20u);
    const QImage image = window.grid().grab().toImage();
    EXPECT_EQ(image.pixelColor(window.grid().columnLeft(2) + 2, row * 18 + 2), QColor(0, 0, 0xC0));

    // Without a writer for the unit's memory an edit would change only the mirror: refused.
    progwatch::setHexAnswerHook([](HexEntry& e) {
        for (char c : std::string("1234"))
            e.key(c);
    });
    const uint16_t before = rig.up.cpu().ProgramWord(0x20);
    EXPECT_FALSE(window.editWord(0x20));
    EXPECT_EQ(rig.up.cpu().ProgramWord(0x20), before);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Program memory accessed error!"});
    std::vector<std::pair<uint32_t, uint16_t>> unitWrites;
    window.setWordWriter([&](uint32_t a, uint16_t w) {
        unitWrites.push_back({a, w});
        return rig.up.cpu().SetProgramWord(a, w);
    });
    EXPECT_TRUE(window.editWord(0x20));
    EXPECT_EQ(unitWrites, (std::vector<std::pair<uint32_t, uint16_t>>{{0x20, 0x1234}}));
    EXPECT_EQ(views.programMemory.cell(row, 2).text, "1234");
    progwatch::setHexAnswerHook({});
}

} // namespace
} // namespace zerka::gui
