// `zerka build`: a project or configuration file built as the IDE would, for CI.
#include "cli_run.h"

#include "chip/chip_library.h"
#include "core/atomic_file.h"
#include "shell/config_file.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

using BuildRun = test::CliRun;
using CmdBuild = test::BuildProjectTest;

TEST_F(CmdBuild, AssembleAndRunLoadsIntoTheSimulator) {
    const BuildRun r = build({write(project)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Checksum = 0x"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples" / "sum_cx4a.lst"));
}

// A simulator build with --coverage runs the program (without the smart compiler, as the
// project says, sum_cx4a sleeps after 53 instructions) and writes the trace file of the run;
// counting options that cannot run are refused.
TEST_F(CmdBuild, CoverageRunsTheBuiltProgramOnTheSimulator) {
    const std::string info = (dir.path() / "sum.info").string();
    const BuildRun r = build({"--coverage", info, "--profile", "-", write(project)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Ran 53 instructions, 70 cycles"));
    EXPECT_THAT(r.out, HasSubstr("TICK                               5            15"));
    std::string text;
    ASSERT_TRUE(readFileBytes(info, text));
    EXPECT_THAT(text, HasSubstr("SF:" + (dir.path() / "examples" / "sum_cx4a.asm").string()));
    EXPECT_THAT(text, HasSubstr("DA:45,5\n")); // TICK's INF, once per turn
    EXPECT_THAT(text, HasSubstr("LF:23\nLH:21\n"));

    const BuildRun only = build({"--assemble-only", "--coverage", info, write(project)});
    EXPECT_EQ(only.status, 2);
    EXPECT_THAT(only.err, HasSubstr("not with --assemble-only"));
    const BuildRun limit = build({"--max-instructions", "5", write(project)});
    EXPECT_EQ(limit.status, 2);
    EXPECT_THAT(limit.err, HasSubstr("--max-instructions goes with --coverage or --profile"));
}

TEST_F(CmdBuild, AssembleOnlyPrintsTheCompilerLines) {
    const BuildRun r = build({"--assemble-only", write(project)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("sum_cx4a.asm .......Compiler   complete"));
}

TEST_F(CmdBuild, EmulatorTargetDownloadsIntoTheVirtualUnit) {
    const BuildRun r = build({"--target", "emulator", write(project)});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CmdBuild, ProgrammerModeDownloadsTheWordImageIntoTheProgrammer) {
    ConfigurationFile burner = project;
    burner.programmer = true;
    const BuildRun r = build({write(burner)});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("sum_cx4a.hex   Download OK"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples" / "sum_cx4a.hex"));
}

TEST_F(CmdBuild, FailuresExitOne) {
    ConfigurationFile other = project;
    other.versionLine = "V0.0 another library";
    BuildRun r = build({write(other)});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("Please set Configuration!"));

    fs::remove(dir.path() / "examples" / "sum_cx4a.asm");
    r = build({write(project)});
    EXPECT_EQ(r.status, 1);

    writeFileAtomic(dir.path() / "examples" / "sum_cx4a.asm", "  BOGUS\n");
    r = build({write(project)});
    EXPECT_EQ(r.status, 1);
    // A failed build has no image, so no checksum of one.
    EXPECT_THAT(r.out, Not(HasSubstr("Checksum")));
}

// A project that ends before the records a build needs, or names a chip the library does not
// have, builds nothing: it would build with other settings than the project's.
TEST_F(CmdBuild, ACutProjectOrAChipOutsideTheLibraryStopsNamingTheRecord) {
    const std::string text = formatConfiguration(project);
    // The first `lines` lines of the file (record 6 holds one file, so record 16 ends on line
    // 25).
    auto cut = [&](int lines) {
        size_t at = 0;
        for (int i = 0; i < lines; ++i)
            at = text.find("\r\n", at) + 2;
        const fs::path p = dir.path() / "cut.prj";
        writeFileAtomic(p, text.substr(0, at));
        return p.string();
    };
    BuildRun r = build({cut(25)}); // ends after record 16: no IDE mode
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_THAT(r.err, HasSubstr("record 17"));
    EXPECT_THAT(r.out, Not(HasSubstr("Download OK")));
    EXPECT_THAT(r.out, Not(HasSubstr("Checksum")));
    r = build({cut(27)}); // ends after record 18: no core selection
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("record 19"));
    r = build({cut(12)}); // ends before the window flags
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("Please set Configuration!"));
    EXPECT_THAT(r.err, HasSubstr("record 13"));
    // Records 33 and 34 are optional (an older layout).
    r = build({cut(int(std::count(text.begin(), text.end(), '\n')) - 2)});
    EXPECT_EQ(r.status, 0) << r.err;

    ChipLibrary library(lib());
    library.buildChipList();
    for (int index : {int(library.entries().size()), -1, 99999}) {
        ConfigurationFile other = project;
        other.chipIndex = index;
        r = build({write(other)});
        EXPECT_EQ(r.status, 1) << index;
        EXPECT_THAT(r.err, HasSubstr("record 9")) << index;
        EXPECT_THAT(r.err, HasSubstr("chip index " + std::to_string(index))) << index;
        EXPECT_THAT(r.err, Not(HasSubstr("Please set Configuration!"))) << index;
        EXPECT_THAT(r.out, Not(HasSubstr("Checksum"))) << index;
    }
}

TEST_F(CmdBuild, UsageErrorsExitTwo) {
    EXPECT_EQ(build({(dir.path() / "none.prj").string()}).status, 2);
    EXPECT_EQ(build({"--target", "board", write(project)}).status, 2);
    EXPECT_EQ(build({"--connect", "unix:/x", write(project)}).status, 2);
}

} // namespace
} // namespace zerka::cli
