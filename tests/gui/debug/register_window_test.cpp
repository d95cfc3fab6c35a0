// The register window on a shipped chip: edits through the panels, the grids and the pop-up
// editor reach the CPU state, and a step paints the changed registers blue.
// First: the fixture brings the core headers before Qt defines its keywords.
#include "regram_fixture.h"

#include "gui/debug/register_window.h"
#include "gui/support/screenshot.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QPushButton>

namespace zerka {
namespace {

using gui::RegisterWindow;
using Panel = RegisterViewModel::Panel;
using test::RegramFixture;

// The byte-grid value cell of the first named register at `address`.
std::pair<int, int> byteCellOf(RegisterViewModel& model, uint32_t address) {
    for (int r = 1; r < model.byteRows(); r += 2)
        for (int c = 0; c < RegisterViewModel::kGridColumns; ++c)
            if (auto e = model.byteDoubleClick(r, c); e && e->target.address == address)
                return {r, c};
    return {-1, -1};
}

struct ChooserLog {
    std::vector<std::vector<std::string>> menus;
    int answer = 0;
    gui::PopupChooser chooser() {
        return [this](QWidget*, QPoint, const std::vector<std::string>& items) {
            menus.push_back(items);
            return answer;
        };
    }
};

TEST(RegisterWindow, PanelGridAndBitEditsReachTheCpu) {
    RegramFixture f;
    RegisterWindow window(*f.views, f.ui);
    ChooserLog menus;
    window.setPopupChooser(menus.chooser());
    window.show();

    // W panel: its menu, then the real pop-up editor; two digits fill "FF" and close it.
    test::typeIntoNextHexEditor("3c");
    QTest::mouseClick(window.panel(Panel::W), Qt::LeftButton);
    ASSERT_EQ(menus.menus.size(), 1u);
    EXPECT_EQ(menus.menus[0], std::vector<std::string>{"Modify Value"});
    EXPECT_EQ(f.cpu().ReadData(reg::kW), 0x3C);
    EXPECT_EQ(window.panel(Panel::W)->text(), " WREG:3C");

    // FSR1 through the IND1 panel's second item: the editor starts from FSR1's own value.
    f.up.SetRegister(reg::kFsr0High + 2, 0x01);
    f.up.SetRegister(reg::kFsr0High + 3, 0x23);
    std::string caption;
    window.setHexEditor([&](QWidget*, QPoint, const HexEditRequest& r) {
        caption = r.caption;
        return gui::HexEditResult{true, 0x0A5};
    });
    menus.answer = 1;
    QTest::mouseClick(window.panel(Panel::Ind1Address), Qt::LeftButton);
    EXPECT_EQ(menus.menus.back()[1], "Modify FSR1");
    EXPECT_EQ(caption, "FSR1=123");
    EXPECT_EQ(f.cpu().ReadData(0x11), 0x00);
    EXPECT_EQ(f.cpu().ReadData(0x12), 0xA5);
    EXPECT_EQ(window.panel(Panel::Ind1Address)->text(), " IND1: M[0A5");

    // Typing into the byte grid: lower case raised, "g" refused, a third digit refused.
    RegisterViewModel& model = f.views->registers;
    // W: a named byte register with every bit implemented.
    const uint32_t wreg = reg::kW;
    const auto [row, col] = byteCellOf(model, wreg);
    ASSERT_GE(row, 0);
    gui::HexCellGrid& bytes = *window.byteGrid();
    bytes.setFocus();
    bytes.setCurrent(row, col);
    QTest::keyClicks(&bytes, "g0f7");
    EXPECT_EQ(model.byteCell(row, col).text, "0F");
    QTest::keyClick(&bytes, Qt::Key_Return);
    EXPECT_EQ(f.cpu().ReadData(wreg) & f.chip.implementedBits[wreg],
              0x0F & f.chip.implementedBits[wreg]);

    // A bit of STATUS through its "=1" menu item.
    int statusRow = -1;
    for (int r = 0; r < model.bitRows(); ++r)
        if (model.bitCell(r, 0).text == "STATUS") statusRow = r;
    ASSERT_GE(statusRow, 0);
    int bitCol = -1;
    for (int c = 1; c < RegisterViewModel::kBitColumns && bitCol < 0; ++c)
        if (model.bitCell(statusRow, c).text != "-") bitCol = c;
    ASSERT_GE(bitCol, 1);
    f.up.SetRegister(0x2B, 0);
    menus.answer = 0;
    test::doubleClickCell(*window.bitGrid(), statusRow, bitCol);
    const std::string bitName = model.bitCell(statusRow, bitCol).text;
    EXPECT_EQ(menus.menus.back(), (std::vector<std::string>{bitName + "=1", bitName + "=0"}));
    EXPECT_EQ(f.cpu().ReadData(0x2B) & f.chip.implementedBits[0x2B],
              (1 << (8 - bitCol)) & f.chip.implementedBits[0x2B]);

    // The description menu of a byte register (nothing for one without a description).
    const size_t before = menus.menus.size();
    const QPoint at = bytes.cellRect(row, col).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, bytes.mapToGlobal(at));
    QApplication::sendEvent(&bytes, &menuEvent);
    const auto help = model.byteHelp(row, col);
    EXPECT_EQ(menus.menus.size(), before + (help ? 1 : 0));
    if (help) {
        EXPECT_EQ(menus.menus.back(), std::vector<std::string>{*help});
    }
}

TEST(RegisterWindow, AStepPaintsChangedRegistersBlueUntilANoHighlightRefresh) {
    RegramFixture f;
    RegisterWindow window(*f.views, f.ui);
    window.show();
    f.views->refreshAll();
    window.refreshView();
    const QColor normal = window.panel(Panel::W)->palette().color(QPalette::Window);

    f.step(); // MVL 5AH changes W
    window.refreshView();
    EXPECT_EQ(window.panel(Panel::W)->text(), " WREG:5A");
    EXPECT_EQ(window.panel(Panel::W)->palette().color(QPalette::Window), QColor(0, 0, 255));
    const auto [row, col] = byteCellOf(f.views->registers, reg::kW);
    if (row >= 0) {
        EXPECT_EQ(test::cellBackground(*window.byteGrid(), row, col), QColor(0, 0, 255));
    }
    // Only what changed is repainted (W and the few registers the step touched).
    EXPECT_LE(window.byteGrid()->lastRepaintCount(), 4);

    // Page buttons: the selected one is drawn in its colour.
    QTest::mouseClick(window.pageButton(0), Qt::LeftButton);
    EXPECT_TRUE(window.pageButton(0)->isChecked());
    EXPECT_FALSE(window.pageButton(1)->isChecked());
    EXPECT_TRUE(window.pageButton(0)->styleSheet().contains("255,255,0"));
    test::saveScreenshot(window, "register_window");

    f.up.ResetCpu();
    f.views->refreshAll(true);
    window.refreshView();
    EXPECT_EQ(window.panel(Panel::W)->palette().color(QPalette::Window), normal);
    if (row >= 0) {
        EXPECT_NE(test::cellBackground(*window.byteGrid(), row, col), QColor(0, 0, 255));
    }
}

} // namespace
} // namespace zerka
