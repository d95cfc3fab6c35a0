// An unknown command is a usage error however it is asked for, never the general help with
// success.
#include "cli/app.h"
#include "cli/cli_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace zerka::cli {
namespace {

using ::testing::HasSubstr;

TEST(UnknownCommand, IsRefusedAlsoWithHelp) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"frobnicate", "--help"},
                                                 {"frobnicate"},
                                                 {"frobnicate", "-h"},
                                                 {"frobnicate", "x.asm"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(runZerka(args, out, err), kExitUsage) << args.size();
        EXPECT_EQ(out.str(), "");
        EXPECT_THAT(err.str(), HasSubstr("zerka: unknown command \"frobnicate\""));
    }
    // The general help and a command's help still work.
    std::ostringstream out, err;
    EXPECT_EQ(runZerka({"--help"}, out, err), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("sim"));
    std::ostringstream out2;
    EXPECT_EQ(runZerka({"asm", "--help"}, out2, err), kExitOk);
    EXPECT_THAT(out2.str(), HasSubstr("--chip"));
}

} // namespace
} // namespace zerka::cli
