// `zerka build`: a project or configuration file built as the IDE would, for CI.
#include "cli/app.h"

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

struct BuildRun {
    int status;
    std::string out;
    std::string err;
};

class CmdBuild : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(test::sourceDir() / "chips", dir.path() / "chips");
        fs::create_directories(dir.path() / "examples");
        fs::copy(test::sourceDir() / "examples" / "sum_cx4a.asm",
                 dir.path() / "examples" / "sum_cx4a.asm");
        ChipLibrary library(lib());
        library.buildChipList();
        project.versionLine = library.chipListVersion();
        project.chipIndex = library.findChipByName("KXA1608").value_or(0);
        project.files = {"examples/sum_cx4a.asm"};
        project.activeFile = 1;
        project.mainFile = "examples/sum_cx4a.asm"; // relative: counts from the project's folder
    }
    std::string lib() const { return (dir.path() / "chips").string(); }
    std::string write(const ConfigurationFile& f) {
        const fs::path p = dir.path() / "demo.prj";
        writeFileAtomic(p, formatConfiguration(f));
        return p.string();
    }
    BuildRun build(std::vector<std::string> args) {
        args.insert(args.begin(), {"build", "--lib", lib()});
        std::ostringstream out, err;
        const int status = runZerka(args, out, err);
        return {status, out.str(), err.str()};
    }
    test::TempDir dir;
    ConfigurationFile project;
};

TEST_F(CmdBuild, AssembleAndRunLoadsIntoTheSimulator) {
    const BuildRun r = build({write(project)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Checksum = 0x"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples" / "sum_cx4a.lst"));
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
