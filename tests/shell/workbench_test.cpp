// The headless workbench: the example built and debugged through its shell on the simulator and
// on the in-process virtual unit, the bring-up for a program already in the uP centre (the
// command line's and the adapter's way), and a named unit that does not answer.
#include "shell/workbench.h"
#include "uitext/text_id.h"

#include "support/temp_dir.h"
#include "target/target_unit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;

class WorkbenchTest : public ::testing::Test {
  protected:
    WorkbenchTest() {
        fs::copy_file(sourceDir() / "examples" / "sum_cx4a.asm", dir.path() / "sum_cx4a.asm");
        WorkbenchSetup s;
        s.programDir = (dir.path() / "").string();
        s.libraryDir = sourceDir() / "chips";
        s.unit = UnitChoice::inProcess();
        bench = std::make_unique<Workbench>(std::move(s));
    }
    // The example open as the main file, for KXA1608.
    void openExample() {
        ASSERT_TRUE(bench->loadChipList());
        const auto index = bench->library().findChipByName("KXA1608");
        ASSERT_TRUE(index.has_value());
        ASSERT_TRUE(bench->chooseChip(*index));
        bench->options().selectIdeMode(IdeMode::Debugger);
        const std::string main = (dir.path() / "sum_cx4a.asm").string();
        ASSERT_TRUE(bench->editor().openFile(main));
        bench->shell().SetMainFile(main);
    }
    // A free run; the bytes the example leaves.
    void runAndCheck() {
        TZk_UP& up = bench->up();
        // As `zerka sim` runs: bounded, and stopped once the CPU sleeps.
        up.setTickLimit(100000);
        up.setYieldHook([&up] {
            if (up.running() && (up.cpu().sleeping() || up.cpu().idle())) up.Stop();
        });
        up.Run();
        up.setYieldHook({});
        EXPECT_EQ(up.cpu().ReadData(0x80), 15);
        EXPECT_EQ(up.cpu().ReadData(0x81), 30);
    }

    TempDir dir;
    std::unique_ptr<Workbench> bench;
};

TEST_F(WorkbenchTest, TheShellBuildsAndDebugsOnTheSimulator) {
    openExample();
    Shell& shell = bench->shell();
    shell.SelectTarget(true);
    ASSERT_TRUE(shell.assembleAndRun());
    EXPECT_EQ(shell.state().debugMode, 1);
    runAndCheck();
}

TEST_F(WorkbenchTest, TheShellBuildsAndDebugsOnTheInProcessUnit) {
    openExample();
    bench->useUnit(UnitChoice::inProcess()); // for the chip now chosen
    ASSERT_NE(bench->inProcessUnit(), nullptr);
    bench->options().selectInterface(kUsbInterfaceIndex);
    Shell& shell = bench->shell();
    shell.SelectTarget(false);
    ASSERT_TRUE(shell.assembleAndRun());
    EXPECT_EQ(shell.state().debugMode, 1);
    EXPECT_FALSE(bench->linkLost());
}

TEST_F(WorkbenchTest, BringUpPutsAProgramBuiltForTheSimulatorOnTheUnit) {
    openExample();
    ASSERT_TRUE(bench->shell().assembleAndRun()); // the simulator: the program is in the uP centre
    bench->useUnit(UnitChoice::inProcess());
    EXPECT_EQ(bench->bringUpEmulator({}), BringUp::Ok);
    EXPECT_TRUE(bench->options().usbInterface());
    EXPECT_EQ(bench->unit().name(), "the built-in virtual unit");
    bench->emulator().run().setBlockingRuns(true, 100000);
    runAndCheck();
    bench->leaveEmulator();
}

TEST_F(WorkbenchTest, ANamedUnitThatDoesNotAnswerFailsTheConnect) {
    openExample();
    ASSERT_TRUE(bench->shell().assembleAndRun());
    const std::string address = "unix:" + (dir.path() / "nobody.sock").string();
    bench->useUnit(UnitChoice::socket(address));
    EXPECT_EQ(bench->unit().name(), address);
    EXPECT_EQ(bench->inProcessUnit(), nullptr);
    EXPECT_EQ(bench->bringUpEmulator({}), BringUp::ConnectFailed);
    EXPECT_EQ(bringUpText(BringUp::ConnectFailed), TextOf(TextId::ConnectError));
}

TEST(UnitChoice, TheCommandLineRule) {
    EXPECT_EQ(UnitChoice::commandLine("unix:/x", false).kind, UnitChoice::Kind::Socket);
    EXPECT_EQ(UnitChoice::commandLine("", false).kind, UnitChoice::Kind::InProcess);
    EXPECT_EQ(UnitChoice::hardware().name(), "the USB unit");
}

} // namespace
} // namespace zerka::test
