// The main window's window table and session ends: the calculators tiled, kept on top and laid
// out like every other slot, the breakpoint list, the layout file after a failed command-line
// start, the watch list written by every way out, the untitled editor of an empty start, the
// SRAM record beside the debugger, and the engineer caption.
// First: the core headers it pulls in must come before Qt defines its keywords.
#include "gui/support/main_window_fixture.h"

#include "core/atomic_file.h"
#include "editor/slot_list.h"
#include "gui/editor/editor_window.h"
#include "gui/main/debug_window_set.h"
#include "gui/main/sram_record_menu.h"
#include "gui/support/screenshot.h"
#include "shell/window_slots.h"
#include "support/temp_dir.h"
#include "uitext/text_id.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QMenuBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

class WindowSlotsTest : public MainWindowFixture {
  protected:
    // An item of the "View" menu.
    QAction* menuItem(const QString& caption) {
        return MainWindowFixture::menuItem(QStringLiteral("View"), caption);
    }
    std::string layoutText() { return fileText(programDir + "zerka-ide.wst"); }

    BoxAnswerer answerer;
};

TEST_F(WindowSlotsTest, CalculatorsTileStayOnTopAndKeepTheirPlaceLikeEveryOtherSlot) {
    start();
    debugOn();
    for (const char* caption : {"ADC Panel", "OP Panel", "Comparator Panel"}) {
        QAction* a = menuItem(QString::fromLatin1(caption));
        ASSERT_NE(a, nullptr);
        a->trigger();
    }
    for (Slot s : {Slot::Adc, Slot::OpAmp, Slot::Comparator}) {
        ASSERT_NE(window->subWindow(s), nullptr);
        EXPECT_TRUE(window->isShowing(s));
    }
    // Alt+Up, then Alt+Down: every showing window, the calculators too, gets its own cell of
    // the MDI area, nothing outside it and no two overlapping.
    const QRect area = window->mdi()->viewport()->rect();
    auto tiledInArea = [&](const char* item, int columns) {
        menuItem(QString::fromLatin1(item))->trigger();
        QApplication::processEvents();
        std::vector<QRect> placed;
        for (int i = 0; i < kSlotCount; ++i)
            if (window->isShowing(Slot(i)))
                placed.push_back(window->subWindow(Slot(i))->geometry());
        ASSERT_GE(placed.size(), 6u) << item;
        const int rows = (int(placed.size()) + columns - 1) / columns;
        for (size_t i = 0; i < placed.size(); ++i) {
            EXPECT_TRUE(area.contains(placed[i])) << item << " window " << i;
            EXPECT_EQ(std::pair(placed[i].width(), placed[i].height()),
                      std::pair(area.width() / columns, area.height() / rows))
                << item << " window " << i;
            for (size_t j = 0; j < i; ++j)
                EXPECT_FALSE(placed[i].intersects(placed[j])) << item << ' ' << i << ' ' << j;
        }
    };
    window->subWindow(Slot::OpAmp)->showMinimized();
    tiledInArea("Tile Verticlly", 1);
    tiledInArea("Tile Horizontally", 2);

    // Always on top, window number 10: the ADC panel. Shown again, it keeps its short cell: a
    // calculator smaller than its diagram scrolls.
    const QRect adcCell = window->subWindow(Slot::Adc)->geometry();
    onTopItem(10)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(window->subWindow(Slot::Adc)->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->subWindow(Slot::Adc)->isVisible());
    EXPECT_EQ(window->subWindow(Slot::Adc)->geometry(), adcCell);
    clearOnTop();
    EXPECT_FALSE(window->subWindow(Slot::Adc)->windowFlags() & Qt::WindowStaysOnTopHint);

    window->subWindow(Slot::OpAmp)->setGeometry(30, 40, 420, 330);
    test::saveScreenshot(*window, QStringLiteral("main_window_calculators_tiled"));
    // Leaving debug mode remembers them and hides them.
    shell().EnterEditMode(true);
    EXPECT_FALSE(window->isShowing(Slot::OpAmp));
    EXPECT_TRUE(window->close());
    EXPECT_NE(layoutText().find("TZk_OP\r\n   30   40  420  330    0    0"), std::string::npos);

    // The next session: the calculators were showing when debug mode was left, so the build
    // brings them back, at their places.
    fs::remove(fs::path(source).replace_extension(".pro"));
    start();
    debugOn();
    EXPECT_TRUE(window->isShowing(Slot::OpAmp));
    EXPECT_EQ(window->subWindow(Slot::OpAmp)->geometry(), QRect(30, 40, 420, 330));
}

// Every window kind open at once: tiling gives each its own cell, each numbered window goes on
// top and back, the layout file gets a record of each, and Ctrl+Tab / Ctrl+Shift+Tab walk all of
// them in turn, both ways.
TEST_F(WindowSlotsTest, EveryWindowKindTilesStaysOnTopIsLaidOutAndTakesItsTurnWithCtrlTab) {
    start();
    debugOn();
    QApplication::setActiveWindow(window.get());
    for (const char* caption : {"Source", "Hex", "Watch", "Static RAM", "Special Register",
                                "Stack", "Break Point", "ADC Panel", "OP Panel", "Comparator Panel"})
        menuItem(QString::fromLatin1(caption))->trigger();
    MainWindowFixture::menuItem(QStringLiteral("Windows"), QStringLiteral("ShowWindows"))->trigger();
    window->showAsChild(Slot::ReadResult, true); // as a programmer read shows it
    QApplication::processEvents();
    for (int i = 0; i < kSlotCount; ++i)
        ASSERT_TRUE(window->isShowing(Slot(i))) << "slot " << i;

    // Each window gets a cell of its own inside the MDI area, and no two overlap.
    tile(true);
    QApplication::processEvents();
    const QRect area = window->mdi()->viewport()->rect();
    for (int i = 0; i < kSlotCount; ++i) {
        const QRect g = window->subWindow(Slot(i))->geometry();
        EXPECT_TRUE(area.contains(g)) << i;
        for (int j = 0; j < i; ++j)
            EXPECT_FALSE(g.intersects(window->subWindow(Slot(j))->geometry())) << i << " " << j;
    }

    for (int n = 1; n <= 10; ++n) {
        onTopItem(n)->trigger();
        EXPECT_TRUE(onTopItem(n)->isChecked()) << n;
    }
    int onTop = 0;
    for (int i = 0; i < kSlotCount; ++i)
        onTop += bool(window->subWindow(Slot(i))->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(onTop, 10); // all but the OP and comparator panels and the read-result grid
    clearOnTop();
    for (int i = 0; i < kSlotCount; ++i) {
        EXPECT_FALSE(window->subWindow(Slot(i))->windowFlags() & Qt::WindowStaysOnTopHint) << i;
        EXPECT_TRUE(window->isShowing(Slot(i))) << i;
    }

    // Ctrl+Tab from the active window visits every other window once before coming back.
    auto ctrlTab = [](bool back) {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget()
                                                  : QApplication::activeWindow();
        QTest::keyClick(to, back ? Qt::Key_Backtab : Qt::Key_Tab,
                        back ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
        QApplication::processEvents();
    };
    QMdiSubWindow* first = window->mdi()->activeSubWindow();
    ASSERT_NE(first, nullptr);
    std::vector<QMdiSubWindow*> forward;
    for (int i = 0; i < kSlotCount; ++i) {
        ctrlTab(false);
        forward.push_back(window->mdi()->activeSubWindow());
    }
    EXPECT_EQ(forward.back(), first);
    std::vector<QMdiSubWindow*> seen = forward;
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()) - seen.begin(), kSlotCount);
    // Ctrl+Shift+Tab walks the same ring backwards.
    for (int i = kSlotCount - 2; i >= 0; --i) {
        ctrlTab(true);
        EXPECT_EQ(window->mdi()->activeSubWindow(), forward[size_t(i)]) << i;
    }

    EXPECT_TRUE(window->close());
    for (const char* name : {"TZk_EDIT", "TZk_HEX", "TZk_SOURCE", "TZk_RAM", "TZk_STACK",
                             "TZk_REG", "TZk_WATCH", "TZk_ERR", "TZk_ADC", "TZk_OP", "TZk_CMP",
                             "TZk_BREAK", "TZk_READ"})
        EXPECT_NE(layoutText().find(std::string(name) + "\r\n"), std::string::npos) << name;
}

// A layout file written before the read-result grid had its slot: every window it names comes
// back to its place, the records are written back as they were, and the grid, which the file
// does not know, takes its own place at the top right and gets a record after the others.
TEST_F(WindowSlotsTest, LayoutFileWrittenBeforeTheReadResultSlotKeepsEveryPlace) {
    const char* names[] = {"TZk_EDIT",  "TZk_HEX", "TZk_SOURCE", "TZk_RAM",
                           "TZk_STACK", "TZk_REG", "TZk_WATCH",  "TZk_ERR",
                           "TZk_ADC",   "TZk_OP",  "TZk_CMP",    "TZk_BREAK"};
    const int oldSlots = int(std::size(names));
    auto record = [](const char* name, int i) {
        char line[64];
        std::snprintf(line, sizeof line, "%s\r\n%5d%5d%5d%5d%5d%5d\r\n", name, 10 + 30 * i,
                      5 + 20 * i, 250 + 10 * i, 150 + 5 * i, 0, 1);
        return std::string(line);
    };
    std::string old = "1.10\r\n13\r\nTZKMAIN\r\n    0    0 1280  800    0    1\r\n";
    for (int i = 0; i < oldSlots; ++i)
        old += record(names[i], i);
    writeFileAtomic(programDir + "zerka-ide.wst", old);

    start();
    for (int i = 0; i < kSlotCount; ++i)
        window->showAsChild(Slot(i), true);
    QApplication::processEvents();
    for (int i = 0; i < oldSlots; ++i) {
        EXPECT_STREQ(slotInfo(Slot(i)).layoutName, names[i]);
        EXPECT_EQ(window->subWindow(Slot(i))->geometry(),
                  QRect(10 + 30 * i, 5 + 20 * i, 250 + 10 * i, 150 + 5 * i))
            << names[i];
    }
    const QRect area = window->mdi()->viewport()->rect();
    const QRect grid = window->subWindow(Slot::ReadResult)->geometry();
    EXPECT_EQ(grid.topRight(), QPoint(area.width() - 1, 0));

    EXPECT_TRUE(window->close());
    const std::string text = layoutText();
    size_t at = 0;
    for (int i = 0; i < oldSlots; ++i) {
        const size_t found = text.find(record(names[i], i));
        EXPECT_NE(found, std::string::npos) << names[i];
        EXPECT_GT(found, at) << names[i] << " keeps its turn";
        at = found;
    }
    EXPECT_GT(text.find("TZk_READ\r\n"), at);
}

TEST_F(WindowSlotsTest, LayoutFileStateIsAppliedToTheWindows) {
    writeFileAtomic(programDir + "zerka-ide.wst", "1.10\r\n1\r\nTZk_ERR\r\n"
                                                  "   10   20  400  300    1    1\r\n");
    start();
    window->showAsChild(Slot::Log, true);
    QApplication::processEvents();
    EXPECT_TRUE(window->subWindow(Slot::Log)->isMaximized());
}

TEST_F(WindowSlotsTest, FailedCommandLineStartSavesOnlyWindowsThatWereShown) {
    // A layout from an earlier session.
    writeFileAtomic(programDir + "zerka-ide.wst",
                    "1.10\r\n1\r\nTZk_SOURCE\r\n   10   20  500  400    0    0\r\n");
    const std::string broken = (dir.path() / "examples" / "broken.asm").string();
    writeFileAtomic(broken, "        BOGUS   1\r\n");
    start({broken});
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 10000));
    const std::string layout = layoutText();
    ASSERT_EQ(layout.rfind("1.10\r\n", 0), 0u);
    EXPECT_NE(layout.find("TZk_SOURCE\r\n   10   20  500  400    0    0"), std::string::npos);
    for (const char* never : {"TZk_HEX", "TZk_RAM", "TZk_STACK", "TZk_REG", "TZk_WATCH", "TZk_ADC",
                              "TZk_OP", "TZk_CMP"})
        EXPECT_EQ(layout.find(never), std::string::npos) << never;
}

TEST_F(WindowSlotsTest, EmptyStartOpensAnUntitledEditorReadyForTyping) {
    start();
    ASSERT_EQ(window->editor().slotCount(), 1);
    EXPECT_EQ(fileNameOf(window->editor().pathOf(1)), "~New0");
    EXPECT_TRUE(window->isShowing(Slot::Editor));
    EXPECT_TRUE(window->action(Command::Save)->isEnabled());
    test::saveScreenshot(*window, QStringLiteral("main_window_empty_start"));
    // An untitled file is not remembered: the next start opens a fresh one again.
    EXPECT_TRUE(window->close());
    start();
    EXPECT_EQ(window->editor().slotCount(), 1);
}

TEST_F(WindowSlotsTest, EveryWayOutWritesTheWatchList) {
    const std::string pro = fs::path(source).replace_extension(".pro").string();
    // Exit (Ctrl+Q) in debug mode: the list goes beside the main file.
    start();
    debugOn();
    ASSERT_TRUE(bench().views().watch.add("COUNT"));
    window->action(Command::Exit)->trigger();
    ASSERT_FALSE(window->isVisible());
    EXPECT_NE(fileText(pro).find("0 COUNT A \n"), std::string::npos) << fileText(pro);

    // Save Project writes the project's list; "Save Project : ... ?" answered Yes at exit
    // writes it again with what changed since.
    start();
    debugOn();
    EXPECT_TRUE(bench().views().watch.symbols().size() > 0);
    ASSERT_TRUE(bench().views().watch.add("TURNS"));
    const std::string project = (dir.path() / "demo.prj").string();
    const std::string projectList = (dir.path() / "demo.pro").string();
    ASSERT_TRUE(shell().saveProjectAs(project));
    EXPECT_NE(fileText(projectList).find("0 COUNT A \n"), std::string::npos);
    EXPECT_NE(fileText(projectList).find("0 TURNS A \n"), std::string::npos);
    ASSERT_TRUE(bench().views().watch.remove("COUNT"));
    answerer.yes = true;
    EXPECT_TRUE(window->close());
    EXPECT_NE(fileText(projectList).find("0 COUNT R \n"), std::string::npos);
    EXPECT_NE(fileText(projectList).find("0 TURNS A \n"), std::string::npos);
}

TEST_F(WindowSlotsTest, BreakpointListShowsFollowsGoesToAndDeletesBreakpoints) {
    start();
    debugOn();
    TZk_UP& up = bench().up();
    const auto label = [this](const std::string& name) {
        for (const SymbolEntry& e : shell().lastAssembly().labels)
            if (e.name == name) return uint32_t(e.value);
        ADD_FAILURE() << "no label " << name;
        return 0u;
    };
    // The source line of a label, 1-based.
    const auto lineOf = [this](const std::string& text) {
        const std::string all = fileText(source);
        return int(std::count(all.begin(), all.begin() + std::ptrdiff_t(all.find(text)), '\n')) + 1;
    };
    const auto addressText = [](uint32_t a) {
        return QString::number(a, 16).toUpper().rightJustified(4, QLatin1Char('0')) +
               QLatin1Char('h');
    };
    const uint32_t addup = label("ADDUP"), done = label("DONE");
    ASSERT_EQ(up.ToggleBreakpoint(addup, BreakpointKind::Address, true), ToggleResult::Done);

    QAction* item = menuItem(QStringLiteral("Break Point"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::ALT | Qt::Key_8));
    item->trigger();
    QApplication::processEvents();
    QWidget* list = shownWidget(QStringLiteral("Break Point"));
    ASSERT_NE(list, nullptr);
    auto* table = list->findChild<QTableView*>();
    ASSERT_NE(table, nullptr);
    QAbstractItemModel* m = table->model();
    ASSERT_EQ(m->rowCount(), 1);
    const QStringList headings = {QStringLiteral("Address"), QStringLiteral("File"),
                                  QStringLiteral("Line"), QStringLiteral("Source")};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), headings[c]);
    EXPECT_EQ(m->index(0, 0).data().toString(), addressText(addup));
    EXPECT_EQ(m->index(0, 1).data().toString(), QStringLiteral("sum_cx4a.asm"));
    EXPECT_EQ(m->index(0, 2).data().toString(), QString::number(lineOf("ADDUP:")));
    EXPECT_TRUE(m->index(0, 3).data().toString().contains(QStringLiteral("ADDUP:")));

    // Set and removed elsewhere: the list follows.
    ASSERT_EQ(up.ToggleBreakpoint(done, BreakpointKind::Address, true), ToggleResult::Done);
    ASSERT_EQ(m->rowCount(), 2);
    EXPECT_EQ(m->index(1, 0).data().toString(), addressText(done));
    test::saveScreenshot(*window, QStringLiteral("main_window_breakpoint_list"));
    up.RemoveBreakpoint(addup, BreakpointKind::Address);
    ASSERT_EQ(m->rowCount(), 1);

    // A double click goes to the line in the source view, which comes to the front.
    window->showAsChild(Slot::Breakpoints, true);
    QApplication::processEvents();
    const QModelIndex row = m->index(0, 2);
    // Straight to the table: the offscreen screen may not hold the whole main window.
    const QPointF at = table->visualRect(row).center();
    const QPointF global = table->viewport()->mapToGlobal(at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, global, Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(table->viewport(), &e);
    }
    QApplication::processEvents();
    EXPECT_EQ(window->mdi()->activeSubWindow(), window->subWindow(Slot::Source));
    SourceViewModel& view = window->findChild<DebugWindowSet*>()->sourceModel();
    EXPECT_EQ(view.cursorRow(view.CurrentFile()), lineOf("DONE:"));

    // Delete removes it: from the uP centre and from the source view's marks.
    table->setCurrentIndex(m->index(0, 0));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_FALSE(up.cpu().BreakpointMarkAt(done, BreakpointKind::Address));

    // Leaving debug mode hides it; the next build brings it back.
    shell().EnterEditMode(true);
    EXPECT_EQ(shownWidget(QStringLiteral("Break Point")), nullptr);
    window->action(Command::AssembleRun)->trigger();
    QApplication::processEvents();
    EXPECT_NE(shownWidget(QStringLiteral("Break Point")), nullptr);
}

TEST_F(WindowSlotsTest, SramRecordWindowLetsTheDebuggerWorkWhileItShows) {
    start();
    debugOn();
    window->findChild<SramRecordMenu*>()->menuItem()->trigger();
    QApplication::processEvents();
    QWidget* record = shownWidget(QStringLiteral("SRAM Record"));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(record->isModal());
    const uint32_t pc = bench().up().cpu().GetPC();
    QTest::qWait(60);
    QTest::keyClick(window.get(), Qt::Key_F7);
    EXPECT_NE(bench().up().cpu().GetPC(), pc);
    EXPECT_TRUE(record->isVisible());
}

TEST_F(WindowSlotsTest, EngineerCaptionAndTheInformationBlockItem) {
    start();
    OptionsModel& options = bench().options();
    for (char c : std::string("zerka"))
        options.keyTyped(c);
    ASSERT_TRUE(options.engineerMode());
    EXPECT_EQ(window->windowTitle().toStdString(),
              options.engineerCaption(TextOf(TextId::EditModeTitle), shell().state().projectFile));
    shell().applyCaptions();
    EXPECT_NE(window->windowTitle().toStdString().find(
                  bench().library().chipListVersion() + "-Engineer"),
              std::string::npos);

    // "Information Block" keeps its own check mark.
    QAction* info = nullptr;
    for (QAction* top : window->menuBar()->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->text() == QStringLiteral("Information Block")) info = a;
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(info->isChecked());
    info->trigger();
    EXPECT_TRUE(info->isChecked());
}

} // namespace
} // namespace zerka::gui
