// The debug commands through the main window's actions on the offscreen platform: an example
// built and driven with F7, F8, F9, F10, F5 and F6 on the simulator and on the in-process virtual
// emulator, the command states, the debug windows refreshed in their slots, the stack status
// line, and the link watchdog ending a session whose unit went away.
// First: the core headers it pulls in must come before Qt defines its keywords.
#include "gui/support/main_window_fixture.h"
#include "uitext/text_id.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "gui/main/debug_window_set.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"
#include "target/target_unit.h"
#include "target/virtual_port.h"
#include "target/virtual_usb.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

// A debug window that shows the PC it read at its last refresh.
class ProbeWindow : public QLabel, public DebugWindow {
  public:
    explicit ProbeWindow(TZk_UP& up) : up_(up) {}
    void refreshView() override {
        ++refreshes;
        setText(QStringLiteral("PC %1").arg(up_.cpu().GetPC(), 4, 16, QLatin1Char('0')));
    }
    int refreshes = 0;

  private:
    TZk_UP& up_;
};

class DebugGuiTest : public MainWindowFixture {
  protected:
    DebugGuiTest() { catcher.cancel = true; }
    // The window goes before the unit it talks to.
    ~DebugGuiTest() override { window.reset(); }

    void start(bool emulator) {
        MainWindowFixture::start();
        for (Slot slot : {Slot::Register, Slot::ProgramMemory}) {
            if (!useProbes) break;
            auto* probe = new ProbeWindow(bench().up());
            window->installDebugWindow(slot, probe, probe);
            probes[slot] = probe;
        }
        Shell& s = shell();
        openMain(source);
        if (emulator) {
            TargetConfig c;
            c.core = CoreType::CX4A;
            bench().options().reloadChip();
            if (!bench().chip().emulatorIds.empty()) c.bodyId = bench().chip().emulatorIds[0];
            unit = std::make_unique<TargetUnit>(c);
            port = std::make_unique<VirtualPrinterPort>(*unit);
            UsbBackends b;
            b.virtualTarget = inProcessTarget(*unit, std::chrono::milliseconds(200));
            bench().useTransports(std::move(b), std::make_unique<AttachedPortProvider>(*port), {});
            bench().options().selectInterface(4);
            s.targetCommand(false);
        }
        press(Command::AssembleRun);
        ASSERT_EQ(s.state().debugMode, 1) << (catcher.texts.empty() ? "" : catcher.texts[0]);
    }

    // A key of the run commands: its action, after the 10 ms and 50 ms gaps have passed; then
    // the wait for an emulator run to end (the run timer polls it).
    void press(Command c) {
        QTest::qWait(60);
        window->action(c)->trigger();
        QApplication::processEvents();
        (void)QTest::qWaitFor([this] { return !bench().up().running(); }, 5000);
    }
    // Trace until the PC is `address`, at most `limit` steps.
    void traceTo(uint32_t address, int limit = 20) {
        for (int i = 0; i < limit && pc() != address; ++i)
            press(Command::Trace);
    }
    uint32_t pc() { return bench().up().cpu().GetPC(); }
    uint32_t symbol(const std::string& name) {
        for (const SymbolEntry& e : shell().lastAssembly().labels)
            if (e.name == name) return uint32_t(e.value);
        ADD_FAILURE() << "no label " << name;
        return 0xFFFFF;
    }
    bool enabled(Command c) { return window->action(c)->isEnabled(); }

    // The example's walk: into the loop, over and into its subroutine, out again, back in
    // history, a run to a breakpoint and a reset.
    void walkTheExample() {
        TZk_UP& up = bench().up();
        EXPECT_EQ(pc(), 0u);
        EXPECT_TRUE(button(QStringLiteral("trace into"))->isVisible());
        EXPECT_FALSE(enabled(Command::Stop));
        EXPECT_FALSE(button(QStringLiteral("pause"))->isEnabled());
        EXPECT_FALSE(enabled(Command::AssembleRun));
        press(Command::Trace);
        EXPECT_EQ(pc(), symbol("START"));
        const uint32_t call = symbol("ADDUP") + 2;
        traceTo(call);
        ASSERT_EQ(pc(), call);
        press(Command::StepOver); // over CALL TICK
        const uint32_t afterCall = pc();
        EXPECT_GT(afterCall, call);
        EXPECT_LT(afterCall, symbol("TICK"));
        EXPECT_EQ(up.cpu().ReadData(0x82), 1); // TICK ran once
        // Into TICK on the next turn and out again.
        press(Command::Trace);
        traceTo(call);
        ASSERT_EQ(pc(), call);
        press(Command::Trace);
        EXPECT_EQ(pc(), symbol("TICK"));
        press(Command::StackOut);
        EXPECT_EQ(pc(), afterCall);
        EXPECT_EQ(up.cpu().ReadData(0x82), 2);
        press(Command::StepBack);
        EXPECT_NE(bench().views().programMemory.currentAddress(), afterCall);
        // A breakpoint at DONE; F5 runs to it.
        ASSERT_EQ(up.ToggleBreakpoint(symbol("DONE"), BreakpointKind::Address, true),
                  ToggleResult::Done);
        press(Command::Run);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !up.running(); }, 10000));
        EXPECT_EQ(pc(), symbol("DONE"));
        EXPECT_EQ(up.cpu().ReadData(0x80), 15);
        EXPECT_EQ(up.cpu().ReadData(0x81), 30);
        EXPECT_TRUE(enabled(Command::Trace));
        EXPECT_FALSE(enabled(Command::Stop));
        press(Command::Reset);
        EXPECT_EQ(pc(), 0u);
        EXPECT_TRUE(enabled(Command::Run));
    }

    BoxAnswerer catcher;
    std::unique_ptr<TargetUnit> unit;
    std::unique_ptr<VirtualPrinterPort> port;
    std::map<Slot, ProbeWindow*> probes;
    bool useProbes = true;
};

// The debugging layout with the real windows, a few steps into the example; the RAM window
// shows what the program wrote.
TEST_F(DebugGuiTest, EveryRealWindowFollowsTheStepsOnBothTargets) {
    useProbes = false;
    for (bool emulator : {false, true}) {
        start(emulator);
        for (Slot slot : {Slot::Source, Slot::ProgramMemory, Slot::Ram, Slot::Register, Slot::Stack,
                          Slot::Watch})
            window->showAsChild(slot, true);
        tile(true);
        traceTo(symbol("ADDUP"));
        press(Command::Trace);
        press(Command::Trace);
        EXPECT_EQ(window->findChild<DebugWindowSet*>()->sourceModel().CurrentFile(), 1);
        test::saveScreenshot(*window, emulator ? QStringLiteral("debug_layout_emulator")
                                               : QStringLiteral("debug_layout_simulator"));
        window.reset();
        port.reset();
        unit.reset();
    }
}

TEST_F(DebugGuiTest, SimulatorStepsRunsAndResetsThroughTheKeys) {
    start(false);
    EXPECT_EQ(window->action(Command::Run)->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(window->action(Command::Reset)->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(window->action(Command::StackOut)->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_EQ(window->action(Command::EditMode)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F11));
    EXPECT_EQ(button(QStringLiteral("free run"))->toolTip(), QStringLiteral("free run"));
    EXPECT_TRUE(timer("LinkWatchdog")->isActive());
    window->showAsChild(Slot::Register, true);
    window->showAsChild(Slot::ProgramMemory, false);
    const int before = probes[Slot::Register]->refreshes;
    const int hiddenBefore = probes[Slot::ProgramMemory]->refreshes;
    walkTheExample();
    // The showing window followed every step; the hidden one was left alone.
    EXPECT_GT(probes[Slot::Register]->refreshes, before + 10);
    EXPECT_EQ(probes[Slot::ProgramMemory]->refreshes, hiddenBefore);
    EXPECT_EQ(probes[Slot::Register]->text(), QStringLiteral("PC 0000"));

    // F2 on the program-memory window toggles a breakpoint at its selected address.
    window->showAsChild(Slot::ProgramMemory, true);
    bench().views().programMemory.ShowAddress(symbol("ADDUP"));
    press(Command::SetBreakPoint);
    EXPECT_TRUE(bench().up().cpu().BreakpointMarkAt(symbol("ADDUP"), BreakpointKind::Address));

    // The stack status line after a stop.
    bench().up().cpu().WriteData(0x18, 0xA0);
    bench().debug().stop();
    EXPECT_EQ(named<QLabel>(QStringLiteral("Status"))->text(),
              QStringLiteral("Stack Full and Over Flow"));
    EXPECT_TRUE(
        named<QLabel>(QStringLiteral("Status"))->styleSheet().contains(QStringLiteral("red")));

    // Continue steps on its 20 ms timer until Stop.
    bench().up().cpu().WriteData(0x18, 0);
    press(Command::Continue);
    EXPECT_TRUE(timer("ContinueTimer")->isActive());
    EXPECT_TRUE(enabled(Command::Stop));
    QTest::qWait(150);
    EXPECT_NE(pc(), 0u);
    press(Command::Stop);
    EXPECT_FALSE(timer("ContinueTimer")->isActive());
    EXPECT_TRUE(enabled(Command::Trace));

    // The build menu names the target.
    QMenu* build = nullptr;
    for (QObject* o : window->action(Command::AssembleRun)->associatedObjects())
        if (auto* m = qobject_cast<QMenu*>(o)) build = m;
    ASSERT_NE(build, nullptr);
    Q_EMIT build->aboutToShow();
    EXPECT_EQ(window->action(Command::AssembleRun)->text(),
              QStringLiteral("Assemble&&Run ( Simulation )"));

    press(Command::EditMode);
    EXPECT_EQ(shell().state().debugMode, 0);
    EXPECT_FALSE(timer("LinkWatchdog")->isActive());
    EXPECT_FALSE(button(QStringLiteral("trace into"))->isVisible());
    EXPECT_TRUE(catcher.texts.empty()) << catcher.texts[0];
}

// Runs `act` on the dialog or pop-up menu that `open` brings up (nullptr when none came), once
// it is up; `act` must close it.
void whenUp(const std::function<void(QWidget*)>& act, const std::function<void()>& open) {
    bool done = false;
    QTimer::singleShot(100, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) w = QApplication::activePopupWidget();
        act(w);
        done = true;
    });
    open();
    (void)QTest::qWaitFor([&] { return done; }, 3000);
}

// The keys and edit-toolbar buttons that act on "the active window" reach the source view
// while debugging, never the hidden editor.
TEST_F(DebugGuiTest, FindFilesBookmarksAndPageActOnTheSourceViewWhileDebugging) {
    useProbes = false;
    start(false);
    window->showAsChild(Slot::Source, true);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_FALSE(window->isShowing(Slot::Editor));
    QTabWidget* tabs = nullptr;
    for (QTabWidget* t : window->findChildren<QTabWidget*>())
        if (t->accessibleName() == QStringLiteral("Source files")) tabs = t;
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2); // the example and its chip header
    tabs->setCurrentIndex(0);
    auto table = [&] { return tabs->currentWidget()->findChild<QTableView*>(); };
    auto rowText = [&] {
        const QModelIndex at = table()->currentIndex();
        return table()->model()->index(at.row(), 1).data().toString();
    };
    table()->setFocus();

    // Ctrl+F opens the source view's find; F3 goes on to the next row holding the text.
    QString opened;
    whenUp(
        [&](QWidget* w) {
            opened = w ? w->objectName() : QString();
            if (auto* d = qobject_cast<QInputDialog*>(w)) {
                d->setTextValue(QStringLiteral("tick"));
                d->accept();
            } else if (auto* d = qobject_cast<QDialog*>(w)) {
                d->reject();
            }
        },
        [&] { QTest::keyClick(table(), Qt::Key_F, Qt::ControlModifier); });
    EXPECT_EQ(opened, QStringLiteral("SourceFind"));
    EXPECT_TRUE(rowText().contains(QStringLiteral("TICK"))) << rowText().toStdString();
    const int first = table()->currentIndex().row();
    // The dialog gave the main window back its activation.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    table()->setFocus();
    opened.clear();
    whenUp(
        [&](QWidget* w) {
            if (!w) return;
            opened = w->objectName();
            w->close();
        },
        [&] { QTest::keyClick(table(), Qt::Key_F3); });
    EXPECT_TRUE(opened.isEmpty()) << "F3 opened " << opened.toStdString();
    EXPECT_NE(table()->currentIndex().row(), first);
    EXPECT_TRUE(rowText().contains(QStringLiteral("TICK"))) << rowText().toStdString();

    // Alt+Right and Alt+Left walk the source tabs, wrapping around.
    QTest::keyClick(table(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::keyClick(table(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::keyClick(table(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::keyClick(table(), Qt::Key_Left, Qt::AltModifier);
    ASSERT_EQ(tabs->currentIndex(), 0);

    // The edit toolbar shows for the source view; its digits set and follow the view's
    // bookmarks, and its page button lists the view's files.
    ASSERT_TRUE(editBar()->isVisible());
    const int marked = table()->currentIndex().row();
    markButton()->trigger();
    digitButton(3)->click();
    const QString mark = table()->model()->index(marked, 0).data().toString();
    EXPECT_TRUE(mark.endsWith(QLatin1Char('3'))) << mark.toStdString();
    EXPECT_FALSE(window->editor().bookmark(3, nullptr, nullptr));
    QTest::keyClick(table(), Qt::Key_Home, Qt::ControlModifier);
    ASSERT_NE(table()->currentIndex().row(), marked);
    gotoButton()->trigger();
    EXPECT_TRUE(digitButton(3)->isEnabled());
    EXPECT_FALSE(digitButton(4)->isEnabled());
    digitButton(3)->click();
    EXPECT_EQ(table()->currentIndex().row(), marked);

    QToolButton* page = nullptr;
    for (QToolButton* b : editBar()->findChildren<QToolButton*>())
        if (b->accessibleName() == QStringLiteral("goto page")) page = b;
    ASSERT_NE(page, nullptr);
    QStringList entries;
    whenUp(
        [&](QWidget* w) {
            auto* menu = qobject_cast<QMenu*>(w);
            if (!menu) return;
            for (QAction* a : menu->actions())
                entries << a->text();
            for (QAction* a : menu->actions())
                if (a->text().endsWith(tabs->tabText(1))) a->trigger();
            menu->close();
        },
        [&] { page->click(); });
    EXPECT_EQ(entries.size(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(entries.contains(QStringLiteral("Open ") + tabs->tabText(i)))
            << entries.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_TRUE(catcher.texts.empty()) << catcher.texts[0];
}

TEST_F(DebugGuiTest, VirtualEmulatorStepsRunsAndResetsThroughTheKeys) {
    start(true);
    ASSERT_FALSE(bench().up().simulatorMode());
    window->showAsChild(Slot::Register, true);
    // A RAM edit goes through to the unit: the mirror read back after a step keeps it.
    bench().up().WriteRegister(0x85, 0x5A);
    walkTheExample();
    EXPECT_EQ(bench().up().cpu().ReadData(0x85), 0x5A);
    EXPECT_TRUE(catcher.texts.empty()) << catcher.texts[0];
    // "ICE Test" belongs to edit mode and tests the unit's memories.
    EXPECT_FALSE(enabled(Command::IceTest));
    press(Command::EditMode);
    ASSERT_TRUE(enabled(Command::IceTest));
    press(Command::IceTest);
    EXPECT_TRUE(catcher.saw("Memory checked OK!"))
        << (catcher.texts.empty() ? "" : catcher.texts[0]);
}

TEST_F(DebugGuiTest, UnitGoingAwayEndsInTheMessageAndEditMode) {
    const FaultPlan faults[] = {{FaultKind::Disconnect, 0, 0, {}},
                                {FaultKind::NoAnswer, 0, 0, {}},
                                {FaultKind::WrongByte, 0, 0, {}},
                                {FaultKind::Disconnect, 25, 0, {}}};
    for (const FaultPlan& fault : faults) {
        SCOPED_TRACE(int(fault.kind) * 100 + int(fault.afterPackets));
        catcher.texts.clear();
        start(true);
        press(Command::Trace);
        unit->setFault(fault);
        // A free run: the run timer polls a unit that stops answering.
        QTest::qWait(20);
        window->action(Command::Run)->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shell().state().debugMode == 0; }, 15000));
        EXPECT_TRUE(catcher.saw(TextOf(TextId::ConnectError)));
        EXPECT_EQ(named<QLabel>(QStringLiteral("Connection"))->text(),
                  QStringLiteral("ICE not Connect"));
        EXPECT_FALSE(timer("LinkWatchdog")->isActive());
        EXPECT_FALSE(timer("RunTimer")->isActive());
        EXPECT_FALSE(enabled(Command::Trace));
        EXPECT_TRUE(window->isShowing(Slot::Editor));
        window.reset();
    }
}

TEST_F(DebugGuiTest, CommandLineStartDebugsTheFileAndABadFileEndsTheProgram) {
    // A first run leaves the chip in the configuration.
    window = std::make_unique<MainWindow>(programDir, std::vector<std::string>{});
    window->show();
    QApplication::processEvents();
    auto index = bench().library().findChipByName("KXA1608");
    ASSERT_TRUE(index.has_value());
    bench().options().restoreChipIndex(*index);
    ASSERT_TRUE(window->close());
    window.reset();

    const fs::path main = source;
    window = std::make_unique<MainWindow>(programDir, std::vector<std::string>{main.string()});
    auto* source = new ProbeWindow(bench().up());
    window->installDebugWindow(Slot::Source, source, source);
    std::string loadedSize;
    window->setSourceViewLoader(
        [&](const AssemblyResult&, const std::string& size) { loadedSize = size; });
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(shell().state().debugMode, 1);
    EXPECT_TRUE(shell().state().commandLineStart);
    EXPECT_EQ(loadedSize.rfind("Size: ", 0), 0u);
    EXPECT_TRUE(window->isShowing(Slot::Source));
    EXPECT_GE(source->refreshes, 1);
    EXPECT_FALSE(enabled(Command::FileMenu));
    EXPECT_FALSE(enabled(Command::EditMode));
    EXPECT_FALSE(enabled(Command::AssembleRun));
    press(Command::Trace);
    EXPECT_EQ(pc(), symbol("START"));
    EXPECT_TRUE(window->isVisible());
    window.reset();

    const fs::path bad = dir.path() / "examples" / "bad.asm";
    ASSERT_TRUE(writeFileAtomic(bad.string(), "  NOP\n  BOGUS 1\n"));
    window = std::make_unique<MainWindow>(programDir, std::vector<std::string>{bad.string()});
    window->show();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 5000));
    EXPECT_EQ(shell().state().debugMode, 0);
}

} // namespace
} // namespace zerka::gui
