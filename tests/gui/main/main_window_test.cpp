// The main window on the offscreen platform: start-up and exit files, the two build commands,
// going from a log line to its source line, tiling, "About", and a screenshot in each mode.
// First: the core headers it pulls in must come before Qt defines its keywords.
#include "gui/main/main_window.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "gui/main/message_log_window.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        const fs::path prog = dir.path() / "prog";
        fs::create_directories(prog / "INCLUDE");
        fs::create_directories(dir.path() / "chips");
        fs::create_directories(dir.path() / "examples");
        for (const auto& e : fs::directory_iterator(test::sourceDir() / "chips")) {
            fs::copy_file(e.path(), prog / "INCLUDE" / e.path().filename());
            fs::copy_file(e.path(), dir.path() / "chips" / e.path().filename());
        }
        fs::copy_file(test::sourceDir() / "Revision_EN.txt", prog / "Revision_EN.txt");
        programDir = prog.string() + "/";
    }

    std::string example(const std::string& name) {
        const fs::path to = dir.path() / "examples" / name;
        fs::copy_file(test::sourceDir() / "examples" / name, to,
                      fs::copy_options::overwrite_existing);
        return to.string();
    }

    void start(std::vector<std::string> args = {}) {
        window = std::make_unique<MainWindow>(programDir, std::move(args));
        window->resize(1280, 800);
        window->show();
        QApplication::processEvents();
    }

    void openMain(const std::string& path, const std::string& chipName) {
        Shell& s = window->shell();
        auto index = s.parts().library.findChipByName(chipName);
        ASSERT_TRUE(index.has_value());
        s.parts().options.restoreChipIndex(*index);
        ASSERT_TRUE(window->editor().openFile(path));
        s.filesOpened();
        s.SetMainFile(path);
    }

    test::TempDir dir;
    std::string programDir;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, StartUpAndExitWriteConfigurationAndLayout) {
    start();
    EXPECT_EQ(window->windowTitle().toStdString().rfind("KXA and KXB Codeloft ", 0), 0u);
    EXPECT_EQ(window->connectionPanel()->text(), QStringLiteral("Simulator"));
    EXPECT_EQ(window->busyIndicator()->width(), 10);
    EXPECT_TRUE(fs::exists(programDir + "Zkmain.cfg"));
    test::saveScreenshot(*window, QStringLiteral("main_window_edit_empty"));
    window->subWindow(Slot::Log)->setGeometry(5, 6, 400, 200);
    EXPECT_TRUE(window->close());
    std::string layout;
    ASSERT_TRUE(readFileBytes(programDir + "zerka-ide.wst", layout));
    EXPECT_EQ(layout.rfind("1.10\r\n", 0), 0u);
    EXPECT_NE(layout.find("TZk_ERR\r\n    5    6  400  200    0    0"), std::string::npos);

    // The next start restores the log window's place.
    start();
    EXPECT_EQ(window->subWindow(Slot::Log)->geometry(), QRect(5, 6, 400, 200));
}

TEST_F(MainWindowTest, AssembleAndAssembleRunBuildTheExample) {
    start();
    openMain(example("sum_cx4a.asm"), "KXA1608");
    test::saveScreenshot(*window, QStringLiteral("main_window_edit"));
    window->action(Command::Assemble)->trigger();
    QListWidget* list = window->logWindow().list();
    ASSERT_GE(list->count(), 2);
    EXPECT_TRUE(list->item(list->count() - 1)
                    ->text()
                    .endsWith(QStringLiteral(".......Compiler   complete")));
    EXPECT_TRUE(window->isShowing(Slot::Log));
    EXPECT_TRUE(window->checksumPanel()->text().startsWith(QStringLiteral("Checksum = 0x")));
    test::saveScreenshot(*window, QStringLiteral("main_window_assembled"));

    EXPECT_EQ(window->action(Command::AssembleRun)->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_EQ(window->action(Command::Assemble)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F10));
    window->action(Command::AssembleRun)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(window->shell().state().debugMode, 1);
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("ZerkaIDE - Simulation")));
    test::saveScreenshot(*window, QStringLiteral("main_window_debug"));
    window->shell().EnterEditMode(true);
    EXPECT_EQ(window->shell().state().debugMode, 0);
}

TEST_F(MainWindowTest, ErrorLineInTheLogOpensTheEditorAtItsLine) {
    start();
    const std::string bad = (dir.path() / "examples" / "bad.asm").string();
    writeFileAtomic(bad, "  NOP\n  NOP\n  BOGUS 1\n");
    const std::string other = example("sum_cx4a.asm");
    openMain(bad, "KXA1608");
    ASSERT_TRUE(window->editor().openFile(other));
    window->shell().filesOpened();
    window->action(Command::Assemble)->trigger();
    QListWidget* list = window->logWindow().list();
    ASSERT_GE(list->count(), 1);
    list->setCurrentRow(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(fs::path(window->editor().pathOf(window->editor().currentSlot())), fs::path(bad));
}

TEST_F(MainWindowTest, ProgrammerModeShowsItsToolbar) {
    start();
    window->shell().parts().options.selectIdeMode(IdeMode::Programmer);
    window->shell().SelectTarget(true);
    window->shell().ApplyIdeMode();
    // No unit is connected here: the panel says so in red.
    EXPECT_EQ(window->connectionPanel()->text(), QStringLiteral("ICE not Connect"));
    QApplication::processEvents();
    EXPECT_FALSE(window->action(Command::AssembleRun)->isEnabled());
    EXPECT_TRUE(window->action(Command::ProgBlank)->isEnabled());
    test::saveScreenshot(*window, QStringLiteral("main_window_programmer"));
}

TEST_F(MainWindowTest, TilingAndAbout) {
    start();
    openMain(example("sum_cx4a.asm"), "KXA1608");
    window->showAsChild(Slot::Log, true);
    window->tile(true);
    const QRect e = window->subWindow(Slot::Editor)->geometry();
    const QRect l = window->subWindow(Slot::Log)->geometry();
    EXPECT_EQ(e.width(), (window->width() - 12) / 2);
    EXPECT_EQ(l.left(), e.width());
    EXPECT_EQ(e.height(), window->height() - 106);
    window->showRevisionHistory();
    EXPECT_TRUE(window->revisionText()->toPlainText().contains(QStringLiteral("Zerka-IDE")));
    window->revisionText()->close();
    fs::remove(programDir + "Revision_EN.txt");
    window->revisionText()->clear();
    window->showRevisionHistory();
    EXPECT_TRUE(window->revisionText()->toPlainText().isEmpty());
}

} // namespace
} // namespace zerka::gui
