// The main window on the offscreen platform: start-up and exit files, the two build commands,
// going from a log line to its source line, tiling, "About", and a screenshot in each mode.
// First: the core headers it pulls in must come before Qt defines its keywords.
#include "gui/support/main_window_fixture.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "gui/main/message_log_window.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"
#include "uitext/text_table.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, StartUpAndExitWriteConfigurationAndLayout) {
    start();
    EXPECT_EQ(window->windowTitle().toStdString().rfind("KXA and KXB Codeloft ", 0), 0u);
    EXPECT_EQ(named<QLabel>(QStringLiteral("Connection"))->text(), QStringLiteral("Simulator"));
    EXPECT_EQ(named(QStringLiteral("Busy"))->width(), 10);
    EXPECT_TRUE(fs::exists(programDir + "Zkmain.cfg"));
    test::saveScreenshot(*window, QStringLiteral("main_window_edit_empty"));
    window->showAsChild(Slot::Log, true);
    window->subWindow(Slot::Log)->setGeometry(5, 6, 400, 200);
    EXPECT_TRUE(window->close());
    std::string layout;
    ASSERT_TRUE(readFileBytes(programDir + "zerka-ide.wst", layout));
    EXPECT_EQ(layout.rfind("1.10\r\n", 0), 0u);
    EXPECT_NE(layout.find("TZk_ERR\r\n    5    6  400  200    0    1"), std::string::npos);

    // The next start restores the log window's place.
    start();
    EXPECT_EQ(window->subWindow(Slot::Log)->geometry(), QRect(5, 6, 400, 200));
}

TEST_F(MainWindowTest, AssembleAndAssembleRunBuildTheExample) {
    start();
    openMain(example("sum_cx4a.asm"), "KXA1608");
    test::saveScreenshot(*window, QStringLiteral("main_window_edit"));
    window->action(Command::Assemble)->trigger();
    QListWidget* list = named<QListWidget>(QStringLiteral("Message"));
    ASSERT_GE(list->count(), 2);
    EXPECT_TRUE(list->item(list->count() - 1)
                    ->text()
                    .endsWith(QStringLiteral(".......Compiler   complete")));
    EXPECT_TRUE(window->isShowing(Slot::Log));
    EXPECT_TRUE(named<QLabel>(QStringLiteral("File CheckSum"))->text().startsWith(QStringLiteral("Checksum = 0x")));
    test::saveScreenshot(*window, QStringLiteral("main_window_assembled"));

    EXPECT_EQ(window->action(Command::AssembleRun)->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_EQ(window->action(Command::Assemble)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F10));
    window->action(Command::AssembleRun)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(shell().state().debugMode, 1);
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("ZerkaIDE - Simulation")));
    test::saveScreenshot(*window, QStringLiteral("main_window_debug"));
    shell().EnterEditMode(true);
    EXPECT_EQ(shell().state().debugMode, 0);
}

TEST_F(MainWindowTest, ErrorLineInTheLogOpensTheEditorAtItsLine) {
    start();
    const std::string bad = (dir.path() / "examples" / "bad.asm").string();
    writeFileAtomic(bad, "  NOP\n  NOP\n  BOGUS 1\n");
    const std::string other = example("sum_cx4a.asm");
    openMain(bad, "KXA1608");
    ASSERT_TRUE(window->editor().openFile(other));
    shell().filesOpened();
    window->action(Command::Assemble)->trigger();
    QListWidget* list = named<QListWidget>(QStringLiteral("Message"));
    ASSERT_GE(list->count(), 1);
    list->setCurrentRow(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(fs::path(window->editor().pathOf(window->editor().currentSlot())), fs::path(bad));
}

TEST_F(MainWindowTest, ProgrammerModeShowsItsToolbar) {
    start();
    bench().options().selectIdeMode(IdeMode::Programmer);
    shell().SelectTarget(true);
    shell().ApplyIdeMode();
    // No unit is connected here: the panel says so in red.
    EXPECT_EQ(named<QLabel>(QStringLiteral("Connection"))->text(), QStringLiteral("ICE not Connect"));
    QApplication::processEvents();
    EXPECT_FALSE(window->action(Command::AssembleRun)->isEnabled());
    EXPECT_TRUE(window->action(Command::ProgBlank)->isEnabled());
    test::saveScreenshot(*window, QStringLiteral("main_window_programmer"));
}

TEST_F(MainWindowTest, TilingAndAbout) {
    start();
    openMain(example("sum_cx4a.asm"), "KXA1608");
    window->showAsChild(Slot::Log, true);
    tile(true);
    // Two windows side by side fill the MDI area (WindowSlotsTest tiles more).
    const QRect area = window->mdi()->viewport()->rect();
    EXPECT_EQ(window->subWindow(Slot::Editor)->geometry(),
              QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(window->subWindow(Slot::Log)->geometry().left(), area.width() / 2);
    menuItem(QStringLiteral("Help"), QStringLiteral("Revision History"))->trigger();
    auto* history = named<QPlainTextEdit>(QStringLiteral("Revision History"));
    EXPECT_TRUE(history->toPlainText().contains(QStringLiteral("Zerka-IDE")));
    // Every line of the history shows whole, unbroken.
    QApplication::processEvents();
    for (const QString& line : history->toPlainText().split(QLatin1Char('\n')))
        EXPECT_LE(history->fontMetrics().horizontalAdvance(line), history->viewport()->width())
            << line.toStdString();
    history->close();
    fs::remove(programDir + "Revision_EN.txt");
    named<QPlainTextEdit>(QStringLiteral("Revision History"))->clear();
    menuItem(QStringLiteral("Help"), QStringLiteral("Revision History"))->trigger();
    EXPECT_TRUE(named<QPlainTextEdit>(QStringLiteral("Revision History"))->toPlainText().isEmpty());
}

// Every menu item below the menu bar, sub-menus included.
void collectItems(QMenu* menu, std::vector<QAction*>& out) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        out.push_back(a);
        if (a->menu()) collectItems(a->menu(), out);
    }
}

// A menu as a user meets it: each item's caption and key in order, "-" a separator, a sub-menu
// in braces.
std::string menuText(QMenu* menu) {
    std::string out;
    for (QAction* a : menu->actions()) {
        if (!out.empty()) out += " | ";
        if (a->isSeparator()) {
            out += "-";
            continue;
        }
        out += a->text().toStdString();
        if (!a->shortcut().isEmpty())
            out += " [" + a->shortcut().toString(QKeySequence::PortableText).toStdString() + "]";
        if (a->menu()) out += " {" + menuText(a->menu()) + "}";
    }
    return out;
}

// The menus built from the command table read as they always have: captions, keys and order.
// No key is taken twice, and nothing but the menus' own items answers to their keys.
TEST_F(MainWindowTest, TheMenusReadAsTheyAlwaysHaveAndNoKeyIsTakenTwice) {
    start();
    std::vector<std::string> menus;
    for (QAction* top : window->menuBar()->actions())
        menus.push_back(top->text().toStdString() +
                        (top->menu() ? ": " + menuText(top->menu()) : std::string()));
    const std::vector<std::string> expected = {
        "File: New(&N) [Ctrl+N] | Open(&O) [Ctrl+O] | Save(&S) [Ctrl+S] | Save As | Save All | "
        "Close File | Close All | - | Open Project | Save Project | - | DownLoad To Flash Memory | "
        "Read From Flash Memory | - | Exit(&Q) [Ctrl+Q]",
        "SRAM Record",
        "Edit: Undo(&Z) [Ctrl+Z] | Cut(&X) [Ctrl+X] | Copy(&C) [Ctrl+C] | Paste(&V) [Ctrl+V] | "
        "Select All",
        "Search: Find(&F) [Ctrl+F] | Replace(&R) [Ctrl+R] | Find Next [F3]",
        "View: Edit [Alt+1] | Source [Alt+2] | Hex [Alt+3] | Watch [Alt+4] | Static RAM [Alt+5] | "
        "Special Register [Alt+6] | Stack [Alt+7] | Break Point [Alt+8] | ADC Panel [Alt+9] | "
        "OP Panel | Comparator Panel | Message | - | Next File [Alt+Right] | "
        "Previous File [Alt+Left] | Tile Horizontally [Alt+Down] | Tile Verticlly [Alt+Up]",
        "Windows: ShowWindows | Information Block | "
        "\xE6\x9C\x80\xE4\xB8\x8A\xE5\xB1\xA4\xE9\xA1\xAF\xE7\xA4\xBA(&T) {Main Window | Edit | "
        "Source Code | Program Memory | Watch | Data Memory | Special Register | Stack | "
        "Break Point | Message | ADC Panel | - | \xE5\x85\xA8\xE9\x83\xA8\xE6\xB8\x85\xE9\x99\xA4}",
        "Assemble&&Run: Assemble&&Run [F4] | Assemble [Ctrl+F10] | Set Main File | "
        "Set Mode {Simulation | Emulation} | Edit Mode [Ctrl+F11] | - | Run [F5] | "
        "Program Reset [F6] | Trace [F7] | Step Over [F8] | StepBack [F9] | Stack Out [F10] | "
        "Continue [F11] | Stop [F12] | Set Break Point [F2] | - | ReLoad-ROM | ICE Test",
        "Options: Build Options | Save Configuration | Load Configuration",
        "Help: Revision History [Alt+A]",
        "RomWriter: ",
    };
    EXPECT_EQ(menus, expected);

    // Every key once among the menus' items and the toolbars' buttons.
    std::vector<QAction*> all;
    for (QAction* top : window->menuBar()->actions())
        if (top->menu()) collectItems(top->menu(), all);
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        for (QAction* a : bar->actions())
            all.push_back(a);
    std::map<std::string, std::string> keys;
    for (QAction* a : all)
        for (const QKeySequence& k : a->shortcuts()) {
            const std::string key = k.toString(QKeySequence::PortableText).toStdString();
            const auto [it, added] = keys.emplace(key, a->text().toStdString());
            EXPECT_TRUE(added) << key << " is taken by " << it->second << " and "
                               << a->text().toStdString();
        }
}

TEST_F(MainWindowTest, CaptionsComeFromTheTextTableAndNameEveryWidget) {
    start();
    std::vector<QAction*> items;
    for (QAction* a : window->menuBar()->actions()) {
        a->setText(QStringLiteral("x"));
        if (a->menu()) collectItems(a->menu(), items);
    }
    for (QAction* a : items)
        a->setText(QStringLiteral("x"));
    for (QAction* a : editBar()->actions())
        if (qobject_cast<QToolButton*>(editBar()->widgetForAction(a)))
            a->setText(QStringLiteral("x")), a->setToolTip(QStringLiteral("y"));
    shell().applyCaptions();

    EXPECT_EQ(window->action(Command::New)->text(), QStringLiteral("New(&N)"));
    EXPECT_EQ(window->action(Command::AssembleRun)->text(), QStringLiteral("Assemble&&Run"));
    EXPECT_EQ(window->action(Command::SaveConfiguration)->text(),
              QStringLiteral("Save Configuration"));
    EXPECT_EQ(window->action(Command::FileMenu)->text(), QStringLiteral("File"));
    EXPECT_EQ(markButton()->text(), QStringLiteral("Mark"));
    EXPECT_EQ(markButton()->toolTip(), QStringLiteral("set bookmark"));
    EXPECT_EQ(window->subWindow(Slot::Log)->windowTitle(), QStringLiteral("Message"));
    EXPECT_EQ(window->windowTitle().toStdString().rfind("KXA and KXB Codeloft ", 0), 0u);
    // Every item not written from the table keeps a caption of its own; the table's items all
    // got theirs back.
    std::vector<std::string> table;
    for (int e = 73; e <= 235; ++e)
        table.push_back(TextOf(e));
    int fromTable = 0;
    for (QAction* a : items) {
        EXPECT_NE(a->text(), QStringLiteral("x"));
        if (std::find(table.begin(), table.end(), a->text().toStdString()) != table.end())
            ++fromTable;
    }
    EXPECT_GE(fromTable, 40);
    // Screen readers: each toolbar button is named by its hint.
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        for (QAction* a : bar->actions())
            if (QWidget* w = bar->widgetForAction(a);
                w && !a->isSeparator() && !a->toolTip().isEmpty()) {
                EXPECT_EQ(w->accessibleName(), a->toolTip()) << a->text().toStdString();
            }
    for (QToolButton* b : window->findChildren<QToolButton*>())
        if (b->isVisible()) {
            EXPECT_FALSE(b->accessibleName().isEmpty()) << b->text().toStdString();
        }
}

TEST_F(MainWindowTest, AlwaysOnTopItemsSetTheFlagsAndTheWindowStyle) {
    start();
    window->showAsChild(Slot::Log, true);
    onTopItem(9)->trigger();
    EXPECT_TRUE(onTopItem(9)->isChecked());
    EXPECT_TRUE(shell().state().onTopFlags[9]);
    EXPECT_TRUE(window->subWindow(Slot::Log)->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->subWindow(Slot::Log)->isVisible());
    onTopItem(1)->trigger();
    clearOnTop();
    for (int i = 0; i < 11; ++i) { // the main window and its ten windows
        EXPECT_FALSE(shell().state().onTopFlags[size_t(i)]);
        EXPECT_FALSE(onTopItem(i)->isChecked());
    }
    EXPECT_FALSE(window->subWindow(Slot::Log)->windowFlags() & Qt::WindowStaysOnTopHint);
    // Flags read from a configuration show as check marks.
    shell().state().onTopFlags[1] = true;
    window->commandsChanged();
    EXPECT_TRUE(onTopItem(1)->isChecked());
}

TEST_F(MainWindowTest, BookmarkButtonsSetAndGoThroughTheNumberBar) {
    start();
    openMain(example("sum_cx4a.asm"), "KXA1608");
    window->showAsChild(Slot::Editor, true);
    QApplication::processEvents();
    // The edit toolbar sits in the active editor, and its view button is down.
    EXPECT_TRUE(window->subWindow(Slot::Editor)->isAncestorOf(editBar()));
    EXPECT_TRUE(button(QStringLiteral("goto EDIT window"))->isChecked());
    EXPECT_TRUE(button(QStringLiteral("open file"))->isEnabled());
    // No register window in this build: its view button is off.
    EXPECT_FALSE(button(QStringLiteral("goto Special REG window"))->isEnabled());

    markButton()->trigger();
    EXPECT_TRUE(numberBar()->isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(digitButton(1)->isVisible());
    test::saveScreenshot(*window, QStringLiteral("main_window_bookmarks"));
    digitButton(3)->click();
    EXPECT_TRUE(window->editor().bookmark(3, nullptr, nullptr));
    EXPECT_FALSE(markButton()->isChecked());
    EXPECT_FALSE(numberBar()->isVisible());

    gotoButton()->trigger();
    EXPECT_TRUE(digitButton(3)->isEnabled());
    EXPECT_FALSE(digitButton(4)->isEnabled());
    markButton()->trigger();
    EXPECT_FALSE(gotoButton()->isChecked());
    EXPECT_TRUE(digitButton(4)->isEnabled());
    digitButton(4)->click();
    EXPECT_TRUE(window->editor().bookmark(4, nullptr, nullptr));

    // Another child active: the toolbar stays in the editor, its open button off.
    window->showAsChild(Slot::Log, true);
    QApplication::processEvents();
    EXPECT_TRUE(window->subWindow(Slot::Editor)->isAncestorOf(editBar()));
    EXPECT_FALSE(button(QStringLiteral("open file"))->isEnabled());
    EXPECT_FALSE(button(QStringLiteral("goto EDIT window"))->isChecked());
    EXPECT_EQ(window->activeChild(), window->subWindow(Slot::Log));
    // The option off: the toolbar leaves the editor and is not shown.
    bench().options().controls().CkToolEdit.checked = false;
    window->showAsChild(Slot::Editor, true);
    QApplication::processEvents();
    EXPECT_FALSE(window->subWindow(Slot::Editor)->isAncestorOf(editBar()));
    EXPECT_FALSE(editBar()->isVisible());
}

// The showing child of `parent` that a screen reader calls `name`.
template <typename W> W* namedChild(QWidget* parent, const QString& name) {
    for (W* w : parent->findChildren<W*>())
        if (w->isVisible() && w->accessibleName() == name) return w;
    return nullptr;
}

// Ctrl+F (the "Find(&F)" item) opens the standard find dialog with its match-case and
// whole-word choices; the edit toolbar's find button opens the quick find with its history.
TEST_F(MainWindowTest, CtrlFOpensTheStandardFindAndTheToolbarTheQuickFind) {
    start();
    const fs::path path = dir.path() / "examples" / "case.asm";
    ASSERT_TRUE(writeFileAtomic(path.string(), "  nop\n  NOPF\n  NOP\n  NOP\n"));
    ASSERT_TRUE(window->editor().openFile(path.string()));
    shell().filesOpened();
    window->showAsChild(Slot::Editor, true);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QsciScintilla* text = nullptr;
    for (auto* t : window->findChildren<QsciScintilla*>())
        if (t->isVisible() && t->accessibleName() == QStringLiteral("case.asm")) text = t;
    ASSERT_NE(text, nullptr);
    text->setFocus();
    text->setCursorPosition(0, 0);

    // A modal dialog coming up instead is recorded and closed.
    QString modal;
    QTimer::singleShot(300, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            modal = w->objectName();
            w->close();
        }
    });
    QTest::keyClick(text, Qt::Key_F, Qt::ControlModifier);
    QApplication::processEvents();
    QDialog* standard = nullptr;
    for (auto* d : window->findChildren<QDialog*>())
        if (d->isVisible() && d->accessibleName() == QStringLiteral("Find")) standard = d;
    QTest::qWait(350);
    ASSERT_NE(standard, nullptr) << "opened instead: " << modal.toStdString();
    EXPECT_TRUE(modal.isEmpty()) << modal.toStdString();
    QLineEdit* what = namedChild<QLineEdit>(standard, QStringLiteral("Find what:"));
    QCheckBox* matchCase = namedChild<QCheckBox>(standard, QStringLiteral("Match case"));
    QCheckBox* wholeWord = namedChild<QCheckBox>(standard, QStringLiteral("Match whole word only"));
    QPushButton* next = namedChild<QPushButton>(standard, QStringLiteral("Find Next"));
    ASSERT_TRUE(what && matchCase && wholeWord && next);
    what->setText(QStringLiteral("NOP"));
    matchCase->setChecked(true);
    wholeWord->setChecked(true);
    next->click();
    int line = -1, index = -1, lineTo = -1, indexTo = -1;
    text->getSelection(&line, &index, &lineTo, &indexTo);
    EXPECT_EQ(line, 2); // not "nop", not "NOPF"
    EXPECT_EQ(text->selectedText(), QStringLiteral("NOP"));
    next->click();
    text->getSelection(&line, &index, &lineTo, &indexTo);
    EXPECT_EQ(line, 3);
    standard->hide();

    // The toolbar's "find string" button: the quick find TZk_NFind.
    QToolButton* quick = nullptr;
    for (QToolButton* b : editBar()->findChildren<QToolButton*>())
        if (b->accessibleName() == QStringLiteral("find string")) quick = b;
    ASSERT_NE(quick, nullptr);
    modal.clear();
    QTimer::singleShot(100, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            modal = w->objectName();
            w->close();
        }
    });
    quick->click();
    QTest::qWait(150);
    EXPECT_EQ(modal, QStringLiteral("TZk_NFind"));
}

} // namespace
} // namespace zerka::gui
