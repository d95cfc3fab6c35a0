// The main window in programmer mode against the in-process virtual unit: the build puts the
// word image into the programmer's flash, the toolbar's Blank and Read work on the chip in the
// socket, and a screenshot shows the mode; the unit's display names the IDE mode.
#include "gui/support/main_window_fixture.h"

#include "core/text.h"
#include "gui/editor/editor_window.h"
#include "gui/main/programmer_mode.h"
#include "gui/programmer/programmer_page.h"
#include "gui/programmer/read_result_view.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"
#include "target/target_unit.h"
#include "target/virtual_usb.h"

#include <QApplication>
#include <QMenu>
#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

bool logged(const MessageLogModel& log, const std::string& file, const std::string& text) {
    for (const LogEntry& e : log.entries())
        if (e.file == file && e.text == text) return true;
    return false;
}

using ProgrammerModeWindow = MainWindowFixture;

TEST_F(ProgrammerModeWindow, BuildBlankAndReadFromTheToolbar) {
    // Short jobs keep the test quick; the host's waits are the real ones.
    TargetConfig config;
    config.programmer.timeScale = 0.05;
    TargetUnit unit(config);

    start();
    MainWindow& window = *this->window;
    Shell& shell = this->shell();
    bench().emulator().usb().setVirtualTarget(inProcessTarget(unit));
    OptionsModel& options = bench().options();
    options.restoreChipIndex(bench().library().findChipByName("KXA1608").value_or(0));
    options.selectIdeMode(IdeMode::Programmer);
    ASSERT_TRUE(window.editor().openFile(source));
    shell.filesOpened();
    shell.SetMainFile(source);
    shell.ApplyIdeMode();

    // The flash commands sit in the File menu and follow the mode.
    EXPECT_TRUE(window.action(Command::DownLoad)->isEnabled());
    EXPECT_EQ(window.action(Command::DownLoad)->text(), QStringLiteral("DownLoad To Flash Memory"));
    EXPECT_TRUE(window.action(Command::FileMenu)
                    ->menu()
                    ->actions()
                    .contains(window.action(Command::ReadFlash)));

    const std::string hex = (dir.path() / "examples" / "sum_cx4a.hex").string();
    ASSERT_TRUE(shell.assembleAndRun());
    EXPECT_TRUE(logged(bench().log(), "OK", hex + "   Download OK"));

    window.action(Command::ProgBlank)->trigger();
    EXPECT_TRUE(logged(bench().log(), "Blank", "Chip Blank OK"));
    EXPECT_TRUE(logged(bench().log(), "Blank", "SBM Blank OK"));
    EXPECT_TRUE(window.action(Command::ProgBlank)->isEnabled());
    EXPECT_EQ(named(QStringLiteral("Busy"))->width(), 10);

    ProgrammerMode& mode = *window.findChild<ProgrammerMode*>();
    mode.view().clearWords(0);
    window.action(Command::ProgRead)->trigger();
    EXPECT_TRUE(mode.viewWindow()->isVisible());
    EXPECT_EQ(mode.view().wordText(0), QStringLiteral("FFFF")); // a blank chip
    EXPECT_GE(mode.view().rowCount(), 8192 / 16);

    window.editor().showPage(1);
    mode.page().readAllButton()->click();
    EXPECT_EQ(mode.page().firmwarePanel()->text(), QStringLiteral("WRIV0210"));
    window.editor().showPage(0);
    QApplication::processEvents();
    test::saveScreenshot(window, QStringLiteral("programmer_mode"));
    mode.viewWindow()->hide();
    window.editor().showPage(1);
    QApplication::processEvents();
    test::saveScreenshot(window, QStringLiteral("programmer_mode_settings"));
    this->window.reset(); // before the unit it talks to
}

TEST_F(ProgrammerModeWindow, TheUnitsDisplayNamesTheModeOnClosingTheOptionsAndAtStart) {
    TargetUnit unit;
    start();
    bench().emulator().usb().setVirtualTarget(inProcessTarget(unit));
    OptionsModel& options = bench().options();
    options.selectInterface(kUsbInterfaceIndex);

    // On closing the options, the link not yet open.
    options.selectIdeMode(IdeMode::Programmer);
    ASSERT_TRUE(options.closeOptions());
    EXPECT_EQ(unit.displayText(), padRight("ZK-IDE Program Mode", 32));
    options.selectIdeMode(IdeMode::Debugger);
    ASSERT_TRUE(options.closeOptions());
    EXPECT_EQ(unit.displayText(), padRight("ZK-IDE Debug Mode", 32));

    // A configuration that debugs on the emulator over USB, read at start.
    shell().SelectTarget(false);
    const std::string cfg = (dir.path() / "emulate.cfg").string();
    ASSERT_TRUE(shell().WriteConfiguration(cfg));
    shell().ReadConfiguration(cfg);
    EXPECT_EQ(unit.displayText(), padRight("Zerka-IDE Debug Mode", 32));
    window.reset(); // before the unit it talks to
}

} // namespace
} // namespace zerka::gui
