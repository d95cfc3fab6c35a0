// Every output file of `zerka asm` (listing, map, ASCII, .hex, Intel HEX, object, .EEH, errors)
// for every program of the repository against a manifest of SHA-256 sums: the examples, the
// bench programs, the fuzz seeds of the assembler, the golden program of the output-file tests
// and the generated speed programs of bench/asm_speed_gen.py. Work on the assembler's speed must
// not change one byte of any of them. ZERKA_UPDATE_GOLDEN=1 writes the manifest instead.
#include "cli/app.h"
#include "cli/cli_context.h"

#include "core/atomic_file.h"
#include "support/sha256.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;

fs::path manifestPath() {
    return test::sourceDir() / "tests" / "cli" / "golden" / "asm_outputs.sha256";
}

// The program bench/asm_speed_gen.py writes (same bytes): BLOCKS blocks of six lines, with
// --calls a CALL and a JMP more.
std::string speedProgram(int blocks, bool calls) {
    std::string s = "; generated speed program\nTWO     MACRO   R\n        INF     R, 1\n"
                    "        DCF     R, 1\n        ENDM\n        ORG     0\n";
    for (int i = 0; i < blocks; ++i) {
        const std::string n = std::to_string(i);
        s += "L" + n + ":\n        MVL     " + std::to_string(i % 256) +
             "\n        MVF     80H, 1\n        TWO     81H\n        BTSZ    82H, 1\n"
             "        RJ      L" +
             n + "\n";
        if (calls) s += "        CALL    L" + n + "\n        JMP     L" + n + "\n";
    }
    return s;
}

std::string fileText(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(readFileBytes(p, s)) << p;
    return s;
}

// The folder path of a run appears in error lines; it differs from run to run.
std::string withoutRoot(std::string text, const std::string& root) {
    for (size_t at = text.find(root); at != std::string::npos; at = text.find(root, at))
        text.replace(at, root.size(), "$ROOT");
    return text;
}

class AsmGolden : public ::testing::Test {
  protected:
    void SetUp() override { fs::copy(test::sourceDir() / "chips", dir.path() / "chips"); }

    // Assembles `main` (with its companion files) in a folder of its own named `run`, so that
    // `INCLUDE ..\CHIPS\...` finds the library, and records every file the run wrote.
    void assemble(const std::string& run, const std::string& chip,
                  const std::map<std::string, std::string>& inputs, const std::string& main,
                  std::vector<std::string> switches) {
        const fs::path folder = dir.path() / run;
        for (const auto& [name, text] : inputs)
            dir.write(run + "/" + name, text);
        std::vector<std::string> args = {"asm", "--lib", (dir.path() / "chips").string(), "--chip",
                                         chip};
        args.insert(args.end(), switches.begin(), switches.end());
        args.push_back((folder / main).string());
        std::ostringstream out, err;
        const int status = runZerka(args, out, err);
        const std::string root = dir.path().string();
        actual[run + "/(exit)"] =
            test::sha256Hex(std::to_string(status) + "\n" + withoutRoot(out.str(), root));
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (!e.is_regular_file()) continue;
            const std::string name = fs::relative(e.path(), folder).generic_string();
            if (inputs.count(name)) continue;
            actual[run + "/" + name] = test::sha256Hex(withoutRoot(fileText(e.path()), root));
        }
    }

    // Every output the command can write.
    static std::vector<std::string> all(std::vector<std::string> more = {}) {
        std::vector<std::string> s = {"--list", "--hex", "--ihex", "--asc", "--obj", "--eeh"};
        s.insert(s.end(), more.begin(), more.end());
        return s;
    }

    test::TempDir dir;
    std::map<std::string, std::string> actual; // "run/file" -> SHA-256
};

TEST_F(AsmGolden, EveryOutputOfEveryProgramIsUnchanged) {
    const fs::path src = test::sourceDir();
    auto source = [&](const fs::path& p) {
        return std::map<std::string, std::string>{{p.filename().string(), fileText(p)}};
    };

    for (const char* name : {"sum_cx4a", "blink_cx4b", "table_cx4b"}) {
        const fs::path p = src / "examples" / (std::string(name) + ".asm");
        const std::string chip = name == std::string("sum_cx4a")     ? "KXA1608"
                                 : name == std::string("blink_cx4b") ? "KXB0402"
                                                                     : "KXB0602";
        assemble(std::string("examples_") + name, chip, source(p), p.filename().string(), all());
    }

    for (const char* name : {"loop", "mix", "banks"}) {
        for (const char* core : {"cx4a", "cx4b"}) {
            const fs::path p = src / "bench" / ("sim_" + std::string(name) + "_" + core + ".asm");
            const std::string chip = core == std::string("cx4a") ? "KXA1608" : "KXB0602";
            const std::string run = "bench_" + p.stem().string();
            assemble(run, chip, source(p), p.filename().string(), all());
            assemble(run + "_nosmart", chip, source(p), p.filename().string(), all({"--no-smart"}));
        }
    }

    // The fuzz seeds with the include file and object module their fuzzers provide, on both
    // cores, and with the smart compiler's optimisation and another fill.
    const std::string none = std::string("\x8D") + "0000";
    const std::map<std::string, std::string> companions = {
        {"A.INC", "WAIT MACRO N\nL1: DCSZ N, 1, 0\n RJ L1\n ENDM\nK EQU 5\n"},
        {"sub/b.inc", "DEFINE DEBUG, 1\nIF DEBUG\n NOP\nENDIF\n"},
        {"LIB.OBJ", std::string("\x84") + "L0005START" + "\x85\x86" + "00000000" + "\x87" + "\x89" +
                        "03EXT" + "\x8A\x8B" + "00000000" + "\x8C" + "\x80" + "00000001" + "\x81" +
                        "\x82" + "\x8E" + "   1" + none + none + "0612" + "\x90" + "   1" + none +
                        none + "7812" + "\x88"}};
    for (const char* corpus : {"assembler_fuzz", "source_reader_fuzz"}) {
        for (const auto& e : fs::directory_iterator(src / "fuzz" / "corpus" / corpus)) {
            if (e.path().extension() != ".asm") continue;
            std::map<std::string, std::string> inputs = companions;
            inputs[e.path().filename().string()] = fileText(e.path());
            const std::string run = std::string(corpus) + "_" + e.path().stem().string();
            const std::string main = e.path().filename().string();
            assemble(run + "_cx4a", "KXA1608", inputs, main, all());
            assemble(run + "_cx4b", "KXB0602", inputs, main, all());
            assemble(run + "_opt", "KXA1202", inputs, main, all({"--optimize", "--fill", "JMP0"}));
            assemble(run + "_only", "KXA1604", inputs, main, all({"--assemble-only"}));
        }
    }

    // The program of the output-file tests of the assembler, with a GLOBAL line.
    const std::map<std::string, std::string> golden = {
        {"MAIN.ASM", "; golden test program\n\nCOUNT   EQU     20H\nBUF     DS      2\n"
                     "        GLOBAL  START, BUF\nM2      MACRO   R\n        CLRF    R\n"
                     "        INF     R, 1\n        ENDM\n\n        ORG     0\n"
                     "START:  MVL     5          ; load\n        M2      COUNT\n"
                     "        CALL    SUB\nLOOP:   JZ      LOOP\n        DB      1, 2, 3\n"
                     "        INCLUDE PART.INC\nSUB:    RET\n\n; not stored after the last line\n"},
        {"PART.INC", "        NOP\n"}};
    assemble("golden_smart", "KXA1202", golden, "MAIN.ASM", all());
    assemble("golden_plain", "KXA1202", golden, "MAIN.ASM", all({"--no-smart", "--fill", "FF"}));

    // The speed programs as bench/asm_speed.sh assembles them.
    const std::map<std::string, std::string> speed = {{"SPEED.ASM", speedProgram(5000, false)}};
    const std::map<std::string, std::string> calls = {{"CALLS.ASM", speedProgram(3200, true)}};
    assemble("speed_smart", "KXA3232", speed, "SPEED.ASM", all());
    assemble("speed_nosmart", "KXA3232", speed, "SPEED.ASM", all({"--no-smart"}));
    assemble("speed_calls", "KXA3232", calls, "CALLS.ASM", all({"--optimize"}));

    if (std::getenv("ZERKA_UPDATE_GOLDEN")) {
        std::string text;
        for (const auto& [file, sum] : actual)
            text += sum + "  " + file + "\n";
        ASSERT_TRUE(writeFileAtomic(manifestPath(), text));
        return;
    }
    std::map<std::string, std::string> expected;
    std::istringstream in(fileText(manifestPath()));
    for (std::string sum, file; in >> sum >> file;)
        expected[file] = sum;
    ASSERT_GT(expected.size(), 100u) << "manifest " << manifestPath() << " missing or short";
    for (const auto& [file, sum] : expected) {
        const auto it = actual.find(file);
        if (it == actual.end())
            ADD_FAILURE() << file << " is no longer written";
        else
            EXPECT_EQ(it->second, sum) << file << " changed";
    }
    for (const auto& [file, sum] : actual)
        EXPECT_TRUE(expected.count(file)) << file << " is written but not in the manifest";
}

} // namespace
} // namespace zerka::cli
