// `zerka build` of a programmer-mode project: the calibration values the project carries are
// checked with the options dialog's rules before anything reaches the programmer.
#include "cli/app.h"

#include "chip/chip_library.h"
#include "core/atomic_file.h"
#include "shell/config_file.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

class BuildProgrammer : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(test::sourceDir() / "chips", dir.path() / "chips");
        fs::create_directories(dir.path() / "examples");
        fs::copy(test::sourceDir() / "examples" / "sum_cx4a.asm",
                 dir.path() / "examples" / "sum_cx4a.asm");
        ChipLibrary library((dir.path() / "chips").string());
        library.buildChipList();
        project.versionLine = library.chipListVersion();
        project.chipIndex = library.findChipByName("KXA1604").value_or(0);
        project.files = {"examples/sum_cx4a.asm"};
        project.activeFile = 1;
        project.mainFile = "examples/sum_cx4a.asm";
        project.programmer = true;
        project.enHao = true;
        project.ehao = 2000000;
        project.elao = 28000;
    }
    std::pair<int, std::string> build() {
        const fs::path p = dir.path() / "burn.prj";
        writeFileAtomic(p, formatConfiguration(project));
        std::ostringstream out, err;
        const int status =
            runZerka({"build", "--lib", (dir.path() / "chips").string(), p.string()}, out, err);
        return {status, out.str() + err.str()};
    }
    test::TempDir dir;
    ConfigurationFile project;
};

TEST_F(BuildProgrammer, CalibrationValuesInRangeAreSentWithTheImage) {
    const auto [status, text] = build();
    EXPECT_EQ(status, 0) << text;
    EXPECT_THAT(text, HasSubstr("H/W HAO Calibration Function ON!"));
    EXPECT_THAT(text, HasSubstr("sum_cx4a.hex   Download OK"));
}

TEST_F(BuildProgrammer, OutOfRangeCalibrationValuesStopTheBuildWithTheDialogsMessage) {
    project.ehao = 9000000; // KXA1604 takes 1000000 to 4000000 Hz
    auto [status, text] = build();
    EXPECT_EQ(status, 1) << text;
    EXPECT_THAT(text, HasSubstr("Input HAO over Range! Please Check Input HAO!!"));
    EXPECT_THAT(text, Not(HasSubstr("Download OK")));
    EXPECT_THAT(text, Not(HasSubstr("Calibration Function ON")));

    project.ehao = 2000000;
    project.enSlao = true;
    project.elao = 50000;
    std::tie(status, text) = build();
    EXPECT_EQ(status, 1) << text;
    EXPECT_THAT(text, HasSubstr("Input LPO over Range! Please Check Input LPO!!"));
    EXPECT_THAT(text, Not(HasSubstr("Download OK")));
}

} // namespace
} // namespace zerka::cli
