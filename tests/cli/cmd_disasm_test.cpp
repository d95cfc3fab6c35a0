#include "cli_run.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

using DisasmRun = test::CliRun;

DisasmRun disasm(std::vector<std::string> args) {
    args.insert(args.begin(), "disasm");
    return test::runCli(args);
}

TEST(CmdDisasm, WordsOnBothCores) {
    DisasmRun a = disasm({"122A", "0000", "ffff", "C812", "0004h", "0x065A"});
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, "0000 122A ADDF    2Ah, 1, 0\n"
                     "0001 0000 NOP     \n"
                     "0002 FFFF NOPF    FFFh\n"
                     "0003 C812 RCALL   12h\n"
                     "0004 0004  \n"
                     "0005 065A MVL     5Ah\n");
    DisasmRun b = disasm({"--core", "CX4B", "C812", "FFFF"});
    EXPECT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.out, "0000 C812 CALL    12h\n"
                     "0001 FFFF  \n");
    DisasmRun from = disasm({"--from", "1FF", "--count", "1", "0000", "0001"});
    EXPECT_EQ(from.out, "01FF 0000 NOP     \n");
}

TEST(CmdDisasm, ImageRangeHighByteFirst) {
    test::TempDir dir;
    std::string bytes("\x12\x2A\x00\x00\xC8\x12\xFF\xFF\x06\x5A", 10);
    auto image = dir.write("prog.hex", bytes).string();

    DisasmRun all = disasm({"--image", image});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "0000 122A ADDF    2Ah, 1, 0\n"
                       "0001 0000 NOP     \n"
                       "0002 C812 RCALL   12h\n"
                       "0003 FFFF NOPF    FFFh\n"
                       "0004 065A MVL     5Ah\n");
    DisasmRun part = disasm({"--core", "cx4b", "--image", image, "--from", "2", "--count", "2"});
    EXPECT_EQ(part.status, 0) << part.err;
    EXPECT_EQ(part.out, "0002 C812 CALL    12h\n"
                        "0003 FFFF  \n");
    // A count beyond the end shows what there is.
    DisasmRun tail = disasm({"--image", image, "--from", "4", "--count", "100"});
    EXPECT_EQ(tail.out, "0004 065A MVL     5Ah\n");
    DisasmRun none = disasm({"--image", image, "--count", "0"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
}

TEST(CmdDisasm, OddImageWarnsAndShowsWholeWords) {
    test::TempDir dir;
    auto image = dir.write("odd.hex", std::string("\x00\x00\x06", 3)).string();
    DisasmRun r = disasm({"--image", image});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0000 0000 NOP     \n");
    EXPECT_NE(r.err.find("odd number of bytes (3)"), std::string::npos) << r.err;
}

TEST(CmdDisasm, BadInputIsAUsageErrorWithAMessage) {
    test::TempDir dir;
    auto image = dir.write("two.hex", std::string("\x00\x00\x00\x00", 4)).string();
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    std::vector<Case> cases = {
        {{"12345"}, "\"12345\" is not a hexadecimal word"},
        {{"XYZ"}, "\"XYZ\" is not a hexadecimal word"},
        {{"h"}, "\"h\" is not a hexadecimal word"},
        {{"--core", "CX4C", "0000"}, "unknown core \"CX4C\""},
        {{}, "give the words to disassemble, or --image FILE"},
        {{"--image", (dir.path() / "missing.hex").string()}, "no file \""},
        {{"--image", dir.path().string()}, "\" is a folder, not a file"},
        {{"--image", image, "--from", "2"}, "--from 0002 is beyond the end of the image (2 words)"},
        {{"--image", image, "--from", "G"}, "is not a hexadecimal address"},
        {{"--image", image, "--count", "-1"}, "is not a decimal number of words"},
        {{"--image", image, "--count", "1x"}, "is not a decimal number of words"},
    };
    for (const Case& c : cases) {
        DisasmRun r = disasm(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "") << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // Words and an image at once are refused by the option parser.
    DisasmRun both = disasm({"0000", "--image", image});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.out, "");
}

} // namespace
} // namespace zerka::cli
