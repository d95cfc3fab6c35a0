// Saving modified files, the file commands, projects and the exit sequence.
#include "core/atomic_file.h"
#include "shell/shell_fixture.h"

#include <filesystem>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ShellTest {
  protected:
    void SetUp() override {
        makeShell();
        for (const char* n : {"a.asm", "b.asm", "c.asm"}) {
            editor.openFile(dir.write(n, "old\n").string());
            typeOver(editor, editor.slotCount(), std::string("new ") + n);
        }
        editor.select(2);
    }
    std::string onDisk(const char* n) { return dir.read(n); }
};

TEST_F(FilesTest, YesNoAndCancelAnswers) {
    windows.saveAnswers = {SaveAnswer::Yes, SaveAnswer::No, SaveAnswer::Cancel};
    EXPECT_FALSE(shell->SaveModifiedFiles("", false));
    EXPECT_EQ(onDisk("a.asm"), "new a.asm");
    EXPECT_EQ(onDisk("b.asm"), "old\n");
    EXPECT_EQ(onDisk("c.asm"), "old\n");
    ASSERT_EQ(windows.questions.size(), 3u);
    EXPECT_EQ(windows.questions[0].first, "Save changes to " + editor.pathOf(1) + "?");
    EXPECT_TRUE(windows.questions[0].second); // All is offered
}

TEST_F(FilesTest, AllSavesEveryLaterFileWithoutAsking) {
    windows.showing.insert(Slot::Editor);
    windows.saveAnswers = {SaveAnswer::No, SaveAnswer::All};
    EXPECT_TRUE(shell->SaveModifiedFiles("", false));
    EXPECT_EQ(windows.questions.size(), 2u);
    EXPECT_EQ(onDisk("a.asm"), "old\n");
    EXPECT_EQ(onDisk("b.asm"), "new b.asm");
    EXPECT_EQ(onDisk("c.asm"), "new c.asm");
    EXPECT_EQ(editor.currentSlot(), 2); // the active file again
    EXPECT_EQ(shell->state().currentFile, editor.pathOf(2));
    EXPECT_TRUE(windows.isShowing(Slot::Editor));
}

TEST_F(FilesTest, FilterAndForce) {
    windows.saveAnswers = {SaveAnswer::Yes};
    EXPECT_TRUE(shell->SaveModifiedFiles(editor.pathOf(3), false));
    ASSERT_EQ(windows.questions.size(), 1u);
    EXPECT_FALSE(windows.questions[0].second); // no All with a filter
    EXPECT_EQ(onDisk("c.asm"), "new c.asm");
    EXPECT_EQ(onDisk("a.asm"), "old\n");
    EXPECT_TRUE(shell->SaveModifiedFiles("", true));
    EXPECT_EQ(windows.questions.size(), 1u);
    EXPECT_EQ(onDisk("a.asm"), "new a.asm");
}

TEST_F(FilesTest, UntitledFileGoesThroughTheSaveDialogAndGetsAsm) {
    editor.closeAll();
    editor.newFile();
    typeOver(editor, 1, "x");
    const std::string typed = (dir.path() / "typed").string();
    windows.dialogAnswers = {typed};
    windows.saveAnswers = {SaveAnswer::Yes};
    EXPECT_TRUE(shell->SaveModifiedFiles("", false));
    EXPECT_EQ(editor.pathOf(1), typed + ".asm");
    EXPECT_EQ(onDisk("typed.asm"), "x");
}

TEST_F(FilesTest, ExitWithModifiedFilesAsksAndCancelKeepsRunning) {
    shell->state().projectFile = (dir.path() / "demo.prj").string();
    windows.saveAnswers = {SaveAnswer::Cancel};
    EXPECT_FALSE(shell->closeRequested());
    EXPECT_EQ(windows.questions[0].first, "Save Project : " + shell->state().projectFile + " ?");
    EXPECT_FALSE(std::filesystem::exists(shell->state().projectFile)); // Cancel: not saved
    EXPECT_TRUE(windows.isShowing(Slot::Editor));
    EXPECT_EQ(onDisk("a.asm"), "old\n");
    // Service flag 1 skips the question.
    shell->state().serviceFlag = 1;
    EXPECT_TRUE(shell->closeRequested());
    shell->closeFinal();
    EXPECT_TRUE(fs::exists(programDir + "Zkmain.cfg"));
}

TEST_F(FilesTest, CloseFileCancelledKeepsTheFile) {
    windows.saveAnswers = {SaveAnswer::Cancel};
    shell->closeFile();
    EXPECT_EQ(editor.slotCount(), 3);
    windows.saveAnswers = {SaveAnswer::No};
    shell->closeFile();
    EXPECT_EQ(editor.slotCount(), 2);
}

TEST_F(FilesTest, TwentyFirstNewFileGoesToTheLog) {
    editor.closeAll();
    for (int i = 0; i < kMaxEditorSlots; ++i)
        shell->newFile();
    EXPECT_EQ(log.count(), 0u);
    EXPECT_TRUE(shell->commands().enabled(Command::Save));
    shell->newFile();
    ASSERT_EQ(log.count(), 1u);
    EXPECT_EQ(log.entries()[0].text, "max number of edited file: 20");
    EXPECT_TRUE(windows.isShowing(Slot::Log));
}

TEST_F(FilesTest, SaveProjectNamingRule) {
    for (int slot = 1; slot <= editor.slotCount(); ++slot)
        editor.text(slot).setSavePoint();
    const std::string base = (dir.path() / "demo").string();
    EXPECT_TRUE(shell->saveProjectAs(base));
    EXPECT_TRUE(fs::exists(base + ".prj"));
    EXPECT_TRUE(fs::exists(base + ".pro"));
    EXPECT_EQ(shell->state().projectFile, base + ".prj");
    EXPECT_TRUE(shell->saveProjectAs(base + ".PRJ"));
    EXPECT_FALSE(shell->saveProjectAs(base + ".txt"));
    EXPECT_FALSE(shell->saveProjectAs(base + ".prjx"));
    fs::create_directories(dir.path() / "work.old");
    EXPECT_FALSE(shell->saveProjectAs((dir.path() / "work.old" / "demo.prj").string()));
    EXPECT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text, "Save File Error");
    EXPECT_EQ(watchListFileOf("/x/work.old/demo.prj"), "/x/work.pro");
}

TEST_F(FilesTest, OpenProjectRestoresFilesAndCancelStillAppliesTheMode) {
    for (int slot = 1; slot <= editor.slotCount(); ++slot)
        editor.text(slot).setSavePoint();
    shell->state().mainFile = editor.pathOf(1);
    const std::string prj = (dir.path() / "demo.prj").string();
    ASSERT_TRUE(shell->saveProjectAs(prj));
    editor.closeAll();
    shell->state().mainFile.clear();

    windows.dialogAnswers = {prj};
    shell->openProject();
    EXPECT_EQ(editor.slotCount(), 3);
    EXPECT_EQ(shell->state().mainFile, (dir.path() / "a.asm").string());
    EXPECT_EQ(shell->state().projectFile, prj);
    EXPECT_TRUE(windows.isShowing(Slot::Editor));
    EXPECT_EQ(windows.dialogs.back().filter, "*.prj|*.prj|*.*|*.*");

    windows.panel = ConnectionPanel::NotConnected;
    shell->openProject(); // cancelled
    EXPECT_EQ(windows.panel, ConnectionPanel::Simulator);
    EXPECT_EQ(editor.slotCount(), 3);
}

TEST_F(FilesTest, SavedProjectKeepsAWatchListAndTheDeviceShowsTheIdeMode) {
    for (int slot = 1; slot <= editor.slotCount(); ++slot)
        editor.text(slot).setSavePoint();
    // No build yet: a new project gets an empty list, and saving it under another name takes
    // its list along instead of an empty one.
    const std::string first = (dir.path() / "first").string();
    ASSERT_TRUE(shell->saveProjectAs(first));
    EXPECT_EQ(dir.read("first.pro"), "");
    writeFileAtomic(first + ".pro", "0 COUNT A \n1 FLAG A STATUS 2 \n");
    ASSERT_TRUE(shell->saveProjectAs((dir.path() / "second.prj").string()));
    EXPECT_EQ(dir.read("second.pro"), "0 COUNT A \n1 FLAG A STATUS 2 \n");
    EXPECT_EQ(dir.read("first.pro"), "0 COUNT A \n1 FLAG A STATUS 2 \n");
    EXPECT_FALSE(shell->writeWatchList((dir.path() / "third.pro").string()));
    EXPECT_FALSE(fs::exists(dir.path() / "third.pro"));

    // Closing the options with USB names the IDE mode on the device's display.
    shell->optionsClosed(IdeMode::Programmer, true);
    shell->optionsClosed(IdeMode::Debugger, true);
    shell->optionsClosed(IdeMode::Debugger, false);
    ASSERT_EQ(ui.displays.size(), 2u);
    EXPECT_EQ(ui.displays[0], "ZK-IDE Program Mode             ");
    EXPECT_EQ(ui.displays[1], "ZK-IDE Debug Mode               ");
}

} // namespace
} // namespace zerka::test
