// What a run may do to the files beside the main file: never replace an input, leave no stale
// image behind a failed run, and the Intel HEX copy of the word image.
#include <gmock/gmock.h>

#include "asm/assembler_fixture.h"
#include "asm/output_files.h"

namespace zerka::test {
namespace {

using ::testing::HasSubstr;

class AssemblerOutputsTest : public AssemblerTest {
  protected:
    AssemblerOutputsTest() { useChip(0x12, 0, 256); }

    // Assembles a main file that is already in the folder.
    AssemblyResult run(std::string_view name) {
        AssemblyContext ctx;
        ctx.chip = &chip;
        ctx.instructions = &instructions;
        ctx.log = &log;
        return Assemble(dir.path() / name, ctx, options);
    }
};

TEST_F(AssemblerOutputsTest, NoOutputReplacesTheMainFileOrAFileItReads) {
    options.asciiFile = true;
    options.objectFile = true;
    // An object module to include, under a name that is also one of the outputs.
    dir.write("LIB.ASM", "        NOP\n");
    ASSERT_TRUE(run("LIB.ASM").success);
    const std::string module = dir.read("LIB.obj");

    struct Case {
        const char* main;
        const char* include; // written beside the main file and included by it
    };
    for (const Case c :
         {Case{"PROG.lst", nullptr}, Case{"PROG.map", nullptr}, Case{"PROG.asc", nullptr},
          Case{"PROG.hex", nullptr}, Case{"PROG.obj", nullptr}, Case{"PROG.err", nullptr},
          Case{"prog.asm", "prog.map"}, Case{"PROG.ASM", "PROG.obj"}}) {
        SCOPED_TRACE(std::string(c.main) + (c.include ? std::string(" + ") + c.include : ""));
        TempDir fresh;
        // A line with an error too: the run would also write the error file.
        std::string main = "        NOP\n        MVL     NOWHERE\n";
        std::string included;
        if (c.include) {
            included = std::string(c.include).ends_with(".obj") ? module : "        NOP\n";
            fresh.write(c.include, included);
            // Upper-cased when read, found ignoring case.
            main += "        INCLUDE " + std::string(c.include) + "\n";
        }
        fresh.write(c.main, main);

        AssemblyContext ctx;
        ctx.chip = &chip;
        ctx.instructions = &instructions;
        ctx.log = &log;
        const AssemblyResult r = Assemble(fresh.path() / c.main, ctx, options);
        EXPECT_TRUE(r.refused);
        EXPECT_FALSE(r.success);
        EXPECT_FALSE(r.informationSet);
        EXPECT_THAT(r.refusal, HasSubstr("would replace the input file"));
        ASSERT_FALSE(log.entries.empty());
        EXPECT_EQ(log.entries.back().text, r.refusal);
        // Nothing written: the same files with the same contents.
        size_t count = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(fresh.path()))
            ++count;
        EXPECT_EQ(count, c.include ? 2u : 1u);
        EXPECT_EQ(fresh.read(c.main), main);
        if (c.include) {
            EXPECT_EQ(fresh.read(c.include), included);
        }
    }
    // An output the options do not ask for does not count.
    options.asciiFile = false;
    dir.write("ONLY.asc", "        NOP\n");
    const AssemblyResult ok = run("ONLY.asc");
    EXPECT_FALSE(ok.refused);
    EXPECT_TRUE(ok.success);
    EXPECT_EQ(dir.read("ONLY.asc"), "        NOP\n");
}

TEST_F(AssemblerOutputsTest, AFailedRunRemovesTheImagesItWouldHaveReplaced) {
    options.objectFile = true;
    options.eehFile = true;
    options.ihexFile = true;
    dir.write("MAIN.ASM", "        NOP\n");
    ASSERT_TRUE(run("MAIN.ASM").success);
    for (const char* f : {"MAIN.hex", "MAIN.obj", "MAIN.EEH", "MAIN.ihx"})
        ASSERT_TRUE(exists(f)) << f;
    dir.write("OTHER.hex", "not ours");

    dir.write("MAIN.ASM", "        NOP\n        MVL     NOWHERE\n");
    const AssemblyResult bad = run("MAIN.ASM");
    EXPECT_FALSE(bad.success);
    for (const char* f : {"MAIN.hex", "MAIN.obj", "MAIN.EEH", "MAIN.ihx"})
        EXPECT_FALSE(exists(f)) << f;
    EXPECT_TRUE(exists("MAIN.err"));
    EXPECT_TRUE(exists("MAIN.map"));
    EXPECT_TRUE(exists("OTHER.hex"));

    // A file the options do not ask for is not this run's to remove; a read failure removes too.
    dir.write("MAIN.hex", "old");
    dir.write("MAIN.obj", "old");
    options.objectFile = false;
    dir.write("MAIN.ASM", "        INCLUDE NONE.INC\n");
    EXPECT_FALSE(run("MAIN.ASM").success);
    EXPECT_FALSE(exists("MAIN.hex"));
    EXPECT_TRUE(exists("MAIN.obj"));
}

// The bytes an Intel HEX text describes, with every record's checksum checked.
std::string bytesOfIntelHex(const std::string& text) {
    std::string bytes;
    uint32_t upper = 0;
    bool ended = false;
    for (size_t at = 0; at < text.size();) {
        const size_t nl = text.find('\n', at);
        EXPECT_NE(nl, std::string::npos);
        const std::string line = text.substr(at, nl - at);
        at = nl + 1;
        EXPECT_EQ(line[0], ':');
        std::vector<uint8_t> b;
        for (size_t i = 1; i + 1 < line.size(); i += 2)
            b.push_back(uint8_t(std::stoul(line.substr(i, 2), nullptr, 16)));
        uint8_t sum = 0;
        for (uint8_t x : b)
            sum = uint8_t(sum + x);
        EXPECT_EQ(sum, 0) << line;
        EXPECT_EQ(b.size(), size_t(b[0]) + 5) << line;
        const uint32_t address = upper + (uint32_t(b[1]) << 8) + b[2];
        if (b[3] == 4) upper = ((uint32_t(b[4]) << 8) + b[5]) << 16;
        if (b[3] == 1) ended = true;
        if (b[3] != 0) continue;
        EXPECT_EQ(address, bytes.size()) << line;
        bytes.append(reinterpret_cast<const char*>(b.data()) + 4, b[0]);
    }
    EXPECT_TRUE(ended);
    return bytes;
}

TEST_F(AssemblerOutputsTest, IntelHexHoldsTheWordImage) {
    options.ihexFile = true;
    options.hexFile = false; // the Intel HEX file does not depend on the .hex switch
    dir.write("MAIN.ASM", "        MVL     12H\n        ORG     0FFH\n        RET\n");
    ASSERT_TRUE(run("MAIN.ASM").success);
    EXPECT_FALSE(exists("MAIN.hex"));
    const std::string ihx = dir.read("MAIN.ihx");
    // Word k at byte address 2k, high byte first; the information block follows the code.
    EXPECT_EQ(ihx.substr(0, 13), ":100000000612");
    EXPECT_NE(ihx.find("\n:1001F000"), std::string::npos);
    options.hexFile = true;
    ASSERT_TRUE(run("MAIN.ASM").success);
    EXPECT_EQ(dir.read("MAIN.ihx"), ihx);
    const std::string image = dir.read("MAIN.hex");
    EXPECT_EQ(bytesOfIntelHex(ihx), image);
    EXPECT_EQ(image.substr(0x1FE, 2), std::string("\x00\x0A", 2));
}

TEST(IntelHex, RecordsAndTheUpperAddressAboveSixtyFourKilobytes) {
    EXPECT_EQ(intelHexText(std::string("\x12\x34", 2)), ":020000001234B8\n:00000001FF\n");
    // 32768 words and the block: 66048 bytes, so the last 512 lie above 64 KiB.
    std::string big(65536 + 512, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + 3);
    const std::string text = intelHexText(big);
    EXPECT_NE(text.find("\n:020000040001F9\n:10000000"), std::string::npos);
    EXPECT_EQ(bytesOfIntelHex(text), big);
}

} // namespace
} // namespace zerka::test
