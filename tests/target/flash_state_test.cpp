// The programmer's flash state file: a unit that could not keep it refuses to start, and a save
// that fails says why.
#include "support/temp_dir.h"
#include "target/programmer_unit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;

TEST(FlashState, AStateFileThatCannotBeWrittenStopsTheUnitBeforeItServes) {
    TempDir dir;
    for (const fs::path& state : {dir.path() / "missing" / "state.bin",
                                  fs::path("/proc/zerka-flash-state.bin"), dir.path()}) {
        ProgrammerConfig c;
        c.flashState = state;
        ProgrammerUnit unit(c);
        EXPECT_FALSE(unit.ready()) << state;
        EXPECT_NE(unit.problem().find(state.string()), std::string::npos) << unit.problem();
    }
    // A folder that exists: the file is written when there is something to keep.
    ProgrammerConfig c;
    c.flashState = dir.path() / "state.bin";
    {
        ProgrammerUnit unit(c);
        EXPECT_TRUE(unit.ready()) << unit.problem();
        EXPECT_FALSE(fs::exists(c.flashState)) << "nothing is written before anything changes";
        unit.flash().store(0x100, 0x1234);
        std::string problem;
        EXPECT_TRUE(unit.saveState(problem)) << problem;
    }
    EXPECT_TRUE(fs::exists(c.flashState));
}

TEST(FlashState, ASaveThatFailsSaysWhyAndKeepsTheChangeToSaveAgain) {
    TempDir dir;
    fs::create_directories(dir.path() / "state");
    ProgrammerConfig c;
    c.flashState = dir.path() / "state" / "flash.bin";
    ProgrammerUnit unit(c);
    ASSERT_TRUE(unit.ready()) << unit.problem();
    unit.flash().store(0x100, 0x1234);
    fs::remove_all(dir.path() / "state");
    std::string problem;
    EXPECT_FALSE(unit.saveState(problem));
    EXPECT_NE(problem.find(c.flashState.string()), std::string::npos) << problem;
    EXPECT_TRUE(unit.flash().dirty());
    // The folder is back: the change is kept after all.
    fs::create_directories(dir.path() / "state");
    EXPECT_TRUE(unit.saveState(problem)) << problem;
    EXPECT_FALSE(unit.flash().dirty());
}

} // namespace
} // namespace zerka::test
