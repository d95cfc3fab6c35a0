#include "cli_run.h"
#include "cli/cli_context.h"

#include "chip/chip_library.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

using AsmRun = test::CliRun;

AsmRun zerkaAsm(std::vector<std::string> args) {
    args.insert(args.begin(), "asm");
    return test::runCli(args);
}

// The shipped chip library and examples, copied so the outputs land in a temporary folder.
class CmdAsm : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(test::sourceDir() / "chips", dir.path() / "chips");
        // Only the sources: outputs of an earlier run in the source tree must not count.
        fs::create_directories(dir.path() / "examples");
        for (const auto& e : fs::directory_iterator(test::sourceDir() / "examples"))
            if (e.path().extension() == ".asm")
                fs::copy(e.path(), dir.path() / "examples" / e.path().filename());
    }
    std::string lib() const { return (dir.path() / "chips").string(); }
    std::string file(std::string_view name) const { return (dir.path() / name).string(); }
    test::TempDir dir;
};

TEST_F(CmdAsm, AssemblesAndPrintsTheChecksum) {
    const AsmRun r = zerkaAsm({"--lib", lib(), "--chip", "KXA1608", file("examples/sum_cx4a.asm")});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(std::regex_match(r.out, std::regex("Checksum = 0x[0-9A-F]{4}\n"))) << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "examples/sum_cx4a.lst"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples/sum_cx4a.map"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples/sum_cx4a.hex"));
    EXPECT_FALSE(fs::exists(dir.path() / "examples/sum_cx4a.asc"));
    EXPECT_EQ(fs::file_size(dir.path() / "examples/sum_cx4a.hex"), 8192u * 2 + 512);
}

TEST_F(CmdAsm, SwitchesOverrideTheChipDefaults) {
    const AsmRun r =
        zerkaAsm({"--lib", lib(), "--chip", "KXA1608", "--no-list", "--no-hex", "--asc", "--obj",
                  "--eeh", "--ihex", "--fill", "FF", file("examples/sum_cx4a.asm")});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_FALSE(fs::exists(dir.path() / "examples/sum_cx4a.lst"));
    EXPECT_FALSE(fs::exists(dir.path() / "examples/sum_cx4a.hex"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples/sum_cx4a.asc"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples/sum_cx4a.obj"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples/sum_cx4a.EEH"));
    EXPECT_TRUE(fs::exists(dir.path() / "examples/sum_cx4a.ihx"));
}

TEST_F(CmdAsm, ErrorsGoToStderrAndExitWithOne) {
    test::TempDir src;
    const auto main = src.write("BAD.ASM", "        NOP\n        MVL     NOWHERE\n");
    src.write("BAD.hex", "an image of an earlier run");
    const AsmRun r = zerkaAsm({"--lib", lib(), main.string()});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err,
              "zerka asm: Error(code:5)   " + main.string() + " 2: Undefined Symbol [NOWHERE]\n");
    EXPECT_EQ(r.out, ""); // no image, so no checksum
    EXPECT_TRUE(fs::exists(src.path() / "BAD.err"));
    // The earlier image is gone: nothing later takes it for this run's.
    EXPECT_FALSE(fs::exists(src.path() / "BAD.hex"));
}

TEST_F(CmdAsm, AnOutputThatWouldReplaceAnInputIsRefused) {
    test::TempDir src;
    const std::string text = "        NOP\n";
    const auto main = src.write("prog.lst", text);
    const AsmRun r = zerkaAsm({"--lib", lib(), main.string()});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_THAT(r.err, HasSubstr("would replace the input file"));
    EXPECT_THAT(r.err, HasSubstr("prog.lst"));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(src.read("prog.lst"), text);
    EXPECT_FALSE(fs::exists(src.path() / "prog.map"));
    EXPECT_FALSE(fs::exists(src.path() / "prog.hex"));
}

TEST_F(CmdAsm, AProgramForTheOtherCoreGetsAHint) {
    // The default chip (index 0) has a CX4B core.
    const AsmRun r = zerkaAsm({"--lib", lib(), file("examples/sum_cx4a.asm")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_THAT(r.err, HasSubstr("Illegal Symbol [MULL]"));
    EXPECT_THAT(r.err, HasSubstr("zerka asm: MULL is an instruction of the CX4A core, but the "
                                 "selected chip KXB0402 has a CX4B core: choose a CX4A chip "
                                 "with --chip"));
    // Once, not per failing line.
    EXPECT_EQ(r.err.find("zerka asm: MULL"), r.err.rfind("zerka asm: MULL"));
}

TEST_F(CmdAsm, UsageErrorsExitWithTwo) {
    const std::string main = file("examples/sum_cx4a.asm");
    EXPECT_EQ(zerkaAsm({"--lib", lib(), "--chip", "NOSUCH", main}).status, kExitUsage);
    EXPECT_EQ(zerkaAsm({"--lib", lib(), "--fill", "AA", main}).status, kExitUsage);
    EXPECT_EQ(zerkaAsm({"--lib", lib(), "--acm", "2.0", main}).status, kExitUsage);
    EXPECT_EQ(zerkaAsm({"--lib", lib(), "--list", "--no-list", main}).status, kExitUsage);
    EXPECT_EQ(zerkaAsm({"--lib", lib(), "--bogus", main}).status, kExitUsage);
    EXPECT_EQ(zerkaAsm({"--lib", file("nolib"), main}).status, kExitUsage);
    const AsmRun missing = zerkaAsm({"--lib", lib(), file("NOFILE.ASM")});
    EXPECT_EQ(missing.status, kExitUsage);
    EXPECT_EQ(missing.err, "zerka asm: no file \"" + file("NOFILE.ASM") + "\"\n");
    // Something that is there but is no source file is not called missing.
    const AsmRun folder = zerkaAsm({"--lib", lib(), file("examples")});
    EXPECT_EQ(folder.status, kExitUsage);
    EXPECT_EQ(folder.err, "zerka asm: \"" + file("examples") + "\" is a folder, not a file\n");
    const AsmRun device = zerkaAsm({"--lib", lib(), "/dev/zero"});
    EXPECT_EQ(device.status, kExitUsage);
    EXPECT_EQ(device.err, "zerka asm: \"/dev/zero\" is not a plain file\n");
}

// A chip header named without a folder is found in the chip library; -I adds folders; a file
// beside the main file comes first.
TEST_F(CmdAsm, IncludesAreLookedUpBesideTheMainFileThenInTheLibraryThenInDashIFolders) {
    test::TempDir src;
    src.write("defs/MYDEFS.INC", "VALUE   EQU     12H\n");
    src.write("more/OTHER.INC", "OTHERV  EQU     3\n");
    const auto main = src.write("work/prog.asm", "        INCLUDE KXA1608.INC\n"
                                                 "        INCLUDE MYDEFS.INC\n"
                                                 "        INCLUDE other.inc\n"
                                                 "        MVL     VALUE+OTHERV\n"
                                                 "        END\n");
    const AsmRun without = zerkaAsm({"--lib", lib(), "--chip", "KXA1608", main.string()});
    EXPECT_EQ(without.status, kExitFailed);
    EXPECT_THAT(without.err, HasSubstr("Couldn't open source file"));
    EXPECT_THAT(without.err, HasSubstr("MYDEFS.INC"));
    const AsmRun with =
        zerkaAsm({"--lib", lib(), "--chip", "KXA1608", "-I", (src.path() / "defs").string(), "-I",
                  (src.path() / "more").string(), main.string()});
    EXPECT_EQ(with.status, kExitOk) << with.err;
    EXPECT_EQ(with.err, "");
    // Beside the main file wins over the -I folder.
    src.write("work/MYDEFS.INC", "VALUE   EQU     40H\n");
    const AsmRun beside =
        zerkaAsm({"--lib", lib(), "--chip", "KXA1608", "-I", (src.path() / "defs").string(), "-I",
                  (src.path() / "more").string(), main.string()});
    EXPECT_EQ(beside.status, kExitOk) << beside.err;
    EXPECT_THAT(beside.out, HasSubstr("Checksum = 0x"));
    EXPECT_NE(beside.out, with.out); // another value, another image
    EXPECT_EQ(
        zerkaAsm({"--lib", lib(), "-I", (src.path() / "none").string(), main.string()}).status,
        kExitUsage);
}

TEST_F(CmdAsm, HelpStatesTheDefaults) {
    const AsmRun r = zerkaAsm({"--help"});
    EXPECT_EQ(r.status, kExitOk);
    for (const char* s : {"--list", "--hex", "--asc", "--obj", "--eeh", "--fill", "--smart",
                          "--optimize", "--protect", "--acm", "--wdt-jmp0", "--assemble-only",
                          "--ihex", "NAME.ihx", "byte address 2k, high byte first"})
        EXPECT_THAT(r.out, HasSubstr(s));
    EXPECT_THAT(r.out, HasSubstr("00 (default)"));
    EXPECT_THAT(r.out, HasSubstr("default on for CX4A chips"));
}

// Every shipped example assembles without errors for every shipped chip of its core.
TEST_F(CmdAsm, EveryExampleForEveryChipOfItsCore) {
    ChipLibrary library{fs::path(lib())};
    ASSERT_TRUE(library.buildChipList());
    int runs = 0;
    for (const auto& entry : fs::directory_iterator(dir.path() / "examples")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".asm") continue;
        const bool cx4a = name.find("cx4a") != std::string::npos;
        ASSERT_TRUE(cx4a || name.find("cx4b") != std::string::npos)
            << name << ": an example names its core (cx4a or cx4b) in its file name";
        for (size_t i = 0; i < library.entries().size(); ++i) {
            ChipModel chip;
            ASSERT_TRUE(library.GetSELUP(int(i), chip));
            if ((chip.coreVariant == 0) != cx4a) continue;
            const AsmRun r =
                zerkaAsm({"--lib", lib(), "--chip", std::to_string(i), entry.path().string()});
            EXPECT_EQ(r.status, kExitOk) << name << " on " << library.entries()[i].name << "\n"
                                         << r.err;
            EXPECT_EQ(r.err, "");
            ++runs;
        }
    }
    EXPECT_GE(runs, 3);
}

} // namespace
} // namespace zerka::cli
