// `zerka build` of a programmer-mode project: the calibration values the project carries are
// checked with the options dialog's rules before anything reaches the programmer.
#include "cli_run.h"

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

// The example as a programmer-mode project for KXA1604 with hardware calibration.
class BuildProgrammer : public test::BuildProjectTest {
  protected:
    void SetUp() override {
        BuildProjectTest::SetUp();
        project.chipIndex = chipIndex("KXA1604");
        project.programmer = true;
        project.enHao = true;
        project.ehao = 2000000;
        project.elao = 28000;
    }
    std::pair<int, std::string> build() {
        const test::CliRun r = BuildProjectTest::build({write(project, "burn.prj")});
        return {r.status, r.out + r.err};
    }
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
