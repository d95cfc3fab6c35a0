// The main window's SRAM record: the menu item only in debug mode, and "Add to Current
// Address" on a debugged example putting the edits into its source and rebuilding it.
#include "gui/support/main_window_fixture.h"
#include "gui/main/sram_record_menu.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

using SramRecordMenuTest = MainWindowFixture;

TEST_F(SramRecordMenuTest, AddToCurrentAddressPutsTheEditsIntoTheSourceAndRebuilds) {
    start();
    openMain(source);
    Shell& shell = this->shell();
    MainWindow& window = *this->window;

    SramRecordMenu* menu = window.findChild<SramRecordMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->menuItem()->isVisible());
    window.action(Command::AssembleRun)->trigger();
    QApplication::processEvents();
    ASSERT_EQ(shell.state().debugMode, 1);
    EXPECT_TRUE(menu->menuItem()->isVisible());

    TZk_UP& up = bench().up();
    const uint32_t pc = up.cpu().GetPC();
    ASSERT_NE(up.cpu().SourceLineOf(pc), 0);
    up.SetRegister(0x85, 0x5A);
    ASSERT_EQ(menu->window().grid()->rowCount(), 1);

    // Every question is answered "Yes": overwrite the source, then rebuild.
    int answered = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++answered;
            box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click() : box->accept();
        }
    });
    answer.start(20);
    menu->window().addItem()->trigger();
    answer.stop();
    QApplication::processEvents();

    EXPECT_GE(answered, 2);
    std::string text;
    ASSERT_TRUE(readFileBytes(source, text));
    EXPECT_NE(text.find("       MVL     05Ah"), std::string::npos);
    EXPECT_NE(text.find("       MVF     0085h, 1, 0"), std::string::npos);
    // The rebuild ran and debugging started again, with the record emptied.
    EXPECT_EQ(shell.state().debugMode, 1);
    EXPECT_TRUE(shell.lastAssembly().success);
    EXPECT_EQ(menu->model().rowCount(), 0u);
    EXPECT_EQ(menu->window().grid()->rowCount(), 0);

    shell.EnterEditMode(true);
    EXPECT_FALSE(menu->menuItem()->isVisible());
}

} // namespace
} // namespace zerka::gui
