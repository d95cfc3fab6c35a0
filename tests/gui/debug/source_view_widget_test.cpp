// The source view window over a real assembly: tabs, the highlighted line in the simulator and
// emulator colours, a breakpoint by double click on the mark column, bookmark keys, the value
// hint while debugging, and a screenshot.
// First: the core headers use a member named emit.
#include "gui/debug/source_view_widget.h"

#include "chip/chip_library.h"
#include "gui/debug/source_view_table.h"
#include "gui/support/screenshot.h"
#include "shell/up_receiver.h"
#include "support/temp_dir.h"
#include "upcentre/run/up_centre.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace zerka::gui {
namespace {

class QuietUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

constexpr int32_t kMvfRow = 12;
constexpr int32_t kCallRow = 14;

const char* const kMain = "; counts down with a macro; shows the source view\n"
                          "TOF     EQU     1\n"
                          "COUNT   EQU     23H\n"
                          "TWICE   MACRO   REG\n"
                          "        DCF     REG, TOF    ; one down\n"
                          "        DCF     REG, TOF    ; and another\n"
                          "        ENDM\n"
                          "STATUS  EQU     2BH\n"
                          "        ORG     0\n"
                          "        JMP     START\n"
                          "START:  MVL     10\n"
                          "        MVF     023H, TOF   ; counter = 10\n"
                          "LOOP:   NOP\n"
                          "        TWICE   COUNT\n"
                          "\tBTSZ\tSTATUS, 0\n"
                          "        RJ      LOOP\n"
                          "DONE:   SLP\n"
                          "        RJ      DONE\n"
                          "; end of program\n"
                          "        END\n";

class SourceViewWidgetTest : public ::testing::Test {
  protected:
    SourceViewWidgetTest() : model(up), window(model) {
        ChipLibrary library(test::sourceDir() / "chips");
        library.buildChipList();
        const auto index = library.findChipByName("KXA1608");
        EXPECT_TRUE(index.has_value());
        if (index) {
            EXPECT_TRUE(library.GetSELUP(*index, chip));
        }
        up.applyChip(chip);

        const auto path = dir.write("COUNT.ASM", kMain);
        AssemblyContext ctx;
        ctx.chip = &chip;
        ctx.instructions = &up.instructions();
        AssemblyOptions options;
        options.listing = options.hexFile = options.mapFile = options.errorFile = false;
        result = Assemble(path, ctx, options);
        EXPECT_TRUE(result.success) << (result.errorList.empty() ? "" : result.errorList[0]);
        UpCentreReceiver cells(up);
        HandOverAssembly(result, cells);
        EXPECT_TRUE(model.load(result, ui));

        window.resize(720, 420);
        window.show();
        QApplication::processEvents();
    }

    QTableView* table() { return window.view(1); }
    QRect cellRect(int32_t row, int column) {
        return table()->visualRect(table()->model()->index(row - 1, column));
    }
    // The paper colour at the far end of a row's text column.
    QColor paperAt(int32_t row) {
        QApplication::processEvents();
        const QImage image = table()->viewport()->grab().toImage();
        const QRect r = cellRect(row, 1);
        const int x = std::min(r.right(), table()->viewport()->width()) - 6;
        return image.pixelColor(x, r.center().y());
    }

    test::TempDir dir;
    ChipModel chip;
    TZk_UP up;
    SourceViewModel model;
    SourceViewWidget window;
    QuietUi ui;
    AssemblyResult result;
};

TEST_F(SourceViewWidgetTest, ShowsTheCurrentLineInTheTargetColour) {
    ASSERT_EQ(window.tabs()->count(), 1);
    EXPECT_EQ(window.tabs()->tabText(0), "COUNT.ASM");
    model.ShowCurrentLine(model.file(1).address(kMvfRow), true);
    EXPECT_EQ(table()->currentIndex().row(), kMvfRow - 1);
    EXPECT_EQ(paperAt(kMvfRow), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(paperAt(kMvfRow + 1), QColor(Qt::white));
    model.SetEmulatorTarget(true);
    EXPECT_EQ(paperAt(kMvfRow), QColor(0x00, 0x00, 0xC0));
}

TEST_F(SourceViewWidgetTest, DoubleClickOnTheMarkColumnTogglesABreakpoint) {
    const QRect mark = cellRect(kMvfRow, 0);
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, mark.center());
    ASSERT_EQ(up.breakpoints().size(), 1u);
    EXPECT_EQ(up.breakpoints()[0].address, model.file(1).address(kMvfRow));
    EXPECT_EQ(model.rowColour(1, kMvfRow), SourceRowColour::Breakpoint);
    // Double click on the text leaves the breakpoint alone.
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, cellRect(kMvfRow, 1).center());
    EXPECT_EQ(up.breakpoints().size(), 1u);
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, mark.center());
    EXPECT_TRUE(up.breakpoints().empty());
    // A comment row refuses.
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, cellRect(1, 0).center());
    EXPECT_TRUE(up.breakpoints().empty());
}

TEST_F(SourceViewWidgetTest, ClicksSelectAddressesAndKeysSetAndFollowBookmarks) {
    std::vector<uint32_t> selected;
    QObject::connect(&window, &SourceViewWidget::addressSelected,
                     [&](uint32_t address) { selected.push_back(address); });
    table()->setFocus();
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cellRect(kMvfRow, 1).center());
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cellRect(1, 1).center());
    EXPECT_EQ(selected, std::vector<uint32_t>{model.file(1).address(kMvfRow)})
        << "only rows with code tell the other windows";
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cellRect(kCallRow, 1).center());
    EXPECT_EQ(model.CurrentRow(), kCallRow);
    QTest::keyClick(table(), Qt::Key_4, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(model.HasBookmark(4));
    EXPECT_EQ(model.markText(1, kCallRow).back(), '4');
    QTest::keyClick(table(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(model.CurrentRow(), 1);
    QTest::keyClick(table(), Qt::Key_4, Qt::ControlModifier);
    EXPECT_EQ(model.CurrentRow(), kCallRow);
    int checks = 0;
    QObject::connect(&window, &SourceViewWidget::memoryCheckRequested, [&] { ++checks; });
    QTest::keyClick(table(), Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(checks, 1);
}

TEST_F(SourceViewWidgetTest, AClickInANarrowWindowKeepsTheMarkColumnInView) {
    window.resize(300, 420);
    QApplication::processEvents();
    ASSERT_GT(table()->columnWidth(1), table()->viewport()->width());
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cellRect(kMvfRow, 1).center());
    EXPECT_EQ(model.CurrentRow(), kMvfRow);
    EXPECT_EQ(table()->horizontalScrollBar()->value(), 0);
    QTest::keyClick(table(), Qt::Key_End, Qt::ControlModifier); // rows still come into view
    EXPECT_TRUE(table()->viewport()->rect().intersects(cellRect(model.file(1).rows(), 0)));
    EXPECT_EQ(table()->horizontalScrollBar()->value(), 0);
}

TEST_F(SourceViewWidgetTest, FindWalksTheMatchesAndWraps) {
    QTest::keyClick(table(), Qt::Key_Home, Qt::ControlModifier);
    ASSERT_TRUE(window.findText(QStringLiteral("rj  ")));
    EXPECT_EQ(model.CurrentRow(), 16);
    ASSERT_TRUE(window.findText(QStringLiteral("rj  ")));
    EXPECT_EQ(model.CurrentRow(), 18);
    ASSERT_TRUE(window.findText(QStringLiteral("rj  ")));
    EXPECT_EQ(model.CurrentRow(), 16) << "the search wraps to the top of the file";
    EXPECT_FALSE(window.findText(QStringLiteral("no such text")));
    EXPECT_EQ(model.CurrentRow(), 16);
}

TEST_F(SourceViewWidgetTest, ValueHintOnlyWhileDebugging) {
    up.cpu().WriteData(0x23, 0x0A);
    const QRect text = cellRect(kMvfRow, 1);
    const QFontMetrics fm(table()->font());
    const int column = int(std::string(model.rowText(1, kMvfRow)).find("023H")) + 1;
    const QPoint over(text.left() + SourceViewDelegate::kTextPadding +
                          column * fm.horizontalAdvance(QLatin1Char('M')) + 2,
                      text.center().y());
    window.hoverAt(1, over);
    EXPECT_FALSE(window.hintPanel()->isVisible());
    window.setDebugMode(true);
    window.hoverAt(1, over);
    ASSERT_TRUE(window.hintPanel()->isVisible());
    EXPECT_EQ(window.hintPanel()->text(), "023H[023h] = 0Ah");
    window.hoverAt(1, QPoint(text.left() + 2, text.center().y()));
    EXPECT_FALSE(window.hintPanel()->isVisible());
    // Scrolling hides it.
    window.resize(720, 200);
    table()->verticalScrollBar()->setValue(6);
    QApplication::processEvents();
    ASSERT_GT(table()->verticalScrollBar()->maximum(), 7);
    const QRect moved = cellRect(kMvfRow, 1);
    window.hoverAt(1, QPoint(over.x(), moved.center().y()));
    ASSERT_TRUE(window.hintPanel()->isVisible());
    table()->verticalScrollBar()->setValue(7);
    EXPECT_FALSE(window.hintPanel()->isVisible());
}

TEST_F(SourceViewWidgetTest, Screenshot) {
    std::vector<std::string> mnemonics;
    for (const InstructionDef& d : up.instructions().definitions())
        mnemonics.push_back(d.mnemonic);
    window.setWords(std::make_shared<AsmWords>(mnemonics, standardDirectives()));
    window.resize(720, 446); // every row in view
    QApplication::processEvents();
    window.setDebugMode(true);
    model.ToggleBreakpointAtRow(1, 16);
    model.SyncBookmarksFromEditor({{2, model.file(1).path(), kCallRow}});
    model.ShowCurrentLine(model.file(1).address(kMvfRow), true);
    up.cpu().WriteData(0x23, 0x0A);
    const QRect text = cellRect(kMvfRow, 1);
    const QFontMetrics fm(table()->font());
    const int column = int(std::string(model.rowText(1, kMvfRow)).find("023H")) + 1;
    window.hoverAt(1, QPoint(text.left() + SourceViewDelegate::kTextPadding +
                                 column * fm.horizontalAdvance(QLatin1Char('M')) + 2,
                             text.center().y()));
    QApplication::processEvents();
    const QString file = test::saveScreenshot(window, "source_view");
    EXPECT_FALSE(QImage(file).isNull());
}

// Opens the pop-up menu on a row and picks the item with this text, as a user does.
void pickFromMenu(QTableView& table, int32_t row, const QString& item) {
    bool picked = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions())
            if (a->text() == item) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                picked = true;
                return;
            }
        menu->close();
    });
    const QPoint at = table.visualRect(table.model()->index(row - 1, 1)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, table.viewport()->mapToGlobal(at));
    QApplication::sendEvent(table.viewport(), &event);
    EXPECT_TRUE(picked) << item.toStdString();
}

// The count columns as a screen reader reads them: the cell text under the column's header.
QString cellUnder(QTableView& table, int32_t row, const QString& header) {
    for (int c = 0; c < table.model()->columnCount(); ++c)
        if (table.model()->headerData(c, Qt::Horizontal).toString() == header)
            return table.isColumnHidden(c) ? QStringLiteral("(hidden)")
                                           : table.model()->index(row - 1, c).data().toString();
    return QStringLiteral("(no column)");
}

TEST_F(SourceViewWidgetTest, CountsAndCyclesFollowTheRunsAndCoverageIsSaved) {
    constexpr int32_t kBodyRow = 5, kNopRow = 13, kBtszRow = 15, kLoopBackRow = 16;
    up.setYieldHook([this] {
        if (up.running() && up.cpu().sleeping()) up.Stop();
    });
    up.Run(); // JMP, MVL, MVF, NOP, the macro's two DCF, BTSZ skipping RJ LOOP, SLP
    QTableView* named = nullptr; // the file's table, by its accessible name
    for (QTableView* v : window.findChildren<QTableView*>())
        if (v->accessibleName() == "COUNT.ASM") named = v;
    ASSERT_NE(named, nullptr);
    QTableView& t = *named;
    EXPECT_EQ(cellUnder(t, kNopRow, "Count"), "(hidden)");
    EXPECT_FALSE(t.horizontalHeader()->isVisibleTo(&t)); // plain source: no captions
    pickFromMenu(t, kNopRow, "Show Counts");
    pickFromMenu(t, kNopRow, "Show Cycles");
    EXPECT_TRUE(t.horizontalHeader()->isVisibleTo(&t));
    EXPECT_EQ(cellUnder(t, kNopRow, "Count"), "1");
    EXPECT_EQ(cellUnder(t, kCallRow, "Count"), "1");
    EXPECT_EQ(cellUnder(t, kBodyRow, "Count"), "1");
    EXPECT_EQ(cellUnder(t, kBtszRow, "Cycles"), "2");
    EXPECT_EQ(cellUnder(t, kLoopBackRow, "Count"), "0");
    EXPECT_EQ(cellUnder(t, 1, "Count"), ""); // a comment has no code
    // The columns stand between the mark field and the text; rows that never ran are tinted.
    EXPECT_LT(t.columnViewportPosition(SourceViewTable::kCountColumn), t.columnViewportPosition(1));
    EXPECT_EQ(paperAt(kLoopBackRow), QColor(0xFF, 0xDD, 0xDD));
    EXPECT_EQ(paperAt(kNopRow), QColor(Qt::white));
    test::saveScreenshot(window, "source_view_counts");

    // "Save Coverage..." writes the session's lcov trace file where the dialog says.
    const std::string saved = (dir.path() / "session.info").string();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            d->selectFile(QString::fromStdString(saved));
            static_cast<QDialog*>(d)->accept(); // the dialog's Save button
        }
    });
    poll.start(10);
    pickFromMenu(t, kNopRow, "Save Coverage...");
    const std::string info = dir.read("session.info");
    EXPECT_NE(info.find("DA:13,1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("DA:16,0\n"), std::string::npos) << info;
    EXPECT_NE(info.find("BRDA:15,0,0,1\n"), std::string::npos) << info;

    // Clear Counts, then single steps after a reset: the counts follow each step.
    pickFromMenu(t, kNopRow, "Clear Counts");
    EXPECT_EQ(cellUnder(t, kNopRow, "Count"), "0");
    up.ResetCpu();
    up.StepInto(); // JMP START
    up.StepInto(); // MVL 10
    window.refreshView();
    EXPECT_EQ(cellUnder(t, kMvfRow - 1, "Count"), "1");
    EXPECT_EQ(cellUnder(t, kMvfRow, "Count"), "0");
    pickFromMenu(t, kNopRow, "Show Counts");
    EXPECT_EQ(cellUnder(t, kNopRow, "Count"), "(hidden)");
}

} // namespace
} // namespace zerka::gui
